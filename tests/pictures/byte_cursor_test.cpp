// The bounded cursor every reader of outside files stands on (GIF, BMP, language modules):
// reads past the end fail without moving, offsets near 2^64 cannot wrap into range.
#include "platform/byte_cursor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string_view>

namespace faceloom {
namespace {

const uint8_t kBytes[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09};

TEST(ByteCursor, ReadsLittleEndianAndFailsAtTheEndWithoutMoving) {
    TByteCursor cursor(kBytes, sizeof kBytes);
    uint16_t u16 = 0;
    uint32_t u32 = 0;
    ASSERT_TRUE(cursor.ReadU16(u16));
    EXPECT_EQ(u16, 0x0201);
    ASSERT_TRUE(cursor.ReadU32(u32));
    EXPECT_EQ(u32, 0x06050403u);
    uint64_t u64 = 0;
    EXPECT_FALSE(cursor.ReadU64(u64));  // three bytes left
    EXPECT_EQ(cursor.Position(), 6u);
    EXPECT_EQ(cursor.Take(4), nullptr);
    EXPECT_FALSE(cursor.Skip(4));
    EXPECT_EQ(cursor.Position(), 6u);
    const uint8_t* rest = cursor.Take(3);
    ASSERT_NE(rest, nullptr);
    EXPECT_EQ(rest[2], 0x09);
    uint8_t u8 = 0;
    EXPECT_FALSE(cursor.ReadU8(u8));
    EXPECT_EQ(cursor.Remaining(), 0u);
}

TEST(ByteCursor, RangesThatWouldWrapAreOutside) {
    const TByteCursor cursor(kBytes, sizeof kBytes);
    constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
    struct Case {
        uint64_t offset, length;
        bool inside;
    };
    for (const Case& c :
         {Case{0, 9, true}, Case{9, 0, true}, Case{8, 1, true}, Case{8, 2, false}, Case{10, 0, false},
          Case{kMax, 2, false}, Case{2, kMax, false}, Case{kMax, kMax, false}}) {
        SCOPED_TRACE(testing::Message() << c.offset << " + " << c.length);
        EXPECT_EQ(cursor.Contains(c.offset, c.length), c.inside);
        EXPECT_EQ(cursor.SubRange(c.offset, c.length).has_value(), c.inside);
    }
    TByteCursor seeking = cursor;
    EXPECT_FALSE(seeking.Seek(kMax));
    EXPECT_TRUE(seeking.Seek(9));
}

TEST(ByteCursor, SubRangeReadsOnlyItsOwnBytes) {
    const TByteCursor cursor(kBytes, sizeof kBytes);
    auto sub = cursor.SubRange(3, 2);
    ASSERT_TRUE(sub.has_value());
    std::string_view bytes;
    EXPECT_FALSE(sub->ReadBytes(3, bytes));
    ASSERT_TRUE(sub->ReadBytes(2, bytes));
    EXPECT_EQ(bytes, std::string_view("\x04\x05", 2));
}

TEST(ByteCursor, EmptyAndNullBytesHaveNothingToRead) {
    for (TByteCursor cursor : {TByteCursor(), TByteCursor(nullptr, 5), TByteCursor(std::string_view())}) {
        uint8_t u8 = 0;
        EXPECT_EQ(cursor.Size(), 0u);
        EXPECT_FALSE(cursor.ReadU8(u8));
        EXPECT_NE(cursor.Take(0), nullptr);  // no bytes are always there
    }
}

}  // namespace
}  // namespace faceloom
