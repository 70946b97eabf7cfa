// The install sequence's step order, its three watched failures and the "-i" action.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "fakes/fake_install_os.h"
#include "install/printer_constants.h"
#include "install/sequences.h"
#include "report/report.h"

namespace {

constexpr char kSpoolKey[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\zarvo printer";

// The sequence's steps as the system sees them, in order.
std::vector<std::string> Steps(const fakes::FakeInstallOs& fake) {
    std::vector<std::string> steps;
    for (const auto& event : fake.kernel.events) {
        for (const char* prefix :
             {"thread", "copy", "StartService", "ControlService", "create", "XcvData", "AddPrinter",
              "SetDefaultPrinterA", "broadcast", "Reg"}) {
            if (event.rfind(prefix, 0) == 0) steps.push_back(event);
        }
    }
    return steps;
}

class InstallSequenceTest : public ::testing::Test {
  protected:
    InstallSequenceTest() { fake.registry.keys.insert(kSpoolKey); }
    fakes::FakeInstallOs fake;
};

TEST_F(InstallSequenceTest, RunsTheTwelveStepsAndClosesTheKeyAfterTheFinalRestart) {
    EXPECT_TRUE(velmora::InstallPrinter(fake.os));
    EXPECT_EQ(
        Steps(fake),
        (std::vector<std::string>{
            "thread 4 /zarvoprinter/servlet/PrintInstall",
            "copy C:\\Program Files\\Velmora\\Velmora.exe -> C:\\windows\\dorvaPrinter.exe",
            "StartService spooler",
            "ControlService Spooler",  // stale-file removal stops and restarts it itself
            "StartService Spooler",
            "create C:\\windows\\system32\\rundll32.exe | rundll32 printui.dll,PrintUIEntry "
            "/ia  /m \"Zarvo虚拟打印机\" /h \"Intel\" /v \"Windows 2000\" /f zarvoPrinter.inf",
            "XcvData AddPort",
            "AddPrinter Zarvo虚拟打印机",
            "SetDefaultPrinterA Zarvo虚拟打印机",
            "broadcast 0",
            std::string("RegOpenKey ") + kSpoolKey,
            "RegSetValue SpoolDirectory",
            "ControlService spooler",
            "StartService spooler",
            std::string("RegCloseKey ") + kSpoolKey,
        }));
    EXPECT_TRUE(fake.ui.boxes.empty());
    EXPECT_EQ(fake.spooler.ports.count(velmora::kPortNameW), 1u);
    EXPECT_EQ(fake.spooler.printers.count(velmora::kPrinterName), 1u);
    EXPECT_TRUE(fake.registry.open.empty());
    EXPECT_TRUE(fake.spooler.open.empty());
    EXPECT_TRUE(fake.kernel.open.empty());
}

struct WatchedFailure {
    const char* name;
    std::function<void(fakes::FakeInstallOs&)> cause;
    const char* message;
    const char* last_step;  // the failed step's own call
};

TEST_F(InstallSequenceTest, EachWatchedFailureEndsTheSequenceWithItsMessageAndCode) {
    const std::vector<WatchedFailure> failures = {
        {"installer cannot start", [](auto& f) { f.kernel.create_process_error = 2; },
         "CreatePrintDriver error 2", "create"},
        {"port monitor refuses", [](auto& f) { f.spooler.xcv_call_succeeds = false; },
         "PortAddOrDelete error 1796", "XcvData"},
        {"queue already exists", [](auto& f) { f.spooler.printers.insert(velmora::kPrinterName); },
         "AddPrinter error 1802", "AddPrinter"},
    };
    for (const auto& failure : failures) {
        fakes::FakeInstallOs run;
        run.registry.keys.insert(kSpoolKey);
        failure.cause(run);

        EXPECT_FALSE(velmora::InstallPrinter(run.os)) << failure.name;
        ASSERT_EQ(run.ui.boxes.size(), 1u) << failure.name;
        EXPECT_EQ(run.ui.boxes[0].text, failure.message);
        EXPECT_EQ(run.ui.boxes[0].caption, "Velmora");
        EXPECT_EQ(run.ui.boxes[0].style, plat::kMbOk | plat::kMbIconExclamation);
        EXPECT_EQ(run.ui.boxes[0].help_context, 0u);

        // Nothing runs after the failed step but the holder handing back its root.
        const auto steps = Steps(run);
        ASSERT_GE(steps.size(), 2u);
        EXPECT_EQ(steps[steps.size() - 2].rfind(failure.last_step, 0), 0u) << failure.name;
        EXPECT_EQ(steps.back(), "RegCloseKey HKLM") << failure.name;
        EXPECT_TRUE(run.spooler.open.empty()) << failure.name;
    }
}

TEST_F(InstallSequenceTest, InstallActionAddsItsOwnBoxAfterTheStepsBoxOnFailure) {
    EXPECT_TRUE(velmora::InstallAction(fake.os));
    EXPECT_TRUE(fake.ui.boxes.empty());

    fakes::FakeInstallOs failing;
    failing.kernel.create_process_error = 5;
    EXPECT_FALSE(velmora::InstallAction(failing.os));
    ASSERT_EQ(failing.ui.boxes.size(), 2u);
    EXPECT_EQ(failing.ui.boxes[0].text, "CreatePrintDriver error 5");
    EXPECT_EQ(failing.ui.boxes[1].text, "安装打印机驱动发生错误!");
    EXPECT_EQ(failing.ui.boxes[1].help_context, 0u);
}

}  // namespace
