// The settings file and dialog against the pretend system: what OK and Cancel write, the
// run-program box, the choosers, the hidden buttons, About, the minimised icon.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_system.h"
#include "settings/output_settings.h"

namespace {

using namespace fake;

TEST(SettingsFileTest, WrittenInOrderFlagsAsZeroOrOneAndReadBackCutTo1023Bytes) {
    System f;
    const std::string path(2000, 'p');
    velmora::SaveOutputSettings(f, f, {5, "\xD7\xAA.exe", "PNG", path, -1});
    EXPECT_EQ(f.Log("ini zarvoprintsetup.ini "),
              "exe=1|exename=\xD7\xAA.exe|outtype=PNG|outpath=" + path + "|overwrite=1");
    const velmora::OutputSettings s = velmora::LoadOutputSettings(f);
    EXPECT_EQ(Say('|', s.m_bRunExe, s.m_strExeName, s.m_strOutType, s.m_strOutPath, s.m_bOverwrite),
              "1|\xD7\xAA.exe|PNG|" + std::string(1023, 'p') + "|1|");
}

// The controls' texts and checks, and whether the program's two controls are enabled.
std::string Shown(View& v) {
    return Say('|', v.Text(IDC_OUTTYPE), v.Text(IDC_OUTPATH), v.Text(IDC_EXENAME),
               v.c[IDC_RUNEXE].check, v.c[IDC_OVERWRITE].check,
               v.c[IDC_EXENAME].enabled + v.c[IDC_BROWSE_EXE].enabled);
}

class DialogTest : public ::testing::Test {
  protected:
    // The dialog as the program shows it with no switch; `act` is what the user does in it.
    View& Show(const std::function<void(View&)>& act) {
        velmora::CWinApp app;
        f.user[IDD_VELMORA_DIALOG] = [&](View& v) {
            EXPECT_EQ(app.m_pMainWnd, v.window);
            act(v);
        };
        velmora::ShowSettingsDialog(app, f.os, f, log);
        EXPECT_EQ(app.m_pMainWnd, nullptr);
        EXPECT_EQ(f.Unreleased(), "");
        EXPECT_EQ(f.cursor, H(0xA1));  // the wait cursor is gone
        return f.views.at(0);
    }
    std::string Written() { return f.Log("ini zarvoprintsetup.ini "); }
    System f;
    velmora::RunLog log{f};
};

TEST_F(DialogTest, ShowsTheDefaultsTheRunProgramBoxGreysOrEnablesAndOkWritesTheEdits) {
    View& v = Show([](View& v) {
        EXPECT_EQ(Shown(v), "BMP|c:\\|zarvoconv.exe|0|0|0|");
        EXPECT_TRUE(v.Click(IDC_RUNEXE));
        EXPECT_EQ(Shown(v), "BMP|c:\\|zarvoconv.exe|1|0|2|");
        v.c[IDC_EXENAME].text = "D:\\post.exe";
        v.c[IDC_OUTPATH].text = "typed";
        EXPECT_TRUE(v.Click(IDC_RUNEXE));
        EXPECT_EQ(Shown(v), "BMP|typed|D:\\post.exe|0|0|0|");  // kept, not exchanged out
        EXPECT_TRUE(v.Click(kIdOk));
    });
    EXPECT_EQ(v.c[IDC_OUTTYPE].items, std::vector<std::string>{"BMP"});
    EXPECT_EQ(Say(' ', v.init, v.result, v.icons[0] == v.icons[1], v.icons[1] == f.LoadIconA(128)),
              "1 1 1 1 ");
    EXPECT_EQ(v.menu, (std::vector<std::string>{"-", "16 关于 Velmora(&A)..."}));
    EXPECT_EQ(Written(), "exe=0|exename=D:\\post.exe|outtype=BMP|outpath=typed|overwrite=0");
}

TEST_F(DialogTest, ShowsTheStoredSettingsOkWritesThemCancelNothing) {
    auto& stored = f.ini["zarvoprintsetup.ini"]["zarvoprinter"];
    stored = {{"exe", "5"}, {"exename", "x.exe"}, {"outtype", "png"}};
    stored.insert({{"outpath", "E:\\"}, {"overwrite", "1"}});
    f.strings.clear();  // no About text: no menu item
    View& v = Show([](View& v) {
        EXPECT_EQ(Shown(v), "png|E:\\|x.exe|0|1|2|");  // an odd flag shows clear, yet enables
        v.Click(IDC_OVERWRITE);
        v.c[IDC_EXENAME].text = "";       // an empty field is a value too
        EXPECT_FALSE(v.Click(kIdOk, 1));  // not a click
        EXPECT_EQ(v.result, -1);
        EXPECT_TRUE(v.Click(kIdOk));
    });
    EXPECT_TRUE(v.menu.empty());
    EXPECT_EQ(Written(), "exe=0|exename=|outtype=png|outpath=E:\\|overwrite=0");
    f.log.clear();
    Show([](View& v) {
        v.c[IDC_OUTPATH].text = "G:\\";
        EXPECT_TRUE(v.Click(kIdCancel));
    });
    EXPECT_EQ(Say(' ', f.views.at(1).result, Written()), "2  ");
    // A write the system refuses is said, and the dialog stays with the user's values.
    f.fail("WritePrivateProfileStringA", 32);
    Show([this](View& v) {
        v.c[IDC_OUTPATH].text = "H:\\";
        EXPECT_TRUE(v.Click(kIdOk));
        f.windows = u8"C:\\Win\u0080";  // not ASCII: the file by the name it was written by
        EXPECT_TRUE(v.Click(kIdOk));
        EXPECT_EQ(v.result, -1);
        EXPECT_EQ(v.Text(IDC_OUTPATH), "H:\\");
        v.Click(kIdCancel);
    });
    EXPECT_EQ(f.Log("box "),
              "无法保存设置文件 C:\\windows\\zarvoprintsetup.ini（错误代码 32）|"
              "无法保存设置文件 zarvoprintsetup.ini（错误代码 32）");
}

TEST_F(DialogTest, TextTheAnsiCodePageCannotHoldIsSaidAndKeptNeverSaved) {
    const std::string unsavable =
        "输出文件路径或程序名中有本系统的代码页无法保存的字符，设置未保存。请修改后再按确定。";
    Show([this](View& v) {
        v.c[IDC_OUTPATH].text = "E:\\typed";
        v.c[IDC_OUTPATH].unsavable = true;
        EXPECT_TRUE(v.Click(kIdOk));
        EXPECT_TRUE(v.Click(IDC_BROWSE_EXE));  // choosing a program would put the field back
        v.c[IDC_OUTPATH].unsavable = false;
        f.folder = "!E:\\输出2";
        EXPECT_TRUE(v.Click(IDC_BROWSE_OUTPATH));  // a chosen folder that cannot be saved
        EXPECT_EQ(v.result, -1);
        EXPECT_EQ(Shown(v), "BMP|E:\\typed|zarvoconv.exe|0|0|0|");
        v.Click(kIdCancel);
    });
    EXPECT_EQ(f.Log("box "), unsavable + "|" + unsavable +
                                 "|所选的路径中有本系统的代码页无法保存的字符，不能使用。");
    EXPECT_EQ(Written(), "");
}

TEST_F(DialogTest, ChosenFolderOrProgramIsShownAtOnceKeepingOtherEdits) {
    Show([this](View& v) {
        v.c[IDC_EXENAME].text = "typed.exe";
        for (const char* folder : {"", "::{desktop}", "D:\\Output"}) {  // cancel, no path, chosen
            SCOPED_TRACE(folder);
            EXPECT_EQ(v.Text(IDC_OUTPATH), "c:\\");
            f.folder = folder;
            f.last_error = kErrorNoUnicodeTranslation;  // left over: cancelling says nothing
            EXPECT_TRUE(v.Click(IDC_BROWSE_OUTPATH));
        }
        v.c[IDC_RUNEXE].check = 1;
        for (const char* program : {"", "C:\\Tools\\convert.exe"}) {  // cancel, chosen
            SCOPED_TRACE(program);
            EXPECT_EQ(v.Text(IDC_EXENAME), "typed.exe");
            f.picked = program;
            f.last_error = kErrorNoUnicodeTranslation;
            EXPECT_TRUE(v.Click(IDC_BROWSE_EXE));
        }
        EXPECT_EQ(Shown(v), "BMP|D:\\Output|C:\\Tools\\convert.exe|1|0|0|");
        v.Click(kIdCancel);
    });
    EXPECT_EQ(f.Log("box "), "");
    EXPECT_EQ(f.Log("browse "), "请选择路径:  1|请选择路径:  1|请选择路径:  1");
    const std::string chooser =
        "可执行程序 (*.exe)|*.exe| exe " + Str(kOfnEnableSizing | kOfnExplorer);
    EXPECT_EQ(f.Log("choose "), chooser + " 260 []|" + chooser + " 260 []");
}

TEST_F(DialogTest, HiddenButtonsAboutBoxAndTheMinimisedIcon) {
    f.user[IDD_ABOUTBOX] = [](View& about) {
        EXPECT_FALSE(about.Click(IDC_INSTALL));
        EXPECT_TRUE(about.Click(kIdOk));
    };
    View& v = Show([this](View& v) {
        // A lock left by a run that died is taken over.
        f.mutexes["Global\\Velmora-install-uninstall"] = {f.account, "gone", false, kInfinite};
        for (int button : {IDC_INSTALL, IDC_UNINSTALL, IDC_UNINSTALL}) EXPECT_TRUE(v.Click(button));
        // Another run (a deployment's "-i") holds the machine's lock: not waited for.
        f.mutexes["Global\\Velmora-install-uninstall"] = {f.account, "agent", false, 60000};
        EXPECT_TRUE(v.Click(IDC_INSTALL));
        EXPECT_TRUE(v.client.OnSysCommand(IDM_ABOUTBOX | 3, 0));  // low bits are the system's
        EXPECT_FALSE(v.client.OnSysCommand(0xF060, 0));           // SC_CLOSE: the system's
        EXPECT_FALSE(v.client.OnPaint());
        v.iconic = true;
        v.rect = {10, 4, 47, 24};
        EXPECT_TRUE(v.client.OnPaint());
        EXPECT_EQ(v.client.OnQueryDragIcon(), v.icons[kTrue]);
        EXPECT_EQ(v.result, -1);  // it stayed open
        EXPECT_TRUE(v.Click(kIdCancel));
    });
    // Each sequence under the wait cursor, then a box with its outcome; nothing written.
    EXPECT_EQ(f.Log("box "),
              "安装Zarvo虚拟打印机驱动 成功 |卸载Zarvo虚拟打印机驱动 成功 |"
              "卸载Zarvo虚拟打印机驱动 失败 |另一个打印机安装或卸载正在进行，请稍后再试。");
    for (std::size_t i = 0; i < 3; ++i)  // the lock already released
        EXPECT_EQ(Say(' ', f.boxes[i].waiting, f.boxes[i].style, f.boxes[i].locked), "1 48 0 ");
    EXPECT_EQ(f.threads.size(), 3u);  // three runs, no fourth
    EXPECT_EQ(Written(), "");
    EXPECT_THAT(f.RunLog(), testing::HasSubstr("\"dialog: install button\", Windows 6.0.0 (NT), "
                                               "64-bit, elevated: yes|install lock: taken over "
                                               "from a run that ended without releasing it|copy"));
    EXPECT_THAT(f.RunLog(), testing::HasSubstr("button\", Windows 6.0.0 (NT), 64-bit, elevated: "
                                               "yes|pause 3000 ms"));
    EXPECT_THAT(f.RunLog(), testing::HasSubstr("(ours)|result: succeeded|"));
    const View& about = f.views.at(1);
    EXPECT_EQ(Say(' ', about.id, about.owner == v.window, about.init, about.result), "100 1 1 1 ");
    // (37 - 32 + 1) / 2 = 3 and (20 - 32 + 1) / 2 = -5: the division rounds toward zero.
    EXPECT_EQ(v.painted, "begin erase icon 3 -5 end");
}

}  // namespace
