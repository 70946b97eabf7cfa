// Loading a system DLL by its full path on first use.
#include "platform/win32/lazy_import.h"

#include <cstring>

namespace plat::win32 {

::FARPROC FindInSystemDll(const char* dll, std::atomic<::HMODULE>& loaded, const char* function) {
    ::HMODULE module = loaded.load(std::memory_order_acquire);
    if (module == nullptr) {
        // By full path: a bare name would be searched for in the program's own directory first,
        // where a planted copy would run with the installer's rights.
        wchar_t path[MAX_PATH];
        const UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
        if (length == 0) return nullptr;
        const std::size_t name_length = std::strlen(dll);
        if (length + 1 + name_length >= MAX_PATH) {
            ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return nullptr;
        }
        path[length] = L'\\';
        // The DLLs' names are ASCII.
        for (std::size_t i = 0; i <= name_length; ++i) path[length + 1 + i] = dll[i];
        module = ::LoadLibraryW(path);
        if (module == nullptr) return nullptr;
        // A thread that lost a race to load it holds one more reference; both stay loaded.
        loaded.store(module, std::memory_order_release);
    }
    return ::GetProcAddress(module, function);
}

}  // namespace plat::win32
