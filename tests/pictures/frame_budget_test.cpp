// The budget of a pack's decoded frames: what it lets through, that threads taking from it at
// once never pass its limit together, and that pictures take their frames' bytes before
// decoding them and give them back when they go.

#include "pictures/frame_budget.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "gif_test_helpers.h"
#include "pictures/bmp_decoder.h"
#include "support/bmp_writer.h"
#include "support/pack_builder.h"
#include "support/temp_dir.h"

namespace faceloom::test {
namespace {

TEST(FrameBudgetTest, TakesWhatFitsAndNothingOfWhatDoesNot) {
    TFrameBudget budget(100);
    // Steps in order: + take, - give, 0 lower the limit to the amount.
    const struct {
        char op;
        uint64_t bytes;
        bool taken;
        uint64_t held;
    } steps[] = {
        {'+', 60, true, 60},
        {'+', 41, false, 60},
        {'+', 40, true, 100},
        {'+', 1, false, 100},
        {'-', 60, true, 40},
        {'+', UINT64_MAX, false, 40},
        {'0', 30, true, 40},  // a lower limit takes
                              // nothing back ...
        {'+', 1, false, 40},  // ... and stops the next picture
        {'-', 40, true, 0},
        {'+', 30, true, 30},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(std::string(1, s.op) + std::to_string(s.bytes));
        bool taken = true;
        if (s.op == '+') taken = budget.Take(s.bytes);
        if (s.op == '-') budget.Give(s.bytes);
        if (s.op == '0') budget.SetLimit(s.bytes);
        EXPECT_EQ(taken, s.taken);
        EXPECT_EQ(budget.Held(), s.held);
    }
    EXPECT_EQ(budget.Peak(), 100u);
}

// The model's thread and its decoding thread take from one budget: together they never hold
// more than the limit, and what they give back returns it to nothing.
TEST(FrameBudgetTest, ThreadsTakingAtOnceNeverPassTheLimit) {
    TFrameBudget budget(20);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int k = 0; k < 20000; ++k) {
                if (budget.Take(7)) budget.Give(7);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_LE(budget.Peak(), 20u);
    EXPECT_EQ(budget.Held(), 0u);
}

// A GIF of 100 x 100 and three frames of one pixel: 10,000 bytes of palettised pixels and
// 1,600 of mask each, plus headers.
std::string ThreeFrames() {
    return OnePixelFramesGif(100, 3);
}

TRef<TPictureDecoder> DecodeUnder(const std::shared_ptr<TFrameBudget>& budget, const std::string& bytes) {
    TMemoryStream stream(bytes.data(), bytes.size());
    TRef<TPictureDecoder> picture(new TGifDecoder(stream));
    picture->WantSmileBitmaps = true;
    picture->Budget = budget;
    picture->Decode();
    picture->Stream = nullptr;  // read to its end and gone
    return picture;
}

TEST(FrameBudgetTest, PicturesTakeTheirFramesAndGiveThemBackWhenTheyGo) {
    const std::string bytes = ThreeFrames();
    auto budget = std::make_shared<TFrameBudget>(1 << 20);
    TRef<TPictureDecoder> first = DecodeUnder(budget, bytes);
    ASSERT_EQ(first->GetFrameCount(), 3);
    const uint64_t one = budget->Held();
    // Three frames of 100 rows of 100 pixels and a 16-byte mask row, with their headers; the
    // canvas it worked on is given back.
    EXPECT_GE(one, 3u * 100 * (100 + 16));
    EXPECT_LT(one, 4u * 100 * (100 + 16));
    EXPECT_GT(budget->Peak(), one);

    // Decoding again replaces the frames: they are not counted twice.
    TMemoryStream again(bytes.data(), bytes.size());
    first->Stream = &again;
    first->Decode();
    EXPECT_EQ(budget->Held(), one);

    // A second picture does not fit beside the first: it fails as too large for memory and
    // takes nothing; once the first goes, it fits.
    budget->SetLimit(one + one / 2);
    EXPECT_THROW(DecodeUnder(budget, bytes), ETooLargeForMemory);
    EXPECT_EQ(budget->Held(), one);
    first.reset();
    EXPECT_EQ(budget->Held(), 0u);
    TRef<TPictureDecoder> second = DecodeUnder(budget, bytes);
    EXPECT_EQ(budget->Held(), one);
    second.reset();
    EXPECT_EQ(budget->Held(), 0u);
}

// A bitmap takes its work surfaces before its pixels are read, and keeps its frame's bytes.
TEST(FrameBudgetTest, ABitmapIsChargedBeforeItsPixelsAreRead) {
    TempDir dir;
    const std::string file = dir.folder() + "a.bmp";
    WriteBmp(file, 100, 100);
    const struct {
        uint64_t limit;
        bool decoded;
    } cases[] = {{5 * 40000, true}, {5 * 40000 - 1, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limit);
        auto budget = std::make_shared<TFrameBudget>(c.limit);
        TRef<TPictureDecoder> picture(new TBmpDecoder(file));
        picture->WantSmileBitmaps = true;
        picture->Budget = budget;
        bool decoded = true;
        try {
            picture->Decode();
        } catch (const ETooLargeForMemory&) {
            decoded = false;
        }
        EXPECT_EQ(decoded, c.decoded);
        // The frame (40,000 bytes of pixels and 1,600 of mask) stays; nothing when it failed.
        EXPECT_EQ(budget->Held(), c.decoded ? 40000u + 1600u : 0u);
        picture.reset();
        EXPECT_EQ(budget->Held(), 0u);
    }
}

}  // namespace
}  // namespace faceloom::test
