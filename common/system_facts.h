// What the log's header tells about the machine and the program: the program's version, the
// Windows version, whether Windows is 64-bit, whether the process is elevated.
#pragma once

#include <string>

#include "platform/kernel.h"

namespace velmora {

// "1.0.0.0": the program's version, the one its version resource holds.
inline constexpr char kProgramVersion[] = VELMORA_VERSION;

// "Windows 6.1.7601 Service Pack 1 (NT), 64-bit (WOW64)": the version the system reports
// to this program, its family, and its width. The driver package is 32-bit, so a 32-bit
// program under WOW64 is worth telling apart.
std::string WindowsDescription(plat::Kernel& kernel);

// "yes", "no", or "unknown" where the system has no elevation (before Windows Vista).
const char* ElevationText(plat::Kernel& kernel);

// Decimal text of an unsigned number.
std::string Decimal(unsigned long value);

}  // namespace velmora
