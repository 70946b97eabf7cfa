// The adapters' one conversion between the program's texts, code page 936 whatever the system's
// ANSI code page, and the UTF-16 of the system's W functions.
#pragma once

#include <windows.h>

#include <memory>

namespace plat::win32 {

// The UTF-16 form of a code page 936 text, for one call; a null text stays null. With a
// `length`, that many bytes, zeros included (a list of texts ended by an empty one). A text that
// cannot be converted (code page 936 missing, bytes that are no text of it) is not ok(): the call
// it was meant for must fail rather than be given an empty text.
class Wide {
  public:
    explicit Wide(const char* gbk, int length = -1);
    Wide(const Wide&) = delete;
    Wide& operator=(const Wide&) = delete;
    bool ok() const { return ok_; }
    // Null-terminated; writable, as CreateProcessW wants its command line.
    wchar_t* get() const { return text_; }

  private:
    wchar_t local_[MAX_PATH];
    std::unique_ptr<wchar_t[]> heap_;
    wchar_t* text_ = nullptr;
    bool ok_ = true;
};

// Fails the call a text could not be converted for: false with the last error the conversion
// left (1113 when it left none).
BOOL Unconvertible();

// Writes the form in `code_page` of `length` UTF-16 units (-1: up to the terminator) into
// `buffer` of `size` bytes with a terminator. Returns the bytes written without it, or 0 with the
// last error 122 when it does not fit, or 1113 (ERROR_NO_UNICODE_TRANSLATION) when the code page
// cannot hold a character, rather than a look-alike or a '?': the program never acts on, nor
// saves, a name that is not the one the system or the user gave.
::DWORD ToCodePage(UINT code_page, const wchar_t* text, int length, char* buffer, ::DWORD size);

// The program's own texts: code page 936.
inline ::DWORD ToGbk(const wchar_t* text, int length, char* buffer, ::DWORD size) {
    return ToCodePage(936, text, length, buffer, size);
}

// Where the texts of a record the spooler takes or gives lie: byte offsets of their pointers.
struct TextFields {
    const unsigned* offsets;
    int count;
};

// A copy of a record whose text fields point to the UTF-16 forms of the original's code page
// 936 texts, all in one block, for the W function that takes the record; not ok() when a text
// cannot be converted.
class WideRecord {
  public:
    WideRecord(const void* record, unsigned size, TextFields fields);
    bool ok() const { return block_ != nullptr; }
    BYTE* get() const { return block_.get(); }

  private:
    std::unique_ptr<BYTE[]> block_;
};

// Copies `count` records of `size` bytes that a W function filled in at `wide` into `out`
// (`out_size` bytes), each text field turned into code page 936 and stored after the records.
// False, with the last error 122 or 1113, when they do not fit or cannot be held.
BOOL NarrowRecords(const BYTE* wide, ::DWORD count, unsigned size, TextFields fields, BYTE* out,
                   ::DWORD out_size);

}  // namespace plat::win32
