#include "platform/hand_over.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <semaphore.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>

namespace faceloom {
namespace {

void PutLe32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A block as the sender lays it out; lengths are given apart from the texts, so a test can
// make them lie.
std::string Block(uint32_t pid, uint32_t baseLength, uint32_t packLength, const std::string& baseField,
                  const std::string& packField) {
    std::string out;
    PutLe32(out, pid);         // process id the block is meant for
    PutLe32(out, baseLength);  // L1
    PutLe32(out, packLength);  // L2
    out += baseField;          // base folder text and its NUL (L1 + 1 bytes when honest)
    out += packField;          // pack folder text and its NUL (L2 + 1 bytes when honest)
    return out;
}

// An honest block.
std::string Block(uint32_t pid, const std::string& base, const std::string& pack) {
    return Block(pid, static_cast<uint32_t>(base.size()), static_cast<uint32_t>(pack.size()),
                 base + std::string(1, '\0'), pack + std::string(1, '\0'));
}

std::optional<THandOverFolders> Parse(const std::string& block, uint32_t pid = 4242) {
    return ParseHandOverBlock(reinterpret_cast<const uint8_t*>(block.data()), block.size(), pid);
}

TEST(HandOverBlock, GivesBothFoldersOfABlockForThisProcess) {
    const auto folders = Parse(Block(4242, "/packs/base/", "/packs/base/Animated/"));
    ASSERT_TRUE(folders);
    EXPECT_EQ(folders->BaseFolder, "/packs/base/");
    EXPECT_EQ(folders->PackFolder, "/packs/base/Animated/");

    const auto baseOnly = Parse(Block(4242, "/packs/base/", ""));
    ASSERT_TRUE(baseOnly);
    EXPECT_EQ(baseOnly->PackFolder, "");
    // Bytes after the block do not matter.
    EXPECT_TRUE(Parse(Block(4242, "/b/", "/p/") + std::string(100, 'x')));
}

TEST(HandOverBlock, IsNoHandOverForAnotherProcessOrWhenItsLengthsLie) {
    const std::string good = Block(4242, "/base/", "/pack/");
    struct TCase {
        const char* what;
        std::string block;
    } cases[] = {
        {"another process", Block(4243, "/base/", "/pack/")},
        {"shorter than the header", good.substr(0, 11)},
        {"one byte short of L1 + L2 + 14", good.substr(0, good.size() - 1)},
        {"L1 past the end", Block(4242, 1000, 0, "/base/" + std::string(1, '\0'), std::string(1, '\0'))},
        // 0xFFFFFFFF + 15 + 14 wraps to 28 in 32 bits, which the 40 bytes below would hold.
        {"lengths whose 32-bit sum wraps", Block(4242, 0xFFFFFFFFu, 15, std::string(28, 'a'), "")},
        {"lengths near 2^32 each", Block(4242, 0x80000000u, 0x80000000u, std::string(64, 'a'), "")},
        {"no base folder", Block(4242, "", "/pack/")},
        {"larger than any two folders", Block(4242, std::string(70000, 'a'), "")},
    };
    for (const TCase& c : cases) {
        EXPECT_FALSE(Parse(c.block)) << c.what;
    }
    EXPECT_FALSE(ParseHandOverBlock(nullptr, 0, 4242));
}

TEST(HandOverBlock, EachTextEndsAtItsNulOrAtTheEndOfItsField) {
    // The base text has an early NUL; the pack text's NUL slot holds a letter instead, and a
    // letter follows the block: neither may join the text.
    const auto folders = Parse(Block(4242, 6, 4, std::string("/a\0xyz\0", 7), "/bcdX") + "Y");
    ASSERT_TRUE(folders);
    EXPECT_EQ(folders->BaseFolder, "/a");
    EXPECT_EQ(folders->PackFolder, "/bcd");
}

// The block and event of one test, under names no other run uses; removed afterwards.
class HandOverObjects : public ::testing::Test {
protected:
    HandOverObjects()
        : names(HandOverNames("-test-" + std::to_string(::getpid()) + "-" +
                              ::testing::UnitTest::GetInstance()->current_test_info()->name())) {}
    ~HandOverObjects() override {
        ::shm_unlink(("/" + names.Block).c_str());
        if (event != SEM_FAILED) {
            ::sem_close(event);
            ::sem_unlink(("/" + names.Event).c_str());
        }
    }

    void PublishBlock(const std::string& bytes) {
        const int fd = ::shm_open(("/" + names.Block).c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        ::close(fd);
    }
    void CreateEvent() {
        event = ::sem_open(("/" + names.Event).c_str(), O_CREAT | O_EXCL, 0600, 0);
        ASSERT_NE(event, SEM_FAILED);
    }
    int Posts() {
        int value = -1;
        ::sem_getvalue(event, &value);
        return value;
    }

    THandOverNames names;
    sem_t* event = SEM_FAILED;
};

TEST_F(HandOverObjects, ABlockForThisProcessIsReadAndAcknowledgedOnce) {
    CreateEvent();
    PublishBlock(Block(CurrentProcessId(), "/home/u/packs/", ""));
    const auto folders = ReadHandOverBlock(names);
    ASSERT_TRUE(folders);
    EXPECT_EQ(folders->BaseFolder, "/home/u/packs/");
    EXPECT_EQ(folders->PackFolder, "");
    EXPECT_EQ(Posts(), 1);
}

TEST_F(HandOverObjects, AnUnusableBlockIsNotAcknowledged) {
    CreateEvent();
    EXPECT_FALSE(ReadHandOverBlock(names));  // no block at all
    PublishBlock(Block(CurrentProcessId() + 1, "/base/", "/pack/"));
    EXPECT_FALSE(ReadHandOverBlock(names));
    // Lengths beyond the object's real size.
    const std::string block = Block(CurrentProcessId(), "/base/", "/pack/");
    PublishBlock(block.substr(0, block.size() - 3));
    EXPECT_FALSE(ReadHandOverBlock(names));
    EXPECT_EQ(Posts(), 0);
}

TEST_F(HandOverObjects, AMissingEventDoesNotStopTheHandOver) {
    PublishBlock(Block(CurrentProcessId(), "/base/", "/pack/"));
    const auto folders = ReadHandOverBlock(names);
    ASSERT_TRUE(folders);
    EXPECT_EQ(folders->PackFolder, "/pack/");
}

TEST(HandOverNames, TheProgramUsesThePlainNames) {
    EXPECT_EQ(HandOverNames().Block, "FaceloomFile");
    EXPECT_EQ(HandOverNames().Event, "FaceloomEvent");
}

}  // namespace
}  // namespace faceloom
