// The install/uninstall report against the pretend server: the request on its own thread, its
// quiet failures, and the reading of the answer's first line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

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

}  // namespace
