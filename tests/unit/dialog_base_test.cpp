// The framework's data exchange routines, OK and Cancel processing, the file-dialog filter
// and the wait cursor.
#include "framework/dialog_base.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "fakes/fake_dialog.h"
#include "framework/wait_cursor.h"

namespace {

using fakes::FakeDialogHost;
using fakes::FakeDialogView;
using velmora::CDataExchange;

constexpr int kEdit = 10;
constexpr int kList = 11;
constexpr int kBox = 12;

class ExchangeTest : public ::testing::Test {
  protected:
    ExchangeTest() { view.controls[kList].drop_list = true; }
    FakeDialogView view{reinterpret_cast<plat::HWND>(0x100)};
    CDataExchange out{view, false};
    CDataExchange in{view, true};
};

TEST_F(ExchangeTest, TextMovesWholeBothWays) {
    std::string field = std::string(5000, 'a') + "\xB1\x5C";
    velmora::DDX_Text(out, kEdit, field);
    EXPECT_EQ(view.controls[kEdit].text, field);
    view.Type(kEdit, "");
    velmora::DDX_Text(in, kEdit, field);
    EXPECT_EQ(field, "");
}

TEST_F(ExchangeTest, ComboSelectsTheFirstEntryBeginningWithTheTextIgnoringCase) {
    view.controls[kList].entries = {"BMP", "bmp2", "PNG"};
    std::string field = "bm";
    velmora::DDX_CBString(out, kList, field);
    EXPECT_EQ(view.controls[kList].selection, 0);
    velmora::DDX_CBString(in, kList, field);
    EXPECT_EQ(field, "BMP");

    // No entry matches: the selection stays and the list ignores the text it is given.
    field = "png";
    velmora::DDX_CBString(out, kList, field);
    field = "TIFF";
    velmora::DDX_CBString(out, kList, field);
    EXPECT_EQ(view.controls[kList].selection, 2);
    EXPECT_EQ(view.log.back(), "set 11 TIFF");
    velmora::DDX_CBString(in, kList, field);
    EXPECT_EQ(field, "PNG");

    // Nothing selected reads as empty.
    view.controls[kList].selection = -1;
    velmora::DDX_CBString(in, kList, field);
    EXPECT_EQ(field, "");
}

TEST_F(ExchangeTest, CheckOutsideZeroToTwoIsResetInTheFieldToo) {
    for (int value : {0, 1, 2}) {
        int field = value;
        velmora::DDX_Check(out, kBox, field);
        EXPECT_EQ(field, value);
        EXPECT_EQ(view.controls[kBox].check, static_cast<unsigned>(value));
    }
    for (int value : {-1, 3, 5}) {
        int field = value;
        velmora::DDX_Check(out, kBox, field);
        EXPECT_EQ(field, 0) << value;
        EXPECT_EQ(view.controls[kBox].check, 0u);
    }
    int field = 7;
    view.controls[kBox].check = 1;
    velmora::DDX_Check(in, kBox, field);
    EXPECT_EQ(field, 1);
}

class TwoFieldDialog : public velmora::CDialog {
  public:
    explicit TwoFieldDialog(plat::DialogHost& host) : CDialog(host, 77) {}
    std::string text = "start";
    int flag = 9;

  protected:
    void DoDataExchange(CDataExchange& dx) override {
        velmora::DDX_Text(dx, kEdit, text);
        velmora::DDX_Check(dx, kBox, flag);
    }
};

TEST(DialogBaseTest, InitExchangesOutOkExchangesInAndCancelKeepsTheFields) {
    FakeDialogHost host;
    velmora::CWinApp app;
    host.scripts[77] = [&](FakeDialogView& view, plat::DialogClient& client) {
        EXPECT_EQ(app.m_pMainWnd, view.Window());
        EXPECT_EQ(view.controls[kEdit].text, "start");
        EXPECT_EQ(view.controls[kBox].check, 0u);
        view.Type(kEdit, "typed");
        view.Click(kBox);
        EXPECT_FALSE(client.OnCommand(plat::kIdOk, 1)) << "only a click is OK";
        EXPECT_TRUE(client.OnCommand(plat::kIdOk, plat::kBnClicked));
    };
    TwoFieldDialog dialog(host);
    dialog.SetAsMainWindowOf(app);
    EXPECT_EQ(dialog.DoModal(), plat::kIdOk);
    EXPECT_EQ(dialog.text, "typed");
    EXPECT_EQ(dialog.flag, 1);
    EXPECT_EQ(app.m_pMainWnd, nullptr) << "the window is gone";
    ASSERT_EQ(host.runs.size(), 1u);
    EXPECT_EQ(host.runs[0].owner, nullptr);

    host.scripts[77] = [](FakeDialogView& view, plat::DialogClient& client) {
        view.Type(kEdit, "discarded");
        EXPECT_TRUE(client.OnCommand(plat::kIdCancel, plat::kBnClicked));
    };
    EXPECT_EQ(dialog.DoModal(), plat::kIdCancel);
    EXPECT_EQ(dialog.text, "typed");
}

TEST(FileDialogTest, BarsBecomeZerosButNotInsideDoubleByteCharacters) {
    using namespace std::string_literals;
    EXPECT_EQ(velmora::FilterFromBars("Programs (*.exe)|*.exe||"), "Programs (*.exe)\0*.exe\0\0"s);
    // 0x81 0x7C is one GBK character whose trail byte is '|'.
    EXPECT_EQ(velmora::FilterFromBars("\x81|x|*.y||"), "\x81|x\0*.y\0\0"s);
}

TEST(FileDialogTest, CancelOrPickedPath) {
    FakeDialogHost host;
    velmora::CFileDialog chooser(host, "exe", nullptr, plat::kOfnEnableSizing, "A|*.a||",
                                 reinterpret_cast<plat::HWND>(0x42));
    host.file_picked = false;
    EXPECT_EQ(chooser.DoModal(), plat::kIdCancel);
    host.file_picked = true;
    EXPECT_EQ(chooser.DoModal(), plat::kIdOk);
    EXPECT_EQ(chooser.GetPathName(), host.picked_file);
    EXPECT_EQ(host.opens[0].initial_file, "");
    EXPECT_EQ(host.opens[0].file_size, plat::kMaxPath);
}

TEST(WaitCursorTest, EndsHoweverTheScopeIsLeftAndNests) {
    FakeDialogHost host;
    try {
        velmora::CWaitCursor outer(host);
        {
            velmora::CWaitCursor inner(host);
            EXPECT_EQ(host.cursor, host.wait);
        }
        EXPECT_EQ(host.cursor, host.wait);
        throw std::runtime_error("left early");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(host.cursor, host.arrow);
}

}  // namespace
