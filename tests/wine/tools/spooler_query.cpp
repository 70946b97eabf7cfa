// Prints what the spooler holds as one line of UTF-8 JSON: printer queues, ports, drivers, the
// default printer and the driver and print-processor directories.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/wine/tools/json_text.h"

namespace {

using tools::Json;

// Runs one of the spooler's two-call enumerations (size, then data) into a buffer.
template <typename Enumerate>
std::vector<BYTE> Enumerated(Enumerate enumerate, DWORD& count) {
    DWORD needed = 0;
    count = 0;
    enumerate(nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (!enumerate(buffer.data(), needed, &needed, &count)) count = 0;
    return buffer;
}

std::string Printers() {
    DWORD count = 0;
    const auto buffer = Enumerated(
        [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
            return ::EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, data, size, needed, returned);
        },
        count);
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    std::string out = "[";
    for (DWORD i = 0; i < count; ++i) {
        const PRINTER_INFO_2W& p = info[i];
        if (i) out += ",";
        out += "{\"name\":" + Json(p.pPrinterName) + ",\"share\":" + Json(p.pShareName) +
               ",\"port\":" + Json(p.pPortName) + ",\"driver\":" + Json(p.pDriverName) +
               ",\"comment\":" + Json(p.pComment) + ",\"location\":" + Json(p.pLocation) +
               ",\"print_processor\":" + Json(p.pPrintProcessor) +
               ",\"datatype\":" + Json(p.pDatatype) + ",\"parameters\":" + Json(p.pParameters) +
               ",\"attributes\":" + std::to_string(p.Attributes) +
               ",\"priority\":" + std::to_string(p.Priority) + "}";
    }
    return out + "]";
}

std::string Ports() {
    DWORD count = 0;
    const auto buffer = Enumerated(
        [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
            return ::EnumPortsW(nullptr, 1, data, size, needed, returned);
        },
        count);
    const auto* info = reinterpret_cast<const PORT_INFO_1W*>(buffer.data());
    std::string out = "[";
    for (DWORD i = 0; i < count; ++i) out += (i ? "," : "") + Json(info[i].pName);
    return out + "]";
}

std::string Drivers() {
    DWORD count = 0;
    const auto buffer = Enumerated(
        [](BYTE* data, DWORD size, DWORD* needed, DWORD* returned) {
            return ::EnumPrinterDriversW(nullptr, nullptr, 3, data, size, needed, returned);
        },
        count);
    const auto* info = reinterpret_cast<const DRIVER_INFO_3W*>(buffer.data());
    std::string out = "[";
    for (DWORD i = 0; i < count; ++i) {
        const DRIVER_INFO_3W& d = info[i];
        if (i) out += ",";
        out += "{\"name\":" + Json(d.pName) + ",\"environment\":" + Json(d.pEnvironment) +
               ",\"driver_path\":" + Json(d.pDriverPath) + ",\"data_file\":" + Json(d.pDataFile) +
               ",\"config_file\":" + Json(d.pConfigFile) + "}";
    }
    return out + "]";
}

std::string DefaultPrinter() {
    wchar_t name[512] = {};
    DWORD size = 512;
    return ::GetDefaultPrinterW(name, &size) ? Json(name) : "null";
}

std::string DriverDirectory() {
    wchar_t path[MAX_PATH] = {};
    DWORD needed = 0;
    return ::GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(path),
                                        sizeof path, &needed)
               ? Json(path)
               : "null";
}

std::string PrintProcessorDirectory() {
    wchar_t path[MAX_PATH] = {};
    DWORD needed = 0;
    return ::GetPrintProcessorDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(path),
                                         sizeof path, &needed)
               ? Json(path)
               : "null";
}

}  // namespace

int main() {
    const std::string json = "{\"printers\":" + Printers() + ",\"ports\":" + Ports() +
                             ",\"drivers\":" + Drivers() + ",\"default\":" + DefaultPrinter() +
                             ",\"driver_directory\":" + DriverDirectory() +
                             ",\"print_processor_directory\":" + PrintProcessorDirectory() + "}\n";
    std::fwrite(json.data(), 1, json.size(), stdout);
    return 0;
}
