// Starting and stopping a Windows service, and adding or deleting the printer's local port.
#pragma once

#include "platform/kernel.h"
#include "platform/services.h"
#include "platform/spooler.h"

namespace velmora {

// A service that never reaches the awaited state stops being waited for once this much
// sleeping has been done; the operation then returns as if the state had been seen.
inline constexpr plat::DWORD kServiceWaitLimitMs = 60000;

plat::BOOL StartServiceAndWait(plat::ServiceManager& scm, plat::Kernel& kernel, const char* name);
plat::BOOL StopServiceAndWait(plat::ServiceManager& scm, plat::Kernel& kernel, const char* name);

// Adds the port when `remove` is false, deletes it when true.
plat::BOOL PortAddOrDelete(plat::Spooler& spooler, bool remove);

}  // namespace velmora
