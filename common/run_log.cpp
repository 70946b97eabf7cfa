// Writing the run log: each line goes to the file in one write, so the report thread can add
// its line while the main thread runs, and a run ended early keeps what it wrote.
#include "common/run_log.h"

#include <cstdint>

#include "common/join.h"
#include "common/log_file.h"
#include "common/system_facts.h"
#include "common/system_paths.h"
#include "common/text.h"

namespace velmora {
namespace {

using plat::DWORD;

// "2026-12-07 10:11:12", or with `date` false "10:11:12", as a run's header or a line starts.
std::string Timestamp(plat::Kernel& kernel, bool date) {
    plat::SystemTime now{};
    kernel.GetLocalTime(&now);
    // Each field but the year is below 100; the year has four digits.
    const unsigned fields[] = {now.wYear / 100u, now.wYear % 100u, now.wMonth, now.wDay,
                               now.wHour,        now.wMinute,      now.wSecond};
    char text[] = "0000-00-00 00:00:00";
    for (int i = 0; i < 7; ++i) {
        char* at = text + (i < 2 ? 2 * i : 3 * i - 1);
        at[0] = static_cast<char>('0' + fields[i] / 10 % 10);
        at[1] = static_cast<char>('0' + fields[i] % 10);
    }
    return date ? std::string(text, 19) : std::string(text + 11, 8);
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
    const char* elevated = ElevationText(kernel_);
    elevated_ = std::string_view(elevated) != "no";
    std::size_t left_out = 0;
    std::string command = LoggableUtf8(command_tail, kLoggedCommandSize, left_out);
    command += '"';
    if (left_out != 0) command += Join({" (", Decimal(left_out), " more bytes left out)"});
    Append(Join({Timestamp(kernel_, true), " Velmora ", kProgramVersion, ", command \"", command,
                 ", ", WindowsDescription(kernel_), ", elevated: ", elevated}));
    if (!note.empty()) Write(note);
    kernel_.SetLastError(saved_error);
}

void RunLog::Write(std::string_view text) {
    if (!file_) return;
    Append(Join({Timestamp(kernel_, false), " ", text}));
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
