// The settings dialog: shows the output settings, lets the user change them and writes them
// back on OK; and the dialog action that runs it.
#pragma once

#include <string>

#include "common/run_log.h"
#include "framework/dialog_base.h"
#include "framework/win_app.h"
#include "platform/os.h"
#include "settings/output_settings.h"

namespace velmora {

class CVelmoraDlg : public CDialog {
  public:
    CVelmoraDlg(plat::Os& os, plat::DialogHost& host, RunLog& log);

    plat::BOOL OnInitDialog() override;
    bool OnCommand(unsigned id, unsigned code) override;
    bool OnSysCommand(unsigned id, std::intptr_t lparam) override;
    bool OnPaint() override;
    plat::HICON OnQueryDragIcon() override;

    // The fields hold the settings only right after an exchange.
    plat::HICON m_hIcon;
    std::string m_strOutType;
    std::string m_strOutPath;
    std::string m_strExeName;
    int m_bRunExe = 0;
    int m_bOverwrite = 0;

  protected:
    void DoDataExchange(CDataExchange& dx) override;

  private:
    // Exchange in; says so when a control's text cannot be saved, and gives false.
    bool TakeInControls();
    // After a chooser gave no path: says so when it was one the ANSI code page cannot hold.
    void SayIfUnsavable();
    void OnBnClickedOk();
    void OnBnClickedBrowseOutPath();
    void OnBnClickedBrowseExe();
    void OnBnClickedRunExe();
    void OnBnClickedInstall();
    void OnBnClickedUninstall();
    // The install or the uninstall sequence, logged, and its outcome said in a box.
    void RunSequence(bool install, const char* action, const char16_t* log_title);

    plat::Os& m_os;
    RunLog& m_log;  // the process's: a sequence's report thread may outlive the click
};

// Dialog mode: the settings dialog as the application's main window, run modally.
void ShowSettingsDialog(CWinApp& app, plat::Os& os, plat::DialogHost& host, RunLog& log);

}  // namespace velmora
