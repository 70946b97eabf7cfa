// A pretend registry: keys under HKEY_LOCAL_MACHINE that exist, the values written into them,
// and every key handle tracked from its opening to its closing. Each call can be failed through
// a FaultPlan.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "fakes/fault_plan.h"
#include "platform/registry.h"

namespace fakes {

class FakeRegistry : public plat::Registry, public Faultable {
  public:
    static constexpr plat::LONG kFileNotFound = 2;
    static constexpr plat::LONG kInvalidHandle = 6;
    static constexpr plat::LONG kGenFailure = 31;

    std::set<std::string> keys;  // sub-keys of HKEY_LOCAL_MACHINE that can be opened
    struct Value {
        plat::DWORD type;
        std::vector<plat::BYTE> data;
    };
    std::map<std::pair<std::string, std::string>, Value> values;  // (key, value name)
    plat::LONG set_result = 0;

    plat::DWORD last_options = 0;
    plat::DWORD last_access = 0;
    std::set<plat::HKEY> open;
    std::vector<std::string> closed;  // key names, "HKLM" for the predefined root
    int bad_closes = 0;
    // When set, every call is also noted here, so several fakes can share one timeline.
    std::vector<std::string>* timeline = nullptr;

    plat::LONG RegOpenKeyExA(plat::HKEY root, const char* sub_key, plat::DWORD options,
                             plat::DWORD access, plat::HKEY* result) override {
        Note(std::string("RegOpenKey ") + sub_key);
        last_options = options;
        last_access = access;
        if (Injected("RegOpenKeyExA")) return kGenFailure;
        if (root != plat::HkeyLocalMachine()) return kInvalidHandle;
        if (keys.count(sub_key) == 0) return kFileNotFound;
        auto key = reinterpret_cast<plat::HKEY>(++next_);
        open.insert(key);
        names_[key] = sub_key;
        *result = key;
        return 0;
    }
    plat::LONG RegSetValueExA(plat::HKEY key, const char* value_name, plat::DWORD, plat::DWORD type,
                              const plat::BYTE* data, plat::DWORD size) override {
        Note(std::string("RegSetValue ") + value_name);
        if (open.count(key) == 0) return kInvalidHandle;
        if (Injected("RegSetValueExA")) return kGenFailure;
        if (set_result != 0) return set_result;
        values[{names_[key], value_name}] = {type, {data, data + size}};
        return 0;
    }
    plat::LONG RegCloseKey(plat::HKEY key) override {
        const bool root = key == plat::HkeyLocalMachine();
        const std::string name = root ? "HKLM" : names_[key];
        Note("RegCloseKey " + name);
        closed.push_back(name);
        if (!root && open.erase(key) == 0) {
            ++bad_closes;
            return kInvalidHandle;
        }
        return Injected("RegCloseKey " + name) ? kGenFailure : 0;
    }

  private:
    void Note(const std::string& call) {
        if (timeline) timeline->push_back(call);
    }
    std::uintptr_t next_ = 0x700;
    std::map<plat::HKEY, std::string> names_;
};

}  // namespace fakes
