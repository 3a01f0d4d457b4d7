#include "pictures/bmp_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pictures/decoder_errors.h"
#include "support/bmp_writer.h"

namespace faceloom {
namespace {

using test::BmpHeader;
using test::BmpSpec;
using test::EncodeBmp;

TBmpImage ReadBytes(const std::string& bytes) {
    return TBmpReader().Read(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// Reads and expects the failure, answering its message.
std::string ReadError(const std::string& bytes) {
    try {
        ReadBytes(bytes);
    } catch (const EInvalidGraphic& error) {
        return error.what();
    }
    ADD_FAILURE() << "the file was read";
    return {};
}

const char* HeaderName(BmpHeader header) {
    switch (header) {
        case BmpHeader::Core:
            return "core";
        case BmpHeader::Info:
            return "info";
        case BmpHeader::V2:
            return "v2";
        case BmpHeader::V3:
            return "v3";
        case BmpHeader::V4:
            return "v4";
        case BmpHeader::V5:
            return "v5";
    }
    return "?";
}

constexpr int32_t kWidth = 5;  // odd, so that every depth has row padding
constexpr int32_t kHeight = 3;

// Palette indexes of the test picture, top-down; each row differs, so flipped rows show.
std::vector<uint32_t> Indexes(uint32_t colors) {
    std::vector<uint32_t> indexes;
    for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kWidth; ++x)
            indexes.push_back(static_cast<uint32_t>(x * 3 + y * 7 + (x == y)) % colors);
    return indexes;
}

std::vector<uint32_t> Palette(uint32_t colors) {
    std::vector<uint32_t> palette;
    for (uint32_t i = 0; i < colors; ++i) palette.push_back((i * 0x3B5F17u + 0x102030u) & 0xFFFFFFu);
    return palette;
}

std::vector<uint32_t> Colours(const std::vector<uint32_t>& indexes, const std::vector<uint32_t>& palette) {
    std::vector<uint32_t> colours;
    for (uint32_t index : indexes) colours.push_back(index < palette.size() ? palette[index] : 0);
    return colours;
}

TEST(BmpReader, PalettisedDepthsForEveryHeaderAndRowOrder) {
    for (BmpHeader header :
         {BmpHeader::Core, BmpHeader::Info, BmpHeader::V2, BmpHeader::V3, BmpHeader::V4, BmpHeader::V5}) {
        for (uint16_t bits : {1, 4, 8}) {
            for (bool topDown : {false, true}) {
                if (topDown && header == BmpHeader::Core) continue;  // a core height is unsigned
                SCOPED_TRACE(testing::Message()
                             << HeaderName(header) << " " << bits << " bpp" << (topDown ? " top-down" : ""));
                uint32_t colors = 1u << bits;
                BmpSpec spec;
                spec.header = header;
                spec.width = kWidth;
                spec.height = kHeight;
                spec.topDown = topDown;
                spec.bitCount = bits;
                spec.palette = Palette(colors);
                spec.pixels = Indexes(colors);
                TBmpImage image = ReadBytes(EncodeBmp(spec));
                EXPECT_EQ(image.Width, kWidth);
                EXPECT_EQ(image.Height, kHeight);
                EXPECT_EQ(image.BitsPerPixel, bits);
                EXPECT_EQ(image.Pixels, Colours(spec.pixels, spec.palette));
            }
        }
    }
}

TEST(BmpReader, TrueColourDepthsForEveryHeader) {
    // 24-bit pixels are 0x00RRGGBB; 32-bit without bit fields ignores the top byte.
    const std::vector<uint32_t> colours = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF,
                                           0x123456, 0xABCDEF, 0x808080, 0x010203, 0xFEFDFC,
                                           0x7F0080, 0x00FF7F, 0x5A5A5A, 0xA5A5A5, 0xC0FFEE};
    for (BmpHeader header :
         {BmpHeader::Core, BmpHeader::Info, BmpHeader::V2, BmpHeader::V3, BmpHeader::V4, BmpHeader::V5}) {
        for (uint16_t bits : {24, 32}) {
            if (bits == 32 && header == BmpHeader::Core) continue;
            SCOPED_TRACE(testing::Message() << HeaderName(header) << " " << bits << " bpp");
            BmpSpec spec;
            spec.header = header;
            spec.width = kWidth;
            spec.height = kHeight;
            spec.bitCount = bits;
            spec.pixels = colours;
            if (bits == 32) {
                for (uint32_t& pixel : spec.pixels) pixel |= 0xAB000000u;  // unused top byte
            }
            TBmpImage image = ReadBytes(EncodeBmp(spec));
            EXPECT_EQ(image.Pixels, colours);
        }
    }
}

// 16-bit values with the colours they stand for (5 and 6-bit channels widened by bit
// replication: 16 of 31 -> 0x84, 32 of 63 -> 0x82).
struct Pixel16 {
    uint32_t value;
    uint32_t colour;
};

TEST(BmpReader, SixteenBitDefaultIs555) {
    const std::vector<Pixel16> pixels = {{0x7FFF, 0xFFFFFF}, {0x7C00, 0xFF0000}, {0x03E0, 0x00FF00},
                                         {0x001F, 0x0000FF}, {0x4210, 0x848484}, {0x0000, 0x000000},
                                         {0x8000, 0x000000}};
    BmpSpec spec;
    spec.width = static_cast<int32_t>(pixels.size());
    spec.height = 1;
    spec.bitCount = 16;
    std::vector<uint32_t> expected;
    for (Pixel16 p : pixels) {
        spec.pixels.push_back(p.value);
        expected.push_back(p.colour);
    }
    EXPECT_EQ(ReadBytes(EncodeBmp(spec)).Pixels, expected);
}

TEST(BmpReader, BitFieldMasksInOrAfterTheHeader) {
    const std::vector<Pixel16> pixels565 = {
        {0xF800, 0xFF0000}, {0x07E0, 0x00FF00}, {0x001F, 0x0000FF}, {0x8410, 0x848284}, {0xFFFF, 0xFFFFFF}};
    // 32-bit with red in the top byte: a layout only the masks explain.
    const std::vector<Pixel16> pixels32 = {{0xFF000000, 0xFF0000},
                                           {0x00FF0000, 0x00FF00},
                                           {0x0000FF00, 0x0000FF},
                                           {0x12345678, 0x123456},
                                           {0x000000FF, 0x000000}};
    struct Case {
        BmpHeader header;
        uint32_t compression;
        uint16_t bits;
    };
    for (Case c :
         {Case{BmpHeader::Info, test::kBmpBitFields, 16}, Case{BmpHeader::Info, test::kBmpAlphaBitFields, 16},
          Case{BmpHeader::V2, test::kBmpBitFields, 16}, Case{BmpHeader::V3, test::kBmpBitFields, 32},
          Case{BmpHeader::V4, test::kBmpBitFields, 32}, Case{BmpHeader::V5, test::kBmpBitFields, 16},
          Case{BmpHeader::Info, test::kBmpBitFields, 32},
          Case{BmpHeader::V5, test::kBmpAlphaBitFields, 32}}) {
        SCOPED_TRACE(testing::Message()
                     << HeaderName(c.header) << " compression " << c.compression << " " << c.bits);
        const std::vector<Pixel16>& pixels = c.bits == 16 ? pixels565 : pixels32;
        BmpSpec spec;
        spec.header = c.header;
        spec.compression = c.compression;
        spec.bitCount = c.bits;
        spec.width = static_cast<int32_t>(pixels.size());
        spec.height = 1;
        if (c.bits == 16) {
            spec.masks[0] = 0xF800;  // red
            spec.masks[1] = 0x07E0;  // green
            spec.masks[2] = 0x001F;  // blue
        } else {
            spec.masks[0] = 0xFF000000;
            spec.masks[1] = 0x00FF0000;
            spec.masks[2] = 0x0000FF00;
            spec.masks[3] = 0x000000FF;  // alpha, not used
        }
        std::vector<uint32_t> expected;
        for (Pixel16 p : pixels) {
            spec.pixels.push_back(p.value);
            expected.push_back(p.colour);
        }
        EXPECT_EQ(ReadBytes(EncodeBmp(spec)).Pixels, expected);
    }
}

TEST(BmpReader, RunLengthEncodedPictures) {
    // Long runs and literals of odd and even length, for both run-length kinds.
    const int32_t width = 13;
    const int32_t height = 4;
    std::vector<uint32_t> indexes = {1,  1,  1,  1,  1, 2, 3, 4, 5, 5, 6, 7, 8,  //
                                     0,  0,  0,  0,  0, 0, 0, 0, 0, 0, 0, 0, 0,  //
                                     9,  8,  7,  6,  5, 4, 3, 2, 1, 0, 1, 2, 3,  //
                                     15, 14, 15, 14, 3, 3, 3, 7, 7, 1, 2, 9, 9};
    for (bool rle8 : {true, false}) {
        for (BmpHeader header : {BmpHeader::Info, BmpHeader::V5}) {
            SCOPED_TRACE(testing::Message() << (rle8 ? "RLE8 " : "RLE4 ") << HeaderName(header));
            BmpSpec spec;
            spec.header = header;
            spec.width = width;
            spec.height = height;
            spec.bitCount = rle8 ? 8 : 4;
            spec.compression = rle8 ? test::kBmpRle8 : test::kBmpRle4;
            spec.palette = Palette(16);
            spec.pixelData =
                rle8 ? test::EncodeRle8(indexes, width, height) : test::EncodeRle4(indexes, width, height);
            EXPECT_EQ(ReadBytes(EncodeBmp(spec)).Pixels, Colours(indexes, spec.palette));
        }
    }
}

TEST(BmpReader, RunLengthEscapesMovesAndClipping) {
    BmpSpec spec;
    spec.width = 4;
    spec.height = 3;
    spec.bitCount = 8;
    spec.compression = test::kBmpRle8;
    spec.palette = {0x111111, 0x222222, 0x333333, 0x444444};
    spec.pixelData = std::string{
        6, 1,           // run of six 1s on the bottom row: the two past the edge are dropped
        0, 0,           // end of line
        0, 2, 1, 1,     // move 1 right and 1 up: from (0, 1) to (1, 2), the top row
        0, 3, 2, 3, 2,  // literal of three indexes
        0,              // padding to 16 bits
        0, 1,           // end of bitmap; the middle row was skipped
    };
    TBmpImage image = ReadBytes(EncodeBmp(spec));
    // Top-down: places the data never reached keep colour 0.
    EXPECT_EQ(image.Pixels, (std::vector<uint32_t>{0x111111, 0x333333, 0x444444, 0x333333,  //
                                                   0x111111, 0x111111, 0x111111, 0x111111,  //
                                                   0x222222, 0x222222, 0x222222, 0x222222}));

    // RLE4 literal of three nibbles (two bytes, no padding needed) and a run alternating two.
    spec.bitCount = 4;
    spec.compression = test::kBmpRle4;
    spec.height = 1;
    spec.pixelData = std::string{
        0, 3,    0x12, 0x30,  // literal 1, 2, 3
        1, 0x33,              // run of one 3
        0, 1,                 // end of bitmap
    };
    EXPECT_EQ(ReadBytes(EncodeBmp(spec)).Pixels,
              (std::vector<uint32_t>{0x222222, 0x333333, 0x444444, 0x444444}));
}

TEST(BmpReader, ShortColourTablesLeaveMissingEntriesBlack) {
    BmpSpec spec;
    spec.width = 6;
    spec.height = 1;
    spec.bitCount = 8;
    spec.palette = {0xFF0000, 0x00FF00, 0x0000FF};  // three of 256
    spec.pixels = {0, 1, 2, 3, 200, 255};
    const std::vector<uint32_t> expected = {0xFF0000, 0x00FF00, 0x0000FF, 0, 0, 0};
    // Colours used says 3.
    EXPECT_EQ(ReadBytes(EncodeBmp(spec)).Pixels, expected);
    // Colours used says 0 (= 256), but the pixels start after three entries.
    spec.colorsUsed = 0;
    EXPECT_EQ(ReadBytes(EncodeBmp(spec)).Pixels, expected);
    // A pixel offset of 0 (some writers): the pixels follow the announced table.
    BmpSpec zeroOffset = spec;
    zeroOffset.colorsUsed = 3;
    zeroOffset.pixelOffset = 0;
    std::string bytes = EncodeBmp(zeroOffset);
    EXPECT_EQ(ReadBytes(bytes).Pixels, expected);
    // Colours used larger than the depth allows: only 2^bits entries count.
    BmpSpec oneBit;
    oneBit.width = 2;
    oneBit.height = 1;
    oneBit.bitCount = 1;
    oneBit.palette = {0xFFFFFF, 0x000000};
    oneBit.colorsUsed = 1000;
    oneBit.pixels = {1, 0};
    EXPECT_EQ(ReadBytes(EncodeBmp(oneBit)).Pixels, (std::vector<uint32_t>{0x000000, 0xFFFFFF}));
}

TEST(BmpReader, PixelOffsetBeyondTheTableAndMissingLastPadding) {
    BmpSpec spec;
    spec.width = 3;
    spec.height = 2;
    spec.bitCount = 24;
    spec.pixels = {1, 2, 3, 4, 5, 6};
    spec.pixelOffset = 100;  // a gap after the headers
    EXPECT_EQ(ReadBytes(EncodeBmp(spec)).Pixels, spec.pixels);
    spec.pixelOffset.reset();
    spec.omitLastPadding = true;
    EXPECT_EQ(ReadBytes(EncodeBmp(spec)).Pixels, spec.pixels);
}

TEST(BmpReader, FilesItCannotReadFailWithAClearMessage) {
    BmpSpec base;
    base.width = 2;
    base.height = 2;
    base.bitCount = 24;
    base.pixels = {1, 2, 3, 4};

    struct Case {
        const char* name;
        std::string bytes;
        const char* message;
    };
    std::vector<Case> cases;
    auto with = [&base](auto change) {
        BmpSpec spec = base;
        change(spec);
        return EncodeBmp(spec);
    };
    std::string badSignature = EncodeBmp(base);
    badSignature[0] = 'b';
    cases.push_back({"signature", badSignature, "no \"BM\" signature"});
    std::string os2v2 = EncodeBmp(base);
    os2v2[14] = 64;  // OS/2 2.x header size
    cases.push_back({"header size", os2v2, "unsupported bitmap header size 64"});
    cases.push_back({"jpeg", with([](BmpSpec& s) { s.compression = test::kBmpJpeg; }), "JPEG"});
    cases.push_back({"png", with([](BmpSpec& s) { s.compression = test::kBmpPng; }), "PNG"});
    cases.push_back({"compression 7", with([](BmpSpec& s) { s.compression = 7; }), "unknown compression 7"});
    cases.push_back({"2 bpp", with([](BmpSpec& s) { s.bitCount = 2; }), "2 bits per pixel"});
    cases.push_back({"0 bpp", with([](BmpSpec& s) { s.bitCount = 0; }), "0 bits per pixel"});
    cases.push_back({"core 32 bpp", with([](BmpSpec& s) {
                         s.header = BmpHeader::Core;
                         s.bitCount = 32;
                     }),
                     "core header"});
    cases.push_back({"width 0", with([](BmpSpec& s) { s.width = 0; }), "width 0"});
    cases.push_back({"negative width", with([](BmpSpec& s) { s.width = -2; }), "width -2"});
    cases.push_back({"height 0", with([](BmpSpec& s) { s.height = 0; }), "height 0"});
    cases.push_back({"core width 0", with([](BmpSpec& s) {
                         s.header = BmpHeader::Core;
                         s.width = 0;
                     }),
                     "width or height is 0"});
    cases.push_back({"RLE8 with 4 bpp", with([](BmpSpec& s) {
                         s.compression = test::kBmpRle8;
                         s.bitCount = 4;
                     }),
                     "run-length compression with 4"});
    cases.push_back({"RLE top-down", with([](BmpSpec& s) {
                         s.compression = test::kBmpRle8;
                         s.bitCount = 8;
                         s.topDown = true;
                     }),
                     "cannot be top-down"});
    cases.push_back({"bit fields 24 bpp", with([](BmpSpec& s) { s.compression = test::kBmpBitFields; }),
                     "bit fields with 24"});
    cases.push_back({"split mask", with([](BmpSpec& s) {
                         s.compression = test::kBmpBitFields;
                         s.bitCount = 32;
                         s.masks[0] = 0xF0F0;
                         s.masks[1] = 0xFF0000;
                         s.masks[2] = 0xFF000000;
                     }),
                     "not contiguous"});
    cases.push_back({"offset past the end", with([](BmpSpec& s) {
                         s.pixelOffset = 100;
                         s.pixelData = "";
                     }),
                     "truncated (pixel data)"});
    cases.push_back({"rows missing", with([](BmpSpec& s) { s.pixelData = std::string(8, '\0'); }),
                     "truncated (pixel data)"});
    cases.push_back({"empty file", "", "truncated (file header)"});
    cases.push_back({"RLE without end", with([](BmpSpec& s) {
                         s.compression = test::kBmpRle8;
                         s.bitCount = 8;
                         s.palette = {0};
                         s.pixelData = std::string{2, 0, 0, 0};  // one row, then nothing
                     }),
                     "truncated (run-length data)"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string message = ReadError(c.bytes);
        EXPECT_NE(message.find(c.message), std::string::npos) << message;
        EXPECT_EQ(message.rfind("Bitmap", 0), 0u) << message;
    }
}

TEST(BmpReader, HugeDimensionsFailBeforeAnythingIsAllocated) {
    struct Case {
        int32_t width, height;
        bool topDown;
    };
    for (Case c : {Case{100000, 100000, false}, Case{4096, 4097, false}, Case{0x7FFFFFFF, 0x7FFFFFFF, true},
                   Case{1, 0x7FFFFFFF, false}, Case{0x7FFFFFFF, 1, false}}) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        BmpSpec spec;
        spec.width = c.width;
        spec.height = c.height;
        spec.topDown = c.topDown;
        if (c.topDown) {
            spec.bitCount = 24;
            spec.pixelData = "";
        } else {
            spec.bitCount = 8;
            spec.compression = test::kBmpRle8;  // run-length data could claim any size
            spec.palette = {0xFFFFFF};
            spec.pixelData = std::string{0, 1};
        }
        EXPECT_NE(ReadError(EncodeBmp(spec)).find("too large"), std::string::npos);
    }
    // INT32_MIN as the height has no positive counterpart.
    BmpSpec spec;
    spec.width = 1;
    spec.height = 1;
    spec.bitCount = 24;
    spec.pixels = {0};
    std::string bytes = EncodeBmp(spec);
    bytes[22] = 0;
    bytes[23] = 0;
    bytes[24] = 0;
    bytes[25] = static_cast<char>(0x80);
    EXPECT_NE(ReadError(bytes).find("height -2147483648"), std::string::npos);
    // Exactly the limit is allowed (and then needs its data).
    BmpSpec limit;
    limit.width = 4096;
    limit.height = 4096;
    limit.bitCount = 24;
    limit.pixelData = "";
    EXPECT_NE(ReadError(EncodeBmp(limit)).find("truncated (pixel data)"), std::string::npos);
}

TEST(BmpReader, EveryCutOfAValidFileFailsCleanly) {
    // Each file is cut at every length; a cut fails with EInvalidGraphic unless it only drops
    // what the reader tolerates (the last row's padding, the end-of-bitmap escape), in which
    // case the picture is the whole one.
    struct Case {
        const char* name;
        BmpSpec spec;
        size_t tolerated;  // bytes at the end that may be missing
    };
    std::vector<Case> cases;
    {
        BmpSpec s;
        s.width = 3;
        s.height = 2;
        s.bitCount = 24;
        s.pixels = {0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F, 0x101112};
        cases.push_back({"24 bpp info", s, 3});
    }
    {
        BmpSpec s;
        s.header = BmpHeader::Core;
        s.width = 3;
        s.height = 2;
        s.bitCount = 4;
        s.palette = Palette(16);
        s.pixels = {1, 2, 3, 4, 5, 6};
        cases.push_back({"4 bpp core", s, 2});
    }
    {
        BmpSpec s;
        s.header = BmpHeader::V5;
        s.width = 2;
        s.height = 2;
        s.bitCount = 16;
        s.compression = test::kBmpBitFields;
        s.masks[0] = 0xF800;
        s.masks[1] = 0x07E0;
        s.masks[2] = 0x001F;
        s.pixels = {0xF800, 0x07E0, 0x001F, 0xFFFF};
        cases.push_back({"16 bpp v5 bit fields", s, 0});
    }
    {
        BmpSpec s;
        s.width = 5;
        s.height = 2;
        s.bitCount = 8;
        s.compression = test::kBmpRle8;
        s.palette = Palette(8);
        s.pixelData = test::EncodeRle8({1, 1, 2, 3, 4, 5, 5, 5, 5, 5}, 5, 2);
        cases.push_back({"RLE8", s, 2});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string whole = EncodeBmp(c.spec);
        TBmpImage full = ReadBytes(whole);
        for (size_t length = 0; length < whole.size(); ++length) {
            std::string cut = whole.substr(0, length);
            if (length + c.tolerated >= whole.size()) {
                EXPECT_EQ(ReadBytes(cut).Pixels, full.Pixels) << length;
            } else {
                EXPECT_THROW(ReadBytes(cut), EInvalidGraphic) << length;
            }
        }
    }
}

TEST(BmpReader, ReadsFromAStreamPosition) {
    std::string bytes = "xx" + test::SimpleBmp24(1, 1, {0xABCDEF});
    struct : TStream {
        std::string data;
        uint64_t position = 2;
        size_t Read(void* buffer, size_t count) override {
            size_t n = std::min<size_t>(count, data.size() - position);
            std::copy_n(data.data() + position, n, static_cast<char*>(buffer));
            position += n;
            return n;
        }
        uint64_t GetPosition() const override { return position; }
        void SetPosition(uint64_t p) override { position = p; }
        uint64_t GetSize() const override { return data.size(); }
    } stream;
    stream.data = bytes;
    EXPECT_EQ(TBmpReader().Read(stream).Pixels, std::vector<uint32_t>{0xABCDEF});
}

}  // namespace
}  // namespace faceloom
