// The settings dialog and its About box against a pretend window, host and settings store:
// start-up, every handler's exchange order and outcome, and what OK and Cancel write.
#include "settings/velmora_dlg.h"

#include <gtest/gtest.h>

#include "fakes/fake_dialog.h"
#include "fakes/fake_os.h"
#include "fakes/fake_profile.h"
#include "res/resource.h"

namespace {

using fakes::FakeDialogHost;
using fakes::FakeDialogView;
using Log = std::vector<std::string>;

// Message boxes that also note whether the wait cursor was showing.
class CursorNotingUi : public fakes::FakeUi {
  public:
    explicit CursorNotingUi(FakeDialogHost& host) : host_(host) {}
    int MessageBoxIndirectA(plat::HWND owner, const char* text, const char* caption,
                            plat::DWORD style, plat::DWORD help) override {
        waiting.push_back(host_.cursor == host_.wait);
        return FakeUi::MessageBoxIndirectA(owner, text, caption, style, help);
    }
    std::vector<bool> waiting;

  private:
    FakeDialogHost& host_;
};

class SettingsDialogTest : public ::testing::Test {
  protected:
    SettingsDialogTest() {
        ui.strings[IDS_ABOUTBOX] = "关于 Velmora(&A)...";
        FakeDialogHost::CreateSettingsControls(view);
    }

    void Open() {
        dialog.Attach(view);
        EXPECT_EQ(dialog.OnInitDialog(), plat::kTrue);
        view.log.clear();
    }
    bool Click(int id) { return dialog.OnCommand(static_cast<unsigned>(id), plat::kBnClicked); }
    Log Written() const {
        Log keys;
        for (const auto& write : profile.writes) keys.push_back(write.key + "=" + write.value);
        return keys;
    }
    std::function<plat::BOOL(plat::Os&)> Sequence(const char* name, plat::BOOL& result) {
        return [this, name, &result](plat::Os& given) {
            EXPECT_EQ(&given, &os);
            sequence_calls.push_back(std::string(name) +
                                     (host.cursor == host.wait ? " under wait cursor" : ""));
            return result;
        };
    }

    FakeDialogHost host;
    fakes::FakeOs fake;
    CursorNotingUi ui{host};
    ::testing::StrictMock<fakes::FakeProfile> profile;
    plat::Os os{fake.services, fake.spooler,  fake.kernel, fake.registry,
                profile,       fake.internet, ui,          fake.sockets};
    plat::BOOL install_result = plat::kTrue;
    plat::BOOL uninstall_result = plat::kTrue;
    Log sequence_calls;
    velmora::CVelmoraDlg dialog{
        os, host, {Sequence("install", install_result), Sequence("uninstall", uninstall_result)}};
    FakeDialogView view{reinterpret_cast<plat::HWND>(0x700)};
};

TEST_F(SettingsDialogTest, OpensWithoutAFileInSevenStepsAndOkWritesTheDefaults) {
    dialog.Attach(view);
    EXPECT_EQ(dialog.OnInitDialog(), plat::kTrue);
    EXPECT_EQ(view.log, (Log{// the base's exchange out, with the fields as constructed; the
                             // empty list has no entry to select, so the text is offered
                             "select 1002 \"\"", "set 1002 ", "set 1001 ", "set 1003 ",
                             "check 1004 0", "check 1000 0",
                             // icons, then the program controls greyed, the one format entry
                             "icon big", "icon small", "enable 1003 0", "enable 1006 0",
                             "add 1002 BMP", "select 1002 0",
                             // the loaded settings shown
                             "select 1002 \"BMP\"", "set 1001 c:\\", "set 1003 zarvoconv.exe",
                             "check 1004 0", "check 1000 0"}));
    EXPECT_EQ(view.controls[IDC_OUTTYPE].entries, Log{"BMP"});
    EXPECT_EQ(view.TextOf(IDC_OUTTYPE), "BMP");
    EXPECT_FALSE(view.controls[IDC_EXENAME].enabled);
    EXPECT_FALSE(view.controls[IDC_BROWSE_EXE].enabled);
    EXPECT_TRUE(view.controls[IDC_OUTPATH].enabled);
    EXPECT_EQ(view.icons[true], host.LoadIconA(IDR_MAINFRAME));
    EXPECT_EQ(view.icons[false], host.LoadIconA(IDR_MAINFRAME));
    ASSERT_EQ(view.menu.size(), 2u);
    EXPECT_EQ(view.menu[0].flags, plat::kMfSeparator);
    EXPECT_EQ(view.menu[1].flags, plat::kMfString);
    EXPECT_EQ(view.menu[1].id, 0x10u);
    EXPECT_EQ(view.menu[1].text, "关于 Velmora(&A)...");
    EXPECT_TRUE(profile.writes.empty());

    EXPECT_TRUE(Click(plat::kIdOk));
    EXPECT_EQ(view.end_result, plat::kIdOk);
    EXPECT_EQ(Written(), (Log{"exe=0", "exename=zarvoconv.exe", "outtype=BMP", "outpath=c:\\",
                              "overwrite=0"}));
}

TEST_F(SettingsDialogTest, WindowMenuIsLeftAloneWithoutTheStringOrWithoutAMenu) {
    ui.strings[IDS_ABOUTBOX] = "";
    Open();
    EXPECT_TRUE(view.menu.empty());

    ui.strings.erase(IDS_ABOUTBOX);
    Open();
    EXPECT_TRUE(view.menu.empty());

    ui.strings[IDS_ABOUTBOX] = "About";
    view.system_menu = nullptr;
    Open();
    EXPECT_TRUE(view.menu.empty());
}

TEST_F(SettingsDialogTest, StoredFlagOutsideTheCheckRangeEnablesTheProgramButSavesAsClear) {
    profile.SetText("zarvoprintsetup.ini", "[zarvoprinter]\nexe=5\nouttype=\n");
    Open();
    EXPECT_TRUE(view.controls[IDC_EXENAME].enabled);
    EXPECT_TRUE(view.controls[IDC_BROWSE_EXE].enabled);
    EXPECT_EQ(view.controls[IDC_RUNEXE].check, 0u);
    EXPECT_EQ(dialog.m_bRunExe, 0);
    // A stored empty format is the list's one, empty, entry and is written back unchanged.
    EXPECT_EQ(view.controls[IDC_OUTTYPE].entries, Log{""});

    Click(plat::kIdOk);
    EXPECT_EQ(Written()[0], "exe=0");
    EXPECT_EQ(Written()[2], "outtype=");
}

TEST_F(SettingsDialogTest, RunProgramBoxEnablesAndGreysTheProgramControlsKeepingTheText) {
    Open();
    view.Click(IDC_RUNEXE);
    EXPECT_TRUE(Click(IDC_RUNEXE));
    EXPECT_TRUE(view.controls[IDC_EXENAME].enabled);
    EXPECT_TRUE(view.controls[IDC_BROWSE_EXE].enabled);
    // Exchange in first; nothing is written to the controls.
    EXPECT_EQ(view.log, (Log{"get 1002", "get 1001", "get 1003", "get 1004", "get 1000",
                             "enable 1003 1", "enable 1006 1"}));

    view.Type(IDC_EXENAME, "D:\\bin\\post.exe");
    view.Click(IDC_RUNEXE);
    Click(IDC_RUNEXE);
    EXPECT_FALSE(view.controls[IDC_EXENAME].enabled);
    EXPECT_FALSE(view.controls[IDC_BROWSE_EXE].enabled);
    EXPECT_EQ(view.controls[IDC_EXENAME].text, "D:\\bin\\post.exe");

    Click(plat::kIdOk);
    EXPECT_EQ(Written()[0], "exe=0");
    EXPECT_EQ(Written()[1], "exename=D:\\bin\\post.exe");
}

TEST_F(SettingsDialogTest, ChosenFolderIsShownAtOnceKeepingOtherEditsAndCancelDiscardsAll) {
    Open();
    view.Type(IDC_EXENAME, "typed.exe");
    view.Click(IDC_OVERWRITE);
    EXPECT_TRUE(Click(IDC_BROWSE_OUTPATH));

    ASSERT_EQ(host.browses.size(), 1u);
    EXPECT_EQ(host.browses[0].owner, view.Window());
    EXPECT_EQ(host.browses[0].title, "\xC7\xEB\xD1\xA1\xD4\xF1\xC2\xB7\xBE\xB6: ");
    EXPECT_EQ(host.browses[0].flags, plat::kBifReturnOnlyFsDirs);
    EXPECT_EQ(host.items_freed, host.items_out);
    EXPECT_EQ(view.log, (Log{"get 1002", "get 1001", "get 1003", "get 1004", "get 1000",
                             "select 1002 \"BMP\"", "set 1001 D:\\Output", "set 1003 typed.exe",
                             "check 1004 0", "check 1000 1"}));
    EXPECT_EQ(dialog.m_strOutPath, "D:\\Output");
    EXPECT_EQ(dialog.m_strExeName, "typed.exe");
    EXPECT_FALSE(view.ended);

    Click(plat::kIdCancel);
    EXPECT_EQ(view.end_result, plat::kIdCancel);
    EXPECT_TRUE(profile.writes.empty());
}

TEST_F(SettingsDialogTest, CancelledBrowserOrFolderWithoutPathChangesNothing) {
    Open();
    view.Type(IDC_OUTPATH, "E:\\typed");
    host.folder_chosen = false;
    Click(IDC_BROWSE_OUTPATH);
    host.folder_chosen = true;
    host.item_has_path = false;
    Click(IDC_BROWSE_OUTPATH);
    host.file_picked = false;
    Click(IDC_BROWSE_EXE);

    EXPECT_TRUE(view.log.empty()) << "no exchange either way";
    EXPECT_EQ(view.controls[IDC_OUTPATH].text, "E:\\typed");
    EXPECT_EQ(dialog.m_strOutPath, "c:\\");
    EXPECT_EQ(host.items_out, 1);
    EXPECT_EQ(host.items_freed, 1);
}

TEST_F(SettingsDialogTest, ChosenProgramReplacesTheProgramText) {
    Open();
    view.Type(IDC_OUTPATH, "E:\\typed");
    EXPECT_TRUE(Click(IDC_BROWSE_EXE));

    using namespace std::string_literals;
    ASSERT_EQ(host.opens.size(), 1u);
    const auto& request = host.opens[0];
    EXPECT_EQ(request.filter, "可执行程序 (*.exe)\0*.exe\0\0"s);
    EXPECT_EQ(request.default_extension, "exe");
    EXPECT_EQ(request.flags, plat::kOfnEnableSizing | plat::kOfnExplorer);
    EXPECT_EQ(request.owner, view.Window());
    EXPECT_EQ(request.initial_file, "");
    EXPECT_EQ(view.controls[IDC_EXENAME].text, host.picked_file);
    EXPECT_EQ(view.controls[IDC_OUTPATH].text, "E:\\typed");
    EXPECT_EQ(view.log.front(), "get 1002");
}

TEST_F(SettingsDialogTest, HiddenButtonsRunTheSequenceUnderTheWaitCursorAndReportIt) {
    Open();
    fake.kernel.module_path = "C:\\Tools\\Velmora.exe";
    EXPECT_TRUE(Click(IDC_INSTALL));
    uninstall_result = plat::kFalse;
    EXPECT_TRUE(Click(IDC_UNINSTALL));

    EXPECT_EQ(sequence_calls, (Log{"install under wait cursor", "uninstall under wait cursor"}));
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[0].text, "安装Zarvo虚拟打印机驱动 成功 ");
    EXPECT_EQ(ui.boxes[1].text, "卸载Zarvo虚拟打印机驱动 失败 ");
    EXPECT_EQ(ui.boxes[0].caption, "Velmora");
    EXPECT_EQ(ui.boxes[0].style, plat::kMbOk | plat::kMbIconExclamation);
    EXPECT_EQ(ui.boxes[0].help_context, 0u);
    EXPECT_EQ(ui.waiting, (std::vector<bool>{true, true}));
    EXPECT_EQ(host.cursor, host.arrow);
    // The dialog stays open; nothing is exchanged, reloaded or written.
    EXPECT_FALSE(view.ended);
    EXPECT_TRUE(view.log.empty());
    EXPECT_TRUE(profile.writes.empty());
}

TEST_F(SettingsDialogTest, AboutCommandOpensTheAboutBoxOverTheDialog) {
    Open();
    view.Type(IDC_OUTPATH, "unsaved");
    host.scripts[IDD_ABOUTBOX] = [](FakeDialogView&, plat::DialogClient& about) {
        EXPECT_FALSE(about.OnCommand(IDC_INSTALL, plat::kBnClicked));
        EXPECT_TRUE(about.OnCommand(plat::kIdOk, plat::kBnClicked));
    };
    EXPECT_TRUE(dialog.OnSysCommand(0x0013, 0));   // the low four bits are the system's
    EXPECT_FALSE(dialog.OnSysCommand(0xF060, 0));  // SC_CLOSE: the system's own processing
    EXPECT_FALSE(dialog.OnSysCommand(0x0020, 0));

    ASSERT_EQ(host.runs.size(), 1u);
    EXPECT_EQ(host.runs[0].template_id, IDD_ABOUTBOX);
    EXPECT_EQ(host.runs[0].owner, view.Window());
    EXPECT_EQ(view.controls[IDC_OUTPATH].text, "unsaved");
    EXPECT_TRUE(view.log.empty());
    EXPECT_FALSE(view.ended);
}

TEST_F(SettingsDialogTest, MinimisedWindowPaintsTheIconCentred) {
    Open();
    EXPECT_FALSE(dialog.OnPaint()) << "a normal window is the system's to paint";
    EXPECT_TRUE(view.log.empty());

    view.iconic = true;
    view.client = {0, 0, 37, 20};
    EXPECT_TRUE(dialog.OnPaint());
    // (37 - 32 + 1) / 2 = 3 and (20 - 32 + 1) / 2 = -5: the division truncates toward zero.
    EXPECT_EQ(view.log, (Log{"begin paint", "erase paint dc", "draw 3,-5 paint dc", "end paint"}));
    EXPECT_EQ(view.drawn_icon, dialog.m_hIcon);
    EXPECT_EQ(dialog.OnQueryDragIcon(), dialog.m_hIcon);
}

TEST_F(SettingsDialogTest, DialogActionRunsTheDialogAsMainWindowAndOnlyOkWrites) {
    velmora::CWinApp app;
    host.scripts[IDD_VELMORA_DIALOG] = [&](FakeDialogView& shown, plat::DialogClient& client) {
        EXPECT_EQ(app.m_pMainWnd, shown.Window());
        shown.Type(IDC_OUTPATH, "F:\\");
        client.OnCommand(plat::kIdCancel, plat::kBnClicked);
    };
    velmora::ShowSettingsDialog(app, os, host, {});
    EXPECT_EQ(app.m_strRegistryKey, "应用程序向导生成的本地应用程序");
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    ASSERT_EQ(host.runs.size(), 1u);
    EXPECT_EQ(host.runs[0].template_id, IDD_VELMORA_DIALOG);
    EXPECT_EQ(host.runs[0].owner, nullptr);
    EXPECT_TRUE(profile.writes.empty());

    host.scripts[IDD_VELMORA_DIALOG] = [](FakeDialogView& shown, plat::DialogClient& client) {
        shown.Type(IDC_OUTPATH, "F:\\");
        client.OnCommand(plat::kIdOk, plat::kBnClicked);
    };
    velmora::ShowSettingsDialog(app, os, host, {});
    EXPECT_EQ(Written()[3], "outpath=F:\\");
}

}  // namespace
