// Print spooler (winspool) primitives, including the port monitor's XcvDataW channel. Their
// narrow texts and records are code page 936, whatever the system's ANSI code page: the
// adapters hand them to, and take them from, the spooler's UTF-16 functions.
#pragma once

#include "platform/types.h"
#include "platform/unique_any.h"

namespace plat {

using PRINTER_HANDLE = HANDLE;

// Same layout as the system's PRINTER_DEFAULTSA.
struct PrinterDefaults {
    char* pDatatype;
    void* pDevMode;
    DWORD DesiredAccess;
};

// Same fields, order and widths as the system's PRINTER_INFO_2A.
struct PrinterInfo2 {
    char* pServerName;
    char* pPrinterName;
    char* pShareName;
    char* pPortName;
    char* pDriverName;
    char* pComment;
    char* pLocation;
    void* pDevMode;
    char* pSepFile;
    char* pPrintProcessor;
    char* pDatatype;
    char* pParameters;
    void* pSecurityDescriptor;
    DWORD Attributes;
    DWORD Priority;
    DWORD DefaultPriority;
    DWORD StartTime;
    DWORD UntilTime;
    DWORD Status;
    DWORD cJobs;
    DWORD AveragePPM;
};

// Same layout as the system's PORT_INFO_1A.
struct PortInfo1 {
    char* pName;
};

// Same layout as the system's DRIVER_INFO_1A.
struct DriverInfo1 {
    char* pName;
};

constexpr DWORD kServerAllAccess = 0xF0003;
constexpr DWORD kPrinterAllAccess = 0xF000C;
constexpr DWORD kPrinterAttributeQueued = 0x1;

class Spooler {
  public:
    virtual ~Spooler() = default;
    virtual BOOL OpenPrinterA(const char* name, PRINTER_HANDLE* printer,
                              const PrinterDefaults* defaults) = 0;
    virtual BOOL ClosePrinter(PRINTER_HANDLE printer) = 0;
    virtual PRINTER_HANDLE AddPrinterA(const char* server, DWORD level, BYTE* info) = 0;
    virtual BOOL DeletePrinter(PRINTER_HANDLE printer) = 0;
    virtual BOOL DeletePrinterDriverA(const char* server, const char* environment,
                                      const char* driver) = 0;
    virtual BOOL GetPrinterA(PRINTER_HANDLE printer, DWORD level, BYTE* buffer, DWORD size,
                             DWORD* needed) = 0;
    virtual BOOL XcvDataW(PRINTER_HANDLE xcv, const char16_t* command, const BYTE* input,
                          DWORD input_size, BYTE* output, DWORD output_size, DWORD* needed,
                          DWORD* status) = 0;
    // The directories are paths: UTF-16 in `buffer`, whose `size` is in bytes.
    virtual BOOL GetPrinterDriverDirectoryW(const char* server, const char* environment,
                                            DWORD level, BYTE* buffer, DWORD size,
                                            DWORD* needed) = 0;
    virtual BOOL GetPrintProcessorDirectoryW(const char* server, const char* environment,
                                             DWORD level, BYTE* buffer, DWORD size,
                                             DWORD* needed) = 0;
    virtual BOOL EnumPortsA(const char* server, DWORD level, BYTE* buffer, DWORD size,
                            DWORD* needed, DWORD* returned) = 0;
    virtual BOOL EnumPrinterDriversA(const char* server, const char* environment, DWORD level,
                                     BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned) = 0;
    // SetDefaultPrinterW, which the spooler's DLL has since Windows 2000.
    virtual BOOL SetDefaultPrinterA(const char* printer) = 0;
};

// A printer, or the port monitor's channel, opened or added.
using UniquePrinter = UniqueAny<Spooler, PRINTER_HANDLE, &Spooler::ClosePrinter>;

}  // namespace plat
