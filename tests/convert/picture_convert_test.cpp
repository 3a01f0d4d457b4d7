// Conversions read back through the editor's own decoders and compared with their source
// pixel by pixel; scaling; the notes a conversion leaves.

#include "convert/picture_convert.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "picture_test_inputs.h"
#include "support/bmp_writer.h"
#include "support/gif_writer.h"

namespace faceloom {

// Notes in failure messages: kind and parameters.
void PrintTo(const TImportNote& note, std::ostream* out) {
    *out << ImportNoteKindName(note.Kind);
    for (const std::string& param : note.Params) *out << " \"" << param << '"';
}

namespace {

using test::Argb;
using test::AsBytes;
using test::EditorPicture;

// How far an opaque pixel may be off its source, per colour channel: the largest error and
// the mean over all opaque pixels.
struct Tolerance {
    int Max = 0;
    double Mean = 0;
};

// "" when the editor shows `source`: the same frames, the same pixels transparent (alpha
// below 128), opaque ones within the tolerance; else where it first differs.
std::string Difference(const TRgbaPicture& source, const EditorPicture& shown, Tolerance tolerance) {
    if (shown.frames.size() != source.Frames.size()) {
        return std::to_string(shown.frames.size()) + " frames, source " +
               std::to_string(source.Frames.size());
    }
    if (shown.width != source.Width() || shown.height != source.Height()) return "size differs";
    long total = 0, channels = 0;
    int worst = 0;
    for (size_t f = 0; f < source.Frames.size(); ++f) {
        for (size_t i = 0; i < source.Frames[f].Pixels.size(); ++i) {
            const uint32_t want = source.Frames[f].Pixels[i], got = shown.frames[f][i];
            const bool transparent = (want >> 24) < 128;
            if (transparent != (got == 0)) {
                char text[96];
                std::snprintf(text, sizeof text, "frame %zu pixel %zu: %08X shown as %08X", f, i, want, got);
                return text;
            }
            if (transparent) continue;
            for (int shift : {0, 8, 16}) {
                const int error = std::abs(int((want >> shift) & 0xFF) - int((got >> shift) & 0xFF));
                worst = std::max(worst, error);
                total += error;
                ++channels;
            }
        }
    }
    const double mean = channels ? double(total) / channels : 0;
    if (worst > tolerance.Max || mean > tolerance.Mean) {
        return "error max " + std::to_string(worst) + ", mean " + std::to_string(mean);
    }
    return "";
}

TRgbaPicture Still(TRgbaFrame frame) {
    TRgbaPicture picture;
    picture.Frames.push_back(std::move(frame));
    return picture;
}

TRgbaPicture Animation(int32_t width, int32_t height, std::vector<int32_t> delays) {
    TRgbaPicture picture;
    for (size_t i = 0; i < delays.size(); ++i) {
        picture.Frames.push_back(test::Sticker(width, height, int(i)));
        picture.Frames.back().DelayMs = delays[i];
    }
    return picture;
}

// An animated GIF of partial images over a global table with a transparent index, left in
// place (disposal 1), so that later frames are compositions; delays 20, 50 and 5 hundredths.
std::string ComposedGif() {
    test::GifPicture gif;
    gif.width = 12;
    gif.height = 10;
    gif.globalColors = {{0, 0, 0}, {200, 30, 40}, {20, 180, 60}, {30, 40, 220}};
    test::GifImage first;
    first.width = 12, first.height = 10, first.disposal = 1, first.delay = 20, first.transparent = 0;
    for (int i = 0; i < 120; ++i) first.pixels.push_back(uint8_t((i % 12 + i / 12) % 4));
    test::GifImage second;
    second.left = 2, second.top = 3, second.width = 5, second.height = 4;
    second.disposal = 1, second.delay = 50, second.transparent = 0;
    second.pixels.assign(20, 2);
    test::GifImage third;
    third.left = 6, third.top = 1, third.width = 4, third.height = 4;
    third.disposal = 1, third.delay = 5, third.transparent = 0;
    for (int i = 0; i < 16; ++i) third.pixels.push_back(i % 2 ? 3 : 0);
    gif.images = {first, second, third};
    return test::EncodeGif(gif);
}

// The GIF's frames as giflib composes them (an outside reader), in the words of `Difference`.
TRgbaPicture GiflibPicture(const std::string& gif) {
    test::GiflibFrames frames;
    EXPECT_TRUE(test::DecodeWithGiflib(gif, frames));
    TRgbaPicture picture;
    for (auto& pixels : frames.frames) {
        TRgbaFrame frame;
        frame.Width = frames.width;
        frame.Height = frames.height;
        frame.Pixels = pixels;
        picture.Frames.push_back(std::move(frame));
    }
    return picture;
}

TEST(PictureConvertTest, ResultShowsTheSourcePixelByPixel) {
    const TRgbaPicture sticker = Still(test::Sticker(40, 32));
    const TRgbaPicture opaque = Still(test::Opaque(40, 32));
    const TRgbaPicture webpAnimation = Animation(24, 20, {100, 250, 40});
    const std::string composedGif = ComposedGif();
    TRgbaPicture composed = GiflibPicture(composedGif);
    const TRgbaPicture composedFirst = Still(composed.Frames[0]);
    TRgbaPicture composedSmall = composed;
    ASSERT_TRUE(FitWithin(composedSmall, 6, 6));
    // The quantiser's error on a gradient of ~1300 colours, dithered (seen: max 13, mean 2.7);
    // pictures of few colours (a GIF's, a BMP's) and BMP are exact. JPEG
    // sources are compared with the pixels they were made from, so they carry JPEG's own loss.
    const Tolerance quantised{24, 4.0}, exact{0, 0}, jpeg{12, 1.5}, jpegQuantised{24, 3.0};
    const std::vector<uint32_t> fewColours = {Argb(0, 0, 0, 0), Argb(255, 255, 0, 0), Argb(255, 0, 0, 255),
                                              Argb(255, 1, 2, 3)};
    TRgbaFrame bmpFrame;
    bmpFrame.Width = 8, bmpFrame.Height = 6;
    std::vector<uint32_t> bmpPixels;  // 0x00RRGGBB for the writer; the bottom-left is the key
    for (int i = 0; i < 48; ++i) {
        const uint32_t pixel = i == 40 || i % 7 == 0 ? fewColours[0] : fewColours[1 + i % 3];
        bmpFrame.Pixels.push_back(pixel);
        bmpPixels.push_back(pixel == 0 ? 0x00FF00 : pixel & 0xFFFFFF);
    }
    const TRgbaPicture bmp = Still(bmpFrame);

    struct Case {
        const char* name;
        std::string file;
        uint8_t packKind;
        const TRgbaPicture* source;
        Tolerance tolerance;
        std::vector<int32_t> delays;  // as the editor shows the result
        int32_t maxSide = 256;
    };
    const std::vector<Case> cases = {
        {"PNG with alpha to GIF", test::PngFile(sticker.Frames[0]), 1, &sticker, quantised, {100}},
        {"PNG with alpha to BMP", test::PngFile(sticker.Frames[0]), 0, &sticker, exact, {100}},
        {"JPEG to GIF", test::JpegFile(opaque.Frames[0], 95), 1, &opaque, jpegQuantised, {100}},
        {"progressive JPEG to BMP", test::JpegFile(opaque.Frames[0], 95, true), 0, &opaque, jpeg, {100}},
        {"CMYK JPEG to BMP", test::JpegFile(opaque.Frames[0], 95, false, true), 0, &opaque, jpeg, {100}},
        {"WebP still to GIF", test::WebpStillFile(sticker.Frames[0]), 1, &sticker, quantised, {100}},
        {"WebP still to BMP", test::WebpStillFile(sticker.Frames[0]), 0, &sticker, exact, {100}},
        // 40 ms is written as 4 hundredths, which the editor shows for 100 ms.
        {"animated WebP to GIF",
         test::WebpAnimatedFile(webpAnimation),
         1,
         &webpAnimation,
         quantised,
         {100, 250, 100}},
        // Hundredths 20, 50, 5 show as 200, 500, 100 ms and are written so.
        {"animated GIF to BMP", composedGif, 0, &composedFirst, exact, {100}},
        // Too large, so scaled and written anew: frames and delays kept.
        {"animated GIF to GIF", composedGif, 1, &composedSmall, exact, {200, 500, 100}, 6},
        {"BMP to GIF", test::SimpleBmp24(8, 6, bmpPixels), 1, &bmp, exact, {100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.file.empty());
        TConvertOptions options;
        options.PackKind = c.packKind;
        options.MaxWidth = options.MaxHeight = c.maxSide;
        TImportNotes notes;
        const TConvertedPicture result = ConvertForPack(AsBytes(c.file), "in", options, notes);
        EXPECT_TRUE(result.Converted);
        EXPECT_EQ(result.Width, c.source->Width());
        EXPECT_EQ(result.Height, c.source->Height());
        const EditorPicture shown =
            c.packKind == 0 ? test::EditorBmp(result.Bytes) : test::EditorGif(result.Bytes);
        // A static pack's bottom-left pixel is transparent whatever it was.
        TRgbaPicture expected = *c.source;
        if (c.packKind == 0) expected.Frames[0].Pixels[size_t(expected.Height() - 1) * expected.Width()] = 0;
        EXPECT_EQ(Difference(expected, shown, c.tolerance), "");
        EXPECT_EQ(shown.delays, c.delays);
    }
}

TEST(PictureConvertTest, KeepsWhatFitsAndTellsWhatChanged) {
    const std::string smallGif = ComposedGif();
    std::vector<uint32_t> bmpPixels(8 * 6, 0x3080C0);
    bmpPixels[40] = 0xFF00FF;  // the bottom-left: the key
    const std::string smallBmp = test::SimpleBmp24(8, 6, bmpPixels);
    TRgbaFrame wide = test::Sticker(512, 256);
    // Opaque bottom-left pixel in a picture with transparency.
    const std::string cornered = test::PngFile(test::Sticker(20, 16, 0, true));
    using K = TImportNoteKind;
    struct Case {
        const char* name;
        std::string file;
        uint8_t packKind;
        bool converted;
        TImportNotes notes;
    };
    const std::vector<Case> cases = {
        {"GIF that fits, animated pack", smallGif, 1, false, {}},
        {"BMP that fits, static pack", smallBmp, 0, false, {}},
        // Its bottom-left pixel is opaque and index 0 transparent elsewhere.
        {"GIF into the static pack",
         smallGif,
         0,
         true,
         {{K::FramesDropped, {"in.x", "3"}}, {K::TransparencyLost, {"in.x"}}}},
        {"BMP into the animated pack", smallBmp, 1, true, {}},
        {"too wide", test::PngFile(wide), 1, true, {{K::Scaled, {"in.x", "512x256", "256x128"}}}},
        {"opaque corner, static pack", cornered, 0, true, {{K::TransparencyLost, {"in.x"}}}},
        {"opaque corner, animated pack", cornered, 1, true, {}},
        // No transparency to lose: only the corner becomes transparent, as in every static smile.
        {"opaque picture, static pack", test::JpegFile(test::Opaque(20, 16), 90), 0, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TConvertOptions options;
        options.PackKind = c.packKind;
        TImportNotes notes;
        const TConvertedPicture result = ConvertForPack(AsBytes(c.file), "in.x", options, notes);
        EXPECT_EQ(result.Converted, c.converted);
        if (!c.converted) EXPECT_EQ(test::AsString(result.Bytes), c.file);
        EXPECT_EQ(notes, c.notes);
        EXPECT_EQ(SniffPictureFormat(result.Bytes),
                  c.packKind == 0 ? TPictureFormat::Bmp : TPictureFormat::Gif);
    }
}

TEST(PictureConvertTest, FitWithinKeepsTheAspect) {
    struct Case {
        int32_t width, height, maxWidth, maxHeight;
        bool scaled;
        int32_t newWidth, newHeight;
    };
    const std::vector<Case> cases = {
        {300, 100, 256, 256, true, 256, 85},  // 85.33 rounds down
        {100, 300, 256, 256, true, 85, 256}, {512, 512, 256, 128, true, 128, 128},
        {1000, 1, 256, 256, true, 256, 1},   {1, 1000, 256, 256, true, 1, 256},  // never below one pixel
        {3, 2000, 256, 256, true, 1, 256},   {256, 256, 256, 256, false, 256, 256},
        {10, 10, 0, 0, true, 1, 1},  // a bound below 1 counts as 1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        TRgbaPicture picture = Animation(c.width, c.height, {100, 100});
        EXPECT_EQ(FitWithin(picture, c.maxWidth, c.maxHeight), c.scaled);
        for (const TRgbaFrame& frame : picture.Frames) {
            EXPECT_EQ(frame.Width, c.newWidth);
            EXPECT_EQ(frame.Height, c.newHeight);
            EXPECT_EQ(frame.Pixels.size(), size_t(c.newWidth) * c.newHeight);
        }
    }
}

TEST(PictureConvertTest, ScalingAveragesAreasWithoutDarkeningTransparentEdges) {
    // 4x2: a red left half (opaque), a right half that alternates transparent black and
    // opaque blue; halved to 2x1.
    TRgbaFrame frame;
    frame.Width = 4, frame.Height = 2;
    const uint32_t red = Argb(255, 255, 0, 0), blue = Argb(255, 0, 0, 255), clear = 0;
    frame.Pixels = {red, red, clear, blue, red, red, blue, clear};
    TRgbaPicture picture = Still(frame);
    ASSERT_TRUE(FitWithin(picture, 2, 1));
    // Red stays red; the mixed half is pure blue at half alpha, not a darker blue.
    EXPECT_EQ(picture.Frames[0].Pixels, (std::vector<uint32_t>{red, Argb(128, 0, 0, 255)}));
}

TEST(PictureConvertTest, BmpKeepsOpaqueKeyColouredPixelsOpaque) {
    // 3x2 on the key 0xFF00FF: an opaque pixel of the key colour, a transparent one, an
    // opaque bottom-left pixel.
    TRgbaFrame frame;
    frame.Width = 3, frame.Height = 2;
    frame.Pixels = {Argb(255, 255, 0, 255), 0, Argb(255, 1, 2, 3), Argb(255, 9, 9, 9), Argb(255, 4, 5, 6), 0};
    const std::vector<uint8_t> bmp = EncodeBmp(Still(frame), 0xFF00FF);
    uint32_t key = 0;
    ASSERT_TRUE(BmpKeyColor(bmp, key));
    EXPECT_EQ(key, 0xFF00FFu);
    const EditorPicture shown = test::EditorBmp(bmp);
    ASSERT_EQ(shown.frames.size(), 1u);
    // Nudged one step of blue off the key; the corner is transparent by the editor's rule.
    EXPECT_EQ(shown.frames[0], (std::vector<uint32_t>{Argb(255, 255, 0, 254), 0, Argb(255, 1, 2, 3), 0,
                                                      Argb(255, 4, 5, 6), 0}));
    EXPECT_FALSE(BmpKeyColor(AsBytes("BM not a bitmap"), key));
}

TEST(PictureConvertTest, PngKeepsEveryPixelAndItsAlpha) {
    TRgbaFrame frame = test::Sticker(17, 9);
    frame.Pixels[3] = Argb(1, 200, 100, 50);  // barely visible, still kept
    const std::vector<uint8_t> png = EncodePng(frame);
    EXPECT_EQ(SniffPictureFormat(png), TPictureFormat::Png);
    const TRgbaPicture back = DecodePicture(png);
    ASSERT_EQ(back.Frames.size(), 1u);
    EXPECT_EQ(back.Frames[0].Pixels, frame.Pixels);
}

TEST(PictureConvertTest, FormatsKnownByContentAndNames) {
    struct Case {
        std::string bytes;
        TPictureFormat format;
    };
    const std::vector<Case> cases = {
        {"\x89PNG\r\n\x1A\n....", TPictureFormat::Png},
        {"\xFF\xD8\xFF\xE0", TPictureFormat::Jpeg},
        {std::string("RIFF\x10\0\0\0WEBPVP8 ", 16), TPictureFormat::Webp},
        {"GIF87a", TPictureFormat::Gif},
        {"GIF89a", TPictureFormat::Gif},
        {"BM" + std::string(12, '\0'), TPictureFormat::Bmp},
        {"BM", TPictureFormat::Unknown},
        {std::string("RIFF\x10\0\0\0WAVE", 12), TPictureFormat::Unknown},
        {"GIF90a", TPictureFormat::Unknown},
        {"", TPictureFormat::Unknown},
    };
    for (const Case& c : cases) EXPECT_EQ(SniffPictureFormat(AsBytes(c.bytes)), c.format) << c.bytes;

    for (const char* name : {"a.png", "b.JPG", "c.jpeg", "d.WebP", "e.gif", "dir.x/f.bmp"}) {
        EXPECT_TRUE(HasPictureExtension(name)) << name;
    }
    for (const char* name : {"a.txt", "gif", ".gif", "dir.gif/readme", "a.gif.txt", "a.tiff"}) {
        EXPECT_FALSE(HasPictureExtension(name)) << name;
    }
    EXPECT_STREQ(PictureFormatName(TPictureFormat::Webp), "WebP");
    EXPECT_STREQ(PictureFormatName(TPictureFormat::Unknown), "unknown");
}

TEST(PictureConvertTest, GifAndBmpReadAsTheEditorShowsThem) {
    test::BmpSpec twoColours;  // white is transparent whatever the corner holds
    twoColours.width = 5, twoColours.height = 3, twoColours.bitCount = 1;
    twoColours.palette = {0x000000, 0xFFFFFF};
    twoColours.pixels = {0, 1, 0, 1, 1, 1, 0, 0, 0, 1, 0, 0, 1, 1, 0};
    test::BmpSpec runLength;  // 8-bit run-length, the corner's index 2 transparent
    runLength.width = 6, runLength.height = 4, runLength.bitCount = 8, runLength.compression = test::kBmpRle8;
    runLength.palette = {0x102030, 0xA0B0C0, 0xFF00FF};
    std::vector<uint32_t> indexes = {0, 0, 1, 1, 2, 2, 1, 2, 1, 2, 1, 2, 0, 0, 0, 1, 1, 1, 2, 0, 1, 2, 0, 1};
    runLength.pixels = indexes;
    runLength.pixelData = test::EncodeRle8(indexes, 6, 4);
    struct Case {
        const char* name;
        std::string file;
        bool gif;
    };
    const std::vector<Case> cases = {
        {"two-colour BMP", test::EncodeBmp(twoColours), false},
        {"run-length BMP", test::EncodeBmp(runLength), false},
        {"animated GIF", ComposedGif(), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> bytes(c.file.begin(), c.file.end());
        const EditorPicture shown = c.gif ? test::EditorGif(bytes) : test::EditorBmp(bytes);
        const TRgbaPicture read = DecodePicture(bytes);
        ASSERT_EQ(read.Frames.size(), shown.frames.size());
        for (size_t f = 0; f < shown.frames.size(); ++f) {
            EXPECT_EQ(read.Frames[f].Pixels, shown.frames[f]) << "frame " << f;
            EXPECT_EQ(read.Frames[f].DelayMs, shown.delays[f]) << "frame " << f;
        }
    }
}

}  // namespace
}  // namespace faceloom
