// Requests Windows sockets 1.1 and accepts nothing else.
#include "app/socket_init.h"

namespace velmora {

plat::BOOL AfxSocketInit(plat::Sockets& sockets) {
    constexpr plat::WORD kVersion11 = 0x0101;
    plat::WsaVersion data{};
    if (sockets.WSAStartup(kVersion11, &data) != 0) return plat::kFalse;
    if (data.wVersion != kVersion11) {
        // Only a successful start-up is balanced with a clean-up.
        (void)sockets.WSACleanup();
        sockets.WSASetLastError(plat::kWsaVerNotSupported);
        return plat::kFalse;
    }
    return plat::kTrue;
}

}  // namespace velmora
