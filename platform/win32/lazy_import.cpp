// Loading a system DLL by its full path on first use.
#include "platform/win32/lazy_import.h"

#include <cstring>

namespace plat::win32 {

::FARPROC LazyDll::Find(const char* function) {
    ::HMODULE module = module_.load(std::memory_order_acquire);
    if (module == nullptr) {
        // By full path: a bare name would be searched for in the program's own directory first,
        // where a planted copy would run with the installer's rights.
        char path[MAX_PATH];
        const UINT length = ::GetSystemDirectoryA(path, MAX_PATH);
        if (length == 0) return nullptr;
        if (length + 1 + std::strlen(name_) >= MAX_PATH) {
            ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return nullptr;
        }
        path[length] = '\\';
        std::strcpy(path + length + 1, name_);
        module = ::LoadLibraryA(path);
        if (module == nullptr) return nullptr;
        // A thread that lost a race to load it holds one more reference; both stay loaded.
        module_.store(module, std::memory_order_release);
    }
    return ::GetProcAddress(module, function);
}

}  // namespace plat::win32
