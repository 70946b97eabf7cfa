// The install and uninstall sequences, and the command-line actions built on them.
#pragma once

#include "common/architecture.h"
#include "common/notices.h"
#include "common/run_log.h"
#include "platform/os.h"

namespace velmora {

// Right after the spooler's restart it may answer that it is not there yet: the read-back asks
// again every kReadBackRetryMs until kReadBackLimitMs have passed. A spooler that comes back
// takes a second or two.
inline constexpr plat::DWORD kReadBackRetryMs = 500;
inline constexpr plat::DWORD kReadBackLimitMs = 10000;

// Whether the driver package has a driver for the architecture Windows runs on; the log says so
// when it has none (ARM64), and nothing is to be done.
bool HasDriverFor(const Architecture& windows, RunLog& log);

// Driver, port, queue, default printer and spool directory, then the queue read back; nonzero
// when the driver, the port and the queue were created (or our own queue was already there)
// and the queue reads back on our port and driver. Notifies when one of the three fails.
// Every step goes to the log.
plat::BOOL InstallPrinter(plat::Os& os, RunLog& log, Notices& notices);

// Queue, port and driver removed; the result is the driver deletion's. Shows nothing.
plat::BOOL UninstallPrinter(plat::Os& os, RunLog& log);

// "-i": the sequence, then a notice when it failed. Returns the outcome.
bool InstallAction(plat::Os& os, RunLog& log, Notices& notices);

// "-u": the sequence. Returns the outcome.
bool UninstallAction(plat::Os& os, RunLog& log);

// "-c": the read-back that ends an install, alone, changing nothing: true when our queue is on our
// port with our driver, the port is listed and the spooler has our driver for its own
// architecture.
bool CheckAction(plat::Os& os, RunLog& log);

}  // namespace velmora
