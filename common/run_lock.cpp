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
    if (!mutex_) {
        note_ = Join({"install lock: cannot be opened, error ", ErrorCodeText(FailureCode(kernel_)),
                      ": ignored"});
        return true;
    }
    // One made before this run: waited for only when it belongs to those who may install.
    if (kernel_.GetLastError() == plat::kErrorAlreadyExists) {
        void* owner = nullptr;
        void* descriptor = nullptr;
        const plat::DWORD error =
            kernel_.GetSecurityInfo(mutex_.get(), plat::kSeKernelObject,
                                    plat::kOwnerSecurityInformation, &owner, &descriptor);
        const plat::UniqueLocal held(kernel_, descriptor);
        const std::string distrust =
            error != plat::kErrorSuccess
                ? Join({"its owner cannot be read, error ", ErrorCodeText(error)})
                : OwnerDistrust(kernel_, owner);
        if (!distrust.empty()) {
            note_ = Join({"install lock: ", distrust, ": ignored"});
            mutex_.reset();
            return true;
        }
    }
    plat::DWORD waited = kernel_.WaitForSingleObject(mutex_.get(), 0);
    if (waited == plat::kWaitTimeout) {
        waited = kernel_.WaitForSingleObject(mutex_.get(), wait_ms);
        note_ = "install lock: waited for another install or uninstall to end";
    }
    if (waited == plat::kWaitObject0 || waited == plat::kWaitAbandoned) {
        owned_.reset(mutex_.get());
        if (waited == plat::kWaitAbandoned) {
            note_ = "install lock: taken over from a run that ended without releasing it";
        }
        return true;
    }
    if (waited == plat::kWaitTimeout) {
        note_ = Join({"install lock: another install or uninstall held it for ",
                      Decimal(wait_ms / 60000), " minutes: nothing done"});
        return false;
    }
    note_ = Join({"install lock: cannot be waited for, error ", ErrorCodeText(FailureCode(kernel_)),
                  ": ignored"});
    return true;
}

}  // namespace velmora
