// The PNG writer and the frame-to-RGBA conversion, read back with libpng.
#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>

#include "cli/frame_pixels.h"
#include "cli/png_writer.h"
#include "pictures/smile_bitmap32.h"
#include "pictures/smile_bitmap8.h"
#include "png_reader.h"
#include "support/temp_dir.h"

namespace faceloom::cli {
namespace {

using test::ReadPng;

TEST(PngWriterTest, WritesEveryByteOfAnRgbaImageIncludingTransparentColours) {
    test::TempDir dir;
    TRgbaImage image;
    image.Width = 3;
    image.Height = 2;
    image.Pixels = {255, 0, 0, 255, 0,   255, 0,   0, 0,   0,   255, 128,  //
                    1,   2, 3, 255, 250, 251, 252, 0, 255, 255, 255, 255};
    const std::string file = dir.file("a.png");
    WritePng(file, image);
    const test::PngPixels read = ReadPng(file);
    EXPECT_EQ(read.width, 3u);
    EXPECT_EQ(read.height, 2u);
    EXPECT_EQ(read.rgba, image.Pixels);
    // Only the finished file is left.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(PngWriterTest, ReplacesAnOldFileAndReportsAnUnwritableOne) {
    test::TempDir dir;
    const std::string file = dir.file("a.png");
    test::WriteBytes(file, "old");
    TRgbaImage image{1, 1, {9, 8, 7, 255}};
    WritePng(file, image);
    EXPECT_EQ(ReadPng(file).rgba, image.Pixels);

    try {
        WritePng(dir.file("missing/b.png"), image);
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find(dir.file("missing/b.png")), std::string::npos)
            << error.what();
    }
    EXPECT_THROW(WritePng(dir.file("c.png"), TRgbaImage{}), std::runtime_error);
    EXPECT_THROW(WritePng(dir.file("d.png"), TRgbaImage{2, 2, {1, 2, 3, 4}}), std::runtime_error);
}

TEST(FramePixelsTest, PalettisedFrameTakesPaletteColoursAndMaskAlpha) {
    TSmileBitmap8 frame;
    frame.Width = 3;
    frame.Height = 2;
    frame.Transparent = true;
    frame.PaletteCount = 3;
    frame.Allocate();
    ASSERT_TRUE(frame.HasMask);
    frame.SetPaletteEntry(0, 0xFFFFFF);  // platform colours are 0x00BBGGRR
    frame.SetPaletteEntry(1, 0x0000FF);  // red
    frame.SetPaletteEntry(2, 0x804020);  // r 0x20, g 0x40, b 0x80
    // Row 0 (top): 1 2 0, row 1: 2 1 1; the top-right and bottom-left pixels transparent.
    const uint8_t indexes[2][3] = {{1, 2, 0}, {2, 1, 1}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            frame.SetPixel(x, y, indexes[y][x]);
            frame.SetMaskBit(x, y, false);
        }
    frame.SetMaskBit(2, 0, true);
    frame.SetMaskBit(0, 1, true);

    EXPECT_EQ(FrameDepth(frame), 8);
    const TRgbaImage image = FrameToRgba(frame);
    EXPECT_EQ(image.Width, 3);
    EXPECT_EQ(image.Height, 2);
    EXPECT_EQ(image.Pixels,
              (std::vector<uint8_t>{255,  0,    0,    255, 0x20, 0x40, 0x80, 255, 255, 255, 255, 0,  //
                                    0x20, 0x40, 0x80, 0,   255,  0,    0,    255, 255, 0,   0,   255}));
}

TEST(FramePixelsTest, TrueColourFrameWithoutMaskIsOpaque) {
    TSmileBitmap32 frame;
    frame.Width = 2;
    frame.Height = 2;
    frame.Transparent = false;
    frame.Allocate();
    ASSERT_FALSE(frame.HasMask);
    frame.SetPixel(0, 0, 0x00FF00);  // green
    frame.SetPixel(1, 0, 0x123456);  // r 0x56, g 0x34, b 0x12
    frame.SetPixel(0, 1, 0x000000);
    frame.SetPixel(1, 1, 0xFFFFFF);
    EXPECT_EQ(FrameDepth(frame), 32);
    EXPECT_EQ(FrameToRgba(frame).Pixels, (std::vector<uint8_t>{0, 255, 0, 255, 0x56, 0x34, 0x12, 255,  //
                                                               0, 0, 0, 255, 255, 255, 255, 255}));
}

TEST(FramePixelsTest, TrueColourFrameWithMask) {
    TSmileBitmap32 frame;
    frame.Width = 2;
    frame.Height = 1;
    frame.Transparent = true;
    frame.Allocate();
    frame.SetPixel(0, 0, 0x0000FF);
    frame.SetPixel(1, 0, 0x00FF00);
    frame.SetMaskBit(0, 0, true);
    frame.SetMaskBit(1, 0, false);
    EXPECT_EQ(FrameToRgba(frame).Pixels, (std::vector<uint8_t>{255, 0, 0, 0, 0, 255, 0, 255}));
}

TEST(FramePixelsTest, UnallocatedFrameGivesNoImage) {
    TSmileBitmap8 frame;
    const TRgbaImage image = FrameToRgba(frame);
    EXPECT_EQ(image.Width, 0);
    EXPECT_TRUE(image.Pixels.empty());
}

}  // namespace
}  // namespace faceloom::cli
