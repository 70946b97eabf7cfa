// Install and uninstall against the pretend system: end states and logs, failures shown or logged,
// the read-back, 64-bit Windows, the default-printer routes, the bounded waits.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/account.h"
#include "fake_system.h"
#include "install/driver_package.h"
#include "install/printer_setup.h"
#include "install/service_ops.h"
#include "platform/mbcs.h"

namespace {

using namespace fake;
using testing::EndsWith;
using testing::HasSubstr;
const std::string kName = velmora::kPrinterName;

// A previous installation's files, and others' files beside them.
void LeaveOldFiles(System& f, const std::string& environment = kX86) {
    for (std::string name : {"3\\QXOEMUI.dll", "3\\STDNAMES.GPD", "3\\zarvoprinter.GPD",
                             "3\\QXOEMUI.INI", "3\\zarvoprinter.dll", "3\\QXUNIDRV.DLL",
                             "3\\QXUNIDRVUI.DLL", "3\\zarvoprinter.BUD", "3\\OTHER.DLL"}) {
        f.files[f.DriverDirectory(environment) + "\\" + name] = "old";
    }
    for (const char* name : {"\\Qxproc.dll", "\\Halvoproc.dll", "\\Fenwoproc.dll", "\\w.dll"}) {
        f.files[kProcessors + Str(name)] = "old";
    }
    for (const char* name : {"\\velmora.ini", "\\dorvaPrinter.exe", "\\zarvoprintsetup.ini"}) {
        f.files[f.windows + name] = "old";
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
    LeaveOldFiles(f);
    EXPECT_EQ(Program(f, "-i"), 0);
    EXPECT_EQ(f.Unreleased(), "");
    EXPECT_EQ(f.files["C:\\windows\\dorvaPrinter.exe"], "MZ velmora");
    EXPECT_EQ(f.commands.at(0),
              "rundll32 printui.dll,PrintUIEntry /ia  /m \"Zarvo虚拟打印机\" "
              "/h \"Intel\" /v \"Windows 2000\" /f zarvoPrinter.inf");
    // The queue on the port and driver made before it, and the default printer.
    const System::Queue& q = f.queues[kName];
    EXPECT_EQ(Say('|', q.port, q.driver, q.record, q.attributes),
              "zarvoPrinter Port|" + kName + "|" + kName + "," VELMORA_REPORT_HOST ",,,,0,0,|1|");
    EXPECT_EQ(f.Device() + "|" + f.Log("broadcast "),
              kName + "," + kName + ",zarvoPrinter Port|0 1000");
    // The stale files went, the print processors' with the spooler stopped; others stay.
    EXPECT_EQ(Kept(f),
              "\\Velmora.exe \\zarvoPrinter.inf \\Velmora.log \\dorvaPrinter.exe \\rundll32.exe "
              "\\OTHER.DLL \\STDNAMES.GPD \\w.dll \\zarvoprintsetup.ini ");
    // The spool directory written, then the spooler restarted; the key closed after that.
    EXPECT_EQ(f.reg[kSpoolKey]["SpoolDirectory"], "C:\\windows");
    EXPECT_THAT(f.Log(""), EndsWith("set SpoolDirectory|stop|sleep 1000|start|sleep 500|close "
                                    "key " +
                                    Str(kSpoolKey)));
    f.RunThreads();
    EXPECT_EQ(f.RunLog(),
              "Velmora 1.0.0.0, command \"-i\", Windows 6.0.0 (NT), 64-bit, elevated: yes|copy "
              "program to the Windows directory: ok|start spooler: failed, error 1056|remove stale "
              "files: 11 deleted|run driver installer: ok, exit code 0|check: driver for Windows "
              "NT x86 installed|add port: ok|create queue: ok|set default printer by "
              "SetDefaultPrinterW for account zhang: ok|write spool directory value: ok|stop "
              "spooler: ok|start spooler: ok|check: queue " +
                  kName + " on port \"zarvoPrinter Port\", driver \"" + kName +
                  "\", processor \"WinPrint\", datatype \"RAW\"|check: port zarvoPrinter Port "
                  "listed|check: default printer \"" +
                  kName +
                  "\" (ours)|result: succeeded, exit code 0|report "
                  "/zarvoprinter/servlet/PrintInstall: answered \"OK\"");
}

TEST(InstallTest, EachWatchedFailureIsShownOrLoggedAndExitsWith1) {
    const std::tuple<std::function<void(System&)>, std::string, std::string> failures[] = {
        {[](System& f) { f.files.erase(f.system + "\\rundll32.exe"); }, "CreatePrintDriver error 2",
         "run driver installer: failed, error 2"},
        {[](System& f) { f.fail("GetSystemDirectoryW", 5); }, "CreatePrintDriver error 5",
         "run driver installer: failed, error 5"},
        {[](System& f) { f.fail("WaitForSingleObject", 6); }, "CreatePrintDriver error 6",
         "run driver installer: failed, error 6"},  // WAIT_FAILED is no success
        {[](System& f) { f.child_ms = kInfinite; }, "CreatePrintDriver error 258",
         "run driver installer: failed, error 258"},  // bounded: 10 minutes of virtual time
        {[](System& f) { f.fail("XcvDataW", 5); }, "PortAddOrDelete error 5",
         "add port: failed, error 5"},
        {[](System& f) { f.refusal = 5; }, "PortAddOrDelete error 5",
         "add port (monitor status 5): failed, error 5"},  // the monitor's own refusal
        {[](System& f) {
             f.queues[kName] = {"LPT1:", "Other"};
         },
         "AddPrinter error 1802",
         "queue exists already, port \"LPT1:\", driver \"Other\": not ours"},
        {[](System& f) { f.files.erase(kDir + Str("zarvoPrinter.inf")); }, "AddPrinter error 1797",
         "create queue: failed, error 1797"},  // no package: no driver
        {[](System& f) { f.fail("AddPrinterA", 0xFFFFFFFF); }, "AddPrinter error -1",
         "create queue: failed, error -1"},

    };
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
            EXPECT_EQ(f.Device(), "");
            EXPECT_EQ(f.reg[kSpoolKey].size(), 0u);
            EXPECT_EQ(f.Unreleased(), "");
        }
    }
}

TEST(InstallTest, TheReadBackDecidesAndTheLogWithoutAFileChangesNothing) {
    System g;
    g.fail("GetPrinterA");  // the new queue cannot be read back: not known to be ours
    EXPECT_EQ(Program(g, "-i"), 1);
    EXPECT_THAT(g.RunLog(), EndsWith("check: queue: failed, error 31|check: port zarvoPrinter Port "
                                     "listed|check: default printer \"" +
                                     kName +
                                     "\" (ours)|check: "
                                     "the queue is not ours, so the install failed|message: "
                                     "安装打印机驱动发生错误!|result: failed, exit code 1"));
    // Only our own port counts in the spooler's list; the installer's exit code is only logged.
    System p;
    EXPECT_FALSE(velmora::PortIsListed(p, p));
    System none;
    none.ports.clear();
    EXPECT_FALSE(velmora::PortIsListed(none, none));
    p.child_exit = 3;
    EXPECT_EQ(Program(p, "-i"), 0);
    EXPECT_TRUE(velmora::PortIsListed(p, p));
    EXPECT_THAT(p.RunLog(), HasSubstr("|run driver installer: ok, exit code 3|"));
    // A log that cannot be written, or has no folder, changes nothing else.
    System a, b, c;
    b.fail("CreateFileW");
    c.fail("GetTempPathW");
    EXPECT_EQ(Program(a, "-i") + Program(b, "-i") + Program(c, "-i"), 0);
    EXPECT_EQ(b.log, a.log);
    EXPECT_EQ(c.log, a.log);
    EXPECT_EQ(b.RunLog() + c.RunLog(), "");
    EXPECT_EQ(c.files, b.files);
    EXPECT_EQ(b.Unreleased() + c.Unreleased(), "");
    // Without the Windows directory the spool value is the old default.
    System w;
    w.fail("GetWindowsDirectoryW");
    EXPECT_EQ(Program(w, "-i"), 0);
    EXPECT_EQ(w.reg[kSpoolKey]["SpoolDirectory"], "C:\\WINNT");
}

TEST(InstallTest, On64BitWindowsBothWaysTheX64DriverAndOnArm64NothingIsDone) {
    for (const bool has_wow64_process2 : {true, false}) {  // Windows 10 1511 and later, or older
        SCOPED_TRACE(has_wow64_process2);
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
        EXPECT_THAT(f.RunLog(), HasSubstr("Windows 6.0.0 (NT), 64-bit (WOW64), elevated"));
        EXPECT_THAT(f.RunLog(), HasSubstr("|remove stale files: 18 deleted|"));
        EXPECT_THAT(f.RunLog(), HasSubstr("|check: driver for Windows x64 installed|"));
        EXPECT_EQ(Kept(f),
                  "\\Velmora.exe \\zarvoPrinter.inf \\Velmora.log \\dorvaPrinter.exe "
                  "\\rundll32.exe \\OTHER.DLL \\STDNAMES.GPD \\OTHER.DLL \\STDNAMES.GPD \\w.dll "
                  "\\zarvoprintsetup.ini ");
        // Removed for the spooler's own environment and the x86 copy; a second run finds none.
        EXPECT_EQ(Program(f, "-u"), 0);
        EXPECT_EQ(f.drivers[kX64].size() + f.drivers[kX86].size() + f.queues.size(), 0u);
        EXPECT_THAT(f.RunLog(),
                    EndsWith("|delete port: ok|delete driver for Windows x64: ok|delete "
                             "driver for Windows NT x86: ok|result: succeeded, exit "
                             "code 0"));
        EXPECT_EQ(Program(f, "-u"), 1);
        EXPECT_THAT(f.RunLog(), EndsWith("|delete port (monitor status 2): ok|delete driver for "
                                         "Windows x64: failed, error 1797|result: failed, exit "
                                         "code 1"));
    }
    System arm;
    arm.machine = kImageFileMachineArm64;
    const auto files = arm.files;
    EXPECT_EQ(Program(arm, "-i"), 1);
    EXPECT_EQ(Program(arm, "-u"), 1);
    EXPECT_EQ(arm.RunLog(),
              "Velmora 1.0.0.0, command \"-i\", Windows 6.0.0 (NT), ARM64 (WOW64), elevated: "
              "yes|Windows runs on ARM64, which has no driver: nothing done|message: "
              "本程序不支持此 Windows 的处理器 (ARM64)，打印机驱动未安装，未作任何更改。|message: "
              "安装打印机驱动发生错误!|result: failed, exit code 1|Velmora 1.0.0.0, command "
              "\"-u\", Windows 6.0.0 (NT), ARM64 (WOW64), elevated: yes|Windows runs on ARM64, "
              "which has no driver: nothing done|result: failed, exit code 1");
    arm.files.erase(arm.temp + "Velmora.log");
    EXPECT_EQ(arm.files, files);  // nothing copied, nothing removed
    EXPECT_EQ(arm.commands.size() + arm.threads.size() + arm.ports.size() + arm.clock, 1u);
}

TEST(InstallTest, OnlyTheWatchedStepsFailTheInstallOthersAreLoggedWithTheirCode) {
    const std::string hint = " (access denied: run the program as administrator)";
    const std::tuple<const char*, DWORD, std::string> failures[] = {
        {"SetDefaultPrinterA", 1, "set default printer by SetDefaultPrinterW for account zhang"},
        {"RegSetValueExW", 1, "write spool directory value"},
        {"RegSetValueExW", 0, "write spool directory value"}};  // not elevated: said why
    for (const auto& [call, elevated, step] : failures) {
        SCOPED_TRACE(call + Str(elevated));
        System f;
        f.elevated = elevated;
        f.fail(call, 5);
        EXPECT_EQ(Program(f, "-i -q"), 0);
        EXPECT_THAT(f.RunLog(), HasSubstr(step + ": failed, error 5" + (elevated ? "|" : hint)));
        // The other windows are told only of a default printer that was set.
        EXPECT_EQ(f.Log("broadcast ").empty(), call == Str("SetDefaultPrinterA"));
    }
    // The system account sets its own default printer, and the log says whose.
    System agent;
    agent.account = std::string(velmora::kSystemSid);
    EXPECT_EQ(Program(agent, "-i -q"), 0);
    EXPECT_THAT(agent.RunLog(), HasSubstr("SetDefaultPrinterW for the system account: ok|"));
}

TEST(InstallTest, AFailureWithoutASystemCodeGetsTheProgramsOwnNeverAnEarlierCallsCode) {
    const std::string code = "536870913";  // 0x20000001: bit 29, the program's own
    const std::pair<const char*, std::string> steps[] = {
        {"CopyFileW", "copy program to the Windows directory"},
        {"GetWindowsDirectoryW", "copy program to the Windows directory"},
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
        EXPECT_THAT(f.RunLog(), HasSubstr(step + ": failed, error " + code +
                                          " (the system gave no error code)"));
        EXPECT_THAT(f.RunLog(), testing::Not(HasSubstr(Str(0xB0B))));
        // A watched step's box says the same code as the log.
        EXPECT_EQ(f.Log("box ").find(" error " + code) != std::string::npos,
                  step == "add port" || step == "run driver installer");
    }
}

TEST(ReadBackTest, OurQueueIsOnOurPortWithOurDriverInAnyAsciiCase) {
    const auto ours_if = [](bool found, const char* port, const std::string& driver) {
        velmora::QueueRecord queue;
        queue.found = found;
        queue.port = port;
        queue.driver = driver;
        return velmora::IsOurQueue(queue);
    };
    EXPECT_TRUE(ours_if(true, "ZARVOPRINTER port", "zARVO虚拟打印机"));
    EXPECT_FALSE(ours_if(true, "LPT1:", kName));
    EXPECT_FALSE(ours_if(true, "zarvoPrinter Port", "Zarvo"));
    EXPECT_FALSE(ours_if(false, "zarvoPrinter Port", kName));
    // A double-byte character's trail byte is never folded: 0x81 0x41 and 0x81 0x61 differ.
    EXPECT_FALSE(plat::SameNameIgnoringCase("\x81\x41", "\x81\x61"));
    EXPECT_TRUE(
        plat::SameNameIgnoringCase("a\x81\x41"
                                   "B",
                                   "A\x81\x41"
                                   "b"));
    // Run again over a queue of our name: kept when it is ours in another spelling, refused
    // when on our port with another driver.
    System ours, theirs;
    ours.queues[kName] = {"ZARVOPRINTER PORT", kName};
    ours.ports.insert("ZARVOPRINTER PORT");
    EXPECT_EQ(Program(ours, "-i -q"), 0);
    EXPECT_THAT(ours.RunLog(), HasSubstr("create queue: failed, error 1802|queue exists already, "
                                         "port \"ZARVOPRINTER PORT\", driver \"" +
                                         kName + "\": ours, kept|"));
    theirs.queues[kName] = {"zarvoPrinter Port", "Zarvo PDF"};
    EXPECT_EQ(Program(theirs, "-i -q"), 1);
    EXPECT_THAT(theirs.RunLog(), HasSubstr("driver \"Zarvo PDF\": not ours|"));
}

TEST(ReadBackTest, TheRestartedSpoolerIsAskedEveryHalfSecondForAtMostTenSeconds) {
    const auto extra_time = [](DWORD error, int times) {
        System plain, f;
        EXPECT_EQ(Program(plain, "-i -q"), 0);
        f.fail("OpenPrinterA", error, 1, times);  // the first open is the port monitor's
        const int code = Program(f, "-i -q");
        EXPECT_EQ(code, times < 0 ? 1 : 0);
        const std::string log = f.RunLog(), check = log.substr(log.find("|check: queue") + 1);
        return Str(f.clock - plain.clock) + " " + check.substr(0, check.find('|'));
    };
    EXPECT_EQ(extra_time(1722, 3), "1500 check: queue " + kName +
                                       " on port \"zarvoPrinter Port\", "
                                       "driver \"" +
                                       kName + "\", processor \"WinPrint\", datatype \"RAW\"");
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
    // An installer that never ends is given ten minutes.
    System c;
    c.child_ms = kInfinite;
    EXPECT_FALSE(velmora::CreatePrintDriver(c, velmora::NativeArchitecture(c)));
    EXPECT_EQ(c.clock, 600000u);
    EXPECT_EQ(c.last_error, 258u);
    // A failed status query ends the wait; a failed open ends the call.
    f.spooler = kServiceStopped;
    f.clock = 0;
    f.fail("QueryServiceStatus");
    EXPECT_TRUE(StartServiceAndWait(f, f, "spooler"));
    EXPECT_EQ(f.clock, 500u);
    for (const char* call : {"OpenServiceA", "OpenSCManagerA"}) {
        f.fail(call);
        EXPECT_FALSE(StartServiceAndWait(f, f, "spooler")) << call;
        EXPECT_FALSE(StopServiceAndWait(f, f, "spooler")) << call;
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
                  kName + "|DeletePort zarvoPrinter Port|driver deleted Windows NT x86 " + kName);
    EXPECT_EQ(f.RunLog(),
              "Velmora 1.0.0.0, command \"-u\", Windows 6.0.0 (NT), 64-bit, elevated: "
              "yes|pause 3000 ms for the report|delete queue: ok|delete port: ok|delete "
              "driver: ok|result: succeeded, exit code 0");
    EXPECT_EQ(Say(' ', f.queues.size(), f.drivers[kX86].size(), f.boxes.size()), "0 0 0 ");
    EXPECT_EQ(f.Unreleased(), "");
    EXPECT_EQ(Program(f, "-u"), 1);  // nothing left: the missing driver fails it
    EXPECT_THAT(f.RunLog(), EndsWith("open queue: failed, error 1801|delete port (monitor status "
                                     "2): ok|delete driver: failed, error 1797|result: failed, "
                                     "exit code 1"));
    // A queue the spooler will not delete keeps its driver in use; its handle is still closed.
    EXPECT_EQ(Program(f, "-i"), 0);
    f.fail("DeletePrinter", 5);
    EXPECT_EQ(Program(f, "-u"), 1);
    EXPECT_EQ(Say(' ', f.queues.count(kName), f.drivers[kX86].count(kName)), "1 1 ");
    EXPECT_EQ(f.Unreleased(), "");
}

}  // namespace
