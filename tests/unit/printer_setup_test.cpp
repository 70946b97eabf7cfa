// Queue creation, the default-printer routes of each Windows family, and the spool-directory
// value with the registry key holder.
#include "install/printer_setup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "fakes/fake_install_os.h"
#include "install/printer_constants.h"

namespace {

using velmora::SetDefaultPrinterByName;

TEST(AddVirtualPrinterTest, FillsTheLevel2RecordAndClosesTheNewQueue) {
    fakes::FakeInstallOs fake;
    EXPECT_TRUE(velmora::AddVirtualPrinter(fake.spooler));
    ASSERT_EQ(fake.spooler.added.size(), 1u);
    const plat::PrinterInfo2& info = fake.spooler.added[0];
    EXPECT_EQ(info.pServerName, nullptr);
    EXPECT_STREQ(info.pPrinterName, "Zarvo虚拟打印机");
    EXPECT_EQ(info.pShareName, info.pPrinterName);
    EXPECT_EQ(info.pDriverName, info.pPrinterName);
    EXPECT_STREQ(info.pPortName, "zarvoPrinter Port");
    EXPECT_STREQ(info.pComment, velmora::kReportHost);
    EXPECT_STREQ(info.pPrintProcessor, "WinPrint");
    EXPECT_STREQ(info.pDatatype, "RAW");
    for (const char* empty : {info.pLocation, info.pSepFile, info.pParameters}) {
        EXPECT_TRUE(empty != nullptr && *empty == '\0');  // empty texts, not null pointers
    }
    EXPECT_EQ(info.Attributes, plat::kPrinterAttributeQueued);
    EXPECT_TRUE(fake.spooler.open.empty());

    // A queue of that name already exists: refused with 1802, left in the last-error value.
    EXPECT_FALSE(velmora::AddVirtualPrinter(fake.spooler));
    EXPECT_EQ(fake.kernel.GetLastError(), plat::kErrorPrinterAlreadyExists);
    EXPECT_EQ(fake.spooler.bad_closes, 0);
}

// A system where the virtual printer's queue exists on its port with its driver.
void SeedQueue(fakes::FakeInstallOs& fake, plat::DWORD platform, plat::DWORD major) {
    fake.spooler.printers.insert(velmora::kPrinterName);
    fake.spooler.queues[velmora::kPrinterName] = {velmora::kPrinterName, velmora::kPortNameA,
                                                  plat::kPrinterAttributeQueued};
    fake.kernel.platform_id = platform;
    fake.kernel.major_version = major;
}

void ExpectAllReleased(fakes::FakeInstallOs& fake, const char* what) {
    EXPECT_TRUE(fake.spooler.open.empty()) << what;
    EXPECT_EQ(fake.spooler.bad_closes, 0) << what;
    EXPECT_TRUE(fake.kernel.open.empty()) << what;
    EXPECT_EQ(fake.kernel.double_releases, 0) << what;
}

// Zero, nothing made default or announced, everything acquired released once.
void ExpectCleanFailure(fakes::FakeInstallOs& fake, const char* what) {
    EXPECT_FALSE(SetDefaultPrinterByName(fake.os)) << what;
    EXPECT_TRUE(fake.win_ini.broadcasts.empty()) << what;
    EXPECT_TRUE(fake.win_ini.entries.empty()) << what;
    EXPECT_TRUE(fake.spooler.default_printer.empty()) << what;
    ExpectAllReleased(fake, what);
}

void ExpectBroadcast(fakes::FakeInstallOs& fake, const std::string& lparam) {
    ASSERT_EQ(fake.win_ini.broadcasts.size(), 1u);
    const auto& sent = fake.win_ini.broadcasts[0];
    EXPECT_EQ(sent.window, plat::HwndBroadcast());
    EXPECT_EQ(sent.message, 0x001Au);
    EXPECT_EQ(sent.wparam, 0u);
    EXPECT_EQ(sent.lparam, lparam);
    EXPECT_EQ(sent.flags, 0u);
    EXPECT_EQ(sent.timeout, 1000u);
    EXPECT_FALSE(sent.wants_result);
}

TEST(DefaultPrinterTest, Windows9xMarksTheRecordDefaultAndBroadcastsWindows) {
    fakes::FakeInstallOs fake;
    SeedQueue(fake, 1, 4);
    EXPECT_TRUE(SetDefaultPrinterByName(fake.os));
    EXPECT_EQ(fake.spooler.default_printer, velmora::kPrinterName);
    EXPECT_EQ(fake.spooler.queues[velmora::kPrinterName].attributes,
              plat::kPrinterAttributeQueued | plat::kPrinterAttributeDefault);
    EXPECT_EQ(fake.kernel.allocs[0].flags, plat::kGmemZeroInit);
    ExpectBroadcast(fake, "windows");
    ExpectAllReleased(fake, "9x");
}

TEST(DefaultPrinterTest, OldNtWritesTheDeviceEntryInAnExactAllocation) {
    fakes::FakeInstallOs fake;
    SeedQueue(fake, 2, 4);
    EXPECT_TRUE(SetDefaultPrinterByName(fake.os));
    const std::string device = fake.win_ini.entries[{"windows", "device"}];
    EXPECT_EQ(device, "Zarvo虚拟打印机,Zarvo虚拟打印机,zarvoPrinter Port");
    ASSERT_EQ(fake.kernel.allocs.size(), 2u);
    EXPECT_EQ(fake.kernel.allocs[1].bytes, device.size() + 1);
    ExpectBroadcast(fake, "0");
    ExpectAllReleased(fake, "NT 4");
}

TEST(DefaultPrinterTest, Nt5CallsSetDefaultPrinterAndFreesTheLibraryFirst) {
    fakes::FakeInstallOs fake;
    SeedQueue(fake, 2, 5);
    EXPECT_TRUE(SetDefaultPrinterByName(fake.os));
    EXPECT_EQ(fake.kernel.events,
              (std::vector<std::string>{"load winspool.drv", "proc SetDefaultPrinterA",
                                        "SetDefaultPrinterA Zarvo虚拟打印机", "free library",
                                        "broadcast 0"}));
    ExpectBroadcast(fake, "0");
    ExpectAllReleased(fake, "NT 5");
}

TEST(DefaultPrinterTest, OtherPlatformsDoNothingAndSucceed) {
    fakes::FakeInstallOs fake;
    SeedQueue(fake, 3, 10);
    EXPECT_TRUE(SetDefaultPrinterByName(fake.os));
    EXPECT_TRUE(fake.kernel.events.empty());
    EXPECT_TRUE(fake.spooler.calls.empty());
}

TEST(DefaultPrinterTest, OlderRoutesReleaseExactlyWhatTheyAcquiredOnEachFailure) {
    using Knob = std::function<void(fakes::FakeInstallOs&)>;
    const std::vector<std::pair<const char*, Knob>> common = {
        {"no such printer", [](auto& f) { f.spooler.printers.clear(); }},
        {"sizing error other than 122", [](auto& f) { f.spooler.sizing_error = 5; }},
        {"sizing needs 0 bytes", [](auto& f) { f.spooler.sizing_reports_zero = true; }},
        {"record allocation fails", [](auto& f) { f.kernel.fail_alloc_at = 1; }},
        {"record read fails", [](auto& f) { f.spooler.record_read_fails = true; }},
    };
    const std::vector<std::pair<const char*, Knob>> win9x_only = {
        {"write-back fails", [](auto& f) { f.spooler.set_printer_succeeds = false; }},
    };
    const std::vector<std::pair<const char*, Knob>> nt4_only = {
        {"no driver name",
         [](auto& f) { f.spooler.queues[velmora::kPrinterName].no_driver = true; }},
        {"no port name", [](auto& f) { f.spooler.queues[velmora::kPrinterName].no_port = true; }},
        {"device allocation fails", [](auto& f) { f.kernel.fail_alloc_at = 2; }},
        {"profile write fails", [](auto& f) { f.win_ini.write_succeeds = false; }},
    };
    for (const plat::DWORD platform : {1u, 2u}) {
        auto cases = common;
        const auto& extra = platform == 1 ? win9x_only : nt4_only;
        cases.insert(cases.end(), extra.begin(), extra.end());
        for (const auto& [what, knob] : cases) {
            fakes::FakeInstallOs fake;
            SeedQueue(fake, platform, 4);
            knob(fake);
            ExpectCleanFailure(fake, what);
        }
    }
}

TEST(DefaultPrinterTest, Nt5FailuresFreeTheLibraryAndBroadcastNothing) {
    fakes::FakeInstallOs fake;
    SeedQueue(fake, 2, 6);
    fake.kernel.set_default_printer_result = plat::kFalse;
    ExpectCleanFailure(fake, "SetDefaultPrinterA refuses");
    EXPECT_EQ(fake.kernel.events.back(), "free library");

    fake.kernel.has_set_default_printer = false;
    ExpectCleanFailure(fake, "no SetDefaultPrinterA");
    fake.kernel.library_loads = false;
    ExpectCleanFailure(fake, "no winspool.drv");
    EXPECT_EQ(std::count(fake.kernel.events.begin(), fake.kernel.events.end(), "free library"), 2);
}

class SpoolDirectoryTest : public ::testing::Test {
  protected:
    static constexpr char kKey[] =
        "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\zarvo printer";
    // Runs the step with a holder that is destroyed at the end, as the install sequence does.
    void Configure() {
        velmora::CRegistry holder(fake.registry);
        velmora::ConfigureSpoolDirectory(fake.kernel, holder);
    }
    std::string Written() {
        auto it = fake.registry.values.find({kKey, "SpoolDirectory"});
        if (it == fake.registry.values.end()) return "(none)";
        EXPECT_EQ(it->second.type, plat::kRegSz);
        return std::string(it->second.data.begin(), it->second.data.end());
    }
    fakes::FakeInstallOs fake;
};

TEST_F(SpoolDirectoryTest, WithoutThePrinterKeyOnlyThePredefinedRootIsClosed) {
    Configure();
    EXPECT_EQ(Written(), "(none)");
    EXPECT_EQ(fake.registry.closed, (std::vector<std::string>{"HKLM"}));
}

TEST_F(SpoolDirectoryTest, WritesTheWindowsDirectoryAndClosesTheKeyWithTheHolder) {
    fake.registry.keys.insert(kKey);
    Configure();
    EXPECT_EQ(Written(), std::string("C:\\windows\0", 11));
    EXPECT_EQ(fake.registry.last_access, 0xF003Fu);
    EXPECT_EQ(fake.registry.last_options, 0u);
    EXPECT_EQ(fake.registry.closed, (std::vector<std::string>{kKey}));
    EXPECT_TRUE(fake.registry.open.empty());
}

TEST_F(SpoolDirectoryTest, FailedOrOverlongWindowsDirectoryFallsBackToWinnt) {
    fake.registry.keys.insert(kKey);
    for (const std::string& windows : {std::string(), std::string(300, 'w')}) {
        fake.kernel.windows_dir = windows;
        fake.registry.values.clear();
        Configure();
        EXPECT_EQ(Written(), std::string("C:\\WINNT\0", 9));
    }
    // 259 characters still fit and are written whole.
    fake.kernel.windows_dir = "C:\\" + std::string(256, 'w');
    Configure();
    EXPECT_EQ(Written(), fake.kernel.windows_dir + '\0');
}

}  // namespace
