// Windows sockets start-up for the application: version 1.1 exactly, or failure.
#pragma once

#include "platform/sockets.h"

namespace velmora {

plat::BOOL AfxSocketInit(plat::Sockets& sockets);

}  // namespace velmora
