// Every fallible platform call of each sequence made to fail in turn, one per run: the outcome
// is the one the sequence promises, nothing escapes, and everything acquired is released once.
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "fakes/fake_dialog.h"
#include "fakes/fake_install_os.h"
#include "fakes/fake_os.h"
#include "fakes/fake_profile.h"
#include "fakes/fault_plan.h"
#include "install/printer_constants.h"
#include "install/sequences.h"
#include "report/report.h"
#include "res/resource.h"
#include "settings/output_settings.h"
#include "settings/velmora_dlg.h"

namespace {

using fakes::FailEachCallInTurn;
using fakes::FaultPlan;
using Texts = std::vector<std::string>;

constexpr char kSpoolKey[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\zarvo printer";
const std::string kInjectedError = std::to_string(FaultPlan::kError);

template <typename Fake>
void ExpectEverythingReleasedOnce(const Fake& fake) {
    EXPECT_TRUE(fake.services.open.empty());
    EXPECT_EQ(fake.services.bad_closes, 0);
    EXPECT_TRUE(fake.spooler.open.empty());
    EXPECT_EQ(fake.spooler.bad_closes, 0);
    EXPECT_TRUE(fake.kernel.open.empty()) << "process, thread, library or memory left";
    EXPECT_EQ(fake.kernel.double_releases, 0);
    EXPECT_TRUE(fake.internet.open.empty());
    EXPECT_EQ(fake.internet.bad_closes, 0);
}

Texts BoxTexts(const fakes::FakeUi& ui) {
    Texts texts;
    for (const auto& box : ui.boxes) texts.push_back(box.text);
    return texts;
}

// The watched install step a failed call belongs to; any other failure must be shrugged off.
const char* WatchedStep(const std::string& call) {
    static const std::map<std::string, const char*> steps = {
        {"GetSystemDirectoryA", "CreatePrintDriver"},  // the installer's full path
        {"CreateProcessA", "CreatePrintDriver"},
        {"OpenPrinterA ,XcvMonitor Local Port", "PortAddOrDelete"},
        {"XcvDataW", "PortAddOrDelete"},
        {"AddPrinterA", "AddPrinter"},
    };
    const auto it = steps.find(call);
    return it == steps.end() ? nullptr : it->second;
}

struct Family {
    const char* name;
    plat::DWORD platform;
    plat::DWORD major;
};

void PrintTo(const Family& family, std::ostream* out) { *out << family.name; }

class InstallFaultTest : public ::testing::TestWithParam<Family> {};

TEST_P(InstallFaultTest, OnlyTheWatchedStepsFailTheInstallAndNothingIsLeftOpen) {
    const Family family = GetParam();
    const int points = FailEachCallInTurn([&family](FaultPlan& plan) {
        fakes::FakeInstallOs fake;
        fake.registry.keys.insert(kSpoolKey);
        fake.kernel.platform_id = family.platform;
        fake.kernel.major_version = family.major;
        fake.services.answers = {{plat::kServiceRunning, 0}};
        // A previous installation's files, so that the deletions have something to delete.
        fake.kernel.files = {fake.spooler.driver_directory + "\\3\\QXOEMUI.dll",
                             fake.kernel.windows_dir + "\\velmora.ini",
                             fake.spooler.processor_directory + "\\Qxproc.dll"};
        fake.InjectFaults(plan);

        const bool installed = velmora::InstallAction(fake.os);

        SCOPED_TRACE("failed call: " + plan.failed);
        if (const char* step = WatchedStep(plan.failed)) {
            EXPECT_FALSE(installed);
            EXPECT_EQ(BoxTexts(fake.ui), (Texts{std::string(step) + " error " + kInjectedError,
                                                "安装打印机驱动发生错误!"}));
        } else {
            EXPECT_TRUE(installed);
            EXPECT_TRUE(fake.ui.boxes.empty());
            EXPECT_EQ(fake.spooler.ports.count(velmora::kPortNameW), 1u);
            EXPECT_EQ(fake.spooler.printers.count(velmora::kPrinterName), 1u);
        }
        ExpectEverythingReleasedOnce(fake);
        EXPECT_TRUE(fake.registry.open.empty());
        EXPECT_EQ(fake.registry.bad_closes, 0);
    });
    RecordProperty("failure_points", points);
    EXPECT_GE(points, 40);
}

INSTANTIATE_TEST_SUITE_P(WindowsFamilies, InstallFaultTest,
                         ::testing::Values(Family{"Win9x", plat::kVerPlatformWin32Windows, 4},
                                           Family{"NT4", plat::kVerPlatformWin32Nt, 4},
                                           Family{"NT5", plat::kVerPlatformWin32Nt, 5}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(UninstallFaultTest, TheResultIsTheDriverDeletionsWhateverElseFails) {
    const int points = FailEachCallInTurn([](FaultPlan& plan) {
        fakes::FakeOs fake;
        fake.spooler.printers.insert(velmora::kPrinterName);
        fake.spooler.ports.insert(velmora::kPortNameW);
        fake.spooler.drivers.insert(velmora::kPrinterName);
        fake.InjectFaults(plan);

        const bool uninstalled = velmora::UninstallAction(fake.os);

        SCOPED_TRACE("failed call: " + plan.failed);
        const bool driver_refused = plan.failed == "DeletePrinterDriverA";
        EXPECT_EQ(uninstalled, !driver_refused);
        EXPECT_EQ(fake.spooler.drivers.empty(), !driver_refused);
        EXPECT_TRUE(fake.ui.boxes.empty());
        ExpectEverythingReleasedOnce(fake);
    });
    RecordProperty("failure_points", points);
    EXPECT_GE(points, 8);
}

TEST(ReportFaultTest, NoFailureLeavesTheThreadAndWhatWasOpenedClosesOnceInReverse) {
    const int points = FailEachCallInTurn([](FaultPlan& plan) {
        fakes::FakeOs fake;
        fake.internet.body = "OK\r\nsecond line\r\n";
        fake.internet.largest_read = 2;  // the first line takes several reads
        fake.InjectFaults(plan);
        velmora::StartReportThread(fake.os, velmora::kReportInstallPath);
        for (const auto& thread : fake.kernel.threads) thread.start(thread.argument);

        SCOPED_TRACE("failed call: " + plan.failed);
        const auto& net = fake.internet;
        EXPECT_EQ(net.closed,
                  std::vector<plat::HINTERNET>(net.acquired.rbegin(), net.acquired.rend()));
        EXPECT_TRUE(fake.ui.boxes.empty());
        ExpectEverythingReleasedOnce(fake);
    });
    RecordProperty("failure_points", points);
    EXPECT_GE(points, 8);
}

TEST(SettingsFileFaultTest, AFailedReadGivesThatKeysDefaultAndAFailedWriteLosesOnlyThatKey) {
    const std::string before = "[before]\na=1\n[zarvoprinter]\n";
    const std::string after = "[after]\nb=2\n";
    const std::vector<std::pair<std::string, std::string>> stored = {{"exe", "1"},
                                                                     {"exename", "run.exe"},
                                                                     {"outtype", "JPG"},
                                                                     {"outpath", "D:\\out"},
                                                                     {"overwrite", "1"}};
    std::string file = before;
    for (const auto& [key, value] : stored) file += key + "=" + value + "\n";
    file += after;
    // The key of a failed call, named after the call's name and a space.
    const auto failed_key = [](const FaultPlan& plan) {
        return plan.Fired() ? plan.failed.substr(plan.failed.find(' ') + 1) : std::string();
    };

    const int reads = FailEachCallInTurn([&](FaultPlan& plan) {
        fakes::FakeProfile profile;
        profile.SetText(velmora::kSettingsFile, file);
        profile.faults = &plan;
        const velmora::OutputSettings loaded = velmora::LoadOutputSettings(profile);

        const std::string key = failed_key(plan);
        SCOPED_TRACE("failed call: " + plan.failed);
        EXPECT_EQ(loaded.m_bRunExe, key == "exe" ? 0 : 1);
        EXPECT_EQ(loaded.m_strExeName, key == "exename" ? "zarvoconv.exe" : "run.exe");
        EXPECT_EQ(loaded.m_strOutType, key == "outtype" ? "BMP" : "JPG");
        EXPECT_EQ(loaded.m_strOutPath, key == "outpath" ? "c:\\" : "D:\\out");
        EXPECT_EQ(loaded.m_bOverwrite, key == "overwrite" ? 0 : 1);
    });
    EXPECT_EQ(reads, 5);

    const velmora::OutputSettings changed{0, "new.exe", "PNG", "E:\\new", 0};
    const std::map<std::string, std::string> new_values = {{"exe", "0"},
                                                           {"exename", "new.exe"},
                                                           {"outtype", "PNG"},
                                                           {"outpath", "E:\\new"},
                                                           {"overwrite", "0"}};
    const int writes = FailEachCallInTurn([&](FaultPlan& plan) {
        fakes::FakeProfile profile;
        profile.SetText(velmora::kSettingsFile, file);
        profile.faults = &plan;
        velmora::SaveOutputSettings(profile, changed);

        const std::string key = failed_key(plan);
        SCOPED_TRACE("failed call: " + plan.failed);
        std::string expected = before;
        for (const auto& [name, old_value] : stored) {
            expected += name + "=" + (name == key ? old_value : new_values.at(name)) + "\n";
        }
        EXPECT_EQ(profile.Text(velmora::kSettingsFile), expected + after);
    });
    EXPECT_EQ(writes, 5);
}

TEST(SettingsDialogFaultTest, EveryHandlerSurvivesEachFailureAndOkStillWritesTheFile) {
    const int points = FailEachCallInTurn([](FaultPlan& plan) {
        using fakes::FakeDialogView;
        fakes::FakeDialogHost host;
        fakes::FakeOs fake;
        fakes::FakeProfile profile;
        profile.SetText(velmora::kSettingsFile,
                        "[zarvoprinter]\nexe=1\nouttype=JPG\n[other]\nkept=1\n");
        fake.ui.strings[IDS_ABOUTBOX] = "About";
        plat::Os os{fake.services, fake.spooler,  fake.kernel, fake.registry,
                    profile,       fake.internet, fake.ui,     fake.sockets};
        fake.InjectFaults(plan);
        host.faults = &plan;
        profile.faults = &plan;

        host.scripts[IDD_ABOUTBOX] = [](FakeDialogView&, plat::DialogClient& about) {
            about.OnCommand(plat::kIdOk, plat::kBnClicked);
        };
        host.scripts[IDD_VELMORA_DIALOG] = [](FakeDialogView& view, plat::DialogClient& dialog) {
            view.Type(IDC_OUTPATH, "E:\\typed");
            view.Click(IDC_RUNEXE);
            for (int id :
                 {IDC_RUNEXE, IDC_BROWSE_OUTPATH, IDC_BROWSE_EXE, IDC_INSTALL, IDC_UNINSTALL}) {
                dialog.OnCommand(static_cast<unsigned>(id), plat::kBnClicked);
            }
            dialog.OnSysCommand(IDM_ABOUTBOX, 0);
            view.iconic = true;
            dialog.OnPaint();
            dialog.OnCommand(plat::kIdOk, plat::kBnClicked);
        };
        velmora::CWinApp app;
        velmora::ShowSettingsDialog(
            app, os, host,
            {[](plat::Os&) { return plat::kTrue; }, [](plat::Os&) { return plat::kFalse; }});
        profile.faults = nullptr;  // the checks below read the store

        SCOPED_TRACE("failed call: " + plan.failed);
        EXPECT_EQ(app.m_pMainWnd, nullptr);
        EXPECT_EQ(host.items_freed, host.items_out);
        EXPECT_EQ(host.cursor, host.arrow);
        if (plan.failed == "DialogBoxParamA " + std::to_string(IDD_VELMORA_DIALOG)) {
            EXPECT_TRUE(profile.writes.empty());
            EXPECT_TRUE(fake.ui.boxes.empty());
            return;
        }
        // One box per sequence button, telling that sequence's outcome.
        const std::size_t lost_boxes = plan.failed == "MessageBoxIndirectA" ? 1 : 0;
        EXPECT_EQ(fake.ui.boxes.size() + lost_boxes, 2u);
        for (const auto& text : BoxTexts(fake.ui)) {
            EXPECT_TRUE(text == "安装Zarvo虚拟打印机驱动 成功 " ||
                        text == "卸载Zarvo虚拟打印机驱动 失败 ")
                << text;
        }
        // OK wrote all five keys; a refused write keeps that key's old value, nothing else.
        ASSERT_EQ(profile.writes.size(), 5u);
        for (const auto& write : profile.writes) {
            char value[64] = {};
            profile.GetPrivateProfileStringA(write.section.c_str(), write.key.c_str(), "(none)",
                                             value, sizeof value, write.file.c_str());
            if (plan.failed != "WritePrivateProfileStringA " + write.key) {
                EXPECT_EQ(value, write.value) << write.key;
            }
        }
        EXPECT_NE(profile.Text(velmora::kSettingsFile).find("[other]\nkept=1\n"),
                  std::string::npos);
    });
    RecordProperty("failure_points", points);
    EXPECT_GE(points, 40);
}

}  // namespace
