// Start-up: common controls, sockets, then the action the command line asks for.
#include "app/velmora_app.h"

#include "app/command_line.h"
#include "app/run_mode.h"
#include "app/socket_init.h"
#include "common/join.h"
#include "common/run_lock.h"
#include "framework/message_box.h"
#include "res/resource.h"

namespace velmora {
namespace {

// From here on a DLL that is loaded later, by the program or by a system DLL on its behalf,
// comes from the system directory only, never from the program's folder or the current one:
// started elevated from Downloads, a copy planted there would run as administrator. Windows 8
// and later have the call, as do Vista and 7 with their security update; older ones go without.
void LoadDllsFromTheSystemOnly(plat::Kernel& kernel) {
    const plat::HMODULE kernel32 = kernel.GetModuleHandleW(u"kernel32.dll");
    const plat::FARPROC restrict_search =
        kernel32 != nullptr ? kernel.GetProcAddress(kernel32, "SetDefaultDllDirectories") : nullptr;
    if (restrict_search != nullptr) {
        (void)kernel.CallSetDefaultDllDirectories(restrict_search,
                                                  plat::kLoadLibrarySearchSystem32);
    }
}

constexpr char kUnseen[] = "nobody can see this desktop (session 0 or a hidden window station)";
constexpr char kNoCodePageText[] =
    "Velmora needs code page 936 (Simplified Chinese), which this Windows lacks. Nothing was "
    "changed.";

// Whether nobody can see this process's windows: in session 0, where services and the
// deployment agents that run as the system account live since Windows Vista (before it, the
// console's user shared session 0), or on a window station without a display. A box there would
// wait for ever for a click.
bool NobodyCanSeeBoxes(plat::Kernel& kernel, plat::Ui& ui) {
    plat::OsVersionInfo version{};
    version.dwOSVersionInfoSize = sizeof version;
    plat::DWORD session = 0;
    if (kernel.GetVersionExA(&version) && version.dwMajorVersion >= 6 &&
        kernel.ProcessIdToSessionId(kernel.GetCurrentProcessId(), &session) && session == 0) {
        return true;
    }
    const plat::HANDLE station = ui.GetProcessWindowStation();
    plat::UserObjectFlags flags{};
    plat::DWORD needed = 0;
    return station != nullptr &&
           ui.GetUserObjectInformationW(station, plat::kUoiFlags, &flags, sizeof flags, &needed) &&
           (flags.dwFlags & plat::kWsfVisible) == 0;
}

}  // namespace

int CVelmoraApp::InitInstance() {
    LoadDllsFromTheSystemOnly(os_.kernel);
    (void)os_.ui.InitCommonControlsEx(8, plat::kIccWin95Classes);  // result not needed
    CWinApp::InitInstance();

    const SplitLine arguments = ReadProgramArguments(os_.kernel);
    const RunMode mode = ChooseRunMode(arguments.words);
    const bool unseen = NobodyCanSeeBoxes(os_.kernel, os_.ui);
    // A check shows nothing anywhere, as no run does where nobody could see it.
    const bool quiet = unseen || mode == RunMode::Check || HasQuietSwitch(arguments.words);
    RunLog& log = log_;
    m_nExitCode = kExitFailure;
    // Every text of the program is code page 936: without it no name would reach the system
    // right, so nothing is touched; the box is English, which needs no code page. A dialog
    // nobody can see would wait for ever for a click: a mistyped switch in a deployment ends at
    // once instead. Either way the run leaves a trace.
    const bool gbk = os_.kernel.IsValidCodePage(plat::kCodePageGbk) != plat::kFalse;
    if (!gbk || (mode == RunMode::Dialog && unseen)) {
        log.Begin(arguments.tail);
        log.Write(!gbk ? "code page 936 (GBK) is not installed: nothing done"
                       : Join({kUnseen, ": the settings dialog was not opened"}));
        if (!gbk && !quiet) {
            (void)AppMessageBox(os_.ui, os_.kernel, kNoCodePageText);
        }
        log.End(false, m_nExitCode);
        return 0;
    }
    if (mode == RunMode::Dialog) {
        if (!AfxSocketInit(os_.sockets)) {
            AppMessageBox(os_.ui, os_.kernel, IDP_SOCKETS_INIT_FAILED);
            return 0;
        }
        m_nExitCode = kExitSuccess;
        // No ActiveX controls are hosted by our dialogs, so there is no control container.
        actions_.ShowDialog(*this, log_);
        return 0;
    }

    // One install or uninstall at a time, taken before anything is written, so that each run's
    // lines stand together in the log; a check changes nothing and takes none.
    RunLock lock(os_.kernel);
    const bool locked = mode == RunMode::Check || lock.Take(kRunLockWaitMs);
    // Runs are logged from before the socket start-up, so that a run that fails there leaves a
    // trace too.
    Notices notices(os_.ui, os_.kernel, log, quiet);
    log.Begin(arguments.tail);
    if (unseen) log.Write(Join({kUnseen, ": -q"}));
    if (!lock.note().empty()) log.Write(lock.note());
    bool done = false;
    if (!locked) {
        m_nExitCode = kExitAnotherRunInProgress;
    } else if (!AfxSocketInit(os_.sockets)) {
        notices.Notify(IDP_SOCKETS_INIT_FAILED);
    } else {
        done = mode == RunMode::Install     ? actions_.Install(log, notices)
               : mode == RunMode::Uninstall ? actions_.Uninstall(log)
                                            : actions_.Check(log);
        m_nExitCode = done ? kExitSuccess : kExitFailure;
    }
    log.End(done, m_nExitCode);
    lock.Release();  // the run's last act: a later run finds it released, not abandoned
    return mode == RunMode::Install ? 1 : 0;
}

}  // namespace velmora
