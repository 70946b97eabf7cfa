// Start-up: common controls, sockets, then the action the command line asks for.
#include "app/velmora_app.h"

#include "framework/message_box.h"
#include "app/run_mode.h"
#include "app/socket_init.h"
#include "res/resource.h"

namespace velmora {

int CVelmoraApp::InitInstance() {
    (void)os_.ui.InitCommonControlsEx(8, plat::kIccWin95Classes);  // result not needed
    CWinApp::InitInstance();

    if (!AfxSocketInit(os_.sockets)) {
        AppMessageBox(os_.ui, os_.kernel, IDP_SOCKETS_INIT_FAILED);
        m_nExitCode = kExitFailure;
        return 0;
    }
    // No ActiveX controls are hosted by our dialogs, so there is no control container to enable.

    switch (ChooseRunMode(m_lpCmdLine)) {
        case RunMode::Install:
            m_nExitCode = actions_.Install() ? kExitSuccess : kExitFailure;
            return 1;
        case RunMode::Uninstall:
            m_nExitCode = actions_.Uninstall() ? kExitSuccess : kExitFailure;
            return 0;
        case RunMode::Dialog:
            actions_.ShowDialog(*this);
            return 0;
    }
    return 0;
}

}  // namespace velmora
