// The Win32 adapters behind the platform interfaces.
#pragma once

#include "platform/os.h"

namespace plat::win32 {

class ServicesWin32 final : public ServiceManager {
  public:
    SC_HANDLE OpenSCManagerA(const char* machine, const char* database, DWORD access) override;
    SC_HANDLE OpenServiceA(SC_HANDLE manager, const char* name, DWORD access) override;
    BOOL StartServiceA(SC_HANDLE service, DWORD argc, const char** argv) override;
    BOOL ControlService(SC_HANDLE service, DWORD control, ServiceStatus* status) override;
    BOOL QueryServiceStatus(SC_HANDLE service, ServiceStatus* status) override;
    BOOL CloseServiceHandle(SC_HANDLE handle) override;
};

class SpoolerWin32 final : public Spooler {
  public:
    BOOL OpenPrinterA(const char* name, PRINTER_HANDLE* printer,
                      const PrinterDefaults* defaults) override;
    BOOL ClosePrinter(PRINTER_HANDLE printer) override;
    PRINTER_HANDLE AddPrinterA(const char* server, DWORD level, BYTE* info) override;
    BOOL DeletePrinter(PRINTER_HANDLE printer) override;
    BOOL DeletePrinterDriverA(const char* server, const char* environment,
                              const char* driver) override;
    BOOL GetPrinterA(PRINTER_HANDLE printer, DWORD level, BYTE* buffer, DWORD size,
                     DWORD* needed) override;
    BOOL XcvDataW(PRINTER_HANDLE xcv, const char16_t* command, const BYTE* input, DWORD input_size,
                  BYTE* output, DWORD output_size, DWORD* needed, DWORD* status) override;
    BOOL GetPrinterDriverDirectoryW(const char* server, const char* environment, DWORD level,
                                    BYTE* buffer, DWORD size, DWORD* needed) override;
    BOOL GetPrintProcessorDirectoryW(const char* server, const char* environment, DWORD level,
                                     BYTE* buffer, DWORD size, DWORD* needed) override;
    BOOL EnumPortsA(const char* server, DWORD level, BYTE* buffer, DWORD size, DWORD* needed,
                    DWORD* returned) override;
    BOOL EnumPrinterDriversA(const char* server, const char* environment, DWORD level, BYTE* buffer,
                             DWORD size, DWORD* needed, DWORD* returned) override;
    BOOL SetDefaultPrinterA(const char* printer) override;
};

class KernelWin32 final : public Kernel {
  public:
    DWORD GetModuleFileNameW(HMODULE module, char16_t* buffer, DWORD size) override;
    const char16_t* GetCommandLineW() override;
    BOOL IsValidCodePage(unsigned code_page) override;
    int MultiByteToWideChar(unsigned code_page, DWORD flags, const char* text, int length,
                            char16_t* buffer, int size) override;
    unsigned GetWindowsDirectoryW(char16_t* buffer, unsigned size) override;
    unsigned GetSystemDirectoryW(char16_t* buffer, unsigned size) override;
    DWORD GetTempPathW(DWORD size, char16_t* buffer) override;
    BOOL CopyFileW(const char16_t* source, const char16_t* target, BOOL fail_if_exists) override;
    BOOL DeleteFileW(const char16_t* path) override;
    BOOL SetCurrentDirectoryW(const char16_t* path) override;
    BOOL GetUserNameW(char16_t* buffer, DWORD* size) override;
    void GetStartupInfoW(StartupInfo* info) override;
    BOOL CreateProcessW(const char16_t* application, char16_t* command_line,
                        void* process_attributes, void* thread_attributes, BOOL inherit_handles,
                        DWORD creation_flags, void* environment, const char16_t* current_directory,
                        StartupInfo* startup, ProcessInformation* process) override;
    DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) override;
    HANDLE CreateMutexW(const char16_t* sddl, const char16_t* name) override;
    BOOL ReleaseMutex(HANDLE mutex) override;
    BOOL CloseHandle(HANDLE handle) override;
    void Sleep(DWORD milliseconds) override;
    DWORD GetLastError() override;
    void SetLastError(DWORD error) override;
    BOOL GetVersionExA(OsVersionInfo* info) override;
    FARPROC GetProcAddress(HMODULE module, const char* name) override;
    HANDLE CreateFileW(const char16_t* path, DWORD access, DWORD share, void* security,
                       DWORD disposition, DWORD flags, HANDLE template_file) override;
    BOOL ReadFile(HANDLE file, void* data, DWORD size, DWORD* read, void* overlapped) override;
    BOOL WriteFile(HANDLE file, const void* data, DWORD size, DWORD* written,
                   void* overlapped) override;
    DWORD GetFileSize(HANDLE file, DWORD* high) override;
    DWORD GetFileType(HANDLE file) override;
    BOOL GetFileInformationByHandle(HANDLE file, FileInformation* information) override;
    BOOL SetFileRenameInformation(HANDLE file, const char16_t* target, BOOL replace) override;
    DWORD GetSecurityInfo(HANDLE object, int object_type, DWORD what, void** owner,
                          void** descriptor) override;
    void* LocalFree(void* memory) override;
    void GetLocalTime(SystemTime* time) override;
    BOOL GetExitCodeProcess(HANDLE process, DWORD* code) override;
    HANDLE GetCurrentProcess() override;
    DWORD GetCurrentProcessId() override;
    BOOL ProcessIdToSessionId(DWORD process_id, DWORD* session) override;
    BOOL CallSetDefaultDllDirectories(FARPROC set_default_dll_directories, DWORD flags) override;
    HMODULE GetModuleHandleW(const char16_t* name) override;
    BOOL CallIsWow64Process(FARPROC is_wow64_process, HANDLE process, BOOL* wow64) override;
    BOOL CallIsWow64Process2(FARPROC is_wow64_process2, HANDLE process, WORD* process_machine,
                             WORD* native_machine) override;
    WORD GetNativeProcessorArchitecture() override;
    BOOL OpenProcessToken(HANDLE process, DWORD access, HANDLE* token) override;
    BOOL GetTokenInformation(HANDLE token, int information_class, void* information, DWORD size,
                             DWORD* returned) override;
    std::uintptr_t BeginThread(ThreadProc start, unsigned stack_size, void* argument) override;
};

class RegistryWin32 final : public Registry {
  public:
    LONG RegOpenKeyExW(HKEY root, const char16_t* sub_key, DWORD options, DWORD access,
                       HKEY* result) override;
    LONG RegSetValueExW(HKEY key, const char16_t* value_name, DWORD reserved, DWORD type,
                        const BYTE* data, DWORD size) override;
    LONG RegCloseKey(HKEY key) override;
};

class ProfileWin32 final : public Profile {
  public:
    unsigned GetPrivateProfileIntA(const char* section, const char* key, int default_value,
                                   const char* file) override;
    DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* default_value,
                                   char* buffer, DWORD size, const char* file) override;
    BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                    const char* file) override;
    DWORD GetProfileStringA(const char* section, const char* key, const char* default_value,
                            char* buffer, DWORD size) override;
    std::intptr_t SendMessageTimeoutA(HWND window, unsigned message, std::uintptr_t wparam,
                                      std::intptr_t lparam, unsigned flags, unsigned timeout,
                                      std::uintptr_t* result) override;
};

class InternetWin32 final : public Internet {
  public:
    HINTERNET InternetOpenW(const char16_t* agent, DWORD access_type, DWORD flags) override;
    BOOL InternetSetOptionExA(HINTERNET internet, DWORD option, void* buffer, DWORD length,
                              DWORD flags) override;
    HINTERNET InternetConnectA(HINTERNET internet, const char* server, WORD port, const char* user,
                               const char* password, DWORD service, DWORD flags,
                               std::uintptr_t context) override;
    HINTERNET HttpOpenRequestA(HINTERNET connect, const char* verb, const char* object,
                               const char* version, const char* referrer, const char** accept_types,
                               DWORD flags, std::uintptr_t context) override;
    BOOL HttpSendRequestA(HINTERNET request, const char* headers, DWORD headers_length,
                          void* optional, DWORD optional_length) override;
    BOOL InternetReadFile(HINTERNET file, void* buffer, DWORD to_read, DWORD* read) override;
    BOOL InternetCloseHandle(HINTERNET internet) override;
};

class UiWin32 final : public Ui {
  public:
    BOOL InitCommonControlsEx(DWORD size, DWORD classes) override;
    int LoadStringA(unsigned id, char* buffer, int size) override;
    HWND GetActiveWindow() override;
    int MessageBoxIndirect(HWND owner, const char* text, const char16_t* caption, DWORD style,
                           DWORD context_help_id) override;
    HANDLE GetProcessWindowStation() override;
    BOOL GetUserObjectInformationW(HANDLE object, int index, void* information, DWORD size,
                                   DWORD* needed) override;
};

class SocketsWin32 final : public Sockets {
  public:
    int WSAStartup(WORD requested, WsaVersion* data) override;
    int WSACleanup() override;
    void WSASetLastError(int error) override;
};

}  // namespace plat::win32
