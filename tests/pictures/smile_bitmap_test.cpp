#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "pictures/decoder_errors.h"
#include "pictures/smile_bitmap32.h"
#include "pictures/smile_bitmap8.h"

namespace faceloom {
namespace {

uint32_t U32At(std::span<const uint8_t> bytes, size_t offset) {
    uint32_t value;
    std::memcpy(&value, bytes.data() + offset, 4);
    return value;
}
uint16_t U16At(std::span<const uint8_t> bytes, size_t offset) {
    return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

// The 40 header bytes field by field.
struct HeaderFields {
    uint32_t size, width, height, planes, bitCount, compression, imageSize, xRes, yRes, used, important;
};
HeaderFields ReadHeader(std::span<const uint8_t> h) {
    return {U32At(h, 0),  U32At(h, 4),  U32At(h, 8),  U16At(h, 12), U16At(h, 14), U32At(h, 16),
            U32At(h, 20), U32At(h, 24), U32At(h, 28), U32At(h, 32), U32At(h, 36)};
}

TEST(SmileBitmap8, AllocateBuildsHeadersAndStrides) {
    struct Case {
        int32_t width, rowStride, maskStride;
    };
    for (Case c : {Case{20, 20, 4}, Case{33, 36, 8}, Case{1, 4, 4}, Case{32, 32, 4}, Case{64, 64, 8}}) {
        SCOPED_TRACE(c.width);
        TSmileBitmap8 frame;
        frame.Width = c.width;
        frame.Height = 24;
        frame.Transparent = true;
        frame.PaletteCount = 16;
        frame.Allocate();
        ASSERT_TRUE(frame.Allocated);
        EXPECT_TRUE(frame.HasMask);
        EXPECT_EQ(frame.RowStride, c.rowStride);
        EXPECT_EQ(frame.MaskStride, c.maskStride);
        EXPECT_EQ(frame.Pixels.size(), static_cast<size_t>(c.rowStride * 24));
        EXPECT_EQ(frame.MaskBits.size(), static_cast<size_t>(c.maskStride * 24));

        HeaderFields h = ReadHeader(frame.Header);
        EXPECT_EQ(h.size, 40u);
        EXPECT_EQ(h.width, static_cast<uint32_t>(c.width));
        EXPECT_EQ(h.height, 24u);
        EXPECT_EQ(h.planes, 1u);
        EXPECT_EQ(h.bitCount, 8u);
        EXPECT_EQ(h.compression, 0u);
        EXPECT_EQ(h.imageSize, static_cast<uint32_t>(c.rowStride * 24));
        EXPECT_EQ(h.xRes, 0u);
        EXPECT_EQ(h.yRes, 0u);
        EXPECT_EQ(h.used, 16u);
        EXPECT_EQ(h.important, 16u);
        // The table is backed for 256 entries whatever the count.
        EXPECT_EQ(frame.Header.size(), 40u + 4 * 256);

        ASSERT_EQ(frame.MaskHeader.size(), 48u);
        HeaderFields m = ReadHeader(frame.MaskHeader);
        EXPECT_EQ(m.size, 40u);
        EXPECT_EQ(m.width, static_cast<uint32_t>(c.width));
        EXPECT_EQ(m.height, 24u);
        EXPECT_EQ(m.planes, 1u);
        EXPECT_EQ(m.bitCount, 1u);
        EXPECT_EQ(m.compression, 0u);
        EXPECT_EQ(m.imageSize, static_cast<uint32_t>(c.maskStride * 24));
        EXPECT_EQ(m.used, 2u);
        EXPECT_EQ(m.important, 2u);
        EXPECT_EQ(U32At(frame.MaskHeader, 40), 0x000000u);  // black
        EXPECT_EQ(U32At(frame.MaskHeader, 44), 0xFFFFFFu);  // white
    }
}

TEST(SmileBitmap32, AllocateBuildsHeaderAndStrides) {
    for (int32_t width : {20, 33}) {
        SCOPED_TRACE(width);
        TSmileBitmap32 frame;
        frame.Width = width;
        frame.Height = 24;
        frame.Transparent = true;
        frame.Allocate();
        EXPECT_EQ(frame.RowStride, width * 4);
        EXPECT_EQ(frame.MaskStride, width == 20 ? 4 : 8);
        ASSERT_EQ(frame.Header.size(), 40u);
        HeaderFields h = ReadHeader(frame.Header);
        EXPECT_EQ(h.width, static_cast<uint32_t>(width));
        EXPECT_EQ(h.height, 24u);
        EXPECT_EQ(h.bitCount, 32u);
        EXPECT_EQ(h.imageSize, static_cast<uint32_t>(width * 4 * 24));
        EXPECT_EQ(h.used, 0u);
        EXPECT_EQ(h.important, 0u);
        EXPECT_EQ(frame.Pixels.size(), static_cast<size_t>(width * 24));
    }
}

TEST(SmileBitmap, WithoutTransparentThereIsNoMask) {
    TSmileBitmap8 frame;
    frame.Width = 5;
    frame.Height = 5;
    frame.Allocate();
    EXPECT_TRUE(frame.Allocated);
    EXPECT_FALSE(frame.HasMask);
    EXPECT_TRUE(frame.MaskBits.empty());
    frame.SetMaskBit(1, 1, true);  // no buffer to write: ignored
    EXPECT_FALSE(frame.GetMaskBit(1, 1));
    EXPECT_FALSE(frame.HitTest(1, 1));
}

TEST(SmileBitmap, EmptySizeAllocatesNothingAndIgnoresSetters) {
    for (auto [w, h] : {std::pair{0, 5}, std::pair{5, 0}, std::pair{-3, 5}, std::pair{5, -1}}) {
        TSmileBitmap32 frame32;
        frame32.Width = w;
        frame32.Height = h;
        frame32.Transparent = true;
        frame32.Allocate();
        EXPECT_FALSE(frame32.Allocated);
        frame32.SetPixel(0, 0, 0x123456);
        frame32.SetMaskBit(0, 0, true);
        frame32.FillRect(TRect{0, 0, 5, 5}, 0xFF);
        EXPECT_TRUE(frame32.Pixels.empty());
        EXPECT_TRUE(frame32.MaskBits.empty());
        EXPECT_FALSE(frame32.HitTest(0, 0));

        TSmileBitmap8 frame8;
        frame8.Width = w;
        frame8.Height = h;
        frame8.Transparent = true;
        frame8.Allocate();
        EXPECT_FALSE(frame8.Allocated);
        frame8.SetPixel(0, 0, 3);
        frame8.FillRect(TRect{0, 0, 5, 5}, 3);
        frame8.SetPaletteEntry(0, 0xFF);
        EXPECT_TRUE(frame8.Pixels.empty());
        EXPECT_FALSE(frame8.HitTest(0, 0));
    }
}

TEST(SmileBitmap, OversizedFrameIsRefusedBeforeAllocating) {
    TSmileBitmap32 frame;
    frame.Width = 65535;
    frame.Height = 65535;
    EXPECT_THROW(frame.Allocate(), EAbort);
    EXPECT_FALSE(frame.Allocated);
    EXPECT_TRUE(frame.Pixels.empty());
}

TEST(SmileBitmap32, SetPixelStoresRgbBottomUp) {
    TSmileBitmap32 frame;
    frame.Width = 3;
    frame.Height = 2;
    frame.Allocate();
    frame.SetPixel(0, 0, 0x00332211);  // platform colour: red 0x11, green 0x22, blue 0x33
    frame.SetPixel(2, 1, 0xFF0000FF);  // top byte dropped
    // Stored row 0 is the bottom row (y = 1).
    EXPECT_EQ(frame.Pixels[3 * 1 + 0], 0x00112233u);
    EXPECT_EQ(frame.Pixels[2], 0x00FF0000u);
    EXPECT_EQ(frame.GetPixel(0, 0), 0x00112233u);
    // Outside the frame: nothing changes.
    std::vector<uint32_t> before = frame.Pixels;
    frame.SetPixel(3, 0, 0xFFFFFF);
    frame.SetPixel(-1, 0, 0xFFFFFF);
    frame.SetPixel(0, 2, 0xFFFFFF);
    frame.SetPixel(0, -1, 0xFFFFFF);
    EXPECT_EQ(frame.Pixels, before);
}

TEST(SmileBitmap8, SetPixelAndPaletteEntry) {
    TSmileBitmap8 frame;
    frame.Width = 5;
    frame.Height = 2;
    frame.PaletteCount = 2;
    frame.Allocate();
    frame.SetPixel(4, 0, 7);
    // Byte X + (Height - 1 - Y) * RowStride, RowStride 8.
    EXPECT_EQ(frame.Pixels[4 + 8], 7);
    std::vector<uint8_t> before = frame.Pixels;
    frame.SetPixel(5, 0, 9);  // at Width: ignored (the padding byte stays)
    EXPECT_EQ(frame.Pixels, before);

    frame.SetPaletteEntry(1, 0x00332211);
    EXPECT_EQ(frame.Header[44], 0x33);  // blue
    EXPECT_EQ(frame.Header[45], 0x22);  // green
    EXPECT_EQ(frame.Header[46], 0x11);  // red
    EXPECT_EQ(frame.Header[47], 0x00);
    // Entries beyond PaletteCount are backed (a transparent index may lie there).
    frame.SetPaletteEntry(200, 0xFFFFFF);
    EXPECT_EQ(frame.GetPaletteEntry(200), 0xFFFFFFu);
    frame.SetPaletteEntry(256, 0xFFFFFF);  // beyond the table: ignored
    EXPECT_EQ(frame.Header.size(), 40u + 1024);
}

TEST(SmileBitmap, MaskBitsMostSignificantBitLeftmostBottomUp) {
    TSmileBitmap8 frame;
    frame.Width = 33;
    frame.Height = 3;
    frame.Transparent = true;
    frame.Allocate();
    frame.SetMaskBit(0, 0, true);   // top row -> stored row 2
    frame.SetMaskBit(9, 2, true);   // bottom row -> stored row 0, byte 1, bit 6
    frame.SetMaskBit(32, 1, true);  // middle row, byte 4, bit 7
    EXPECT_EQ(frame.MaskBits[2 * 8 + 0], 0x80);
    EXPECT_EQ(frame.MaskBits[0 * 8 + 1], 0x40);
    EXPECT_EQ(frame.MaskBits[1 * 8 + 4], 0x80);
    EXPECT_TRUE(frame.GetMaskBit(9, 2));
    EXPECT_FALSE(frame.GetMaskBit(8, 2));
    frame.SetMaskBit(9, 2, false);
    EXPECT_EQ(frame.MaskBits[1], 0x00);
    // Outside: read false, write ignored.
    const std::vector<uint8_t> before(frame.MaskBits.begin(), frame.MaskBits.end());
    frame.SetMaskBit(33, 0, true);
    frame.SetMaskBit(0, 3, true);
    EXPECT_EQ(std::vector<uint8_t>(frame.MaskBits.begin(), frame.MaskBits.end()), before);
    EXPECT_FALSE(frame.GetMaskBit(-1, 0));
}

TEST(SmileBitmap, HitTestFollowsTheMaskInsideTheFrameOnly) {
    TSmileBitmap32 frame;
    frame.Width = 20;
    frame.Height = 24;
    frame.Transparent = true;
    frame.Allocate();  // mask starts all opaque (0)
    frame.SetMaskBit(5, 6, true);
    EXPECT_TRUE(frame.HitTest(0, 0));
    EXPECT_TRUE(frame.HitTest(19, 23));
    EXPECT_FALSE(frame.HitTest(5, 6));
    EXPECT_TRUE(frame.HitTest(6, 6));
    EXPECT_FALSE(frame.HitTest(-1, 0));
    EXPECT_FALSE(frame.HitTest(20, 0));
    EXPECT_FALSE(frame.HitTest(0, 24));
    EXPECT_FALSE(frame.HitTest(0, -1));
}

TEST(SmileBitmap, FillRectSetsPixelsAndMarksTransparent) {
    TSmileBitmap8 frame;
    frame.Width = 6;
    frame.Height = 4;
    frame.Transparent = true;
    frame.Allocate();
    frame.FillRect(TRect{1, 1, 4, 3}, 9);
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 6; ++x) {
            bool inside = x >= 1 && x < 4 && y >= 1 && y < 3;
            EXPECT_EQ(frame.GetPixel(x, y), inside ? 9 : 0) << x << "," << y;
            EXPECT_EQ(frame.GetMaskBit(x, y), inside) << x << "," << y;
        }
    }
    // Empty and inverted ranges do nothing; a range partly outside is clipped.
    std::vector<uint8_t> before = frame.Pixels;
    frame.FillRect(TRect{2, 2, 2, 4}, 1);
    frame.FillRect(TRect{4, 1, 2, 3}, 1);
    EXPECT_EQ(frame.Pixels, before);
    frame.FillRect(TRect{-5, -5, 100, 1}, 2);
    for (int32_t x = 0; x < 6; ++x) EXPECT_EQ(frame.GetPixel(x, 0), 2);

    TSmileBitmap32 frame32;
    frame32.Width = 3;
    frame32.Height = 3;
    frame32.Transparent = true;
    frame32.Allocate();
    frame32.FillRect(TRect{0, 0, 3, 3}, 0xFFFFFF);
    for (uint32_t pixel : frame32.Pixels) EXPECT_EQ(pixel, 0xFFFFFFu);
    EXPECT_FALSE(frame32.HitTest(1, 1));
}

TEST(SmileBitmap, CopyFromIsDeepAndIndependent) {
    TSmileBitmap8 source;
    source.Width = 7;
    source.Height = 3;
    source.Transparent = true;
    source.PaletteCount = 4;
    source.Allocate();
    source.SetPaletteEntry(3, 0x0000FF);
    source.SetPixel(6, 2, 3);
    source.SetMaskBit(1, 1, true);

    TSmileBitmap8 copy;
    copy.CopyFrom(source);
    EXPECT_EQ(copy.Width, 7);
    EXPECT_EQ(copy.Height, 3);
    EXPECT_EQ(copy.PaletteCount, 4);
    EXPECT_EQ(copy.RowStride, source.RowStride);
    EXPECT_EQ(copy.MaskStride, source.MaskStride);
    EXPECT_TRUE(copy.Allocated);
    EXPECT_TRUE(copy.HasMask);
    EXPECT_TRUE(copy.Transparent);
    EXPECT_EQ(copy.Header, source.Header);
    EXPECT_EQ(copy.MaskHeader, source.MaskHeader);
    EXPECT_EQ(copy.Pixels, source.Pixels);
    EXPECT_EQ(copy.MaskBits, source.MaskBits);
    // The headers are shared until one side changes them; rewriting a colour it already has
    // keeps them shared.
    EXPECT_TRUE(copy.Header.SharesWith(source.Header));
    EXPECT_TRUE(copy.MaskHeader.SharesWith(source.MaskHeader));
    source.SetPaletteEntry(3, 0x0000FF);
    EXPECT_TRUE(copy.Header.SharesWith(source.Header));

    // Changing the source afterwards leaves the copy as it was.
    source.SetPixel(6, 2, 1);
    source.SetMaskBit(1, 1, false);
    source.SetPaletteEntry(3, 0x00FF00);
    EXPECT_EQ(copy.GetPixel(6, 2), 3);
    EXPECT_TRUE(copy.GetMaskBit(1, 1));
    EXPECT_EQ(copy.GetPaletteEntry(3), 0xFF0000u);
    EXPECT_EQ(source.GetPaletteEntry(3), 0x00FF00u);
    EXPECT_FALSE(copy.Header.SharesWith(source.Header));
    // Equal again: sharing is taken up again on request, not before.
    copy.SetPaletteEntry(3, 0x00FF00);
    EXPECT_FALSE(copy.Header.SharesWith(source.Header));
    copy.Header.ShareIfEqual(source.Header);
    EXPECT_TRUE(copy.Header.SharesWith(source.Header));
    copy.SetPaletteEntry(0, 0x123456);
    EXPECT_EQ(source.GetPaletteEntry(0), 0u);

    TSmileBitmap32 source32;
    source32.Width = 2;
    source32.Height = 2;
    source32.Allocate();  // no mask
    source32.SetPixel(1, 0, 0x0000FF);
    TSmileBitmap32 copy32;
    copy32.CopyFrom(source32);
    EXPECT_FALSE(copy32.HasMask);
    EXPECT_EQ(copy32.GetPixel(1, 0), 0xFF0000u);
    source32.SetPixel(1, 0, 0);
    EXPECT_EQ(copy32.GetPixel(1, 0), 0xFF0000u);
}

TEST(SmileBitmap32, LoadFromBitmapTakesPixelsAndMask) {
    TBitmap bitmap(3, 2);
    bitmap.Canvas.SetColor(0, 0, 0x0000FF);  // red
    bitmap.Canvas.SetColor(2, 1, 0x00FF00);  // green
    bitmap.Transparent = true;
    bitmap.Mask = std::make_unique<TSurface>(3, 2);  // all black = opaque
    bitmap.Mask->SetColor(1, 0, kColorWhite);

    TSmileBitmap32 frame;
    frame.LoadFromBitmap(bitmap);
    EXPECT_TRUE(frame.Allocated);
    EXPECT_TRUE(frame.HasMask);
    EXPECT_FALSE(frame.Transparent);  // left to the caller
    EXPECT_EQ(frame.Width, 3);
    EXPECT_EQ(frame.Height, 2);
    EXPECT_EQ(frame.RowStride, 12);
    EXPECT_EQ(frame.MaskStride, 4);
    EXPECT_EQ(frame.GetPixel(0, 0), 0xFF0000u);
    EXPECT_EQ(frame.GetPixel(2, 1), 0x00FF00u);
    EXPECT_EQ(frame.Pixels[0], 0u);  // bottom-left is black, top byte 0
    EXPECT_TRUE(frame.GetMaskBit(1, 0));
    EXPECT_FALSE(frame.GetMaskBit(0, 0));
    EXPECT_EQ(frame.MaskBits[4], 0x40);  // stored row 1 (the top), pixel 1

    bitmap.Transparent = false;
    TSmileBitmap32 plain;
    plain.LoadFromBitmap(bitmap);
    EXPECT_FALSE(plain.HasMask);
    EXPECT_TRUE(plain.MaskBits.empty());
}

}  // namespace
}  // namespace faceloom
