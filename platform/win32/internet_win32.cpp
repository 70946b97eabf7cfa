// WinINet adapter: one call per method.
#include <windows.h>

#include <wininet.h>

#include "platform/win32/adapters.h"

namespace plat::win32 {

plat::HINTERNET InternetWin32::InternetOpenA(const char* agent, plat::DWORD access_type,
                                             const char* proxy, const char* proxy_bypass,
                                             plat::DWORD flags) {
    return ::InternetOpenA(agent, access_type, proxy, proxy_bypass, flags);
}
plat::BOOL InternetWin32::InternetSetOptionExA(plat::HINTERNET internet, plat::DWORD option,
                                               void* buffer, plat::DWORD length,
                                               plat::DWORD flags) {
    return ::InternetSetOptionExA(internet, option, buffer, length, flags);
}
plat::HINTERNET InternetWin32::InternetConnectA(plat::HINTERNET internet, const char* server,
                                                plat::WORD port, const char* user,
                                                const char* password, plat::DWORD service,
                                                plat::DWORD flags, std::uintptr_t context) {
    return ::InternetConnectA(internet, server, port, user, password, service, flags, context);
}
plat::HINTERNET InternetWin32::HttpOpenRequestA(plat::HINTERNET connect, const char* verb,
                                                const char* object, const char* version,
                                                const char* referrer, const char** accept_types,
                                                plat::DWORD flags, std::uintptr_t context) {
    return ::HttpOpenRequestA(connect, verb, object, version, referrer, accept_types, flags,
                              context);
}
plat::BOOL InternetWin32::HttpSendRequestA(plat::HINTERNET request, const char* headers,
                                           plat::DWORD headers_length, void* optional,
                                           plat::DWORD optional_length) {
    return ::HttpSendRequestA(request, headers, headers_length, optional, optional_length);
}
plat::BOOL InternetWin32::InternetReadFile(plat::HINTERNET file, void* buffer, plat::DWORD to_read,
                                           plat::DWORD* read) {
    return ::InternetReadFile(file, buffer, to_read, reinterpret_cast<LPDWORD>(read));
}
plat::BOOL InternetWin32::InternetCloseHandle(plat::HINTERNET internet) {
    return ::InternetCloseHandle(internet);
}

}  // namespace plat::win32
