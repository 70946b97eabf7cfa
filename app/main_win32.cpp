// Entry point of Velmora.exe: binds the application object to the real system.
#include <windows.h>

#include "app/velmora_app.h"
#include "install/sequences.h"
#include "platform/dialog.h"
#include "platform/os.h"
#include "settings/velmora_dlg.h"

namespace {

class SystemActions final : public velmora::ModeActions {
  public:
    bool Install(velmora::RunLog& log) override { return velmora::InstallAction(log); }
    bool Uninstall(velmora::RunLog& log) override { return velmora::UninstallAction(log); }
    void ShowDialog(velmora::CWinApp& app) override {
        velmora::ShowSettingsDialog(app, plat::SystemOs(), plat::SystemDialogHost(),
                                    {&velmora::InstallPrinter, &velmora::UninstallPrinter});
    }
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_tail, int) {
    SystemActions actions;
    velmora::CVelmoraApp app(plat::SystemOs(), actions);
    app.m_lpCmdLine = command_tail;
    return app.Run();
}
