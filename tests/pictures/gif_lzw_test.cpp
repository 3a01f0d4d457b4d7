// The LZW decompressor: round trips through the test writer's encoder (all table sizes, code
// width growth, full tables with clear codes, sub-block sizes, interlacing) and hand-made
// code streams for the readings that depart from a textbook decoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "gif_test_helpers.h"

namespace faceloom::test {
namespace {

// Palette indices of the first frame, rows top-down.
std::vector<uint8_t> FrameIndices(const TPictureDecoder& picture, int index = 0) {
    auto* frame = dynamic_cast<TSmileBitmap8*>(picture.GetSmileBitmap(index));
    std::vector<uint8_t> out;
    if (frame == nullptr) return out;
    for (int32_t y = 0; y < frame->Height; ++y) {
        for (int32_t x = 0; x < frame->Width; ++x) out.push_back(frame->GetPixel(x, y));
    }
    return out;
}

std::vector<GifRgb> Greys(size_t count) {
    std::vector<GifRgb> colors;
    for (size_t i = 0; i < count; ++i) colors.push_back({uint8_t(i), uint8_t(i), uint8_t(i)});
    return colors;
}

std::string OneImage(uint16_t width, uint16_t height, size_t colors, const std::vector<uint8_t>& pixels,
                     int minCodeSize, size_t subBlockSize, bool interlaced = false) {
    GifWriter w;
    const int exponent = ColorTableExponent(colors);
    w.Header("89a").LogicalScreen(width, height, exponent).ColorTable(Greys(colors), exponent);
    w.ImageDescriptor(0, 0, width, height, interlaced);
    w.ImageData(minCodeSize, interlaced ? InterlaceRows(pixels, width, height) : pixels, subBlockSize);
    w.Trailer();
    return w.bytes();
}

TEST(GifLzw, RandomImagesRoundTripForEveryTableSizeAndSubBlockSize) {
    std::mt19937 random(20240607);
    struct Case {
        uint16_t width, height;
        int bits;
        size_t subBlock;
        bool interlaced;
    };
    const Case cases[] = {
        {1, 1, 1, 255, false},    {7, 3, 1, 1, false},      {19, 19, 2, 255, true},  {20, 24, 3, 7, false},
        {33, 5, 4, 255, true},    {60, 60, 5, 100, false},  {61, 17, 6, 255, false}, {45, 45, 7, 3, true},
        {120, 90, 8, 255, false}, {200, 150, 8, 254, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " bits " +
                     std::to_string(c.bits));
        const size_t colors = size_t{1} << c.bits;
        // Runs of random length, so that strings repeat and grow long as in real pictures.
        std::vector<uint8_t> pixels;
        while (pixels.size() < size_t(c.width) * c.height) {
            const uint8_t value = uint8_t(random() % colors);
            const size_t run = 1 + random() % 9;
            for (size_t i = 0; i < run && pixels.size() < size_t(c.width) * c.height; ++i)
                pixels.push_back(value);
        }
        const int minCodeSize = std::max(2, c.bits);
        auto picture =
            DecodeGif(OneImage(c.width, c.height, colors, pixels, minCodeSize, c.subBlock, c.interlaced));
        EXPECT_EQ(FrameIndices(*picture), pixels);
    }
}

TEST(GifLzw, FullTablesAreRestartedByClearCodesWithinOneImage) {
    std::mt19937 random(7);
    std::vector<uint8_t> pixels(160 * 160);
    for (auto& p : pixels) p = uint8_t(random());
    const auto codes = LzwCodes(pixels, 8);
    // The encoder really had to clear a full table, more than once.
    EXPECT_GT(std::count(codes.begin(), codes.end(), uint16_t(256)), 3);
    EXPECT_EQ(FrameIndices(*DecodeGif(OneImage(160, 160, 256, pixels, 8, 255))), pixels);
}

TEST(GifLzw, StringOfTheCodeBeingDefinedRepeatsThePreviousString) {
    std::vector<uint8_t> pixels(300, 5);  // one colour: every code is the one being defined
    EXPECT_EQ(FrameIndices(*DecodeGif(OneImage(300, 1, 8, pixels, 3, 255))), pixels);
}

TEST(GifLzw, PackedCodesGrowInWidthAsTheDecoderDefinesEntries) {
    // m = 2: clear 4 (3 bits), 1, 6 (the entry being defined: "1 1"), end 5.
    EXPECT_EQ(PackCodes({4, 1, 6, 5}, 2), std::string("\x8C\x0B"));
    GifWriter w;
    w.Header("89a").LogicalScreen(3, 1, 1).ColorTable(Greys(4), 1);
    w.ImageDescriptor(0, 0, 3, 1).CodeStream(2, {4, 1, 6, 5}).Trailer();
    EXPECT_EQ(FrameIndices(*DecodeGif(w.bytes())), (std::vector<uint8_t>{1, 1, 1}));
}

TEST(GifLzw, StreamWithoutLeadingClearCodeStartsWithZeroAsPreviousCode) {
    // The first code 1 defines entry 6 as "0" + "1"; code 6 then reads 0 1.
    GifWriter w;
    w.Header("89a").LogicalScreen(3, 1, 1).ColorTable(Greys(4), 1);
    w.ImageDescriptor(0, 0, 3, 1).CodeStream(2, {1, 6, 5}).Trailer();
    EXPECT_EQ(FrameIndices(*DecodeGif(w.bytes())), (std::vector<uint8_t>{1, 0, 1}));
}

TEST(GifLzw, FirstCodeAfterClearBeyondTheTableIsZero) {
    GifWriter w;
    w.Header("89a").LogicalScreen(2, 1, 1).ColorTable(Greys(4), 1);
    w.ImageDescriptor(0, 0, 2, 1).CodeStream(2, {4, 7, 2, 5}).Trailer();
    EXPECT_EQ(FrameIndices(*DecodeGif(w.bytes())), (std::vector<uint8_t>{0, 2}));
}

TEST(GifLzw, FullTableWithoutClearKeepsTwelveBitCodesAndDefinesNothing) {
    // m = 2: first free code 6. Literal 0 after the clear, then 4090 more literals define
    // entries 6 to 4095 (each "0 0"); then the table is full: 1 and 4095 decode from it and
    // 2 (a 12-bit code again) defines nothing.
    std::vector<uint16_t> codes = {4};
    std::vector<uint8_t> expected;
    for (int i = 0; i < 4091; ++i) {
        codes.push_back(0);
        expected.push_back(0);
    }
    for (uint16_t code : {1, 4095, 2, 4095}) codes.push_back(code);
    for (uint8_t pixel : {1, 0, 0, 2, 0, 0}) expected.push_back(pixel);
    codes.push_back(5);
    const auto width = uint16_t(expected.size());
    GifWriter w;
    w.Header("89a").LogicalScreen(width, 1, 1).ColorTable(Greys(4), 1);
    w.ImageDescriptor(0, 0, width, 1).CodeStream(2, codes).Trailer();
    EXPECT_EQ(FrameIndices(*DecodeGif(w.bytes())), expected);
}

TEST(GifLzw, EveryImageStartsWithFreshCodeWidthAndTable) {
    std::mt19937 random(3);
    GifPicture gif;
    gif.width = 40;
    gif.height = 30;
    gif.globalColors = Greys(256);
    std::vector<std::vector<uint8_t>> images;
    for (int i = 0; i < 3; ++i) {
        GifImage image;
        image.width = 40;
        image.height = 30;
        image.disposal = 1;
        for (int p = 0; p < 40 * 30; ++p) image.pixels.push_back(uint8_t(random() % (i == 1 ? 4 : 256)));
        images.push_back(image.pixels);
        gif.images.push_back(image);
    }
    auto picture = DecodeGif(EncodeGif(gif));
    ASSERT_EQ(picture->GetFrameCount(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(FrameIndices(*picture, i), images[size_t(i)]) << i;
}

TEST(GifLzw, CorruptCodesOfALaterImageSeeNoEntriesOfAnEarlierOne) {
    // m = 2. Image 1: ten literals 3 define entries 6 to 14, each "3 3".
    // Image 2: 1 1 1 1 define 6 to 8; 14 (beyond the table) repeats "1" and leaves 14 as the
    // previous code; 1 then defines entry 10 with prefix 14, which this image never defined.
    // Code 10 thus reads entry 14: it must hold nothing of image 1 (zeros), not "3 3".
    std::vector<uint16_t> first = {4};
    for (int i = 0; i < 10; ++i) first.push_back(3);
    first.push_back(5);
    GifWriter w;
    w.Header("89a").LogicalScreen(10, 1, 1).ColorTable(Greys(4), 1);
    w.ImageDescriptor(0, 0, 10, 1).CodeStream(2, first);
    w.ImageDescriptor(0, 0, 10, 1).CodeStream(2, {4, 1, 1, 1, 1, 14, 1, 10, 5}).Trailer();
    auto picture = DecodeGif(w.bytes());
    ASSERT_EQ(picture->GetFrameCount(), 2);
    EXPECT_EQ(FrameIndices(*picture, 0), std::vector<uint8_t>(10, 3));
    EXPECT_EQ(FrameIndices(*picture, 1), (std::vector<uint8_t>{1, 1, 1, 1, 1, 1, 1, 0, 0, 1}));
}

}  // namespace
}  // namespace faceloom::test
