// The install and uninstall sequences, and the command-line actions built on them.
#pragma once

#include "platform/os.h"

namespace velmora {

// Driver, port, queue, default printer and spool directory; nonzero when the driver, the
// port and the queue were all created. Shows a message box when one of those fails.
plat::BOOL InstallPrinter(plat::Os& os);

// Queue, port and driver removed; the result is the driver deletion's. Shows nothing.
plat::BOOL UninstallPrinter(plat::Os& os);

// "-i": the sequence, then a message box when it failed. Returns the outcome.
bool InstallAction(plat::Os& os);

// "-u": the sequence. Returns the outcome.
bool UninstallAction(plat::Os& os);

}  // namespace velmora
