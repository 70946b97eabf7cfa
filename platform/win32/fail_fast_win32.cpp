// The program is built without exceptions, so the run-time's throwing paths are replaced here:
// a failed allocation, a broken standard-library precondition or a pure virtual call ends the
// process at once with exit code 3 (what an uncaught exception's abort used to give). Without
// these, the library's own versions would bring the exception classes, the unwinder and the
// printf engine of their messages into Velmora.exe.
#include <windows.h>

#include <bits/functexcept.h>

#include <cstdlib>
#include <new>

namespace {

constexpr UINT kFailFastExitCode = 3;

// No message box and no exit-time code: the process's state is not to be trusted any more.
[[noreturn]] void FailFast() {
    (void)::TerminateProcess(::GetCurrentProcess(), kFailFastExitCode);
    __builtin_unreachable();
}

void* AllocateOrFail(std::size_t size) {
    if (void* memory = std::malloc(size != 0 ? size : 1)) return memory;
    FailFast();
}

}  // namespace

void* operator new(std::size_t size) { return AllocateOrFail(size); }
void* operator new[](std::size_t size) { return AllocateOrFail(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }

namespace std {

void __throw_bad_exception() { FailFast(); }
void __throw_bad_alloc() { FailFast(); }
void __throw_bad_array_new_length() { FailFast(); }
void __throw_bad_cast() { FailFast(); }
void __throw_bad_typeid() { FailFast(); }
void __throw_logic_error(const char*) { FailFast(); }
void __throw_domain_error(const char*) { FailFast(); }
void __throw_invalid_argument(const char*) { FailFast(); }
void __throw_length_error(const char*) { FailFast(); }
void __throw_out_of_range(const char*) { FailFast(); }
void __throw_out_of_range_fmt(const char*, ...) { FailFast(); }
void __throw_runtime_error(const char*) { FailFast(); }
void __throw_range_error(const char*) { FailFast(); }
void __throw_overflow_error(const char*) { FailFast(); }
void __throw_underflow_error(const char*) { FailFast(); }
void __throw_system_error(int) { FailFast(); }
void __throw_bad_function_call() { FailFast(); }

}  // namespace std

namespace __gnu_cxx {

// Reached through std::terminate, should anything call it.
void __verbose_terminate_handler() { FailFast(); }

}  // namespace __gnu_cxx

extern "C" void __cxa_pure_virtual() { FailFast(); }
extern "C" void __cxa_deleted_virtual() { FailFast(); }
