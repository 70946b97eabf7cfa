// Writing the run log: each line goes to the file in one write, so the report thread can add
// its line while the main thread runs, and a run ended early keeps what it wrote.
#include "common/run_log.h"

#include <cstdint>

#include "common/join.h"
#include "common/log_file.h"
#include "common/system_facts.h"
#include "common/system_paths.h"
#include "common/text.h"
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
    return Join({TwoDigits(now.wHour), ":", TwoDigits(now.wMinute), ":", TwoDigits(now.wSecond)});
}

std::string Date(const plat::SystemTime& now) {
    return Join({Decimal(now.wYear), "-", TwoDigits(now.wMonth), "-", TwoDigits(now.wDay)});
}

}  // namespace

plat::DWORD FailureCode(plat::Kernel& kernel) {
    const DWORD error = kernel.GetLastError();
    return error != plat::kErrorSuccess ? error : kErrorNoSystemCode;
}

std::string ErrorCodeText(DWORD error) {
    const auto code = static_cast<std::int32_t>(error);
    return code < 0 ? Join({"-", Decimal(0u - error)}) : Decimal(error);
}

std::string LoggableText(std::string_view text, std::size_t limit) {
    const std::string_view kept = plat::CutAtCharacter(text, limit);
    std::string shown;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        const auto byte = static_cast<unsigned char>(kept[i]);
        if (plat::IsGbkLeadByte(byte) && i + 1 < kept.size() &&
            plat::IsGbkTrailByte(static_cast<unsigned char>(kept[i + 1]))) {
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

RunLog::RunLog(plat::Kernel& kernel) : kernel_(kernel), file_(kernel) {}

std::string RunLog::Open() {
    opened_ = true;
    const plat::Path folder = TempDirectory(kernel_);
    if (folder.empty()) return std::string();
    const plat::Path path = Join({folder, kLogName});
    std::string note;
    file_ = OpenLogFile(kernel_, path, kLogRotateSize, note);
    return note;
}

void RunLog::Begin(std::u16string_view command_tail) {
    // The last error belongs to the caller's step; opening the log must not change it.
    const DWORD saved_error = kernel_.GetLastError();
    const std::string note = opened_ ? std::string() : Open();
    plat::SystemTime now{};
    kernel_.GetLocalTime(&now);
    const char* elevated = ElevationText(kernel_);
    elevated_ = std::string_view(elevated) != "no";
    std::size_t left_out = 0;
    const std::string command = LoggableUtf8(command_tail, kLoggedCommandSize, left_out);
    Append(Join({Date(now), " ", TimeOfDay(now), " Velmora ", kProgramVersion,
                 ", command \"", command, left_out != 0 ? "\" (" : "\"",
                 left_out != 0 ? Decimal(left_out) : std::string(),
                 left_out != 0 ? " more bytes left out), " : ", ", WindowsDescription(kernel_),
                 ", elevated: ", elevated}));
    if (!note.empty()) Write(note);
    kernel_.SetLastError(saved_error);
}

void RunLog::Write(std::string_view text) {
    if (!file_) return;
    plat::SystemTime now{};
    kernel_.GetLocalTime(&now);
    Append(Join({TimeOfDay(now), " ", text}));
}

void RunLog::WriteGbk(std::string_view text) { Write(Utf8FromGbk(kernel_, text)); }

void RunLog::Step(std::string_view step, bool ok, DWORD error) {
    if (ok) {
        Write(Join({step, ": ok"}));
    } else {
        const bool denied = error == plat::kErrorAccessDenied && !elevated_;
        Write(Join({step, ": failed, error ", ErrorCodeText(error),
                    error == kErrorNoSystemCode ? " (the system gave no error code)" : "",
                    denied ? " (access denied: run the program as administrator)" : ""}));
    }
}

void RunLog::End(bool ok, int exit_code) {
    std::string text = ok ? "result: succeeded" : "result: failed";
    if (exit_code >= 0) text += Join({", exit code ", Decimal(static_cast<unsigned>(exit_code))});
    Write(text);
}

void RunLog::Append(const std::string& line) {
    if (!file_) return;
    // The last error belongs to the step being logged; the log must not change it.
    const DWORD saved_error = kernel_.GetLastError();
    const std::string text = Join({line, "\r\n"});
    DWORD written = 0;
    // One write a line: lines of the report thread and of the main thread never interleave.
    (void)kernel_.WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                            nullptr);
    kernel_.SetLastError(saved_error);
}

}  // namespace velmora
