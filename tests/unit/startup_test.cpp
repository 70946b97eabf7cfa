// Start-up: the mode the command line chooses, sockets, runs nobody sees, code page 936, the
// install lock, the run log (its file, encoding, rotation and header) and texts in any language.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/run_mode.h"
#include "common/account.h"
#include "common/text.h"
#include "fake_system.h"

namespace {

using namespace fake;
using testing::EndsWith;
using testing::HasSubstr;
using testing::StartsWith;
const std::string kLog = "C:\\Temp\\Velmora.log", kMark = "\xEF\xBB\xBF";
const std::string kSystem(velmora::kSystemSid);

// What a command line gives: "mode quiet [word][word]...".
std::string Reads(const std::u16string& line) {
    System f;
    f.module = "C:\\Program Files\\z.exe";
    f.command_line = line;
    const std::u16string words = velmora::ReadProgramArguments(f).words;
    const char* modes[] = {"dialog", "install", "uninstall", "check"};
    std::string out =
        Say(' ', modes[int(velmora::ChooseRunMode(words))], velmora::HasQuietSwitch(words));
    for (std::size_t at = 0, end; (end = words.find(u'\0', at)) != words.npos; at = end + 1) {
        out += "[" + Gbk(words.substr(at, end - at)) + "]";
    }
    return out;
}

TEST(CommandLineTest, WordsAreSplitAsWindowsSplitsThemAndOnlyWholeSwitchesCount) {
    const std::pair<std::u16string, std::string> cases[] = {
        {u"v.exe", "dialog 0 "},
        {u"\"C:\\p q\\v.exe\"   -i\t-q ", "install 1 [-i][-q]"},
        {u"v.exe \"-u\" \"-q\"", "uninstall 1 [-u][-q]"},  // a tool that quotes each one
        {u"v.exe \"C:\\My Files -u\\a.txt\"", "dialog 0 [C:\\My Files -u\\a.txt]"},  // dropped
        {u"v.exe /i -U -I x-uy -", "dialog 0 [/i][-U][-I][x-uy][-]"},
        {u"v.exe -U -install", "install 0 [-U][-install]"},
        {u"v.exe -i -uninstall", "uninstall 0 [-i][-uninstall]"},
        {u"v.exe -check -q", "check 1 [-check][-q]"},
        {u"v.exe -c -i", "install 0 [-c][-i]"},  // -u and -i win over a check
        {u"v.exe \"\" -u\"x y\"", "uninstall 0 [][-ux y]"},
        {u"v.exe a\\\\\"-u b\" c\\d", "dialog 0 [a\\-u b][c\\d]"},  // 2n backslashes: n, a group
        {u"v.exe a\\\\\\\"b -u", "uninstall 0 [a\\\"b][-u]"},       // 2n + 1: n and a literal quote
        {u"v.exe \"a\"\" -u\"", "uninstall 0 [a\"][-u]"},           // "" in quotes: a quote, closed
        {u"v.exe \"a\"\"\" -u", "dialog 0 [a\" -u]"},               // the third quote opens again
        {u"C:\\驱动-update\\v.exe -i -q", "install 1 [-i][-q]"},
        // Unquoted, with a blank: the program's own path is its name, in any case.
        {u"c:\\PROGRAM FILES\\Z.EXE  -i", "install 0 [-i]"},
        {u"C:\\Program Files\\z.exe", "dialog 0 "},
        {u"C:\\Program -u", "uninstall 0 [-u]"},
        {u"C:\\Program Filez\\z.exe -u", "uninstall 0 [Filez\\z.exe][-u]"},
        {u"C:\\Program Files\\z.exex -u", "uninstall 0 [Files\\z.exex][-u]"},
        {u"\"v.exe -u", "dialog 0 "}};  // the name runs to the end unclosed
    for (const auto& [line, expected] : cases) EXPECT_EQ(Reads(line), expected) << Gbk(line);
    System f;  // a file dropped on the program opens the dialog
    EXPECT_EQ(Program(f, "\"C:\\My Files -u\\a.txt\"") + f.views.size(), 1u);
}

TEST(StartupTest, SocketsOtherThan11ShowTheBoxCaptionedWithTheProgramsNameOrLogItWhenQuiet) {
    const std::string failed = "Windows 套接字初始化失败。";
    for (const std::string tail : {"-i", "", "-u -q"}) {
        System f;
        f.granted = 0x0202;
        f.module = u8"C:\\Descargas-Ñuñez-ß\\Velmora.exe";  // no code page 936 path
        const bool quiet = tail == "-u -q";
        EXPECT_EQ(Outcome(f, tail),
                  "1#" + (quiet ? "" : failed) + "#" +
                      (tail.empty() ? ""
                                    : "Velmora 1.0.0.0, command \"" + tail +
                                          "\", Windows 6.0.0 (NT), 64-bit, elevated: yes|message" +
                                          (quiet ? " (not shown): " : ": ") + failed +
                                          "|result: failed, exit code 1"));
        // The loader is told to take DLLs from the system alone before anything else is done;
        // the granted version is given back, and the reason left for the caller.
        EXPECT_THAT(f.Log(""), StartsWith("dll search 2048|controls 8 255"));
        EXPECT_EQ(Say(' ', f.cleanups, f.wsa_error), "1 10092 ");
        if (!quiet) {
            EXPECT_EQ(Say(' ', f.boxes[0].caption, f.boxes[0].style), "Velmora 48 ");
        }
    }
    System f;
    f.startup_error = 10091;  // WSASYSNOTREADY: nothing to give back
    f.strings[IDP_SOCKETS_INIT_FAILED] = std::string(600, 'x');
    f.module = "Velmora";  // a name without a folder or an extension is the caption whole
    EXPECT_EQ(Program(f, ""), 1);
    EXPECT_EQ(Say(' ', f.cleanups, f.boxes.at(0).caption, f.boxes[0].text.size(), f.boxes[0].help),
              "0 Velmora 511 103 ");
    f.strings.erase(IDP_SOCKETS_INIT_FAILED);  // a text that cannot be loaded: no box, no line
    EXPECT_EQ(Program(f, "") + Program(f, "-u") + f.boxes.size(), 3u);  // the first run's box
    EXPECT_THAT(f.RunLog(), testing::Not(HasSubstr("message")));
}

TEST(StartupTest, WhereNobodyCanSeeABoxTheRunIsQuietAndNoDialogWaits) {
    const std::tuple<DWORD, DWORD, DWORD, bool> places[] = {
        {6, 0, kWsfVisible, true},   // session 0 since Windows Vista: services only
        {6, 1, 0, true},             // a window station without a display
        {5, 0, kWsfVisible, false},  // Windows XP's console user shares session 0
        {6, 1, kWsfVisible, false}};
    for (const auto& [major, session, flags, unseen] : places) {
        System f;
        f.major = major, f.session = session, f.station_flags = flags;
        f.fail("XcvDataW", 5);
        // Quiet, the installer is asked to show nothing of its own either.
        const int code = Program(f, "-i");
        EXPECT_EQ(Say(' ', code, f.boxes.size(), f.commands.at(0).substr(89)),
                  unseen ? "1 0 /f zarvoPrinter.inf /q " : "1 2 /f zarvoPrinter.inf ");
        // A dialog there would wait for ever for a click: a mistyped switch ends the run at once.
        const int again = Program(f, flags == 0 ? "/i" : "-q");
        EXPECT_EQ(Say(' ', again, f.views.size()), unseen ? "1 0 " : "0 1 ");
        EXPECT_EQ(f.RunLog().find("nobody can see this desktop") != std::string::npos, unseen);
        if (unseen) {
            EXPECT_THAT(f.RunLog(), EndsWith("|nobody can see this desktop (session 0 or a hidden "
                                             "window station): the settings dialog was not "
                                             "opened|result: failed, exit code 1"));
        }
    }
}

TEST(StartupTest, WithoutCodePage936NothingIsTouchedAndAnEnglishBoxSaysSo) {
    for (const std::string tail : {"-i", "", "-u -q", "-c"}) {
        System f;
        f.gbk = false;
        const auto files = f.files;
        const bool boxed = tail == "-i" || tail.empty();  // a quiet run and a check show none
        EXPECT_THAT(Outcome(f, tail),
                    EndsWith(Str(!boxed ? "1##"
                                        : "1#Velmora needs code page 936 (Simplified "
                                          "Chinese), which this Windows lacks. "
                                          "Nothing was changed.#") +
                             "Velmora 1.0.0.0, command \"" + tail +
                             "\", Windows 6.0.0 (NT), 64-bit, elevated: yes|code page 936 (GBK) "
                             "is not installed: nothing done|result: failed, exit code 1"));
        f.files.erase(f.temp + "Velmora.log");
        EXPECT_EQ(f.files, files);
        // Nothing asked of the system but the loader's settings and the box.
        EXPECT_EQ(f.log.size() + f.threads.size() + f.views.size() + f.commands.size(),
                  boxed ? 3u : 2u);
    }
}

TEST(RunLockTest, OneRunAtATimeOnTheMachineNeverHeldUpByAnotherAccountsLock) {
    // The system account's run in session 0 holds it for a minute: this one waits, then runs,
    // and releases it as its last act.
    System f;
    f.mutexes[kLock] = {kSystem, "agent", false, 60000};
    EXPECT_EQ(Program(f, "-i -q"), 0);
    EXPECT_THAT(f.RunLog(), StartsWith("Velmora 1.0.0.0, command \"-i -q\", Windows 6.0.0 (NT), "
                                       "64-bit, elevated: yes|install lock: waited for another "
                                       "install or uninstall to end|copy"));
    EXPECT_EQ(Say(' ', f.clock >= 60000, f.mutexes[kLock].holder), "1  ");
    // Held past ten minutes: 1618, in virtual time, with nothing changed and no report.
    System g;
    g.mutexes[kLock] = {kSystem, "agent", false, 11 * 60000};
    const auto files = g.files;
    EXPECT_THAT(Outcome(g, "-u"), EndsWith("yes|install lock: another install or uninstall held it "
                                           "for 10 minutes: nothing done|result: failed, exit "
                                           "code 1618"));
    g.files.erase(g.temp + "Velmora.log");
    EXPECT_EQ(Say('|', g.clock, g.Log(""), g.files == files),
              "600000|dll search 2048|controls 8 255|1|");
    // A lock its run never released (it died) is taken over; one another account made, or one
    // that keeps us out, is ignored at once, whoever holds it.
    const std::tuple<std::string, bool, std::string> locks[] = {
        {kSystem, false, "taken over from a run that ended without releasing it"},
        {kOtherSid, false, "it belongs to another account: ignored"},
        {kOtherSid, true, "cannot be opened, error 5: ignored"}};
    for (const auto& [owner, denied, note] : locks) {
        System h;
        h.mutexes[kLock] = {owner, "another run", denied, kInfinite};
        EXPECT_THAT(Outcome(h, "-i -q"), HasSubstr("|install lock: " + note + "|copy"));
        EXPECT_LT(h.clock, 60000u);  // the install's own pauses only
    }
}

TEST(RunLogTest, Utf8MovedAsideBeforeItIsUtf8OrPastOneMebibyteWithTheCommandLineEscapedAndCut) {
    const std::pair<std::string, bool> logs[] = {
        {kMark + std::string(velmora::kLogRotateSize - 3, 'x'), false},
        {kMark + std::string(velmora::kLogRotateSize - 2, 'x'), true},
        {"written before the log was UTF-8", true}};
    for (const auto& [old, moved] : logs) {
        System f;
        f.files[kLog] = old;
        f.files[kLog + ".1"] = "older";
        EXPECT_EQ(Program(f, "-u -q \r\n\x1b\xD6\xD0"), 1);
        EXPECT_EQ(f.files[kLog + ".1"], moved ? old : "older");
        // The command line as the system gave it, control characters escaped.
        EXPECT_THAT(f.files[kLog], StartsWith(moved ? kMark + "2026-12-07 10:11:12 Velmora "
                                                              "1.0.0.0, command \"-u -q "
                                                              "\\x0D\\x0A\\x1B\xE4\xB8\xAD\","
                                                    : old));
        EXPECT_THAT(f.files[kLog], HasSubstr("\r\n10:11:12 pause 3000 ms for the report"));
    }
    // Over 1024 bytes it is cut between two characters, saying how much more it had.
    System c;
    EXPECT_THAT(Outcome(c, "-u -q " + std::string(1017, 'x') + "\xD6\xD0yz"),
                HasSubstr("x\" (5 more bytes left out), Windows"));
    // A log without the mark that cannot be moved aside is left alone: no file mixes encodings.
    System f;
    f.files[kLog] = "written before";
    f.fail("SetFileRenameInformation", 5);
    EXPECT_EQ(Program(f, "-u -q"), 1);
    EXPECT_EQ(f.files[kLog], "written before");
    EXPECT_THAT(f.RunLog("Velmora-4242.log"),
                HasSubstr("|log: C:\\Temp\\Velmora.log was left alone (it is not UTF-8 and "
                          "cannot be moved aside, error 5); this run logs to "
                          "C:\\Temp\\Velmora-4242.log|"));
}

TEST(RunLogTest, AFileSomeoneElseMayHaveMadeIsLeftAloneAndTheRunLogsBesideIt) {
    const std::string fresh = "C:\\Temp\\Velmora-4242.log";
    const std::pair<std::function<void(System&)>, std::string> cases[] = {
        {[](System& f) { f.facts[kLog].links = 2; }, "it has 2 names (hard links)"},
        {[](System& f) { f.facts[kLog].reparse_point = true; }, "it is a link or junction"},
        {[](System& f) { f.facts[kLog].disk = false; }, "it is not a disk file"},
        {[](System& f) { f.facts[kLog].owner = kOtherSid; }, "it belongs to another account"},
        {[](System& f) { f.fail("GetSecurityInfo", 5); }, "its owner cannot be read, error 5"},
        {[](System& f) { f.fail("GetFileInformationByHandle", System::kNoCode); },
         "its information cannot be read, error 536870913"},  // not the open's 183
        {[](System& f) {
             f.mutexes[kLock].owner = kUserSid;
             f.fail("CreateFileW", System::kNoCode, 0, 1);
         },
         "it cannot be opened, error 536870913"},  // not the lock's 183
        // A SID of 16 sub-authorities is none; one of 15 is another account's.
        {[](System& f) { f.facts[kLog].owner = "\x01\x10" + std::string(70, 0); },
         "its owner cannot be read"},
        {[](System& f) { f.facts[kLog].owner = "\x01\x0F" + std::string(66, 0); },
         "it belongs to another account"},
        // An owner or an account that cannot be read is never taken for a match.
        {[](System& f) { f.facts[kLog].owner = ""; }, "its owner cannot be read"},
        {[](System& f) { f.fail("OpenProcessToken"); }, "the running account cannot be read"},
        {[&](System& f) { f.facts[kLog].links = 2, f.files[fresh] = "planted"; },
         "it has 2 names (hard links)"}};  // nor is a planted file of the fresh name
    for (const auto& [plant, reason] : cases) {
        System f;
        f.files[kLog] = "another file's text";
        plant(f);
        EXPECT_EQ(Program(f, "-u -q"), 1);
        const std::string used =
            f.files[fresh] == "planted" ? "C:\\Temp\\Velmora-4242-1.log" : fresh;
        EXPECT_THAT(f.files[used], StartsWith(kMark));
        EXPECT_THAT(f.files[used], HasSubstr(" log: " + kLog + " was left alone (" + reason +
                                             "); this run logs to " + used + "\r\n"))
            << f.files[kLog];
    }
    // The Administrators group and the system account own what elevated runs create.
    for (const std::string& owner : {std::string(velmora::kAdministratorsSid), kSystem}) {
        System f;
        f.files[kLog] = kMark;
        f.facts[kLog].owner = owner;
        EXPECT_THAT(Outcome(f, "-u -q"), HasSubstr("yes|pause 3000 ms for the report"));
    }
    // With no file of its own to be had, the run logs nothing and ends as it would have.
    System f;
    f.facts[kLog].links = 2;
    for (const char* name : {"", "-1", "-2", "-3"})
        f.files["C:\\Temp\\Velmora-4242" + Str(name) + ".log"];
    f.files[kLog];
    const auto files = f.files;
    EXPECT_EQ(Program(f, "-i -q"), 0);
    f.files.erase("C:\\windows\\dorvaPrinter.exe");
    EXPECT_EQ(f.files, files);
}

TEST(EncodingTest, ThePrinterNameIsGbkAndPathsInAnyLanguageReachTheSystemAndTheLogWhole) {
    EXPECT_STREQ(velmora::kPrinterName, "Zarvo\xD0\xE9\xC4\xE2\xB4\xF2\xD3\xA1\xBB\xFA");
    EXPECT_EQ(Utf16(velmora::kPrinterName), velmora::kPrinterNameW);
    // UTF-8 at each length's bounds, surrogate pairs at theirs, unpaired halves, controls escaped
    // (kept out of the macros, which would quote them in code page 936).
    const std::u16string text =
        u"\x7F\x80\x7FF\x800\xFFFF\xD800\xDC00\xDBFF\xDFFF\xD83D \xDE00\x1F";
    const std::string whole = u8"\x7F\u0080\u07FF\u0800\uFFFF\U00010000\U0010FFFF\uFFFD \uFFFD\x1F",
                      cut = u8"\\x7F\u0080\u07FF\u0800\uFFFF19";
    std::size_t left = 0;
    EXPECT_EQ(velmora::Utf8FromUtf16(text), whole);
    const std::string kept = velmora::LoggableUtf8(text, 14, left);
    EXPECT_EQ(kept + Str(left), cut);
    // A Spanish user's Downloads and temporary folder: code page 936 holds neither.
    System f;
    const std::string folder = u8"C:\\Descargas-Ñuñez-ß\\";
    f.module = folder + "Velmora.exe";
    f.files = {{f.module, "MZ velmora"}, {folder + "zarvoPrinter.inf", "[V]"}};
    f.files[f.system + "\\rundll32.exe"];
    f.temp = u8"C:\\Temp-Año-ß-한\\";
    f.user_name = u8"Ñuñez";
    EXPECT_EQ(Program(f, "-i -q"), 0);
    // The program copied, the INF found where the installer started; the log in UTF-8.
    EXPECT_EQ(f.files["C:\\windows\\dorvaPrinter.exe"] + f.current, "MZ velmora" + folder);
    const std::string log = f.files[f.temp + "Velmora.log"];
    EXPECT_THAT(log, StartsWith(kMark));
    EXPECT_THAT(log, HasSubstr(u8" for account Ñuñez: ok\r\n"));
    EXPECT_THAT(log, HasSubstr(u8"check: queue Zarvo虚拟打印机 on port"));
    // A byte from 0x80 up is code page 936's to convert; the longest temporary folder (MAX_PATH
    // units with its backslash) and user name (UNLEN) still serve.
    EXPECT_EQ(velmora::Utf16FromGbk(f, "a\x80"), Utf16("a\x80"));
    System g;
    g.temp = "C:\\" + std::string(256, 't') + "\\";
    g.user_name = std::string(256, 'u');
    EXPECT_THAT(Outcome(g, "-i -q"), HasSubstr("for account " + g.user_name + ": ok|"));
    // Without IsWow64Process2 and not under WOW64, Windows is the program's own width.
    System h;
    h.has_wow64_process2 = false;
    const std::string checked = Outcome(h, "-c"), own = sizeof(void*) == 8 ? "64" : "32";
    EXPECT_THAT(checked, HasSubstr("(NT), " + own + "-bit, elevated"));
    EXPECT_THAT(checked,
                HasSubstr(own == "64" ? "driver for Windows x64" : "driver for Windows NT x86"));
}

}  // namespace
