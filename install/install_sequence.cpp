// The install sequence, the read-back of its result, and the "-i" action built on them.
#include "common/account.h"
#include "common/architecture.h"
#include "common/join.h"
#include "common/printer_constants.h"
#include "common/system_facts.h"
#include "install/driver_package.h"
#include "install/printer_setup.h"
#include "install/sequences.h"
#include "install/service_ops.h"
#include "platform/mbcs.h"
#include "report/report.h"

namespace velmora {
namespace {

// Notifies "<step> error <code>" and gives the sequence's failure result.
plat::BOOL ReportFailure(Notices& notices, const char* step, plat::DWORD error) {
    const std::string text = Join({step, " error ", ErrorCodeText(error)});
    notices.Notify(text.c_str());
    return plat::kFalse;
}

// Errors the spooler answers with while it is starting again; "no such printer" is not one.
bool IsTransientSpoolerError(plat::DWORD error) {
    switch (error) {
        case 1722:  // RPC_S_SERVER_UNAVAILABLE
        case 1723:  // RPC_S_SERVER_TOO_BUSY
        case 1726:  // RPC_S_CALL_FAILED
        case 1727:  // RPC_S_CALL_FAILED_DNE
        case 1753:  // EPT_S_NOT_REGISTERED
            return true;
    }
    return false;
}

// The queue read right after the spooler's restart, waiting out its transient answers.
QueueRecord ReadBackAfterRestart(plat::Os& os) {
    for (plat::DWORD waited = 0;; waited += kReadBackRetryMs) {
        QueueRecord queue = ReadVirtualPrinter(os.spooler, os.kernel);
        if (queue.found || !IsTransientSpoolerError(queue.error) || waited >= kReadBackLimitMs) {
            return queue;
        }
        os.kernel.Sleep(kReadBackRetryMs);
    }
}

// A queue of our name is already there (an earlier install, a deployment script run again):
// it will do when it is ours, on our port with our driver.
bool ExistingQueueIsOurs(plat::Os& os, RunLog& log) {
    const QueueRecord queue = ReadVirtualPrinter(os.spooler, os.kernel);
    const bool ours = IsOurQueue(queue);
    log.WriteGbk(Join({"queue exists already, port \"", queue.port, "\", driver \"", queue.driver,
                       ours ? "\": ours, kept" : "\": not ours"}));
    return ours;
}

// Logs what the spooler holds of ours; true when the queue is ours, on our port with our driver.
// `port_listed` tells whether the port monitor lists our port. The default printer is only
// logged: Windows 10 and later may choose it themselves, per user.
bool ReadBack(plat::Os& os, RunLog& log, bool& port_listed) {
    const QueueRecord queue = ReadBackAfterRestart(os);
    if (!queue.found) {
        log.Step("check: queue", false, queue.error);
    } else {
        log.WriteGbk(Join({"check: queue ", kPrinterName, " on port \"", queue.port,
                           "\", driver \"", queue.driver, "\", processor \"", queue.processor,
                           "\", datatype \"", queue.datatype, "\""}));
    }
    port_listed = PortIsListed(os.spooler);
    log.Write(Join({"check: port ", kPortNameA, port_listed ? " listed" : " not listed"}));
    const std::string default_printer = DefaultPrinterName(os.profile);
    const bool default_is_ours = plat::SameNameIgnoringCase(default_printer, kPrinterName);
    log.WriteGbk(Join({"check: default printer \"", default_printer,
                       default_is_ours ? "\" (ours)" : "\" (not ours)"}));
    return IsOurQueue(queue);
}

// Logs whether the spooler has our driver for `environment`, and gives it.
bool DriverReadsBack(plat::Os& os, RunLog& log, const char* environment) {
    const bool installed = DriverIsInstalled(os.spooler, environment);
    log.Write(
        Join({"check: driver for ", environment, installed ? " installed" : " not installed"}));
    return installed;
}

}  // namespace

bool HasDriverFor(const Architecture& windows, RunLog& log) {
    if (windows.environment != nullptr) return true;
    log.Write(Join({"Windows runs on ", windows.name, ", which has no driver: nothing done"}));
    return false;
}

plat::BOOL InstallPrinter(plat::Os& os, RunLog& log, Notices& notices) {
    // Holds the printer key from the spool-directory step until the sequence returns,
    // after the final spooler restart.
    CRegistry registry(os.registry);
    plat::Kernel& kernel = os.kernel;
    // The driver package holds drivers for x86 and x64 only: elsewhere nothing is touched.
    const Architecture windows = NativeArchitecture(kernel);
    if (!HasDriverFor(windows, log)) {
        notices.Notify(Join({"本程序不支持此 Windows 的处理器 (", windows.name,
                             ")，打印机驱动未安装，未作任何更改。"})
                           .c_str());
        return plat::kFalse;
    }
    StartReportThread(os.internet, os.kernel, log, kReportInstallPath);

    (void)Logged(kernel, log, "copy program to the Windows directory",
                 [&] { return CopySelfToWindowsDirectory(kernel); });
    const auto start_spooler = [&] {
        return StartServiceAndWait(os.services, kernel, kSpoolerService);
    };
    (void)Logged(kernel, log, "start spooler", start_spooler);
    const int deleted = RemoveStaleDriverFiles(os.spooler, kernel, os.services, windows);
    log.Write(Join({"remove stale files: ", Decimal(static_cast<unsigned>(deleted)), " deleted"}));

    plat::DWORD installer_exit = 0;
    kernel.SetLastError(plat::kErrorSuccess);
    if (!CreatePrintDriver(kernel, windows, &installer_exit, notices.quiet())) {
        const plat::DWORD error = FailureCode(kernel);
        log.Step("run driver installer", false, error);
        return ReportFailure(notices, "CreatePrintDriver", error);
    }
    log.Write(Join({"run driver installer: ok, exit code ", Decimal(installer_exit)}));
    // The installer says nothing of its own success: whether the spooler has the driver does.
    (void)DriverReadsBack(os, log, windows.environment);
    if (!PortStep(os.spooler, kernel, log, false)) {
        return ReportFailure(notices, "PortAddOrDelete", FailureCode(kernel));
    }
    if (!Logged(kernel, log, "create queue", [&] { return AddVirtualPrinter(os.spooler); })) {
        const plat::DWORD error = FailureCode(kernel);
        if (error != plat::kErrorPrinterAlreadyExists || !ExistingQueueIsOurs(os, log)) {
            return ReportFailure(notices, "AddPrinter", error);
        }
    }

    // Each account has a default printer of its own: say whose this is.
    (void)Logged(
        kernel, log,
        Join({"set default printer by SetDefaultPrinterW for ", RunningAccountName(kernel)}),
        [&] { return SetDefaultPrinterByName(os.spooler, os.profile); });
    const plat::LONG spool = ConfigureSpoolDirectory(kernel, registry);
    if (spool == static_cast<plat::LONG>(plat::kErrorFileNotFound)) {
        log.Write("write spool directory value: no printer key of that name, nothing written");
    } else {
        log.Step("write spool directory value", spool == 0, static_cast<plat::DWORD>(spool));
    }
    (void)Logged(kernel, log, "stop spooler",
                 [&] { return StopServiceAndWait(os.services, kernel, kSpoolerService); });
    (void)Logged(kernel, log, "start spooler", start_spooler);
    bool port_listed = false;
    if (ReadBack(os, log, port_listed)) return plat::kTrue;
    log.Write("check: the queue is not ours, so the install failed");
    return plat::kFalse;
}

bool InstallAction(plat::Os& os, RunLog& log, Notices& notices) {
    const bool installed = InstallPrinter(os, log, notices) != plat::kFalse;
    if (!installed) notices.Notify("安装打印机驱动发生错误!");
    return installed;
}

bool CheckAction(plat::Os& os, RunLog& log) {
    const Architecture windows = NativeArchitecture(os.kernel);
    if (!HasDriverFor(windows, log)) return false;
    bool port_listed = false;
    const bool queue_ours = ReadBack(os, log, port_listed);
    const bool driver = DriverReadsBack(os, log, windows.environment);
    return queue_ours && port_listed && driver;
}

}  // namespace velmora
