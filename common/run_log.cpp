// Appending to the run log: each line opens, appends and closes, so the report thread can add
// its line while the main thread runs, and a run ended early keeps what it wrote.
#include "common/run_log.h"

#include <cstdint>

#include "common/system_facts.h"
#include "platform/mbcs.h"

namespace velmora {
namespace {

using plat::DWORD;

// Month, day, hour, minute or second: always below 100.
std::string TwoDigits(unsigned value) {
    return std::string(1, static_cast<char>('0' + value / 10)) +
           static_cast<char>('0' + value % 10);
}

std::string TimeOfDay(const plat::SystemTime& now) {
    return TwoDigits(now.wHour) + ":" + TwoDigits(now.wMinute) + ":" + TwoDigits(now.wSecond);
}

std::string Date(const plat::SystemTime& now) {
    return Decimal(now.wYear) + "-" + TwoDigits(now.wMonth) + "-" + TwoDigits(now.wDay);
}

bool IsGbkTrailByte(unsigned char byte) { return byte >= 0x40 && byte <= 0xFE && byte != 0x7F; }

}  // namespace

plat::DWORD FailureCode(plat::Kernel& kernel) {
    const DWORD error = kernel.GetLastError();
    return error != plat::kErrorSuccess ? error : kErrorNoSystemCode;
}

std::string ErrorCodeText(DWORD error) {
    const auto code = static_cast<std::int32_t>(error);
    return code < 0 ? "-" + Decimal(0u - error) : Decimal(error);
}

std::string LoggableText(std::string_view text, std::size_t limit) {
    const std::string_view kept = plat::CutAtCharacter(text, limit);
    std::string shown;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        const auto byte = static_cast<unsigned char>(kept[i]);
        if (plat::IsGbkLeadByte(byte) && i + 1 < kept.size() &&
            IsGbkTrailByte(static_cast<unsigned char>(kept[i + 1]))) {
            shown.append(kept.substr(i, 2));
            ++i;
        } else if (byte < 0x20 || byte == 0x7F || plat::IsGbkLeadByte(byte)) {
            static const char kHex[] = "0123456789ABCDEF";
            shown += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
        } else {
            shown += static_cast<char>(byte);
        }
    }
    return shown;
}

RunLog::RunLog(plat::Kernel& kernel) : kernel_(kernel) {
    char folder[plat::kMaxPath] = {};
    const DWORD length = kernel_.GetTempPathA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder) return;
    path_.assign(folder, length);
    if (path_.back() != '\\') path_ += '\\';
    path_ += kLogName;
}

void RunLog::Begin(std::string_view command_tail) {
    if (path_.empty()) return;
    plat::Kernel& kernel = kernel_;
    DWORD size = plat::kInvalidFileSize;
    DWORD high = 0;
    if (const plat::UniqueFile file = OpenForAppend()) size = kernel.GetFileSize(file.get(), &high);
    if (size != plat::kInvalidFileSize && (high != 0 || size > kLogRotateSize)) {
        const std::string old = path_ + kOldLogSuffix;
        (void)kernel.MoveFileExA(path_.c_str(), old.c_str(), plat::kMovefileReplaceExisting);
    }
    plat::SystemTime now{};
    kernel.GetLocalTime(&now);
    Append(Date(now) + " " + TimeOfDay(now) + " Velmora " + ProgramVersion(kernel) +
           ", command \"" + LoggableText(command_tail) + "\", " + WindowsDescription(kernel) +
           ", elevated: " + ElevationText(kernel));
}

void RunLog::Write(std::string_view text) {
    if (path_.empty()) return;
    plat::SystemTime now{};
    kernel_.GetLocalTime(&now);
    Append(TimeOfDay(now) + " " + std::string(text));
}

void RunLog::Step(std::string_view step, bool ok, DWORD error) {
    if (ok) {
        Write(std::string(step) + ": ok");
    } else {
        Write(std::string(step) + ": failed, error " + ErrorCodeText(error) +
              (error == kErrorNoSystemCode ? " (the system gave no error code)" : ""));
    }
}

void RunLog::End(bool ok, int exit_code) {
    std::string text = ok ? "result: succeeded" : "result: failed";
    if (exit_code >= 0) text += ", exit code " + Decimal(static_cast<unsigned>(exit_code));
    Write(text);
}

plat::UniqueFile RunLog::OpenForAppend() {
    return plat::UniqueFile(
        kernel_, kernel_.CreateFileA(path_.c_str(), plat::kFileAppendData,
                                     plat::kFileShareRead | plat::kFileShareWrite, nullptr,
                                     plat::kOpenAlways, plat::kFileAttributeNormal, nullptr));
}

void RunLog::Append(const std::string& line) {
    plat::Kernel& kernel = kernel_;
    // The last error belongs to the step being logged; the log must not change it.
    const DWORD saved_error = kernel.GetLastError();
    if (const plat::UniqueFile file = OpenForAppend()) {
        const std::string text = line + "\r\n";
        DWORD written = 0;
        (void)kernel.WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                               nullptr);
    }
    kernel.SetLastError(saved_error);
}

}  // namespace velmora
