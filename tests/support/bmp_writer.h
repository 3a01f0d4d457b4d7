#pragma once

// A small Windows bitmap writer for tests and fuzz seeds. BmpSpec describes a file field by
// field, also a malformed one (a wrong offset, a short colour table, a missing padding byte,
// hand-made run-length data); EncodeBmp turns it into the file's bytes.
//
// Plain C++ (no test framework), so benchmarks and seed generators can link it too.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace faceloom::test {

// Header kinds by their size field.
enum class BmpHeader : uint32_t {
    Core = 12,  // OS/2 1.x BITMAPCOREHEADER
    Info = 40,  // BITMAPINFOHEADER
    V2 = 52,    // + red, green, blue masks
    V3 = 56,    // + alpha mask
    V4 = 108,   // BITMAPV4HEADER
    V5 = 124,   // BITMAPV5HEADER
};

// Compression field values.
inline constexpr uint32_t kBmpRgb = 0;
inline constexpr uint32_t kBmpRle8 = 1;
inline constexpr uint32_t kBmpRle4 = 2;
inline constexpr uint32_t kBmpBitFields = 3;
inline constexpr uint32_t kBmpJpeg = 4;
inline constexpr uint32_t kBmpPng = 5;
inline constexpr uint32_t kBmpAlphaBitFields = 6;

struct BmpSpec {
    BmpHeader header = BmpHeader::Info;
    int32_t width = 0;
    int32_t height = 0;    // picture height, always positive here
    bool topDown = false;  // written as a negative height
    uint16_t bitCount = 24;
    uint32_t compression = kBmpRgb;
    // Colour table entries 0x00RRGGBB, written in this order (3 bytes each for a core header).
    std::vector<uint32_t> palette;
    // Colours-used field; by default the table's length.
    std::optional<uint32_t> colorsUsed;
    // Red, green, blue, alpha masks: inside a V2+ header, after an info header with bit fields
    // (three, or four for alpha bit fields).
    uint32_t masks[4] = {0, 0, 0, 0};
    // Pixels top-down, row by row: palette indexes up to 8 bits per pixel, 0x00RRGGBB for 24,
    // and the stored value itself for 16 and 32 (little-endian in the file).
    std::vector<uint32_t> pixels;
    // When set, written as the pixel data instead of encoding `pixels` (run-length data,
    // odd cases).
    std::optional<std::string> pixelData;
    // File header's pixel offset; by default right after the colour table.
    std::optional<uint32_t> pixelOffset;
    // Leaves the last row's padding out.
    bool omitLastPadding = false;
};

std::string EncodeBmp(const BmpSpec& spec);

// Run-length data of top-down palette indexes as a simple encoder writes it: runs of equal
// pixels encoded, three or more different ones as a literal (padded to 16 bits), an
// end-of-line escape after each row and the end-of-bitmap escape last. Rows are written
// bottom-up as the format wants.
std::string EncodeRle8(const std::vector<uint32_t>& pixels, int32_t width, int32_t height);
std::string EncodeRle4(const std::vector<uint32_t>& pixels, int32_t width, int32_t height);

// A 24-bit bottom-up info-header file of 0x00RRGGBB pixels (top-down list), the common case.
std::string SimpleBmp24(int32_t width, int32_t height, const std::vector<uint32_t>& pixels);

}  // namespace faceloom::test
