// Start-up: the mode the command-line tail chooses, socket start-up, the message box's caption
// and the code page 936 bytes of the printer's name.
#include <gtest/gtest.h>

#include "app/run_mode.h"
#include "fake_system.h"
#include "framework/message_box.h"

namespace {

using fake::System;

TEST(ModeTest, TheTailChoosesTheModeAndTheExitCodeTellsTheOutcome) {
    using velmora::RunMode;
    const std::pair<const char*, RunMode> cases[] = {
        {nullptr, RunMode::Dialog},     {"", RunMode::Dialog},        {"/i", RunMode::Dialog},
        {"-U -I", RunMode::Dialog},     {"- u", RunMode::Dialog},     {"-u", RunMode::Uninstall},
        {"-i -u", RunMode::Uninstall},  {"x-uy", RunMode::Uninstall}, {"-i", RunMode::Install},
        {"-install", RunMode::Install}, {"-U -i", RunMode::Install},
    };
    for (const auto& [tail, mode] : cases) EXPECT_EQ(velmora::ChooseRunMode(tail), mode) << tail;

    System f;
    f.user[IDD_VELMORA_DIALOG] = [](fake::View& v) { v.Click(plat::kIdCancel); };
    EXPECT_EQ(fake::Program(f, ""), 0);
    EXPECT_EQ(fake::Program(f, "-u"), 1);  // nothing to uninstall
    EXPECT_EQ(fake::Program(f, "-i"), 0);
    EXPECT_EQ(fake::Program(f, "-u"), 0);
    EXPECT_EQ(f.views.size(), 1u);
    EXPECT_EQ(f.Log("controls "), "8 255|8 255|8 255|8 255");
    EXPECT_TRUE(f.boxes.empty());
}

TEST(StartupTest, SocketsOtherThan11ShowTheBoxAndRunNoMode) {
    for (const char* tail : {"-i", "-u", ""}) {
        System f;
        f.granted = 0x0202;
        EXPECT_EQ(fake::Program(f, tail), 1);
        EXPECT_EQ(f.Log(""), "controls 8 255|box Windows 套接字初始化失败。");
        ASSERT_EQ(f.boxes.size(), 1u);
        EXPECT_EQ(f.boxes[0].caption, "Velmora");
        EXPECT_EQ(f.boxes[0].style, plat::kMbOk | plat::kMbIconExclamation);
        EXPECT_EQ(f.boxes[0].help, unsigned{IDP_SOCKETS_INIT_FAILED});
        // Only the version that was granted is given back.
        EXPECT_EQ(f.cleanups, 1);
        EXPECT_EQ(f.wsa_error, plat::kWsaVerNotSupported);
    }
    System refused;
    refused.startup_error = 10091;  // WSASYSNOTREADY
    EXPECT_EQ(fake::Program(refused, "-u"), 1);
    EXPECT_EQ(refused.cleanups, 0);
    EXPECT_EQ(refused.boxes.size(), 1u);
    refused.strings.clear();  // without its text, no box
    EXPECT_EQ(fake::Program(refused, "-u"), 1);
    EXPECT_EQ(refused.boxes.size(), 1u);
}

TEST(MessageBoxTest, CaptionIsTheProgramsFileNameAndTextsAreCutAt511Bytes) {
    System f;
    const std::pair<std::string, std::string> names[] = {
        {"C:\\Tools\\Velmora.exe", "Velmora"},
        {"Velmora.exe", "Velmora"},
        {"C:\\a.b\\setup", "setup"},
        {"C:\\\xB1\x5C\\\xB1\x5C.exe", "\xB1\x5C"},  // a trail byte 0x5C is no separator
        {std::string(300, 'x'), ""},                 // does not fit: no name
    };
    for (const auto& [path, name] : names) {
        f.module = path;
        EXPECT_EQ(velmora::ApplicationName(f), name) << path;
    }
    f.strings[7] = std::string(600, 'x');
    velmora::AppMessageBox(f, f, 7u);
    EXPECT_EQ(f.boxes.at(0).text, std::string(511, 'x'));
}

TEST(EncodingTest, PrinterNameIsGbkBytes) {
    EXPECT_EQ(std::string(velmora::kPrinterName),
              "Zarvo\xD0\xE9\xC4\xE2\xB4\xF2\xD3\xA1\xBB\xFA");  // Zarvo虚拟打印机
}

}  // namespace
