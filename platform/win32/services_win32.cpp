// Service Control Manager adapter: one Win32 call per method.
#include <windows.h>

#include "platform/win32/adapters.h"

namespace plat::win32 {

static_assert(sizeof(plat::ServiceStatus) == sizeof(SERVICE_STATUS), "SERVICE_STATUS layout");

plat::SC_HANDLE ServicesWin32::OpenSCManagerA(const char* machine, const char* database,
                                              plat::DWORD access) {
    return ::OpenSCManagerA(machine, database, access);
}
plat::SC_HANDLE ServicesWin32::OpenServiceA(plat::SC_HANDLE manager, const char* name,
                                            plat::DWORD access) {
    return ::OpenServiceA(static_cast<::SC_HANDLE>(manager), name, access);
}
plat::BOOL ServicesWin32::StartServiceA(plat::SC_HANDLE service, plat::DWORD argc,
                                        const char** argv) {
    return ::StartServiceA(static_cast<::SC_HANDLE>(service), argc, argv);
}
plat::BOOL ServicesWin32::ControlService(plat::SC_HANDLE service, plat::DWORD control,
                                         plat::ServiceStatus* status) {
    return ::ControlService(static_cast<::SC_HANDLE>(service), control,
                            reinterpret_cast<SERVICE_STATUS*>(status));
}
plat::BOOL ServicesWin32::QueryServiceStatus(plat::SC_HANDLE service, plat::ServiceStatus* status) {
    return ::QueryServiceStatus(static_cast<::SC_HANDLE>(service),
                                reinterpret_cast<SERVICE_STATUS*>(status));
}
plat::BOOL ServicesWin32::CloseServiceHandle(plat::SC_HANDLE handle) {
    return ::CloseServiceHandle(static_cast<::SC_HANDLE>(handle));
}

}  // namespace plat::win32
