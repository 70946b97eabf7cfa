// Mode choice from the command line's words, switch by switch.
#include "app/run_mode.h"

namespace velmora {
namespace {

// Whether some word begins with '-' and `letter`.
bool HasSwitch(const std::vector<std::string>& words, char letter) {
    for (const std::string& word : words) {
        if (word.size() >= 2 && word[0] == '-' && word[1] == letter) return true;
    }
    return false;
}

}  // namespace

RunMode ChooseRunMode(const std::vector<std::string>& words) {
    if (HasSwitch(words, 'u')) return RunMode::Uninstall;
    if (HasSwitch(words, 'i')) return RunMode::Install;
    return RunMode::Dialog;
}

bool HasQuietSwitch(const std::vector<std::string>& words) { return HasSwitch(words, 'q'); }

}  // namespace velmora
