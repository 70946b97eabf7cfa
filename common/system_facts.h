// What the log's header tells about the machine and the program: the program's version from
// its version resource, the Windows version, whether Windows is 64-bit, whether the process
// is elevated.
#pragma once

#include <string>

#include "platform/kernel.h"

namespace velmora {

// "1.0.0.0", from the file version of the running program's version resource; "unknown"
// when it has none.
std::string ProgramVersion(plat::Kernel& kernel);

// "Windows 6.1.7601 Service Pack 1 (NT), 64-bit (WOW64)": the version the system reports
// to this program, its family, and its width. The driver package is 32-bit, so a 32-bit
// program under WOW64 is worth telling apart.
std::string WindowsDescription(plat::Kernel& kernel);

// "yes", "no", or "unknown" where the system has no elevation (before Windows Vista).
const char* ElevationText(plat::Kernel& kernel);

// Decimal text of an unsigned number.
std::string Decimal(unsigned long value);

}  // namespace velmora
