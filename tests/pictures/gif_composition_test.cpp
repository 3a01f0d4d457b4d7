// Composition of GIF frames: pixels, masks, disposal, transparency, the switch to 32-bit
// frames, delays, carried graphic control values, interlacing. Every expected frame is
// written out pixel by pixel ('.' transparent, letters as in TestLegend).
#include <gtest/gtest.h>

#include "gif_test_helpers.h"
#include "pictures/smile_bitmap32.h"
#include "pictures/smile_bitmap8.h"

namespace faceloom::test {
namespace {

GifPicture Screen(uint16_t width, uint16_t height) {
    GifPicture picture;
    picture.width = width;
    picture.height = height;
    picture.globalColors = TestColors();
    return picture;
}

// An image with a graphic control extension: transparent index 0 (black), given disposal.
GifImage Keyed(GifImage image, int disposal = 1, uint16_t delay = 0) {
    image.transparent = 0;
    image.disposal = disposal;
    image.delay = delay;
    return image;
}

std::string ExpectedFor(GifVariant variant, const std::string& masked) {
    return Masked(variant) ? masked : Unmasked(masked);
}

class GifVariants : public ::testing::TestWithParam<GifVariant> {};

TEST_P(GifVariants, SingleImageGivesItsPixelsSizeAndDefaultDelay) {
    GifPicture gif = Screen(3, 2);
    gif.images.push_back(Image(0, 0, 3, 2, "RGB|YCM"));
    auto picture = DecodeGif(EncodeGif(gif), GetParam());
    EXPECT_EQ(picture->Width, 3);
    EXPECT_EQ(picture->Height, 2);
    EXPECT_EQ(picture->Flags & 1, 1);  // a global colour table is present
    EXPECT_EQ(picture->GetFrameCount(), 1);
    EXPECT_EQ(picture->Delays, (std::vector<int32_t>{100}));
    EXPECT_EQ(Appearances(*picture), (std::vector<std::string>{"RGB|YCM"}));
}

TEST_P(GifVariants, TransparentIndexLeavesThePixelsBelow) {
    GifPicture gif = Screen(4, 3);
    gif.images.push_back(Keyed(Image(0, 0, 4, 3, "RRKK|GGKK|KKBB")));
    gif.images.push_back(Keyed(Image(1, 1, 2, 2, "YK|KC")));
    auto picture = DecodeGif(EncodeGif(gif), GetParam());
    EXPECT_EQ(Appearances(*picture), (std::vector<std::string>{ExpectedFor(GetParam(), "RR..|GG..|..BB"),
                                                               ExpectedFor(GetParam(), "RR..|GY..|..CB")}));
}

TEST_P(GifVariants, DisposalTwoRestoresTheImageRectToBackground) {
    GifPicture gif = Screen(4, 3);
    gif.images.push_back(Keyed(Image(0, 0, 4, 3, "RRKK|GGKK|KKBB")));
    gif.images.push_back(Keyed(Image(1, 1, 2, 2, "YK|KC"), 2));
    gif.images.push_back(Keyed(Image(3, 0, 1, 1, "M")));
    auto picture = DecodeGif(EncodeGif(gif), GetParam());
    EXPECT_EQ(Appearances(*picture), (std::vector<std::string>{ExpectedFor(GetParam(), "RR..|GG..|..BB"),
                                                               ExpectedFor(GetParam(), "RR..|GY..|..CB"),
                                                               ExpectedFor(GetParam(), "RR.M|G...|...B")}));
}

TEST_P(GifVariants, DisposalThreeShowsTheImageOnceAndKeepsThePreviousCanvas) {
    GifPicture gif = Screen(4, 3);
    gif.images.push_back(Keyed(Image(0, 0, 4, 3, "RRKK|GGKK|KKBB")));
    gif.images.push_back(Keyed(Image(1, 1, 2, 2, "YK|KC"), 3));
    gif.images.push_back(Keyed(Image(3, 0, 1, 1, "M")));
    auto picture = DecodeGif(EncodeGif(gif), GetParam());
    EXPECT_EQ(Appearances(*picture), (std::vector<std::string>{ExpectedFor(GetParam(), "RR..|GG..|..BB"),
                                                               ExpectedFor(GetParam(), "RR..|GY..|..CB"),
                                                               ExpectedFor(GetParam(), "RR.M|GG..|..BB")}));
}

TEST_P(GifVariants, DisposalThreeOnEveryImageShowsEachImageAlone) {
    GifPicture gif = Screen(2, 2);
    gif.images.push_back(Keyed(Image(0, 0, 2, 2, "RK|KK"), 3));
    gif.images.push_back(Keyed(Image(0, 0, 2, 2, "KG|KK"), 3));
    gif.images.push_back(Keyed(Image(1, 1, 1, 1, "B"), 3));
    auto picture = DecodeGif(EncodeGif(gif), GetParam());
    EXPECT_EQ(Appearances(*picture),
              (std::vector<std::string>{ExpectedFor(GetParam(), "R.|.."), ExpectedFor(GetParam(), ".G|.."),
                                        ExpectedFor(GetParam(), "..|.B")}));
}

TEST_P(GifVariants, DelaysBelowTenHundredthsBecomeOneHundredMilliseconds) {
    GifPicture gif = Screen(1, 1);
    for (uint16_t delay : {0, 9, 10, 11, 200}) gif.images.push_back(Keyed(Image(0, 0, 1, 1, "R"), 1, delay));
    auto picture = DecodeGif(EncodeGif(gif), GetParam());
    EXPECT_EQ(picture->Delays, (std::vector<int32_t>{100, 100, 100, 110, 2000}));
    EXPECT_EQ(picture->GetFrameCount(), 5);
    EXPECT_EQ(picture->GetDelay(3), 110);
    EXPECT_EQ(picture->GetDelay(5), -1);
}

TEST_P(GifVariants, GraphicControlBeforeTheFirstImageOnlyCarriesOnToEveryImage) {
    GifPicture gif = Screen(2, 1);
    // Delay 50, restore to background, black transparent: written once.
    gif.images.push_back(Keyed(Image(0, 0, 1, 1, "R"), 2, 50));
    GifImage second = Image(1, 0, 1, 1, "G");
    second.graphicControl = false;
    GifImage third = Image(0, 0, 2, 1, "KB");
    third.graphicControl = false;
    gif.images.push_back(second);
    gif.images.push_back(third);
    auto picture = DecodeGif(EncodeGif(gif), GetParam());
    EXPECT_EQ(picture->Delays, (std::vector<int32_t>{500, 500, 500}));
    // The first image is restored before the second (disposal carried), and black stays
    // transparent in the third.
    EXPECT_EQ(Appearances(*picture),
              (std::vector<std::string>{ExpectedFor(GetParam(), "R."), ExpectedFor(GetParam(), ".G"),
                                        ExpectedFor(GetParam(), ".B")}));
}

TEST_P(GifVariants, Gif87aWithoutGraphicControlDrawsEveryIndexIncludingZero) {
    GifPicture gif = Screen(2, 1);
    gif.version = "87a";
    GifImage image = Image(0, 0, 2, 1, "KR");
    image.graphicControl = false;
    gif.images.push_back(image);
    auto picture = DecodeGif(EncodeGif(gif), GetParam());
    EXPECT_EQ(picture->Delays, (std::vector<int32_t>{100}));
    EXPECT_EQ(Appearances(*picture), (std::vector<std::string>{"KR"}));
}

TEST_P(GifVariants, PixelsPastTheLogicalScreenAreDropped) {
    GifPicture gif = Screen(2, 2);
    gif.images.push_back(Keyed(Image(1, 1, 3, 3, "RGB|YCM|BgR")));
    gif.images.push_back(Keyed(Image(5, 0, 1, 1, "G")));  // wholly outside
    auto picture = DecodeGif(EncodeGif(gif), GetParam());
    EXPECT_EQ(picture->Width, 2);
    EXPECT_EQ(picture->Height, 2);
    EXPECT_EQ(Appearances(*picture),
              (std::vector<std::string>{ExpectedFor(GetParam(), "..|.R"), ExpectedFor(GetParam(), "..|.R")}));
}

TEST_P(GifVariants, LocalColorTableColoursTheImage) {
    GifPicture gif = Screen(2, 1);
    GifImage image = Image(0, 0, 2, 1, "10");
    image.localColors = {{0, 255, 255}, {255, 0, 255}};  // cyan, magenta
    gif.images.push_back(image);
    auto picture = DecodeGif(EncodeGif(gif), GetParam());
    EXPECT_EQ(Appearances(*picture), (std::vector<std::string>{"MC"}));
}

TEST_P(GifVariants, InterlacedRowsLandInPlaceForEveryHeight) {
    // Row y of a one-pixel-wide image holds index y; the file stores the rows in GIF89a
    // interlace order. Heights 2 to 4 have passes without rows, which must be skipped.
    for (uint16_t height = 1; height <= 9; ++height) {
        SCOPED_TRACE("height " + std::to_string(height));
        GifPicture gif = Screen(1, height);
        gif.globalColors.clear();
        std::map<uint32_t, char> legend;
        for (uint8_t i = 0; i < 16; ++i) {
            gif.globalColors.push_back({uint8_t(i * 16), 0, 0});
            legend[uint32_t(i * 16) << 16] = char('a' + i);
        }
        GifImage image;
        image.width = 1;
        image.height = height;
        image.interlaced = true;
        std::string expected;
        for (uint8_t y = 0; y < height; ++y) {
            image.pixels.push_back(y);
            expected += std::string(y > 0 ? "|" : "") + char('a' + y);
        }
        gif.images.push_back(image);
        auto picture = DecodeGif(EncodeGif(gif), GetParam());
        ASSERT_EQ(picture->GetFrameCount(), 1);
        EXPECT_EQ(Appearance(picture->Frames[0].get(), legend), expected);
    }
}

TEST_P(GifVariants, PictureWithoutColourTablesIsBlack) {
    GifPicture gif = Screen(2, 1);
    gif.globalColors.clear();
    gif.images.push_back(Image(0, 0, 2, 1, "13"));
    auto picture = DecodeGif(EncodeGif(gif), GetParam());
    EXPECT_EQ(picture->Flags & 1, 0);
    EXPECT_EQ(Appearances(*picture), (std::vector<std::string>{"KK"}));
}

TEST_P(GifVariants, WideKeyedRowsAtAnyOffsetKeepEveryKeyedPixel) {
    // Rows wider than a mask byte, starting at every offset within one: drawn and keyed
    // pixels mixed, compared with a pixel-by-pixel model of the composition.
    const std::string letters = "KRGBYCMg";
    for (uint16_t left = 0; left < 9; ++left) {
        SCOPED_TRACE("left " + std::to_string(left));
        GifPicture gif = Screen(48, 2);
        std::string base, top, expected;
        for (int i = 0; i < 96; ++i) base += letters[size_t((i * 5) % 8)];
        for (int i = 0; i < 2 * 37; ++i) top += letters[size_t((i * i + 3 * i) % 8)];
        for (int y = 0; y < 2; ++y) {
            if (y > 0) expected += '|';
            for (int x = 0; x < 48; ++x) {
                const char below = base[size_t(y * 48 + x)];
                const bool inside = x >= left && x < left + 37;
                const char drawn = inside ? top[size_t(y * 37 + x - left)] : 'K';
                expected += drawn != 'K' ? drawn : below != 'K' ? below : '.';
            }
        }
        gif.images.push_back(Keyed(Image(0, 0, 48, 2, base)));
        gif.images.push_back(Keyed(Image(left, 0, 37, 2, top)));
        auto picture = DecodeGif(EncodeGif(gif), GetParam());
        ASSERT_EQ(picture->GetFrameCount(), 2);
        EXPECT_EQ(Appearance(picture->Frames[1].get()), ExpectedFor(GetParam(), expected));
    }
}

INSTANTIATE_TEST_SUITE_P(AllVariants, GifVariants, ::testing::ValuesIn(kAllVariants), [](const auto& info) {
    std::string name = VariantName(info.param);
    for (char& c : name) {
        if (c == ' ') c = '_';
    }
    return name;
});

// The own-frames variant: palettised frames while the picture allows it, 32-bit from the
// first image with a local table or another transparent index.
TEST(GifSmileBitmaps, ThirdOfFiveImagesWithLocalTableSwitchesToTrueColour) {
    GifPicture gif = Screen(3, 2);
    gif.images.push_back(Keyed(Image(0, 0, 3, 2, "RRR|KKK")));
    gif.images.push_back(Keyed(Image(0, 1, 1, 1, "G")));
    GifImage third = Keyed(Image(1, 1, 1, 1, "1"));
    third.localColors = {{0, 0, 0}, {0, 255, 255}};  // 1 = cyan
    gif.images.push_back(third);
    gif.images.push_back(Keyed(Image(2, 0, 1, 1, "B")));
    gif.images.push_back(Keyed(Image(2, 1, 1, 1, "Y")));
    auto picture = DecodeGif(EncodeGif(gif));

    ASSERT_EQ(picture->GetFrameCount(), 5);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        const bool palettised = i < 2;
        EXPECT_EQ(dynamic_cast<TSmileBitmap8*>(picture->GetSmileBitmap(i)) != nullptr, palettised);
        EXPECT_EQ(dynamic_cast<TSmileBitmap32*>(picture->GetSmileBitmap(i)) != nullptr, !palettised);
        EXPECT_TRUE(picture->GetSmileBitmap(i)->HasMask);
        EXPECT_EQ(picture->GetSmileBitmap(i)->Width, 3);
        EXPECT_EQ(picture->GetSmileBitmap(i)->Height, 2);
    }
    EXPECT_EQ(Appearances(*picture),
              (std::vector<std::string>{"RRR|...", "RRR|G..", "RRR|GC.", "RRB|GC.", "RRB|GCY"}));
}

TEST(GifSmileBitmaps, TrueColourCanvasContinuesThePalettisedOneExactly) {
    GifPicture gif = Screen(4, 1);
    gif.images.push_back(Keyed(Image(0, 0, 4, 1, "RKGK")));  // (1,0) and (3,0) stay transparent
    GifImage opaqueBlack = Image(3, 0, 1, 1, "K");           // no transparent colour: drawn
    opaqueBlack.disposal = 1;
    gif.images.push_back(opaqueBlack);
    gif.images.push_back(Keyed(Image(2, 0, 1, 1, "B"), 2));  // drawn, then restored
    GifImage switching = Keyed(Image(0, 0, 1, 1, "1"));
    switching.localColors = {{0, 0, 0}, {255, 255, 0}};  // 1 = yellow
    gif.images.push_back(switching);
    auto picture = DecodeGif(EncodeGif(gif));

    ASSERT_EQ(picture->GetFrameCount(), 4);
    // The unkeyed image draws an opaque pixel of the key's index: no palette entry can show it
    // black and the never-drawn pixels white at once, so the 32-bit frames start there.
    EXPECT_NE(dynamic_cast<TSmileBitmap8*>(picture->GetSmileBitmap(0)), nullptr);
    EXPECT_NE(dynamic_cast<TSmileBitmap32*>(picture->GetSmileBitmap(1)), nullptr);
    EXPECT_EQ(Appearances(*picture), (std::vector<std::string>{"R.G.", "R.GK", "R.BK", "Y..K"}));
}

TEST(GifSmileBitmaps, AnotherTransparentIndexSwitchesToTrueColour) {
    GifPicture gif = Screen(2, 1);
    gif.images.push_back(Keyed(Image(0, 0, 2, 1, "RK")));
    GifImage other = Image(1, 0, 1, 1, "G");
    other.transparent = 7;
    other.disposal = 1;
    gif.images.push_back(other);
    auto picture = DecodeGif(EncodeGif(gif));
    ASSERT_EQ(picture->GetFrameCount(), 2);
    EXPECT_NE(dynamic_cast<TSmileBitmap8*>(picture->GetSmileBitmap(0)), nullptr);
    EXPECT_NE(dynamic_cast<TSmileBitmap32*>(picture->GetSmileBitmap(1)), nullptr);
    EXPECT_EQ(Appearances(*picture), (std::vector<std::string>{"R.", "RG"}));
}

TEST(GifSmileBitmaps, PalettisedFramesCarryTheGlobalPaletteWithBackgroundAtTheTransparentIndex) {
    GifPicture gif = Screen(2, 1);
    gif.images.push_back(Keyed(Image(0, 0, 2, 1, "KR")));
    // Background magenta (platform colour 0x00BBGGRR).
    auto picture = DecodeGif(EncodeGif(gif), GifVariant::SmileBitmaps, 0xFF00FF);
    auto* frame = dynamic_cast<TSmileBitmap8*>(picture->GetSmileBitmap(0));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->PaletteCount, 8);
    EXPECT_EQ(frame->GetPaletteEntry(0), 0xFF00FFu);  // background in place of black
    EXPECT_EQ(frame->GetPaletteEntry(1), 0xFF0000u);
    EXPECT_EQ(frame->GetPaletteEntry(7), 0x808080u);
    EXPECT_EQ(frame->GetPixel(0, 0), 0);
    EXPECT_EQ(frame->GetPixel(1, 0), 1);
    EXPECT_TRUE(frame->GetMaskBit(0, 0));
    EXPECT_FALSE(frame->GetMaskBit(1, 0));
}

TEST(GifSmileBitmaps, UnmaskedTrueColourFramesShowTheBackgroundColour) {
    GifPicture gif = Screen(2, 1);
    gif.images.push_back(Keyed(Image(0, 0, 2, 1, "KR")));
    GifImage local = Keyed(Image(1, 0, 1, 1, "1"));
    local.localColors = {{0, 0, 0}, {0, 255, 0}};
    gif.images.push_back(local);
    auto picture = DecodeGif(EncodeGif(gif), GifVariant::SmileBitmapsUnmasked, 0xFF00FF);
    EXPECT_EQ(Appearances(*picture), (std::vector<std::string>{"MR", "MG"}));
    EXPECT_FALSE(picture->GetSmileBitmap(0)->HasMask);
    EXPECT_FALSE(picture->GetSmileBitmap(1)->HasMask);
    EXPECT_FALSE(picture->GetSmileBitmap(1)->Transparent);
}

TEST(GifSmileBitmaps, FramesAreIndependentCopies) {
    GifPicture gif = Screen(1, 1);
    gif.images.push_back(Keyed(Image(0, 0, 1, 1, "R")));
    gif.images.push_back(Keyed(Image(0, 0, 1, 1, "G")));
    auto picture = DecodeGif(EncodeGif(gif));
    auto* first = dynamic_cast<TSmileBitmap8*>(picture->GetSmileBitmap(0));
    auto* second = dynamic_cast<TSmileBitmap8*>(picture->GetSmileBitmap(1));
    ASSERT_TRUE(first && second);
    EXPECT_NE(first->Pixels.data(), second->Pixels.data());
    EXPECT_EQ(first->GetPixel(0, 0), 1);
    EXPECT_EQ(second->GetPixel(0, 0), 2);
}

TEST(GifSmileBitmaps, FramesWithEqualColourTablesShareOneHeader) {
    GifPicture gif = Screen(2, 1);
    gif.images.push_back(Keyed(Image(0, 0, 2, 1, "KR")));
    gif.images.push_back(Keyed(Image(0, 0, 1, 1, "G")));
    gif.images.push_back(Keyed(Image(1, 0, 1, 1, "C")));
    auto picture = DecodeGif(EncodeGif(gif), GifVariant::SmileBitmaps, 0xFF00FF);
    std::vector<TSmileBitmap8*> frames;
    for (int32_t i = 0; i < picture->GetFrameCount(); ++i) {
        frames.push_back(dynamic_cast<TSmileBitmap8*>(picture->GetSmileBitmap(i)));
        ASSERT_NE(frames.back(), nullptr);
        EXPECT_TRUE(frames[i]->MaskHeader.SharesWith(frames[0]->MaskHeader)) << i;
        // Each copy changed the key's entry to the background, as the previous one did.
        EXPECT_TRUE(frames[i]->Header.SharesWith(frames[0]->Header)) << i;
    }
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[2]->GetPaletteEntry(0), 0xFF00FFu);  // background at the transparent index
    EXPECT_EQ(Appearances(*picture), (std::vector<std::string>{".R", "GR", "GC"}));
}

// A frame whose outline is the previous frame's keeps that frame's mask, palettised or not;
// a frame whose outline changed has its own. The frames look as they always did.
TEST(GifSmileBitmaps, FramesWithTheOutlineOfThePreviousOneShareItsMask) {
    GifPicture gif = Screen(3, 1);
    gif.images.push_back(Keyed(Image(0, 0, 3, 1, "KRK")));  // 0
    gif.images.push_back(Keyed(Image(1, 0, 1, 1, "G")));    // 1: same outline
    gif.images.push_back(Keyed(Image(0, 0, 1, 1, "C")));    // 2: grows
    GifImage local = Keyed(Image(1, 0, 1, 1, "1"));         // 3: true colour, outline of 2
    local.localColors = {{0, 0, 0}, {255, 0, 0}};
    gif.images.push_back(local);
    gif.images.push_back(Keyed(Image(2, 0, 1, 1, "G"), 3));  // 4: grows, then restored
    gif.images.push_back(Keyed(Image(1, 0, 1, 1, "2")));     // 5: outline of 3, not of 4
    gif.images.back().localColors = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}};
    auto picture = DecodeGif(EncodeGif(gif));
    EXPECT_EQ(Appearances(*picture), (std::vector<std::string>{".R.", ".G.", "CG.", "CR.", "CRG", "CG."}));
    ASSERT_EQ(picture->GetFrameCount(), 6);
    EXPECT_NE(dynamic_cast<TSmileBitmap32*>(picture->GetSmileBitmap(3)), nullptr);
    const bool sharesPrevious[] = {false, true, false, true, false, false};
    for (int32_t i = 1; i < 6; ++i) {
        EXPECT_EQ(picture->GetSmileBitmap(i)->MaskBits.SharesWith(picture->GetSmileBitmap(i - 1)->MaskBits),
                  sharesPrevious[i])
            << i;
    }
}

TEST(GifPlatformBitmaps, MaskedFramesAreFlaggedTransparentAndCarryTheirMask) {
    GifPicture gif = Screen(2, 1);
    gif.images.push_back(Keyed(Image(0, 0, 2, 1, "KR")));
    auto picture = DecodeGif(EncodeGif(gif), GifVariant::PlatformMasked);
    TBitmap* frame = picture->GetBitmap(0);
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->Transparent);
    ASSERT_NE(frame->Mask, nullptr);
    EXPECT_EQ(frame->Mask->GetColor(0, 0), kColorWhite);
    EXPECT_EQ(frame->Mask->GetColor(1, 0), kColorBlack);
    EXPECT_EQ(frame->Canvas.GetColor(0, 0), kColorWhite);  // the background below
    EXPECT_EQ(frame->Canvas.GetColor(1, 0), TColor(0x0000FF));

    auto plain = DecodeGif(EncodeGif(gif), GifVariant::Platform);
    ASSERT_NE(plain->GetBitmap(0), nullptr);
    EXPECT_FALSE(plain->GetBitmap(0)->Transparent);
    EXPECT_EQ(plain->GetBitmap(0)->Mask, nullptr);
}

}  // namespace
}  // namespace faceloom::test
