// Start-up: the mode the command-line tail chooses, socket start-up, the message box's caption
// and the code page 936 bytes of the printer's name.
#include <gtest/gtest.h>

#include "app/run_mode.h"
#include "fake_system.h"
#include "framework/message_box.h"

namespace {

using namespace fake;

TEST(ModeTest, UninstallWinsOverInstallAndAnythingElseOpensTheDialog) {
    const auto d = velmora::RunMode::Dialog, i = velmora::RunMode::Install,
               u = velmora::RunMode::Uninstall;
    const std::pair<const char*, velmora::RunMode> cases[] = {
        {nullptr, d}, {"", d},     {"/i", d},       {"-U -I", d}, {"- u", d},  {"-u", u},
        {"-i -u", u}, {"x-uy", u}, {"-install", i}, {"-U -i", i}, {"-i -q", i}};
    for (const auto& [tail, mode] : cases)
        EXPECT_EQ(velmora::ChooseRunMode(tail), mode) << Str(tail);
}

TEST(StartupTest, SocketsOtherThan11ShowTheBoxAndRunNoMode) {
    for (const char* tail : {"-i", "-u", ""}) {
        System f;
        f.granted = 0x0202;
        EXPECT_EQ(Program(f, tail), 1);
        EXPECT_EQ(f.Log(""), "controls 8 255|box Windows 套接字初始化失败。");
        const System::Box& box = f.boxes.at(0);
        // The granted version is given back, and the reason left for the caller.
        EXPECT_EQ(Say(' ', box.caption, box.style, box.help, f.cleanups, f.wsa_error),
                  "Velmora 48 103 1 10092 ");
    }
    System refused;
    refused.startup_error = 10091;  // WSASYSNOTREADY: nothing to give back
    refused.strings.clear();        // and without its text, no box
    EXPECT_EQ(Program(refused, "-u"), 1);
    EXPECT_EQ(refused.cleanups + refused.boxes.size(), 0u);
}

TEST(MessageBoxTest, CaptionIsTheProgramsNameAndTextsAreCutAt511Bytes) {
    System f;
    for (const auto& [path, name] : {std::pair<std::string, std::string>{"Velmora.exe", "Velmora"},
                                     {"C:\\a.b\\setup", "setup"},
                                     {"C:\\\xB1\x5C\\\xB1\x5C.exe", "\xB1\x5C"},  // trail 0x5C
                                     {std::string(300, 'x'), ""}}) {
        f.module = path;
        EXPECT_EQ(velmora::ApplicationName(f), name) << path;
    }
    f.strings[7] = std::string(600, 'x');
    velmora::AppMessageBox(f, f, 7u);
    EXPECT_EQ(f.boxes.at(0).text, std::string(511, 'x'));
}

TEST(EncodingTest, PrinterNameIsGbk) {
    EXPECT_STREQ(velmora::kPrinterName, "Zarvo\xD0\xE9\xC4\xE2\xB4\xF2\xD3\xA1\xBB\xFA");
}

}  // namespace
