// Windows sockets adapter: one call per method.
#include <winsock2.h>

#include "platform/win32/adapters.h"

namespace plat::win32 {

int SocketsWin32::WSAStartup(plat::WORD requested, plat::WsaVersion* data) {
    WSADATA wsa{};
    const int result = ::WSAStartup(requested, &wsa);
    data->wVersion = wsa.wVersion;
    data->wHighVersion = wsa.wHighVersion;
    return result;
}
int SocketsWin32::WSACleanup() { return ::WSACleanup(); }
void SocketsWin32::WSASetLastError(int error) { ::WSASetLastError(error); }

}  // namespace plat::win32
