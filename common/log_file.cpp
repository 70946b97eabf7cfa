// The checks on the log file, all made on the open handle, so that nothing can be swapped in
// between a check and the writes.
#include "common/log_file.h"

#include "common/account.h"
#include "common/join.h"
#include "common/run_log.h"
#include "common/system_facts.h"

namespace velmora {
namespace {

using plat::DWORD;

constexpr DWORD kLogAccess =
    plat::kFileAppendData | plat::kFileReadAttributes | plat::kReadControl | plat::kDelete;
constexpr DWORD kLogShare = plat::kFileShareRead | plat::kFileShareWrite | plat::kFileShareDelete;
constexpr int kFreshNameTries = 4;

plat::UniqueFile Open(plat::Kernel& kernel, const std::string& path, DWORD disposition) {
    return plat::UniqueFile(
        kernel,
        kernel.CreateFileA(path.c_str(), kLogAccess, kLogShare, nullptr, disposition,
                           plat::kFileAttributeNormal | plat::kFileFlagOpenReparsePoint, nullptr));
}

bool TrustedOwner(plat::Kernel& kernel, const std::string& owner) {
    return owner == kAdministratorsSid || owner == kSystemSid || owner == RunningAccountSid(kernel);
}

std::string Failed(const char* what, plat::Kernel& kernel) {
    return Join({what, ", error ", ErrorCodeText(FailureCode(kernel))});
}

// A file of this run's own beside the one left alone.
plat::UniqueFile OpenFreshLog(plat::Kernel& kernel, const std::string& path, std::string& note) {
    const std::string stem = Join({std::string_view(path).substr(0, path.rfind('.')), "-",
                                   Decimal(kernel.GetCurrentProcessId())});
    for (int attempt = 0; attempt < kFreshNameTries; ++attempt) {
        const std::string fresh =
            Join({stem, attempt == 0 ? "" : "-", attempt == 0 ? "" : Decimal(attempt), ".log"});
        if (plat::UniqueFile file = Open(kernel, fresh, plat::kCreateNew)) {
            note = Join({"log: ", path, " was left alone (", note, "); this run logs to ", fresh});
            return file;
        }
    }
    return plat::UniqueFile(kernel);
}

}  // namespace

std::string Distrust(plat::Kernel& kernel, plat::HANDLE file) {
    kernel.SetLastError(plat::kErrorSuccess);
    if (kernel.GetFileType(file) != plat::kFileTypeDisk) return "it is not a disk file";
    plat::FileInformation information{};
    if (!kernel.GetFileInformationByHandle(file, &information)) {
        return Failed("its information cannot be read", kernel);
    }
    if (information.dwFileAttributes & plat::kFileAttributeReparsePoint) {
        return "it is a link or junction";
    }
    if (information.nNumberOfLinks != 1) {
        return Join({"it has ", Decimal(information.nNumberOfLinks), " names (hard links)"});
    }
    void* owner = nullptr;
    void* descriptor = nullptr;
    const DWORD error = kernel.GetSecurityInfo(
        file, plat::kSeFileObject, plat::kOwnerSecurityInformation, &owner, &descriptor);
    const plat::UniqueLocal held(kernel, descriptor);
    if (error != plat::kErrorSuccess) {
        return Join({"its owner cannot be read, error ", ErrorCodeText(error)});
    }
    if (!TrustedOwner(kernel, SidBytes(owner))) return "it belongs to another account";
    return std::string();
}

plat::UniqueFile OpenLogFile(plat::Kernel& kernel, const std::string& path, DWORD rotate_size,
                             std::string& note) {
    // At most twice: a log moved aside is followed by a new one.
    for (int round = 0; round < 2; ++round) {
        kernel.SetLastError(plat::kErrorSuccess);
        plat::UniqueFile file = Open(kernel, path, plat::kOpenAlways);
        if (!file) {
            note = Failed("it cannot be opened", kernel);
            break;
        }
        note = Distrust(kernel, file.get());
        if (!note.empty()) break;
        DWORD high = 0;
        const DWORD size = kernel.GetFileSize(file.get(), &high);
        const bool oversized = size != plat::kInvalidFileSize && (high != 0 || size > rotate_size);
        // Renamed by the handle that was checked; when that fails the log just grows.
        if (!oversized || round == 1 ||
            !kernel.SetFileRenameInformation(file.get(), Join({path, ".1"}).c_str(), plat::kTrue)) {
            return file;
        }
    }
    return OpenFreshLog(kernel, path, note);
}

}  // namespace velmora
