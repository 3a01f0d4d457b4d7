// faceloom-pack frames: the JSON summary and the PNG frames, pixel by pixel.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli_fixture.h"
#include "pictures/bmp_decoder.h"
#include "pictures/gif_decoder.h"
#include "pictures/smile_bitmap32.h"
#include "pictures/smile_bitmap8.h"
#include "png_reader.h"
#include "support/bmp_writer.h"
#include "support/gif_writer.h"

namespace faceloom::test {
namespace {

// 3 x 2 pixels, index 0 (white) transparent: frame 0 rows "red clear green" and "blue red
// clear"; frame 1 restores nothing and draws its own picture over the whole screen.
GifPicture TwoFrames() {
    GifPicture picture;
    picture.width = 3;
    picture.height = 2;
    picture.globalColors = {{255, 255, 255}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    GifImage first;
    first.width = 3;
    first.height = 2;
    first.pixels = {1, 0, 2, 3, 1, 0};
    first.delay = 25;
    first.disposal = 2;
    first.transparent = 0;
    GifImage second = first;
    second.pixels = {2, 2, 2, 0, 3, 1};
    second.delay = 7;  // short delays play as 100 ms
    picture.images = {first, second};
    return picture;
}

// The picture decoded here exactly as the program must decode it.
TRef<TPictureDecoder> DecodeHere(TPictureDecoder* picture) {
    TRef<TPictureDecoder> ref(picture);
    ref->WantSmileBitmaps = true;
    ref->WantTransparent = true;
    ref->Decode();
    return ref;
}

// Compares a written PNG with a decoded frame: every colour, alpha 0 exactly at the pixels
// the mask makes transparent and 255 elsewhere.
void ExpectPngMatchesFrame(const std::string& file, const TSmileBitmap& frame) {
    const PngPixels png = ReadPng(file);
    ASSERT_EQ(png.width, static_cast<uint32_t>(frame.Width));
    ASSERT_EQ(png.height, static_cast<uint32_t>(frame.Height));
    const auto* frame8 = dynamic_cast<const TSmileBitmap8*>(&frame);
    const auto* frame32 = dynamic_cast<const TSmileBitmap32*>(&frame);
    ASSERT_TRUE(frame8 != nullptr || frame32 != nullptr);
    for (int y = 0; y < frame.Height; ++y) {
        for (int x = 0; x < frame.Width; ++x) {
            const uint32_t rgb =
                frame8 ? frame8->GetPaletteEntry(frame8->GetPixel(x, y)) : frame32->GetPixel(x, y);
            const uint8_t* p = &png.rgba[(static_cast<size_t>(y) * png.width + x) * 4];
            EXPECT_EQ(p[0], (rgb >> 16) & 0xFF) << file << " " << x << "," << y;
            EXPECT_EQ(p[1], (rgb >> 8) & 0xFF) << file << " " << x << "," << y;
            EXPECT_EQ(p[2], rgb & 0xFF) << file << " " << x << "," << y;
            EXPECT_EQ(p[3], frame.GetMaskBit(x, y) ? 0 : 255) << file << " " << x << "," << y;
        }
    }
}

std::vector<uint8_t> AlphaOf(const PngPixels& png) {
    std::vector<uint8_t> alpha;
    for (size_t i = 3; i < png.rgba.size(); i += 4) alpha.push_back(png.rgba[i]);
    return alpha;
}

class FramesTest : public CliTest {};

TEST_F(FramesTest, WritesEveryFrameAsRgbaPngWithTheMaskAsAlpha) {
    const std::string gif = Work().file("two.gif");
    WriteGifFile(gif, TwoFrames());
    const std::string out = Work().file("out/frames");

    const ProgramResult result = Run({"frames", "--out", out, gif});
    EXPECT_EQ(result.out, R"({"frames":2,"width":3,"height":2,"delays":[250,100],"depth":[8,8]})"
                          "\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(Snapshot(Work().file("out")).size(), 3u);  // the folder and two files

    // Frame 0 by hand: opaque red, green, blue and red where drawn, alpha 0 where index 0 was.
    const PngPixels first = ReadPng(out + "/frame-000.png");
    EXPECT_EQ(AlphaOf(first), (std::vector<uint8_t>{255, 0, 255, 255, 255, 0}));
    const uint8_t opaque[4][2] = {{0, 0}, {2, 0}, {0, 1}, {1, 1}};
    const uint8_t colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 0, 0}};
    for (int i = 0; i < 4; ++i) {
        const uint8_t* p = &first.rgba[(opaque[i][1] * 3 + opaque[i][0]) * 4];
        EXPECT_EQ(std::vector<uint8_t>(p, p + 3), std::vector<uint8_t>(colours[i], colours[i] + 3)) << i;
    }
    EXPECT_EQ(AlphaOf(ReadPng(out + "/frame-001.png")), (std::vector<uint8_t>{255, 255, 255, 0, 255, 255}));

    // Every pixel of both frames as the decoder made it.
    TRef<TPictureDecoder> here = DecodeHere(new TGifDecoder(gif));
    ASSERT_EQ(here->GetFrameCount(), 2);
    ExpectPngMatchesFrame(out + "/frame-000.png", *here->GetSmileBitmap(0));
    ExpectPngMatchesFrame(out + "/frame-001.png", *here->GetSmileBitmap(1));
}

TEST_F(FramesTest, WithoutOutItOnlyPrints) {
    const std::string gif = Work().file("two.gif");
    WriteGifFile(gif, TwoFrames());
    const auto before = Snapshot(Work().folder());
    const ProgramResult result = Run({"frames", gif});
    EXPECT_EQ(result.out, R"({"frames":2,"width":3,"height":2,"delays":[250,100],"depth":[8,8]})"
                          "\n");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(Snapshot(Work().folder()), before);
    EXPECT_TRUE(LeftInTemp().empty());
}

TEST_F(FramesTest, TrueColourFramesOfAPictureWithLocalColourTables) {
    // More colours than one table holds across the frames: the decoder may switch to 32-bit
    // frames; whatever it makes, the program reports and writes the same.
    GifPicture picture = TwoFrames();
    picture.images[1].localColors = {{0, 0, 0}, {10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
    picture.images[1].pixels = {1, 2, 3, 0, 1, 2};
    const std::string gif = Work().file("local.gif");
    WriteGifFile(gif, picture);
    const std::string out = Work().file("local");

    TRef<TPictureDecoder> here = DecodeHere(new TGifDecoder(gif));
    std::string depths;
    for (int i = 0; i < here->GetFrameCount(); ++i) {
        depths +=
            (i ? "," : "") + std::string(dynamic_cast<TSmileBitmap32*>(here->GetSmileBitmap(i)) ? "32" : "8");
    }
    const ProgramResult result = Run({"frames", "--animated", "--out=" + out, gif});
    EXPECT_EQ(result.out,
              R"({"frames":2,"width":3,"height":2,"delays":[250,100],"depth":[)" + depths + "]}\n");
    EXPECT_EQ(result.exitCode, 0);
    ExpectPngMatchesFrame(out + "/frame-000.png", *here->GetSmileBitmap(0));
    ExpectPngMatchesFrame(out + "/frame-001.png", *here->GetSmileBitmap(1));
    // The second frame's colours come from its own table.
    const PngPixels second = ReadPng(out + "/frame-001.png");
    EXPECT_EQ(std::vector<uint8_t>(second.rgba.begin(), second.rgba.begin() + 4),
              (std::vector<uint8_t>{10, 20, 30, 255}));
}

TEST_F(FramesTest, StaticBitmapWithItsTransparentColour) {
    // The bottom-left pixel's colour (white) is the transparent one.
    const uint32_t w = 0xFFFFFF;
    const uint32_t r = 0xFF0000;
    const uint32_t g = 0x00FF00;
    const std::string bmp = Work().file("s.bmp");
    WriteBytes(bmp, SimpleBmp24(3, 2, {r, w, g, w, r, w}));
    const std::string out = Work().file("s");

    const ProgramResult result = Run({"frames", "--static", "--out", out, bmp});
    TRef<TPictureDecoder> here = DecodeHere(new TBmpDecoder(bmp));
    const bool trueColour = dynamic_cast<TSmileBitmap32*>(here->GetSmileBitmap(0)) != nullptr;
    EXPECT_EQ(result.out, std::string(R"({"frames":1,"width":3,"height":2,"delays":[100],"depth":[)") +
                              (trueColour ? "32" : "8") + "]}\n");
    EXPECT_EQ(result.exitCode, 0);
    const PngPixels png = ReadPng(out + "/frame-000.png");
    EXPECT_EQ(AlphaOf(png), (std::vector<uint8_t>{255, 0, 255, 0, 255, 0}));
    EXPECT_EQ(std::vector<uint8_t>(png.rgba.begin(), png.rgba.begin() + 4),
              (std::vector<uint8_t>{255, 0, 0, 255}));
    ExpectPngMatchesFrame(out + "/frame-000.png", *here->GetSmileBitmap(0));
}

TEST_F(FramesTest, DecodeFailurePrintsTheDecodersMessageAndWritesNothing) {
    const std::string gif = Work().file("cut.gif");
    WriteBytes(gif, EncodeGif(TwoFrames()).substr(0, 30));
    std::string message;
    try {
        DecodeHere(new TGifDecoder(gif));
    } catch (const std::exception& error) {
        message = error.what();
    }
    ASSERT_FALSE(message.empty());

    const std::string out = Work().file("never");
    const ProgramResult result = Run({"frames", "--out", out, gif});
    EXPECT_EQ(result.err, message + "\n");
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(out));

    // A bitmap read by the GIF decoder fails the same way: the kind decides, not the file.
    const std::string bmp = Work().file("s.bmp");
    WriteBytes(bmp, SimpleBmp24(1, 1, {0}));
    const ProgramResult asGif = Run({"frames", bmp});
    EXPECT_EQ(asGif.exitCode, 1);
    EXPECT_EQ(asGif.out, "");
    EXPECT_NE(asGif.err, "");
}

TEST_F(FramesTest, PictureThatCannotBeOpenedOrWritten) {
    const std::string missing = Work().file("none.gif");
    const ProgramResult result = Run({"frames", missing});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("faceloom-pack: cannot open '" + missing + "': ", 0), 0u) << result.err;

    const std::string gif = Work().file("two.gif");
    WriteGifFile(gif, TwoFrames());
    const std::string blocker = Work().file("file");
    WriteBytes(blocker, "not a folder");
    const ProgramResult unwritable = Run({"frames", "--out", blocker, gif});
    EXPECT_EQ(unwritable.exitCode, 2);
    EXPECT_EQ(unwritable.out, "");
    EXPECT_EQ(unwritable.err, "faceloom-pack: cannot create the folder '" + blocker + "'\n");

    EXPECT_EQ(Run({"frames"}).err, UsageErrorText("frames", "missing PICTURE"));
    EXPECT_EQ(Run({"frames", "--out", "", gif}).err, UsageErrorText("frames", "--out needs a folder"));
}

}  // namespace
}  // namespace faceloom::test
