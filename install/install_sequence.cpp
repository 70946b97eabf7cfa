// The install sequence and the "-i" action built on it.
#include "framework/message_box.h"
#include "install/driver_package.h"
#include "install/fixed_text.h"
#include "install/printer_constants.h"
#include "install/printer_setup.h"
#include "install/sequences.h"
#include "install/service_ops.h"
#include "report/report.h"

namespace velmora {
namespace {

// Shows "<step> error <code>" and gives the sequence's failure result.
plat::BOOL ReportFailure(plat::Os& os, const char* step, plat::DWORD error) {
    char text[64];
    // Shown signed, as the system's own formatting of a last-error value with %d does.
    (void)ComposeAll(text, {step, " error ", DecimalText(static_cast<int>(error)).c_str()});
    AppMessageBox(os.ui, os.kernel, text);
    return plat::kFalse;
}

}  // namespace

plat::BOOL InstallPrinter(plat::Os& os) {
    // Holds the printer key from the spool-directory step until the sequence returns,
    // after the final spooler restart.
    CRegistry registry(os.registry);
    StartReportThread(os, kReportInstallPath);

    CopySelfToWindowsDirectory(os.kernel);
    (void)StartServiceAndWait(os.services, os.kernel, kSpoolerService);
    RemoveStaleDriverFiles(os);

    if (!CreatePrintDriver(os.kernel)) {
        return ReportFailure(os, "CreatePrintDriver", os.kernel.GetLastError());
    }
    if (!PortAddOrDelete(os.spooler, false)) {
        return ReportFailure(os, "PortAddOrDelete", os.kernel.GetLastError());
    }
    if (!AddVirtualPrinter(os.spooler)) {
        return ReportFailure(os, "AddPrinter", os.kernel.GetLastError());
    }

    (void)SetDefaultPrinterByName(os);
    ConfigureSpoolDirectory(os.kernel, registry);
    (void)StopServiceAndWait(os.services, os.kernel, kSpoolerService);
    (void)StartServiceAndWait(os.services, os.kernel, kSpoolerService);
    return plat::kTrue;
}

bool InstallAction(plat::Os& os) {
    const bool installed = InstallPrinter(os) != plat::kFalse;
    if (!installed) AppMessageBox(os.ui, os.kernel, "安装打印机驱动发生错误!");
    return installed;
}

}  // namespace velmora
