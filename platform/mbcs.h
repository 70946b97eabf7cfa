// Code page 936 (GBK) byte rules: a lead byte always takes the next byte with it, so a
// trail byte of 0x5C is never a path separator.
#pragma once

#include <cstddef>

namespace plat {

inline bool IsGbkLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

// Offset of the first separating backslash at or after `from`, or npos.
inline std::size_t FindBackslash(const char* text, std::size_t length, std::size_t from = 0) {
    for (std::size_t i = from; i < length; ++i) {
        if (IsGbkLeadByte(static_cast<unsigned char>(text[i]))) {
            ++i;
        } else if (text[i] == '\\') {
            return i;
        }
    }
    return static_cast<std::size_t>(-1);
}

}  // namespace plat
