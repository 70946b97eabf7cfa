// "-u": report, pause, then the printer queue, its port and its driver removed in that order.
#include "install/printer_constants.h"
#include "install/sequences.h"
#include "install/service_ops.h"
#include "report/report.h"

namespace velmora {
namespace {

// Gives the report thread a head start before the queue goes away.
constexpr plat::DWORD kReportHeadStartMs = 3000;

}  // namespace

plat::BOOL UninstallPrinter(plat::Os& os) {
    StartReportThread(os, kReportUninstallPath);
    os.kernel.Sleep(kReportHeadStartMs);

    plat::PrinterDefaults defaults{nullptr, nullptr, plat::kPrinterAllAccess};
    plat::PRINTER_HANDLE printer = nullptr;
    if (os.spooler.OpenPrinterA(kPrinterName, &printer, &defaults)) {
        // The spooler removes the queue once its last handle is closed; a failed deletion
        // still must not leave the handle open.
        (void)os.spooler.DeletePrinter(printer);
        (void)os.spooler.ClosePrinter(printer);
    }
    (void)PortAddOrDelete(os.spooler, true);
    return os.spooler.DeletePrinterDriverA(nullptr, nullptr, kPrinterName);
}

bool UninstallAction(plat::Os& os) { return UninstallPrinter(os) != plat::kFalse; }

}  // namespace velmora
