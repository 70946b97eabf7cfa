// One pretend operating system made of the fakes, for tests that need the whole Os bundle.
#pragma once

#include <gmock/gmock.h>

#include <initializer_list>

#include "fakes/fake_internet.h"
#include "fakes/fake_kernel.h"
#include "fakes/fake_services.h"
#include "fakes/fake_spooler.h"
#include "fakes/fake_ui.h"
#include "platform/os.h"

namespace fakes {

// Areas a test does not exercise are strict mocks with no expectations: any call fails it.
class UnusedRegistry : public plat::Registry {
  public:
    MOCK_METHOD(plat::LONG, RegOpenKeyExA,
                (plat::HKEY, const char*, plat::DWORD, plat::DWORD, plat::HKEY*), (override));
    MOCK_METHOD(plat::LONG, RegSetValueExA,
                (plat::HKEY, const char*, plat::DWORD, plat::DWORD, const plat::BYTE*, plat::DWORD),
                (override));
    MOCK_METHOD(plat::LONG, RegCloseKey, (plat::HKEY), (override));
};

class UnusedProfile : public plat::Profile {
  public:
    MOCK_METHOD(unsigned, GetPrivateProfileIntA, (const char*, const char*, int, const char*),
                (override));
    MOCK_METHOD(plat::DWORD, GetPrivateProfileStringA,
                (const char*, const char*, const char*, char*, plat::DWORD, const char*),
                (override));
    MOCK_METHOD(plat::BOOL, WritePrivateProfileStringA,
                (const char*, const char*, const char*, const char*), (override));
    MOCK_METHOD(plat::BOOL, WriteProfileStringA, (const char*, const char*, const char*),
                (override));
    MOCK_METHOD(std::intptr_t, SendMessageTimeoutA,
                (plat::HWND, unsigned, std::uintptr_t, std::intptr_t, unsigned, unsigned,
                 std::uintptr_t*),
                (override));
};

struct FakeOs {
    FakeServiceManager services;
    FakeSpooler spooler;
    FakeKernel kernel;
    ::testing::StrictMock<UnusedRegistry> registry;
    ::testing::StrictMock<UnusedProfile> profile;
    FakeInternet internet;
    FakeUi ui;
    FakeSockets sockets;
    plat::Os os{services, spooler, kernel, registry, profile, internet, ui, sockets};

    // Every faked area counts its fallible calls in `plan`; the failed one sets the last error.
    void InjectFaults(FaultPlan& plan) {
        plan.last_error = &kernel.last_error;
        spooler.ShareLastError(kernel.last_error);
        for (Faultable* area :
             std::initializer_list<Faultable*>{&services, &spooler, &kernel, &internet, &ui}) {
            area->faults = &plan;
        }
    }
};

}  // namespace fakes
