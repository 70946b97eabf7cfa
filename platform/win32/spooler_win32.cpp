// Print spooler adapter: one winspool call per method, each looked up on its first call.
#include <windows.h>
#include <winspool.h>

#include <cstddef>

#include "platform/win32/adapters.h"
#include "platform/win32/lazy_import.h"

namespace plat::win32 {

static_assert(sizeof(plat::PrinterInfo2) == sizeof(PRINTER_INFO_2A), "PRINTER_INFO_2A layout");
static_assert(offsetof(plat::PrinterInfo2, pPortName) == offsetof(PRINTER_INFO_2A, pPortName));
static_assert(offsetof(plat::PrinterInfo2, pDriverName) == offsetof(PRINTER_INFO_2A, pDriverName));
static_assert(offsetof(plat::PrinterInfo2, Attributes) == offsetof(PRINTER_INFO_2A, Attributes));
static_assert(sizeof(plat::PrinterDefaults) == sizeof(PRINTER_DEFAULTSA), "PRINTER_DEFAULTSA");
static_assert(sizeof(plat::PortInfo1) == sizeof(PORT_INFO_1A), "PORT_INFO_1A layout");

namespace {

LPBYTE Bytes(plat::BYTE* p) { return reinterpret_cast<LPBYTE>(p); }
LPDWORD Dword(plat::DWORD* p) { return reinterpret_cast<LPDWORD>(p); }

LazyDll g_winspool("winspool.drv");
LazyFunction<decltype(&::OpenPrinterA)> g_open_printer(g_winspool, "OpenPrinterA");
LazyFunction<decltype(&::ClosePrinter)> g_close_printer(g_winspool, "ClosePrinter");
LazyFunction<decltype(&::AddPrinterA)> g_add_printer(g_winspool, "AddPrinterA");
LazyFunction<decltype(&::DeletePrinter)> g_delete_printer(g_winspool, "DeletePrinter");
LazyFunction<decltype(&::DeletePrinterDriverA)> g_delete_printer_driver(g_winspool,
                                                                        "DeletePrinterDriverA");
LazyFunction<decltype(&::GetPrinterA)> g_get_printer(g_winspool, "GetPrinterA");
LazyFunction<decltype(&::SetPrinterA)> g_set_printer(g_winspool, "SetPrinterA");
LazyFunction<decltype(&::XcvDataW)> g_xcv_data(g_winspool, "XcvDataW");
LazyFunction<decltype(&::GetPrinterDriverDirectoryA)> g_get_printer_driver_directory(
    g_winspool, "GetPrinterDriverDirectoryA");
LazyFunction<decltype(&::GetPrintProcessorDirectoryA)> g_get_print_processor_directory(
    g_winspool, "GetPrintProcessorDirectoryA");
LazyFunction<decltype(&::EnumPortsA)> g_enum_ports(g_winspool, "EnumPortsA");

}  // namespace

plat::BOOL SpoolerWin32::OpenPrinterA(const char* name, plat::PRINTER_HANDLE* printer,
                                      const plat::PrinterDefaults* defaults) {
    return g_open_printer.CallOr(
        FALSE, const_cast<LPSTR>(name), reinterpret_cast<LPHANDLE>(printer),
        reinterpret_cast<LPPRINTER_DEFAULTSA>(const_cast<plat::PrinterDefaults*>(defaults)));
}
plat::BOOL SpoolerWin32::ClosePrinter(plat::PRINTER_HANDLE printer) {
    return g_close_printer.CallOr(FALSE, printer);
}
plat::PRINTER_HANDLE SpoolerWin32::AddPrinterA(const char* server, plat::DWORD level,
                                               plat::BYTE* info) {
    return g_add_printer.CallOr(nullptr, const_cast<LPSTR>(server), level, Bytes(info));
}
plat::BOOL SpoolerWin32::DeletePrinter(plat::PRINTER_HANDLE printer) {
    return g_delete_printer.CallOr(FALSE, printer);
}
plat::BOOL SpoolerWin32::DeletePrinterDriverA(const char* server, const char* environment,
                                              const char* driver) {
    return g_delete_printer_driver.CallOr(FALSE, const_cast<LPSTR>(server),
                                          const_cast<LPSTR>(environment),
                                          const_cast<LPSTR>(driver));
}
plat::BOOL SpoolerWin32::GetPrinterA(plat::PRINTER_HANDLE printer, plat::DWORD level,
                                     plat::BYTE* buffer, plat::DWORD size, plat::DWORD* needed) {
    return g_get_printer.CallOr(FALSE, printer, level, Bytes(buffer), size, Dword(needed));
}
plat::BOOL SpoolerWin32::SetPrinterA(plat::PRINTER_HANDLE printer, plat::DWORD level,
                                     plat::BYTE* buffer, plat::DWORD command) {
    return g_set_printer.CallOr(FALSE, printer, level, Bytes(buffer), command);
}
plat::BOOL SpoolerWin32::XcvDataW(plat::PRINTER_HANDLE xcv, const char16_t* command,
                                  const plat::BYTE* input, plat::DWORD input_size,
                                  plat::BYTE* output, plat::DWORD output_size, plat::DWORD* needed,
                                  plat::DWORD* status) {
    return g_xcv_data.CallOr(FALSE, xcv, reinterpret_cast<PCWSTR>(command),
                             const_cast<PBYTE>(input), input_size, output, output_size,
                             Dword(needed), Dword(status));
}
plat::BOOL SpoolerWin32::GetPrinterDriverDirectoryA(const char* server, const char* environment,
                                                    plat::DWORD level, plat::BYTE* buffer,
                                                    plat::DWORD size, plat::DWORD* needed) {
    return g_get_printer_driver_directory.CallOr(FALSE, const_cast<LPSTR>(server),
                                                 const_cast<LPSTR>(environment), level,
                                                 Bytes(buffer), size, Dword(needed));
}
plat::BOOL SpoolerWin32::GetPrintProcessorDirectoryA(const char* server, const char* environment,
                                                     plat::DWORD level, plat::BYTE* buffer,
                                                     plat::DWORD size, plat::DWORD* needed) {
    return g_get_print_processor_directory.CallOr(FALSE, const_cast<LPSTR>(server),
                                                  const_cast<LPSTR>(environment), level,
                                                  Bytes(buffer), size, Dword(needed));
}
plat::BOOL SpoolerWin32::EnumPortsA(const char* server, plat::DWORD level, plat::BYTE* buffer,
                                    plat::DWORD size, plat::DWORD* needed, plat::DWORD* returned) {
    return g_enum_ports.CallOr(FALSE, const_cast<LPSTR>(server), level, Bytes(buffer), size,
                               Dword(needed), Dword(returned));
}

}  // namespace plat::win32
