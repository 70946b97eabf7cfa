// Registry adapter: one call per method, the program's code page 936 texts given as UTF-16.
#include <windows.h>

#include "platform/win32/adapters.h"
#include "platform/win32/text_win32.h"

namespace plat::win32 {

plat::LONG RegistryWin32::RegOpenKeyExA(plat::HKEY root, const char* sub_key, plat::DWORD options,
                                        plat::DWORD access, plat::HKEY* result) {
    return ::RegOpenKeyExW(static_cast<::HKEY>(root), Wide(sub_key).get(), options, access,
                           reinterpret_cast<::PHKEY>(result));
}
plat::LONG RegistryWin32::RegSetValueExA(plat::HKEY key, const char* value_name,
                                         plat::DWORD reserved, plat::DWORD type,
                                         const plat::BYTE* data, plat::DWORD size) {
    // Only texts are written (REG_SZ): the value is the UTF-16 form, terminator included.
    (void)size;
    const Wide text(reinterpret_cast<const char*>(data));
    return ::RegSetValueExW(static_cast<::HKEY>(key), Wide(value_name).get(), reserved, type,
                            reinterpret_cast<const BYTE*>(text.get()),
                            static_cast<::DWORD>((::lstrlenW(text.get()) + 1) * sizeof(wchar_t)));
}
plat::LONG RegistryWin32::RegCloseKey(plat::HKEY key) {
    return ::RegCloseKey(static_cast<::HKEY>(key));
}

}  // namespace plat::win32
