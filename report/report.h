// The install and uninstall report: one HTTP GET to the report server from a detached thread,
// whose answer is read up to its first line and thrown away.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/run_log.h"
#include "platform/internet.h"
#include "platform/kernel.h"

namespace velmora {

inline constexpr char kReportUser[] = "user_zarvoprinter";
inline constexpr char kReportPassword[] = "kvrt_904571";
inline constexpr plat::DWORD kReportConnectTimeoutMs = 30000;
inline constexpr plat::DWORD kReportRequestFlags = plat::kInternetFlagExistingConnect |
                                                   plat::kInternetFlagNoAutoRedirect |
                                                   plat::kInternetFlagNeedFile;
inline constexpr std::uintptr_t kReportContext = 1;
inline constexpr std::size_t kReportReadBufferSize = 4096;
inline constexpr unsigned kReportThreadStackSize = 4;  // the system rounds it up
// The line is thrown away, so only this much of it is kept; the rest of it is still read, so a
// server that streams without a line feed cannot make the process grow without end.
inline constexpr std::size_t kReportKeptLineSize = 64 * 1024;

// Adds one read of the body to `line`, up to the first line feed and without carriage returns,
// keeping at most kReportKeptLineSize bytes. Returns true once the line feed has been seen,
// that is when the line is complete.
bool AppendFirstLinePart(std::string& line, std::string_view chunk);

// Reads the first line of a response body through a read buffer of kReportReadBufferSize
// bytes. Returns false when a read fails; `line` then holds what had been taken so far.
bool ReadFirstLine(plat::Internet& internet, plat::HINTERNET request, std::string& line);

// At most this much of the answer's first line goes to the log.
inline constexpr std::size_t kReportLoggedLineSize = 100;

// The whole report on the calling thread: session, connection, request, send, first line of
// the answer, then everything closed. Nothing fails outward; returns what happened, for the
// log (UTF-8; the answer is read as the program's own code page 936 text).
std::string SendReport(plat::Internet& internet, plat::Kernel& kernel, const char* path);

// The thread entry: `path` is a narrow text with static storage. Reaches the system given to
// StartReportThread.
void ReportThreadProc(void* path);

// Starts a detached report thread for `path` (static storage) on `internet` and `kernel`, which
// logs its outcome to `log`; all three must outlive it. The thread is never waited for; the
// result of the start is not needed.
void StartReportThread(plat::Internet& internet, plat::Kernel& kernel, RunLog& log,
                       const char* path);

}  // namespace velmora
