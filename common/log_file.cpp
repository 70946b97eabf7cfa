// The checks on the log file, all made on the open handle, so that nothing can be swapped in
// between a check and the writes.
#include "common/log_file.h"

#include "common/account.h"
#include "common/join.h"
#include "common/run_log.h"
#include "common/system_facts.h"
#include "common/text.h"

namespace velmora {
namespace {

using plat::DWORD;

// Read only for the byte-order mark: with append but no write access every write goes to the end.
constexpr DWORD kLogAccess = plat::kFileReadData | plat::kFileAppendData |
                             plat::kFileReadAttributes | plat::kReadControl | plat::kDelete;
constexpr DWORD kLogShare = plat::kFileShareRead | plat::kFileShareWrite | plat::kFileShareDelete;
constexpr int kFreshNameTries = 4;  // one digit
constexpr DWORD kMarkSize = sizeof kUtf8ByteOrderMark - 1;

plat::UniqueFile Open(plat::Kernel& kernel, const plat::Path& path, DWORD disposition) {
    return plat::UniqueFile(
        kernel,
        kernel.CreateFileW(path.c_str(), kLogAccess, kLogShare, nullptr, disposition,
                           plat::kFileAttributeNormal | plat::kFileFlagOpenReparsePoint, nullptr));
}

void WriteMark(plat::Kernel& kernel, plat::HANDLE file) {
    DWORD written = 0;
    (void)kernel.WriteFile(file, kUtf8ByteOrderMark, kMarkSize, &written, nullptr);
}

// Whether the log so far begins with the byte-order mark.
bool StartsWithMark(plat::Kernel& kernel, plat::HANDLE file) {
    char start[kMarkSize] = {};
    DWORD read = 0;
    return kernel.ReadFile(file, start, kMarkSize, &read, nullptr) && read == kMarkSize &&
           std::string_view(start, kMarkSize) == kUtf8ByteOrderMark;
}

std::string Failed(const char* what, plat::Kernel& kernel) {
    return Join({what, ", error ", ErrorCodeText(FailureCode(kernel))});
}

// A file of this run's own beside the one left alone.
plat::UniqueFile OpenFreshLog(plat::Kernel& kernel, const plat::Path& path, std::string& note) {
    const plat::Path stem = Join({std::u16string_view(path).substr(0, path.rfind(u'.')), u"-",
                                  Widen(Decimal(kernel.GetCurrentProcessId()))});
    for (int attempt = 0; attempt < kFreshNameTries; ++attempt) {
        const char16_t number[] = {u'-', static_cast<char16_t>(u'0' + attempt), u'\0'};
        const plat::Path fresh = Join({stem, attempt == 0 ? u"" : number, u".log"});
        if (plat::UniqueFile file = Open(kernel, fresh, plat::kCreateNew)) {
            WriteMark(kernel, file.get());
            note = Join({"log: ", Utf8FromUtf16(path), " was left alone (", note,
                         "); this run logs to ", Utf8FromUtf16(fresh)});
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
    return OwnerDistrust(kernel, file, plat::kSeFileObject);
}

plat::UniqueFile OpenLogFile(plat::Kernel& kernel, const plat::Path& path, DWORD rotate_size,
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
        const bool known = size != plat::kInvalidFileSize;
        const bool empty = known && size == 0 && high == 0;
        const bool oversized = known && (high != 0 || size > rotate_size);
        const bool utf8 = empty || StartsWithMark(kernel, file.get());
        if (utf8 && !oversized) {
            if (empty) WriteMark(kernel, file.get());
            return file;
        }
        // Renamed by the handle that was checked.
        if (round == 0 &&
            kernel.SetFileRenameInformation(file.get(), Join({path, u".1"}).c_str(), plat::kTrue)) {
            continue;
        }
        if (utf8) return file;  // an oversized log that cannot be moved aside just grows
        note = Failed("it is not UTF-8 and cannot be moved aside", kernel);
        break;
    }
    return OpenFreshLog(kernel, path, note);
}

}  // namespace velmora
