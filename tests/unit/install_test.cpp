// Install and uninstall against the pretend system: the end state "-i" leaves on each Windows
// family, the three watched failures, the default-printer routes, the spool directory, the
// service waits, the uninstall, and every fallible call failing in turn.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_system.h"
#include "install/driver_package.h"
#include "install/printer_setup.h"
#include "install/service_ops.h"

namespace {

using namespace fake;
const std::string kName = velmora::kPrinterName;
const std::string kDrivers = "C:\\windows\\system32\\spool\\drivers\\w32x86\\3\\";
const std::string kOurs = "C:\\windows\\zarvoprintsetup.ini";

// A previous installation's files, and files of others beside them.
void LeaveOldFiles(System& f) {
    for (const char* name :
         {"QXOEMUI.dll", "STDNAMES.GPD", "zarvoprinter.GPD", "QXOEMUI.INI", "zarvoprinter.dll",
          "QXUNIDRV.DLL", "QXUNIDRVUI.DLL", "zarvoprinter.BUD"}) {
        f.files[kDrivers + name] = "old";
    }
    for (const char* name : {"\\Qxproc.dll", "\\Halvoproc.dll", "\\Fenwoproc.dll"}) {
        f.files[kProcessors + std::string(name)] = "old";
    }
    f.files["C:\\windows\\velmora.ini"] = f.files["C:\\windows\\dorvaPrinter.exe"] = "old";
    f.files[kDrivers + "OTHER.DLL"] = f.files[kOurs] =
        f.files[kProcessors + std::string("\\w.dll")];
}

std::set<std::string> Files(const System& f) {
    std::set<std::string> names;
    for (const auto& file : f.files) names.insert(file.first);
    return names;
}

TEST(InstallTest, PutsThePrinterInPlaceOnEachWindowsFamily) {
    const std::tuple<DWORD, DWORD, const char*, std::string> families[] = {
        {kVerPlatformWin32Windows, 4, "windows 1000", ""},
        {kVerPlatformWin32Nt, 4, "0 1000", kName + "," + kName + ",zarvoPrinter Port"},
        {kVerPlatformWin32Nt, 5, "0 1000", ""}};
    for (const auto& [platform, major, broadcast, device] : families) {
        System f;
        f.platform = platform, f.major = major;
        LeaveOldFiles(f);
        EXPECT_EQ(Program(f, "-i"), 0);
        EXPECT_TRUE(f.boxes.empty());

        EXPECT_EQ(f.files["C:\\windows\\dorvaPrinter.exe"], "MZ velmora");
        EXPECT_EQ(f.commands, std::vector<std::string>{
                                  "rundll32 printui.dll,PrintUIEntry /ia  /m \"Zarvo虚拟打印机\" "
                                  "/h \"Intel\" /v \"Windows 2000\" /f zarvoPrinter.inf"});
        EXPECT_EQ(f.current, kDir);
        EXPECT_EQ(f.drivers, std::set<std::string>{kName});
        EXPECT_EQ(f.ports, (std::set<std::string>{"LPT1:", "zarvoPrinter Port"}));
        const System::Queue& q = f.queues[kName];
        EXPECT_EQ(q.port + "|" + q.driver + "|" + q.record,
                  "zarvoPrinter Port|" + kName + "|" + kName + "|" VELMORA_REPORT_HOST "|||RAW||0");
        EXPECT_EQ(q.attributes | kPrinterAttributeDefault,
                  kPrinterAttributeQueued | kPrinterAttributeDefault);
        EXPECT_EQ(f.default_printer, kName);
        EXPECT_EQ(f.ini["win.ini"]["windows"]["device"], device);
        EXPECT_EQ(f.Log("broadcast "), broadcast);

        // The stale files went, the print processors' with the spooler stopped; others stay.
        EXPECT_EQ(Files(f),
                  (std::set<std::string>{f.module, kDir + std::string(velmora::kDriverInf),
                                         f.system + "\\rundll32.exe", kDrivers + "OTHER.DLL", kOurs,
                                         kProcessors + std::string("\\w.dll"),
                                         "C:\\windows\\dorvaPrinter.exe"}));

        // The spooler read the spool directory at its final restart; the key closed after it.
        EXPECT_EQ(f.reg[kSpoolKey]["SpoolDirectory"], std::string("C:\\windows", 11));
        EXPECT_EQ(f.spool_dir_in_use, std::string("C:\\windows", 11));
        EXPECT_THAT(f.Log(""), testing::EndsWith("set SpoolDirectory|stop|sleep 1000|start|sleep "
                                                 "500|close key " +
                                                 std::string(kSpoolKey)));
        EXPECT_EQ(f.Log("thread "), "4 /zarvoprinter/servlet/PrintInstall");
        EXPECT_TRUE(f.Clean());
    }
}

TEST(InstallTest, EachWatchedFailureShowsItsBoxAndExitsWith1) {
    const std::pair<std::function<void(System&)>, std::string> failures[] = {
        {[](System& f) { f.files.erase(f.system + "\\rundll32.exe"); },
         "CreatePrintDriver error 2"},
        {[](System& f) { f.system = "C:\\" + std::string(250, 's'); },
         "CreatePrintDriver error 122"},
        {[](System& f) { f.fail("XcvDataW", 5); }, "PortAddOrDelete error 5"},
        {[](System& f) {
             f.queues[kName] = {"LPT1:", "Other", ""};
         },
         "AddPrinter error 1802"},
        {[](System& f) { f.files.erase(kDir + std::string(velmora::kDriverInf)); },
         "AddPrinter error 1797"},  // no package beside the program: no driver
        {[](System& f) { f.fail("AddPrinterA", 0xFFFFFFFF); }, "AddPrinter error -1"},
    };
    for (const auto& [cause, text] : failures) {
        System f;
        cause(f);
        EXPECT_EQ(Program(f, "-i"), 1) << text;
        EXPECT_EQ(f.Log("box "), text + "|安装打印机驱动发生错误!");
        EXPECT_EQ(f.boxes.at(0).caption, "Velmora");
        EXPECT_EQ(f.boxes.at(0).style + f.boxes.at(0).help, kMbOk | kMbIconExclamation);
        // Nothing after the failed step.
        EXPECT_TRUE(f.default_printer.empty() && f.reg[kSpoolKey].empty()) << text;
        EXPECT_TRUE(f.Clean()) << text;
    }
}

TEST(InstallTest, ProgramsDirectoryAndCopyUseWholePathsOnly) {
    System f;
    const std::string d = "C:\\" + std::string(502, 'd') + "\\";  // with "a.exe": 511 bytes
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\setup.exe", "C:\\"},
        {"setup.exe", ""},
        {"C:\\Dir\x95\x5c\\setup.exe", "C:\\Dir\x95\x5c\\"},  // 0x5C trail bytes
        {"C:\\Dir\\\x95\x5c.exe", "C:\\Dir\\"},
        {d + "a.exe", d},
        {d + "ab.exe", ""},  // does not fit the 512 bytes whole
    };
    for (const auto& [path, directory] : cases) {
        f.module = path;
        EXPECT_EQ(velmora::GetModuleDirectory(f), directory) << path;
    }
    f.module = "C:\\Velmora.exe";
    f.files[f.module] = "new";
    for (int extra : {1, 0}) {  // "\dorvaPrinter.exe" after it fills 259 bytes
        f.windows = "C:\\" + std::string(239 + extra, 'w');
        velmora::CopySelfToWindowsDirectory(f);
    }
    EXPECT_EQ(f.Log("copy "), f.windows + "\\dorvaPrinter.exe");
}

TEST(DefaultPrinterTest, EachRouteFailsCleanlyAndSaysSo) {
    const std::tuple<DWORD, DWORD, std::set<std::string>> routes[] = {
        {1, 4, {"OpenPrinterA", "GetPrinterA", "GlobalAlloc", "SetPrinterA"}},
        {2,
         4,
         {"OpenPrinterA", "GetPrinterA", "GlobalAlloc", "GlobalAlloc 2", "no port",
          "WriteProfileStringA"}},
        {2, 5, {"LoadLibraryA", "GetProcAddress", "SetDefaultPrinterA"}},
        {3, 10, {}}};  // neither family: nothing to do
    for (const auto& [platform, major, route] : routes) {
        for (const std::string call :
             {"", "OpenPrinterA", "GetPrinterA", "GlobalAlloc", "GlobalAlloc 2", "no port",
              "SetPrinterA", "WriteProfileStringA", "LoadLibraryA", "GetProcAddress",
              "SetDefaultPrinterA"}) {
            System f;
            f.platform = platform, f.major = major;
            f.queues[kName] = {call == "no port" ? "" : "P:", "D", ""};
            f.fail(call == "GlobalAlloc 2" ? "GlobalAlloc" : call, 31, call == "GlobalAlloc 2");
            const bool fails = route.count(call);
            SCOPED_TRACE(std::to_string(platform) + "." + std::to_string(major) + " " + call);
            EXPECT_EQ(velmora::SetDefaultPrinterByName(f.os) != kFalse, !fails);
            EXPECT_EQ(f.default_printer.empty(), fails || platform == 3);
            EXPECT_EQ(f.Log("broadcast ").empty(), fails || platform == 3);
            EXPECT_TRUE(f.Clean());
        }
    }
}

TEST(SpoolDirectoryValueTest, TheWindowsDirectoryOrWinntAndTheKeyHeldUntilTheEnd) {
    for (const std::string& windows :
         {std::string(), std::string(300, 'w'), std::string(259, 'w')}) {
        System f;
        f.windows = windows;
        {
            velmora::CRegistry holder(f);
            velmora::ConfigureSpoolDirectory(f, holder);
            EXPECT_EQ(f.reg[kSpoolKey]["SpoolDirectory"],
                      (windows.size() == 259 ? windows : "C:\\WINNT") + '\0');
            EXPECT_TRUE(velmora::SetSpoolDirectory(holder, "x"));
            EXPECT_FALSE(f.Clean());
        }
        EXPECT_TRUE(f.Clean());
    }
    System none;
    none.reg.clear();
    {
        velmora::CRegistry holder(none);
        velmora::ConfigureSpoolDirectory(none, holder);
        EXPECT_FALSE(velmora::SetSpoolDirectory(holder, "x"));
    }
    EXPECT_EQ(none.Log("close "), "HKLM");
}

TEST(ServiceTest, WaitsArePacedByTheHintAndBoundedInVirtualTime) {
    using velmora::StartServiceAndWait;
    using velmora::StopServiceAndWait;
    System f;
    f.spooler = kServiceStopped, f.settle = 2, f.hint = 3000;
    EXPECT_TRUE(StartServiceAndWait(f, f, "spooler"));
    EXPECT_TRUE(StopServiceAndWait(f, f, "Spooler"));
    EXPECT_EQ(f.Log("sleep "), "500|3500|1000|500|500");  // the first start pause ignores the hint
    // Refused at once, without waiting: already stopped, already running.
    EXPECT_FALSE(StopServiceAndWait(f, f, "spooler"));
    f.spooler = kServiceRunning;
    EXPECT_FALSE(StartServiceAndWait(f, f, "spooler"));
    EXPECT_EQ(f.clock, 500u + 3500 + 1000 + 500 + 500);
    // A service that never gets there is waited for at most the limit.
    f.settle = -1, f.hint = 0xFFFFFFFF, f.clock = 0;
    EXPECT_TRUE(StopServiceAndWait(f, f, "spooler"));
    EXPECT_EQ(f.clock, 1000u + velmora::kServiceWaitLimitMs);
    f.spooler = kServiceStopped, f.clock = 0;
    EXPECT_TRUE(StartServiceAndWait(f, f, "spooler"));
    EXPECT_EQ(f.clock, velmora::kServiceWaitLimitMs);
    // A failed status query ends the wait; a failed open ends the call.
    f.spooler = kServiceStopped, f.clock = 0;
    f.fail("QueryServiceStatus");
    EXPECT_TRUE(StartServiceAndWait(f, f, "spooler"));
    EXPECT_EQ(f.clock, 500u);
    for (const char* call : {"OpenServiceA", "OpenSCManagerA"}) {
        f.fail(call);
        EXPECT_FALSE(StartServiceAndWait(f, f, "spooler"));
        EXPECT_FALSE(StopServiceAndWait(f, f, "spooler"));
    }
    EXPECT_TRUE(f.Clean());
    // The port monitor's own answer never fails the port step.
    f.spooler = kServiceRunning;
    EXPECT_TRUE(velmora::PortAddOrDelete(f, false));
    EXPECT_TRUE(velmora::PortAddOrDelete(f, true));
    EXPECT_TRUE(velmora::PortAddOrDelete(f, true));
}

TEST(UninstallSequenceTest, RemovesQueuePortAndDriverAfterTheReportsHeadStart) {
    System f;
    EXPECT_EQ(Program(f, "-i"), 0);
    f.log.clear();
    EXPECT_EQ(Program(f, "-u"), 0);
    EXPECT_EQ(f.Log(""),
              "controls 8 255|thread 4 /zarvoprinter/servlet/PrintUnInstall|sleep 3000|"
              "deleted " +
                  kName + "|DeletePort zarvoPrinter Port|driver deleted " + kName);
    EXPECT_TRUE(f.queues.empty() && f.drivers.empty() && f.boxes.empty() && f.Clean());
    EXPECT_EQ(f.ports, std::set<std::string>{"LPT1:"});
    EXPECT_EQ(Program(f, "-u"), 1);  // nothing left: the missing driver fails it

    // A queue the spooler will not delete keeps its driver in use.
    System g;
    EXPECT_EQ(Program(g, "-i"), 0);
    g.fail("DeletePrinter", 5);
    EXPECT_EQ(Program(g, "-u"), 1);
    EXPECT_EQ(g.queues.count(kName) + g.drivers.count(kName), 2u);
    EXPECT_TRUE(g.Clean() && g.boxes.empty());
}

// Any fallible call failing: the install shows its two boxes exactly when it fails, the
// uninstall shows nothing, the exit code tells the outcome, and nothing stays open.
TEST(FaultTest, EveryFallibleCallFailingEndsCleanly) {
    for (const char* tail : {"-i", "-u"}) {
        for (DWORD version : {104u, 204u, 205u}) {
            const auto prepare = [&](System& f) {
                f.platform = version / 100, f.major = version % 100;
                LeaveOldFiles(f);
                if (tail[1] == 'u') Program(f, "-i"), f.log.clear();
            };
            System probe;
            prepare(probe);
            probe.fallible.clear();
            Program(probe, tail);
            for (const std::string& call : probe.fallible) {
                System f;
                prepare(f);
                f.fail(call);
                const int code = Program(f, tail);
                SCOPED_TRACE(std::string(tail) + " with " + call + " failing");
                EXPECT_EQ(f.boxes.size(), tail[1] == 'i' && code ? 2u : 0u);
                EXPECT_EQ(code == 0,
                          tail[1] == 'i' ? f.queues.count(kName) == 1 : f.drivers.empty());
                EXPECT_TRUE(f.Clean());
            }
        }
    }
}

}  // namespace
