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
    bool Install(velmora::RunLog& log, velmora::Notices& notices) override {
        return velmora::InstallAction(plat::SystemOs(), log, notices);
    }
    bool Uninstall(velmora::RunLog& log) override {
        return velmora::UninstallAction(plat::SystemOs(), log);
    }
    bool Check(velmora::RunLog& log) override {
        return velmora::CheckAction(plat::SystemOs(), log);
    }
    void ShowDialog(velmora::CWinApp& app, velmora::RunLog& log) override {
        velmora::ShowSettingsDialog(app, plat::SystemOs(), plat::SystemDialogHost(), log);
    }
};

}  // namespace

// The process's entry point, in place of the C run-time's start-up code (linked with
// -nostartfiles): the program has no static constructors, reads its command line from the
// system itself in UTF-16, and needs nothing else of that code, which was a sixth of
// Velmora.exe. msvcrt.dll initialises itself when it is loaded. The process is ended here, not
// by returning: a report thread may still be running, and the process must not wait for it.
extern "C" [[noreturn]] __attribute__((force_align_arg_pointer)) void WinMainCRTStartup() {
    SystemActions actions;
    velmora::CVelmoraApp app(plat::SystemOs(), actions);
    ::ExitProcess(static_cast<UINT>(app.Run()));
}

// Without the run-time's start-up code there is no exit-time list either: ExitProcess runs no
// code of the program's. Static objects are never destroyed (the report thread may be using
// them), and one that asked to be would be a mistake, so nothing may register.
extern "C" int atexit(void (*)()) { return -1; }
