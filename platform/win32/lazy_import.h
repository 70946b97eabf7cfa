// System functions looked up in their DLL on first use. The program's start then loads only
// the DLLs every mode needs (the dialog never reaches the spooler or WinINet), and a DLL that
// cannot be loaded fails only the call that needed it, with the loader's last error. Only the
// addresses are kept, zero until looked up: the names come with the types and the calls, so the
// program starts with no writable data of its own to load.
#pragma once

#include <windows.h>

#include <atomic>
#include <type_traits>

namespace plat::win32 {

// The function's address in the system DLL `dll`, which is loaded by its full path into `module`
// the first time; null with the last error the loader left when either cannot be had.
::FARPROC FindInSystemDll(const char* dll, std::atomic<::HMODULE>& module, const char* function);

// A DLL of the system directory, named `Name`, loaded by its first lookup and kept for the
// process.
template <const char* Name>
class LazyDll {
  public:
    ::FARPROC Find(const char* function) { return FindInSystemDll(Name, module_, function); }

  private:
    std::atomic<::HMODULE> module_;  // null: the objects are static, so zero-initialised
};

// One function of `Dll`. `Function` is the type of the SDK's declaration, e.g.
// decltype(&::AddPrinterW), so calls through it keep the declared calling convention (stdcall
// on 32-bit Windows).
template <typename Function, auto& Dll>
class LazyFunction {
  public:
    // Calls the function `name` with `args`, or gives `failed` with the loader's last error when
    // it cannot be had (a function without a result is then not called).
    template <typename Failed, typename... Args>
    auto CallOr(const char* name, Failed failed, Args... args) {
        ::FARPROC address = address_.load(std::memory_order_acquire);
        if (address == nullptr) {
            address = Dll.Find(name);
            address_.store(address, std::memory_order_release);
        }
        // Through the generic function type, which converts to any other without a warning.
        const auto function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
        if constexpr (std::is_void_v<std::invoke_result_t<Function, Args...>>) {
            (void)failed;
            if (function != nullptr) function(args...);
        } else {
            return function != nullptr ? function(args...) : failed;
        }
    }

  private:
    std::atomic<::FARPROC> address_;  // null: the objects are static, so zero-initialised
};

}  // namespace plat::win32
