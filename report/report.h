// The install and uninstall report, sent from a detached thread.
#pragma once
#include "platform/os.h"
namespace velmora {
// Starts the detached report thread for one request path (a static text).
void StartReportThread(plat::Os& os, const char* path);
}  // namespace velmora
