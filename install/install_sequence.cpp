// The install sequence, the read-back of its result, and the "-i" action built on them.
#include "install/driver_package.h"
#include "install/printer_constants.h"
#include "install/printer_setup.h"
#include "install/sequences.h"
#include "install/service_ops.h"
#include "install/system_facts.h"
#include "report/report.h"

namespace velmora {
namespace {

// Notifies "<step> error <code>" and gives the sequence's failure result.
plat::BOOL ReportFailure(RunLog& log, const char* step, plat::DWORD error) {
    // Shown signed, as the system's own formatting of a last-error value with %d does.
    const auto code = static_cast<std::int32_t>(error);
    const std::string text = std::string(step) + " error " + (code < 0 ? "-" : "") +
                             Decimal(code < 0 ? 0u - error : error);
    log.Notify(text.c_str());
    return plat::kFalse;
}

// Logs one step's outcome with the last-error value it left, and passes the outcome on.
plat::BOOL Logged(RunLog& log, const char* step, plat::BOOL ok) {
    log.Step(step, ok != plat::kFalse, log.os().kernel.GetLastError());
    return ok;
}

// A queue of our name is already there (an earlier install, a deployment script run again):
// it will do when it is ours, on our port with our driver.
bool ExistingQueueIsOurs(plat::Os& os, RunLog& log) {
    const QueueRecord queue = ReadVirtualPrinter(os);
    const bool ours = IsOurQueue(queue);
    log.Write(std::string("queue exists already, port \"") + queue.port + "\", driver \"" +
              queue.driver + (ours ? "\": ours, kept" : "\": not ours"));
    return ours;
}

// What the spooler holds after a sequence that succeeded: false when the queue is missing or
// not on our port and driver. The port and the default printer are only logged: Windows 10
// and later may choose the default printer itself, per user.
bool InstalledPrinterReadsBack(plat::Os& os, RunLog& log) {
    const QueueRecord queue = ReadVirtualPrinter(os);
    if (!queue.found) {
        log.Step("check: queue", false, queue.error);
    } else {
        log.Write("check: queue " + std::string(kPrinterName) + " on port \"" + queue.port +
                  "\", driver \"" + queue.driver + "\", processor \"" + queue.processor +
                  "\", datatype \"" + queue.datatype + "\"");
    }
    log.Write(std::string("check: port ") + kPortNameA +
              (PortIsListed(os) ? " listed" : " not listed"));
    const std::string default_printer = DefaultPrinterName(os.profile);
    log.Write("check: default printer \"" + default_printer + "\"" +
              (default_printer == kPrinterName ? " (ours)" : " (not ours)"));
    const bool ours = IsOurQueue(queue);
    if (!ours) log.Write("check: the queue is not ours, so the install failed");
    return ours;
}

}  // namespace

plat::BOOL InstallPrinter(plat::Os& os, RunLog& log) {
    // Holds the printer key from the spool-directory step until the sequence returns,
    // after the final spooler restart.
    CRegistry registry(os.registry);
    StartReportThread(os, kReportInstallPath);

    (void)Logged(log, "copy program to the Windows directory",
                 CopySelfToWindowsDirectory(os.kernel));
    (void)Logged(log, "start spooler",
                 StartServiceAndWait(os.services, os.kernel, kSpoolerService));
    log.Write("remove stale files: " + Decimal(static_cast<unsigned>(RemoveStaleDriverFiles(os))) +
              " deleted");

    plat::DWORD installer_exit = 0;
    if (!CreatePrintDriver(os.kernel, &installer_exit)) {
        const plat::DWORD error = os.kernel.GetLastError();
        log.Step("run driver installer", false, error);
        return ReportFailure(log, "CreatePrintDriver", error);
    }
    log.Write("run driver installer: ok, exit code " + Decimal(installer_exit));
    if (!Logged(log, "add port", PortAddOrDelete(os.spooler, false))) {
        return ReportFailure(log, "PortAddOrDelete", os.kernel.GetLastError());
    }
    if (!Logged(log, "create queue", AddVirtualPrinter(os.spooler))) {
        const plat::DWORD error = os.kernel.GetLastError();
        if (error != plat::kErrorPrinterAlreadyExists || !ExistingQueueIsOurs(os, log)) {
            return ReportFailure(log, "AddPrinter", error);
        }
    }

    const char* route = nullptr;
    const plat::BOOL made_default = SetDefaultPrinterByName(os, &route);
    (void)Logged(log, (std::string("set default printer by ") + route).c_str(), made_default);
    const plat::LONG spool = ConfigureSpoolDirectory(os.kernel, registry);
    if (spool == static_cast<plat::LONG>(plat::kErrorFileNotFound)) {
        log.Write("write spool directory value: no printer key of that name, nothing written");
    } else {
        log.Step("write spool directory value", spool == 0, static_cast<plat::DWORD>(spool));
    }
    (void)Logged(log, "stop spooler", StopServiceAndWait(os.services, os.kernel, kSpoolerService));
    (void)Logged(log, "start spooler",
                 StartServiceAndWait(os.services, os.kernel, kSpoolerService));
    return InstalledPrinterReadsBack(os, log) ? plat::kTrue : plat::kFalse;
}

bool InstallAction(RunLog& log) {
    const bool installed = InstallPrinter(log.os(), log) != plat::kFalse;
    if (!installed) log.Notify("安装打印机驱动发生错误!");
    return installed;
}

}  // namespace velmora
