#include "pictures/bmp_decoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pictures/decoder_errors.h"
#include "pictures/smile_bitmap32.h"
#include "platform/errors.h"
#include "support/bmp_writer.h"
#include "support/temp_dir.h"

namespace faceloom {
namespace {

constexpr uint32_t kMagenta = 0xFF00FF;  // 0x00RRGGBB and platform colour alike

// A 20 x 24 smile: magenta background (bottom-left included) and a few magenta pixels
// inside a coloured face.
std::vector<uint32_t> SmilePixels() {
    std::vector<uint32_t> pixels(20 * 24, kMagenta);
    for (int32_t y = 4; y < 20; ++y)
        for (int32_t x = 3; x < 17; ++x)
            pixels[y * 20 + x] = 0x00FFFF00u - static_cast<uint32_t>(x * 256 + y);
    pixels[10 * 20 + 8] = kMagenta;  // an eye
    pixels[10 * 20 + 12] = kMagenta;
    pixels[0] = 0xFE00FF;  // nearly magenta: opaque
    return pixels;
}

class BmpDecoderTest : public testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        std::string file = dir_.file(name);
        test::WriteBytes(file, bytes);
        return file;
    }

    // Decodes with the settings every producer uses unless told otherwise.
    TRef<TBmpDecoder> Decode(const std::string& file, bool smileBitmaps = true, bool transparent = true,
                             TColor background = kColorWhite) {
        TRef<TBmpDecoder> picture(new TBmpDecoder(file));
        picture->WantSmileBitmaps = smileBitmaps;
        picture->WantTransparent = transparent;
        picture->WantBackgroundColor = background;
        picture->Decode();
        return picture;
    }

    test::TempDir dir_;
};

TEST_F(BmpDecoderTest, BottomLeftColourBecomesTransparentAndWhite) {
    std::vector<uint32_t> pixels = SmilePixels();
    TRef<TBmpDecoder> picture = Decode(Write("aa.bmp", test::SimpleBmp24(20, 24, pixels)));
    EXPECT_EQ(picture->Width, 20);
    EXPECT_EQ(picture->Height, 24);
    EXPECT_EQ(picture->GetFrameCount(), 1);
    EXPECT_EQ(picture->GetDelay(0), 100);
    EXPECT_EQ(picture->Stream, nullptr);  // closed after decoding
    auto* frame = dynamic_cast<TSmileBitmap32*>(picture->GetSmileBitmap(0));
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->Transparent);
    EXPECT_TRUE(frame->HasMask);
    EXPECT_EQ(frame->Width, 20);
    EXPECT_EQ(frame->Height, 24);
    for (int32_t y = 0; y < 24; ++y) {
        for (int32_t x = 0; x < 20; ++x) {
            bool magenta = pixels[y * 20 + x] == kMagenta;
            EXPECT_EQ(frame->GetMaskBit(x, y), magenta) << x << "," << y;
            EXPECT_EQ(frame->GetPixel(x, y), magenta ? 0xFFFFFFu : pixels[y * 20 + x]) << x << "," << y;
        }
    }

    // Drawn onto a coloured canvas, the transparent places keep the canvas.
    TSurface canvas(22, 26);
    canvas.Fill(0x336699);
    frame->Draw(1, 1, canvas);
    EXPECT_EQ(canvas.GetColor(1 + 8, 1 + 10), 0x336699u);
    EXPECT_EQ(canvas.GetColor(1 + 0, 1 + 23), 0x336699u);
    EXPECT_EQ(canvas.GetPixel(1 + 0, 1 + 0), 0xFFFE00FFu);
    EXPECT_EQ(canvas.GetPixel(1 + 5, 1 + 5), 0xFF000000u | pixels[5 * 20 + 5]);
}

TEST_F(BmpDecoderTest, SingleColourPictureIsTransparentEverywhere) {
    TRef<TBmpDecoder> picture =
        Decode(Write("one.bmp", test::SimpleBmp24(7, 5, std::vector<uint32_t>(35, 0x123456))));
    TSmileBitmap* frame = picture->GetSmileBitmap(0);
    ASSERT_NE(frame, nullptr);
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 7; ++x) EXPECT_FALSE(frame->HitTest(x, y)) << x << "," << y;
}

TEST_F(BmpDecoderTest, OneBitPictureTreatsWhiteAsTransparent) {
    test::BmpSpec spec;
    spec.width = 3;
    spec.height = 2;
    spec.bitCount = 1;
    spec.palette = {0x000000, 0xFFFFFF};
    spec.pixels = {1, 0, 1,   // white, black, white
                   0, 1, 0};  // bottom-left black
    TRef<TBmpDecoder> picture = Decode(Write("mono.bmp", test::EncodeBmp(spec)));
    TSmileBitmap* frame = picture->GetSmileBitmap(0);
    ASSERT_NE(frame, nullptr);
    EXPECT_FALSE(frame->HitTest(0, 0));
    EXPECT_TRUE(frame->HitTest(1, 0));
    EXPECT_TRUE(frame->HitTest(0, 1));
    EXPECT_FALSE(frame->HitTest(1, 1));
}

TEST_F(BmpDecoderTest, WithoutTransparencyTheFormerTransparentPlacesShowTheBackground) {
    std::vector<uint32_t> pixels = SmilePixels();
    std::string file = Write("aa.bmp", test::SimpleBmp24(20, 24, pixels));
    for (TColor background : {kColorWhite, TColor{0x00FF00}}) {
        TRef<TBmpDecoder> picture = Decode(file, true, false, background);
        auto* frame = dynamic_cast<TSmileBitmap32*>(picture->GetSmileBitmap(0));
        ASSERT_NE(frame, nullptr);
        EXPECT_FALSE(frame->Transparent);
        EXPECT_FALSE(frame->HasMask);
        EXPECT_EQ(frame->GetPixel(0, 23), ColorToRgb(background));
        EXPECT_EQ(frame->GetPixel(8, 10), ColorToRgb(background));
        EXPECT_EQ(frame->GetPixel(5, 5), pixels[5 * 20 + 5]);
    }
}

TEST_F(BmpDecoderTest, PlatformBitmapVariants) {
    std::vector<uint32_t> pixels = SmilePixels();
    std::string file = Write("aa.bmp", test::SimpleBmp24(20, 24, pixels));
    // Default settings: platform bitmaps with masks.
    TRef<TBmpDecoder> masked(new TBmpDecoder(file));
    masked->Decode();
    EXPECT_FALSE(masked->SmileBitmaps);
    TBitmap* bitmap = masked->GetBitmap(0);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(masked->GetSmileBitmap(0), nullptr);
    EXPECT_TRUE(bitmap->Transparent);
    ASSERT_TRUE(bitmap->Mask);
    EXPECT_EQ(bitmap->Mask->GetColor(8, 10), kColorWhite);
    EXPECT_EQ(bitmap->Mask->GetColor(5, 5), kColorBlack);
    EXPECT_EQ(bitmap->Canvas.GetColor(8, 10), kColorWhite);
    EXPECT_EQ(bitmap->Canvas.GetPixel(5, 5), 0xFF000000u | pixels[5 * 20 + 5]);
    EXPECT_EQ(masked->GetDelay(0), 100);

    TRef<TBmpDecoder> plain = Decode(file, false, false, 0x0000FF);
    bitmap = plain->GetBitmap(0);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_FALSE(bitmap->Transparent);
    EXPECT_EQ(bitmap->Canvas.GetColor(8, 10), 0x0000FFu);
    EXPECT_EQ(bitmap->Canvas.GetColor(0, 0), 0xFF00FEu);  // 0x00RRGGBB FE00FF as a platform colour
}

TEST_F(BmpDecoderTest, FileThatIsNoBitmapFailsDecodeAndClosesTheStream) {
    for (std::string bytes :
         {std::string("GIF89a not a bitmap"), std::string(), test::SimpleBmp24(4, 4, {}).substr(0, 60)}) {
        TRef<TBmpDecoder> picture(new TBmpDecoder(Write("bad.bmp", bytes)));
        picture->WantSmileBitmaps = true;
        EXPECT_THROW(picture->Decode(), EAbort);
        EXPECT_TRUE(picture->Frames.empty());
        EXPECT_EQ(picture->GetFrameCount(), 0);
        EXPECT_EQ(picture->Stream, nullptr);
    }
}

TEST_F(BmpDecoderTest, MissingFileFailsConstruction) {
    EXPECT_THROW(new TBmpDecoder(dir_.file("missing.bmp")), EFOpenError);
}

}  // namespace
}  // namespace faceloom
