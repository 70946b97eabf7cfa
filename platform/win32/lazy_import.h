// System functions looked up in their DLL on first use. The program's start then loads only
// the DLLs every mode needs (the dialog never reaches the spooler or WinINet), and a DLL that
// cannot be loaded fails only the call that needed it, with the loader's last error.
#pragma once

#include <windows.h>

#include <atomic>

namespace plat::win32 {

// A DLL of the system directory, loaded by its first lookup and kept for the process.
class LazyDll {
  public:
    explicit constexpr LazyDll(const char* name) : name_(name) {}
    // The function's address; null with the last error the loader left when the DLL or the
    // function cannot be had.
    ::FARPROC Find(const char* function);

  private:
    const char* const name_;
    std::atomic<::HMODULE> module_{nullptr};
};

// One function of a LazyDll. `Function` is the type of the SDK's declaration, e.g.
// decltype(&::AddPrinterA), so calls through it keep the declared calling convention
// (stdcall on 32-bit Windows).
template <typename Function>
class LazyFunction {
  public:
    constexpr LazyFunction(LazyDll& dll, const char* name) : dll_(dll), name_(name) {}
    // Calls the function with `args`, or gives `failed` with the loader's last error when the
    // function cannot be had.
    template <typename Failed, typename... Args>
    auto CallOr(Failed failed, Args... args) {
        const Function function = Get();
        return function != nullptr ? function(args...) : failed;
    }

  private:
    // The function, or null with the loader's last error.
    Function Get() {
        ::FARPROC address = address_.load(std::memory_order_acquire);
        if (address == nullptr) {
            address = dll_.Find(name_);
            address_.store(address, std::memory_order_release);
        }
        // Through the generic function type, which converts to any other without a warning.
        return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
    }

    LazyDll& dll_;
    const char* const name_;
    std::atomic<::FARPROC> address_{nullptr};
};

}  // namespace plat::win32
