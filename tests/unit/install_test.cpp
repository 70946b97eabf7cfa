// Install, uninstall and check against the pretend system: end states and logs, failures shown or
// logged, the read-back, 64-bit Windows, the bounded waits.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/account.h"
#include "fake_system.h"
#include "install/service_ops.h"
#include "platform/mbcs.h"

namespace {

using namespace fake;
using testing::EndsWith;
using testing::HasSubstr;
const std::string kName = velmora::kPrinterName, kPort = "zarvoPrinter Port";

// A previous installation's files in the driver folder of `environment`, and others' beside them.
void LeaveOldFiles(System& f, const std::string& environment) {
    for (std::string name :
         {"QXOEMUI.dll", "STDNAMES.GPD", "zarvoprinter.GPD", "QXOEMUI.INI", "zarvoprinter.dll",
          "QXUNIDRV.DLL", "QXUNIDRVUI.DLL", "zarvoprinter.BUD", "OTHER.DLL"}) {
        f.files[f.Directory("drivers", environment) + "\\3\\" + name] = "old";
    }
    for (const char* name : {"Qxproc.dll", "Halvoproc.dll", "Fenwoproc.dll", "w.dll"}) {
        f.files[f.Directory("prtprocs", environment) + "\\" + name] = "old";
    }
    for (const char* name : {"velmora.ini", "dorvaPrinter.exe", "zarvoprintsetup.ini"}) {
        f.files[f.windows + "\\" + name] = "old";
    }
}

// The names of the files left, in order.
std::string Kept(const System& f) {
    std::string kept;
    for (const auto& file : f.files) kept += file.first.substr(file.first.rfind('\\')) + " ";
    return kept;
}

TEST(InstallTest, PutsThePrinterInPlaceAndLogsEachStep) {
    System f;
    LeaveOldFiles(f, kX86);
    EXPECT_EQ(Program(f, "-i"), 0);
    // The queue on the port and driver made before it; the default printer, announced; nothing
    // left open; the stale files gone (the print processors' with the spooler stopped), others'
    // kept; the spool directory written before the spooler restarts, the printer's key the only
    // one closed.
    const System::Queue& q = f.queues[kName];
    EXPECT_EQ(Say('|', q.port, q.driver, q.record, q.attributes, f.Device(), f.Log("broadcast "),
                  f.Unreleased(), Kept(f), f.reg[kSpoolKey]["SpoolDirectory"], f.Log("close ")),
              kPort + "|" + kName + "|" + kName + "," VELMORA_REPORT_HOST ",,,,0,0,|1|" + kName +
                  "," + kName + "," + kPort +
                  "|0 1000||\\Velmora.exe \\zarvoPrinter.inf \\Velmora.log \\dorvaPrinter.exe "
                  "\\rundll32.exe \\OTHER.DLL \\STDNAMES.GPD \\w.dll \\zarvoprintsetup.ini "
                  "|C:\\windows|key " +
                  kSpoolKey + "|");
    f.RunThreads();
    EXPECT_EQ(f.RunLog(),
              "Velmora 1.0.0.0, command \"-i\", Windows 6.0.0 (NT), 64-bit, elevated: yes|copy "
              "program to the Windows directory: ok|start spooler: failed, error 1056|remove stale "
              "files: 11 deleted|run driver installer: ok, exit code 0|check: driver for Windows "
              "NT x86 installed|add port: ok|create queue: ok|set default printer by "
              "SetDefaultPrinterW for account zhang: ok|write spool directory value: ok|stop "
              "spooler: ok|start spooler: ok|check: queue " +
                  kName + " on port \"" + kPort + "\", driver \"" + kName +
                  "\", processor \"WinPrint\", datatype \"RAW\"|check: port zarvoPrinter Port "
                  "listed|check: default printer \"" +
                  kName +
                  "\" (ours)|result: succeeded, exit code 0|report "
                  "/zarvoprinter/servlet/PrintInstall: answered \"OK\"");
}

TEST(InstallTest, On64BitWindowsBothWaysTheX64DriverAndOnArm64NothingIsDone) {
    for (const bool has_wow64_process2 : {true, false}) {  // Windows 10 1511 and later, or older
        System f;
        f.machine = kImageFileMachineAmd64;
        f.has_wow64_process2 = has_wow64_process2;
        // Earlier installations of either width left their files; an x86 copy of our driver is
        // there too (Wine's in-process spooler wants one).
        LeaveOldFiles(f, kX64);
        LeaveOldFiles(f, kX86);
        f.drivers[kX86].insert(kName);
        EXPECT_EQ(Program(f, "-i"), 0);
        EXPECT_THAT(f.commands.at(0), HasSubstr(" /h \"x64\" /v \"Type 3 - User Mode\" /f "));
        EXPECT_EQ(Kept(f),
                  "\\Velmora.exe \\zarvoPrinter.inf \\Velmora.log \\dorvaPrinter.exe "
                  "\\rundll32.exe \\OTHER.DLL \\STDNAMES.GPD \\OTHER.DLL \\STDNAMES.GPD "
                  "\\w.dll \\w.dll \\zarvoprintsetup.ini ");
        // Removed for the spooler's own environment and the x86 copy; a second run finds none.
        EXPECT_EQ(Program(f, "-c") + Program(f, "-u"), 0);
        EXPECT_EQ(f.drivers[kX64].size() + f.drivers[kX86].size() + f.queues.size(), 0u);
        EXPECT_EQ(Program(f, "-u"), 1);
    }
    System arm;  // nothing copied, nothing removed, nothing sent
    const auto files = arm.files;
    arm.machine = kImageFileMachineArm64;
    EXPECT_EQ(Program(arm, "-i") + Program(arm, "-u") + Program(arm, "-c"), 3);
    EXPECT_THAT(arm.RunLog(), EndsWith("\"-c\", Windows 6.0.0 (NT), ARM64 (WOW64), elevated: "
                                       "yes|Windows runs on ARM64, which has no driver: nothing "
                                       "done|result: failed, exit code 1"));
    EXPECT_EQ(arm.Log("box "),
              "本程序不支持此 Windows 的处理器 (ARM64)，打印机驱动未安装，"
              "未作任何更改。|安装打印机驱动发生错误!");
    arm.files.erase(arm.temp + "Velmora.log");
    EXPECT_EQ(Say(' ', arm.files == files, arm.threads.size() + arm.ports.size()), "1 1 ");
}

TEST(InstallTest, EachWatchedFailureIsShownOrLoggedAndExitsWith1) {
    const std::tuple<std::function<void(System&)>, std::string, std::string> failures[] = {
        {[](System& f) { f.files.erase(f.system + "\\rundll32.exe"); }, "CreatePrintDriver error 2",
         "run driver installer: failed, error 2"},
        {[](System& f) { f.fail("GetSystemDirectoryW", 5); }, "CreatePrintDriver error 5",
         "run driver installer: failed, error 5"},
        {[](System& f) { f.fail("WaitForSingleObject", 6, 1); }, "CreatePrintDriver error 6",
         "run driver installer: failed, error 6"},  // WAIT_FAILED is no success
        {[](System& f) { f.child_ms = kInfinite; }, "CreatePrintDriver error 258",
         "run driver installer: failed, error 258"},  // bounded: 10 minutes of virtual time
        {[](System& f) { f.fail("XcvDataW", 5); }, "PortAddOrDelete error 5",
         "add port: failed, error 5"},
        {[](System& f) { f.refusal = 5; }, "PortAddOrDelete error 5",
         "add port (monitor status 5): failed, error 5"},  // the monitor's own refusal
        {[](System& f) { f.refusal = 2; }, "PortAddOrDelete error 2",
         "add port (monitor status 2): failed, error 2"},  // "no such port" is for deleting
        {[](System& f) {
             f.queues[kName] = {"LPT1:", "Other"};
         },
         "AddPrinter error 1802",
         "queue exists already, port \"LPT1:\", driver \"Other\": not ours"},
        {[](System& f) { f.files.erase(kDir + Str("zarvoPrinter.inf")); }, "AddPrinter error 1797",
         "create queue: failed, error 1797"},  // no package: no driver
        {[](System& f) { f.fail("AddPrinterA", 0xFFFFFFFF); }, "AddPrinter error -1",
         "create queue: failed, error -1"}};
    for (const auto& [cause, text, step] : failures) {
        for (const char* tail : {"-i", "-q -i"}) {
            SCOPED_TRACE(text + " with " + tail);
            System f;
            cause(f);
            EXPECT_EQ(Program(f, tail), 1);
            const bool quiet = tail[1] == 'q';
            const std::string message = quiet ? "|message (not shown): " : "|message: ";
            EXPECT_EQ(f.Log("box "), quiet ? "" : text + "|安装打印机驱动发生错误!");
            EXPECT_THAT(f.RunLog(),
                        EndsWith(step + message + text + message +
                                 "安装打印机驱动发生错误!|result: failed, exit code 1"));
            EXPECT_EQ(f.clock > 600000, text.find("258") != text.npos);  // ten minutes
            // Nothing after the failed step; nothing left open.
            EXPECT_EQ(f.Device() + Str(f.reg[kSpoolKey].size()) + f.Unreleased(), "0");
        }
    }
}

TEST(InstallTest, StepsBeyondTheWatchedThreeAreLoggedAndTheReadBackDecides) {
    const std::string denied =
        ": failed, error 5 (access denied: run the program as administrator)";
    const std::tuple<std::function<void(System&)>, int, std::string> runs[] = {
        {[](System& f) { f.fail("SetDefaultPrinterA", 5); }, 0,
         "|set default printer by SetDefaultPrinterW for account zhang: failed, error 5|"},
        {[](System& f) { f.fail("RegSetValueExW", 5); }, 0,
         "|write spool directory value: failed, error 5|"},
        {[](System& f) { f.fail("RegSetValueExW", 5), f.elevated = 0; }, 0,
         "|write spool directory value" + denied},  // said why, where it helps
        {[](System& f) { f.account = std::string(velmora::kSystemSid); }, 0,
         "SetDefaultPrinterW for the system account: ok|"},  // whose default printer
        {[](System& f) { f.fail("GetUserNameW"); }, 0, "SetDefaultPrinterW for this account: ok|"},
        {[](System& f) { f.fail("GetPrintProcessorDirectoryW"); }, 0,
         "|remove stale files: 0 deleted|"},
        // A program path longer than any Windows gives is cut: not one to copy.
        {[](System& f) { f.module = "C:\\" + std::string(40000, 'm'); }, 1,
         "|copy program to the Windows directory: failed, error 536870913 (the system"},
        {[](System& f) { f.child_exit = 3; }, 0, "|run driver installer: ok, exit code 3|"},
        {[](System& f) { f.reg.clear(); }, 0,
         "|write spool directory value: no printer key of that name, nothing written|"},
        // The new queue cannot be read back: not known to be ours.
        {[](System& f) { f.fail("GetPrinterA", 31, 0, 1); }, 1,
         "|check: queue: failed, error 31|check: port zarvoPrinter Port listed|check: default "
         "printer \"" +
             kName + "\" (ours)|check: the queue is not ours, so the install failed|"}};
    for (const auto& [cause, code, logged] : runs) {
        SCOPED_TRACE(logged);
        System f;
        cause(f);
        EXPECT_EQ(Program(f, "-i -q"), code);
        EXPECT_THAT(f.RunLog(), HasSubstr(logged));
        // The other windows are told only of a default printer that was set.
        EXPECT_EQ(f.Log("broadcast ").empty(),
                  logged.find("SetDefaultPrinterW for account zhang: f") != logged.npos ||
                      logged.find("copy") != logged.npos);
    }
    // A log that cannot be written, or has no folder, changes nothing else; without the Windows
    // directory the spool value is the old default.
    System a, b, c;
    b.fail("CreateFileW");
    c.fail("GetTempPathW");
    a.fail("GetWindowsDirectoryW");
    b.fail("GetWindowsDirectoryW");
    c.fail("GetWindowsDirectoryW");
    EXPECT_EQ(Program(a, "-i") + Program(b, "-i") + Program(c, "-i"), 0);
    EXPECT_EQ(Say('|', b.log == a.log, c.log == a.log, b.RunLog(), c.files == b.files), "1|1||1|");
    EXPECT_EQ(a.reg[kSpoolKey]["SpoolDirectory"], "C:\\WINNT");
    EXPECT_THAT(a.RunLog(), HasSubstr("|copy program to the Windows directory: failed, error 31|"));
}

TEST(InstallTest, AFailureWithoutASystemCodeGetsTheProgramsOwnNeverAnEarlierCallsCode) {
    const std::pair<const char*, std::string> steps[] = {
        {"CopyFileW", "copy program to the Windows directory"},
        {"CreateProcessW", "run driver installer"},
        {"XcvDataW", "add port"},
        {"OpenPrinterA", "add port"},      // the port monitor's
        {"OpenPrinterA", "check: queue"},  // the read-back's, after the port monitor's
        {"OpenPrinterA", "open queue"},    // the uninstall's
        {"DeletePrinterDriverA", "delete driver"}};
    for (const auto& [call, step] : steps) {
        SCOPED_TRACE(Str(call) + ": " + step);
        System f;
        const bool uninstall = step == "open queue" || step == "delete driver";
        if (uninstall) Program(f, "-i");
        f.last_error = 0xB0B;  // left by whatever ran before
        f.fail(call, System::kNoCode, step == "check: queue");
        Program(f, uninstall ? "-u -q" : "-i");
        EXPECT_THAT(f.RunLog(), HasSubstr(step + ": failed, error 536870913 (the system gave no "
                                                 "error code)"));  // 0x20000001: bit 29
        EXPECT_THAT(f.RunLog(), testing::Not(HasSubstr(Str(0xB0B))));
        // A watched step's box says the same code as the log.
        EXPECT_EQ(f.Log("box ").find(" error 536870913") != std::string::npos,
                  step == "add port" || step == "run driver installer");
    }
}

TEST(ReadBackTest, TheRestartedSpoolerIsAskedEveryHalfSecondForAtMostTenSeconds) {
    const auto extra_time = [](DWORD error, int times) {
        System plain, f;
        EXPECT_EQ(Program(plain, "-i -q"), 0);
        f.fail("OpenPrinterA", error, 1, times);  // the first open is the port monitor's
        EXPECT_EQ(Program(f, "-i -q"), times < 0 ? 1 : 0);
        const std::string log = f.RunLog(), check = log.substr(log.find("|check: queue") + 1);
        return Str(f.clock - plain.clock) + " " + check.substr(0, check.find('|'));
    };
    EXPECT_EQ(extra_time(1722, 3), "1500 check: queue " + kName + " on port \"" + kPort +
                                       "\", driver \"" + kName +
                                       "\", processor \"WinPrint\", datatype \"RAW\"");
    EXPECT_EQ(extra_time(1722, -1), "10000 check: queue: failed, error 1722");
    EXPECT_EQ(extra_time(1801, -1), "0 check: queue: failed, error 1801");  // judged at once
    for (const DWORD error : {1723, 1726, 1727, 1753}) {  // the spooler's other ways of saying so
        EXPECT_EQ(extra_time(error, 1).substr(0, 18), "500 check: queue Z") << error;
    }
}

TEST(ServiceTest, WaitsArePacedByTheHintAndBoundedInVirtualTime) {
    using velmora::StartServiceAndWait;
    using velmora::StopServiceAndWait;
    System f;
    f.spooler = kServiceStopped;
    f.settle = 2;  // each state change takes two status queries
    f.hint = 3000;
    EXPECT_TRUE(StartServiceAndWait(f, f, "spooler"));
    EXPECT_TRUE(StopServiceAndWait(f, f, "Spooler"));
    EXPECT_EQ(f.Log("sleep "), "500|3500|1000|500|500");  // the first start pause ignores the hint
    // Refused at once: already stopped, already running.
    EXPECT_FALSE(StopServiceAndWait(f, f, "spooler"));
    f.spooler = kServiceRunning;
    EXPECT_FALSE(StartServiceAndWait(f, f, "spooler"));
    // A service that never gets there is waited for at most the limit.
    f.settle = -1;
    f.hint = 0xFFFFFFFF;
    f.clock = 0;
    EXPECT_TRUE(StopServiceAndWait(f, f, "spooler"));
    EXPECT_EQ(f.clock, 1000u + 60000);  // a minute after the stop's first pause
    f.spooler = kServiceStopped;
    f.clock = 0;
    EXPECT_TRUE(StartServiceAndWait(f, f, "spooler"));
    EXPECT_EQ(f.clock, 60000u);
    // A failed status query ends the wait; a failed open ends the call.
    f.spooler = kServiceStopped;
    f.clock = 0;
    f.fail("QueryServiceStatus");
    EXPECT_TRUE(StartServiceAndWait(f, f, "spooler"));
    EXPECT_EQ(f.clock, 500u);
    for (const char* call : {"OpenServiceA", "OpenSCManagerA"}) {
        f.fail(call);
        EXPECT_FALSE(StartServiceAndWait(f, f, "spooler") || StopServiceAndWait(f, f, "spooler"));
    }
    EXPECT_EQ(f.Unreleased(), "");
}

TEST(UninstallTest, RemovesQueuePortAndDriverAfterTheReportsHeadStart) {
    System f;
    EXPECT_EQ(Program(f, "-i"), 0);
    f.log.clear();
    f.files.erase(f.temp + "Velmora.log");
    EXPECT_EQ(Program(f, "-u"), 0);
    EXPECT_EQ(f.Log(""),
              "dll search 2048|controls 8 255|thread 4 /zarvoprinter/servlet/"
              "PrintUnInstall|sleep 3000|deleted " +
                  kName + "|DeletePort " + kPort + "|driver deleted Windows NT x86 " + kName);
    EXPECT_EQ(Say(' ', f.queues.size(), f.drivers[kX86].size(), f.boxes.size(), f.Unreleased()),
              "0 0 0  ");
    EXPECT_EQ(Program(f, "-u"), 1);  // nothing left: the missing driver fails it
    EXPECT_THAT(f.RunLog(), HasSubstr("|delete port (monitor status 2): ok|"));
    // A queue the spooler will not delete keeps its driver in use; its handle is still closed.
    EXPECT_EQ(Program(f, "-i"), 0);
    f.fail("DeletePrinter", 5);
    f.refusal = 1796;  // an older monitor's "unknown port"
    EXPECT_EQ(Program(f, "-u"), 1);
    EXPECT_THAT(f.RunLog(), HasSubstr("|delete port (monitor status 1796): ok|"));
    EXPECT_EQ(Say(' ', f.queues.count(kName), f.drivers[kX86].count(kName), f.Unreleased()),
              "1 1  ");
}

TEST(CheckTest, AnswersZeroOnlyWhenQueuePortAndDriverAreInPlaceChangingNothing) {
    System f;
    EXPECT_EQ(Program(f, "-c"), 1);
    EXPECT_EQ(Program(f, "-i -q"), 0);
    f.mutexes[kLock] = {std::string(velmora::kSystemSid), "agent", false, kInfinite};  // no lock
    f.log.clear();
    f.files.erase(f.temp + "Velmora.log");
    const auto files = f.files;
    EXPECT_EQ(Program(f, "-c"), 0);
    // Nothing changed, nothing sent, nothing shown.
    EXPECT_EQ(f.Log(""), "dll search 2048|controls 8 255");
    f.files.erase(f.temp + "Velmora.log");
    EXPECT_EQ(Say(' ', f.files == files, f.threads.size(), f.boxes.size()), "1 0 0 ");
    // The port or the driver gone is as wrong as the queue.
    f.drivers[kX86].clear();
    EXPECT_EQ(Program(f, "-c"), 1);
    f.drivers[kX86].insert(kName);
    f.ports.erase(kPort);
    EXPECT_EQ(Program(f, "-c"), 1);
    f.ports.insert(kPort);
    f.fail("EnumPortsA", 5, 1);  // the list cannot be read
    EXPECT_EQ(Program(f, "-c"), 1);
    // Names compare in any ASCII case, but a double-byte character's trail byte is never folded.
    EXPECT_TRUE(plat::SameNameIgnoringCase("za\x81\x41", "ZA\x81\x41"));
    EXPECT_FALSE(plat::SameNameIgnoringCase("\x81\x41", "\x81\x61"));
}

}  // namespace
