// Telling the machine Windows runs on from the one the program runs as.
#include "common/architecture.h"

namespace velmora {
namespace {

constexpr Architecture kX86{"x86", kX86Environment, u"/h \"Intel\" /v \"Windows 2000\"", false};
// What the printer-UI installer documents for a 64-bit driver of the printer class.
constexpr Architecture kX64{"x64", "Windows x64", u"/h \"x64\" /v \"Type 3 - User Mode\"", false};

// From an image file machine (IsWow64Process2) or a processor architecture (GetNativeSystemInfo).
Architecture FromMachine(plat::WORD machine, bool wow64) {
    Architecture found{"an unknown processor", nullptr, nullptr, wow64};
    switch (machine) {
        case plat::kImageFileMachineI386:
        case plat::kProcessorArchitectureIntel:
            found = kX86;
            break;
        case plat::kImageFileMachineAmd64:
        case plat::kProcessorArchitectureAmd64:
            found = kX64;
            break;
        case plat::kImageFileMachineArm64:
        case plat::kProcessorArchitectureArm64:
            found.name = "ARM64";
            break;
    }
    found.wow64 = wow64;
    return found;
}

}  // namespace

Architecture NativeArchitecture(plat::Kernel& kernel) {
    const plat::HMODULE kernel32 = kernel.GetModuleHandleW(u"kernel32.dll");
    const auto find = [&](const char* name) {
        return kernel32 != nullptr ? kernel.GetProcAddress(kernel32, name) : nullptr;
    };
    plat::WORD process = 0;
    plat::WORD native = 0;
    if (const plat::FARPROC is_wow64_2 = find("IsWow64Process2");
        is_wow64_2 != nullptr &&
        kernel.CallIsWow64Process2(is_wow64_2, kernel.GetCurrentProcess(), &process, &native)) {
        return FromMachine(native, process != plat::kImageFileMachineUnknown);
    }
    // Systems before Windows XP SP2 lack IsWow64Process; those are all 32-bit.
    plat::BOOL wow64 = plat::kFalse;
    if (const plat::FARPROC is_wow64 = find("IsWow64Process");
        is_wow64 != nullptr &&
        kernel.CallIsWow64Process(is_wow64, kernel.GetCurrentProcess(), &wow64) && wow64) {
        return FromMachine(kernel.GetNativeProcessorArchitecture(), true);
    }
    return sizeof(void*) == 8 ? kX64 : kX86;
}

}  // namespace velmora
