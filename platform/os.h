// The operating system as the portable core sees it: one reference per OS area.
#pragma once

#include "platform/internet.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/sockets.h"
#include "platform/spooler.h"
#include "platform/ui.h"

namespace plat {

struct Os {
    ServiceManager& services;
    Spooler& spooler;
    Kernel& kernel;
    Registry& registry;
    Profile& profile;
    Internet& internet;
    Ui& ui;
    Sockets& sockets;
};

// The real system; defined by the Win32 adapters.
Os& SystemOs();

}  // namespace plat
