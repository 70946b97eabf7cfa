// Profile adapter: one call per method.
#include <windows.h>

#include "platform/win32/adapters.h"

namespace plat::win32 {

unsigned ProfileWin32::GetPrivateProfileIntA(const char* section, const char* key,
                                             int default_value, const char* file) {
    return ::GetPrivateProfileIntA(section, key, default_value, file);
}
plat::DWORD ProfileWin32::GetPrivateProfileStringA(const char* section, const char* key,
                                                   const char* default_value, char* buffer,
                                                   plat::DWORD size, const char* file) {
    return ::GetPrivateProfileStringA(section, key, default_value, buffer, size, file);
}
plat::BOOL ProfileWin32::WritePrivateProfileStringA(const char* section, const char* key,
                                                    const char* value, const char* file) {
    return ::WritePrivateProfileStringA(section, key, value, file);
}
plat::DWORD ProfileWin32::GetProfileStringA(const char* section, const char* key,
                                            const char* default_value, char* buffer,
                                            plat::DWORD size) {
    return ::GetProfileStringA(section, key, default_value, buffer, size);
}
plat::BOOL ProfileWin32::WriteProfileStringA(const char* section, const char* key,
                                             const char* value) {
    return ::WriteProfileStringA(section, key, value);
}
std::intptr_t ProfileWin32::SendMessageTimeoutA(plat::HWND window, unsigned message,
                                                std::uintptr_t wparam, std::intptr_t lparam,
                                                unsigned flags, unsigned timeout,
                                                std::uintptr_t* result) {
    return ::SendMessageTimeoutA(static_cast<::HWND>(window), message, wparam, lparam, flags,
                                 timeout, reinterpret_cast<PDWORD_PTR>(result));
}

}  // namespace plat::win32
