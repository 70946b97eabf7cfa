// The choice between install, uninstall and the settings dialog, made from the command line.
#pragma once

#include <string_view>

namespace velmora {

enum class RunMode { Dialog, Install, Uninstall, Check };

// `words` are the command line's words as the system splits them (quotes removed), each ended by
// a zero. A switch is a word that begins with "-u", "-i" or "-c" (case-sensitive), which win in
// that order. A file path dropped onto the program is one word, and a switch only when it begins
// with one.
RunMode ChooseRunMode(std::u16string_view words);

// Whether a word begins with "-q": with "-i" or "-u", boxes become log lines. It never
// changes which mode runs.
bool HasQuietSwitch(std::u16string_view words);

}  // namespace velmora
