// The choice between install, uninstall and the settings dialog, made from the command line.
#pragma once

#include <string>
#include <vector>

namespace velmora {

enum class RunMode { Dialog, Install, Uninstall };

// A switch is a word of the command line (as the system splits it, quotes removed) that begins
// with "-u" or "-i" (case-sensitive); "-u" wins over "-i". A file path dropped onto the program
// is one word, and a switch only when it begins with one.
RunMode ChooseRunMode(const std::vector<std::string>& words);

// Whether a word begins with "-q": with "-i" or "-u", boxes become log lines. It never
// changes which mode runs.
bool HasQuietSwitch(const std::vector<std::string>& words);

}  // namespace velmora
