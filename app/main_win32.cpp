// Entry point of Velmora.exe: binds the application object to the real system.
#include <windows.h>

#include "app/velmora_app.h"
#include "install/sequences.h"
#include "platform/os.h"

namespace {

// Uninstall and the dialog are not built yet: each is recognised and ends without doing
// anything, and uninstall reports failure through the exit code.
class PendingActions final : public velmora::ModeActions {
  public:
    bool Install() override { return velmora::InstallAction(plat::SystemOs()); }
    bool Uninstall() override { return false; }
    void ShowDialog(velmora::CWinApp&) override {}
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_tail, int) {
    PendingActions actions;
    velmora::CVelmoraApp app(plat::SystemOs(), actions);
    app.m_lpCmdLine = command_tail;
    return app.Run();
}
