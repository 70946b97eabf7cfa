// Mode choice from the command line's words, switch by switch.
#include "app/run_mode.h"

namespace velmora {
namespace {

// Whether some word begins with '-' and `letter`.
bool HasSwitch(std::u16string_view words, char16_t letter) {
    for (std::size_t at = 0; at < words.size(); at = words.find(u'\0', at) + 1) {
        if (words.size() - at >= 2 && words[at] == u'-' && words[at + 1] == letter) return true;
        if (words.find(u'\0', at) == words.npos) break;
    }
    return false;
}

}  // namespace

RunMode ChooseRunMode(std::u16string_view words) {
    if (HasSwitch(words, u'u')) return RunMode::Uninstall;
    if (HasSwitch(words, u'i')) return RunMode::Install;
    if (HasSwitch(words, u'c')) return RunMode::Check;
    return RunMode::Dialog;
}

bool HasQuietSwitch(std::u16string_view words) { return HasSwitch(words, u'q'); }

}  // namespace velmora
