// The printer queue, the default printer and the spool-directory value, with the holder of
// the registry key that the install sequence keeps open until it ends.
#pragma once

#include <string>

#include "platform/kernel.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/spooler.h"

namespace velmora {

// Owner of one open registry key; starts out holding the predefined root HKEY_LOCAL_MACHINE,
// which is what it closes when no key was handed to it. A key handed to it takes the root's
// place without closing the root.
struct CRegistry {
    explicit CRegistry(plat::Registry& registry)
        : registry(registry), m_hKey(registry, plat::HkeyLocalMachine()) {}

    plat::Registry& registry;
    plat::UniqueKey m_hKey;
};

// Creates the queue on the printer's port and closes the handle the creation returns. Zero
// when the spooler refused, with its last-error value untouched.
plat::BOOL AddVirtualPrinter(plat::Spooler& spooler);

// Makes the virtual printer the default printer of the running account (SetDefaultPrinterW) and
// tells the top-level windows. Zero, with nothing told, when the spooler refused.
plat::BOOL SetDefaultPrinterByName(plat::Spooler& spooler, plat::Profile& profile);

// Writes the Windows directory ("C:\WINNT" when it cannot be had) as "SpoolDirectory" under the
// "zarvo printer" key, which the holder then keeps open. Does nothing when that key does not
// exist. Returns the registry's result: zero when the value was written.
plat::LONG ConfigureSpoolDirectory(plat::Kernel& kernel, CRegistry& holder);

// The queue of the printer's name as the spooler holds it.
struct QueueRecord {
    bool found = false;
    plat::DWORD error = 0;  // why it could not be read, when not found
    std::string port;
    std::string driver;
    std::string processor;
    std::string datatype;
};
QueueRecord ReadVirtualPrinter(plat::Spooler& spooler, plat::Kernel& kernel);

// Whether the record is our queue: on our port, with our driver.
bool IsOurQueue(const QueueRecord& queue);

// Whether the spooler lists the printer's port.
bool PortIsListed(plat::Spooler& spooler);

// Whether the spooler has the printer's driver for `environment` ("Windows x64").
bool DriverIsInstalled(plat::Spooler& spooler, const char* environment);

// The printer win.ini's "device" entry names: the default printer of the user running the
// program; empty when there is none.
std::string DefaultPrinterName(plat::Profile& profile);

}  // namespace velmora
