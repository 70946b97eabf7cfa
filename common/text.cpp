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

// Writes the UTF-8 of `c` to `out`; returns its length.
std::size_t EncodeUtf8(char32_t c, char* out) {
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    const std::size_t length = c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    for (std::size_t i = length - 1; i > 0; --i, c >>= 6)
        out[i] = static_cast<char>(0x80 | (c & 0x3F));
    out[0] = static_cast<char>((0xF00 >> length) | c);
    return length;
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The UTF-8 of `text`, cut to `limit` bytes between two characters, with the bytes cut off
// counted in `left_out`; with `escape`, control characters written as \xHH.
std::string Convert(std::u16string_view text, bool escape, std::size_t limit,
                    std::size_t& left_out) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    left_out = 0;
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = text[i++];
        char bytes[4];
        std::size_t length = 4;
        if (escape && (c < 0x20 || c == 0x7F)) {
            bytes[0] = '\\', bytes[1] = 'x', bytes[2] = kHex[c >> 4], bytes[3] = kHex[c & 0xF];
        } else {
            if (IsHighSurrogate(char16_t(c)) && i < text.size() && IsLowSurrogate(text[i])) {
                c = 0x10000 + ((c - 0xD800) << 10) + (text[i++] - 0xDC00);
            } else if (IsHighSurrogate(char16_t(c)) || IsLowSurrogate(char16_t(c))) {
                c = 0xFFFD;
            }
            length = EncodeUtf8(c, bytes);
        }
        if (left_out == 0 && out.size() + length <= limit) {
            out.append(bytes, length);
        } else {
            left_out += length;
        }
    }
    return out;
}

}  // namespace

std::string Utf8FromUtf16(std::u16string_view text) {
    std::size_t left_out = 0;
    return Convert(text, false, std::string::npos, left_out);
}

std::string LoggableUtf8(std::u16string_view text, std::size_t limit, std::size_t& left_out) {
    return Convert(text, true, limit, left_out);
}

std::u16string Utf16FromGbk(plat::Kernel& kernel, std::string_view gbk) {
    if (IsAscii(gbk)) return Widen(gbk);
    const int length = static_cast<int>(gbk.size());
    std::u16string wide(gbk.size(), u'\0');  // never more units than bytes
    const int units =
        kernel.MultiByteToWideChar(plat::kCodePageGbk, 0, gbk.data(), length, wide.data(), length);
    wide.resize(units > 0 ? static_cast<std::size_t>(units) : 0);
    return wide;
}

std::string Utf8FromGbk(plat::Kernel& kernel, std::string_view gbk) {
    return IsAscii(gbk) ? std::string(gbk) : Utf8FromUtf16(Utf16FromGbk(kernel, gbk));
}

std::u16string Widen(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

}  // namespace velmora
