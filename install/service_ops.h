// Starting and stopping a Windows service, and adding or deleting the printer's local port.
#pragma once

#include "common/run_log.h"
#include "platform/kernel.h"
#include "platform/services.h"
#include "platform/spooler.h"

namespace velmora {

// A service that never reaches the awaited state stops being waited for once this much
// sleeping has been done; the operation then returns as if the state had been seen.
inline constexpr plat::DWORD kServiceWaitLimitMs = 60000;

plat::BOOL StartServiceAndWait(plat::ServiceManager& scm, plat::Kernel& kernel, const char* name);
plat::BOOL StopServiceAndWait(plat::ServiceManager& scm, plat::Kernel& kernel, const char* name);

// Adds the port when `remove` is false, deletes it when true. `monitor_status` receives the port
// monitor's own answer (0 when it was not reached). Zero when the monitor could not be reached,
// or when it refused: its answer is then the last error; a port that is there already (adding)
// or not there (deleting) is no refusal.
plat::BOOL PortAddOrDelete(plat::Spooler& spooler, plat::Kernel& kernel, bool remove,
                           plat::DWORD* monitor_status);

// PortAddOrDelete as a logged step: "add port: ok", with the monitor's answer when it gave one
// ("delete port (monitor status 2): ok").
plat::BOOL PortStep(plat::Spooler& spooler, plat::Kernel& kernel, RunLog& log, bool remove);

}  // namespace velmora
