// One injected failure per run, shared by all the fakes: every fallible platform call asks the
// plan whether it is the one to fail, the plan counts them and fails exactly the N-th, the way
// the system's call fails.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/types.h"

namespace fakes {

class FaultPlan {
  public:
    // The last-error value an injected failure leaves (ERROR_GEN_FAILURE).
    static constexpr plat::DWORD kError = 31;

    // `fail_at` 0 only counts.
    explicit FaultPlan(int fail_at = 0) : fail_at_(fail_at) {}

    // Set on an injected failure when given: the thread's last-error value.
    plat::DWORD* last_error = nullptr;
    std::vector<std::string> calls;  // every fallible call counted, in order
    std::string failed;              // the call that was made to fail; empty if none was

    bool Fired() const { return !failed.empty(); }

    // Counts one fallible call and tells whether it fails. A release that "fails" still
    // releases in the fakes, so nothing may retry it.
    bool Fails(std::string call) {
        calls.push_back(std::move(call));
        if (static_cast<int>(calls.size()) != fail_at_) return false;
        failed = calls.back();
        if (last_error != nullptr) *last_error = kError;
        return true;
    }

  private:
    int fail_at_;
};

// The hook each fake carries: no plan, no failure.
class Faultable {
  public:
    FaultPlan* faults = nullptr;

  protected:
    bool Injected(std::string call) { return faults != nullptr && faults->Fails(std::move(call)); }
};

// Runs `run(plan)` with a plan that fails the first fallible call, then the second, and so on,
// until a run has no call left to fail. Returns the number of calls that were failed.
template <typename Run>
int FailEachCallInTurn(Run&& run) {
    int n = 1;
    for (;; ++n) {
        FaultPlan plan(n);
        run(plan);
        if (!plan.Fired()) break;
    }
    return n - 1;
}

}  // namespace fakes
