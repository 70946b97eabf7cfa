// A pretend kernel: records sleeps, keeps a last-error value and a module file name, and
// counts what is acquired and released.
#pragma once

#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/kernel.h"

namespace fakes {

class FakeKernel : public plat::Kernel {
  public:
    std::string module_path = "C:\\Program Files\\Velmora\\Velmora.exe";
    std::string windows_dir = "C:\\windows";
    std::string system_dir = "C:\\windows\\system32";
    std::vector<plat::DWORD> sleeps;
    plat::DWORD last_error = 0;
    std::vector<std::string> events;  // calls in order, for sequence checks

    plat::DWORD GetModuleFileNameA(plat::HMODULE, char* buffer, plat::DWORD size) override {
        return CopyOut(module_path, buffer, size);
    }
    unsigned GetWindowsDirectoryA(char* buffer, unsigned size) override {
        if (windows_dir.size() + 1 > size) return static_cast<unsigned>(windows_dir.size() + 1);
        return CopyOut(windows_dir, buffer, size);
    }
    unsigned GetSystemDirectoryA(char* buffer, unsigned size) override {
        if (system_dir.size() + 1 > size) return static_cast<unsigned>(system_dir.size() + 1);
        return CopyOut(system_dir, buffer, size);
    }
    plat::BOOL CopyFileA(const char* source, const char* target, plat::BOOL) override {
        events.push_back(std::string("copy ") + source + " -> " + target);
        return plat::kTrue;
    }
    plat::BOOL DeleteFileA(const char* path) override {
        events.push_back(std::string("delete ") + path);
        if (files.erase(path) == 0) {
            last_error = plat::kErrorFileNotFound;
            return plat::kFalse;
        }
        return plat::kTrue;
    }
    plat::BOOL SetCurrentDirectoryA(const char* path) override {
        events.push_back(std::string("chdir ") + path);
        return *path ? plat::kTrue : plat::kFalse;
    }
    void GetStartupInfoA(plat::StartupInfo* info) override {
        *info = plat::StartupInfo{};
        info->cb = sizeof *info;
    }
    plat::BOOL CreateProcessA(const char* application, char* command_line, void*, void*, plat::BOOL,
                              plat::DWORD, void*, const char*, plat::StartupInfo*,
                              plat::ProcessInformation* process) override {
        events.push_back(std::string("create ") + (application ? application : "(null)") + " | " +
                         command_line);
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
        return 0;
    }
    plat::BOOL CloseHandle(plat::HANDLE handle) override { return Release(handle); }
    void Sleep(plat::DWORD ms) override {
        sleeps.push_back(ms);
        events.push_back("sleep " + std::to_string(ms));
        if (on_sleep) on_sleep(ms);
    }
    plat::DWORD GetLastError() override { return last_error; }
    void SetLastError(plat::DWORD error) override { last_error = error; }
    plat::BOOL GetVersionExA(plat::OsVersionInfo* info) override {
        if (info->dwOSVersionInfoSize != sizeof *info) return plat::kFalse;
        info->dwPlatformId = platform_id;
        info->dwMajorVersion = major_version;
        return plat::kTrue;
    }
    void* GlobalAlloc(unsigned, std::size_t bytes) override {
        if (fail_alloc_at == ++alloc_calls) return nullptr;
        void* memory = std::calloc(1, bytes ? bytes : 1);
        open.insert(memory);
        return memory;
    }
    void* GlobalFree(void* memory) override {
        if (open.erase(memory) == 0) ++double_releases;
        std::free(memory);
        return nullptr;
    }
    plat::HMODULE LoadLibraryA(const char* name) override {
        events.push_back(std::string("load ") + name);
        return library_loads ? Acquire("library") : nullptr;
    }
    plat::FARPROC GetProcAddress(plat::HMODULE, const char* name) override {
        events.push_back(std::string("proc ") + name);
        return has_set_default_printer ? reinterpret_cast<plat::FARPROC>(&Dummy) : nullptr;
    }
    plat::BOOL FreeLibrary(plat::HMODULE module) override {
        events.push_back("free library");
        return Release(module);
    }
    plat::BOOL CallSetDefaultPrinterA(plat::FARPROC, const char* printer) override {
        events.push_back(std::string("SetDefaultPrinterA ") + printer);
        return set_default_printer_result;
    }
    std::uintptr_t BeginThread(plat::ThreadProc start, unsigned stack, void* argument) override {
        events.push_back("thread " + std::to_string(stack) + " " +
                         static_cast<const char*>(argument));
        threads.push_back({start, argument});
        return 1;
    }

    // Knobs.
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
    void* Acquire(const char*) {
        void* handle = reinterpret_cast<void*>(++next_handle_);
        open.insert(handle);
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
    int alloc_calls = 0;
};

}  // namespace fakes
