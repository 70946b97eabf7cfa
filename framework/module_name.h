// The running program's own file name, and the application's name the framework takes from it.
#pragma once

#include <string>

#include "platform/kernel.h"

namespace velmora {

// The running program's full file name, as the system gives it; empty when it cannot be had
// whole.
plat::Path ModuleFileName(plat::Kernel& kernel);

// The running executable's file name without directory and extension ("Velmora"): the caption
// of the application's message boxes and the report's user agent.
std::u16string ApplicationName(plat::Kernel& kernel);

}  // namespace velmora
