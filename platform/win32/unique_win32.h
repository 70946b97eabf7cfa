// Owners of raw Win32 handles for the programs that call the system themselves, the Wine test
// tools and the benchmark, on the same UniqueAny as the program's own handles.
#pragma once

#include <windows.h>
#include <winspool.h>

#include "platform/unique_any.h"

namespace plat::win32 {

// The calls that release them.
struct Releaser {
    BOOL CloseHandle(::HANDLE handle) { return ::CloseHandle(handle); }
    BOOL ClosePrinter(::HANDLE printer) { return ::ClosePrinter(printer); }
};
inline Releaser g_releaser;

using UniqueWin32Handle = UniqueAny<Releaser, ::HANDLE, &Releaser::CloseHandle>;
using UniqueWin32File = UniqueAny<Releaser, ::HANDLE, &Releaser::CloseHandle, ~std::uintptr_t{0}>;
using UniqueWin32Printer = UniqueAny<Releaser, ::HANDLE, &Releaser::ClosePrinter>;

}  // namespace plat::win32
