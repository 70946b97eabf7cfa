// UTF-8 and JSON string forms of wide texts, for the tools' one-line JSON answers.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace tools {

inline std::string Utf8(const wchar_t* text) {
    if (text == nullptr) return std::string();
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return std::string();
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.pop_back();
    return out;
}

// A JSON string, or null for a missing text.
inline std::string Json(const wchar_t* text) {
    if (text == nullptr) return "null";
    std::string out = "\"";
    for (const char c : Utf8(text)) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace tools
