// A pretend Service Control Manager: one service whose status answers are scripted, with
// every handle it gives out tracked until it is closed. Each call can be failed through a
// FaultPlan.
#pragma once

#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "fakes/fault_plan.h"
#include "platform/services.h"

namespace fakes {

class FakeServiceManager : public plat::ServiceManager, public Faultable {
  public:
    struct Answer {
        plat::DWORD state;
        plat::DWORD wait_hint;
        bool query_fails = false;
    };

    bool manager_opens = true;
    bool service_exists = true;
    bool request_accepted = true;
    plat::DWORD state_from_stop = plat::kServiceStopped;
    std::deque<Answer> answers;  // consumed by QueryServiceStatus; the last one repeats
    std::vector<std::string> calls;
    std::vector<plat::SC_HANDLE> closed;
    std::set<plat::SC_HANDLE> open;
    int bad_closes = 0;
    // When set, start and stop requests are also noted here as "StartService <name>" and
    // "ControlService <name>", so several fakes can share one timeline.
    std::vector<std::string>* timeline = nullptr;

    plat::SC_HANDLE manager() const { return reinterpret_cast<plat::SC_HANDLE>(0x10); }
    plat::SC_HANDLE service() const { return reinterpret_cast<plat::SC_HANDLE>(0x20); }

    plat::SC_HANDLE OpenSCManagerA(const char*, const char*, plat::DWORD) override {
        calls.push_back("OpenSCManager");
        if (Injected("OpenSCManagerA")) return nullptr;
        return manager_opens ? Track(manager()) : nullptr;
    }
    plat::SC_HANDLE OpenServiceA(plat::SC_HANDLE, const char* name, plat::DWORD) override {
        calls.push_back(std::string("OpenService ") + name);
        service_name_ = name;
        if (Injected(std::string("OpenServiceA ") + name)) return nullptr;
        return service_exists ? Track(service()) : nullptr;
    }
    plat::BOOL StartServiceA(plat::SC_HANDLE, plat::DWORD, const char**) override {
        calls.push_back("StartService");
        if (timeline) timeline->push_back("StartService " + service_name_);
        if (Injected("StartServiceA")) return plat::kFalse;
        return request_accepted;
    }
    plat::BOOL ControlService(plat::SC_HANDLE, plat::DWORD, plat::ServiceStatus* status) override {
        calls.push_back("ControlService");
        if (timeline) timeline->push_back("ControlService " + service_name_);
        if (Injected("ControlService") || !request_accepted) return plat::kFalse;
        status->dwCurrentState = state_from_stop;
        return plat::kTrue;
    }
    plat::BOOL QueryServiceStatus(plat::SC_HANDLE, plat::ServiceStatus* status) override {
        calls.push_back("QueryServiceStatus");
        if (Injected("QueryServiceStatus")) return plat::kFalse;
        if (answers.empty()) return plat::kFalse;
        const Answer answer = answers.front();
        if (answers.size() > 1) answers.pop_front();
        if (answer.query_fails) return plat::kFalse;
        status->dwCurrentState = answer.state;
        status->dwWaitHint = answer.wait_hint;
        return plat::kTrue;
    }
    plat::BOOL CloseServiceHandle(plat::SC_HANDLE handle) override {
        closed.push_back(handle);
        if (open.erase(handle) == 0) {
            ++bad_closes;
            return plat::kFalse;
        }
        return Injected("CloseServiceHandle") ? plat::kFalse : plat::kTrue;
    }

  private:
    std::string service_name_;
    plat::SC_HANDLE Track(plat::SC_HANDLE handle) {
        open.insert(handle);
        return handle;
    }
};

}  // namespace fakes
