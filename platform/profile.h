// Profile (INI file) primitives and the settings-change broadcast that goes with win.ini.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace plat {

using HWND = HANDLE;

inline HWND HwndBroadcast() { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0xFFFF)); }

constexpr unsigned kWmWininichange = 0x001A;
constexpr unsigned kSmtoNormal = 0x0000;

class Profile {
  public:
    virtual ~Profile() = default;
    virtual unsigned GetPrivateProfileIntA(const char* section, const char* key, int default_value,
                                           const char* file) = 0;
    virtual DWORD GetPrivateProfileStringA(const char* section, const char* key,
                                           const char* default_value, char* buffer, DWORD size,
                                           const char* file) = 0;
    virtual BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                            const char* file) = 0;
    virtual DWORD GetProfileStringA(const char* section, const char* key, const char* default_value,
                                    char* buffer, DWORD size) = 0;
    virtual std::intptr_t SendMessageTimeoutA(HWND window, unsigned message, std::uintptr_t wparam,
                                              std::intptr_t lparam, unsigned flags,
                                              unsigned timeout, std::uintptr_t* result) = 0;
};

}  // namespace plat
