// Profile adapter: one call per method. The settings file is the system's ANSI code page, as
// the printer's converter reads it, so its private-profile calls stay A; win.ini's default
// printer is the program's text, code page 936, taken as UTF-16.
#include <windows.h>

#include "platform/win32/adapters.h"
#include "platform/win32/text_win32.h"

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
    const Wide wide_section(section), wide_key(key), wide_default(default_value);
    if (size == 0) return 0;
    buffer[0] = '\0';
    if (!wide_section.ok() || !wide_key.ok() || !wide_default.ok()) return 0;
    wchar_t text[1024] = {};
    (void)::GetProfileStringW(wide_section.get(), wide_key.get(), wide_default.get(), text, 1024);
    return ToGbk(text, -1, buffer, size);
}
std::intptr_t ProfileWin32::SendMessageTimeoutA(plat::HWND window, unsigned message,
                                                std::uintptr_t wparam, std::intptr_t lparam,
                                                unsigned flags, unsigned timeout,
                                                std::uintptr_t* result) {
    return ::SendMessageTimeoutA(static_cast<::HWND>(window), message, wparam, lparam, flags,
                                 timeout, reinterpret_cast<PDWORD_PTR>(result));
}

}  // namespace plat::win32
