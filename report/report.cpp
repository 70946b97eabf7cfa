// The report request through WinINet, on a detached thread that swallows every failure.
#include "report/report.h"

#include <atomic>
#include <vector>

#include "framework/message_box.h"
#include "install/printer_constants.h"
#include "install/run_log.h"
#include "platform/unique_any.h"

namespace velmora {
namespace {

using plat::DWORD;
using plat::HINTERNET;

// Set before each thread is started, so every thread sees the system its starter named.
std::atomic<plat::Os*> g_report_os{nullptr};

}  // namespace

bool AppendFirstLinePart(std::string& line, std::string_view chunk) {
    for (const char c : chunk) {
        if (c == '\n') return true;
        if (c != '\r' && line.size() < kReportKeptLineSize) line.push_back(c);
    }
    return false;
}

bool ReadFirstLine(plat::Internet& internet, HINTERNET request, std::string& line) {
    std::vector<char> buffer(kReportReadBufferSize);
    for (;;) {
        DWORD read = 0;
        if (!internet.InternetReadFile(request, buffer.data(), static_cast<DWORD>(buffer.size()),
                                       &read)) {
            return false;
        }
        if (read == 0) return true;  // end of the data
        if (read > buffer.size()) return false;
        if (AppendFirstLinePart(line, std::string_view(buffer.data(), read))) return true;
    }
}

std::string SendReport(plat::Os& os, const char* path) {
    plat::Internet& net = os.internet;
    const auto closer = [&net](HINTERNET handle) { (void)net.InternetCloseHandle(handle); };

    const std::string agent = ApplicationName(os.kernel);
    // Declared in opening order, so they close request, connection, session.
    auto session = plat::MakeUnique(
        net.InternetOpenA(agent.c_str(), plat::kInternetOpenTypePreconfig, nullptr, nullptr, 0),
        closer);
    const auto failed = [&os](const char* step) {
        return std::string(step) + " failed, error " + ErrorCodeText(FailureCode(os.kernel));
    };
    if (!session) return failed("InternetOpen");

    DWORD timeout = kReportConnectTimeoutMs;
    (void)net.InternetSetOptionExA(session.get(), plat::kInternetOptionConnectTimeout, &timeout,
                                   sizeof timeout, 0);

    auto connection = plat::MakeUnique(
        net.InternetConnectA(session.get(), kReportHost, plat::kInternetDefaultHttpPort,
                             kReportUser, kReportPassword, plat::kInternetServiceHttp, 0,
                             kReportContext),
        closer);
    if (!connection) return failed("InternetConnect");

    auto request =
        plat::MakeUnique(net.HttpOpenRequestA(connection.get(), "GET", path, "HTTP/1.0", nullptr,
                                              nullptr, kReportRequestFlags, kReportContext),
                         closer);
    if (!request) return failed("HttpOpenRequest");

    // A failed send is dropped and the answer is still read; a failed read ends the same way.
    const bool sent = net.HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0) != plat::kFalse;
    const std::string send_failure = sent ? std::string() : failed("HttpSendRequest");
    std::string line;
    const bool read = ReadFirstLine(net, request.get(), line);
    if (!sent) return send_failure;
    if (!read) return failed("InternetReadFile");
    return "answered \"" + LoggableText(line, kReportLoggedLineSize) + "\"";
}

void ReportThreadProc(void* path) {
    plat::Os* os = g_report_os.load();
    if (os == nullptr || path == nullptr) return;
    const char* report_path = static_cast<const char*>(path);
    const std::string outcome = SendReport(*os, report_path);
    // Written only if the thread gets this far before the process ends.
    RunLog(*os, true).Write(std::string("report ") + report_path + ": " + outcome);
}

void StartReportThread(plat::Os& os, const char* path) {
    g_report_os.store(&os);
    (void)os.kernel.BeginThread(ReportThreadProc, kReportThreadStackSize, const_cast<char*>(path));
}

}  // namespace velmora
