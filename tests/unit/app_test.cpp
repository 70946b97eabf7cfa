// Start-up and mode choice of the application object.
#include "app/velmora_app.h"

#include <gtest/gtest.h>

#include <cstring>

#include "app/run_mode.h"
#include "fakes/fake_os.h"
#include "framework/message_box.h"
#include "install/printer_constants.h"
#include "res/resource.h"

namespace {

using velmora::ChooseRunMode;
using velmora::RunMode;

TEST(RunModeTest, UninstallWinsThenInstallElseDialog) {
    for (const char* tail : {"", "/i", "/u", "-I", "-U", "x", "--", "- u"}) {
        EXPECT_EQ(ChooseRunMode(tail), RunMode::Dialog) << tail;
    }
    for (const char* tail : {"-u", "-ui", "x-uy", "-i -u", "\"C:\\a-u\\b\"", "-I-u"}) {
        EXPECT_EQ(ChooseRunMode(tail), RunMode::Uninstall) << tail;
    }
    for (const char* tail : {"-i", "-iu", "-install", "a-ib", "-U -i"}) {
        EXPECT_EQ(ChooseRunMode(tail), RunMode::Install) << tail;
    }
    EXPECT_EQ(ChooseRunMode(nullptr), RunMode::Dialog);
}

class RecordingActions : public velmora::ModeActions {
  public:
    bool Install() override {
        calls.push_back("install");
        return install_ok;
    }
    bool Uninstall() override {
        calls.push_back("uninstall");
        return uninstall_ok;
    }
    void ShowDialog(velmora::CWinApp&) override { calls.push_back("dialog"); }
    std::vector<std::string> calls;
    bool install_ok = true;
    bool uninstall_ok = true;
};

class AppTest : public ::testing::Test {
  protected:
    int Run(const char* tail) {
        velmora::CVelmoraApp app(fake.os, actions);
        app.m_lpCmdLine = tail;
        return app.Run();
    }
    fakes::FakeOs fake;
    RecordingActions actions;
};

TEST_F(AppTest, EachModeRunsItsActionAndReportsTheOutcomeInTheExitCode) {
    EXPECT_EQ(Run("-i"), velmora::kExitSuccess);
    EXPECT_EQ(Run("-u"), velmora::kExitSuccess);
    EXPECT_EQ(Run(""), velmora::kExitSuccess);
    EXPECT_EQ(actions.calls, (std::vector<std::string>{"install", "uninstall", "dialog"}));

    actions.install_ok = actions.uninstall_ok = false;
    EXPECT_EQ(Run("-i"), velmora::kExitFailure);
    EXPECT_EQ(Run("-u"), velmora::kExitFailure);
    EXPECT_TRUE(fake.ui.boxes.empty());
    EXPECT_EQ(fake.ui.common_controls_size, 8u);
    EXPECT_EQ(fake.ui.common_controls_classes, 0xFFu);
}

TEST_F(AppTest, SocketsOtherThan11ShowTheBoxWithHelpContextAndRunNoMode) {
    fake.ui.strings[IDP_SOCKETS_INIT_FAILED] = "Windows 套接字初始化失败。";
    fake.kernel.module_path = "C:\\Tools\\Velmora.exe";
    for (const char* tail : {"-i", "-u", ""}) {
        fake.sockets.granted = 0x0202;
        EXPECT_EQ(Run(tail), velmora::kExitFailure);
    }
    EXPECT_TRUE(actions.calls.empty());
    ASSERT_EQ(fake.ui.boxes.size(), 3u);
    const auto& box = fake.ui.boxes[0];
    EXPECT_EQ(box.text, "Windows 套接字初始化失败。");
    EXPECT_EQ(box.caption, "Velmora");
    EXPECT_EQ(box.style, plat::kMbOk | plat::kMbIconExclamation);
    EXPECT_EQ(box.help_context, 103u);
    // A granted but unsuitable version is given back; WSAVERNOTSUPPORTED is set.
    EXPECT_EQ(fake.sockets.cleanups, 3);
    EXPECT_EQ(fake.sockets.last_error, plat::kWsaVerNotSupported);
}

TEST_F(AppTest, FailedSocketStartupIsNotCleanedUp) {
    fake.sockets.startup_result = 10091;  // WSASYSNOTREADY
    fake.ui.strings[IDP_SOCKETS_INIT_FAILED] = "x";
    EXPECT_EQ(Run("-u"), velmora::kExitFailure);
    EXPECT_EQ(fake.sockets.cleanups, 0);
    EXPECT_TRUE(actions.calls.empty());
    EXPECT_EQ(fake.ui.boxes.size(), 1u);
}

TEST(ApplicationNameTest, FileNameWithoutDirectoryOrExtension) {
    fakes::FakeKernel kernel;
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Tools\\Velmora.exe", "Velmora"},
        {"Velmora.exe", "Velmora"},
        {"C:\\a.b\\setup", "setup"},
        {"C:\\\xB1\x5C\\\xB1\x5C.exe", "\xB1\x5C"},  // 0x5C trail byte is no separator
    };
    for (const auto& [path, name] : cases) {
        kernel.module_path = path;
        EXPECT_EQ(velmora::ApplicationName(kernel), name) << path;
    }
}

TEST(TextEncodingTest, PrinterNameIsGbk) {
    const std::string name = velmora::kPrinterName;
    const unsigned char expected[] = {0x5a, 0x61, 0x72, 0x76, 0x6f, 0xd0, 0xe9, 0xc4,
                                      0xe2, 0xb4, 0xf2, 0xd3, 0xa1, 0xbb, 0xfa};
    ASSERT_EQ(name.size(), sizeof expected);
    EXPECT_EQ(0, std::memcmp(name.data(), expected, sizeof expected));
}

}  // namespace
