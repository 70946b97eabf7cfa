// The settings file and the settings dialog against the pretend system: defaults, what OK and
// Cancel write, the run-program box, the two choosers, the hidden buttons, About, the
// minimised icon, and the framework pieces under them.
#include <gtest/gtest.h>

#include "fake_system.h"
#include "framework/dialog_base.h"
#include "settings/about_dlg.h"
#include "settings/output_settings.h"

namespace {

using namespace fake;
using std::to_string;

std::string Describe(const velmora::OutputSettings& s) {
    return to_string(s.m_bRunExe) + "|" + s.m_strExeName + "|" + s.m_strOutType + "|" +
           s.m_strOutPath + "|" + to_string(s.m_bOverwrite);
}

TEST(SettingsFileTest, DefaultsWriteOrderAndRoundTrip) {
    System f;
    EXPECT_EQ(Describe(velmora::LoadOutputSettings(f)), "0|zarvoconv.exe|BMP|c:\\|0");
    EXPECT_TRUE(f.ini.empty());  // reading never writes
    const std::string path(2000, 'p');
    velmora::SaveOutputSettings(f, {5, "\xD7\xAA.exe", "PNG", path, -1});
    EXPECT_EQ(f.Log("ini zarvoprintsetup.ini "),
              "exe=1|exename=\xD7\xAA.exe|outtype=PNG|outpath=" + path + "|overwrite=1");
    EXPECT_EQ(Describe(velmora::LoadOutputSettings(f)),
              "1|\xD7\xAA.exe|PNG|" + std::string(1023, 'p') + "|1");
    velmora::SaveOutputSettings(f, {0, "", "", "", 0});
    EXPECT_EQ(Describe(velmora::LoadOutputSettings(f)), "0||||0");  // empty is not missing
}

// The controls' texts, checks and whether the program's two controls are enabled.
std::string Shown(View& v) {
    return v.Text(IDC_OUTTYPE) + "|" + v.Text(IDC_OUTPATH) + "|" + v.Text(IDC_EXENAME) + "|" +
           to_string(v.c[IDC_RUNEXE].check) + to_string(v.c[IDC_OVERWRITE].check) + "|" +
           (v.c[IDC_EXENAME].enabled ? "on" : "off") + (v.c[IDC_BROWSE_EXE].enabled ? "on" : "off");
}

// The dialog as the program shows it with no switch; `act` is what the user does in it.
void Show(System& f, const std::function<void(View&)>& act) {
    velmora::CWinApp app;
    f.user[IDD_VELMORA_DIALOG] = [&](View& v) {
        EXPECT_EQ(app.m_pMainWnd, v.window);
        act(v);
    };
    f.user[IDD_ABOUTBOX] = [](View& about) {
        EXPECT_FALSE(about.Click(IDC_INSTALL));
        EXPECT_TRUE(about.Click(kIdOk));
    };
    velmora::ShowSettingsDialog(app, f.os, f,
                                {&velmora::InstallPrinter, &velmora::UninstallPrinter});
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    EXPECT_EQ(app.m_strRegistryKey, "应用程序向导生成的本地应用程序");
    EXPECT_TRUE(f.Clean());
    EXPECT_EQ(f.cursor, H(0xA1));
}

class DialogTest : public ::testing::Test {
  protected:
    std::string Written() { return f.Log("ini zarvoprintsetup.ini "); }
    System f;
    View& Dialog() { return f.views.at(0); }
};

TEST_F(DialogTest, ShowsTheDefaultsAndOkWritesThem) {
    Show(f, [](View& v) { EXPECT_TRUE(v.Click(kIdOk)); });
    View& v = Dialog();
    EXPECT_EQ(v.init, kTrue);
    EXPECT_EQ(v.c[IDC_OUTTYPE].items, std::vector<std::string>{"BMP"});
    EXPECT_EQ(Shown(v), "BMP|c:\\|zarvoconv.exe|00|offoff");
    EXPECT_TRUE(v.c[IDC_OUTPATH].enabled);
    EXPECT_EQ(v.icons, (std::map<BOOL, HICON>{{0, f.LoadIconA(IDR_MAINFRAME)},
                                              {1, f.LoadIconA(IDR_MAINFRAME)}}));
    EXPECT_EQ(v.menu, (std::vector<std::string>{"-", "16 关于 Velmora(&A)..."}));
    EXPECT_EQ(v.result, kIdOk);
    EXPECT_EQ(Written(), "exe=0|exename=zarvoconv.exe|outtype=BMP|outpath=c:\\|overwrite=0");
}

TEST_F(DialogTest, ShowsTheStoredSettingsAndOkWritesTheEdits) {
    f.ini["zarvoprintsetup.ini"]["zarvoprinter"] = {{"exe", "5"},
                                                    {"exename", "x.exe"},
                                                    {"outtype", "png"},
                                                    {"outpath", "E:\\"},
                                                    {"overwrite", "1"}};
    Show(f, [](View& v) {
        EXPECT_EQ(Shown(v), "png|E:\\|x.exe|01|onon");  // an odd flag shows clear, yet enables
        v.c[IDC_OUTPATH].text = "F:\\out";
        v.Click(IDC_OVERWRITE);
        v.Click(kIdOk);
    });
    EXPECT_EQ(Written(), "exe=0|exename=x.exe|outtype=png|outpath=F:\\out|overwrite=0");
}

TEST_F(DialogTest, CancelWritesNothingAndNoAboutTextMeansNoMenuItem) {
    f.strings.clear();
    Show(f, [](View& v) {
        v.c[IDC_OUTPATH].text = "F:\\";
        EXPECT_FALSE(v.Click(kIdOk, 1));  // not a click
        EXPECT_EQ(v.result, -1);
        EXPECT_TRUE(v.Click(kIdCancel));
    });
    EXPECT_EQ(Dialog().result, kIdCancel);
    EXPECT_EQ(Written(), "");
    EXPECT_TRUE(Dialog().menu.empty());
}

TEST_F(DialogTest, RunProgramBoxEnablesAndGreysTheProgramKeepingItsText) {
    Show(f, [](View& v) {
        EXPECT_TRUE(v.Click(IDC_RUNEXE));
        EXPECT_EQ(Shown(v), "BMP|c:\\|zarvoconv.exe|10|onon");
        v.c[IDC_EXENAME].text = "D:\\post.exe";
        v.c[IDC_OUTPATH].text = "typed";
        EXPECT_TRUE(v.Click(IDC_RUNEXE));
        EXPECT_EQ(Shown(v), "BMP|typed|D:\\post.exe|00|offoff");
        v.Click(kIdOk);
    });
    EXPECT_EQ(Written(), "exe=0|exename=D:\\post.exe|outtype=BMP|outpath=typed|overwrite=0");
}

TEST_F(DialogTest, ChosenFolderOrProgramIsShownAtOnceKeepingOtherEdits) {
    Show(f, [this](View& v) {
        v.c[IDC_EXENAME].text = "typed.exe";
        for (const char* folder : {"", "::{desktop}", "D:\\Output"}) {  // cancel, no path, chosen
            EXPECT_EQ(v.Text(IDC_OUTPATH), "c:\\");
            f.folder = folder;
            EXPECT_TRUE(v.Click(IDC_BROWSE_OUTPATH));
        }
        EXPECT_EQ(Shown(v), "BMP|D:\\Output|typed.exe|00|offoff");
        v.c[IDC_OUTPATH].text = "E:\\typed";
        for (const char* program : {"", "C:\\Tools\\convert.exe"}) {
            EXPECT_EQ(v.Text(IDC_EXENAME), "typed.exe");
            f.picked = program;
            EXPECT_TRUE(v.Click(IDC_BROWSE_EXE));
        }
        EXPECT_EQ(Shown(v), "BMP|E:\\typed|C:\\Tools\\convert.exe|00|offoff");
        v.Click(kIdCancel);
    });
    EXPECT_EQ(f.Log("browse "), "请选择路径:  1|请选择路径:  1|请选择路径:  1");
    const std::string chooser =
        "可执行程序 (*.exe)|*.exe| exe " + to_string(kOfnEnableSizing | kOfnExplorer) + " 260 []";
    EXPECT_EQ(f.Log("choose "), chooser + "|" + chooser);
}

TEST_F(DialogTest, HiddenButtonsRunTheSequencesUnderTheWaitCursorAndTellTheOutcome) {
    Show(f, [](View& v) {
        for (int button : {IDC_INSTALL, IDC_UNINSTALL, IDC_UNINSTALL}) {
            EXPECT_TRUE(v.Click(button));
        }
        EXPECT_EQ(v.result, -1);  // still open
        v.Click(kIdCancel);
    });
    EXPECT_EQ(f.Log("box "),
              "安装Zarvo虚拟打印机驱动 成功 |卸载Zarvo虚拟打印机驱动 成功 |"
              "卸载Zarvo虚拟打印机驱动 失败 ");
    for (const auto& box : f.boxes) {
        EXPECT_TRUE(box.waiting && box.caption == "Velmora" && box.style == kMbIconExclamation);
    }
    EXPECT_EQ(Written(), "");
    EXPECT_EQ(Dialog().result, kIdCancel);
}

TEST_F(DialogTest, AboutBoxOverTheDialogAndTheMinimisedIconCentred) {
    Show(f, [](View& v) {
        EXPECT_TRUE(v.client.OnSysCommand(IDM_ABOUTBOX | 3, 0));  // low bits are the system's
        EXPECT_FALSE(v.client.OnSysCommand(0xF060, 0));           // SC_CLOSE: the system's
        EXPECT_FALSE(v.client.OnPaint());
        v.iconic = true, v.rect = {0, 0, 37, 20};
        EXPECT_TRUE(v.client.OnPaint());
        EXPECT_EQ(v.client.OnQueryDragIcon(), v.icons[kTrue]);
        v.Click(kIdCancel);
    });
    ASSERT_EQ(f.views.size(), 2u);
    const View& about = f.views[1];
    EXPECT_EQ(about.id, IDD_ABOUTBOX);
    EXPECT_EQ(about.owner, Dialog().window);
    EXPECT_EQ(about.init, kTrue);
    EXPECT_EQ(about.result, kIdOk);
    // (37 - 32 + 1) / 2 = 3 and (20 - 32 + 1) / 2 = -5: the division rounds toward zero.
    EXPECT_EQ(Dialog().painted, "begin erase icon 3,-5 end");
    EXPECT_EQ(Dialog().drawn, Dialog().icons[kTrue]);
}

// Any fallible call of a session with every button failing: nothing stays open, the cursor and
// the main window are restored, and OK writes all five keys unless a write or the dialog fails.
TEST_F(DialogTest, EveryFallibleCallFailingEndsCleanly) {
    const auto everything = [](View& v) {
        for (int button :
             {IDC_RUNEXE, IDC_BROWSE_OUTPATH, IDC_BROWSE_EXE, IDC_INSTALL, IDC_UNINSTALL}) {
            v.Click(button);
        }
        v.client.OnSysCommand(IDM_ABOUTBOX, 0);
        v.Click(kIdOk);
    };
    Show(f, everything);
    for (const std::string& call : f.fallible) {
        System g;
        g.fail(call);
        SCOPED_TRACE(call);
        Show(g, everything);
        const bool lost = call == "WritePrivateProfileStringA" || call == "DialogBoxParamA";
        EXPECT_EQ(g.Log("ini ").empty(), lost);
    }
}

TEST(FrameworkTest, FilterFileNameComboAndAWindowlessDialog) {
    using namespace std::string_literals;
    EXPECT_EQ(velmora::FilterFromBars("\x81|x|*.y||"), "\x81|x\0*.y\0\0"s);  // 0x81 0x7C: one
    System f;
    velmora::CFileDialog chooser(f, nullptr, std::string(300, 'n').c_str(), 0, "A|*.a||", nullptr);
    f.picked = "";
    EXPECT_EQ(chooser.DoModal(), kIdCancel);
    EXPECT_EQ(f.Log("choose "), "A|*.a| - " + to_string(kOfnExplorer) + " 260 [" +
                                    std::string(259, 'n') + "] (no dialog)");

    velmora::CAboutDlg about(f);
    EXPECT_FALSE(about.UpdateData());  // no window, nothing exchanged
    View v(0, nullptr, about, H(1));   // an editable combo box
    v.c[5].items = {"BMP"};
    velmora::CDataExchange out(v, false);
    std::string value = "TIFF";
    velmora::DDX_CBString(out, 5, value);
    EXPECT_EQ(v.c[5].text + to_string(v.c[5].sel), "TIFF-1");
}

}  // namespace
