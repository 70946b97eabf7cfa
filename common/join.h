// A text made of parts in one go: one allocation and one call, where a chain of string additions
// makes a temporary string, and the code to destroy it, for every part. Narrow texts and UTF-16
// paths alike.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace velmora {

std::string Join(std::initializer_list<std::string_view> parts);
std::u16string Join(std::initializer_list<std::u16string_view> parts);

}  // namespace velmora
