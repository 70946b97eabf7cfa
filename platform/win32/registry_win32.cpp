// Registry adapter: one call per method.
#include <windows.h>

#include "platform/win32/adapters.h"

namespace plat::win32 {

plat::LONG RegistryWin32::RegOpenKeyExW(plat::HKEY root, const char16_t* sub_key,
                                        plat::DWORD options, plat::DWORD access,
                                        plat::HKEY* result) {
    return ::RegOpenKeyExW(static_cast<::HKEY>(root), reinterpret_cast<LPCWSTR>(sub_key), options,
                           access, reinterpret_cast<::PHKEY>(result));
}
plat::LONG RegistryWin32::RegSetValueExW(plat::HKEY key, const char16_t* value_name,
                                         plat::DWORD reserved, plat::DWORD type,
                                         const plat::BYTE* data, plat::DWORD size) {
    return ::RegSetValueExW(static_cast<::HKEY>(key), reinterpret_cast<LPCWSTR>(value_name),
                            reserved, type, data, size);
}
plat::LONG RegistryWin32::RegCloseKey(plat::HKEY key) {
    return ::RegCloseKey(static_cast<::HKEY>(key));
}

}  // namespace plat::win32
