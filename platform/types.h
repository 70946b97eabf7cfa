// Windows-shaped scalar and handle types for the portable core, which never sees <windows.h>.
#pragma once

#include <cstdint>
#include <string>

namespace plat {

using BOOL = int;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using WORD = std::uint16_t;
using BYTE = std::uint8_t;

// Opaque handles: the core only stores, compares and hands them back.
using HANDLE = void*;

constexpr BOOL kTrue = 1;
constexpr BOOL kFalse = 0;

constexpr DWORD kErrorSuccess = 0;
constexpr DWORD kErrorFileNotFound = 2;
constexpr DWORD kErrorAccessDenied = 5;
constexpr DWORD kErrorInsufficientBuffer = 122;
constexpr DWORD kErrorNoUnicodeTranslation = 1113;
constexpr DWORD kErrorPrinterAlreadyExists = 1802;
constexpr DWORD kInfinite = 0xFFFFFFFFu;

constexpr DWORD kErrorAlreadyExists = 183;

constexpr unsigned kMaxPath = 260;

// A file system path exactly as the system gave it: UTF-16, so that a folder named in any language
// (a user name with ñ, ß or Hangul in the temporary folder or Downloads) reaches the system again
// unchanged, whatever the ANSI code page. The program's own texts stay code page 936.
using Path = std::u16string;

}  // namespace plat
