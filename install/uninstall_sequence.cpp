// "-u": report, pause, then the printer queue, its port and its driver removed in that order.
#include "common/architecture.h"
#include "common/join.h"
#include "common/printer_constants.h"
#include "install/printer_setup.h"
#include "install/sequences.h"
#include "install/service_ops.h"
#include "report/report.h"

namespace velmora {
namespace {

// Gives the report thread a head start before the queue goes away.
constexpr plat::DWORD kReportHeadStartMs = 3000;

// Deletes our driver of `environment` (null: the program's own), logged.
plat::BOOL DeleteDriver(plat::Os& os, RunLog& log, const char* environment) {
    const std::string step = environment != nullptr ? Join({"delete driver for ", environment})
                                                    : std::string("delete driver");
    return Logged(os.kernel, log, step, [&] {
        return os.spooler.DeletePrinterDriverA(nullptr, environment, kPrinterName);
    });
}

}  // namespace

plat::BOOL UninstallPrinter(plat::Os& os, RunLog& log) {
    plat::Kernel& kernel = os.kernel;
    const Architecture windows = NativeArchitecture(kernel);
    if (!HasDriverFor(windows, log)) return plat::kFalse;
    StartReportThread(os.internet, kernel, log, kReportUninstallPath);
    kernel.Sleep(kReportHeadStartMs);
    log.Write("pause 3000 ms for the report");

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
    // A port that cannot be deleted is logged; the driver decides the outcome.
    (void)PortStep(os.spooler, kernel, log, true);
    if (!windows.wow64) return DeleteDriver(os, log, nullptr);
    // A 32-bit program's calls name x86 drivers by default; the install put ours in the spooler's
    // own environment, and maybe an x86 copy beside it, which goes too where the spooler lists
    // it (a missing driver is not always said by its error code).
    const plat::BOOL deleted = DeleteDriver(os, log, windows.environment);
    if (DriverIsInstalled(os.spooler, kX86Environment)) {
        (void)DeleteDriver(os, log, kX86Environment);
    }
    return deleted;
}

bool UninstallAction(plat::Os& os, RunLog& log) {
    return UninstallPrinter(os, log) != plat::kFalse;
}

}  // namespace velmora
