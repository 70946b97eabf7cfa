// The choice between install, uninstall and the settings dialog, made from the command line.
#pragma once

namespace velmora {

enum class RunMode { Dialog, Install, Uninstall };

// A switch is a blank-separated word of the command-line tail that begins with "-u" or "-i"
// (case-sensitive); "-u" wins over "-i". A path that merely contains "-u" inside a word, such
// as a file dropped onto the program, opens the dialog.
RunMode ChooseRunMode(const char* command_tail);

// Whether a word begins with "-q": with "-i" or "-u", boxes become log lines. It never
// changes which mode runs.
bool HasQuietSwitch(const char* command_tail);

}  // namespace velmora
