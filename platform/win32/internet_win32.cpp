// WinINet adapter: one call per method, each looked up on its first call.
#include <windows.h>

#include <wininet.h>

#include "platform/win32/adapters.h"
#include "platform/win32/lazy_import.h"

namespace plat::win32 {
namespace {

constexpr char kWininetDll[] = "wininet.dll";
LazyDll<kWininetDll> g_wininet;
LazyFunction<decltype(&::InternetOpenW), g_wininet> g_open;
LazyFunction<decltype(&::InternetSetOptionExA), g_wininet> g_set_option;
LazyFunction<decltype(&::InternetConnectA), g_wininet> g_connect;
LazyFunction<decltype(&::HttpOpenRequestA), g_wininet> g_open_request;
LazyFunction<decltype(&::HttpSendRequestA), g_wininet> g_send_request;
LazyFunction<decltype(&::InternetReadFile), g_wininet> g_read_file;
LazyFunction<decltype(&::InternetCloseHandle), g_wininet> g_close_handle;

}  // namespace

plat::HINTERNET InternetWin32::InternetOpenW(const char16_t* agent, plat::DWORD access_type,
                                             plat::DWORD flags) {
    return g_open.CallOr("InternetOpenW", nullptr, reinterpret_cast<LPCWSTR>(agent), access_type,
                         nullptr, nullptr, flags);
}
plat::BOOL InternetWin32::InternetSetOptionExA(plat::HINTERNET internet, plat::DWORD option,
                                               void* buffer, plat::DWORD length,
                                               plat::DWORD flags) {
    return g_set_option.CallOr("InternetSetOptionExA", FALSE, internet, option, buffer, length,
                               flags);
}
plat::HINTERNET InternetWin32::InternetConnectA(plat::HINTERNET internet, const char* server,
                                                plat::WORD port, const char* user,
                                                const char* password, plat::DWORD service,
                                                plat::DWORD flags, std::uintptr_t context) {
    return g_connect.CallOr("InternetConnectA", nullptr, internet, server, port, user, password,
                            service, flags, context);
}
plat::HINTERNET InternetWin32::HttpOpenRequestA(plat::HINTERNET connect, const char* verb,
                                                const char* object, const char* version,
                                                const char* referrer, const char** accept_types,
                                                plat::DWORD flags, std::uintptr_t context) {
    return g_open_request.CallOr("HttpOpenRequestA", nullptr, connect, verb, object, version,
                                 referrer, accept_types, flags, context);
}
plat::BOOL InternetWin32::HttpSendRequestA(plat::HINTERNET request, const char* headers,
                                           plat::DWORD headers_length, void* optional,
                                           plat::DWORD optional_length) {
    return g_send_request.CallOr("HttpSendRequestA", FALSE, request, headers, headers_length,
                                 optional, optional_length);
}
plat::BOOL InternetWin32::InternetReadFile(plat::HINTERNET file, void* buffer, plat::DWORD to_read,
                                           plat::DWORD* read) {
    return g_read_file.CallOr("InternetReadFile", FALSE, file, buffer, to_read,
                              reinterpret_cast<LPDWORD>(read));
}
plat::BOOL InternetWin32::InternetCloseHandle(plat::HINTERNET internet) {
    return g_close_handle.CallOr("InternetCloseHandle", FALSE, internet);
}

}  // namespace plat::win32
