// The report's answer against the pretend server: its first line read through any reads, and
// logged in part, escaped.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

#include "fake_system.h"
#include "report/report.h"

namespace {

using namespace fake;

// Whether the first line of `body`, served at most `piece` bytes a read, was read; the line;
// the reads it took.
std::string Read(const std::string& body, std::size_t piece, int failing_read = 0) {
    System f;
    f.body = body;
    f.piece = piece;
    if (failing_read) f.fail("InternetReadFile", 12002, failing_read - 1);
    std::string line;
    const bool ok = velmora::ReadFirstLine(f, f.SentRequest(), line);
    return Say(' ', ok, line, f.reads);
}

TEST(ReportTest, TheAnswerIsLoggedInPartWholeCharactersOnlyControlsEscaped) {
    System f;
    // A lead byte without a trail byte (what the system makes of it) and an escape, then the
    // highest double-byte character, three bytes in the log's UTF-8: 11 bytes. Of the 100 bytes
    // kept, the character after the 89 letters would end past them: it is cut whole.
    f.body = "\x81\x1b[2J\xFE\xFE" + std::string(89, 'a') + "\xD6\xD0tail\n";
    EXPECT_EQ(Program(f, "-u -q"), 1);
    f.RunThreads();
    EXPECT_THAT(f.RunLog(), testing::EndsWith("|report /zarvoprinter/servlet/PrintUnInstall: "
                                              "answered \"?\\x1B[2J\xFE\xFE" +
                                              std::string(89, 'a') + "\""));
}

TEST(FirstLineTest, ReadThrough4096BytesAtATimeToTheLineFeedOrTheEnd) {
    const std::string a(4100, 'a');
    EXPECT_EQ(Read(a + "\r\n" + std::string(9000, 'b'), SIZE_MAX), "1 " + a + " 2 ");
    EXPECT_EQ(Read("ab\r", 3) + Read("ab\r\ncd", 3), "1 ab 2 1 ab 2 ");  // CR LF across reads
    EXPECT_EQ(Read("", 3) + Read("\nx", 3), "1  1 1  1 ");
    EXPECT_EQ(Read("abcdef", 3, 2), "0 abc 1 ");
    // An endless line is read on to its end but kept only in part.
    const std::size_t endless = 10 << 20;
    EXPECT_EQ(Read(std::string(endless, 'x') + "\nrest", SIZE_MAX),
              "1 " + std::string(velmora::kReportKeptLineSize, 'x') + " " +
                  Str(endless / 4096 + 1) + " ");
}

// Any answer in reads of any size: the line is the answer up to its first line feed without
// carriage returns (at most the kept size); reading stops with the read that holds the line feed.
TEST(FirstLineTest, AnyAnswerInReadsOfAnySize) {
    std::mt19937 random(20261207);
    for (int round = 0; round < 3000; ++round) {
        std::string body(random() % 9000, 'x'), expected;
        for (char& c : body) c = random() % 3000 == 0 ? '\n' : "ab\r\xD6"[random() % 4];
        const std::size_t piece = 1 + random() % 5101, end = std::min(body.find('\n'), body.size());
        for (const char c : body.substr(0, end)) {
            if (c != '\r' && expected.size() < velmora::kReportKeptLineSize) expected += c;
        }
        const std::size_t per_read = std::min(piece, velmora::kReportReadBufferSize);
        const std::size_t reads =
            (end + (end < body.size()) + per_read - 1) / per_read + (end == body.size());
        EXPECT_EQ(Read(body, piece), Say(' ', 1, expected, reads)) << round;
    }
}

}  // namespace
