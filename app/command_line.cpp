// Splitting the command line as the system's CommandLineToArgvW does, and reading the running
// program's own. The C run-time's narrow tail is not used: its start-up code ends an unquoted
// program name at the first byte above 0x7F, so a Chinese folder name leaked into the switches.
#include "app/command_line.h"

#include "framework/module_name.h"
#include "platform/mbcs.h"

namespace velmora {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// Whether `line` starts with `prefix`, ASCII letters compared without regard to case.
bool StartsWithFolded(std::u16string_view line, std::u16string_view prefix) {
    if (prefix.empty() || line.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (plat::FoldAscii(line[i]) != plat::FoldAscii(prefix[i])) return false;
    }
    return true;
}

// Length of the program's name at the start of `line`.
std::size_t ProgramNameLength(std::u16string_view line, std::u16string_view program_path) {
    if (!line.empty() && line[0] == u'"') {
        const std::size_t close = line.find(u'"', 1);
        return close == line.npos ? line.size() : close + 1;
    }
    if (StartsWithFolded(line, program_path) &&
        (line.size() == program_path.size() || IsBlank(line[program_path.size()]))) {
        return program_path.size();
    }
    std::size_t end = 0;
    while (end < line.size() && !IsBlank(line[end])) ++end;
    return end;
}

std::u16string SplitWords(std::u16string_view tail) {
    std::u16string words;
    std::u16string word;
    bool in_word = false;
    int quotes = 0;           // 0 outside quotes; inside, the quotes of the current run so far
    std::size_t slashes = 0;  // backslashes just before this character
    for (std::size_t i = 0; i < tail.size(); ++i) {
        const char16_t c = tail[i];
        if (IsBlank(c) && quotes == 0) {
            if (in_word) words.append(word) += u'\0';
            word.clear();
            in_word = false;
            slashes = 0;
            continue;
        }
        in_word = true;
        if (c == u'\\') {
            word += c;
            ++slashes;
        } else if (c == u'"') {
            // The backslashes before a quote are halved; an odd one out makes it literal.
            word.erase(word.size() - (slashes + 1) / 2);
            if (slashes % 2 == 1) {
                word += u'"';
            } else {
                ++quotes;
            }
            // The rest of a run of quotes: each third, counting an opening one, is literal.
            for (; i + 1 < tail.size() && tail[i + 1] == u'"'; ++i) {
                if (++quotes == 3) {
                    word += u'"';
                    quotes = 0;
                }
            }
            if (quotes == 2) quotes = 0;
            slashes = 0;
        } else {
            word += c;
            slashes = 0;
        }
    }
    if (in_word) words.append(word) += u'\0';
    return words;
}

}  // namespace

SplitLine SplitCommandLine(std::u16string_view line, std::u16string_view program_path) {
    std::size_t start = ProgramNameLength(line, program_path);
    while (start < line.size() && IsBlank(line[start])) ++start;
    SplitLine split;
    split.tail = line.substr(start);
    split.words = SplitWords(split.tail);
    return split;
}

SplitLine ReadProgramArguments(plat::Kernel& kernel) {
    const char16_t* line = kernel.GetCommandLineW();
    // The name is compared while the line is split, so it must live until then.
    const plat::Path program = ModuleFileName(kernel);
    return SplitCommandLine(line != nullptr ? line : u"", program);
}

}  // namespace velmora
