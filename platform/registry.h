// Registry primitives.
#pragma once

#include <cstdint>

#include "platform/types.h"

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
    virtual LONG RegOpenKeyExA(HKEY root, const char* sub_key, DWORD options, DWORD access,
                               HKEY* result) = 0;
    virtual LONG RegSetValueExA(HKEY key, const char* value_name, DWORD reserved, DWORD type,
                                const BYTE* data, DWORD size) = 0;
    virtual LONG RegCloseKey(HKEY key) = 0;
};

}  // namespace plat
