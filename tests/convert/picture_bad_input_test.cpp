// Pictures that cannot be read: cut files, huge claims, garbage. Each is an EConvertError of
// the right kind, never a crash (run under the asan preset too).

#include <gtest/gtest.h>
#include <webp/encode.h>

#include <string>
#include <vector>

#include "convert/picture_convert.h"
#include "picture_test_inputs.h"
#include "support/bmp_writer.h"
#include "support/gif_writer.h"

namespace faceloom {
namespace {

using test::AsBytes;

// The kind DecodePicture throws, or nullopt when it reads the bytes.
std::optional<TImportNoteKind> Failure(std::string_view bytes, const TPictureLimits& limits = {},
                                       std::string* message = nullptr) {
    try {
        DecodePicture(AsBytes(bytes), limits);
        return std::nullopt;
    } catch (const EConvertError& error) {
        if (message != nullptr) *message = error.what();
        return error.Kind;
    }
}

std::string WebpLossyFile(const TRgbaFrame& frame) {
    uint8_t* output = nullptr;
    const size_t size = WebPEncodeBGRA(reinterpret_cast<const uint8_t*>(frame.Pixels.data()), frame.Width,
                                       frame.Height, frame.Width * 4, 80, &output);
    std::string bytes(reinterpret_cast<const char*>(output), size);
    WebPFree(output);
    return bytes;
}

TRgbaPicture ThreeFrames() {
    TRgbaPicture picture;
    for (int i = 0; i < 3; ++i) picture.Frames.push_back(test::Sticker(10, 8, i));
    return picture;
}

std::string SmallGif() {
    TRgbaPicture three = ThreeFrames();
    return test::AsString(EncodeGif(three));
}

TEST(PictureBadInputTest, EveryCutOfAValidFileIsAnError) {
    const TRgbaFrame sticker = test::Sticker(12, 10);
    std::vector<uint32_t> bmpPixels(8 * 5, 0x102030);
    struct Case {
        const char* name;
        std::string file;
    };
    const std::vector<Case> cases = {
        {"PNG", test::PngFile(sticker)},
        {"JPEG", test::JpegFile(test::Opaque(12, 10), 80)},
        {"progressive JPEG", test::JpegFile(test::Opaque(12, 10), 80, true)},
        {"lossless WebP", test::WebpStillFile(sticker)},
        {"lossy WebP with alpha", WebpLossyFile(sticker)},
        {"animated WebP", test::WebpAnimatedFile(ThreeFrames())},
        {"animated GIF", SmallGif()},
        // 8 pixels of 3 bytes: rows without padding, whose absence the BMP reader forgives.
        {"BMP", test::SimpleBmp24(8, 5, bmpPixels)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Failure(c.file), std::nullopt);
        for (size_t length = 0; length < c.file.size(); ++length) {
            const std::optional<TImportNoteKind> kind = Failure(std::string_view(c.file).substr(0, length));
            // Too short to tell the format: not a picture; else a damaged one.
            ASSERT_TRUE(kind == TImportNoteKind::DamagedPicture || kind == TImportNoteKind::NotAPicture)
                << "cut at " << length << " of " << c.file.size();
        }
    }
}

// A PNG of a header only, claiming width x height (big-endian fields, with the chunk's CRC).
std::string PngHeaderOnly(uint32_t width, uint32_t height) {
    std::string ihdr = "IHDR";
    for (uint32_t value : {width, height}) {
        for (int shift : {24, 16, 8, 0}) ihdr += char(value >> shift);
    }
    ihdr += std::string("\x08\x06\x00\x00\x00", 5);  // 8 bits, RGBA, deflate, filter 0, no interlace
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : ihdr) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    crc ^= 0xFFFFFFFFu;
    std::string png = "\x89PNG\r\n\x1A\n";
    png += std::string("\0\0\0\x0D", 4) + ihdr;
    for (int shift : {24, 16, 8, 0}) png += char(crc >> shift);
    return png;
}

// The file with the first frame header's (SOF0) height and width replaced.
std::string JpegClaiming(std::string jpeg, uint16_t width, uint16_t height) {
    const size_t sof = jpeg.find("\xFF\xC0");
    // Marker, length (2), precision (1), height (2), width (2).
    jpeg[sof + 5] = char(height >> 8), jpeg[sof + 6] = char(height);
    jpeg[sof + 7] = char(width >> 8), jpeg[sof + 8] = char(width);
    return jpeg;
}

TEST(PictureBadInputTest, PicturesBeyondTheLimitsAreRefusedBeforeReading) {
    TPictureLimits small;
    small.MaxSide = 16;
    small.MaxFrames = 2;
    small.MaxPixels = 250;
    test::BmpSpec hugeBmp;  // headers only
    hugeBmp.width = 20000, hugeBmp.height = 20000, hugeBmp.pixelData = "";
    test::GifWriter hugeGif;
    hugeGif.Header().LogicalScreen(9000, 10).Trailer();
    struct Case {
        const char* name;
        std::string file;
        TPictureLimits limits;
        std::string size;  // what the error names
    };
    const std::vector<Case> cases = {
        {"PNG header", PngHeaderOnly(100000, 100000), {}, "100000x100000"},
        {"JPEG frame header",
         JpegClaiming(test::JpegFile(test::Opaque(8, 8), 80), 60000, 50000),
         {},
         "60000x50000"},
        {"GIF screen", hugeGif.bytes(), {}, "9000x10"},
        {"BMP header", test::EncodeBmp(hugeBmp), {}, "20000x20000"},
        {"WebP side", test::WebpStillFile(test::Sticker(17, 4)), small, "17x4"},
        {"WebP frames", test::WebpAnimatedFile(ThreeFrames()), small, "3 frames"},
        {"GIF frames", SmallGif(), small, "3 frames"},
        {"GIF pixels over all frames", SmallGif(), {16, 200, 5}, "10x8, 3 frames"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string message;
        EXPECT_EQ(Failure(c.file, c.limits, &message), TImportNoteKind::PictureTooLarge);
        EXPECT_EQ(message, c.size);
    }
}

TEST(PictureBadInputTest, GarbageIsNotAPictureOrADamagedOne) {
    test::GifWriter noImages;
    noImages.Header().LogicalScreen(4, 4).Trailer();
    struct Case {
        const char* name;
        std::string bytes;
        TImportNoteKind kind;
    };
    const std::vector<Case> cases = {
        {"text", "hello, world", TImportNoteKind::NotAPicture},
        {"nothing", "", TImportNoteKind::NotAPicture},
        {"GIF without images", noImages.bytes(), TImportNoteKind::DamagedPicture},
        {"GIF header, then garbage", "GIF89a\x04\0\x04\0\x80\0\0garbage", TImportNoteKind::DamagedPicture},
        {"PNG signature, then garbage", "\x89PNG\r\n\x1A\ngarbage garbage garbage",
         TImportNoteKind::DamagedPicture},
        {"JPEG start, then garbage", "\xFF\xD8\xFF\xE0 garbage", TImportNoteKind::DamagedPicture},
        {"BMP header of zeros", "BM" + std::string(60, '\0'), TImportNoteKind::DamagedPicture},
        {"RIFF WEBP of garbage", std::string("RIFF\x20\0\0\0WEBPVP8 garbage garbage ", 32),
         TImportNoteKind::DamagedPicture},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string message;
        EXPECT_EQ(Failure(c.bytes, {}, &message), c.kind);
        EXPECT_FALSE(message.empty());  // the reason goes into the note
        TImportNotes notes;
        EXPECT_THROW(ConvertForPack(AsBytes(c.bytes), "x", {}, notes), EConvertError);
        EXPECT_TRUE(notes.empty());
    }
}

// The readers' one tolerance each: what libpng and libjpeg only warn about still reads.
TEST(PictureBadInputTest, WarningsOfTheLibrariesStillRead) {
    const TRgbaFrame sticker = test::Sticker(12, 10);
    std::string png = test::PngFile(sticker);
    // After the header (signature 8 + IHDR 25): a text chunk whose CRC is wrong.
    png.insert(33, std::string("\0\0\0\x03tEXta\0b\xDE\xAD\xBE\xEF", 15));
    std::string jpeg = test::JpegFile(test::Opaque(12, 10), 90);
    const std::string clean = jpeg;
    jpeg.insert(jpeg.find("\xFF\xDA"), "stray");  // before the scan: "extraneous bytes"
    const TRgbaPicture fromPng = DecodePicture(AsBytes(png));
    EXPECT_EQ(fromPng.Frames[0].Pixels, sticker.Pixels);
    EXPECT_EQ(DecodePicture(AsBytes(jpeg)).Frames[0].Pixels, DecodePicture(AsBytes(clean)).Frames[0].Pixels);
}

}  // namespace
}  // namespace faceloom
