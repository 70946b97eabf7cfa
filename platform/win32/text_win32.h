// The adapters' one conversion between the program's texts, code page 936 whatever the system's
// ANSI code page, and the UTF-16 of the system's W functions.
#pragma once

#include <windows.h>

namespace plat::win32 {

// The UTF-16 form of a code page 936 text, for one call; a null text stays null.
class Wide {
  public:
    explicit Wide(const char* gbk);
    Wide(const Wide&) = delete;
    Wide& operator=(const Wide&) = delete;
    ~Wide() { delete[] heap_; }
    // Null-terminated; writable, as CreateProcessW wants its command line.
    wchar_t* get() const { return text_; }

  private:
    wchar_t local_[MAX_PATH];
    wchar_t* heap_ = nullptr;
    wchar_t* text_ = nullptr;
};

// Writes the code page 936 form of `length` UTF-16 units (-1: up to the terminator) into `buffer`
// of `size` bytes with a terminator. Returns the bytes written without it, or 0 with the last
// error 122 when it does not fit, or 1113 (ERROR_NO_UNICODE_TRANSLATION) when code page 936
// cannot hold a character: the program never acts on a name with a '?' in it.
::DWORD ToGbk(const wchar_t* text, int length, char* buffer, ::DWORD size);

}  // namespace plat::win32
