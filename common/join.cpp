// Joining texts.
#include "common/join.h"

namespace velmora {

std::string Join(std::initializer_list<std::string_view> parts) {
    std::size_t size = 0;
    for (const std::string_view part : parts) size += part.size();
    std::string text;
    text.reserve(size);
    for (const std::string_view part : parts) text.append(part.data(), part.size());
    return text;
}

}  // namespace velmora
