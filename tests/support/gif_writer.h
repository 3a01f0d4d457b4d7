#pragma once

// A small GIF writer for tests, benchmarks and the built-in picture generator.
//
// Two levels:
// - GifWriter appends the GIF blocks one structure at a time, field by field, so that a test
//   can build any file, also a malformed one (a wrong size byte, a cut code stream, stray
//   bytes, hand-made LZW codes).
// - GifPicture + EncodeGif describe a whole well-formed picture (screen, tables, frames) and
//   turn it into bytes; WriteGifFile writes it to disk.
//
// Plain C++ (no test framework), so tools and benchmarks can link it too.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace faceloom::test {

struct GifRgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    bool operator==(const GifRgb&) const = default;
};

// Size exponent of a colour table holding `count` colours: the smallest e in 0..7 with
// 2^(e+1) >= count (the packed-field encoding of table sizes).
int ColorTableExponent(size_t count);

// LZW codes of `indices` as a GIF encoder emits them: a leading clear code, a clear code
// whenever the 4096-entry table fills up, and the end code last.
std::vector<uint16_t> LzwCodes(const std::vector<uint8_t>& indices, int minCodeSize);

// Packs codes least significant bit first. The width of every code follows the decoder:
// MinCodeSize + 1 after a clear code (and at the start), growing by one bit when the next
// free table entry reaches 2^width, at most 12 bits; the first code after a clear defines no
// entry, every other code defines one while the table has room. Codes after the end code
// keep the width reached there. Any code sequence can be packed, also nonsense.
std::string PackCodes(const std::vector<uint16_t>& codes, int minCodeSize);

// Rows of a width x height image, top-down, reordered into the GIF89a interlace order
// (every 8th row from 0, every 8th from 4, every 4th from 2, every 2nd from 1).
std::vector<uint8_t> InterlaceRows(const std::vector<uint8_t>& pixels, int width, int height);

class GifWriter {
public:
    // Header: signature "GIF" and a 3-byte version ("87a", "89a"; any text for bad cases).
    GifWriter& Header(std::string_view version = "89a", std::string_view signature = "GIF");

    // Logical screen descriptor: width, height (16-bit LE), packed byte (bit 7 global table
    // present, bits 4-6 colour resolution, bit 3 sorted, bits 0-2 table size exponent),
    // background colour index, pixel aspect ratio. tableExponent < 0: no global table.
    GifWriter& LogicalScreen(uint16_t width, uint16_t height, int tableExponent = -1,
                             uint8_t backgroundIndex = 0, uint8_t aspect = 0);

    // A colour table of 2^(exponent+1) RGB triples; `colors` is padded with black.
    GifWriter& ColorTable(const std::vector<GifRgb>& colors, int exponent);

    // Graphic control extension: 0x21 0xF9, size byte (4 unless testing a bad size),
    // packed byte (bits 2-4 disposal, bit 0 transparent colour given), delay in hundredths
    // (16-bit LE), transparent index, then the block terminator. With sizeByte != 4 the
    // block still carries `sizeByte` data bytes (zeros after the four fields).
    GifWriter& GraphicControl(int disposal, uint16_t delay, std::optional<uint8_t> transparent,
                              uint8_t sizeByte = 4);

    // Application extension "NETSCAPE2.0" with a loop count (sub-block 1, count 16-bit LE).
    GifWriter& LoopExtension(uint16_t loops = 0);

    // Comment extension (0x21 0xFE) carrying `text` in sub-blocks.
    GifWriter& Comment(std::string_view text);

    // Image descriptor: 0x2C, left, top, width, height (16-bit LE each), packed byte (bit 7
    // local table present, bit 6 interlaced, bits 0-2 table size exponent).
    // tableExponent < 0: no local table.
    GifWriter& ImageDescriptor(uint16_t left, uint16_t top, uint16_t width, uint16_t height,
                               bool interlaced = false, int tableExponent = -1);

    // Image data: minimum code size byte, the LZW code stream of `indices` (in the order they
    // are stored, so interlaced images take InterlaceRows first) in sub-blocks, terminator.
    GifWriter& ImageData(int minCodeSize, const std::vector<uint8_t>& indices, size_t subBlockSize = 255);

    // Image data from hand-made codes (see PackCodes); terminator optional for cut streams.
    GifWriter& CodeStream(int minCodeSize, const std::vector<uint16_t>& codes, bool terminator = true,
                          size_t subBlockSize = 255);

    // `data` split into sub-blocks of at most `subBlockSize` bytes (each a size byte and its
    // bytes), then the zero-length terminator when asked.
    GifWriter& SubBlocks(std::string_view data, size_t subBlockSize = 255, bool terminator = true);

    // Trailer byte 0x3B.
    GifWriter& Trailer();

    GifWriter& Byte(uint8_t value);
    GifWriter& U16(uint16_t value);  // little-endian
    GifWriter& Bytes(std::string_view bytes);

    const std::string& bytes() const { return bytes_; }
    size_t size() const { return bytes_.size(); }

private:
    std::string bytes_;
};

// One image of a picture. Pixels are palette indices, width x height, rows top-down; the
// encoder interlaces them itself when `interlaced` is set.
struct GifImage {
    uint16_t left = 0;
    uint16_t top = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    std::vector<uint8_t> pixels;
    bool interlaced = false;
    std::vector<GifRgb> localColors;  // empty: no local colour table

    bool graphicControl = true;  // write a graphic control extension before the image
    int disposal = 0;
    uint16_t delay = 0;  // hundredths of a second
    std::optional<uint8_t> transparent;

    int minCodeSize = 0;  // 0: derived from the colour table size (at least 2)
};

struct GifPicture {
    std::string version = "89a";
    uint16_t width = 0;
    uint16_t height = 0;
    std::vector<GifRgb> globalColors;  // empty: no global colour table
    uint8_t backgroundIndex = 0;
    bool loop = false;  // write a NETSCAPE2.0 loop extension (loop forever)
    std::vector<GifImage> images;
};

// The whole file: header, screen, global table, optional loop extension, per image the
// graphic control extension, descriptor, local table and data, then the trailer.
std::string EncodeGif(const GifPicture& picture);

// A canvas of side x side with `frames` frames of one pixel each, red and blue by turns, the
// k-th at x = k: a few hundred bytes that decode to side * side bytes a frame.
std::string OnePixelFramesGif(uint16_t side, int frames, uint16_t delay = 0);

// Writes EncodeGif(picture) to `path`; throws std::runtime_error when it cannot.
void WriteGifFile(const std::string& path, const GifPicture& picture);

}  // namespace faceloom::test
