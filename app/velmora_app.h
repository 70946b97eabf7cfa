// The application object: start-up work, mode choice and the mode's action.
#pragma once

#include "common/notices.h"
#include "common/run_log.h"
#include "framework/win_app.h"
#include "platform/os.h"

namespace velmora {

// The three things the program can do; each install/uninstall action reports its outcome
// so the process exit code can tell a deployment tool what happened.
class ModeActions {
  public:
    virtual ~ModeActions() = default;
    virtual bool Install(RunLog& log, Notices& notices) = 0;
    virtual bool Uninstall(RunLog& log) = 0;
    virtual bool Check(RunLog& log) = 0;
    virtual void ShowDialog(CWinApp& app, RunLog& log) = 0;
};

class CVelmoraApp : public CWinApp {
  public:
    CVelmoraApp(plat::Os& os, ModeActions& actions) : os_(os), actions_(actions), log_(os.kernel) {}
    int InitInstance() override;

  private:
    plat::Os& os_;
    ModeActions& actions_;
    // The process's one log. The application object lives until the process ends, so the
    // report thread may write to it whenever it gets to.
    RunLog log_;
};

// Exit codes of the process.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
// Windows Installer's "another installation is in progress", which deployment tools retry later.
inline constexpr int kExitAnotherRunInProgress = 1618;

}  // namespace velmora
