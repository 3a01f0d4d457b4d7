// Any bytes as a hand-over block: the parser reads nothing outside the block, accepts a block
// only when its lengths fit, and gives texts that are prefixes of their fields.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "platform/hand_over.h"

namespace {

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The block's own process id, so that parsing goes past the first check.
    const uint32_t pid = size >= 4 ? Le32(data) : 0;
    const auto folders = faceloom::ParseHandOverBlock(data, size, pid);
    FUZZ_CHECK(!faceloom::ParseHandOverBlock(data, size, pid + 1));
    if (!folders) return 0;

    FUZZ_CHECK(size >= faceloom::kHandOverHeaderSize);
    const uint64_t baseLength = Le32(data + 4);
    const uint64_t packLength = Le32(data + 8);
    FUZZ_CHECK(baseLength + packLength + 14 <= size);
    FUZZ_CHECK(!folders->BaseFolder.empty());
    FUZZ_CHECK(folders->BaseFolder.size() <= baseLength);
    FUZZ_CHECK(folders->PackFolder.size() <= packLength);
    FUZZ_CHECK(folders->BaseFolder.find('\0') == std::string::npos);
    FUZZ_CHECK(folders->PackFolder.find('\0') == std::string::npos);
    FUZZ_CHECK(std::memcmp(folders->BaseFolder.data(), data + 12, folders->BaseFolder.size()) == 0);
    FUZZ_CHECK(std::memcmp(folders->PackFolder.data(), data + 13 + baseLength, folders->PackFolder.size()) ==
               0);
    return 0;
}
