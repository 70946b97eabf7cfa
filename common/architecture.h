// The processor architecture Windows itself runs on, which a 32-bit program under WOW64 does
// not share: a 64-bit spooler creates a queue only on a driver for its own architecture.
#pragma once

#include "platform/kernel.h"

namespace velmora {

struct Architecture {
    const char* name;           // "x86", "x64", "ARM64", ...
    const char* environment;    // the spooler's name for it; null for one the program cannot serve
    const char16_t* installer;  // the printer-UI installer's /h and /v for it
    bool wow64;                 // whether the program runs under WOW64
};

// The spooler's environment of 32-bit drivers, which a 32-bit program's calls name by default.
inline constexpr char kX86Environment[] = "Windows NT x86";

// IsWow64Process2 where Windows has it (10, 1511 and later), else IsWow64Process and
// GetNativeSystemInfo; outside WOW64, Windows is as wide as the program.
Architecture NativeArchitecture(plat::Kernel& kernel);

}  // namespace velmora
