// Print spooler adapter: one winspool call per method.
#include <windows.h>
#include <winspool.h>

#include <cstddef>

#include "platform/win32/adapters.h"

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
}  // namespace

plat::BOOL SpoolerWin32::OpenPrinterA(const char* name, plat::PRINTER_HANDLE* printer,
                                      const plat::PrinterDefaults* defaults) {
    return ::OpenPrinterA(
        const_cast<LPSTR>(name), reinterpret_cast<LPHANDLE>(printer),
        reinterpret_cast<LPPRINTER_DEFAULTSA>(const_cast<plat::PrinterDefaults*>(defaults)));
}
plat::BOOL SpoolerWin32::ClosePrinter(plat::PRINTER_HANDLE printer) {
    return ::ClosePrinter(printer);
}
plat::PRINTER_HANDLE SpoolerWin32::AddPrinterA(const char* server, plat::DWORD level,
                                               plat::BYTE* info) {
    return ::AddPrinterA(const_cast<LPSTR>(server), level, Bytes(info));
}
plat::BOOL SpoolerWin32::DeletePrinter(plat::PRINTER_HANDLE printer) {
    return ::DeletePrinter(printer);
}
plat::BOOL SpoolerWin32::DeletePrinterDriverA(const char* server, const char* environment,
                                              const char* driver) {
    return ::DeletePrinterDriverA(const_cast<LPSTR>(server), const_cast<LPSTR>(environment),
                                  const_cast<LPSTR>(driver));
}
plat::BOOL SpoolerWin32::GetPrinterA(plat::PRINTER_HANDLE printer, plat::DWORD level,
                                     plat::BYTE* buffer, plat::DWORD size, plat::DWORD* needed) {
    return ::GetPrinterA(printer, level, Bytes(buffer), size, Dword(needed));
}
plat::BOOL SpoolerWin32::SetPrinterA(plat::PRINTER_HANDLE printer, plat::DWORD level,
                                     plat::BYTE* buffer, plat::DWORD command) {
    return ::SetPrinterA(printer, level, Bytes(buffer), command);
}
plat::BOOL SpoolerWin32::XcvDataW(plat::PRINTER_HANDLE xcv, const char16_t* command,
                                  const plat::BYTE* input, plat::DWORD input_size,
                                  plat::BYTE* output, plat::DWORD output_size, plat::DWORD* needed,
                                  plat::DWORD* status) {
    return ::XcvDataW(xcv, reinterpret_cast<PCWSTR>(command), const_cast<PBYTE>(input), input_size,
                      output, output_size, Dword(needed), Dword(status));
}
plat::BOOL SpoolerWin32::GetPrinterDriverDirectoryA(const char* server, const char* environment,
                                                    plat::DWORD level, plat::BYTE* buffer,
                                                    plat::DWORD size, plat::DWORD* needed) {
    return ::GetPrinterDriverDirectoryA(const_cast<LPSTR>(server), const_cast<LPSTR>(environment),
                                        level, Bytes(buffer), size, Dword(needed));
}
plat::BOOL SpoolerWin32::GetPrintProcessorDirectoryA(const char* server, const char* environment,
                                                     plat::DWORD level, plat::BYTE* buffer,
                                                     plat::DWORD size, plat::DWORD* needed) {
    return ::GetPrintProcessorDirectoryA(const_cast<LPSTR>(server), const_cast<LPSTR>(environment),
                                         level, Bytes(buffer), size, Dword(needed));
}
plat::BOOL SpoolerWin32::DeletePrintProcessorA(const char* server, const char* environment,
                                               const char* processor) {
    return ::DeletePrintProcessorA(const_cast<LPSTR>(server), const_cast<LPSTR>(environment),
                                   const_cast<LPSTR>(processor));
}

plat::BOOL SpoolerWin32::EnumPortsA(const char* server, plat::DWORD level, plat::BYTE* buffer,
                                    plat::DWORD size, plat::DWORD* needed, plat::DWORD* returned) {
    return ::EnumPortsA(const_cast<LPSTR>(server), level, Bytes(buffer), size, Dword(needed),
                        Dword(returned));
}

}  // namespace plat::win32
