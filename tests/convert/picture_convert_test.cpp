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
    // The quantiser's error on a gradient of ~1300 colours, dithered (seen: max 8, mean 2.3);
    // BMP is exact. JPEG
    // sources are compared with the pixels they were made from, so they carry JPEG's own loss.
    const Tolerance quantised{16, 4.0}, exact{0, 0}, jpeg{12, 1.5}, jpegQuantised{16, 3.0};
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
        {"animated GIF to GIF", composedGif, 1, &composedSmall, quantised, {200, 500, 100}, 6},
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

}  // namespace
}  // namespace faceloom
