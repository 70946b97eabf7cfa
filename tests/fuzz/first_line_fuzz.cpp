// The report's first-line reader on any response body, served in reads of any size: the line
// holds no carriage return or line feed and is the body up to its first line feed with the
// carriage returns dropped. The first input byte sets the most bytes one read hands out.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "report/report.h"

namespace {

// A request whose body is read in pieces; nothing else of WinINet is used by the reader.
class BodyInternet : public plat::Internet {
  public:
    BodyInternet(std::string_view body, std::size_t piece) : body_(body), piece_(piece) {}

    plat::HINTERNET InternetOpenA(const char*, plat::DWORD, const char*, const char*,
                                  plat::DWORD) override {
        return nullptr;
    }
    plat::BOOL InternetSetOptionExA(plat::HINTERNET, plat::DWORD, void*, plat::DWORD,
                                    plat::DWORD) override {
        return plat::kFalse;
    }
    plat::HINTERNET InternetConnectA(plat::HINTERNET, const char*, plat::WORD, const char*,
                                     const char*, plat::DWORD, plat::DWORD,
                                     std::uintptr_t) override {
        return nullptr;
    }
    plat::HINTERNET HttpOpenRequestA(plat::HINTERNET, const char*, const char*, const char*,
                                     const char*, const char**, plat::DWORD,
                                     std::uintptr_t) override {
        return nullptr;
    }
    plat::BOOL HttpSendRequestA(plat::HINTERNET, const char*, plat::DWORD, void*,
                                plat::DWORD) override {
        return plat::kFalse;
    }
    plat::BOOL InternetReadFile(plat::HINTERNET, void* buffer, plat::DWORD to_read,
                                plat::DWORD* read) override {
        const std::size_t n = std::min({std::size_t{to_read}, piece_, body_.size() - offset_});
        std::memcpy(buffer, body_.data() + offset_, n);
        offset_ += n;
        *read = static_cast<plat::DWORD>(n);
        ++reads;
        return plat::kTrue;
    }
    plat::BOOL InternetCloseHandle(plat::HINTERNET) override { return plat::kTrue; }

    std::size_t reads = 0;

  private:
    std::string_view body_;
    std::size_t piece_;
    std::size_t offset_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t piece = 1 + std::size_t{data[0]} * 20;  // 1 to 5101: across the buffer
    const std::string_view body(reinterpret_cast<const char*>(data) + 1, size - 1);

    BodyInternet internet(body, piece);
    std::string line;
    FUZZ_REQUIRE(velmora::ReadFirstLine(internet, nullptr, line));

    FUZZ_REQUIRE(line.find_first_of("\r\n") == std::string::npos);
    std::string expected;
    for (const char c : body.substr(0, body.find('\n'))) {
        if (c != '\r') expected.push_back(c);
    }
    FUZZ_REQUIRE(line == expected);
    // Reading stops with the piece that holds the first line feed, or at the end of the data.
    const bool has_line_feed = body.find('\n') != std::string_view::npos;
    const std::size_t needed = has_line_feed ? body.find('\n') + 1 : body.size();
    const std::size_t per_read = std::min(piece, velmora::kReportReadBufferSize);
    FUZZ_REQUIRE(internet.reads == (needed + per_read - 1) / per_read + (has_line_feed ? 0 : 1));
    return 0;
}
