// Kernel primitives: module and directory queries, files, processes, threads, memory,
// libraries, sleeping and the thread's last-error value.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/types.h"

namespace plat {

using HMODULE = HANDLE;
using FARPROC = void (*)();

// Same layout as the system's STARTUPINFOA.
struct StartupInfo {
    DWORD cb;
    char* lpReserved;
    char* lpDesktop;
    char* lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    BYTE* lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
};

// Same layout as the system's PROCESS_INFORMATION.
struct ProcessInformation {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
};

// Same layout as the system's OSVERSIONINFOA (148 bytes).
struct OsVersionInfo {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    char szCSDVersion[128];
};
static_assert(sizeof(OsVersionInfo) == 148, "OSVERSIONINFOA is 148 bytes");

constexpr DWORD kVerPlatformWin32Windows = 1;
constexpr DWORD kVerPlatformWin32Nt = 2;
constexpr unsigned kGmemZeroInit = 0x0040;

using ThreadProc = void (*)(void*);

class Kernel {
  public:
    virtual ~Kernel() = default;
    virtual DWORD GetModuleFileNameA(HMODULE module, char* buffer, DWORD size) = 0;
    virtual unsigned GetWindowsDirectoryA(char* buffer, unsigned size) = 0;
    virtual unsigned GetSystemDirectoryA(char* buffer, unsigned size) = 0;
    virtual BOOL CopyFileA(const char* source, const char* target, BOOL fail_if_exists) = 0;
    virtual BOOL DeleteFileA(const char* path) = 0;
    virtual BOOL SetCurrentDirectoryA(const char* path) = 0;
    virtual void GetStartupInfoA(StartupInfo* info) = 0;
    virtual BOOL CreateProcessA(const char* application, char* command_line,
                                void* process_attributes, void* thread_attributes,
                                BOOL inherit_handles, DWORD creation_flags, void* environment,
                                const char* current_directory, StartupInfo* startup,
                                ProcessInformation* process) = 0;
    virtual DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) = 0;
    virtual BOOL CloseHandle(HANDLE handle) = 0;
    virtual void Sleep(DWORD milliseconds) = 0;
    virtual DWORD GetLastError() = 0;
    virtual void SetLastError(DWORD error) = 0;
    virtual BOOL GetVersionExA(OsVersionInfo* info) = 0;
    virtual void* GlobalAlloc(unsigned flags, std::size_t bytes) = 0;
    virtual void* GlobalFree(void* memory) = 0;
    virtual HMODULE LoadLibraryA(const char* name) = 0;
    virtual FARPROC GetProcAddress(HMODULE module, const char* name) = 0;
    virtual BOOL FreeLibrary(HMODULE module) = 0;
    // Calls a SetDefaultPrinterA found with GetProcAddress, with the system's calling convention.
    virtual BOOL CallSetDefaultPrinterA(FARPROC set_default_printer, const char* printer) = 0;
    // The C run-time's _beginthread.
    virtual std::uintptr_t BeginThread(ThreadProc start, unsigned stack_size, void* argument) = 0;
};

}  // namespace plat
