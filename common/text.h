// Texts between the program's own code page 936, the system's UTF-16 and the log's UTF-8: the one
// conversion of the core for each direction it needs.
#pragma once

#include <string>
#include <string_view>

#include "platform/kernel.h"

namespace velmora {

// UTF-8 of a UTF-16 text; an unpaired surrogate (Windows allows them in names) becomes U+FFFD.
std::string Utf8FromUtf16(std::u16string_view text);

// Text from outside (the command line) as UTF-8 fit for one log line: control characters written
// as \xHH so that none can start a line of its own, cut to at most `limit` bytes between two
// characters; `left_out` receives how many bytes of it were cut off.
std::string LoggableUtf8(std::u16string_view text, std::size_t limit, std::size_t& left_out);

// UTF-16 of a code page 936 text, converted by the system; ASCII passes as it is, so it needs no
// code page at all. Bytes that are no code page 936 text become what the system makes of them.
std::u16string Utf16FromGbk(plat::Kernel& kernel, std::string_view gbk);

// UTF-8 of a code page 936 text, as above.
std::string Utf8FromGbk(plat::Kernel& kernel, std::string_view gbk);

// An ASCII text as UTF-16.
std::u16string Widen(std::string_view ascii);

}  // namespace velmora
