// Narrow texts composed in fixed-size buffers: a part that would not fit is refused whole,
// so nothing is ever written past a buffer and no truncated path is ever used.
#pragma once

#include <cstddef>
#include <cstring>
#include <initializer_list>

#include "platform/kernel.h"

namespace velmora {

// Length of the text in `buffer`, or N when the buffer holds no terminator.
template <std::size_t N>
std::size_t BoundedLength(const char (&buffer)[N]) {
    const void* end = std::memchr(buffer, '\0', N);
    return end ? static_cast<std::size_t>(static_cast<const char*>(end) - buffer) : N;
}

// Appends every part to the text already in `buffer`, or changes nothing and returns false
// when the result with its terminator would not fit (or the buffer holds no terminator).
template <std::size_t N>
bool AppendAll(char (&buffer)[N], std::initializer_list<const char*> parts) {
    std::size_t length = BoundedLength(buffer);
    if (length == N) return false;
    std::size_t total = length;
    for (const char* part : parts) total += std::strlen(part);
    if (total >= N) return false;
    for (const char* part : parts) {
        const std::size_t n = std::strlen(part);
        std::memcpy(buffer + length, part, n);
        length += n;
    }
    buffer[length] = '\0';
    return true;
}

// Puts the parts into `buffer` in place of its text, or leaves it empty when they do not fit.
template <std::size_t N>
bool ComposeAll(char (&buffer)[N], std::initializer_list<const char*> parts) {
    buffer[0] = '\0';
    return AppendAll(buffer, parts);
}

// The Windows directory in `buffer`; false when the query failed or the path did not fit
// (the query then returns the size it would need and fills nothing).
template <std::size_t N>
bool QueryWindowsDirectory(plat::Kernel& kernel, char (&buffer)[N]) {
    buffer[0] = '\0';
    const unsigned length = kernel.GetWindowsDirectoryA(buffer, static_cast<unsigned>(N));
    return length != 0 && length < N && BoundedLength(buffer) == length;
}

}  // namespace velmora
