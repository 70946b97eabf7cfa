// The program's command line read as every Windows program reads it: the UTF-16 line from the
// system, the program's name split off, the rest split into words by the system's own rules.
#pragma once

#include <string>
#include <string_view>

#include "platform/kernel.h"

namespace velmora {

// A command line taken apart; the views point into the line.
struct SplitLine {
    std::u16string_view tail;  // what follows the program's name and the blanks after it
    std::u16string words;      // each word ended by a zero, as in an argument vector's memory
};

// The program's name runs to its closing quote when it starts with one, else to the first blank
// or tab; but a line that starts, unquoted, with `program_path` (the running program's full file
// name, compared without regard to ASCII case) followed by a blank, a tab or the end has that
// whole path as its name, blanks and all. The words of the tail follow CommandLineToArgvW:
// blanks and tabs part words outside quotes; quotes group and are dropped; backslashes are
// literal unless they run up to a quote, where 2n of them give n and the quote groups, 2n + 1
// give n and a literal quote; inside quotes, each third quote of a run is a literal one.
SplitLine SplitCommandLine(std::u16string_view line, std::u16string_view program_path);

// The command line of the running program, split as above.
SplitLine ReadProgramArguments(plat::Kernel& kernel);

}  // namespace velmora
