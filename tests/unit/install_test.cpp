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

// A previous installation's files, and others' files beside them.
void LeaveOldFiles(System& f) {
    for (const char* name :
         {"QXOEMUI.dll", "STDNAMES.GPD", "zarvoprinter.GPD", "QXOEMUI.INI", "zarvoprinter.dll",
          "QXUNIDRV.DLL", "QXUNIDRVUI.DLL", "zarvoprinter.BUD", "OTHER.DLL"}) {
        f.files[kDrivers + name] = "old";
    }
    for (const char* name : {"\\Qxproc.dll", "\\Halvoproc.dll", "\\Fenwoproc.dll", "\\w.dll"}) {
        f.files[kProcessors + std::string(name)] = "old";
    }
    for (const char* name : {"velmora.ini", "dorvaPrinter.exe", "zarvoprintsetup.ini"}) {
        f.files["C:\\windows\\" + std::string(name)] = "old";
    }
}

std::string Files(const System& f) {
    std::string names;
    for (const auto& file : f.files) names += file.first.substr(file.first.rfind('\\') + 1) + " ";
    return names;
}

TEST(InstallTest, PutsThePrinterInPlaceOnEachWindowsFamily) {
    const std::tuple<DWORD, DWORD, std::string> families[] = {
        {kVerPlatformWin32Windows, 4, "windows 1000||"},
        {kVerPlatformWin32Nt, 4, "0 1000|" + kName + "," + kName + ",zarvoPrinter Port|"},
        {kVerPlatformWin32Nt, 5, "0 1000||"}};
    for (const auto& [platform, major, announced] : families) {
        System f;
        f.platform = platform, f.major = major;
        LeaveOldFiles(f);
        EXPECT_EQ(Program(f, "-i"), 0);
        EXPECT_TRUE(f.boxes.empty() && f.Clean());
        EXPECT_EQ(f.files["C:\\windows\\dorvaPrinter.exe"], "MZ velmora");
        EXPECT_EQ(f.commands.at(0),
                  "rundll32 printui.dll,PrintUIEntry /ia  /m \"Zarvo虚拟打印机\" "
                  "/h \"Intel\" /v \"Windows 2000\" /f zarvoPrinter.inf");
        // The queue on the port and driver made before it, and the default printer.
        const System::Queue& q = f.queues[kName];
        EXPECT_EQ(
            Say('|', q.port, q.driver, q.record, q.attributes | kPrinterAttributeDefault),
            "zarvoPrinter Port|" + kName + "|" + kName + "," VELMORA_REPORT_HOST ",,,RAW,,0,0,|5|");
        EXPECT_EQ(f.default_printer, kName);
        EXPECT_EQ(Say('|', f.Log("broadcast "), f.ini["win.ini"]["windows"]["device"]), announced);
        // The stale files went, the print processors' with the spooler stopped; others stay.
        EXPECT_EQ(Files(f),
                  "Velmora.exe zarvoPrinter.inf dorvaPrinter.exe rundll32.exe OTHER.DLL "
                  "w.dll zarvoprintsetup.ini ");
        // The spool directory read by the spooler at its final restart; the key closed after it.
        EXPECT_EQ(f.reg[kSpoolKey]["SpoolDirectory"], std::string("C:\\windows", 11));
        EXPECT_THAT(f.Log(""), testing::EndsWith("set SpoolDirectory|stop|sleep 1000|start|sleep "
                                                 "500|close key " +
                                                 std::string(kSpoolKey)));
        EXPECT_EQ(f.Log("thread "), "4 /zarvoprinter/servlet/PrintInstall");
    }
}

TEST(InstallTest, EachWatchedFailureShowsItsBoxAndExitsWith1) {
    const std::pair<std::function<void(System&)>, std::string> failures[] = {
        {[](System& f) { f.files.erase(f.system + "\\rundll32.exe"); },
         "CreatePrintDriver error 2"},
        {[](System& f) { f.system.append(250, 's'); }, "CreatePrintDriver error 122"},
        {[](System& f) { f.fail("XcvDataW", 5); }, "PortAddOrDelete error 5"},
        {[](System& f) {
             f.queues[kName] = {"LPT1:", "Other"};
         },
         "AddPrinter error 1802"},
        {[](System& f) { f.files.erase(kDir + std::string("zarvoPrinter.inf")); },
         "AddPrinter error 1797"},  // no package beside the program: no driver
        {[](System& f) { f.fail("AddPrinterA", 0xFFFFFFFF); }, "AddPrinter error -1"},
    };
    for (const auto& [cause, text] : failures) {
        System f;
        cause(f);
        EXPECT_EQ(Program(f, "-i"), 1) << text;
        EXPECT_EQ(f.Log("box "), text + "|安装打印机驱动发生错误!");
        const System::Box& box = f.boxes.at(0);
        EXPECT_EQ(Say(' ', box.caption, box.style, box.help), "Velmora 48 0 ");
        // Nothing after the failed step; nothing left open.
        EXPECT_TRUE(f.default_printer.empty() && f.reg[kSpoolKey].empty() && f.Clean()) << text;
    }
}

TEST(InstallTest, ProgramsDirectoryIsCutAtItsLastSeparatingBackslash) {
    System f;
    const std::string d = "C:\\" + std::string(502, 'd') + "\\";  // with "a.exe": 511 bytes
    for (const auto& [path, directory] :
         {std::pair<std::string, std::string>{"setup.exe", ""},
          {"C:\\D\x95\x5c\\setup.exe", "C:\\D\x95\x5c\\"},  // 0x5C trail bytes
          {"C:\\D\\\x95\x5c.exe", "C:\\D\\"},
          {d + "a.exe", d},
          {d + "ab.exe", ""}}) {  // does not fit the 512 bytes whole
        f.module = path;
        EXPECT_EQ(velmora::GetModuleDirectory(f), directory) << path;
    }
}

TEST(DefaultPrinterTest, EachRouteSaysWhetherItWorkedAndReleasesAll) {
    const std::tuple<DWORD, DWORD, std::set<std::string>> routes[] = {
        {1, 4, {"OpenPrinterA", "GetPrinterA", "GlobalAlloc", "SetPrinterA"}},
        {2,
         4,
         {"OpenPrinterA", "GetPrinterA", "GlobalAlloc", "2nd GlobalAlloc", "no port",
          "WriteProfileStringA"}},
        {2, 5, {"LoadLibraryA", "GetProcAddress", "SetDefaultPrinterA"}},
        {3, 10, {}}};  // neither family: nothing to do
    for (const auto& [platform, major, route] : routes) {
        for (const std::string call :
             {"", "OpenPrinterA", "GetPrinterA", "GlobalAlloc", "2nd GlobalAlloc", "no port",
              "SetPrinterA", "WriteProfileStringA", "LoadLibraryA", "GetProcAddress",
              "SetDefaultPrinterA"}) {
            System f;
            f.platform = platform, f.major = major;
            f.queues[kName] = {call == "no port" ? "" : "P:", "D"};
            f.fail(call == "2nd GlobalAlloc" ? "GlobalAlloc" : call, 31, call[0] == '2');
            const bool fails = route.count(call);
            SCOPED_TRACE(Say(' ', platform, major, call));
            EXPECT_EQ(velmora::SetDefaultPrinterByName(f.os) != kFalse, !fails);
            EXPECT_EQ(f.default_printer.empty() && f.Log("broadcast ").empty(), fails || major > 5);
            EXPECT_TRUE(f.Clean());
        }
    }
}

TEST(SpoolDirectoryTest, TheWindowsDirectoryElseWinntUnderTheKeyHeldToTheEnd) {
    for (const std::string& windows :
         {std::string(), std::string(300, 'w'), std::string(259, 'w')}) {
        System f;
        f.windows = windows;
        {
            velmora::CRegistry holder(f);
            velmora::ConfigureSpoolDirectory(f, holder);
            EXPECT_EQ(f.reg[kSpoolKey]["SpoolDirectory"],
                      (windows.size() == 259 ? windows : "C:\\WINNT") + '\0');
            EXPECT_TRUE(velmora::SetSpoolDirectory(holder, "x") && !f.Clean());
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
    // Refused at once: already stopped, already running.
    EXPECT_FALSE(StopServiceAndWait(f, f, "spooler"));
    f.spooler = kServiceRunning;
    EXPECT_FALSE(StartServiceAndWait(f, f, "spooler"));
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
        EXPECT_FALSE(StartServiceAndWait(f, f, "spooler") || StopServiceAndWait(f, f, "spooler"));
    }
    EXPECT_TRUE(f.Clean());
}

TEST(UninstallTest, RemovesQueuePortAndDriverAfterTheReportsHeadStart) {
    System f;
    EXPECT_EQ(Program(f, "-i"), 0);
    f.log.clear();
    EXPECT_EQ(Program(f, "-u"), 0);
    EXPECT_EQ(f.Log(""),
              "controls 8 255|thread 4 /zarvoprinter/servlet/PrintUnInstall|sleep 3000|"
              "deleted " +
                  kName + "|DeletePort zarvoPrinter Port|driver deleted " + kName);
    EXPECT_TRUE(f.queues.empty() && f.drivers.empty() && f.boxes.empty() && f.Clean());
    EXPECT_EQ(Program(f, "-u"), 1);  // nothing left: the missing driver fails it
    // A queue the spooler will not delete keeps its driver in use; its handle is still closed.
    EXPECT_EQ(Program(f, "-i"), 0);
    f.fail("DeletePrinter", 5);
    EXPECT_EQ(Program(f, "-u"), 1);
    EXPECT_TRUE(f.queues.count(kName) && f.drivers.count(kName) && f.Clean());
}

// Any fallible call failing: the install shows its two boxes exactly when it fails, the
// uninstall shows nothing, the exit code tells the outcome, and nothing stays open.
TEST(FaultTest, EveryFallibleCallFailingEndsCleanly) {
    for (const std::string tail : {"-i", "-u"}) {
        for (DWORD version : {104u, 204u, 205u}) {
            const auto prepare = [&](System& f) {
                f.platform = version / 100, f.major = version % 100;
                LeaveOldFiles(f);
                if (tail == "-u") Program(f, "-i"), f.fallible.clear();
            };
            System probe;
            prepare(probe);
            Program(probe, tail.c_str());
            for (const std::string& call : probe.fallible) {
                System f;
                prepare(f);
                f.fail(call);
                const int code = Program(f, tail.c_str());
                SCOPED_TRACE(tail + " with " + call + " failing");
                EXPECT_EQ(f.boxes.size(), tail == "-i" && code ? 2u : 0u);
                EXPECT_EQ(code == 0, tail == "-i" ? f.queues.count(kName) == 1 : f.drivers.empty());
                EXPECT_TRUE(f.Clean());
            }
        }
    }
}

}  // namespace
