// Windows sockets start-up primitives.
#pragma once

#include "platform/types.h"

namespace plat {

// The two version fields of the system's WSADATA; nothing else of it is read.
struct WsaVersion {
    WORD wVersion;
    WORD wHighVersion;
};

constexpr int kWsaVerNotSupported = 10092;

class Sockets {
  public:
    virtual ~Sockets() = default;
    virtual int WSAStartup(WORD requested, WsaVersion* data) = 0;
    virtual int WSACleanup() = 0;
    virtual void WSASetLastError(int error) = 0;
};

}  // namespace plat
