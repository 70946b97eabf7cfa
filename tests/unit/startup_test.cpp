// Start-up: the mode the command-line tail chooses, socket start-up, the message box and the
// code page 936 bytes of the printer's name.
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

TEST(StartupTest, SocketsOtherThan11ShowTheBoxCaptionedWithTheProgramsNameAndRunNoMode) {
    for (const char* tail : {"-i", "-u", ""}) {
        System f;
        f.granted = 0x0202;
        f.module = "C:\\\xB1\x5C\\Velmora.exe";  // a trail byte 0x5C is no separator
        EXPECT_EQ(Program(f, tail), 1);
        EXPECT_EQ(f.Log(""), "controls 8 255|box Windows 套接字初始化失败。");
        const System::Box& box = f.boxes.at(0);
        // The granted version is given back, and the reason left for the caller.
        EXPECT_EQ(Say(' ', box.caption, box.style, box.help, f.cleanups, f.wsa_error),
                  "Velmora 48 103 1 10092 ");
    }
    System f;
    f.startup_error = 10091;  // WSASYSNOTREADY: nothing to give back
    f.strings[IDP_SOCKETS_INIT_FAILED] = std::string(600, 'x');
    f.module = std::string(300, 'x');  // a name that does not fit is no caption
    EXPECT_EQ(Program(f, "-u"), 1);
    EXPECT_EQ(Say(' ', f.cleanups, f.boxes.at(0).caption, f.boxes.at(0).text.size()), "0  511 ");
    f.strings.clear();  // without its text, no box
    EXPECT_EQ(Program(f, "-u") + f.boxes.size(), 2u);
}

TEST(EncodingTest, PrinterNameIsGbk) {
    EXPECT_STREQ(velmora::kPrinterName, "Zarvo\xD0\xE9\xC4\xE2\xB4\xF2\xD3\xA1\xBB\xFA");
}

}  // namespace
