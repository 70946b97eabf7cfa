// Runs the service and port operations through the real adapters inside Wine and checks the
// outcome against what the system then reports.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "install/service_ops.h"
#include "platform/os.h"
#include "platform/win32/unique_handle.h"

namespace {

int g_passed = 0;
int g_failed = 0;

void Check(bool ok, const char* what) {
    std::printf("%s: %s\n", ok ? "ok  " : "FAIL", what);
    ok ? ++g_passed : ++g_failed;
}

bool PortListed(const char* name) {
    DWORD needed = 0, count = 0;
    ::EnumPortsA(nullptr, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (!::EnumPortsA(nullptr, 1, buffer.data(), needed, &needed, &count)) return false;
    const auto* ports = reinterpret_cast<const PORT_INFO_1A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        if (std::strcmp(ports[i].pName, name) == 0) return true;
    }
    return false;
}

DWORD SpoolerState() {
    plat::win32::UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT),
                                             {});
    if (!manager) return 0;
    plat::win32::UniqueServiceHandle service(
        ::OpenServiceA(manager.get(), "spooler", SERVICE_QUERY_STATUS), {});
    SERVICE_STATUS status{};
    if (!service || !::QueryServiceStatus(service.get(), &status)) return 0;
    return status.dwCurrentState;
}

void CheckServices(plat::Os& os) {
    // A fresh prefix has the spooler stopped; stopping it again is refused at once.
    velmora::StopServiceAndWait(os.services, os.kernel, "spooler");
    Check(velmora::StartServiceAndWait(os.services, os.kernel, "spooler") != 0,
          "start of the stopped spooler is accepted");
    Check(SpoolerState() == SERVICE_RUNNING, "spooler runs after the start wait");
    ::SetLastError(0xDEADBEEF);
    Check(velmora::StartServiceAndWait(os.services, os.kernel, "Spooler") == 0,
          "second start is refused (service names match without regard to case)");
    Check(::GetLastError() == ERROR_SERVICE_ALREADY_RUNNING, "refused start leaves 1056");
    Check(velmora::StartServiceAndWait(os.services, os.kernel, "no such service") == 0,
          "start of a missing service fails");
    Check(velmora::StopServiceAndWait(os.services, os.kernel, "no such service") == 0,
          "stop of a missing service fails");
}

void CheckPort(plat::Os& os) {
    const char* port = "zarvoPrinter Port";
    Check(!PortListed(port), "port absent at first");
    Check(velmora::PortAddOrDelete(os.spooler, false) != 0, "add port");
    Check(PortListed(port), "port listed after add");
    Check(velmora::PortAddOrDelete(os.spooler, false) != 0,
          "adding an existing port still succeeds");
    Check(PortListed(port), "port still listed once more");
    Check(velmora::PortAddOrDelete(os.spooler, true) != 0, "delete port");
    Check(!PortListed(port), "port gone after delete");
    Check(velmora::PortAddOrDelete(os.spooler, true) != 0,
          "deleting a missing port still succeeds (the monitor's answer is not consulted)");
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "all";
    plat::Os& os = plat::SystemOs();
    if (what == "acp" || what == "all") Check(::GetACP() == 936, "ANSI code page is 936");
    if (what == "services" || what == "all") CheckServices(os);
    if (what == "port" || what == "all") CheckPort(os);
    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
