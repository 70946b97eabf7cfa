// Queue creation, the default printer, the spool-directory value and the queue read back.
#include "install/printer_setup.h"

#include <cstdint>
#include <cstring>
#include <memory>

#include "common/printer_constants.h"
#include "common/run_log.h"
#include "common/system_paths.h"
#include "platform/mbcs.h"

namespace velmora {
namespace {

using plat::BOOL;
using plat::DWORD;
using plat::kFalse;
using plat::kTrue;

constexpr char16_t kSpoolKey[] =
    u"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\zarvo printer";
constexpr char16_t kSpoolValue[] = u"SpoolDirectory";
constexpr char16_t kFallbackWindowsDirectory[] = u"C:\\WINNT";
constexpr char kWinIniSection[] = "windows";
constexpr char kWinIniDevice[] = "device";
constexpr unsigned kBroadcastTimeoutMs = 1000;
constexpr DWORD kLevel2 = 2;

// The record's text fields are declared writable by the system but are only read.
char* Text(const char* text) { return const_cast<char*>(text); }

void BroadcastSettingChange(plat::Profile& profile) {
    (void)profile.SendMessageTimeoutA(plat::HwndBroadcast(), plat::kWmWininichange, 0, 0,
                                      plat::kSmtoNormal, kBroadcastTimeoutMs, nullptr);
}

std::string OrEmpty(const char* text) { return text != nullptr ? text : ""; }

// What the read-back acquires. The members go in reverse order, so the printer is closed first,
// then the record is freed.
struct PrinterRecord {
    explicit PrinterRecord(plat::Spooler& spooler) : printer(spooler) {}
    plat::PrinterInfo2* info() const { return reinterpret_cast<plat::PrinterInfo2*>(record.get()); }

    std::unique_ptr<plat::BYTE[]> record;
    plat::UniquePrinter printer;
};

// Opens the printer and reads its level-2 record into zero-filled memory.
bool ReadPrinterRecord(plat::Spooler& spooler, plat::Kernel& kernel, PrinterRecord& held) {
    plat::PRINTER_HANDLE printer = nullptr;
    if (!spooler.OpenPrinterA(kPrinterName, &printer, nullptr) || printer == nullptr) {
        return false;
    }
    held.printer.reset(printer);

    DWORD needed = 0;
    kernel.SetLastError(plat::kErrorSuccess);
    if (!spooler.GetPrinterA(printer, kLevel2, nullptr, 0, &needed) &&
        (kernel.GetLastError() != plat::kErrorInsufficientBuffer || needed == 0)) {
        return false;
    }
    held.record.reset(new plat::BYTE[needed]());
    return spooler.GetPrinterA(printer, kLevel2, held.record.get(), needed, &needed) != kFalse;
}

// Whether one of the spooler's level-1 lists (ports, drivers: records that are a name) holds
// `name`. Asked with no memory, the list gives its size; then it fills memory of that size.
template <typename Enumerate>
bool Lists(const char* name, Enumerate enumerate) {
    static_assert(sizeof(plat::PortInfo1) == sizeof(plat::DriverInfo1), "records of a name");
    DWORD needed = 0;
    DWORD count = 0;
    (void)enumerate(nullptr, 0, &needed, &count);
    if (needed == 0) return false;
    const std::unique_ptr<plat::BYTE[]> memory(new plat::BYTE[needed]());
    if (!enumerate(memory.get(), needed, &needed, &count)) return false;
    const auto* records = reinterpret_cast<const plat::PortInfo1*>(memory.get());
    for (DWORD i = 0; i < count; ++i) {
        if (records[i].pName != nullptr && plat::SameNameIgnoringCase(records[i].pName, name)) {
            return true;
        }
    }
    return false;
}

}  // namespace

BOOL AddVirtualPrinter(plat::Spooler& spooler) {
    plat::PrinterInfo2 info;
    std::memset(&info, 0, sizeof info);
    info.pServerName = nullptr;
    info.pPrinterName = Text(kPrinterName);
    info.pShareName = Text(kPrinterName);
    info.pPortName = Text(kPortNameA);
    info.pDriverName = Text(kPrinterName);
    info.pComment = Text(kReportHost);
    info.pLocation = Text("");
    info.pDevMode = nullptr;
    info.pSepFile = Text("");
    info.pPrintProcessor = Text(kPrintProcessor);
    info.pDatatype = Text(kDatatype);
    info.pParameters = Text("");
    info.pSecurityDescriptor = nullptr;
    info.Attributes = plat::kPrinterAttributeQueued;
    info.Priority = 0;
    info.DefaultPriority = 0;
    info.StartTime = 0;
    info.UntilTime = 0;

    const plat::UniquePrinter printer(
        spooler, spooler.AddPrinterA(nullptr, kLevel2, reinterpret_cast<plat::BYTE*>(&info)));
    // On failure the caller reads the spooler's last error at once: nothing is closed then.
    return printer ? kTrue : kFalse;
}

BOOL SetDefaultPrinterByName(plat::Spooler& spooler, plat::Profile& profile) {
    if (!spooler.SetDefaultPrinterA(kPrinterName)) return kFalse;
    BroadcastSettingChange(profile);
    return kTrue;
}

plat::LONG ConfigureSpoolDirectory(plat::Kernel& kernel, CRegistry& holder) {
    plat::Path directory = WindowsDirectory(kernel);
    if (directory.empty()) directory = kFallbackWindowsDirectory;
    plat::HKEY key = nullptr;
    const plat::LONG opened = holder.registry.RegOpenKeyExW(plat::HkeyLocalMachine(), kSpoolKey, 0,
                                                            plat::kKeyAllAccess, &key);
    if (opened != static_cast<plat::LONG>(plat::kErrorSuccess)) return opened;
    // Closing the root here would drop the process's cached HKEY_LOCAL_MACHINE while the report
    // thread may be reading the registry through WinINet.
    (void)holder.m_hKey.release();
    holder.m_hKey.reset(key);
    const auto size = static_cast<DWORD>((directory.size() + 1) * sizeof(char16_t));
    return holder.registry.RegSetValueExW(key, kSpoolValue, 0, plat::kRegSz,
                                          reinterpret_cast<const plat::BYTE*>(directory.c_str()),
                                          size);
}

QueueRecord ReadVirtualPrinter(plat::Spooler& spooler, plat::Kernel& kernel) {
    QueueRecord queue;
    PrinterRecord held(spooler);
    kernel.SetLastError(plat::kErrorSuccess);
    if (!ReadPrinterRecord(spooler, kernel, held)) {
        queue.error = FailureCode(kernel);
        return queue;
    }
    const plat::PrinterInfo2& info = *held.info();
    queue.found = true;
    queue.port = OrEmpty(info.pPortName);
    queue.driver = OrEmpty(info.pDriverName);
    queue.processor = OrEmpty(info.pPrintProcessor);
    queue.datatype = OrEmpty(info.pDatatype);
    return queue;
}

bool IsOurQueue(const QueueRecord& queue) {
    return queue.found && plat::SameNameIgnoringCase(queue.port, kPortNameA) &&
           plat::SameNameIgnoringCase(queue.driver, kPrinterName);
}

bool PortIsListed(plat::Spooler& spooler) {
    return Lists(kPortNameA, [&](plat::BYTE* buffer, DWORD size, DWORD* needed, DWORD* count) {
        return spooler.EnumPortsA(nullptr, 1, buffer, size, needed, count);
    });
}

bool DriverIsInstalled(plat::Spooler& spooler, const char* environment) {
    return Lists(kPrinterName, [&](plat::BYTE* buffer, DWORD size, DWORD* needed, DWORD* count) {
        return spooler.EnumPrinterDriversA(nullptr, environment, 1, buffer, size, needed, count);
    });
}

std::string DefaultPrinterName(plat::Profile& profile) {
    char device[1024] = {};
    // The text comes back terminated, cut to the buffer if need be.
    (void)profile.GetProfileStringA(kWinIniSection, kWinIniDevice, "", device, sizeof device);
    // A comma is never the trail byte of a double-byte character.
    const std::string_view entry = device;
    return std::string(entry.substr(0, entry.find(',')));
}

}  // namespace velmora
