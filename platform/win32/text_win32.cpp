// Conversions between code page 936 and UTF-16, named by code page: the system's ANSI code page
// is 1252 on an English Windows, 950 on a Traditional Chinese one.
#include "platform/win32/text_win32.h"

namespace plat::win32 {

constexpr UINT kGbk = 936;

Wide::Wide(const char* gbk) {
    if (gbk == nullptr) return;
    text_ = local_;
    const int needed = ::MultiByteToWideChar(kGbk, 0, gbk, -1, nullptr, 0);
    if (needed > MAX_PATH) text_ = heap_ = new wchar_t[static_cast<unsigned>(needed)];
    // The program's own texts are valid code page 936; a failure leaves the empty text.
    if (needed <= 0 || ::MultiByteToWideChar(kGbk, 0, gbk, -1, text_, needed) == 0) text_[0] = 0;
}

::DWORD ToGbk(const wchar_t* text, int length, char* buffer, ::DWORD size) {
    if (size == 0) return 0;
    buffer[0] = '\0';
    BOOL lossy = FALSE;
    const int written = ::WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, text, length, buffer,
                                              static_cast<int>(size), nullptr, &lossy);
    if (lossy) {
        buffer[0] = '\0';
        ::SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (written <= 0) return 0;  // ERROR_INSUFFICIENT_BUFFER
    // With length -1 the terminator is among the bytes written; without, it is added here.
    ::DWORD bytes = static_cast<::DWORD>(written);
    if (length < 0) return bytes - 1;
    if (bytes == size) {
        buffer[0] = '\0';
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    buffer[bytes] = '\0';
    return bytes;
}

}  // namespace plat::win32
