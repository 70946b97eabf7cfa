// Conversions between code page 936 and UTF-16, named by code page: the system's ANSI code page
// is 1252 on an English Windows, 950 on a Traditional Chinese one.
#include "platform/win32/text_win32.h"

#include <string>

namespace plat::win32 {
namespace {

constexpr UINT kGbk = 936;

// The UTF-16 units `text` (with its terminator when `length` is -1) takes, written to `out` when
// it is given; 0 when it is no code page 936 text. ASCII is the same in every code page, so it
// needs no code page at all: the English box that says code page 936 is missing still reads.
int Convert(const char* text, int length, wchar_t* out, int room) {
    const int bytes =
        length < 0 ? static_cast<int>(std::char_traits<char>::length(text)) + 1 : length;
    bool ascii = true;
    for (int i = 0; i < bytes && ascii; ++i) ascii = static_cast<unsigned char>(text[i]) < 0x80;
    if (!ascii) return ::MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, text, bytes, out, room);
    if (out != nullptr) {
        if (room < bytes) return 0;
        for (int i = 0; i < bytes; ++i) out[i] = static_cast<unsigned char>(text[i]);
    }
    return bytes;
}

}  // namespace

Wide::Wide(const char* gbk, int length) {
    if (gbk == nullptr) return;
    text_ = local_;
    const int needed = Convert(gbk, length, nullptr, 0);
    if (needed > MAX_PATH) {
        heap_.reset(new wchar_t[static_cast<unsigned>(needed)]);
        text_ = heap_.get();
    }
    ok_ = needed > 0 && Convert(gbk, length, text_, needed) == needed;
    if (!ok_) text_[0] = 0;
}

BOOL Unconvertible() {
    if (::GetLastError() == ERROR_SUCCESS) ::SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return FALSE;
}

::DWORD ToCodePage(UINT code_page, const wchar_t* text, int length, char* buffer, ::DWORD size) {
    if (size == 0) return 0;
    buffer[0] = '\0';
    BOOL lossy = FALSE;
    // UTF-8 (an ANSI code page Windows 10 can be set to) holds every character, and the call
    // takes neither the flag nor the question for it.
    const bool utf8 = (code_page == CP_ACP ? ::GetACP() : code_page) == CP_UTF8;
    const int written =
        ::WideCharToMultiByte(code_page, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, text, length, buffer,
                              static_cast<int>(size), nullptr, utf8 ? nullptr : &lossy);
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

WideRecord::WideRecord(const void* record, unsigned size, TextFields fields) {
    const auto* original = static_cast<const BYTE*>(record);
    const auto text_at = [&](int i) {
        const char* text = nullptr;
        ::CopyMemory(&text, original + fields.offsets[i], sizeof text);
        return text;
    };
    unsigned total = size;
    for (int i = 0; i < fields.count; ++i) {
        if (const char* text = text_at(i)) {
            const int units = Convert(text, -1, nullptr, 0);
            if (units <= 0) return;  // not ok: no block
            total += static_cast<unsigned>(units) * sizeof(wchar_t);
        }
    }
    std::unique_ptr<BYTE[]> block(new BYTE[total]());
    ::CopyMemory(block.get(), original, size);
    auto* next = reinterpret_cast<wchar_t*>(block.get() + size);
    for (int i = 0; i < fields.count; ++i) {
        const char* text = text_at(i);
        wchar_t* wide = text != nullptr ? next : nullptr;
        ::CopyMemory(block.get() + fields.offsets[i], &wide, sizeof wide);
        if (text == nullptr) continue;
        const int room =
            static_cast<int>((block.get() + total - reinterpret_cast<BYTE*>(next)) / 2);
        const int units = Convert(text, -1, next, room);
        if (units <= 0) return;
        next += units;
    }
    block_ = std::move(block);
}

BOOL NarrowRecords(const BYTE* wide, ::DWORD count, unsigned size, TextFields fields, BYTE* out,
                   ::DWORD out_size) {
    if (static_cast<unsigned long long>(count) * size > out_size) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    ::CopyMemory(out, wide, count * size);
    ::DWORD used = count * size;
    for (::DWORD record = 0; record < count; ++record) {
        for (int i = 0; i < fields.count; ++i) {
            BYTE* field = out + record * size + fields.offsets[i];
            const wchar_t* text = nullptr;
            ::CopyMemory(&text, field, sizeof text);
            char* narrow = text != nullptr ? reinterpret_cast<char*>(out + used) : nullptr;
            ::CopyMemory(field, &narrow, sizeof narrow);
            if (text == nullptr) continue;
            if (used >= out_size) {
                ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
                return FALSE;
            }
            const ::DWORD bytes = ToGbk(text, -1, narrow, out_size - used);
            if (bytes == 0 && text[0] != 0) return FALSE;
            used += bytes + 1;
        }
    }
    return TRUE;
}

}  // namespace plat::win32
