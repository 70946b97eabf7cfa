// Registry adapter: one call per method.
#include <windows.h>

#include "platform/win32/adapters.h"

namespace plat::win32 {

plat::LONG RegistryWin32::RegOpenKeyExA(plat::HKEY root, const char* sub_key, plat::DWORD options,
                                        plat::DWORD access, plat::HKEY* result) {
    return ::RegOpenKeyExA(static_cast<::HKEY>(root), sub_key, options, access,
                           reinterpret_cast<::PHKEY>(result));
}
plat::LONG RegistryWin32::RegSetValueExA(plat::HKEY key, const char* value_name,
                                         plat::DWORD reserved, plat::DWORD type,
                                         const plat::BYTE* data, plat::DWORD size) {
    return ::RegSetValueExA(static_cast<::HKEY>(key), value_name, reserved, type, data, size);
}
plat::LONG RegistryWin32::RegCloseKey(plat::HKEY key) {
    return ::RegCloseKey(static_cast<::HKEY>(key));
}

}  // namespace plat::win32
