#include "platform/raster_ops.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "platform/bitmap.h"
#include "platform/surface.h"

namespace faceloom {
namespace {

// A 40-byte header followed by a colour table, as the frames keep them.
std::vector<uint8_t> DibHeader(int32_t width, int32_t height, uint16_t bitCount,
                               const std::vector<uint32_t>& palette) {
    std::vector<uint8_t> h(40 + 4 * palette.size(), 0);
    auto put = [&h](size_t at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i) h[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put(0, 40, 4);                                      // header size
    put(4, static_cast<uint32_t>(width), 4);            // width
    put(8, static_cast<uint32_t>(height), 4);           // height (negative: top-down)
    put(12, 1, 2);                                      // planes
    put(14, bitCount, 2);                               // bits per pixel
    put(32, static_cast<uint32_t>(palette.size()), 4);  // colours used
    for (size_t i = 0; i < palette.size(); ++i) put(40 + 4 * i, palette[i], 4);  // 0x00RRGGBB
    return h;
}

TEST(Surface, OwnedSurfaceStartsOpaqueBlackAndConvertsColours) {
    TSurface surface(3, 2);
    EXPECT_EQ(surface.StrideBytes(), 12);
    EXPECT_EQ(surface.GetPixel(2, 1), 0xFF000000u);
    surface.SetColor(1, 0, 0x00332211);  // platform colour 0x00BBGGRR
    EXPECT_EQ(surface.GetPixel(1, 0), 0xFF112233u);
    EXPECT_EQ(surface.GetColor(1, 0), 0x00332211u);
    surface.SetPixel(3, 0, 1);  // outside: ignored
    EXPECT_EQ(surface.GetPixel(3, 0), 0u);
}

TEST(Surface, WrapsForeignMemoryWithoutCopyingAndCopiesOwnTheirPixels) {
    // 2 x 2 pixels in rows of 3 words: the third word of each row is padding.
    std::vector<uint32_t> memory(6, 0xDEADBEEF);
    TSurface wrapped = TSurface::Wrap(memory.data(), 2, 2, 12);
    EXPECT_FALSE(wrapped.OwnsMemory());
    wrapped.Fill(0x0000FF);
    EXPECT_EQ(memory, (std::vector<uint32_t>{0xFFFF0000, 0xFFFF0000, 0xDEADBEEF, 0xFFFF0000, 0xFFFF0000,
                                             0xDEADBEEF}));

    TSurface copy = wrapped;
    EXPECT_TRUE(copy.OwnsMemory());
    copy.SetColor(0, 0, 0);
    EXPECT_EQ(memory[0], 0xFFFF0000u);

    TSurface moved = std::move(wrapped);
    moved.SetColor(1, 1, 0);
    EXPECT_EQ(memory[4], 0xFF000000u);
}

TEST(RasterOps, EachOperationActsOnColourBitsAndKeepsTheTopByte) {
    struct Case {
        TRasterOp op;
        uint32_t expected;
    };
    const uint32_t source = 0x00F0CC0F;
    const uint32_t dest = 0x12AA33FF;
    for (Case c : {Case{TRasterOp::SrcCopy, 0x12F0CC0F}, Case{TRasterOp::SrcAnd, 0x12A0000F},
                   Case{TRasterOp::SrcInvert, 0x125AFFF0}, Case{TRasterOp::SrcErase, 0x1250CC00}}) {
        TSurface from(1, 1);
        from.SetPixel(0, 0, 0xFF000000u | source);
        TSurface to(1, 1);
        to.SetPixel(0, 0, dest);
        BitBlt(to, 0, 0, from, c.op);
        EXPECT_EQ(to.GetPixel(0, 0), c.expected) << static_cast<int>(c.op);
    }
}

TEST(RasterOps, EightBitDibReadsBottomUpRowsThroughThePalette) {
    // 3 x 2, rows padded to 4 bytes, bottom row first.
    std::vector<uint8_t> header = DibHeader(3, 2, 8, {0x000000, 0xFF0000, 0x00FF00, 0x0000FF});
    std::vector<uint8_t> bits = {1, 2, 3, 0,   // bottom row
                                 3, 3, 1, 0};  // top row
    TDibBits dib = TDibBits::FromHeader(header.data(), header.size(), bits.data(), bits.size());
    ASSERT_TRUE(dib.Valid());
    TSurface surface(4, 3);
    DrawDibBits(surface, 1, 1, dib, TRasterOp::SrcCopy);
    EXPECT_EQ(surface.GetPixel(0, 0), 0xFF000000u);
    EXPECT_EQ(surface.GetPixel(1, 1), 0xFF0000FFu);
    EXPECT_EQ(surface.GetPixel(3, 1), 0xFFFF0000u);
    EXPECT_EQ(surface.GetPixel(1, 2), 0xFFFF0000u);
    EXPECT_EQ(surface.GetPixel(2, 2), 0xFF00FF00u);
    EXPECT_EQ(surface.GetPixel(3, 2), 0xFF0000FFu);
}

TEST(RasterOps, IndexesBeyondAShortPaletteDrawBlack) {
    std::vector<uint8_t> header = DibHeader(2, 1, 8, {0xFFFFFF});  // one entry only
    std::vector<uint8_t> bits = {0, 200, 0, 0};
    TDibBits dib = TDibBits::FromHeader(header.data(), header.size(), bits.data(), bits.size());
    EXPECT_EQ(dib.PaletteEntries, 1);
    TSurface surface(2, 1);
    surface.Fill(0x808080);
    DrawDibBits(surface, 0, 0, dib, TRasterOp::SrcCopy);
    EXPECT_EQ(surface.GetPixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(surface.GetPixel(1, 0), 0xFF000000u);
}

TEST(RasterOps, MonochromeSourceUsesTextAndBackgroundColours) {
    // 10 pixels wide: bits MSB first, rows of 4 bytes; a top-down header.
    std::vector<uint8_t> header = DibHeader(10, -1, 1, {0x000000, 0xFFFFFF});
    std::vector<uint8_t> bits = {0xA0, 0x40, 0, 0};  // 1010 0000 01..: pixels 0, 2, 9 set
    TDibBits dib = TDibBits::FromHeader(header.data(), header.size(), bits.data(), bits.size());
    ASSERT_TRUE(dib.Valid());
    EXPECT_FALSE(dib.BottomUp);
    TSurface surface(10, 1);
    surface.TextColor = 0x0000FF;        // red for 0 bits
    surface.BackgroundColor = 0xFF0000;  // blue for 1 bits
    DrawDibBits(surface, 0, 0, dib, TRasterOp::SrcCopy);
    for (int32_t x = 0; x < 10; ++x) {
        bool set = x == 0 || x == 2 || x == 9;
        EXPECT_EQ(surface.GetPixel(x, 0), set ? 0xFF0000FFu : 0xFFFF0000u) << x;
    }
}

TEST(RasterOps, ClipsToDestinationAndSource) {
    TSurface source(4, 4);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x)
            source.SetPixel(x, y, 0xFF000000u | static_cast<uint32_t>(y * 16 + x));
    // Hanging over every edge of a 3 x 3 destination.
    for (auto [dx, dy] :
         {std::pair{-2, -2}, std::pair{1, 1}, std::pair{-3, 2}, std::pair{2, -3}, std::pair{5, 5}}) {
        TSurface dest(3, 3);
        BitBlt(dest, dx, dy, source, TRasterOp::SrcCopy);
        for (int32_t y = 0; y < 3; ++y) {
            for (int32_t x = 0; x < 3; ++x) {
                int32_t sx = x - dx;
                int32_t sy = y - dy;
                bool covered = sx >= 0 && sy >= 0 && sx < 4 && sy < 4;
                EXPECT_EQ(dest.GetPixel(x, y),
                          covered ? 0xFF000000u | static_cast<uint32_t>(sy * 16 + sx) : 0xFF000000u);
            }
        }
    }
    // A source rectangle reaching past the source leaves those places untouched.
    TSurface dest(4, 1);
    dest.Fill(0xFFFFFF);
    StretchBlt(dest, TRect{0, 0, 4, 1}, source, TRect{2, 0, 6, 1}, TRasterOp::SrcCopy);
    EXPECT_EQ(dest.GetPixel(0, 0), 0xFF000002u);
    EXPECT_EQ(dest.GetPixel(1, 0), 0xFF000003u);
    EXPECT_EQ(dest.GetPixel(2, 0), 0xFFFFFFFFu);
}

TEST(RasterOps, StretchTakesTheNearestSourcePixel) {
    TSurface source(4, 2);
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 4; ++x)
            source.SetPixel(x, y, 0xFF000000u | static_cast<uint32_t>(y * 16 + x));
    TSurface big(8, 4);
    StretchBlt(big, TRect{0, 0, 8, 4}, source, TRect{0, 0, 4, 2}, TRasterOp::SrcCopy);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 8; ++x)
            EXPECT_EQ(big.GetPixel(x, y), 0xFF000000u | static_cast<uint32_t>((y / 2) * 16 + x / 2));
    // Halving picks the pixel under each destination centre: the second of every pair.
    TSurface small(2, 1);
    StretchBlt(small, TRect{0, 0, 2, 1}, source, TRect{0, 0, 4, 2}, TRasterOp::SrcCopy);
    EXPECT_EQ(small.GetPixel(0, 0), 0xFF000011u);
    EXPECT_EQ(small.GetPixel(1, 0), 0xFF000013u);
    // Empty rectangles draw nothing.
    TSurface untouched(2, 2);
    StretchBlt(untouched, TRect{0, 0, 0, 2}, source, TRect{0, 0, 4, 2}, TRasterOp::SrcCopy);
    StretchBlt(untouched, TRect{2, 2, 0, 0}, source, TRect{0, 0, 4, 2}, TRasterOp::SrcCopy);
    EXPECT_EQ(untouched.GetPixel(0, 0), 0xFF000000u);
}

TEST(RasterOps, HeaderThatPromisesMoreRowsThanTheBitsHoldIsNotDrawn) {
    std::vector<uint8_t> header = DibHeader(4, 3, 32, {});
    std::vector<uint8_t> bits(4 * 4 * 2);  // two rows, three announced
    EXPECT_FALSE(TDibBits::FromHeader(header.data(), header.size(), bits.data(), bits.size()).Valid());
    std::vector<uint8_t> compressed = DibHeader(4, 2, 8, {});
    compressed[16] = 1;  // RLE8
    EXPECT_FALSE(
        TDibBits::FromHeader(compressed.data(), compressed.size(), bits.data(), bits.size()).Valid());
    EXPECT_FALSE(TDibBits::FromHeader(header.data(), 39, bits.data(), bits.size()).Valid());
}

// The masked draw as four raster steps over a scratch surface, the reference that the
// one-pass draw must match pixel for pixel.
void FourStepMaskedDraw(TSurface& dest, int32_t x, int32_t y, const TDibBits& color, const TDibBits& mask) {
    TSurface scratch(color.Width, color.Height);
    scratch.TextColor = 0x000000;
    scratch.BackgroundColor = 0xFFFFFF;
    DrawDibBits(scratch, 0, 0, mask, TRasterOp::SrcCopy);
    DrawDibBits(scratch, 0, 0, color, TRasterOp::SrcErase);
    dest.TextColor = 0x000000;
    dest.BackgroundColor = 0xFFFFFF;
    DrawDibBits(dest, x, y, mask, TRasterOp::SrcAnd);
    BitBlt(dest, x, y, scratch, TRasterOp::SrcInvert);
}

TEST(RasterOps, OnePassMaskedDrawEqualsTheFourRasterSteps) {
    std::mt19937 random(12);
    auto between = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    for (int round = 0; round < 300; ++round) {
        const int32_t width = between(1, 41);  // also widths that end inside a mask byte
        const int32_t height = between(1, 9);
        const int32_t bitCount = round % 2 ? 8 : 32;
        const bool bottomUp = round % 3 != 0;
        SCOPED_TRACE(testing::Message()
                     << "round " << round << ": " << width << " x " << height << ", " << bitCount << " bits");
        // A short palette on some rounds: indices beyond it draw black.
        std::vector<uint32_t> palette;
        if (bitCount == 8) palette.resize(static_cast<size_t>(round % 5 == 1 ? between(0, 6) : 256));
        for (uint32_t& entry : palette) entry = random() & 0xFFFFFF;
        std::vector<uint8_t> colorHeader = DibHeader(width, bottomUp ? height : -height, bitCount, palette);
        const int32_t colorStride = ((width * bitCount + 31) / 32) * 4;
        std::vector<uint8_t> colorBits(static_cast<size_t>(colorStride) * height);
        for (uint8_t& byte : colorBits) byte = static_cast<uint8_t>(random());
        if (bitCount == 8 && round % 4 == 0) {
            for (uint8_t& byte : colorBits) byte = static_cast<uint8_t>(between(0, 9));
        }
        // Random masks, with whole transparent and whole opaque bytes among them.
        std::vector<uint8_t> maskHeader =
            DibHeader(width, bottomUp ? height : -height, 1, {0x000000, 0xFFFFFF});
        const int32_t maskStride = ((width + 31) / 32) * 4;
        std::vector<uint8_t> maskBits(static_cast<size_t>(maskStride) * height);
        for (uint8_t& byte : maskBits) {
            const int kind = between(0, 3);
            byte = kind == 0 ? 0x00 : kind == 1 ? 0xFF : static_cast<uint8_t>(random());
        }
        const TDibBits color =
            TDibBits::FromHeader(colorHeader.data(), colorHeader.size(), colorBits.data(), colorBits.size());
        const TDibBits mask =
            TDibBits::FromHeader(maskHeader.data(), maskHeader.size(), maskBits.data(), maskBits.size());
        ASSERT_TRUE(color.Valid() && mask.Valid());

        // A destination with varied top bytes, the picture inside or over any edge.
        TSurface start(between(1, 30), between(1, 12));
        for (int32_t py = 0; py < start.Height(); ++py)
            for (int32_t px = 0; px < start.Width(); ++px)
                start.SetPixel(px, py, static_cast<uint32_t>(random()));
        const int32_t x = between(-width, start.Width());
        const int32_t y = between(-height, start.Height());
        TSurface expected = start;
        FourStepMaskedDraw(expected, x, y, color, mask);
        TSurface actual = start;
        actual.TextColor = 0x123456;
        ASSERT_TRUE(MaskedDrawDibBits(actual, x, y, color, mask));
        EXPECT_EQ(actual.TextColor, 0x123456u);  // no colour of the destination is borrowed
        for (int32_t py = 0; py < start.Height(); ++py) {
            for (int32_t px = 0; px < start.Width(); ++px) {
                ASSERT_EQ(actual.GetPixel(px, py), expected.GetPixel(px, py))
                    << "at " << px << "," << py << ", picture at " << x << "," << y;
            }
        }
    }
}

TEST(RasterOps, OnePassMaskedDrawRefusesWhatItCannotMatch) {
    std::vector<uint8_t> colorHeader = DibHeader(8, 2, 32, {});
    std::vector<uint8_t> colorBits(8 * 4 * 2, 0x7F);
    std::vector<uint8_t> maskHeader = DibHeader(8, 2, 1, {0x000000, 0xFFFFFF});
    std::vector<uint8_t> smallMaskHeader = DibHeader(7, 2, 1, {0x000000, 0xFFFFFF});
    std::vector<uint8_t> maskBits(4 * 2, 0);
    const TDibBits color =
        TDibBits::FromHeader(colorHeader.data(), colorHeader.size(), colorBits.data(), colorBits.size());
    const TDibBits mask =
        TDibBits::FromHeader(maskHeader.data(), maskHeader.size(), maskBits.data(), maskBits.size());
    const TDibBits smallMask = TDibBits::FromHeader(smallMaskHeader.data(), smallMaskHeader.size(),
                                                    maskBits.data(), maskBits.size());
    TSurface dest(8, 2);
    EXPECT_FALSE(MaskedDrawDibBits(dest, 0, 0, color, smallMask));  // another size
    EXPECT_FALSE(MaskedDrawDibBits(dest, 0, 0, color, color));      // not a 1-bit mask
    EXPECT_FALSE(MaskedDrawDibBits(dest, 0, 0, mask, mask));        // a 1-bit colour image
    EXPECT_FALSE(MaskedDrawDibBits(dest, 0, 0, TDibBits{}, mask));
    EXPECT_EQ(dest.GetPixel(3, 1), 0xFF000000u);  // nothing drawn
    EXPECT_TRUE(MaskedDrawDibBits(dest, 0, 0, color, mask));
    EXPECT_EQ(dest.GetPixel(3, 1), 0xFF7F7F7Fu);
}

TEST(Bitmap, TransparentColourIsBottomLeftOrWhiteForMonochrome) {
    TBitmap bitmap(3, 2);
    bitmap.Canvas.Fill(0x00FF00);
    bitmap.Canvas.SetColor(0, 1, 0xFF00FF);
    EXPECT_EQ(bitmap.TransparentColor(), 0xFF00FFu);
    bitmap.Monochrome = true;
    EXPECT_EQ(bitmap.TransparentColor(), 0xFFFFFFu);
}

TEST(Bitmap, DrawSkipsMaskedPlacesAndMaskIsHandedOver) {
    TBitmap bitmap(2, 2);
    bitmap.Canvas.SetColor(0, 0, 0x0000FF);
    bitmap.Canvas.SetColor(1, 0, 0x00FF00);
    bitmap.Canvas.SetColor(0, 1, 0xFF00FF);  // bottom-left: the transparent colour
    bitmap.Canvas.SetColor(1, 1, 0xFF00FF);
    bitmap.Transparent = true;
    TSurface dest(3, 3);
    dest.Fill(0x123456);
    bitmap.Draw(dest, 1, 1);
    EXPECT_EQ(dest.GetColor(1, 1), 0x0000FFu);
    EXPECT_EQ(dest.GetColor(2, 1), 0x00FF00u);
    EXPECT_EQ(dest.GetColor(1, 2), 0x123456u);
    EXPECT_EQ(dest.GetColor(2, 2), 0x123456u);
    EXPECT_EQ(dest.GetColor(0, 0), 0x123456u);

    std::unique_ptr<TSurface> mask = bitmap.ReleaseMask();
    ASSERT_TRUE(mask);
    EXPECT_EQ(mask->GetColor(0, 0), 0x000000u);
    EXPECT_EQ(mask->GetColor(0, 1), 0xFFFFFFu);
    EXPECT_EQ(mask->GetColor(1, 1), 0xFFFFFFu);
    EXPECT_FALSE(bitmap.Mask);

    bitmap.Transparent = false;  // draws every pixel
    bitmap.Draw(dest, 1, 1);
    EXPECT_EQ(dest.GetColor(1, 2), 0xFF00FFu);
}

}  // namespace
}  // namespace faceloom
