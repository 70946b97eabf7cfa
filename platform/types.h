// Windows-shaped scalar and handle types for the portable core, which never sees <windows.h>.
#pragma once

#include <cstdint>

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

constexpr unsigned kMaxPath = 260;

}  // namespace plat
