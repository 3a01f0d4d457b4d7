#include "pictures/transparent_smile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "pictures/smile_bitmap32.h"
#include "pictures/smile_bitmap8.h"

namespace faceloom {
namespace {

TSmileBitmap32 MaskedFrame32(int32_t width, int32_t height, uint32_t seed) {
    std::mt19937 random(seed);
    TSmileBitmap32 frame;
    frame.Width = width;
    frame.Height = height;
    frame.Transparent = true;
    frame.Allocate();
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            frame.SetPixel(x, y, random() & 0xFFFFFF);
            frame.SetMaskBit(x, y, random() % 3 == 0);
        }
    }
    return frame;
}

// Display pixel (x, y) of a converted frame (stored bottom-up).
uint32_t At(const TTransparentSmile& smile, int32_t x, int32_t y) {
    return smile.Pixels[static_cast<size_t>(smile.Height - 1 - y) * smile.Width + x];
}

TEST(TransparentSmile, ConvertWithoutShadowFollowsEveryMaskRow) {
    // Width 33: mask rows are 64 bits apart, so a reader that does not jump to the next
    // 32-bit boundary at each row end gets every row after the first wrong.
    TSmileBitmap32 source = MaskedFrame32(33, 7, 1);
    source.SetPixel(0, 0, 0x000000);
    source.SetMaskBit(0, 0, false);
    TTransparentSmile smile;
    smile.ConvertFrom(source, false);
    ASSERT_TRUE(smile.Allocated);
    EXPECT_FALSE(smile.HasMask);
    EXPECT_FALSE(smile.Transparent);
    EXPECT_EQ(smile.Width, 33);
    EXPECT_EQ(smile.Height, 7);
    EXPECT_EQ(smile.SourceWidth, 33);
    EXPECT_EQ(smile.SourceHeight, 7);
    EXPECT_EQ(smile.RowStride, 33 * 4);
    for (int32_t y = 0; y < 7; ++y) {
        for (int32_t x = 0; x < 33; ++x) {
            uint32_t expected = source.GetMaskBit(x, y) ? 0u : 0xFF000000u | source.GetPixel(x, y);
            EXPECT_EQ(At(smile, x, y), expected) << x << "," << y;
        }
    }
    EXPECT_EQ(At(smile, 0, 0), 0xFF000000u);  // opaque black is not transparent
}

TEST(TransparentSmile, ShadowEnlargesTheFrameAndImageWinsOverShadow) {
    TSmileBitmap32 source = MaskedFrame32(20, 24, 2);
    source.SetMaskBit(19, 23, false);
    TTransparentSmile smile;
    smile.ShadowX = 5;
    smile.ShadowY = 5;
    smile.ConvertFrom(source, true);
    ASSERT_EQ(smile.Width, 25);
    ASSERT_EQ(smile.Height, 29);
    EXPECT_EQ(smile.SourceWidth, 20);
    EXPECT_EQ(smile.SourceHeight, 24);
    ASSERT_EQ(smile.Pixels.size(), 25u * 29u);
    auto opaque = [&source](int32_t x, int32_t y) {
        return x >= 0 && y >= 0 && x < 20 && y < 24 && !source.GetMaskBit(x, y);
    };
    for (int32_t y = 0; y < 29; ++y) {
        for (int32_t x = 0; x < 25; ++x) {
            uint32_t expected = opaque(x, y)           ? 0xFF000000u | source.GetPixel(x, y)
                                : opaque(x - 5, y - 5) ? 0x20000000u
                                                       : 0u;
            EXPECT_EQ(At(smile, x, y), expected) << x << "," << y;
        }
    }
    EXPECT_EQ(At(smile, 24, 28), 0x20000000u);
    EXPECT_FALSE(smile.HitTest(3, 3));
    EXPECT_FALSE(smile.HitTest(24, 28));
}

TEST(TransparentSmile, PalettisedSourceTakesPaletteColours) {
    TSmileBitmap8 source;
    source.Width = 9;
    source.Height = 2;
    source.Transparent = true;
    source.PaletteCount = 2;
    source.Allocate();
    source.SetPaletteEntry(0, 0x0000FF);  // red
    source.SetPaletteEntry(1, 0xFF0000);  // blue
    for (int32_t x = 0; x < 9; ++x) {
        source.SetPixel(x, 0, static_cast<uint8_t>(x % 2));
        source.SetPixel(x, 1, 1);
        source.SetMaskBit(x, 1, x == 8);
    }
    TTransparentSmile smile;
    smile.ConvertFrom(source, false);
    EXPECT_EQ(At(smile, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(At(smile, 1, 0), 0xFF0000FFu);
    EXPECT_EQ(At(smile, 7, 1), 0xFF0000FFu);
    EXPECT_EQ(At(smile, 8, 1), 0u);
}

TEST(TransparentSmile, SourceWithoutTransparencyLeavesTheFrameEmpty) {
    TSmileBitmap32 plain;
    plain.Width = 4;
    plain.Height = 4;
    plain.Allocate();
    TTransparentSmile smile;
    smile.ConvertFrom(plain, true);
    EXPECT_FALSE(smile.Allocated);
    EXPECT_EQ(smile.Width, 0);
    EXPECT_TRUE(smile.Pixels.empty());

    // Flagged transparent but never allocated: no mask to read either.
    TSmileBitmap8 unallocated;
    unallocated.Transparent = true;
    smile.ConvertFrom(unallocated, false);
    EXPECT_FALSE(smile.Allocated);
}

}  // namespace
}  // namespace faceloom
