// Stand-in for the system printer-UI installer in the Wine test prefixes (Wine's own does not
// implement /ia). "rundll32 printui.dll,PrintUIEntry /ia /m <model> /f <inf> ..." reads the INF
// from the current directory, finds the model's install section and registers a driver named
// by /m from the files that section names, which must lie beside the INF. Anything missing
// registers nothing.
#include <windows.h>
#include <winspool.h>

#include <cwchar>
#include <cwctype>
#include <map>
#include <string>
#include <vector>

namespace {

using Text = std::wstring;

Text Lower(Text text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

Text Trim(const Text& text) {
    const auto first = text.find_first_not_of(L" \t\r\n");
    if (first == Text::npos) return Text();
    return text.substr(first, text.find_last_not_of(L" \t\r\n") - first + 1);
}

// Command-line words: blanks separate, double quotes group and are removed.
std::vector<Text> Words(const wchar_t* command) {
    std::vector<Text> words;
    Text word;
    bool quoted = false, in_word = false;
    for (const wchar_t* p = command ? command : L""; *p; ++p) {
        if (*p == L'"') {
            quoted = !quoted;
            in_word = true;
        } else if (!quoted && (*p == L' ' || *p == L'\t')) {
            if (in_word) words.push_back(word);
            word.clear();
            in_word = false;
        } else {
            word += *p;
            in_word = true;
        }
    }
    if (in_word) words.push_back(word);
    return words;
}

struct Options {
    bool install_from_inf = false;
    Text model;
    Text inf;
};

Options ParseOptions(const wchar_t* command) {
    Options options;
    const std::vector<Text> words = Words(command);
    for (std::size_t i = 0; i < words.size(); ++i) {
        const Text option = Lower(words[i]);
        const bool has_value = i + 1 < words.size();
        if (option == L"/ia") {
            options.install_from_inf = true;
        } else if (option == L"/m" && has_value) {
            options.model = words[++i];
        } else if (option == L"/f" && has_value) {
            options.inf = words[++i];
        } else if ((option == L"/h" || option == L"/v") && has_value) {
            ++i;  // the current architecture and driver version are used whatever these say
        }
    }
    return options;
}

// The INF's text: UTF-16LE or UTF-8 with a byte-order mark, otherwise the ANSI code page.
bool ReadInf(const Text& path, Text& text) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::string bytes;
    char chunk[4096];
    DWORD read = 0;
    while (::ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) {
        bytes.append(chunk, read);
    }
    ::CloseHandle(file);

    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
        text.assign(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
        return true;
    }
    UINT code_page = CP_ACP;
    std::size_t start = 0;
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        code_page = CP_UTF8;
        start = 3;
    }
    const int length = static_cast<int>(bytes.size() - start);
    text.assign(static_cast<std::size_t>(length), L'\0');
    const int converted =
        ::MultiByteToWideChar(code_page, 0, bytes.data() + start, length, text.data(), length);
    text.resize(static_cast<std::size_t>(converted > 0 ? converted : 0));
    return true;
}

// One INF line: "key = field, field" or just "field, field".
struct Line {
    Text key;
    std::vector<Text> fields;
};
using Sections = std::map<Text, std::vector<Line>>;  // by lower-case section name

std::vector<Text> SplitFields(const Text& text) {
    std::vector<Text> fields;
    Text field;
    bool quoted = false;
    for (const wchar_t c : text) {
        if (c == L'"') {
            quoted = !quoted;
        } else if (c == L',' && !quoted) {
            fields.push_back(Trim(field));
            field.clear();
        } else {
            field += c;
        }
    }
    fields.push_back(Trim(field));
    return fields;
}

Sections ParseInf(const Text& text) {
    Sections sections;
    std::vector<Line>* current = nullptr;
    std::size_t position = 0;
    while (position < text.size()) {
        std::size_t end = text.find(L'\n', position);
        if (end == Text::npos) end = text.size();
        Text line = text.substr(position, end - position);
        position = end + 1;

        bool quoted = false;  // a ';' outside quotes starts a comment
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == L'"') quoted = !quoted;
            if (line[i] == L';' && !quoted) {
                line.erase(i);
                break;
            }
        }
        line = Trim(line);
        if (line.empty()) continue;
        if (line.front() == L'[') {
            const auto close = line.find(L']');
            current = &sections[Lower(
                Trim(line.substr(1, close == Text::npos ? Text::npos : close - 1)))];
            continue;
        }
        if (current == nullptr) continue;
        Line entry;
        const auto equals = line.find(L'=');
        if (equals != Text::npos && line.find(L'"') > equals) {
            entry.key = Trim(line.substr(0, equals));
            line = line.substr(equals + 1);
        }
        entry.fields = SplitFields(line);
        current->push_back(entry);
    }
    return sections;
}

// Replaces %key% with the [Strings] value of that key and %% with %.
Text Substitute(const Sections& sections, const Text& text) {
    const auto strings = sections.find(L"strings");
    Text out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto close = text[i] == L'%' ? text.find(L'%', i + 1) : Text::npos;
        if (close == Text::npos) {
            out += text[i];
            continue;
        }
        const Text key = Lower(text.substr(i + 1, close - i - 1));
        i = close;
        if (key.empty()) {
            out += L'%';
            continue;
        }
        if (strings == sections.end()) continue;
        for (const Line& line : strings->second) {
            if (Lower(line.key) == key && !line.fields.empty()) {
                out += line.fields.front();
                break;
            }
        }
    }
    return out;
}

const std::vector<Line>* Section(const Sections& sections, const Text& name) {
    const auto found = sections.find(Lower(name));
    return found == sections.end() ? nullptr : &found->second;
}

Text Value(const Sections& sections, const std::vector<Line>& section, const wchar_t* key) {
    for (const Line& line : section) {
        if (Lower(line.key) == Lower(key) && !line.fields.empty()) {
            return Substitute(sections, line.fields.front());
        }
    }
    return Text();
}

// The install section of the model: searched in every models section that [Manufacturer]
// names, with each of its decorations.
Text InstallSection(const Sections& sections, const Text& model) {
    const std::vector<Line>* manufacturers = Section(sections, L"Manufacturer");
    if (manufacturers == nullptr) return Text();
    for (const Line& maker : *manufacturers) {
        if (maker.fields.empty()) continue;
        std::vector<Text> names{maker.fields[0]};
        for (std::size_t i = 1; i < maker.fields.size(); ++i) {
            names.push_back(maker.fields[0] + L"." + maker.fields[i]);
        }
        for (const Text& name : names) {
            const std::vector<Line>* models = Section(sections, name);
            if (models == nullptr) continue;
            for (const Line& line : *models) {
                if (Substitute(sections, line.key) == model && !line.fields.empty()) {
                    return line.fields[0];
                }
            }
        }
    }
    return Text();
}

// Every file that the install section's CopyFiles directive names.
std::vector<Text> CopiedFiles(const Sections& sections, const std::vector<Line>& install) {
    std::vector<Text> files;
    for (const Line& line : install) {
        if (Lower(line.key) != L"copyfiles") continue;
        for (const Text& item : line.fields) {
            if (!item.empty() && item[0] == L'@') {
                files.push_back(item.substr(1));
                continue;
            }
            const std::vector<Line>* list = Section(sections, item);
            if (list == nullptr) continue;
            for (const Line& entry : *list) {
                if (!entry.fields.empty() && !entry.fields[0].empty()) {
                    files.push_back(entry.fields[0]);
                }
            }
        }
    }
    return files;
}

bool IsFile(const Text& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool InstallDriver(const Options& options) {
    if (!options.install_from_inf || options.model.empty() || options.inf.empty()) return false;

    wchar_t inf_path[MAX_PATH];
    wchar_t* file_part = nullptr;
    const DWORD length = ::GetFullPathNameW(options.inf.c_str(), MAX_PATH, inf_path, &file_part);
    if (length == 0 || length >= MAX_PATH || file_part == nullptr) return false;
    Text text;
    if (!ReadInf(inf_path, text)) return false;
    const Text directory(inf_path, file_part);

    const Sections sections = ParseInf(text);
    const std::vector<Line>* version = Section(sections, L"Version");
    if (version == nullptr || Lower(Value(sections, *version, L"Class")) != L"printer") {
        return false;
    }
    const std::vector<Line>* install = Section(sections, InstallSection(sections, options.model));
    if (install == nullptr) return false;

    Text driver = Value(sections, *install, L"DriverFile");
    Text data = Value(sections, *install, L"DataFile");
    Text config = Value(sections, *install, L"ConfigFile");
    Text help = Value(sections, *install, L"HelpFile");
    Text datatype = Value(sections, *install, L"DefaultDataType");
    if (driver.empty() || data.empty() || config.empty()) return false;

    std::vector<Text> roles{driver, data, config};
    if (!help.empty()) roles.push_back(help);
    Text dependent;  // full paths, each ended by a null, the list by another
    std::vector<Text> all = roles;
    for (const Text& file : CopiedFiles(sections, *install)) {
        bool has_role = false;
        for (const Text& role : roles) has_role = has_role || Lower(role) == Lower(file);
        if (has_role) continue;
        all.push_back(file);
        dependent += directory + file;
        dependent += L'\0';
    }
    for (const Text& file : all) {
        if (!IsFile(directory + file)) return false;
    }
    dependent += L'\0';

    Text name = options.model;
    driver = directory + driver;
    data = directory + data;
    config = directory + config;
    if (!help.empty()) help = directory + help;

    DRIVER_INFO_3W info{};
    info.cVersion = 3;
    info.pName = name.data();
    info.pDriverPath = driver.data();
    info.pDataFile = data.data();
    info.pConfigFile = config.data();
    info.pHelpFile = help.empty() ? nullptr : help.data();
    info.pDependentFiles = dependent.data();
    info.pDefaultDataType = datatype.empty() ? nullptr : datatype.data();
    return ::AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&info),
                                 APD_COPY_NEW_FILES | APD_COPY_FROM_DIRECTORY) != FALSE;
}

}  // namespace

extern "C" __declspec(dllexport) void CALLBACK
    PrintUIEntryW(HWND, HINSTANCE, LPCWSTR command, int) {
    // The caller cannot see a result, as with the system's installer: a failure shows only in
    // the driver missing afterwards.
    (void)InstallDriver(ParseOptions(command));
}
