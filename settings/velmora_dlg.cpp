// The settings dialog's start-up, message handlers and data bindings.
#include "settings/velmora_dlg.h"

#include <algorithm>

#include "common/join.h"
#include "common/notices.h"
#include "common/printer_constants.h"
#include "common/run_lock.h"
#include "common/system_facts.h"
#include "common/system_paths.h"
#include "framework/message_box.h"
#include "framework/wait_cursor.h"
#include "install/sequences.h"
#include "res/resource.h"
#include "settings/about_dlg.h"

namespace velmora {
namespace {

static_assert((IDM_ABOUTBOX & 0xFFF0) == IDM_ABOUTBOX && IDM_ABOUTBOX < 0xF000,
              "window-menu commands of our own are multiples of 16 below the system's");

constexpr char kRegistryKey[] = "应用程序向导生成的本地应用程序";
constexpr char kBrowseFolderTitle[] = "请选择路径: ";
constexpr char kExeFilter[] = "可执行程序 (*.exe)|*.exe||";
constexpr char kUnsavableText[] =
    "输出文件路径或程序名中有本系统的代码页无法保存的字符，设置未保存。请修改后再按确定。";
constexpr char kUnsavableChoiceText[] = "所选的路径中有本系统的代码页无法保存的字符，不能使用。";
constexpr char kAnotherRunText[] = "另一个打印机安装或卸载正在进行，请稍后再试。";

// "无法保存设置文件 C:\windows\zarvoprintsetup.ini（错误代码 5）", naming the file where
// the system keeps it; by its bare name when the Windows directory cannot be had or is not
// ASCII (which it is on nearly every Windows), since the box's code page 936 text could not
// hold it whole.
std::string SaveFailureText(plat::Kernel& kernel, plat::DWORD error) {
    const plat::Path windows = WindowsDirectory(kernel);
    std::string folder;
    if (std::all_of(windows.begin(), windows.end(), [](char16_t c) { return c < 0x80; })) {
        folder.assign(windows.begin(), windows.end());
    }
    return Join({"无法保存设置文件 ", folder, folder.empty() ? "" : "\\", kSettingsFile,
                 "（错误代码 ", ErrorCodeText(error), "）"});
}

std::string LoadString(plat::Ui& ui, unsigned id) {
    char text[256] = {};
    return ui.LoadStringA(id, text, sizeof text) > 0 ? std::string(text) : std::string();
}

}  // namespace

CVelmoraDlg::CVelmoraDlg(plat::Os& os, plat::DialogHost& host, RunLog& log)
    : CDialog(host, IDD_VELMORA_DIALOG),
      m_hIcon(host.LoadIconA(IDR_MAINFRAME)),
      m_os(os),
      m_log(log) {}

void CVelmoraDlg::DoDataExchange(CDataExchange& dx) {
    DDX_CBString(dx, IDC_OUTTYPE, m_strOutType);
    DDX_Text(dx, IDC_OUTPATH, m_strOutPath);
    DDX_Text(dx, IDC_EXENAME, m_strExeName);
    DDX_Check(dx, IDC_RUNEXE, m_bRunExe);
    DDX_Check(dx, IDC_OVERWRITE, m_bOverwrite);
}

plat::BOOL CVelmoraDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    if (plat::HMENU menu = View().GetSystemMenu(plat::kFalse)) {
        const std::string about = LoadString(m_os.ui, IDS_ABOUTBOX);
        if (!about.empty()) {
            View().AppendMenuA(menu, plat::kMfSeparator, 0, nullptr);
            View().AppendMenuA(menu, plat::kMfString, IDM_ABOUTBOX, about.c_str());
        }
    }

    View().SetIcon(m_hIcon, plat::kTrue);
    View().SetIcon(m_hIcon, plat::kFalse);

    const OutputSettings settings = LoadOutputSettings(m_os.profile);
    m_bRunExe = settings.m_bRunExe;
    m_strExeName = settings.m_strExeName;
    m_strOutType = settings.m_strOutType;
    m_strOutPath = settings.m_strOutPath;
    m_bOverwrite = settings.m_bOverwrite;

    if (m_bRunExe == 0) {
        View().EnableWindow(IDC_EXENAME, plat::kFalse);
        View().EnableWindow(IDC_BROWSE_EXE, plat::kFalse);
    }

    // The stored format is the list's only entry: it can be seen but not changed here.
    View().ComboAddString(IDC_OUTTYPE, m_strOutType.c_str());
    View().ComboSetCurSel(IDC_OUTTYPE, 0);

    UpdateData(false);
    return plat::kTrue;
}

bool CVelmoraDlg::OnCommand(unsigned id, unsigned code) {
    if (code == plat::kBnClicked) {
        switch (id) {
            case plat::kIdOk:
                OnBnClickedOk();
                return true;
            case IDC_BROWSE_OUTPATH:
                OnBnClickedBrowseOutPath();
                return true;
            case IDC_BROWSE_EXE:
                OnBnClickedBrowseExe();
                return true;
            case IDC_RUNEXE:
                OnBnClickedRunExe();
                return true;
            case IDC_INSTALL:
                OnBnClickedInstall();
                return true;
            case IDC_UNINSTALL:
                OnBnClickedUninstall();
                return true;
        }
    }
    return CDialog::OnCommand(id, code);
}

bool CVelmoraDlg::OnSysCommand(unsigned id, std::intptr_t) {
    if ((id & 0xFFF0) != IDM_ABOUTBOX) return false;
    CAboutDlg about(m_host);
    // A dialog without a parent is owned by the main window, this one.
    (void)about.DoModal(View().Window());
    return true;
}

bool CVelmoraDlg::OnPaint() {
    if (!View().IsIconic()) return false;
    const plat::HDC dc = View().BeginPaint();
    View().SendIconEraseBkgnd(dc);
    const int icon_width = m_host.GetSystemMetrics(plat::kSmCxIcon);
    const int icon_height = m_host.GetSystemMetrics(plat::kSmCyIcon);
    const plat::Rect client = View().GetClientRect();
    const int x = (client.right - client.left - icon_width + 1) / 2;
    const int y = (client.bottom - client.top - icon_height + 1) / 2;
    View().DrawIcon(dc, x, y, m_hIcon);
    View().EndPaint();
    return true;
}

plat::HICON CVelmoraDlg::OnQueryDragIcon() { return m_hIcon; }

bool CVelmoraDlg::TakeInControls() {
    // The settings file is in the system's ANSI code page: what it cannot hold would be written
    // as "?" and lost. Said, with every control left as the user made it.
    if (UpdateData(true)) return true;
    (void)AppMessageBox(m_os.ui, m_os.kernel, kUnsavableText);
    return false;
}

void CVelmoraDlg::SayIfUnsavable() {
    // A chooser gives up a path that the settings file's code page cannot hold: said, or the
    // click would seem to do nothing.
    if (m_os.kernel.GetLastError() == plat::kErrorNoUnicodeTranslation) {
        (void)AppMessageBox(m_os.ui, m_os.kernel, kUnsavableChoiceText);
    }
}

void CVelmoraDlg::OnBnClickedOk() {
    if (!TakeInControls()) return;
    OutputSettings settings;
    settings.m_bRunExe = m_bRunExe;
    settings.m_strExeName = m_strExeName;
    settings.m_strOutType = m_strOutType;
    settings.m_strOutPath = m_strOutPath;
    settings.m_bOverwrite = m_bOverwrite;
    // The file lives in the Windows folder, which a user without administrator rights cannot
    // write: say so and keep the dialog with the user's values, rather than lose them.
    if (const plat::DWORD error = SaveOutputSettings(m_os.profile, m_os.kernel, settings)) {
        const std::string text = SaveFailureText(m_os.kernel, error);
        (void)AppMessageBox(m_os.ui, m_os.kernel, text.c_str());
        return;
    }
    EndDialog(plat::kIdOk);
}

void CVelmoraDlg::OnBnClickedBrowseOutPath() {
    plat::UniqueItemIdList item(
        m_host,
        m_host.SHBrowseForFolderA(View().Window(), kBrowseFolderTitle, plat::kBifReturnOnlyFsDirs));
    if (!item) return;
    char path[plat::kMaxPath] = {};
    m_os.kernel.SetLastError(plat::kErrorSuccess);
    const plat::BOOL has_path = m_host.SHGetPathFromIDListA(item.get(), path);
    item.reset();
    // An item without a file-system path leaves the directory as it is.
    if (!has_path) return SayIfUnsavable();
    path[sizeof path - 1] = '\0';

    if (!TakeInControls()) return;
    m_strOutPath = path;
    UpdateData(false);
}

void CVelmoraDlg::OnBnClickedBrowseExe() {
    CFileDialog chooser(m_host, "exe", nullptr, plat::kOfnEnableSizing, kExeFilter,
                        View().Window());
    m_os.kernel.SetLastError(plat::kErrorSuccess);
    if (chooser.DoModal() != plat::kIdOk) return SayIfUnsavable();
    if (!TakeInControls()) return;
    m_strExeName = chooser.GetPathName();
    UpdateData(false);
}

void CVelmoraDlg::OnBnClickedRunExe() {
    UpdateData(true);
    const plat::BOOL enable = m_bRunExe != 0 ? plat::kTrue : plat::kFalse;
    View().EnableWindow(IDC_EXENAME, enable);
    View().EnableWindow(IDC_BROWSE_EXE, enable);
}

void CVelmoraDlg::OnBnClickedInstall() {
    RunSequence(true, "安装Zarvo虚拟打印机驱动 ", u"dialog: install button");
}

void CVelmoraDlg::OnBnClickedUninstall() {
    RunSequence(false, "卸载Zarvo虚拟打印机驱动 ", u"dialog: uninstall button");
}

void CVelmoraDlg::RunSequence(bool install, const char* action, const char16_t* log_title) {
    // Another run ("-i" or "-u" of a deployment) is never waited for here: the dialog would
    // hang for as long.
    RunLock lock(m_os.kernel);
    if (!lock.Take(0)) {
        (void)AppMessageBox(m_os.ui, m_os.kernel, kAnotherRunText);
        return;
    }
    CWaitCursor wait(m_host);
    Notices notices(m_os.ui, m_os.kernel, m_log, false);
    m_log.Begin(log_title);
    if (!lock.note().empty()) m_log.Write(lock.note());
    const plat::BOOL succeeded =
        install ? InstallPrinter(m_os, m_log, notices) : UninstallPrinter(m_os, m_log);
    m_log.End(succeeded != plat::kFalse, -1);
    lock.Release();
    const std::string text = Join({action, succeeded ? "成功" : "失败", " "});
    (void)AppMessageBox(m_os.ui, m_os.kernel, text.c_str());
}

void ShowSettingsDialog(CWinApp& app, plat::Os& os, plat::DialogHost& host, RunLog& log) {
    app.SetRegistryKey(kRegistryKey);
    CVelmoraDlg dialog(os, host, log);
    dialog.SetAsMainWindowOf(app);
    (void)dialog.DoModal();  // OK and Cancel alike end the program
}

}  // namespace velmora
