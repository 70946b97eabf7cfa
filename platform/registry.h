// Registry primitives.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace plat {

using HKEY = HANDLE;

inline HKEY HkeyLocalMachine() {
    return reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u));
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
