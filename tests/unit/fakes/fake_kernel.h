// A pretend kernel: records sleeps, keeps a last-error value and a module file name, and
// counts what is acquired and released. Each fallible call can be failed through a FaultPlan.
#pragma once

#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fakes/fault_plan.h"
#include "platform/kernel.h"

namespace fakes {

class FakeKernel : public plat::Kernel, public Faultable {
  public:
    std::string module_path = "C:\\Program Files\\Velmora\\Velmora.exe";
    std::string windows_dir = "C:\\windows";
    std::string system_dir = "C:\\windows\\system32";
    std::vector<plat::DWORD> sleeps;
    plat::DWORD last_error = 0;
    std::vector<std::string> events;  // calls in order, for sequence checks

    plat::DWORD GetModuleFileNameA(plat::HMODULE, char* buffer, plat::DWORD size) override {
        if (Injected("GetModuleFileNameA")) return 0;
        if (module_name_unterminated && module_path.size() >= size) {
            std::memcpy(buffer, module_path.data(), size);  // as Windows XP does: no terminator
            return size;
        }
        return CopyOut(module_path, buffer, size);
    }
    unsigned GetWindowsDirectoryA(char* buffer, unsigned size) override {
        if (Injected("GetWindowsDirectoryA")) return 0;
        if (windows_dir.size() + 1 > size) return static_cast<unsigned>(windows_dir.size() + 1);
        return CopyOut(windows_dir, buffer, size);
    }
    unsigned GetSystemDirectoryA(char* buffer, unsigned size) override {
        if (Injected("GetSystemDirectoryA")) return 0;
        if (system_dir.size() + 1 > size) return static_cast<unsigned>(system_dir.size() + 1);
        return CopyOut(system_dir, buffer, size);
    }
    plat::BOOL CopyFileA(const char* source, const char* target, plat::BOOL) override {
        events.push_back(std::string("copy ") + source + " -> " + target);
        return Injected("CopyFileA") ? plat::kFalse : plat::kTrue;
    }
    plat::BOOL DeleteFileA(const char* path) override {
        events.push_back(std::string("delete ") + path);
        if (Injected("DeleteFileA")) return plat::kFalse;
        if (files.erase(path) == 0) {
            last_error = plat::kErrorFileNotFound;
            return plat::kFalse;
        }
        return plat::kTrue;
    }
    plat::BOOL SetCurrentDirectoryA(const char* path) override {
        events.push_back(std::string("chdir ") + path);
        if (Injected("SetCurrentDirectoryA")) return plat::kFalse;
        return *path ? plat::kTrue : plat::kFalse;
    }
    void GetStartupInfoA(plat::StartupInfo* info) override {
        events.push_back("startup info");
        *info = plat::StartupInfo{};
        info->cb = sizeof *info;
    }
    plat::BOOL CreateProcessA(const char* application, char* command_line, void* process_attributes,
                              void* thread_attributes, plat::BOOL inherit, plat::DWORD flags,
                              void* environment, const char* directory, plat::StartupInfo* startup,
                              plat::ProcessInformation* process) override {
        events.push_back(std::string("create ") + (application ? application : "(null)") + " | " +
                         command_line);
        creates.push_back({application ? application : "", command_line, inherit, flags,
                           process_attributes == nullptr && thread_attributes == nullptr &&
                               environment == nullptr && directory == nullptr,
                           startup != nullptr && startup->cb == sizeof *startup,
                           process->hProcess == nullptr && process->hThread == nullptr});
        if (Injected("CreateProcessA")) return plat::kFalse;
        if (create_process_error != 0) {
            last_error = create_process_error;
            return plat::kFalse;
        }
        process->hProcess = Acquire("process");
        process->hThread = Acquire("thread");
        return plat::kTrue;
    }
    plat::DWORD WaitForSingleObject(plat::HANDLE, plat::DWORD ms) override {
        events.push_back("wait " + std::to_string(ms));
        return Injected("WaitForSingleObject") ? 0xFFFFFFFFu : 0;  // WAIT_FAILED
    }
    plat::BOOL CloseHandle(plat::HANDLE handle) override {
        auto it = labels_.find(handle);
        events.push_back("close " + (it == labels_.end() ? std::string("?") : it->second));
        const plat::BOOL released = Release(handle);
        return Injected("CloseHandle") ? plat::kFalse : released;
    }
    void Sleep(plat::DWORD ms) override {
        sleeps.push_back(ms);
        events.push_back("sleep " + std::to_string(ms));
        if (on_sleep) on_sleep(ms);
    }
    plat::DWORD GetLastError() override { return last_error; }
    void SetLastError(plat::DWORD error) override { last_error = error; }
    plat::BOOL GetVersionExA(plat::OsVersionInfo* info) override {
        if (Injected("GetVersionExA") || info->dwOSVersionInfoSize != sizeof *info) {
            return plat::kFalse;
        }
        info->dwPlatformId = platform_id;
        info->dwMajorVersion = major_version;
        return plat::kTrue;
    }
    void* GlobalAlloc(unsigned flags, std::size_t bytes) override {
        allocs.push_back({flags, bytes});
        if (fail_alloc_at == ++alloc_calls || Injected("GlobalAlloc")) return nullptr;
        void* memory = std::calloc(1, bytes ? bytes : 1);
        open.insert(memory);
        return memory;
    }
    void* GlobalFree(void* memory) override {
        if (open.erase(memory) == 0) ++double_releases;
        std::free(memory);
        return Injected("GlobalFree") ? memory : nullptr;
    }
    plat::HMODULE LoadLibraryA(const char* name) override {
        events.push_back(std::string("load ") + name);
        if (Injected("LoadLibraryA")) return nullptr;
        return library_loads ? Acquire("library") : nullptr;
    }
    plat::FARPROC GetProcAddress(plat::HMODULE, const char* name) override {
        events.push_back(std::string("proc ") + name);
        if (Injected("GetProcAddress")) return nullptr;
        return has_set_default_printer ? reinterpret_cast<plat::FARPROC>(&Dummy) : nullptr;
    }
    plat::BOOL FreeLibrary(plat::HMODULE module) override {
        events.push_back("free library");
        const plat::BOOL released = Release(module);
        return Injected("FreeLibrary") ? plat::kFalse : released;
    }
    plat::BOOL CallSetDefaultPrinterA(plat::FARPROC, const char* printer) override {
        events.push_back(std::string("SetDefaultPrinterA ") + printer);
        if (Injected("SetDefaultPrinterA")) return plat::kFalse;
        return set_default_printer_result;
    }
    std::uintptr_t BeginThread(plat::ThreadProc start, unsigned stack, void* argument) override {
        events.push_back("thread " + std::to_string(stack) + " " +
                         static_cast<const char*>(argument));
        if (Injected("_beginthread")) return static_cast<std::uintptr_t>(-1);
        threads.push_back({start, argument});
        return 1;
    }

    // Knobs.
    bool module_name_unterminated = false;
    plat::DWORD create_process_error = 0;
    plat::DWORD platform_id = plat::kVerPlatformWin32Nt;
    plat::DWORD major_version = 6;
    bool library_loads = true;
    bool has_set_default_printer = true;
    plat::BOOL set_default_printer_result = plat::kTrue;
    int fail_alloc_at = 0;
    std::set<std::string> files;
    std::function<void(plat::DWORD)> on_sleep;  // lets a test look at other fakes mid-sequence
    struct Thread {
        plat::ThreadProc start;
        void* argument;
    };
    std::vector<Thread> threads;
    struct CreateCall {
        std::string application;
        std::string command_line;
        plat::BOOL inherit;
        plat::DWORD flags;
        bool inherits_the_rest;  // no security attributes, environment or directory of its own
        bool startup_filled;
        bool process_record_cleared;
    };
    std::vector<CreateCall> creates;
    struct Alloc {
        unsigned flags;
        std::size_t bytes;
    };
    std::vector<Alloc> allocs;

    // Bookkeeping of handles, libraries and memory.
    std::set<void*> open;
    int double_releases = 0;

  private:
    static void Dummy() {}
    static plat::DWORD CopyOut(const std::string& text, char* buffer, plat::DWORD size) {
        if (size == 0) return 0;
        const std::size_t n = text.size() < size ? text.size() : size - 1;
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
        return static_cast<plat::DWORD>(text.size() < size ? n : size);
    }
    void* Acquire(const char* label) {
        void* handle = reinterpret_cast<void*>(++next_handle_);
        open.insert(handle);
        labels_[handle] = label;
        return handle;
    }
    plat::BOOL Release(void* handle) {
        if (open.erase(handle) == 0) {
            ++double_releases;
            return plat::kFalse;
        }
        return plat::kTrue;
    }
    std::uintptr_t next_handle_ = 0x1000;
    std::map<void*, std::string> labels_;
    int alloc_calls = 0;
};

}  // namespace fakes
