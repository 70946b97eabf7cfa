// Entry point of Velmora.exe: binds the application object to the real system.
#include <windows.h>

#include "app/velmora_app.h"
#include "install/sequences.h"
#include "platform/dialog.h"
#include "platform/os.h"
#include "settings/velmora_dlg.h"

namespace {

// The install and uninstall actions are not built yet: those modes are recognised and end
// without doing anything, reporting failure through the exit code.
class PendingActions final : public velmora::ModeActions {
  public:
    bool Install() override { return false; }
    bool Uninstall() override { return false; }
    void ShowDialog(velmora::CWinApp& app) override {
        velmora::ShowSettingsDialog(app, plat::SystemOs(), plat::SystemDialogHost(),
                                    {&velmora::InstallPrinter, &velmora::UninstallPrinter});
    }
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_tail, int) {
    PendingActions actions;
    velmora::CVelmoraApp app(plat::SystemOs(), actions);
    app.m_lpCmdLine = command_tail;
    return app.Run();
}
