// UTF-16 to UTF-8 by hand; code page 936 through the system's conversions.
#include "common/text.h"

namespace velmora {
namespace {

bool IsAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += {static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
    } else if (c < 0x10000) {
        out += {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
                static_cast<char>(0x80 | (c & 0x3F))};
    } else {
        out += {static_cast<char>(0xF0 | c >> 18), static_cast<char>(0x80 | (c >> 12 & 0x3F)),
                static_cast<char>(0x80 | (c >> 6 & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
    }
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

std::string Utf8FromUtf16(std::u16string_view text, bool escape_controls) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (escape_controls && (c < 0x20 || c == 0x7F)) {
            static const char kHex[] = "0123456789ABCDEF";
            out += {'\\', 'x', kHex[c >> 4], kHex[c & 0xF]};
            continue;
        }
        if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::string Utf8FromGbk(plat::Kernel& kernel, std::string_view gbk) {
    if (IsAscii(gbk)) return std::string(gbk);
    const int length = static_cast<int>(gbk.size());
    std::u16string wide(gbk.size(), u'\0');  // never more units than bytes
    const int units =
        kernel.MultiByteToWideChar(plat::kCodePageGbk, 0, gbk.data(), length, wide.data(), length);
    wide.resize(units > 0 ? static_cast<std::size_t>(units) : 0);
    return Utf8FromUtf16(wide);
}

bool GbkFromUtf16(plat::Kernel& kernel, std::u16string_view text, std::string& gbk) {
    gbk.assign(text.size() * 2, '\0');  // never more than two bytes a unit
    plat::BOOL lossy = plat::kFalse;
    const int bytes = text.empty() ? 0
                                   : kernel.WideCharToMultiByte(
                                         plat::kCodePageGbk, plat::kWcNoBestFitChars, text.data(),
                                         static_cast<int>(text.size()), gbk.data(),
                                         static_cast<int>(gbk.size()), nullptr, &lossy);
    const bool held = !lossy && (bytes > 0 || text.empty());
    gbk.resize(held ? static_cast<std::size_t>(bytes) : 0);
    return held;
}

std::u16string Widen(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

}  // namespace velmora
