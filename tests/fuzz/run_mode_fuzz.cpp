// The mode choice on any command-line tail agrees with the plain reading of the rule: "-u"
// anywhere uninstalls, else "-i" anywhere installs, else the dialog opens.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/run_mode.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The tail is a C string: it ends at the first zero byte.
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string_view tail(bytes.c_str());

    velmora::RunMode expected = velmora::RunMode::Dialog;
    if (tail.find("-u") != std::string_view::npos) {
        expected = velmora::RunMode::Uninstall;
    } else if (tail.find("-i") != std::string_view::npos) {
        expected = velmora::RunMode::Install;
    }
    FUZZ_REQUIRE(velmora::ChooseRunMode(bytes.c_str()) == expected);
    FUZZ_REQUIRE(velmora::ChooseRunMode(nullptr) == velmora::RunMode::Dialog);
    return 0;
}
