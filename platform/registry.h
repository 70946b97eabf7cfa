// Registry primitives.
#pragma once

#include <cstdint>

#include "platform/types.h"
#include "platform/unique_any.h"

namespace plat {

using HKEY = HANDLE;

// The system defines the predefined keys as 32-bit signed values widened to a pointer, so a
// 64-bit build holds 0xFFFFFFFF80000002, not 0x80000002.
inline HKEY HkeyLocalMachine() {
    return reinterpret_cast<HKEY>(
        static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80000002u)));
}

constexpr DWORD kKeyAllAccess = 0xF003F;
constexpr DWORD kRegSz = 1;

class Registry {
  public:
    virtual ~Registry() = default;
    virtual LONG RegOpenKeyExW(HKEY root, const char16_t* sub_key, DWORD options, DWORD access,
                               HKEY* result) = 0;
    // A REG_SZ value's data is UTF-16 with its terminator; `size` counts its bytes.
    virtual LONG RegSetValueExW(HKEY key, const char16_t* value_name, DWORD reserved, DWORD type,
                                const BYTE* data, DWORD size) = 0;
    virtual LONG RegCloseKey(HKEY key) = 0;
};

// An open key, or the predefined root it started from; closed with RegCloseKey either way.
using UniqueKey = UniqueAny<Registry, HKEY, &Registry::RegCloseKey>;

}  // namespace plat
