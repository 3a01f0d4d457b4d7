#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <thread>
#include <vector>

#include "pictures/smile_bitmap32.h"
#include "pictures/smile_bitmap8.h"
#include "pictures/smile_image.h"

namespace faceloom {
namespace {

// A canvas where every pixel differs, so a pixel taken from the wrong place shows.
TSurface PatternCanvas(int32_t width, int32_t height) {
    TSurface canvas(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            canvas.SetPixel(x, y,
                            0xFF000000u | ((static_cast<uint32_t>(x * 37 + 11) << 12) ^
                                           static_cast<uint32_t>(y * 91 + 5)));
    return canvas;
}

// A 32-bit frame of random colours (also black and white ones, which the raster-op steps
// could confuse with the mask) and a random mask.
TSmileBitmap32 RandomFrame32(int32_t width, int32_t height, uint32_t seed, bool transparent = true) {
    std::mt19937 random(seed);
    TSmileBitmap32 frame;
    frame.Width = width;
    frame.Height = height;
    frame.Transparent = transparent;
    frame.Allocate();
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            uint32_t kind = random() % 8;
            TColor color = kind == 0 ? 0x000000 : kind == 1 ? 0xFFFFFF : random() & 0xFFFFFF;
            frame.SetPixel(x, y, color);
            frame.SetMaskBit(x, y, random() % 3 == 0);
        }
    }
    return frame;
}

// What a masked draw must leave: the frame's pixel (opaque top byte) where the mask bit is 0,
// the canvas's own pixel where it is 1 or outside the frame.
template <class PixelOf>
TSurface Expected(const TSurface& before, const TSmileBitmap& frame, int32_t left, int32_t top,
                  PixelOf pixelOf) {
    TSurface expected = before;
    for (int32_t y = 0; y < frame.Height; ++y) {
        for (int32_t x = 0; x < frame.Width; ++x) {
            if (frame.HasMask && frame.GetMaskBit(x, y)) continue;
            expected.SetPixel(left + x, top + y, 0xFF000000u | pixelOf(x, y));
        }
    }
    return expected;
}

void ExpectSamePixels(const TSurface& actual, const TSurface& expected) {
    ASSERT_EQ(actual.Width(), expected.Width());
    ASSERT_EQ(actual.Height(), expected.Height());
    int failures = 0;
    for (int32_t y = 0; y < actual.Height(); ++y) {
        for (int32_t x = 0; x < actual.Width(); ++x) {
            if (actual.GetPixel(x, y) != expected.GetPixel(x, y) && ++failures <= 5) {
                ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << actual.GetPixel(x, y)
                              << " instead of " << expected.GetPixel(x, y);
            }
        }
    }
    EXPECT_EQ(failures, 0);
}

TEST(SmileDraw, MaskedFrameKeepsTheCanvasWhereTransparent) {
    TSmileBitmap32 frame = RandomFrame32(20, 24, 1);
    auto pixelOf = [&frame](int32_t x, int32_t y) { return frame.GetPixel(x, y); };
    // Inside, and hanging over each edge of the canvas.
    for (auto [left, top] : {std::pair{3, 4}, std::pair{-5, -7}, std::pair{25, 20}, std::pair{-19, 30}}) {
        SCOPED_TRACE(testing::Message() << left << "," << top);
        TSurface canvas = PatternCanvas(40, 36);
        canvas.TextColor = 0x0000FF;        // the draw sets black and white itself ...
        canvas.BackgroundColor = 0x00FF00;  // ... and gives these back afterwards
        TSurface expected = Expected(canvas, frame, left, top, pixelOf);
        frame.Draw(left, top, canvas);
        ExpectSamePixels(canvas, expected);
        EXPECT_EQ(canvas.TextColor, 0x0000FFu);
        EXPECT_EQ(canvas.BackgroundColor, 0x00FF00u);
    }
}

TEST(SmileDraw, PalettisedFrameDrawsItsPaletteColoursThroughTheMask) {
    TSmileBitmap8 frame;
    frame.Width = 33;
    frame.Height = 5;
    frame.Transparent = true;
    frame.PaletteCount = 4;
    frame.Allocate();
    frame.SetPaletteEntry(0, 0x000000);
    frame.SetPaletteEntry(1, 0xFFFFFF);
    frame.SetPaletteEntry(2, 0x0080FF);  // platform colour: red FF, green 80
    frame.SetPaletteEntry(3, 0x123456);
    for (int32_t y = 0; y < 5; ++y) {
        for (int32_t x = 0; x < 33; ++x) {
            frame.SetPixel(x, y, static_cast<uint8_t>((x + y) % 4));
            frame.SetMaskBit(x, y, (x * y) % 5 == 1);
        }
    }
    TSurface canvas = PatternCanvas(40, 8);
    TSurface expected = Expected(canvas, frame, 2, 1, [&frame](int32_t x, int32_t y) {
        return frame.GetPaletteEntry(frame.GetPixel(x, y));
    });
    frame.Draw(2, 1, canvas);
    ExpectSamePixels(canvas, expected);
    EXPECT_EQ(canvas.GetPixel(2 + 2, 1 + 0), 0xFFFF8000u);  // index 2 at (2, 0), opaque
}

TEST(SmileDraw, FrameWithoutMaskIsCopiedWhole) {
    TSmileBitmap32 frame = RandomFrame32(6, 4, 2, false);
    TSurface canvas = PatternCanvas(10, 10);
    TSurface expected =
        Expected(canvas, frame, 1, 2, [&frame](int32_t x, int32_t y) { return frame.GetPixel(x, y); });
    frame.Draw(1, 2, canvas);
    ExpectSamePixels(canvas, expected);
}

TEST(SmileDraw, EmptyPaletteDrawsBlackWithoutReadingPastTheTable) {
    TSmileBitmap8 frame;
    frame.Width = 4;
    frame.Height = 2;
    frame.PaletteCount = 0;  // a picture without any colour table
    frame.Allocate();
    frame.SetPixel(0, 0, 255);
    frame.SetPixel(1, 0, 7);
    TSurface canvas(4, 2);
    canvas.Fill(0xFFFFFF);
    frame.Draw(0, 0, canvas);
    for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(canvas.GetPixel(x, 0), 0xFF000000u);
}

TEST(SmileDraw, UnallocatedFrameDrawsNothing) {
    TSmileBitmap32 frame;
    TSurface canvas(2, 2);
    canvas.Fill(0x445566);
    frame.Draw(0, 0, canvas);
    frame.StretchDraw(TRect{0, 0, 2, 2}, canvas);
    EXPECT_EQ(canvas.GetColor(1, 1), 0x445566u);
}

TEST(SmileDraw, StretchDrawScalesFrameAndMaskAlike) {
    TSmileBitmap32 frame = RandomFrame32(5, 3, 3);
    // Doubling: every frame pixel becomes a 2 x 2 block.
    TSurface canvas = PatternCanvas(14, 9);
    TSurface expected = canvas;
    for (int32_t y = 0; y < 6; ++y) {
        for (int32_t x = 0; x < 10; ++x) {
            if (!frame.GetMaskBit(x / 2, y / 2))
                expected.SetPixel(2 + x, 1 + y, 0xFF000000u | frame.GetPixel(x / 2, y / 2));
        }
    }
    frame.StretchDraw(TRect{2, 1, 12, 7}, canvas);
    ExpectSamePixels(canvas, expected);

    // At its own size a stretched draw equals a plain one.
    TSurface plain = PatternCanvas(14, 9);
    TSurface stretched = plain;
    frame.Draw(4, 4, plain);
    frame.StretchDraw(TRect{4, 4, 9, 7}, stretched);
    ExpectSamePixels(stretched, plain);
}

// What a masked draw doubled in both directions at (left, top) must leave.
TSurface ExpectedDoubled(const TSurface& before, const TSmileBitmap32& frame, int32_t left, int32_t top) {
    TSurface expected = before;
    for (int32_t y = 0; y < 2 * frame.Height; ++y)
        for (int32_t x = 0; x < 2 * frame.Width; ++x)
            if (!frame.GetMaskBit(x / 2, y / 2))
                expected.SetPixel(left + x, top + y, 0xFF000000u | frame.GetPixel(x / 2, y / 2));
    return expected;
}

TEST(SmileDraw, ScratchOnlyGrowsWhileScaledDrawsOfMixedSizesStayCorrect) {
    TSmileBitmap32 tall = RandomFrame32(20, 24, 4);
    TSmileBitmap32 small = RandomFrame32(19, 19, 5);
    TSmileBitmap32 wide = RandomFrame32(30, 10, 8);
    TSmileImage& image = TSmileImage::Instance();
    for (int round = 0; round < 2; ++round) {
        for (TSmileBitmap32* frame : {&tall, &small, &wide}) {
            const int64_t created = image.BitmapsCreated;
            const bool fits = image.HasBitmap && image.Width >= frame->Width && image.Height >= frame->Height;
            TSurface canvas = PatternCanvas(70, 60);
            TSurface expected = ExpectedDoubled(canvas, *frame, 5, 3);
            frame->StretchDraw(TRect{5, 3, 5 + 2 * frame->Width, 3 + 2 * frame->Height}, canvas);
            ExpectSamePixels(canvas, expected);
            EXPECT_GE(image.Width, frame->Width);
            EXPECT_GE(image.Height, frame->Height);
            EXPECT_EQ(image.BitmapsCreated, created + (fits ? 0 : 1));
        }
    }
    // After one round the scratch holds every size: 30 x 24 at least, no new bitmap since.
    EXPECT_GE(image.Width, 30);
    EXPECT_GE(image.Height, 24);
    // An unscaled draw needs no scratch at all.
    const int64_t created = image.BitmapsCreated;
    TSmileBitmap32 large = RandomFrame32(40, 40, 9);
    TSurface canvas(50, 50);
    large.Draw(0, 0, canvas);
    EXPECT_EQ(image.BitmapsCreated, created);
}

TEST(SmileDraw, ScratchDoesNotGrowToTheProductOfAWideAndATallFrame) {
    TSmileImage image;
    TSurface canvas;
    image.Prepare(4000, 2, canvas);
    image.Prepare(3, 3000, canvas);  // 4000 x 3000 would be 12 million pixels
    EXPECT_EQ(image.Width, 3);
    EXPECT_EQ(image.Height, 3000);
    EXPECT_EQ(image.Bitmap().Width(), 3);
    EXPECT_EQ(image.Bitmap().Height(), 3000);
    image.Prepare(200, 10, canvas);  // 200 x 3000 stays within the bound
    EXPECT_EQ(image.Bitmap().Width(), 200);
    EXPECT_EQ(image.Bitmap().Height(), 3000);
}

TEST(SmileDraw, ConcurrentMaskedDrawsShareTheScratchSafely) {
    // The GUI thread and the render thread draw at once: scaled draws share the scratch
    // surface under its lock, unscaled ones use none; every result stays whole.
    TSmileBitmap32 a = RandomFrame32(20, 24, 6);
    TSmileBitmap32 b = RandomFrame32(13, 17, 7);
    auto run = [](const TSmileBitmap32& frame, int* failures) {
        const TSurface start = PatternCanvas(60, 60);
        const TSurface doubled = ExpectedDoubled(start, frame, 1, 2);
        const TSurface plain =
            Expected(start, frame, 1, 2, [&frame](int32_t x, int32_t y) { return frame.GetPixel(x, y); });
        for (int i = 0; i < 200; ++i) {
            TSurface canvas = start;
            const bool scaled = i % 2 == 0;
            if (scaled) {
                frame.StretchDraw(TRect{1, 2, 1 + 2 * frame.Width, 2 + 2 * frame.Height}, canvas);
            } else {
                frame.Draw(1, 2, canvas);
            }
            const TSurface& expected = scaled ? doubled : plain;
            for (int32_t y = 0; y < 60; ++y)
                for (int32_t x = 0; x < 60; ++x)
                    if (canvas.GetPixel(x, y) != expected.GetPixel(x, y)) ++*failures;
        }
    };
    int failuresA = 0;
    int failuresB = 0;
    std::thread other(run, std::cref(b), &failuresB);
    run(a, &failuresA);
    other.join();
    EXPECT_EQ(failuresA, 0);
    EXPECT_EQ(failuresB, 0);
}

}  // namespace
}  // namespace faceloom
