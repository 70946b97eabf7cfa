// The report's first-line reader on any answer the server may send, served in reads of any size:
// the line is the answer up to its first line feed without carriage returns (at most the kept
// size), and reading stops with the read that holds that line feed, or at the end.
#include <cstdio>
#include <cstdlib>

#include "fake_system.h"
#include "report/report.h"

namespace {

void Require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();  // libFuzzer records the input
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    fake::System server;
    server.piece = 1 + std::size_t{data[0]} * 20;  // 1 to 5101 bytes a read: across the buffer
    server.body.assign(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string_view body = server.body;

    std::string line;
    Require(velmora::ReadFirstLine(server, server.SentRequest(), line), "every read succeeds");
    std::string expected;
    for (const char c : body.substr(0, body.find('\n'))) {
        if (c != '\r' && expected.size() < velmora::kReportKeptLineSize) expected.push_back(c);
    }
    Require(line == expected, "the line is the answer's first, without carriage returns");
    const bool has_line_feed = body.find('\n') != std::string_view::npos;
    const std::size_t needed = has_line_feed ? body.find('\n') + 1 : body.size();
    const std::size_t per_read = std::min(server.piece, velmora::kReportReadBufferSize);
    Require(server.reads == (needed + per_read - 1) / per_read + (has_line_feed ? 0 : 1),
            "reading stops at the line feed or the end");
    return 0;
}
