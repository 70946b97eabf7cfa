// One install or uninstall at a time on the whole machine: a deployment agent's run as the system
// account in session 0 and a person's in session 1 see the same lock. A standard user can make
// an administrator's or the system's run neither wait nor fail: only a lock made by an
// administrator, the system or the running account is waited for; one anybody else made (or
// holds open against us) is logged and ignored.
#pragma once

#include <string>

#include "platform/kernel.h"

namespace velmora {

// How long a run waits for another one to end before it gives up with 1618, which the deployment
// tools retry later: longer than an ordinary run takes, shorter than their own time-outs. A run
// whose installer and spooler use their whole bounds (ten minutes and more) can outlast it; the
// waiting run then ends without having changed anything.
inline constexpr plat::DWORD kRunLockWaitMs = 10 * 60 * 1000;

class RunLock {
  public:
    explicit RunLock(plat::Kernel& kernel) : kernel_(kernel), mutex_(kernel), owned_(kernel) {}

    // Takes the lock, waiting at most `wait_ms` for another run to end. False when another run
    // held it all that time; true when it is held now, or was ignored (see note()). A lock whose
    // run ended without releasing it is taken over.
    bool Take(plat::DWORD wait_ms);
    // What the run's log is to say of the lock (UTF-8), written once its header is; "" when
    // there is nothing to say.
    const std::string& note() const { return note_; }
    // Released, as the run's last act; the holder does it anyway when it goes.
    void Release() { owned_.reset(); }

  private:
    plat::Kernel& kernel_;
    plat::UniqueHandle mutex_;
    plat::UniqueOwnership owned_;  // released before the mutex is closed
    std::string note_;
};

}  // namespace velmora
