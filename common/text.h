// Texts between the program's own code page 936, the system's UTF-16 and the log's UTF-8: the one
// conversion of the core for each direction it needs.
#pragma once

#include <string>
#include <string_view>

#include "platform/kernel.h"

namespace velmora {

// UTF-8 of a UTF-16 text; an unpaired surrogate (Windows allows them in names) becomes U+FFFD.
// With `escape_controls`, control characters are written as \xHH so that no line of the log
// comes from outside.
std::string Utf8FromUtf16(std::u16string_view text, bool escape_controls = false);

// UTF-8 of a code page 936 text, converted by the system; ASCII passes as it is, so it needs no
// code page at all. Bytes that are no code page 936 text become what the system makes of them.
std::string Utf8FromGbk(plat::Kernel& kernel, std::string_view gbk);

// The code page 936 form of a UTF-16 text; false when that code page cannot hold every
// character (no look-alike or '?' is ever taken for a name).
bool GbkFromUtf16(plat::Kernel& kernel, std::u16string_view text, std::string& gbk);

// An ASCII text as UTF-16.
std::u16string Widen(std::string_view ascii);

}  // namespace velmora
