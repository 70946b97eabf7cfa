// The folders the system names for the program (Windows, system, temporary, its own), kept as the
// system gave them, and the paths made of them. The program's own file name comes with them.
#pragma once

#include <string_view>

#include "framework/module_name.h"
#include "platform/kernel.h"

namespace velmora {

// The Windows directory without a trailing backslash; empty when it cannot be had.
plat::Path WindowsDirectory(plat::Kernel& kernel);

// The full path of a file of the system directory, as the system should be asked for its own
// programs: a bare name is looked for in the program's folder first. Empty when it cannot be had,
// with the system's last error.
plat::Path SystemFilePath(plat::Kernel& kernel, std::u16string_view name);

// The temporary folder with its trailing backslash; empty when it cannot be had.
plat::Path TempDirectory(plat::Kernel& kernel);

// Everything of `file` up to and including its last backslash; empty when it has none.
plat::Path DirectoryOf(std::u16string_view file);

// The running program's directory with its trailing backslash; empty when the file name has
// no backslash or cannot be read whole.
plat::Path ModuleDirectory(plat::Kernel& kernel);

}  // namespace velmora
