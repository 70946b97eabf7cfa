// Windows version and width, elevation: the facts of the log's header.
#include "common/system_facts.h"

#include "common/account.h"
#include "common/architecture.h"
#include "common/join.h"

namespace velmora {
namespace {

using plat::DWORD;

// "64-bit (WOW64)", "64-bit", "32-bit", or "ARM64 (WOW64)" and the like.
std::string WindowsWidth(plat::Kernel& kernel) {
    const Architecture windows = NativeArchitecture(kernel);
    if (!windows.wow64) return sizeof(void*) == 8 ? "64-bit" : "32-bit";
    return Join({windows.environment == nullptr ? windows.name : "64-bit", " (WOW64)"});
}

}  // namespace

std::string Decimal(unsigned long value) {
    char digits[24];
    std::size_t n = sizeof digits;
    do {
        digits[--n] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    return std::string(digits + n, sizeof digits - n);
}

std::string WindowsDescription(plat::Kernel& kernel) {
    plat::OsVersionInfo version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!kernel.GetVersionExA(&version)) return Join({"Windows unknown, ", WindowsWidth(kernel)});
    version.szCSDVersion[sizeof version.szCSDVersion - 1] = '\0';
    return Join({"Windows ", Decimal(version.dwMajorVersion), ".", Decimal(version.dwMinorVersion),
                 ".", Decimal(version.dwBuildNumber), version.szCSDVersion[0] != '\0' ? " " : "",
                 version.szCSDVersion,
                 version.dwPlatformId == plat::kVerPlatformWin32Nt ? " (NT), " : " (9x), ",
                 WindowsWidth(kernel)});
}

const char* ElevationText(plat::Kernel& kernel) {
    const plat::UniqueHandle token = OpenOwnToken(kernel);
    if (!token) return "unknown";
    DWORD elevated = 0;
    DWORD returned = 0;
    if (!kernel.GetTokenInformation(token.get(), plat::kTokenElevation, &elevated, sizeof elevated,
                                    &returned)) {
        return "unknown";
    }
    return elevated != 0 ? "yes" : "no";
}

}  // namespace velmora
