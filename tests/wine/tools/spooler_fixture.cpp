// Registers the virtual printer's driver, port and queue directly with the spooler, as an
// install would have left them, so the uninstall can be tried on a prefix that has them.
// Prints one line per step; exits 0 only when all three were created.
#include <windows.h>
#include <winspool.h>

#include <cstdio>

namespace {

wchar_t kPrinterName[] = L"Zarvo虚拟打印机";
wchar_t kPortName[] = L"zarvoPrinter Port";

bool AddDriver() {
    // The files need not exist: the spooler records their names and copies what it finds.
    wchar_t driver[] = L"zvpdrv.dll";
    wchar_t data[] = L"zarvoPrinter.ppd";
    wchar_t config[] = L"zvpui.dll";
    wchar_t datatype[] = L"RAW";
    DRIVER_INFO_3W info{};
    info.cVersion = 3;
    info.pName = kPrinterName;
    info.pDriverPath = driver;
    info.pDataFile = data;
    info.pConfigFile = config;
    info.pDefaultDataType = datatype;
    return ::AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&info), APD_COPY_NEW_FILES);
}

bool AddPort() {
    wchar_t monitor[] = L",XcvMonitor Local Port";
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
    HANDLE channel = nullptr;
    if (!::OpenPrinterW(monitor, &channel, &defaults)) return false;
    DWORD output = 0, needed = 0, status = 0;
    const BOOL sent =
        ::XcvDataW(channel, L"AddPort", reinterpret_cast<BYTE*>(kPortName), sizeof kPortName,
                   reinterpret_cast<BYTE*>(&output), 0, &needed, &status);
    ::ClosePrinter(channel);
    return sent && status == ERROR_SUCCESS;
}

bool AddQueue() {
    wchar_t processor[] = L"WinPrint";
    wchar_t datatype[] = L"RAW";
    wchar_t empty[] = L"";
    PRINTER_INFO_2W info{};
    info.pPrinterName = kPrinterName;
    info.pPortName = kPortName;
    info.pDriverName = kPrinterName;
    info.pComment = empty;
    info.pLocation = empty;
    info.pSepFile = empty;
    info.pParameters = empty;
    info.pPrintProcessor = processor;
    info.pDatatype = datatype;
    info.Attributes = PRINTER_ATTRIBUTE_QUEUED;
    HANDLE printer = ::AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (printer == nullptr) return false;
    ::ClosePrinter(printer);
    return true;
}

bool Step(const char* what, bool ok) {
    std::printf("%s %s (last error %lu)\n", what, ok ? "added" : "FAILED", ::GetLastError());
    return ok;
}

}  // namespace

int main() {
    const bool driver = Step("driver", AddDriver());
    const bool port = Step("port", AddPort());
    const bool queue = Step("queue", AddQueue());
    return driver && port && queue ? 0 : 1;
}
