// The program copy, the module directory, stale-file removal and the driver installer run.
#include "install/driver_package.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_install_os.h"

namespace {

using velmora::GetModuleDirectory;

std::vector<std::string> Matching(const std::vector<std::string>& events,
                                  std::initializer_list<const char*> prefixes) {
    std::vector<std::string> kept;
    for (const auto& event : events) {
        for (const char* prefix : prefixes) {
            if (event.rfind(prefix, 0) == 0) {
                kept.push_back(event);
                break;
            }
        }
    }
    return kept;
}

TEST(ModuleDirectoryTest, CutsAfterTheLastSeparatingBackslash) {
    fakes::FakeKernel kernel;
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"C:\\Tools\\Setup\\setup.exe", "C:\\Tools\\Setup\\"},
        {"C:\\setup.exe", "C:\\"},
        {"setup.exe", ""},
        // A GBK character whose trail byte is 0x5C is never a separator.
        {"C:\\Dir\x95\x5c\\setup.exe", "C:\\Dir\x95\x5c\\"},
        {"C:\\Dir\\\x95\x5c.exe", "C:\\Dir\\"},
    };
    for (const auto& [path, directory] : cases) {
        kernel.module_path = path;
        EXPECT_EQ(GetModuleDirectory(kernel), directory) << path;
    }
}

TEST(ModuleDirectoryTest, NameFillingThe512ByteBufferIsNotReadPastIt) {
    fakes::FakeKernel kernel;
    const std::string directory = "C:\\" + std::string(502, 'd') + "\\";
    kernel.module_path = directory + "a.exe";  // 511 bytes and the terminator: fits exactly
    EXPECT_EQ(GetModuleDirectory(kernel), directory);

    kernel.module_path += "x";  // 512: truncated, and left unterminated as Windows XP does
    kernel.module_name_unterminated = true;
    EXPECT_EQ(GetModuleDirectory(kernel), "");
    kernel.module_name_unterminated = false;  // terminated but truncated, as later systems do
    EXPECT_EQ(GetModuleDirectory(kernel), "");
}

TEST(CopySelfTest, CopiesIntoTheWindowsDirectoryUnlessThePathWouldNotFit) {
    fakes::FakeKernel kernel;
    velmora::CopySelfToWindowsDirectory(kernel);
    kernel.windows_dir = "C:\\" + std::string(239, 'w');  // with \dorvaPrinter.exe: 259 bytes
    velmora::CopySelfToWindowsDirectory(kernel);
    kernel.windows_dir += "w";
    velmora::CopySelfToWindowsDirectory(kernel);
    kernel.windows_dir = std::string(400, 'w');  // does not fit even alone
    velmora::CopySelfToWindowsDirectory(kernel);
    ASSERT_EQ(kernel.events.size(), 2u);
    EXPECT_EQ(kernel.events[0],
              "copy C:\\Program Files\\Velmora\\Velmora.exe -> C:\\windows\\dorvaPrinter.exe");
}

class CreatePrintDriverTest : public ::testing::Test {
  protected:
    fakes::FakeKernel kernel;
};

TEST_F(CreatePrintDriverTest, RunsTheSystemRundll32WithTheExactCommandAndWaits) {
    EXPECT_TRUE(velmora::CreatePrintDriver(kernel));
    ASSERT_EQ(kernel.creates.size(), 1u);
    const auto& call = kernel.creates[0];
    EXPECT_EQ(call.command_line,
              "rundll32 printui.dll,PrintUIEntry /ia  /m \"Zarvo虚拟打印机\" /h \"Intel\" /v "
              "\"Windows 2000\" /f zarvoPrinter.inf");
    // The printer name goes out in code page 936.
    EXPECT_NE(call.command_line.find("Zarvo\xD0\xE9\xC4\xE2\xB4\xF2\xD3\xA1\xBB\xFA\""),
              std::string::npos);
    EXPECT_EQ(call.application, "C:\\windows\\system32\\rundll32.exe");
    EXPECT_EQ(call.inherit, plat::kTrue);
    EXPECT_EQ(call.flags, 0u);
    EXPECT_TRUE(call.inherits_the_rest);
    EXPECT_TRUE(call.startup_filled);
    EXPECT_TRUE(call.process_record_cleared);
    EXPECT_EQ(Matching(kernel.events, {"startup", "chdir", "wait", "close"}),
              (std::vector<std::string>{"startup info", "chdir C:\\Program Files\\Velmora\\",
                                        "wait 4294967295", "close process", "close thread"}));
    EXPECT_TRUE(kernel.open.empty());
}

TEST_F(CreatePrintDriverTest, OnlyAFailedStartFailsAndItKeepsTheError) {
    kernel.module_path = "setup.exe";  // no directory: the change fails, the installer still runs
    EXPECT_TRUE(velmora::CreatePrintDriver(kernel));
    EXPECT_EQ(Matching(kernel.events, {"chdir"}), (std::vector<std::string>{"chdir "}));

    kernel.events.clear();
    kernel.create_process_error = 2;
    EXPECT_FALSE(velmora::CreatePrintDriver(kernel));
    EXPECT_EQ(kernel.GetLastError(), 2u);
    EXPECT_TRUE(Matching(kernel.events, {"wait", "close"}).empty());
    EXPECT_TRUE(kernel.open.empty());
}

TEST_F(CreatePrintDriverTest, SystemDirectoryTooLongForTheInstallerPathStartsNothing) {
    kernel.system_dir = "C:\\" + std::string(250, 's');  // fits alone, not with \rundll32.exe
    EXPECT_FALSE(velmora::CreatePrintDriver(kernel));
    EXPECT_EQ(kernel.GetLastError(), plat::kErrorInsufficientBuffer);
    kernel.system_dir = std::string(300, 's');
    EXPECT_FALSE(velmora::CreatePrintDriver(kernel));
    EXPECT_TRUE(kernel.creates.empty());
}

class StaleFilesTest : public ::testing::Test {
  protected:
    std::vector<std::string> Run() {
        velmora::RemoveStaleDriverFiles(fake.os);
        return Matching(fake.kernel.events, {"delete", "GetP", "ControlService", "StartService",
                                             "DeletePrintProcessor"});
    }
    fakes::FakeInstallOs fake;
    const std::string drivers = "C:\\windows\\system32\\spool\\drivers\\w32x86\\3\\";
    const std::string processors = "C:\\windows\\system32\\spool\\prtprocs\\w32x86\\";
};

TEST_F(StaleFilesTest, DeletesEverythingInOrderAroundASpoolerStopAndStart) {
    fake.kernel.files = {drivers + "QXUNIDRV.DLL", "C:\\windows\\velmora.ini",
                         "C:\\windows\\zarvoprintsetup.ini", processors + "Halvoproc.dll"};
    std::vector<std::string> expected = {"GetPrinterDriverDirectory 260"};
    for (const char* name :
         {"QXOEMUI.dll", "STDNAMES.GPD", "zarvoprinter.GPD", "QXOEMUI.INI", "zarvoprinter.dll",
          "QXUNIDRV.DLL", "QXUNIDRVUI.DLL", "zarvoprinter.BUD"}) {
        expected.push_back("delete " + drivers + name);
    }
    expected.push_back("delete C:\\windows\\velmora.ini");
    expected.push_back("ControlService Spooler");
    for (const char* name : {"Qxproc.dll", "Halvoproc.dll", "Fenwoproc.dll"}) {
        expected.push_back("GetPrintProcessorDirectory 256");
        expected.push_back("delete " + processors + name);
    }
    // No print processor is unregistered: the queue created next needs "WinPrint".
    expected.push_back("StartService Spooler");
    EXPECT_EQ(Run(), expected);
    EXPECT_EQ(fake.kernel.files, (std::set<std::string>{"C:\\windows\\zarvoprintsetup.ini"}));
}

TEST_F(StaleFilesTest, MissingDirectoriesSkipOnlyTheirOwnDeletions) {
    fake.spooler.driver_directory_fails = true;
    fake.spooler.processor_directory_fails = true;
    EXPECT_EQ(Run(), (std::vector<std::string>{
                         "GetPrinterDriverDirectory 260", "delete C:\\windows\\velmora.ini",
                         "ControlService Spooler", "GetPrintProcessorDirectory 256",
                         "GetPrintProcessorDirectory 256", "GetPrintProcessorDirectory 256",
                         "StartService Spooler"}));
    EXPECT_FALSE(velmora::DeletePrintProcessorFile(fake.spooler, fake.kernel, "Qxproc.dll"));
}

TEST_F(StaleFilesTest, PathsThatWouldNotFitAreSkippedNotTruncated) {
    // Driver directory plus "\3\" fills 259 bytes: no file name fits after it.
    fake.spooler.driver_directory = "C:\\" + std::string(253, 'd');
    // 253 bytes fit in 256, "\Qxproc.dll" does not.
    fake.spooler.processor_directory = "C:\\" + std::string(250, 'p');
    fake.kernel.windows_dir = "C:\\" + std::string(250, 'w');
    EXPECT_TRUE(Matching(Run(), {"delete"}).empty());
}

}  // namespace
