// Kernel and C run-time adapter: one call per method.
#include <windows.h>

#include <process.h>

#include "platform/win32/adapters.h"

namespace plat::win32 {

static_assert(sizeof(plat::StartupInfo) == sizeof(STARTUPINFOA), "STARTUPINFOA layout");
static_assert(sizeof(plat::ProcessInformation) == sizeof(PROCESS_INFORMATION), "layout");
static_assert(sizeof(plat::OsVersionInfo) == sizeof(OSVERSIONINFOA), "OSVERSIONINFOA layout");

plat::DWORD KernelWin32::GetModuleFileNameA(plat::HMODULE module, char* buffer, plat::DWORD size) {
    return ::GetModuleFileNameA(static_cast<::HMODULE>(module), buffer, size);
}
unsigned KernelWin32::GetWindowsDirectoryA(char* buffer, unsigned size) {
    return ::GetWindowsDirectoryA(buffer, size);
}
unsigned KernelWin32::GetSystemDirectoryA(char* buffer, unsigned size) {
    return ::GetSystemDirectoryA(buffer, size);
}
plat::BOOL KernelWin32::CopyFileA(const char* source, const char* target,
                                  plat::BOOL fail_if_exists) {
    return ::CopyFileA(source, target, fail_if_exists);
}
plat::BOOL KernelWin32::DeleteFileA(const char* path) { return ::DeleteFileA(path); }
plat::BOOL KernelWin32::SetCurrentDirectoryA(const char* path) {
    return ::SetCurrentDirectoryA(path);
}
void KernelWin32::GetStartupInfoA(plat::StartupInfo* info) {
    ::GetStartupInfoA(reinterpret_cast<STARTUPINFOA*>(info));
}
plat::BOOL KernelWin32::CreateProcessA(const char* application, char* command_line,
                                       void* process_attributes, void* thread_attributes,
                                       plat::BOOL inherit_handles, plat::DWORD creation_flags,
                                       void* environment, const char* current_directory,
                                       plat::StartupInfo* startup,
                                       plat::ProcessInformation* process) {
    return ::CreateProcessA(
        application, command_line, static_cast<SECURITY_ATTRIBUTES*>(process_attributes),
        static_cast<SECURITY_ATTRIBUTES*>(thread_attributes), inherit_handles, creation_flags,
        environment, current_directory, reinterpret_cast<STARTUPINFOA*>(startup),
        reinterpret_cast<PROCESS_INFORMATION*>(process));
}
plat::DWORD KernelWin32::WaitForSingleObject(plat::HANDLE handle, plat::DWORD milliseconds) {
    return ::WaitForSingleObject(handle, milliseconds);
}
plat::BOOL KernelWin32::CloseHandle(plat::HANDLE handle) { return ::CloseHandle(handle); }
void KernelWin32::Sleep(plat::DWORD milliseconds) { ::Sleep(milliseconds); }
plat::DWORD KernelWin32::GetLastError() { return ::GetLastError(); }
void KernelWin32::SetLastError(plat::DWORD error) { ::SetLastError(error); }
plat::BOOL KernelWin32::GetVersionExA(plat::OsVersionInfo* info) {
    return ::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(info));
}
void* KernelWin32::GlobalAlloc(unsigned flags, std::size_t bytes) {
    return ::GlobalAlloc(flags, bytes);
}
void* KernelWin32::GlobalFree(void* memory) { return ::GlobalFree(memory); }
plat::HMODULE KernelWin32::LoadLibraryA(const char* name) { return ::LoadLibraryA(name); }
plat::FARPROC KernelWin32::GetProcAddress(plat::HMODULE module, const char* name) {
    return reinterpret_cast<plat::FARPROC>(::GetProcAddress(static_cast<::HMODULE>(module), name));
}
plat::BOOL KernelWin32::FreeLibrary(plat::HMODULE module) {
    return ::FreeLibrary(static_cast<::HMODULE>(module));
}
plat::BOOL KernelWin32::CallSetDefaultPrinterA(plat::FARPROC set_default_printer,
                                               const char* printer) {
    using SetDefaultPrinterAFn = BOOL(WINAPI*)(LPCSTR);
    return reinterpret_cast<SetDefaultPrinterAFn>(set_default_printer)(printer);
}
std::uintptr_t KernelWin32::BeginThread(plat::ThreadProc start, unsigned stack_size,
                                        void* argument) {
    return ::_beginthread(start, stack_size, argument);
}

}  // namespace plat::win32
