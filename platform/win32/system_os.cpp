// The real operating system, assembled from the Win32 adapters.
#include "platform/win32/adapters.h"

namespace plat {

Os& SystemOs() {
    static win32::ServicesWin32 services;
    static win32::SpoolerWin32 spooler;
    static win32::KernelWin32 kernel;
    static win32::RegistryWin32 registry;
    static win32::ProfileWin32 profile;
    static win32::InternetWin32 internet;
    static win32::UiWin32 ui;
    static win32::SocketsWin32 sockets;
    static Os os{services, spooler, kernel, registry, profile, internet, ui, sockets};
    return os;
}

}  // namespace plat
