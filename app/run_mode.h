// The choice between install, uninstall and the settings dialog, made from the command line.
#pragma once

namespace velmora {

enum class RunMode { Dialog, Install, Uninstall };

// A plain case-sensitive substring test of the command-line tail; "-u" wins over "-i".
RunMode ChooseRunMode(const char* command_tail);

}  // namespace velmora
