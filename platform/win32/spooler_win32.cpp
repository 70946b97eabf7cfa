// Print spooler adapter: one winspool call per method, each looked up on its first call, with
// the program's code page 936 texts given to, and taken from, the W functions.
#include <windows.h>
#include <winspool.h>

#include <cstddef>
#include <memory>

#include "platform/win32/adapters.h"
#include "platform/win32/lazy_import.h"
#include "platform/win32/text_win32.h"

namespace plat::win32 {

static_assert(sizeof(plat::PrinterInfo2) == sizeof(PRINTER_INFO_2A), "PRINTER_INFO_2A layout");
static_assert(offsetof(plat::PrinterInfo2, pPortName) == offsetof(PRINTER_INFO_2A, pPortName));
static_assert(offsetof(plat::PrinterInfo2, pDriverName) == offsetof(PRINTER_INFO_2A, pDriverName));
static_assert(offsetof(plat::PrinterInfo2, Attributes) == offsetof(PRINTER_INFO_2A, Attributes));
static_assert(sizeof(plat::PrinterDefaults) == sizeof(PRINTER_DEFAULTSA), "PRINTER_DEFAULTSA");
static_assert(sizeof(plat::PortInfo1) == sizeof(PORT_INFO_1A), "PORT_INFO_1A layout");
static_assert(sizeof(PRINTER_INFO_2A) == sizeof(PRINTER_INFO_2W), "A and W records alike");
static_assert(sizeof(plat::DriverInfo1) == sizeof(DRIVER_INFO_1A), "DRIVER_INFO_1A layout");

namespace {

LPBYTE Bytes(plat::BYTE* p) { return reinterpret_cast<LPBYTE>(p); }
LPDWORD Dword(plat::DWORD* p) { return reinterpret_cast<LPDWORD>(p); }

// The program's texts go to the spooler as UTF-16: through the A functions they would be read
// in the system's ANSI code page, and on an English Windows the queue would be named
// "ZarvoÐéÄâ´òÓ¡»ú".
constexpr char kWinspoolDrv[] = "winspool.drv";
LazyDll<kWinspoolDrv> g_winspool;
LazyFunction<decltype(&::OpenPrinterW), g_winspool> g_open_printer;
LazyFunction<decltype(&::ClosePrinter), g_winspool> g_close_printer;
LazyFunction<decltype(&::AddPrinterW), g_winspool> g_add_printer;
LazyFunction<decltype(&::DeletePrinter), g_winspool> g_delete_printer;
LazyFunction<decltype(&::DeletePrinterDriverW), g_winspool> g_delete_printer_driver;
LazyFunction<decltype(&::GetPrinterW), g_winspool> g_get_printer;
LazyFunction<decltype(&::XcvDataW), g_winspool> g_xcv_data;
LazyFunction<decltype(&::GetPrinterDriverDirectoryW), g_winspool> g_get_printer_driver_directory;
LazyFunction<decltype(&::GetPrintProcessorDirectoryW), g_winspool> g_get_print_processor_directory;
LazyFunction<decltype(&::EnumPortsW), g_winspool> g_enum_ports;
LazyFunction<decltype(&::EnumPrinterDriversW), g_winspool> g_enum_printer_drivers;
LazyFunction<decltype(&::SetDefaultPrinterW), g_winspool> g_set_default_printer;

// The text fields of PRINTER_INFO_2: all but the device mode and the security descriptor.
constexpr unsigned kPrinterTexts[] = {
    offsetof(PRINTER_INFO_2W, pServerName),     offsetof(PRINTER_INFO_2W, pPrinterName),
    offsetof(PRINTER_INFO_2W, pShareName),      offsetof(PRINTER_INFO_2W, pPortName),
    offsetof(PRINTER_INFO_2W, pDriverName),     offsetof(PRINTER_INFO_2W, pComment),
    offsetof(PRINTER_INFO_2W, pLocation),       offsetof(PRINTER_INFO_2W, pSepFile),
    offsetof(PRINTER_INFO_2W, pPrintProcessor), offsetof(PRINTER_INFO_2W, pDatatype),
    offsetof(PRINTER_INFO_2W, pParameters)};
constexpr TextFields kPrinterFields{kPrinterTexts, 11};
// PORT_INFO_1 and DRIVER_INFO_1: a name.
constexpr unsigned kNameText[] = {0};
constexpr TextFields kNameField{kNameText, 1};

// A level-1 enumeration: the W function fills a buffer of the caller's size, whose names are
// then narrowed into the caller's. Asked the size, the W function gives one the narrow records
// always fit in: a code page 936 text never takes more bytes than its UTF-16 form.
template <typename Enumerate>
BOOL EnumerateNames(Enumerate enumerate, unsigned record_size, plat::BYTE* buffer, plat::DWORD size,
                    plat::DWORD* needed, plat::DWORD* returned) {
    const std::unique_ptr<BYTE[]> wide(size != 0 ? new BYTE[size] : nullptr);
    ::DWORD count = 0;
    BOOL done = enumerate(wide.get(), size, Dword(needed), &count);
    if (done) done = NarrowRecords(wide.get(), count, record_size, kNameField, Bytes(buffer), size);
    *returned = done ? count : 0;
    return done;
}

}  // namespace

plat::BOOL SpoolerWin32::OpenPrinterA(const char* name, plat::PRINTER_HANDLE* printer,
                                      const plat::PrinterDefaults* defaults) {
    const Wide wide(name);
    if (!wide.ok()) return Unconvertible();
    // The defaults never name a datatype, so they read the same in either form.
    return g_open_printer.CallOr(
        "OpenPrinterW", FALSE, wide.get(), reinterpret_cast<LPHANDLE>(printer),
        reinterpret_cast<LPPRINTER_DEFAULTSW>(const_cast<plat::PrinterDefaults*>(defaults)));
}
plat::BOOL SpoolerWin32::ClosePrinter(plat::PRINTER_HANDLE printer) {
    return g_close_printer.CallOr("ClosePrinter", FALSE, printer);
}
plat::PRINTER_HANDLE SpoolerWin32::AddPrinterA(const char* server, plat::DWORD level,
                                               plat::BYTE* info) {
    const Wide wide_server(server);
    const WideRecord record(info, sizeof(PRINTER_INFO_2W), kPrinterFields);
    if (!wide_server.ok() || !record.ok()) {
        (void)Unconvertible();
        return nullptr;
    }
    return g_add_printer.CallOr("AddPrinterW", nullptr, wide_server.get(), level, record.get());
}
plat::BOOL SpoolerWin32::DeletePrinter(plat::PRINTER_HANDLE printer) {
    return g_delete_printer.CallOr("DeletePrinter", FALSE, printer);
}
plat::BOOL SpoolerWin32::DeletePrinterDriverA(const char* server, const char* environment,
                                              const char* driver) {
    const Wide wide_server(server), wide_environment(environment), wide_driver(driver);
    if (!wide_server.ok() || !wide_environment.ok() || !wide_driver.ok()) return Unconvertible();
    return g_delete_printer_driver.CallOr("DeletePrinterDriverW", FALSE, wide_server.get(),
                                          wide_environment.get(), wide_driver.get());
}
plat::BOOL SpoolerWin32::GetPrinterA(plat::PRINTER_HANDLE printer, plat::DWORD level,
                                     plat::BYTE* buffer, plat::DWORD size, plat::DWORD* needed) {
    // Asked the size, the W form's is given: the narrow record always fits in it.
    const std::unique_ptr<BYTE[]> wide(size != 0 ? new BYTE[size] : nullptr);
    BOOL done =
        g_get_printer.CallOr("GetPrinterW", FALSE, printer, level, wide.get(), size, Dword(needed));
    if (done) {
        done = NarrowRecords(wide.get(), 1, sizeof(PRINTER_INFO_2W), kPrinterFields, Bytes(buffer),
                             size);
        // The device mode and security descriptor lay in the buffer that is gone now.
        auto* record = reinterpret_cast<plat::PrinterInfo2*>(buffer);
        record->pDevMode = nullptr;
        record->pSecurityDescriptor = nullptr;
    }
    return done;
}
plat::BOOL SpoolerWin32::XcvDataW(plat::PRINTER_HANDLE xcv, const char16_t* command,
                                  const plat::BYTE* input, plat::DWORD input_size,
                                  plat::BYTE* output, plat::DWORD output_size, plat::DWORD* needed,
                                  plat::DWORD* status) {
    return g_xcv_data.CallOr("XcvDataW", FALSE, xcv, reinterpret_cast<PCWSTR>(command),
                             const_cast<PBYTE>(input), input_size, output, output_size,
                             Dword(needed), Dword(status));
}
plat::BOOL SpoolerWin32::GetPrinterDriverDirectoryW(const char* server, const char* environment,
                                                    plat::DWORD level, plat::BYTE* buffer,
                                                    plat::DWORD size, plat::DWORD* needed) {
    const Wide wide_server(server), wide_environment(environment);
    if (!wide_server.ok() || !wide_environment.ok()) return Unconvertible();
    return g_get_printer_driver_directory.CallOr("GetPrinterDriverDirectoryW", FALSE,
                                                 wide_server.get(), wide_environment.get(), level,
                                                 buffer, size, Dword(needed));
}
plat::BOOL SpoolerWin32::GetPrintProcessorDirectoryW(const char* server, const char* environment,
                                                     plat::DWORD level, plat::BYTE* buffer,
                                                     plat::DWORD size, plat::DWORD* needed) {
    const Wide wide_server(server), wide_environment(environment);
    if (!wide_server.ok() || !wide_environment.ok()) return Unconvertible();
    return g_get_print_processor_directory.CallOr("GetPrintProcessorDirectoryW", FALSE,
                                                  wide_server.get(), wide_environment.get(), level,
                                                  buffer, size, Dword(needed));
}
plat::BOOL SpoolerWin32::EnumPortsA(const char* server, plat::DWORD level, plat::BYTE* buffer,
                                    plat::DWORD size, plat::DWORD* needed, plat::DWORD* returned) {
    const Wide wide_server(server);
    if (!wide_server.ok()) return Unconvertible();
    return EnumerateNames(
        [&](BYTE* wide, ::DWORD wide_size, LPDWORD wide_needed, LPDWORD count) {
            return g_enum_ports.CallOr("EnumPortsW", FALSE, wide_server.get(), level, wide,
                                       wide_size, wide_needed, count);
        },
        sizeof(PORT_INFO_1W), buffer, size, needed, returned);
}
plat::BOOL SpoolerWin32::EnumPrinterDriversA(const char* server, const char* environment,
                                             plat::DWORD level, plat::BYTE* buffer,
                                             plat::DWORD size, plat::DWORD* needed,
                                             plat::DWORD* returned) {
    const Wide wide_server(server), wide_environment(environment);
    if (!wide_server.ok() || !wide_environment.ok()) return Unconvertible();
    return EnumerateNames(
        [&](BYTE* wide, ::DWORD wide_size, LPDWORD wide_needed, LPDWORD count) {
            return g_enum_printer_drivers.CallOr("EnumPrinterDriversW", FALSE, wide_server.get(),
                                                 wide_environment.get(), level, wide, wide_size,
                                                 wide_needed, count);
        },
        sizeof(DRIVER_INFO_1W), buffer, size, needed, returned);
}
plat::BOOL SpoolerWin32::SetDefaultPrinterA(const char* printer) {
    // The W form: the A one would read our name in the system's ANSI code page.
    const Wide wide(printer);
    if (!wide.ok()) return Unconvertible();
    return g_set_default_printer.CallOr("SetDefaultPrinterW", FALSE, wide.get());
}

}  // namespace plat::win32
