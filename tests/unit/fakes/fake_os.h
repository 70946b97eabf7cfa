// One pretend operating system made of the fakes, for tests that need the whole Os bundle.
#pragma once

#include <gmock/gmock.h>

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

class UnusedInternet : public plat::Internet {
public:
    MOCK_METHOD(plat::HINTERNET, InternetOpenA,
                (const char*, plat::DWORD, const char*, const char*, plat::DWORD), (override));
    MOCK_METHOD(plat::BOOL, InternetSetOptionExA,
                (plat::HINTERNET, plat::DWORD, void*, plat::DWORD, plat::DWORD), (override));
    MOCK_METHOD(plat::HINTERNET, InternetConnectA,
                (plat::HINTERNET, const char*, plat::WORD, const char*, const char*, plat::DWORD,
                 plat::DWORD, std::uintptr_t),
                (override));
    MOCK_METHOD(plat::HINTERNET, HttpOpenRequestA,
                (plat::HINTERNET, const char*, const char*, const char*, const char*,
                 const char**, plat::DWORD, std::uintptr_t),
                (override));
    MOCK_METHOD(plat::BOOL, HttpSendRequestA,
                (plat::HINTERNET, const char*, plat::DWORD, void*, plat::DWORD), (override));
    MOCK_METHOD(plat::BOOL, InternetReadFile, (plat::HINTERNET, void*, plat::DWORD, plat::DWORD*),
                (override));
    MOCK_METHOD(plat::BOOL, InternetCloseHandle, (plat::HINTERNET), (override));
};

struct FakeOs {
    FakeServiceManager services;
    FakeSpooler spooler;
    FakeKernel kernel;
    ::testing::StrictMock<UnusedRegistry> registry;
    ::testing::StrictMock<UnusedProfile> profile;
    ::testing::StrictMock<UnusedInternet> internet;
    FakeUi ui;
    FakeSockets sockets;
    plat::Os os{services, spooler, kernel, registry, profile, internet, ui, sockets};
};

}  // namespace fakes
