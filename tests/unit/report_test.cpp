// The report request against a pretend WinINet: its arguments, its quiet failures, the
// first-line reader and the thread start.
#include "report/report.h"

#include <gtest/gtest.h>

#include <utility>

#include "fakes/fake_os.h"
#include "install/printer_constants.h"

namespace {

using fakes::FakeInternet;
using velmora::AppendFirstLinePart;
using velmora::ReadFirstLine;
using velmora::SendReport;
using Calls = std::vector<std::string>;
using Handles = std::vector<plat::HINTERNET>;

const Calls kFullRequest = {"InternetOpen",        "InternetSetOptionEx", "InternetConnect",
                            "HttpOpenRequest",     "HttpSendRequest",     "InternetReadFile",
                            "InternetCloseHandle", "InternetCloseHandle", "InternetCloseHandle"};

TEST(ReportTest, SendsOneGetWithTheFixedSettingsAndClosesInOrder) {
    fakes::FakeOs fake;
    fake.kernel.module_path = "D:\\Tools\\Velmora.exe";
    fake.internet.body = "OK\r\nsecond line\n";
    SendReport(fake.os, velmora::kReportUninstallPath);

    const FakeInternet& net = fake.internet;
    EXPECT_EQ(net.calls, kFullRequest);

    ASSERT_EQ(net.opens.size(), 1u);
    EXPECT_EQ(net.opens[0].agent, "Velmora");
    EXPECT_EQ(net.opens[0].access_type, 0u);  // the system's configured proxy
    EXPECT_FALSE(net.opens[0].proxy);
    EXPECT_FALSE(net.opens[0].proxy_bypass);
    EXPECT_EQ(net.opens[0].flags, 0u);

    ASSERT_EQ(net.options.size(), 1u);
    EXPECT_EQ(net.options[0].handle, FakeInternet::session());
    EXPECT_EQ(net.options[0].option, 2u);  // connect time-out
    EXPECT_EQ(net.options[0].value, (std::vector<plat::BYTE>{0x30, 0x75, 0, 0}));  // 30000
    EXPECT_EQ(net.options[0].flags, 0u);

    ASSERT_EQ(net.connects.size(), 1u);
    const auto& connect = net.connects[0];
    EXPECT_EQ(connect.session, FakeInternet::session());
    EXPECT_EQ(connect.server, std::string(VELMORA_REPORT_HOST));
    EXPECT_EQ(connect.port, 80);
    EXPECT_EQ(connect.user, "user_zarvoprinter");
    EXPECT_EQ(connect.password, "kvrt_904571");
    EXPECT_EQ(connect.service, 3u);
    EXPECT_EQ(connect.flags, 0u);
    EXPECT_EQ(connect.context, 1u);

    ASSERT_EQ(net.requests.size(), 1u);
    const auto& request = net.requests[0];
    EXPECT_EQ(request.connection, FakeInternet::connection());
    EXPECT_EQ(request.verb, "GET");
    EXPECT_EQ(request.object, "/zarvoprinter/servlet/PrintUnInstall");
    EXPECT_EQ(request.version, "HTTP/1.0");
    EXPECT_FALSE(request.referrer);
    EXPECT_FALSE(request.has_accept_types);
    EXPECT_EQ(request.flags, 0x20200010u);
    EXPECT_EQ(request.context, 1u);

    ASSERT_EQ(net.sends.size(), 1u);
    EXPECT_EQ(net.sends[0].request, FakeInternet::request());
    EXPECT_FALSE(net.sends[0].has_headers);
    EXPECT_EQ(net.sends[0].headers_length, 0u);
    EXPECT_FALSE(net.sends[0].has_optional);
    EXPECT_EQ(net.sends[0].optional_length, 0u);

    EXPECT_EQ(net.read_sizes, (std::vector<plat::DWORD>{4096}));
    EXPECT_EQ(net.closed, (Handles{FakeInternet::request(), FakeInternet::connection(),
                                   FakeInternet::session()}));
    EXPECT_TRUE(net.open.empty());
    EXPECT_EQ(net.bad_closes, 0);
    EXPECT_TRUE(fake.ui.boxes.empty());
}

struct FailureCase {
    const char* name;
    void (*arrange)(FakeInternet&);
    Calls calls;
    Handles closed;
};

TEST(ReportTest, FailureAtEachStepEndsQuietlyClosingWhatWasOpenedOnceInOrder) {
    const auto s = FakeInternet::session();
    const auto c = FakeInternet::connection();
    const auto r = FakeInternet::request();
    const FailureCase cases[] = {
        {"open", [](FakeInternet& n) { n.open_fails = true; }, {"InternetOpen"}, {}},
        {"connect",
         [](FakeInternet& n) { n.connect_fails = true; },
         {"InternetOpen", "InternetSetOptionEx", "InternetConnect", "InternetCloseHandle"},
         {s}},
        {"request",
         [](FakeInternet& n) { n.request_fails = true; },
         {"InternetOpen", "InternetSetOptionEx", "InternetConnect", "HttpOpenRequest",
          "InternetCloseHandle", "InternetCloseHandle"},
         {c, s}},
        // A failed send is dropped and the read is still tried.
        {"send", [](FakeInternet& n) { n.send_fails = true; }, kFullRequest, {r, c, s}},
        {"first read",
         [](FakeInternet& n) { n.reads_before_failure = 0; },
         kFullRequest,
         {r, c, s}},
        {"second read",
         [](FakeInternet& n) {
             n.reads_before_failure = 1;
             n.largest_read = 2;
         },
         {"InternetOpen", "InternetSetOptionEx", "InternetConnect", "HttpOpenRequest",
          "HttpSendRequest", "InternetReadFile", "InternetReadFile", "InternetCloseHandle",
          "InternetCloseHandle", "InternetCloseHandle"},
         {r, c, s}},
    };
    for (const auto& failure : cases) {
        SCOPED_TRACE(failure.name);
        fakes::FakeOs fake;
        fake.internet.body = "no line feed in this body";
        failure.arrange(fake.internet);
        SendReport(fake.os, velmora::kReportInstallPath);
        EXPECT_EQ(fake.internet.calls, failure.calls);
        EXPECT_EQ(fake.internet.closed, failure.closed);
        EXPECT_TRUE(fake.internet.open.empty());
        EXPECT_EQ(fake.internet.bad_closes, 0);
        EXPECT_TRUE(fake.ui.boxes.empty());
    }
}

TEST(FirstLineTest, TakesBytesUpToTheFirstLineFeedWithoutCarriageReturns) {
    struct Case {
        std::string_view chunk;
        std::string_view line;
        bool complete;
    };
    const Case cases[] = {
        {"first\r\nsecond\r\n", "first", true},
        {"first\nsecond", "first", true},
        {"a\rb\r\rc", "abc", false},  // no line feed: everything so far, line still open
        {"", "", false},
        {"\n", "", true},
        {std::string_view("x\0y\nz", 5), std::string_view("x\0y", 3), true},
    };
    for (const auto& c : cases) {
        std::string line;
        EXPECT_EQ(AppendFirstLinePart(line, c.chunk), c.complete) << c.chunk;
        EXPECT_EQ(line, c.line) << c.chunk;
    }
    // A carriage return and line feed split between two reads.
    std::string line;
    EXPECT_FALSE(AppendFirstLinePart(line, "ab\r"));
    EXPECT_TRUE(AppendFirstLinePart(line, "\ncd"));
    EXPECT_EQ(line, "ab");
}

// Brings a fresh pretend WinINet to a sent request and reads the first line of `body`.
std::pair<bool, std::string> ReadBody(FakeInternet& net, const std::string& body,
                                      std::size_t largest_read = SIZE_MAX) {
    net.body = body;
    net.largest_read = largest_read;
    const auto session = net.InternetOpenA("test", 0, nullptr, nullptr, 0);
    const auto connection = net.InternetConnectA(session, "host", 80, nullptr, nullptr, 3, 0, 1);
    const auto request =
        net.HttpOpenRequestA(connection, "GET", "/", nullptr, nullptr, nullptr, 0, 1);
    net.HttpSendRequestA(request, nullptr, 0, nullptr, 0);
    std::string line;
    const bool ok = ReadFirstLine(net, request, line);
    return {ok, line};
}

TEST(FirstLineTest, ReadsThroughA4096ByteBufferUntilLineFeedOrEndOfData) {
    // The first line feed lies in the second buffer: two reads, nothing more.
    const std::string long_line(4100, 'a');
    FakeInternet two_buffers;
    EXPECT_EQ(ReadBody(two_buffers, long_line + "\r\n" + std::string(9000, 'b')),
              std::make_pair(true, long_line));
    EXPECT_EQ(two_buffers.read_sizes, (std::vector<plat::DWORD>{4096, 4096}));

    // No line feed: the whole body, however the platform splits it.
    FakeInternet pieces;
    EXPECT_EQ(ReadBody(pieces, "abc\r\rdef", 3), std::make_pair(true, std::string("abcdef")));
    EXPECT_EQ(pieces.read_sizes.size(), 4u);  // three pieces, then the end of the data

    FakeInternet empty;
    EXPECT_EQ(ReadBody(empty, ""), std::make_pair(true, std::string()));
    EXPECT_EQ(empty.read_sizes.size(), 1u);
}

TEST(FirstLineTest, AnEndlessLineIsReadToItsEndButKeptOnlyInPart) {
    FakeInternet huge;
    const auto [ok, line] = ReadBody(huge, std::string(10 * 1024 * 1024, 'x') + "\nrest");
    EXPECT_TRUE(ok);
    EXPECT_EQ(line, std::string(velmora::kReportKeptLineSize, 'x'));
    EXPECT_EQ(huge.read_sizes.size(), 10u * 1024 * 1024 / 4096 + 1);  // on to the line feed
}

TEST(ReportThreadTest, StartsDetachedWithStackSize4AndRunsTheReportOnTheGivenSystem) {
    fakes::FakeOs fake;
    velmora::StartReportThread(fake.os, velmora::kReportInstallPath);
    ASSERT_EQ(fake.kernel.threads.size(), 1u);
    EXPECT_EQ(fake.kernel.events, (Calls{"thread 4 /zarvoprinter/servlet/PrintInstall"}));
    EXPECT_EQ(fake.kernel.threads[0].start, &velmora::ReportThreadProc);
    EXPECT_EQ(fake.kernel.threads[0].argument,
              static_cast<const void*>(velmora::kReportInstallPath));
    EXPECT_TRUE(fake.internet.calls.empty());  // nothing happens on the caller's thread

    // Run the entry the way the new thread would.
    const auto thread = fake.kernel.threads[0];
    thread.start(thread.argument);
    ASSERT_EQ(fake.internet.requests.size(), 1u);
    EXPECT_EQ(fake.internet.requests[0].object, "/zarvoprinter/servlet/PrintInstall");
    EXPECT_TRUE(fake.internet.open.empty());

    velmora::ReportThreadProc(nullptr);
    EXPECT_EQ(fake.internet.requests.size(), 1u);
}

}  // namespace
