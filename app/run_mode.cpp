// Mode choice from the command-line tail.
#include "app/run_mode.h"

#include <cstring>

namespace velmora {

RunMode ChooseRunMode(const char* command_tail) {
    if (command_tail == nullptr) return RunMode::Dialog;
    if (std::strstr(command_tail, "-u") != nullptr) return RunMode::Uninstall;
    if (std::strstr(command_tail, "-i") != nullptr) return RunMode::Install;
    return RunMode::Dialog;
}

}  // namespace velmora
