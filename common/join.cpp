// Joining texts.
#include "common/join.h"

namespace velmora {
namespace {

template <typename Char>
std::basic_string<Char> JoinParts(std::initializer_list<std::basic_string_view<Char>> parts) {
    std::size_t size = 0;
    for (const auto part : parts) size += part.size();
    std::basic_string<Char> text;
    text.reserve(size);
    for (const auto part : parts) text.append(part.data(), part.size());
    return text;
}

}  // namespace

std::string Join(std::initializer_list<std::string_view> parts) { return JoinParts(parts); }
std::u16string Join(std::initializer_list<std::u16string_view> parts) { return JoinParts(parts); }

}  // namespace velmora
