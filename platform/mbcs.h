// Code page 936 (GBK) byte rules: a lead byte always takes the next byte with it, so a trail byte
// is never read as an ASCII character of its own; and the one ASCII case fold.
#pragma once

#include <cstddef>
#include <string_view>

namespace plat {

inline bool IsGbkLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

// An ASCII letter in upper case; any other character, or byte, as it is.
template <typename Char>
constexpr Char FoldAscii(Char c) {
    return c >= 'a' && c <= 'z' ? static_cast<Char>(c - 'a' + 'A') : c;
}

// Whether two names are the same as the spooler matches them: ASCII letters without regard to
// case, every byte of a double-byte character exactly (its trail byte may be the code of a
// letter).
inline bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (IsGbkLeadByte(x) && i + 1 < a.size()) {
            if (x != y || a[i + 1] != b[i + 1]) return false;
            ++i;
        } else if (FoldAscii(x) != FoldAscii(y)) {
            return false;
        }
    }
    return true;
}

}  // namespace plat
