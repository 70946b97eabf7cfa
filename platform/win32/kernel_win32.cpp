// Kernel and C run-time adapter: one call per method.
#include <windows.h>

#include <aclapi.h>
#include <process.h>
#include <sddl.h>

#include <cstddef>
#include <memory>
#include <string>

#include "platform/win32/adapters.h"
#include "platform/win32/lazy_import.h"

namespace plat::win32 {
namespace {

// Windows Vista and later: looked up, so that the program still starts on older systems.
constexpr char kKernel32Dll[] = "kernel32.dll";
LazyDll<kKernel32Dll> g_kernel32;
LazyFunction<decltype(&::SetFileInformationByHandle), g_kernel32> g_set_file_information;

}  // namespace

static_assert(sizeof(plat::StartupInfo) == sizeof(STARTUPINFOW), "STARTUPINFOW layout");
static_assert(sizeof(plat::ProcessInformation) == sizeof(PROCESS_INFORMATION), "layout");
static_assert(sizeof(plat::OsVersionInfo) == sizeof(OSVERSIONINFOA), "OSVERSIONINFOA layout");
static_assert(sizeof(plat::SystemTime) == sizeof(SYSTEMTIME), "SYSTEMTIME layout");
static_assert(sizeof(char16_t) == sizeof(WCHAR), "UTF-16 texts are passed through as they are");
static_assert(sizeof(plat::FileInformation) == sizeof(BY_HANDLE_FILE_INFORMATION), "layout");
static_assert(offsetof(plat::FileInformation, nNumberOfLinks) ==
              offsetof(BY_HANDLE_FILE_INFORMATION, nNumberOfLinks));
static_assert(plat::kFileFlagOpenReparsePoint == FILE_FLAG_OPEN_REPARSE_POINT &&
                  plat::kFileAttributeReparsePoint == FILE_ATTRIBUTE_REPARSE_POINT &&
                  plat::kSeFileObject == SE_FILE_OBJECT && plat::kTokenUser == TokenUser &&
                  plat::kLoadLibrarySearchSystem32 == LOAD_LIBRARY_SEARCH_SYSTEM32,
              "constants as the system defines them");
static_assert(plat::kTokenElevation == TokenElevation &&
                  plat::kFileAppendData == FILE_APPEND_DATA && plat::kWaitTimeout == WAIT_TIMEOUT,
              "constants as the system defines them");
static_assert(plat::kSeKernelObject == SE_KERNEL_OBJECT && plat::kWaitAbandoned == WAIT_ABANDONED,
              "constants as the system defines them");
static_assert(plat::kFileReadData == FILE_READ_DATA && plat::kWaitObject0 == WAIT_OBJECT_0,
              "constants as the system defines them");

namespace {

LPCWSTR W(const char16_t* text) { return reinterpret_cast<LPCWSTR>(text); }
LPWSTR W(char16_t* text) { return reinterpret_cast<LPWSTR>(text); }

}  // namespace

plat::DWORD KernelWin32::GetModuleFileNameW(plat::HMODULE module, char16_t* buffer,
                                            plat::DWORD size) {
    return ::GetModuleFileNameW(static_cast<::HMODULE>(module), W(buffer), size);
}
const char16_t* KernelWin32::GetCommandLineW() {
    return reinterpret_cast<const char16_t*>(::GetCommandLineW());
}
plat::BOOL KernelWin32::IsValidCodePage(unsigned code_page) { return ::IsValidCodePage(code_page); }
int KernelWin32::MultiByteToWideChar(unsigned code_page, plat::DWORD flags, const char* text,
                                     int length, char16_t* buffer, int size) {
    return ::MultiByteToWideChar(code_page, flags, text, length, W(buffer), size);
}
unsigned KernelWin32::GetWindowsDirectoryW(char16_t* buffer, unsigned size) {
    return ::GetWindowsDirectoryW(W(buffer), size);
}
unsigned KernelWin32::GetSystemDirectoryW(char16_t* buffer, unsigned size) {
    return ::GetSystemDirectoryW(W(buffer), size);
}
plat::DWORD KernelWin32::GetTempPathW(plat::DWORD size, char16_t* buffer) {
    return ::GetTempPathW(size, W(buffer));
}
plat::BOOL KernelWin32::CopyFileW(const char16_t* source, const char16_t* target,
                                  plat::BOOL fail_if_exists) {
    return ::CopyFileW(W(source), W(target), fail_if_exists);
}
plat::BOOL KernelWin32::DeleteFileW(const char16_t* path) { return ::DeleteFileW(W(path)); }
plat::BOOL KernelWin32::SetCurrentDirectoryW(const char16_t* path) {
    return ::SetCurrentDirectoryW(W(path));
}
plat::BOOL KernelWin32::GetUserNameW(char16_t* buffer, plat::DWORD* size) {
    return ::GetUserNameW(W(buffer), reinterpret_cast<::DWORD*>(size));
}
void KernelWin32::GetStartupInfoW(plat::StartupInfo* info) {
    ::GetStartupInfoW(reinterpret_cast<STARTUPINFOW*>(info));
}
plat::BOOL KernelWin32::CreateProcessW(const char16_t* application, char16_t* command_line,
                                       void* process_attributes, void* thread_attributes,
                                       plat::BOOL inherit_handles, plat::DWORD creation_flags,
                                       void* environment, const char16_t* current_directory,
                                       plat::StartupInfo* startup,
                                       plat::ProcessInformation* process) {
    return ::CreateProcessW(
        W(application), W(command_line), static_cast<SECURITY_ATTRIBUTES*>(process_attributes),
        static_cast<SECURITY_ATTRIBUTES*>(thread_attributes), inherit_handles, creation_flags,
        environment, W(current_directory), reinterpret_cast<STARTUPINFOW*>(startup),
        reinterpret_cast<PROCESS_INFORMATION*>(process));
}
plat::DWORD KernelWin32::WaitForSingleObject(plat::HANDLE handle, plat::DWORD milliseconds) {
    return ::WaitForSingleObject(handle, milliseconds);
}
plat::HANDLE KernelWin32::CreateMutexW(const char16_t* sddl, const char16_t* name) {
    SECURITY_ATTRIBUTES security{sizeof security, nullptr, FALSE};
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(
            W(sddl), SDDL_REVISION_1, &security.lpSecurityDescriptor, nullptr)) {
        return nullptr;
    }
    const HANDLE mutex = ::CreateMutexW(&security, FALSE, W(name));
    const DWORD error = ::GetLastError();  // whether it existed: LocalFree must not change it
    (void)::LocalFree(security.lpSecurityDescriptor);
    ::SetLastError(error);
    return mutex;
}
plat::BOOL KernelWin32::ReleaseMutex(plat::HANDLE mutex) { return ::ReleaseMutex(mutex); }
plat::BOOL KernelWin32::CloseHandle(plat::HANDLE handle) { return ::CloseHandle(handle); }
void KernelWin32::Sleep(plat::DWORD milliseconds) { ::Sleep(milliseconds); }
plat::DWORD KernelWin32::GetLastError() { return ::GetLastError(); }
void KernelWin32::SetLastError(plat::DWORD error) { ::SetLastError(error); }
plat::BOOL KernelWin32::GetVersionExA(plat::OsVersionInfo* info) {
    return ::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(info));
}
plat::FARPROC KernelWin32::GetProcAddress(plat::HMODULE module, const char* name) {
    return reinterpret_cast<plat::FARPROC>(::GetProcAddress(static_cast<::HMODULE>(module), name));
}
plat::HANDLE KernelWin32::CreateFileW(const char16_t* path, plat::DWORD access, plat::DWORD share,
                                      void* security, plat::DWORD disposition, plat::DWORD flags,
                                      plat::HANDLE template_file) {
    return ::CreateFileW(W(path), access, share, static_cast<SECURITY_ATTRIBUTES*>(security),
                         disposition, flags, template_file);
}
plat::BOOL KernelWin32::ReadFile(plat::HANDLE file, void* data, plat::DWORD size, plat::DWORD* read,
                                 void* overlapped) {
    return ::ReadFile(file, data, size, reinterpret_cast<::DWORD*>(read),
                      static_cast<OVERLAPPED*>(overlapped));
}
plat::BOOL KernelWin32::WriteFile(plat::HANDLE file, const void* data, plat::DWORD size,
                                  plat::DWORD* written, void* overlapped) {
    return ::WriteFile(file, data, size, reinterpret_cast<::DWORD*>(written),
                       static_cast<OVERLAPPED*>(overlapped));
}
plat::DWORD KernelWin32::GetFileSize(plat::HANDLE file, plat::DWORD* high) {
    return ::GetFileSize(file, reinterpret_cast<::DWORD*>(high));
}
plat::DWORD KernelWin32::GetFileType(plat::HANDLE file) { return ::GetFileType(file); }
plat::BOOL KernelWin32::GetFileInformationByHandle(plat::HANDLE file,
                                                   plat::FileInformation* information) {
    return ::GetFileInformationByHandle(file,
                                        reinterpret_cast<BY_HANDLE_FILE_INFORMATION*>(information));
}
plat::BOOL KernelWin32::SetFileRenameInformation(plat::HANDLE file, const char16_t* target,
                                                 plat::BOOL replace) {
    const DWORD name_bytes =
        static_cast<DWORD>(std::char_traits<char16_t>::length(target) * sizeof(WCHAR));
    const DWORD size =
        static_cast<DWORD>(offsetof(FILE_RENAME_INFO, FileName)) + name_bytes + sizeof(WCHAR);
    const std::unique_ptr<char[]> block(new char[size]());
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(block.get());
    info->ReplaceIfExists = replace ? TRUE : FALSE;
    info->RootDirectory = nullptr;
    info->FileNameLength = name_bytes;
    ::CopyMemory(info->FileName, target, name_bytes);
    return g_set_file_information.CallOr("SetFileInformationByHandle", FALSE, file, FileRenameInfo,
                                         info, size);
}
plat::DWORD KernelWin32::GetSecurityInfo(plat::HANDLE object, int object_type, plat::DWORD what,
                                         void** owner, void** descriptor) {
    return ::GetSecurityInfo(object, static_cast<SE_OBJECT_TYPE>(object_type), what, owner, nullptr,
                             nullptr, nullptr, descriptor);
}
void* KernelWin32::LocalFree(void* memory) { return ::LocalFree(memory); }
void KernelWin32::GetLocalTime(plat::SystemTime* time) {
    ::GetLocalTime(reinterpret_cast<SYSTEMTIME*>(time));
}
plat::BOOL KernelWin32::GetExitCodeProcess(plat::HANDLE process, plat::DWORD* code) {
    return ::GetExitCodeProcess(process, reinterpret_cast<::DWORD*>(code));
}
plat::HANDLE KernelWin32::GetCurrentProcess() { return ::GetCurrentProcess(); }
plat::DWORD KernelWin32::GetCurrentProcessId() { return ::GetCurrentProcessId(); }
plat::BOOL KernelWin32::ProcessIdToSessionId(plat::DWORD process_id, plat::DWORD* session) {
    return ::ProcessIdToSessionId(process_id, reinterpret_cast<::DWORD*>(session));
}
plat::BOOL KernelWin32::CallSetDefaultDllDirectories(plat::FARPROC set_default_dll_directories,
                                                     plat::DWORD flags) {
    using SetDefaultDllDirectoriesFn = decltype(&::SetDefaultDllDirectories);
    return reinterpret_cast<SetDefaultDllDirectoriesFn>(set_default_dll_directories)(flags);
}
plat::HMODULE KernelWin32::GetModuleHandleW(const char16_t* name) {
    return ::GetModuleHandleW(W(name));
}
plat::BOOL KernelWin32::CallIsWow64Process(plat::FARPROC is_wow64_process, plat::HANDLE process,
                                           plat::BOOL* wow64) {
    // WINAPI: stdcall in the 32-bit program, where a plain pointer would unbalance the stack.
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    return reinterpret_cast<IsWow64ProcessFn>(is_wow64_process)(process, wow64);
}
plat::BOOL KernelWin32::CallIsWow64Process2(plat::FARPROC is_wow64_process2, plat::HANDLE process,
                                            plat::WORD* process_machine,
                                            plat::WORD* native_machine) {
    using IsWow64Process2Fn = decltype(&::IsWow64Process2);
    return reinterpret_cast<IsWow64Process2Fn>(is_wow64_process2)(process, process_machine,
                                                                  native_machine);
}
plat::WORD KernelWin32::GetNativeProcessorArchitecture() {
    SYSTEM_INFO info{};
    ::GetNativeSystemInfo(&info);
    return info.wProcessorArchitecture;
}
plat::BOOL KernelWin32::OpenProcessToken(plat::HANDLE process, plat::DWORD access,
                                         plat::HANDLE* token) {
    return ::OpenProcessToken(process, access, token);
}
plat::BOOL KernelWin32::GetTokenInformation(plat::HANDLE token, int information_class,
                                            void* information, plat::DWORD size,
                                            plat::DWORD* returned) {
    return ::GetTokenInformation(token, static_cast<TOKEN_INFORMATION_CLASS>(information_class),
                                 information, size, reinterpret_cast<::DWORD*>(returned));
}
std::uintptr_t KernelWin32::BeginThread(plat::ThreadProc start, unsigned stack_size,
                                        void* argument) {
    return ::_beginthread(start, stack_size, argument);
}

}  // namespace plat::win32
