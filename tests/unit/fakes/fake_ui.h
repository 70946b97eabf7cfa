// A pretend user interface and sockets layer: message boxes are recorded, not shown. The user
// interface's fallible calls can be failed through a FaultPlan.
#pragma once

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "fakes/fault_plan.h"
#include "platform/sockets.h"
#include "platform/ui.h"

namespace fakes {

class FakeUi : public plat::Ui, public Faultable {
  public:
    struct Box {
        std::string text;
        std::string caption;
        plat::DWORD style;
        plat::DWORD help_context;
    };
    std::vector<Box> boxes;
    std::map<unsigned, std::string> strings;
    int common_controls_calls = 0;
    plat::DWORD common_controls_size = 0;
    plat::DWORD common_controls_classes = 0;

    plat::BOOL InitCommonControlsEx(plat::DWORD size, plat::DWORD classes) override {
        ++common_controls_calls;
        common_controls_size = size;
        common_controls_classes = classes;
        return Injected("InitCommonControlsEx") ? plat::kFalse : plat::kTrue;
    }
    int LoadStringA(unsigned id, char* buffer, int size) override {
        if (Injected("LoadStringA " + std::to_string(id))) return 0;
        auto it = strings.find(id);
        if (it == strings.end() || size <= 0) return 0;
        const std::size_t n = std::min(it->second.size(), static_cast<std::size_t>(size - 1));
        std::memcpy(buffer, it->second.data(), n);
        buffer[n] = '\0';
        return static_cast<int>(n);
    }
    plat::HWND GetActiveWindow() override { return nullptr; }
    int MessageBoxIndirectA(plat::HWND, const char* text, const char* caption, plat::DWORD style,
                            plat::DWORD help_context) override {
        if (Injected("MessageBoxIndirectA")) return 0;  // no box appeared
        boxes.push_back({text, caption, style, help_context});
        return plat::kIdOk;
    }
};

class FakeSockets : public plat::Sockets {
  public:
    int startup_result = 0;
    plat::WORD granted = 0x0101;
    int startups = 0;
    int cleanups = 0;
    int last_error = 0;

    int WSAStartup(plat::WORD, plat::WsaVersion* data) override {
        ++startups;
        data->wVersion = granted;
        data->wHighVersion = 0x0202;
        return startup_result;
    }
    int WSACleanup() override {
        ++cleanups;
        return 0;
    }
    void WSASetLastError(int error) override { last_error = error; }
};

}  // namespace fakes
