// The real operating system, assembled from the Win32 adapters.
#include "platform/win32/adapters.h"

namespace plat {

Os& SystemOs() {
    // Never destroyed: a detached report thread may still be calling through them while the
    // process runs its exit-time destructors.
    static Os* const os =
        new Os{*new win32::ServicesWin32, *new win32::SpoolerWin32, *new win32::KernelWin32,
               *new win32::RegistryWin32, *new win32::ProfileWin32, *new win32::InternetWin32,
               *new win32::UiWin32,       *new win32::SocketsWin32};
    return *os;
}

}  // namespace plat
