// Service Control Manager primitives.
#pragma once

#include "platform/types.h"
#include "platform/unique_any.h"

namespace plat {

using SC_HANDLE = HANDLE;

// Same seven fields, same order and width as the system's SERVICE_STATUS.
struct ServiceStatus {
    DWORD dwServiceType;
    DWORD dwCurrentState;
    DWORD dwControlsAccepted;
    DWORD dwWin32ExitCode;
    DWORD dwServiceSpecificExitCode;
    DWORD dwCheckPoint;
    DWORD dwWaitHint;
};

constexpr DWORD kScManagerConnect = 0x0001;
constexpr DWORD kServiceAllAccess = 0xF01FF;
constexpr DWORD kServiceControlStop = 1;
constexpr DWORD kServiceStopped = 1;
constexpr DWORD kServiceRunning = 4;

class ServiceManager {
  public:
    virtual ~ServiceManager() = default;
    virtual SC_HANDLE OpenSCManagerA(const char* machine, const char* database, DWORD access) = 0;
    virtual SC_HANDLE OpenServiceA(SC_HANDLE manager, const char* name, DWORD access) = 0;
    virtual BOOL StartServiceA(SC_HANDLE service, DWORD argc, const char** argv) = 0;
    virtual BOOL ControlService(SC_HANDLE service, DWORD control, ServiceStatus* status) = 0;
    virtual BOOL QueryServiceStatus(SC_HANDLE service, ServiceStatus* status) = 0;
    virtual BOOL CloseServiceHandle(SC_HANDLE handle) = 0;
};

using UniqueServiceHandle =
    UniqueAny<ServiceManager, SC_HANDLE, &ServiceManager::CloseServiceHandle>;

}  // namespace plat
