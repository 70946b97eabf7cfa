// The lock is a named mutex in the global namespace, with a security descriptor that lets only
// the system and administrators open it.
#include "common/run_lock.h"

#include "common/account.h"
#include "common/join.h"
#include "common/run_log.h"
#include "common/system_facts.h"

namespace velmora {
namespace {

constexpr char16_t kLockName[] = u"Global\\Velmora-install-uninstall";
// Owned by the Administrators group, which only an elevated administrator or the system may
// name as owner; full access for those two, none for anybody else.
constexpr char16_t kLockSecurity[] = u"O:BAD:P(A;;GA;;;SY)(A;;GA;;;BA)";

}  // namespace

bool RunLock::Take(plat::DWORD wait_ms) {
    kernel_.SetLastError(plat::kErrorSuccess);
    mutex_.reset(kernel_.CreateMutexW(kLockSecurity, kLockName));
    // Why the lock is not to be waited for: one that cannot be opened, or one made before this
    // run by somebody who may not install.
    std::string distrust;
    if (!mutex_) {
        distrust = Join({"cannot be opened, error ", ErrorCodeText(FailureCode(kernel_))});
    } else if (kernel_.GetLastError() == plat::kErrorAlreadyExists) {
        distrust = OwnerDistrust(kernel_, mutex_.get(), plat::kSeKernelObject);
    }
    plat::DWORD waited = distrust.empty() ? kernel_.WaitForSingleObject(mutex_.get(), 0) : 0;
    if (distrust.empty() && waited == plat::kWaitTimeout) {
        waited = kernel_.WaitForSingleObject(mutex_.get(), wait_ms);
        note_ = "waited for another install or uninstall to end";
    }
    if (!distrust.empty()) {
        mutex_.reset();
        note_ = Join({distrust, ": ignored"});
    } else if (waited == plat::kWaitObject0 || waited == plat::kWaitAbandoned) {
        owned_.reset(mutex_.get());
        if (waited == plat::kWaitAbandoned) {
            note_ = "taken over from a run that ended without releasing it";
        }
    } else if (waited == plat::kWaitTimeout) {
        note_ = Join({"another install or uninstall held it for ", Decimal(wait_ms / 60000),
                      " minutes: nothing done"});
    } else {
        note_ = Join(
            {"cannot be waited for, error ", ErrorCodeText(FailureCode(kernel_)), ": ignored"});
    }
    if (!note_.empty()) note_ = Join({"install lock: ", note_});
    return waited != plat::kWaitTimeout;
}

}  // namespace velmora
