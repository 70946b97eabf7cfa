// Reading the running account from the process token, and a SID's bytes.
#include "common/account.h"

#include <cstring>

#include "common/join.h"
#include "common/run_log.h"
#include "common/text.h"

namespace velmora {
namespace {

constexpr std::size_t kSidHeaderBytes = 8;  // revision, count and a six-byte authority
constexpr unsigned char kSidMaxSubAuthorities = 15;

}  // namespace

std::string SidBytes(const void* sid) {
    const auto* bytes = static_cast<const unsigned char*>(sid);
    if (bytes == nullptr || bytes[1] > kSidMaxSubAuthorities) return std::string();
    return std::string(reinterpret_cast<const char*>(bytes), kSidHeaderBytes + 4u * bytes[1]);
}

plat::UniqueHandle OpenOwnToken(plat::Kernel& kernel) {
    plat::HANDLE opened = nullptr;
    if (!kernel.OpenProcessToken(kernel.GetCurrentProcess(), plat::kTokenQuery, &opened)) {
        opened = nullptr;
    }
    return plat::UniqueHandle(kernel, opened);
}

std::string RunningAccountSid(plat::Kernel& kernel) {
    const plat::UniqueHandle token = OpenOwnToken(kernel);
    if (!token) return std::string();
    // A TOKEN_USER: a pointer to the SID, its attributes, then the SID itself.
    alignas(void*) unsigned char user[128] = {};
    plat::DWORD returned = 0;
    if (!kernel.GetTokenInformation(token.get(), plat::kTokenUser, user, sizeof user, &returned)) {
        return std::string();
    }
    const unsigned char* sid = nullptr;
    std::memcpy(&sid, user, sizeof sid);
    const std::string bytes = SidBytes(sid);
    // The SID must lie within what the call filled in.
    if (sid < user || bytes.empty() || sid + bytes.size() > user + returned) return std::string();
    return bytes;
}

std::string OwnerDistrust(plat::Kernel& kernel, plat::HANDLE object, int object_type) {
    void* owner = nullptr;
    void* descriptor = nullptr;
    const plat::DWORD error = kernel.GetSecurityInfo(
        object, object_type, plat::kOwnerSecurityInformation, &owner, &descriptor);
    const plat::UniqueLocal held(kernel, descriptor);
    if (error != plat::kErrorSuccess) {
        return Join({"its owner cannot be read, error ", ErrorCodeText(error)});
    }
    const std::string sid = SidBytes(owner);
    if (sid.empty()) return "its owner cannot be read";
    if (sid == kAdministratorsSid || sid == kSystemSid) return std::string();
    const std::string account = RunningAccountSid(kernel);
    if (account.empty()) return "the running account cannot be read";
    return sid == account ? std::string() : "it belongs to another account";
}

std::string RunningAccountName(plat::Kernel& kernel) {
    if (RunningAccountSid(kernel) == kSystemSid) {
        return "the system account";
    }
    char16_t name[257] = {};  // UNLEN + 1
    plat::DWORD size = 257;
    if (!kernel.GetUserNameW(name, &size) || size == 0 || size > 257) return "this account";
    return "account " + Utf8FromUtf16(std::u16string_view(name, size - 1));
}

}  // namespace velmora
