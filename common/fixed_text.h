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

// Puts the parts into the `size` bytes at `buffer`, or leaves an empty text there and returns
// false when they would not fit with their terminator.
inline bool ComposeInto(char* buffer, std::size_t size, std::initializer_list<const char*> parts) {
    if (size == 0) return false;
    buffer[0] = '\0';
    std::size_t total = 0;
    for (const char* part : parts) total += std::strlen(part);
    if (total >= size) return false;
    for (const char* part : parts) {
        const std::size_t n = std::strlen(part);
        std::memcpy(buffer, part, n);
        buffer += n;
    }
    *buffer = '\0';
    return true;
}

// Appends every part to the text already in `buffer`, or changes nothing and returns false
// when the result with its terminator would not fit (or the buffer holds no terminator).
template <std::size_t N>
bool AppendAll(char (&buffer)[N], std::initializer_list<const char*> parts) {
    const std::size_t length = BoundedLength(buffer);
    return length < N && ComposeInto(buffer + length, N - length, parts);
}

// Puts the parts into `buffer` in place of its text, or leaves it empty when they do not fit.
template <std::size_t N>
bool ComposeAll(char (&buffer)[N], std::initializer_list<const char*> parts) {
    return ComposeInto(buffer, N, parts);
}

// The Windows directory in `buffer`; false when the query failed or the path did not fit
// (the query then returns the size it would need and fills nothing).
template <std::size_t N>
bool QueryWindowsDirectory(plat::Kernel& kernel, char (&buffer)[N]) {
    buffer[0] = '\0';
    const unsigned length = kernel.GetWindowsDirectoryA(buffer, static_cast<unsigned>(N));
    return length != 0 && length < N && BoundedLength(buffer) == length;
}

// The full path of a file of the system directory in `buffer`, as the system should be asked for
// its own programs and DLLs: a bare name is looked for in the program's folder first. When it
// cannot be had, the last-error value says why: the system's own after a failed query, else an
// insufficient buffer.
template <std::size_t N>
bool QuerySystemFilePath(plat::Kernel& kernel, const char* name, char (&buffer)[N]) {
    buffer[0] = '\0';
    const unsigned length = kernel.GetSystemDirectoryA(buffer, static_cast<unsigned>(N));
    if (length == 0) return false;
    if (length >= N || BoundedLength(buffer) != length || !AppendAll(buffer, {"\\", name})) {
        kernel.SetLastError(plat::kErrorInsufficientBuffer);
        return false;
    }
    return true;
}

}  // namespace velmora
