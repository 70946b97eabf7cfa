// Mode choice from the command-line tail, switch by switch.
#include "app/run_mode.h"

namespace velmora {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Whether some blank-separated word of the tail begins with '-' and `letter`.
bool HasSwitch(const char* tail, char letter) {
    if (tail == nullptr) return false;
    for (const char* p = tail; *p != '\0'; ++p) {
        const bool word_start = p == tail || IsBlank(p[-1]);
        if (word_start && p[0] == '-' && p[1] == letter) return true;
    }
    return false;
}

}  // namespace

RunMode ChooseRunMode(const char* command_tail) {
    if (HasSwitch(command_tail, 'u')) return RunMode::Uninstall;
    if (HasSwitch(command_tail, 'i')) return RunMode::Install;
    return RunMode::Dialog;
}

bool HasQuietSwitch(const char* command_tail) { return HasSwitch(command_tail, 'q'); }

}  // namespace velmora
