// The module-directory split on any byte string: a prefix of the name that is empty or ends
// in a backslash, and exactly the part up to the last backslash that is not the trail byte
// of a double-byte character.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "install/driver_package.h"

namespace {

// Straightforward reference: walk the bytes, a lead byte 0x81..0xFE taking the next with it.
std::size_t ReferenceDirectoryLength(std::string_view name) {
    std::size_t end = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (byte >= 0x81 && byte <= 0xFE) {
            ++i;
        } else if (byte == '\\') {
            end = i + 1;
        }
    }
    return end;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view name(reinterpret_cast<const char*>(data), size);
    const std::string directory = velmora::ModuleDirectoryOf(name);

    FUZZ_REQUIRE(name.substr(0, directory.size()) == directory);
    FUZZ_REQUIRE(directory.empty() || directory.back() == '\\');
    FUZZ_REQUIRE(directory.size() == ReferenceDirectoryLength(name));
    return 0;
}
