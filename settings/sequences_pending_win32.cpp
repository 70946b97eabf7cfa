// Stand-ins for the install and uninstall sequences until they are built; the lead removes
// this file when they are merged.
#include "install/sequences.h"

namespace velmora {

plat::BOOL InstallPrinter(plat::Os&) { return plat::kFalse; }
plat::BOOL UninstallPrinter(plat::Os&) { return plat::kFalse; }

}  // namespace velmora
