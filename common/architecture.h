// The processor architecture Windows itself runs on, which a 32-bit program under WOW64 does
// not share: a 64-bit spooler creates a queue only on a driver for its own architecture.
#pragma once

#include "platform/kernel.h"

namespace velmora {

struct Architecture {
    const char* name;         // "x86", "x64", "ARM64", ...
    const char* environment;  // the spooler's name for it; null for one the program cannot serve
    const char* installer;    // the printer-UI installer's /h and /v for it
    bool wow64;               // whether the program runs under WOW64
};

// IsWow64Process2 where Windows has it (10, 1511 and later), else IsWow64Process and
// GetNativeSystemInfo; outside WOW64, Windows is as wide as the program.
Architecture NativeArchitecture(plat::Kernel& kernel);

}  // namespace velmora
