// Start-up: the mode the command-line tail chooses, socket start-up, the message box, the run
// log's header and rotation, and the code page 936 bytes of the printer's name.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/run_mode.h"
#include "common/account.h"
#include "fake_system.h"

namespace {

using namespace fake;
using testing::EndsWith;
using testing::StartsWith;
using namespace std::string_literals;

// What a command line gives: "mode quiet [word][word]...", or the tail the log shows.
std::string Reads(const std::u16string& line, bool tail = false) {
    System f;
    f.module = "C:\\Program Files\\z.exe";
    f.command_line = line;
    const velmora::ProgramArguments arguments = velmora::ReadProgramArguments(f);
    if (tail) return arguments.tail;
    const char* modes[] = {"dialog", "install", "uninstall"};
    std::string words;
    for (const std::string& word : arguments.words) words += "[" + word + "]";
    return Say(' ', modes[int(velmora::ChooseRunMode(arguments.words))],
               velmora::HasQuietSwitch(arguments.words)) +
           words;
}

TEST(CommandLineTest, WordsAreSplitAsWindowsSplitsThemAndOnlyWholeSwitchesCount) {
    const std::pair<std::u16string, std::string> cases[] = {
        {u"v.exe", "dialog 0 "},
        {u"\"C:\\p q\\v.exe\"   -i\t-q ", "install 1 [-i][-q]"},
        {u"v.exe \"-u\" \"-q\"", "uninstall 1 [-u][-q]"},  // a tool that quotes each one
        {u"v.exe \"C:\\My Files -u\\a.txt\"", "dialog 0 [C:\\My Files -u\\a.txt]"},  // dropped
        {u"v.exe /i -U -I x-uy", "dialog 0 [/i][-U][-I][x-uy]"},
        {u"v.exe -U -install", "install 0 [-U][-install]"},
        {u"v.exe -i -uninstall", "uninstall 0 [-i][-uninstall]"},
        {u"v.exe \"\" -u\"x y\"", "uninstall 0 [][-ux y]"},
        {u"v.exe a\\\\\"-u b\" c\\d",
         "dialog 0 [a\\-u b][c\\d]"},                          // 2n backslashes: n, and a group
        {u"v.exe a\\\\\\\"b -u", "uninstall 0 [a\\\"b][-u]"},  // 2n + 1: n and a literal quote
        {u"v.exe \"a\"\" -u\"", "uninstall 0 [a\"][-u]"},      // "" in quotes: a quote, closed
        {u"v.exe \"a\"\"\" -u", "dialog 0 [a\" -u]"},          // the third quote opens again
        {u"C:\\驱动-update\\v.exe -i -q", "install 1 [-i][-q]"},
        // Unquoted, with a blank: the program's own path is its name, in any case.
        {u"c:\\PROGRAM FILES\\Z.EXE -i", "install 0 [-i]"},
        {u"C:\\Program Files\\z.exe", "dialog 0 "},
        {u"C:\\Program Files\\z.exex -u", "uninstall 0 [Files\\z.exex][-u]"},
        {u"\"v.exe -u", "dialog 0 "},  // the name runs to the end unclosed
    };
    for (const auto& [line, expected] : cases) {
        SCOPED_TRACE(Gbk(line));
        EXPECT_EQ(Reads(line), expected);
    }
    EXPECT_EQ(Reads(u"\"C:\\p q\\v.exe\"   -i\t\"-q\" ", true), "-i\t\"-q\" ");
    EXPECT_EQ(Reads(u"c:\\PROGRAM FILES\\Z.EXE  -i", true), "-i");
    // A file dropped on the program opens the dialog.
    System f;
    EXPECT_EQ(Program(f, "\"C:\\My Files -u\\a.txt\""), 0);
    EXPECT_EQ(f.views.size(), 1u);
}

TEST(StartupTest, SocketsOtherThan11ShowTheBoxCaptionedWithTheProgramsNameOrLogItWhenQuiet) {
    for (const char* tail : {"-i", "-u", "", "-u -q"}) {
        SCOPED_TRACE(tail);
        System f;
        f.granted = 0x0202;
        f.module = "C:\\\xB1\x5C\\Velmora";  // a trail byte 0x5C is no separator
        EXPECT_EQ(Program(f, tail), 1);
        const bool quiet = Str(tail).find("-q") != std::string::npos;
        // The loader is told to take DLLs from the system alone before anything else is done.
        EXPECT_EQ(f.Log(""), quiet
                                 ? "dll search 2048|controls 8 255"
                                 : "dll search 2048|controls 8 255|box Windows 套接字初始化失败。");
        EXPECT_EQ(f.RunLog(), *tail ? "Velmora unknown, command \"" + Str(tail) +
                                          "\", Windows 6.0.0 (NT), 64-bit, elevated: yes|message" +
                                          (quiet ? " (not shown)" : "") +
                                          ": Windows 套接字初始化失败。|result: failed, exit code 1"
                                    : "");
        // The granted version is given back, and the reason left for the caller.
        EXPECT_EQ(Say(' ', f.cleanups, f.wsa_error), "1 10092 ");
        EXPECT_EQ(quiet ? "" : Say(' ', f.boxes.at(0).caption, f.boxes[0].style, f.boxes[0].help),
                  quiet ? "" : "Velmora 48 103 ");
    }
    System f;
    f.startup_error = 10091;  // WSASYSNOTREADY: nothing to give back
    f.strings[IDP_SOCKETS_INIT_FAILED] = std::string(600, 'x');
    f.module = std::string(300, 'x');  // a name that does not fit is no caption
    EXPECT_EQ(Program(f, ""), 1);
    EXPECT_EQ(Say(' ', f.cleanups, f.boxes.at(0).caption, f.boxes.at(0).text.size()), "0  511 ");
    f.strings.erase(IDP_SOCKETS_INIT_FAILED);  // a text that cannot be loaded shows no box
    EXPECT_EQ(Program(f, ""), 1);
    EXPECT_EQ(f.boxes.size(), 1u);  // the first run's alone
}

TEST(RunLogTest, MovedAsideOnlyPastOneMebibyteReplacingTheOldOneWithOutsideTextEscaped) {
    const std::string log = "C:\\Temp\\Velmora.log";
    for (const DWORD size : {velmora::kLogRotateSize, velmora::kLogRotateSize + 1}) {
        SCOPED_TRACE(size);
        System f;
        f.files[log] = std::string(size, 'x');
        f.files[log + ".1"] = "older";
        f.version = std::string(40, '\0') + "\xBD\x04\xEF\xFE" + std::string(4, '\0') +
                    "\x02\0\x01\0\x04\0\x03\0"s;
        EXPECT_EQ(Program(f, "-u -q \r\n\x1b\xD6\xD0"), 1);
        const bool moved = size > velmora::kLogRotateSize;
        EXPECT_EQ(f.files[log + ".1"], moved ? std::string(size, 'x') : "older");
        EXPECT_THAT(f.files[log], StartsWith(moved ? "2026-12-07 10:11:12 Velmora 1.2.3.4, command "
                                                     "\"-u -q \\x0D\\x0A\\x1B\xD6\xD0\","
                                                   : "xxx"));
        EXPECT_THAT(f.files[log], testing::HasSubstr("\r\n10:11:12 pause 3000 ms for the report"));
    }
}

TEST(RunLogTest, AFileSomeoneElseMayHaveMadeIsLeftAloneAndTheRunLogsBesideIt) {
    const std::string log = "C:\\Temp\\Velmora.log", fresh = "C:\\Temp\\Velmora-4242.log";
    const std::pair<std::function<void(System&)>, std::string> cases[] = {
        {[&](System& f) { f.facts[log].links = 2; }, "it has 2 names (hard links)"},
        {[&](System& f) { f.facts[log].reparse_point = true; }, "it is a link or junction"},
        {[&](System& f) { f.facts[log].disk = false; }, "it is not a disk file"},
        {[&](System& f) { f.facts[log].owner = kOtherSid; }, "it belongs to another account"},
        {[](System& f) { f.fail("GetSecurityInfo", 5); }, "its owner cannot be read, error 5"},
        {[](System& f) { f.fail("GetFileInformationByHandle", System::kNoCode); },
         "its information cannot be read, error 536870913"},  // not the open's 183
        {[](System& f) {
             f.last_error = 5;  // an earlier call's, not the open's
             f.fail("CreateFileA", System::kNoCode, 0, 1);
         },
         "it cannot be opened, error 536870913"},
        {[&](System& f) {  // a planted file of the fresh name is not taken either
             f.facts[log].links = 2;
             f.files[fresh] = "planted";
         },
         "it has 2 names (hard links)"}};
    for (const auto& [plant, reason] : cases) {
        SCOPED_TRACE(reason);
        System f;
        f.files[log] = "another file's text";
        plant(f);
        EXPECT_EQ(Program(f, "-u -q"), 1);
        EXPECT_EQ(f.files[log], "another file's text");
        const std::string used =
            f.files[fresh] == "planted" ? "C:\\Temp\\Velmora-4242-1.log" : fresh;
        EXPECT_THAT(f.files[used],
                    testing::HasSubstr(" log: " + log + " was left alone (" + reason +
                                       "); this run logs to " + used + "\r\n"));
    }
    // The Administrators group and the system account own what elevated runs create.
    for (const std::string_view owner : {velmora::kAdministratorsSid, velmora::kSystemSid}) {
        System f;
        f.facts[log].owner = std::string(owner);
        EXPECT_EQ(Program(f, "-u -q"), 1);
        EXPECT_THAT(f.RunLog(), testing::HasSubstr("result: failed"));
    }
    // With no file of its own to be had, the run logs nothing and ends as it would have.
    System f;
    f.facts[log].links = 2;
    for (const char* name : {"", "-1", "-2", "-3"})
        f.files["C:\\Temp\\Velmora-4242" + Str(name) + ".log"];
    EXPECT_EQ(Program(f, "-i -q"), 0);
    EXPECT_EQ(f.files[log] + f.files[fresh], "");
}

TEST(StartupTest, WhereNobodyCanSeeABoxTheRunIsQuietAndSaysSo) {
    const std::tuple<DWORD, DWORD, DWORD, bool> places[] = {
        {6, 0, kWsfVisible, true},   // session 0 since Windows Vista: services only
        {6, 1, 0, true},             // a window station without a display
        {5, 0, kWsfVisible, false},  // Windows XP's console user shares session 0
        {6, 1, kWsfVisible, false}};
    for (const auto& [major, session, flags, unseen] : places) {
        SCOPED_TRACE(Say(' ', major, session, flags));
        System f;
        f.major = major;
        f.session = session;
        f.station_flags = flags;
        f.fail("XcvDataW", 5);
        EXPECT_EQ(Program(f, "-i"), 1);
        EXPECT_EQ(f.boxes.size(), unseen ? 0u : 2u);
        EXPECT_EQ(f.RunLog().find("nobody can see this desktop") != std::string::npos, unseen);
        // Quiet, the installer is asked to show nothing of its own either.
        EXPECT_THAT(f.commands.at(0), unseen ? EndsWith(" /f zarvoPrinter.inf /q")
                                             : EndsWith(" /f zarvoPrinter.inf"));
    }
}

TEST(EncodingTest, PrinterNameIsGbk) {
    EXPECT_STREQ(velmora::kPrinterName, "Zarvo\xD0\xE9\xC4\xE2\xB4\xF2\xD3\xA1\xBB\xFA");
}

}  // namespace
