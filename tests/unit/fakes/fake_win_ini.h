// A pretend win.ini and window broadcast: WriteProfileStringA entries and the settings-change
// messages sent to all top-level windows. The private-profile functions are not its business.
// Both calls can be failed through a FaultPlan.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "fakes/fault_plan.h"
#include "platform/profile.h"

namespace fakes {

class FakeWinIni : public plat::Profile, public Faultable {
  public:
    std::map<std::pair<std::string, std::string>, std::string> entries;  // (section, key)
    bool write_succeeds = true;

    struct Broadcast {
        plat::HWND window;
        unsigned message;
        std::uintptr_t wparam;
        std::string lparam;  // the text it points to, or "0"
        unsigned flags;
        unsigned timeout;
        bool wants_result;
    };
    std::vector<Broadcast> broadcasts;
    // When set, writes and broadcasts are also noted here, so several fakes share a timeline.
    std::vector<std::string>* timeline = nullptr;

    plat::BOOL WriteProfileStringA(const char* section, const char* key,
                                   const char* value) override {
        Note(std::string("WriteProfileString ") + section + " " + key);
        if (Injected("WriteProfileStringA") || !write_succeeds) return plat::kFalse;
        entries[{section, key}] = value;
        return plat::kTrue;
    }
    std::intptr_t SendMessageTimeoutA(plat::HWND window, unsigned message, std::uintptr_t wparam,
                                      std::intptr_t lparam, unsigned flags, unsigned timeout,
                                      std::uintptr_t* result) override {
        const std::string text = lparam ? reinterpret_cast<const char*>(lparam) : "0";
        Note("broadcast " + text);
        broadcasts.push_back({window, message, wparam, text, flags, timeout, result != nullptr});
        return Injected("SendMessageTimeoutA") ? 0 : 1;
    }

    unsigned GetPrivateProfileIntA(const char*, const char*, int, const char*) override {
        ADD_FAILURE() << "no private profile is read here";
        return 0;
    }
    plat::DWORD GetPrivateProfileStringA(const char*, const char*, const char*, char*, plat::DWORD,
                                         const char*) override {
        ADD_FAILURE() << "no private profile is read here";
        return 0;
    }
    plat::BOOL WritePrivateProfileStringA(const char*, const char*, const char*,
                                          const char*) override {
        ADD_FAILURE() << "no private profile is written here";
        return plat::kFalse;
    }

  private:
    void Note(const std::string& call) {
        if (timeline) timeline->push_back(call);
    }
};

}  // namespace fakes
