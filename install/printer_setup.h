// The printer queue, the default printer and the spool-directory value, with the holder of
// the registry key that the install sequence keeps open until it ends.
#pragma once

#include "platform/os.h"

namespace velmora {

// Owner of one open registry key; starts out holding the predefined root HKEY_LOCAL_MACHINE.
class CRegistry {
  public:
    explicit CRegistry(plat::Registry& registry)
        : m_hKey(plat::HkeyLocalMachine()), registry_(registry) {}
    CRegistry(const CRegistry&) = delete;
    CRegistry& operator=(const CRegistry&) = delete;
    ~CRegistry();

    plat::Registry& registry() const { return registry_; }

    // The key owned; a key opened elsewhere is handed over by storing it here.
    plat::HKEY m_hKey;

  private:
    plat::Registry& registry_;
};

// Creates the queue on the printer's port and closes the handle the creation returns. Zero
// when the spooler refused, with its last-error value untouched.
plat::BOOL AddVirtualPrinter(plat::Spooler& spooler);

// Makes the virtual printer the default printer by the route of the running Windows family.
// Nonzero on success, and on a system of neither family (nothing is then done).
plat::BOOL SetDefaultPrinterByName(plat::Os& os);

// Writes the Windows directory as "SpoolDirectory" under the "zarvo printer" key, which the
// holder then keeps open. Does nothing when that key does not exist.
void ConfigureSpoolDirectory(plat::Kernel& kernel, CRegistry& holder);

// Nonzero exactly when the value was written under the holder's key.
plat::BOOL SetSpoolDirectory(CRegistry& holder, const char* directory);

}  // namespace velmora
