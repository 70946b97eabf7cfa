// Kernel primitives: module and directory queries, code pages, files and their owners, processes
// and their tokens and sessions, threads, memory, time, sleeping and the thread's last-error
// value. Paths are UTF-16, as the system gives and takes them.
#pragma once

#include <cstdint>

#include "platform/types.h"
#include "platform/unique_any.h"

namespace plat {

using HMODULE = HANDLE;
using FARPROC = void (*)();

// Same layout as the system's STARTUPINFOW; the program only passes it on.
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

// Same layout as the system's SYSTEMTIME.
struct SystemTime {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};

constexpr DWORD kVerPlatformWin32Nt = 2;
constexpr DWORD kWaitObject0 = 0;
constexpr DWORD kWaitTimeout = 258;  // WAIT_TIMEOUT, also the error code of a timed-out wait
constexpr unsigned kCodePageGbk = 936;

// Same layout as the system's BY_HANDLE_FILE_INFORMATION.
struct FileInformation {
    DWORD dwFileAttributes;
    DWORD ftTimes[6];  // creation, last access and last write, as FILETIMEs
    DWORD dwVolumeSerialNumber;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD nNumberOfLinks;
    DWORD nFileIndexHigh;
    DWORD nFileIndexLow;
};

// Files.
inline HANDLE InvalidHandleValue() { return reinterpret_cast<HANDLE>(~std::uintptr_t{0}); }
constexpr DWORD kFileReadData = 0x0001;
constexpr DWORD kFileAppendData = 0x0004;
constexpr DWORD kFileReadAttributes = 0x0080;
constexpr DWORD kDelete = 0x00010000;
constexpr DWORD kReadControl = 0x00020000;
constexpr DWORD kFileShareRead = 0x1;
constexpr DWORD kFileShareWrite = 0x2;
constexpr DWORD kFileShareDelete = 0x4;
constexpr DWORD kCreateNew = 1;
constexpr DWORD kOpenAlways = 4;
constexpr DWORD kFileAttributeNormal = 0x80;
constexpr DWORD kFileAttributeReparsePoint = 0x400;
constexpr DWORD kFileFlagOpenReparsePoint = 0x00200000;
constexpr DWORD kFileTypeDisk = 1;
constexpr DWORD kInvalidFileSize = 0xFFFFFFFFu;
constexpr DWORD kErrorFileExists = 80;

// Owners: GetSecurityInfo of a file's or a kernel object's owner.
constexpr int kSeFileObject = 1;
constexpr int kSeKernelObject = 6;
constexpr DWORD kWaitAbandoned = 0x80;
constexpr DWORD kOwnerSecurityInformation = 0x1;

// Process tokens.
constexpr DWORD kTokenQuery = 0x0008;
constexpr int kTokenUser = 1;        // TOKEN_INFORMATION_CLASS: a TOKEN_USER, the account's SID
constexpr int kTokenElevation = 20;  // TOKEN_INFORMATION_CLASS: a DWORD, nonzero when elevated

// Machines: IMAGE_FILE_MACHINE_* (IsWow64Process2) and PROCESSOR_ARCHITECTURE_*
// (GetNativeSystemInfo).
constexpr WORD kImageFileMachineUnknown = 0;
constexpr WORD kImageFileMachineI386 = 0x014C;
constexpr WORD kImageFileMachineAmd64 = 0x8664;
constexpr WORD kImageFileMachineArm64 = 0xAA64;
constexpr WORD kProcessorArchitectureIntel = 0;
constexpr WORD kProcessorArchitectureAmd64 = 9;
constexpr WORD kProcessorArchitectureArm64 = 12;

// SetDefaultDllDirectories: only the system directory is searched.
constexpr DWORD kLoadLibrarySearchSystem32 = 0x00000800;

using ThreadProc = void (*)(void*);

class Kernel {
  public:
    virtual ~Kernel() = default;
    // Paths come and go as UTF-16 (plat::Path); the buffer sizes of path queries are in UTF-16
    // units.
    virtual DWORD GetModuleFileNameW(HMODULE module, char16_t* buffer, DWORD size) = 0;
    virtual const char16_t* GetCommandLineW() = 0;
    // Conversions between a code page and UTF-16, as the system makes them.
    virtual BOOL IsValidCodePage(unsigned code_page) = 0;
    virtual int MultiByteToWideChar(unsigned code_page, DWORD flags, const char* text, int length,
                                    char16_t* buffer, int size) = 0;
    virtual unsigned GetWindowsDirectoryW(char16_t* buffer, unsigned size) = 0;
    virtual unsigned GetSystemDirectoryW(char16_t* buffer, unsigned size) = 0;
    virtual DWORD GetTempPathW(DWORD size, char16_t* buffer) = 0;
    virtual BOOL CopyFileW(const char16_t* source, const char16_t* target, BOOL fail_if_exists) = 0;
    virtual BOOL DeleteFileW(const char16_t* path) = 0;
    virtual BOOL SetCurrentDirectoryW(const char16_t* path) = 0;
    virtual BOOL GetUserNameW(char16_t* buffer, DWORD* size) = 0;
    virtual void GetStartupInfoW(StartupInfo* info) = 0;
    virtual BOOL CreateProcessW(const char16_t* application, char16_t* command_line,
                                void* process_attributes, void* thread_attributes,
                                BOOL inherit_handles, DWORD creation_flags, void* environment,
                                const char16_t* current_directory, StartupInfo* startup,
                                ProcessInformation* process) = 0;
    virtual DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) = 0;
    // CreateMutexW with a security descriptor made from `sddl` (the security descriptor string
    // format), not owned at first; the last error says whether it existed already.
    virtual HANDLE CreateMutexW(const char16_t* sddl, const char16_t* name) = 0;
    virtual BOOL ReleaseMutex(HANDLE mutex) = 0;
    virtual BOOL CloseHandle(HANDLE handle) = 0;
    virtual void Sleep(DWORD milliseconds) = 0;
    virtual DWORD GetLastError() = 0;
    virtual void SetLastError(DWORD error) = 0;
    virtual BOOL GetVersionExA(OsVersionInfo* info) = 0;
    virtual FARPROC GetProcAddress(HMODULE module, const char* name) = 0;
    virtual HANDLE CreateFileW(const char16_t* path, DWORD access, DWORD share, void* security,
                               DWORD disposition, DWORD flags, HANDLE template_file) = 0;
    virtual BOOL ReadFile(HANDLE file, void* data, DWORD size, DWORD* read, void* overlapped) = 0;
    virtual BOOL WriteFile(HANDLE file, const void* data, DWORD size, DWORD* written,
                           void* overlapped) = 0;
    virtual DWORD GetFileSize(HANDLE file, DWORD* high) = 0;
    virtual DWORD GetFileType(HANDLE file) = 0;
    virtual BOOL GetFileInformationByHandle(HANDLE file, FileInformation* information) = 0;
    // SetFileInformationByHandle with a FILE_RENAME_INFO: the open file gets the full path
    // `target`, replacing a file of that name when `replace` is set.
    virtual BOOL SetFileRenameInformation(HANDLE file, const char16_t* target, BOOL replace) = 0;
    // The owner SID points into `descriptor`, which LocalFree releases; returns an error code.
    virtual DWORD GetSecurityInfo(HANDLE object, int object_type, DWORD what, void** owner,
                                  void** descriptor) = 0;
    virtual void* LocalFree(void* memory) = 0;
    virtual void GetLocalTime(SystemTime* time) = 0;
    virtual BOOL GetExitCodeProcess(HANDLE process, DWORD* code) = 0;
    virtual HANDLE GetCurrentProcess() = 0;
    virtual DWORD GetCurrentProcessId() = 0;
    virtual BOOL ProcessIdToSessionId(DWORD process_id, DWORD* session) = 0;
    virtual HMODULE GetModuleHandleW(const char16_t* name) = 0;
    // Calls a SetDefaultDllDirectories found with GetProcAddress (older systems lack it).
    virtual BOOL CallSetDefaultDllDirectories(FARPROC set_default_dll_directories, DWORD flags) = 0;
    // Calls an IsWow64Process2 found with GetProcAddress (Windows 10 1511 and later).
    virtual BOOL CallIsWow64Process2(FARPROC is_wow64_process2, HANDLE process,
                                     WORD* process_machine, WORD* native_machine) = 0;
    // GetNativeSystemInfo's processor architecture.
    virtual WORD GetNativeProcessorArchitecture() = 0;
    // Calls an IsWow64Process found with GetProcAddress (older systems lack it).
    virtual BOOL CallIsWow64Process(FARPROC is_wow64_process, HANDLE process, BOOL* wow64) = 0;
    virtual BOOL OpenProcessToken(HANDLE process, DWORD access, HANDLE* token) = 0;
    virtual BOOL GetTokenInformation(HANDLE token, int information_class, void* information,
                                     DWORD size, DWORD* returned) = 0;
    // The C run-time's _beginthread.
    virtual std::uintptr_t BeginThread(ThreadProc start, unsigned stack_size, void* argument) = 0;
};

// Processes, threads, tokens and mutexes: null when there is none.
using UniqueHandle = UniqueAny<Kernel, HANDLE, &Kernel::CloseHandle>;
// A mutex this thread owns: released, not closed (its UniqueHandle closes it).
using UniqueOwnership = UniqueAny<Kernel, HANDLE, &Kernel::ReleaseMutex>;
// Files: CreateFile gives INVALID_HANDLE_VALUE when it fails, not null.
using UniqueFile = UniqueAny<Kernel, HANDLE, &Kernel::CloseHandle, ~std::uintptr_t{0}>;
using UniqueLocal = UniqueAny<Kernel, void*, &Kernel::LocalFree>;

}  // namespace plat
