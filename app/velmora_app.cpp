// Start-up: common controls, sockets, then the action the command line asks for.
#include "app/velmora_app.h"

#include "app/command_line.h"
#include "app/run_mode.h"
#include "app/socket_init.h"
#include "framework/message_box.h"
#include "res/resource.h"

namespace velmora {

int CVelmoraApp::InitInstance() {
    (void)os_.ui.InitCommonControlsEx(8, plat::kIccWin95Classes);  // result not needed
    CWinApp::InitInstance();

    const ProgramArguments arguments = ReadProgramArguments(os_.kernel);
    const RunMode mode = ChooseRunMode(arguments.words);
    if (mode == RunMode::Dialog) {
        if (!AfxSocketInit(os_.sockets)) {
            AppMessageBox(os_.ui, os_.kernel, IDP_SOCKETS_INIT_FAILED);
            m_nExitCode = kExitFailure;
            return 0;
        }
        // No ActiveX controls are hosted by our dialogs, so there is no control container.
        actions_.ShowDialog(*this);
        return 0;
    }

    // Install and uninstall runs are logged from before the socket start-up, so that a run
    // that fails there leaves a trace too.
    RunLog log(os_.kernel);
    Notices notices(os_.ui, os_.kernel, log, HasQuietSwitch(arguments.words));
    log.Begin(arguments.tail);
    bool done = false;
    if (!AfxSocketInit(os_.sockets)) {
        notices.Notify(IDP_SOCKETS_INIT_FAILED);
    } else {
        done = mode == RunMode::Install ? actions_.Install(log, notices) : actions_.Uninstall(log);
    }
    m_nExitCode = done ? kExitSuccess : kExitFailure;
    log.End(done, m_nExitCode);
    return mode == RunMode::Install ? 1 : 0;
}

}  // namespace velmora
