// The report request through WinINet, on a detached thread that swallows every failure.
#include "report/report.h"

#include <atomic>
#include <memory>

#include "common/join.h"
#include "common/printer_constants.h"
#include "common/run_log.h"
#include "common/text.h"
#include "framework/module_name.h"

namespace velmora {
namespace {

using plat::DWORD;
using plat::HINTERNET;

// The parts of the system the report threads use, set before each thread is started. The
// thread's argument is only its path: a detached thread may outlive its starter's stack.
std::atomic<plat::Internet*> g_internet{nullptr};
std::atomic<plat::Kernel*> g_kernel{nullptr};
std::atomic<RunLog*> g_log{nullptr};

}  // namespace

bool AppendFirstLinePart(std::string& line, std::string_view chunk) {
    for (const char c : chunk) {
        if (c == '\n') return true;
        if (c != '\r' && line.size() < kReportKeptLineSize) line.push_back(c);
    }
    return false;
}

bool ReadFirstLine(plat::Internet& internet, HINTERNET request, std::string& line) {
    const std::unique_ptr<char[]> buffer(new char[kReportReadBufferSize]);
    for (;;) {
        DWORD read = 0;
        if (!internet.InternetReadFile(request, buffer.get(), kReportReadBufferSize, &read)) {
            return false;
        }
        if (read == 0) return true;  // end of the data
        if (read > kReportReadBufferSize) return false;
        if (AppendFirstLinePart(line, std::string_view(buffer.get(), read))) return true;
    }
}

std::string SendReport(plat::Internet& net, plat::Kernel& kernel, const char* path) {
    const std::u16string agent = ApplicationName(kernel);
    // Declared in opening order, so they close request, connection, session.
    const plat::UniqueInternetHandle session(
        net, net.InternetOpenW(agent.c_str(), plat::kInternetOpenTypePreconfig, 0));
    const auto failed = [&kernel](const char* step) {
        return Join({step, " failed, error ", ErrorCodeText(FailureCode(kernel))});
    };
    if (!session) return failed("InternetOpen");

    DWORD timeout = kReportConnectTimeoutMs;
    (void)net.InternetSetOptionExA(session.get(), plat::kInternetOptionConnectTimeout, &timeout,
                                   sizeof timeout, 0);

    const plat::UniqueInternetHandle connection(
        net, net.InternetConnectA(session.get(), kReportHost, plat::kInternetDefaultHttpPort,
                                  kReportUser, kReportPassword, plat::kInternetServiceHttp, 0,
                                  kReportContext));
    if (!connection) return failed("InternetConnect");

    const plat::UniqueInternetHandle request(
        net, net.HttpOpenRequestA(connection.get(), "GET", path, "HTTP/1.0", nullptr, nullptr,
                                  kReportRequestFlags, kReportContext));
    if (!request) return failed("HttpOpenRequest");

    // A failed send is dropped and the answer is still read; a failed read ends the same way.
    const bool sent = net.HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0) != plat::kFalse;
    const std::string send_failure = sent ? std::string() : failed("HttpSendRequest");
    std::string line;
    const bool read = ReadFirstLine(net, request.get(), line);
    if (!sent) return send_failure;
    if (!read) return failed("InternetReadFile");
    std::size_t left_out = 0;
    return Join({"answered \"",
                 LoggableUtf8(Utf16FromGbk(kernel, line), kReportLoggedLineSize, left_out), "\""});
}

void ReportThreadProc(void* path) {
    plat::Internet* internet = g_internet.load();
    plat::Kernel* kernel = g_kernel.load();
    RunLog* log = g_log.load();
    if (internet == nullptr || kernel == nullptr || log == nullptr || path == nullptr) return;
    const char* report_path = static_cast<const char*>(path);
    const std::string outcome = SendReport(*internet, *kernel, report_path);
    // Written only if the thread gets this far before the process ends.
    log->Write(Join({"report ", report_path, ": ", outcome}));
}

void StartReportThread(plat::Internet& internet, plat::Kernel& kernel, RunLog& log,
                       const char* path) {
    g_internet.store(&internet);
    g_kernel.store(&kernel);
    g_log.store(&log);
    (void)kernel.BeginThread(ReportThreadProc, kReportThreadStackSize, const_cast<char*>(path));
}

}  // namespace velmora
