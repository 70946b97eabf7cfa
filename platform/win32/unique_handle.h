// RAII holders for raw Win32 handles used outside the portable core (entry point, test tools).
#pragma once

#include <windows.h>
#include <winspool.h>

#include "platform/unique_any.h"

namespace plat::win32 {

struct CloseHandleFn {
    void operator()(::HANDLE h) const { ::CloseHandle(h); }
};
struct CloseServiceFn {
    void operator()(::SC_HANDLE h) const { ::CloseServiceHandle(h); }
};
struct ClosePrinterFn {
    void operator()(::HANDLE h) const { ::ClosePrinter(h); }
};
struct CloseKeyFn {
    void operator()(::HKEY h) const { ::RegCloseKey(h); }
};

using UniqueHandle = UniqueAny<::HANDLE, CloseHandleFn>;
using UniqueServiceHandle = UniqueAny<::SC_HANDLE, CloseServiceFn>;
using UniquePrinterHandle = UniqueAny<::HANDLE, ClosePrinterFn>;
using UniqueKey = UniqueAny<::HKEY, CloseKeyFn>;

}  // namespace plat::win32
