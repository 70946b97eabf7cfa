// Service start/stop with bounded polling, and the local port monitor's AddPort/DeletePort.
#include "install/service_ops.h"

#include <cstdint>
#include <string>

#include "common/join.h"
#include "common/printer_constants.h"
#include "common/system_facts.h"

namespace velmora {
namespace {

using plat::BOOL;
using plat::DWORD;
using plat::kFalse;
using plat::kTrue;
using plat::SC_HANDLE;

constexpr DWORD kStartPollExtraMs = 500;
constexpr DWORD kStopSettleMs = 1000;
constexpr DWORD kStopPollMs = 500;
constexpr char kXcvLocalPort[] = ",XcvMonitor Local Port";
// The local port monitor's answers to a port that is there already (adding) or not there
// (deleting): Windows and Wine say "file not found", older monitors "unknown port".
constexpr DWORD kPortExists = plat::kErrorAlreadyExists;
constexpr DWORD kNoSuchPortFile = plat::kErrorFileNotFound;
constexpr DWORD kNoSuchPort = 1796;  // ERROR_UNKNOWN_PORT

// Sleeps at most what is left of the wait budget; returns false once it is spent.
bool SleepWithinBudget(plat::Kernel& kernel, std::uint64_t wanted, DWORD& slept) {
    if (slept >= kServiceWaitLimitMs) return false;
    const DWORD remaining = kServiceWaitLimitMs - slept;
    const DWORD pause = wanted < remaining ? static_cast<DWORD>(wanted) : remaining;
    kernel.Sleep(pause);
    slept += pause;
    return true;
}

}  // namespace

BOOL StartServiceAndWait(plat::ServiceManager& scm, plat::Kernel& kernel, const char* name) {
    plat::ServiceStatus status{};
    // Declared in opening order, so the service closes before the manager.
    const plat::UniqueServiceHandle manager(
        scm, scm.OpenSCManagerA("", nullptr, plat::kScManagerConnect));
    if (!manager) return kFalse;
    const plat::UniqueServiceHandle service(
        scm, scm.OpenServiceA(manager.get(), name, plat::kServiceAllAccess));
    if (!service) return kFalse;
    if (!scm.StartServiceA(service.get(), 0, nullptr)) return kFalse;
    // The record is zero before the first pass, so the first pause is exactly 500 ms.
    DWORD slept = 0;
    while (SleepWithinBudget(kernel, std::uint64_t{status.dwWaitHint} + kStartPollExtraMs, slept)) {
        if (!scm.QueryServiceStatus(service.get(), &status)) break;
        if (status.dwCurrentState == plat::kServiceRunning) break;
    }
    return kTrue;
}

BOOL StopServiceAndWait(plat::ServiceManager& scm, plat::Kernel& kernel, const char* name) {
    plat::ServiceStatus status{};
    const plat::UniqueServiceHandle manager(
        scm, scm.OpenSCManagerA("", nullptr, plat::kScManagerConnect));
    if (!manager) return kFalse;
    const plat::UniqueServiceHandle service(
        scm, scm.OpenServiceA(manager.get(), name, plat::kServiceAllAccess));
    if (!service) return kFalse;
    if (!scm.ControlService(service.get(), plat::kServiceControlStop, &status)) return kFalse;
    kernel.Sleep(kStopSettleMs);
    // The first test uses the state the stop control returned, not a fresh query.
    DWORD slept = 0;
    while (status.dwCurrentState != plat::kServiceStopped &&
           SleepWithinBudget(kernel, kStopPollMs, slept)) {
        if (!scm.QueryServiceStatus(service.get(), &status)) break;
    }
    return kTrue;
}

BOOL PortAddOrDelete(plat::Spooler& spooler, plat::Kernel& kernel, bool remove,
                     DWORD* monitor_status) {
    *monitor_status = 0;
    plat::PrinterDefaults defaults{nullptr, nullptr, plat::kServerAllAccess};
    plat::PRINTER_HANDLE opened = nullptr;
    if (!spooler.OpenPrinterA(kXcvLocalPort, &opened, &defaults)) return kFalse;
    const plat::UniquePrinter xcv(spooler, opened);

    const char16_t* command = remove ? u"DeletePort" : u"AddPort";
    const auto input_size =
        static_cast<DWORD>((std::char_traits<char16_t>::length(kPortNameW) + 1) * sizeof(char16_t));
    DWORD output = 0;
    DWORD needed = 0;
    DWORD status = 0;
    if (!spooler.XcvDataW(xcv.get(), command, reinterpret_cast<const plat::BYTE*>(kPortNameW),
                          input_size, reinterpret_cast<plat::BYTE*>(&output), 0, &needed,
                          &status)) {
        return kFalse;
    }
    *monitor_status = status;
    // The call only says the monitor was reached; its answer is in the status. A port that is
    // there already, or no longer there, is what the step wanted.
    if (status == plat::kErrorSuccess || status == (remove ? kNoSuchPort : kPortExists) ||
        (remove && status == kNoSuchPortFile)) {
        return kTrue;
    }
    kernel.SetLastError(status);
    return kFalse;
}

BOOL PortStep(plat::Spooler& spooler, plat::Kernel& kernel, RunLog& log, bool remove) {
    kernel.SetLastError(plat::kErrorSuccess);
    DWORD status = 0;
    const BOOL done = PortAddOrDelete(spooler, kernel, remove, &status);
    const char* step = remove ? "delete port" : "add port";
    log.Step(
        status == 0 ? std::string(step) : Join({step, " (monitor status ", Decimal(status), ")"}),
        done != kFalse, FailureCode(kernel));
    return done;
}

}  // namespace velmora
