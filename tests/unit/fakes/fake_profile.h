// A pretend private-profile store: INI files kept as lines in memory, read and written with the
// system's rules (names match without regard to case, a present empty value is not the
// default, reads are cut to the buffer, every other line of a file is kept as it was). Each
// private-profile call can be failed through a FaultPlan: a read then behaves as if the file
// could not be opened, a write changes nothing.
#pragma once

#include <gmock/gmock.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "fakes/fault_plan.h"
#include "platform/profile.h"

namespace fakes {

class FakeProfile : public plat::Profile, public Faultable {
  public:
    struct Write {
        std::string file;
        std::string section;
        std::string key;
        std::string value;
    };
    std::vector<Write> writes;  // every WritePrivateProfileStringA call, in order

    // The file's lines joined with "\n"; empty for a file that does not exist.
    std::string Text(const std::string& file) const {
        auto it = files_.find(Lower(file));
        if (it == files_.end()) return std::string();
        std::string text;
        for (const auto& line : it->second) text += line + "\n";
        return text;
    }
    bool Exists(const std::string& file) const { return files_.count(Lower(file)) != 0; }
    void SetText(const std::string& file, const std::string& text) {
        auto& lines = files_[Lower(file)];
        lines.clear();
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
    }

    unsigned GetPrivateProfileIntA(const char* section, const char* key, int default_value,
                                   const char* file) override {
        const auto value = Injected(std::string("GetPrivateProfileIntA ") + key)
                               ? std::nullopt
                               : Find(file, section, key);
        if (!value) return static_cast<unsigned>(default_value);
        unsigned result = 0;
        for (char c : *value) {
            if (c < '0' || c > '9') break;
            result = result * 10 + static_cast<unsigned>(c - '0');
        }
        return result;
    }

    plat::DWORD GetPrivateProfileStringA(const char* section, const char* key,
                                         const char* default_value, char* buffer, plat::DWORD size,
                                         const char* file) override {
        if (size == 0) return 0;
        const auto value = Injected(std::string("GetPrivateProfileStringA ") + key)
                               ? std::nullopt
                               : Find(file, section, key);
        const std::string text = value ? *value : (default_value ? default_value : "");
        const std::size_t n = std::min<std::size_t>(text.size(), size - 1);
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
        return static_cast<plat::DWORD>(n);
    }

    // A null value deletes the key, a null key the whole section.
    plat::BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                          const char* file) override {
        writes.push_back({file, section, key ? key : "(null)", value ? value : "(null)"});
        if (Injected(std::string("WritePrivateProfileStringA ") + (key ? key : "(null)"))) {
            return plat::kFalse;
        }
        auto& lines = files_[Lower(file)];
        auto [begin, end] = SectionRange(lines, section);
        if (begin == lines.size()) {
            if (key == nullptr || value == nullptr) return plat::kTrue;
            lines.push_back(std::string("[") + section + "]");
            lines.push_back(std::string(key) + "=" + value);
            return plat::kTrue;
        }
        if (key == nullptr) {
            lines.erase(lines.begin() + static_cast<long>(begin),
                        lines.begin() + static_cast<long>(end));
            return plat::kTrue;
        }
        std::size_t last_content = begin;
        for (std::size_t i = begin + 1; i < end; ++i) {
            std::string name;
            if (SplitKey(lines[i], &name, nullptr) && Equal(name, key)) {
                if (value == nullptr) {
                    lines.erase(lines.begin() + static_cast<long>(i));
                } else {
                    lines[i] = name + "=" + value;
                }
                return plat::kTrue;
            }
            if (!Trim(lines[i]).empty()) last_content = i;
        }
        if (value != nullptr) {
            lines.insert(lines.begin() + static_cast<long>(last_content + 1),
                         std::string(key) + "=" + value);
        }
        return plat::kTrue;
    }

    // The win.ini side of the interface is not modelled here.
    MOCK_METHOD(plat::BOOL, WriteProfileStringA, (const char*, const char*, const char*),
                (override));
    MOCK_METHOD(std::intptr_t, SendMessageTimeoutA,
                (plat::HWND, unsigned, std::uintptr_t, std::intptr_t, unsigned, unsigned,
                 std::uintptr_t*),
                (override));

  private:
    static std::string Lower(std::string text) {
        for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    }
    static bool Equal(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }
    static std::string Trim(const std::string& text) {
        const auto first = text.find_first_not_of(" \t\r");
        if (first == std::string::npos) return std::string();
        const auto last = text.find_last_not_of(" \t\r");
        return text.substr(first, last - first + 1);
    }
    static bool IsSectionHeader(const std::string& line, std::string* name) {
        const std::string text = Trim(line);
        if (text.empty() || text[0] != '[') return false;
        const auto close = text.find(']');
        if (name) *name = Trim(text.substr(1, close == std::string::npos ? close : close - 1));
        return true;
    }
    // A "name=value" line; comment lines are not keys.
    static bool SplitKey(const std::string& line, std::string* name, std::string* value) {
        const std::string text = Trim(line);
        if (text.empty() || text[0] == ';' || text[0] == '[') return false;
        const auto equals = line.find('=');
        if (equals == std::string::npos) return false;
        if (name) *name = Trim(line.substr(0, equals));
        if (value) *value = Trim(line.substr(equals + 1));
        return true;
    }
    // [header line, end) of the section, or {size, size} when it is absent.
    static std::pair<std::size_t, std::size_t> SectionRange(const std::vector<std::string>& lines,
                                                            const char* section) {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            std::string name;
            if (!IsSectionHeader(lines[i], &name) || !Equal(name, section)) continue;
            std::size_t end = i + 1;
            while (end < lines.size() && !IsSectionHeader(lines[end], nullptr)) ++end;
            return {i, end};
        }
        return {lines.size(), lines.size()};
    }
    std::optional<std::string> Find(const char* file, const char* section, const char* key) const {
        auto it = files_.find(Lower(file));
        if (it == files_.end()) return std::nullopt;
        const auto& lines = it->second;
        const auto [begin, end] = SectionRange(lines, section);
        for (std::size_t i = begin + 1; i < end; ++i) {
            std::string name, value;
            if (SplitKey(lines[i], &name, &value) && Equal(name, key)) return value;
        }
        return std::nullopt;
    }

    std::map<std::string, std::vector<std::string>> files_;  // by lower-case file name
};

}  // namespace fakes
