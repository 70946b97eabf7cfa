// "-u": report, pause, then the printer queue, its port and its driver removed in that order.
#include "common/printer_constants.h"
#include "install/sequences.h"
#include "install/service_ops.h"
#include "report/report.h"

namespace velmora {
namespace {

// Gives the report thread a head start before the queue goes away.
constexpr plat::DWORD kReportHeadStartMs = 3000;

}  // namespace

plat::BOOL UninstallPrinter(plat::Os& os, RunLog& log) {
    StartReportThread(os.internet, os.kernel, log, kReportUninstallPath);
    os.kernel.Sleep(kReportHeadStartMs);
    log.Write("pause 3000 ms for the report");

    plat::Kernel& kernel = os.kernel;
    plat::PrinterDefaults defaults{nullptr, nullptr, plat::kPrinterAllAccess};
    plat::PRINTER_HANDLE printer = nullptr;
    // Cleared as Logged clears it for the other steps: a failure the system gives no code for
    // is not logged with an earlier call's.
    kernel.SetLastError(plat::kErrorSuccess);
    if (!os.spooler.OpenPrinterA(kPrinterName, &printer, &defaults)) {
        log.Step("open queue", false, FailureCode(kernel));
    } else {
        // The spooler removes the queue once its last handle is closed; a failed deletion
        // still must not leave the handle open.
        const plat::UniquePrinter queue(os.spooler, printer);
        (void)Logged(kernel, log, "delete queue",
                     [&] { return os.spooler.DeletePrinter(queue.get()); });
    }
    (void)Logged(kernel, log, "delete port", [&] { return PortAddOrDelete(os.spooler, true); });
    return Logged(kernel, log, "delete driver",
                  [&] { return os.spooler.DeletePrinterDriverA(nullptr, nullptr, kPrinterName); });
}

bool UninstallAction(plat::Os& os, RunLog& log) {
    return UninstallPrinter(os, log) != plat::kFalse;
}

}  // namespace velmora
