#include "support/bmp_writer.h"

#include <cstddef>

namespace faceloom::test {

namespace {

void U8(std::string& out, uint32_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
}
void U16(std::string& out, uint32_t value) {
    U8(out, value);
    U8(out, value >> 8);
}
void U32(std::string& out, uint32_t value) {
    U16(out, value);
    U16(out, value >> 16);
}
void Put32At(std::string& out, size_t offset, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) out[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string EncodeRows(const BmpSpec& spec) {
    std::string data;
    const int64_t rowBytes = (int64_t{spec.width} * spec.bitCount + 7) / 8;
    const int64_t stride = ((int64_t{spec.width} * spec.bitCount + 31) / 32) * 4;
    for (int32_t fileRow = 0; fileRow < spec.height; ++fileRow) {
        int32_t y = spec.topDown ? fileRow : spec.height - 1 - fileRow;
        std::string row(static_cast<size_t>(stride), '\0');
        for (int32_t x = 0; x < spec.width; ++x) {
            size_t index = static_cast<size_t>(y) * spec.width + x;
            uint32_t value = index < spec.pixels.size() ? spec.pixels[index] : 0;
            switch (spec.bitCount) {
                case 1:
                    if (value & 1) row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
                    break;
                case 4:
                    row[x / 2] = static_cast<char>(row[x / 2] | ((value & 0xF) << ((x % 2) ? 0 : 4)));
                    break;
                case 8:
                    row[x] = static_cast<char>(value);
                    break;
                case 16:
                    row[2 * x] = static_cast<char>(value);
                    row[2 * x + 1] = static_cast<char>(value >> 8);
                    break;
                case 24:
                    row[3 * x] = static_cast<char>(value);            // blue
                    row[3 * x + 1] = static_cast<char>(value >> 8);   // green
                    row[3 * x + 2] = static_cast<char>(value >> 16);  // red
                    break;
                case 32:
                    for (int i = 0; i < 4; ++i) row[4 * x + i] = static_cast<char>(value >> (8 * i));
                    break;
                default:
                    break;
            }
        }
        if (spec.omitLastPadding && fileRow == spec.height - 1) row.resize(static_cast<size_t>(rowBytes));
        data += row;
    }
    return data;
}

// Splits a row into the pieces a simple encoder emits: (true, n, value) runs and
// (false, n, start) literals.
struct Piece {
    bool run;
    size_t length;
    size_t start;
};

std::vector<Piece> SplitRow(const uint32_t* row, size_t width, size_t maxLength) {
    std::vector<Piece> pieces;
    size_t x = 0;
    while (x < width) {
        size_t run = 1;
        while (x + run < width && run < maxLength && row[x + run] == row[x]) ++run;
        if (run >= 2) {
            pieces.push_back({true, run, x});
            x += run;
            continue;
        }
        size_t literal = 1;
        while (x + literal < width && literal < maxLength &&
               !(x + literal + 1 < width && row[x + literal] == row[x + literal + 1])) {
            ++literal;
        }
        pieces.push_back({literal >= 3 ? false : true, literal >= 3 ? literal : 1, x});
        x += literal >= 3 ? literal : 1;
    }
    return pieces;
}

std::string EncodeRle(const std::vector<uint32_t>& pixels, int32_t width, int32_t height, bool rle8) {
    std::string out;
    for (int32_t fileRow = 0; fileRow < height; ++fileRow) {
        const uint32_t* row = pixels.data() + static_cast<size_t>(height - 1 - fileRow) * width;
        for (const Piece& piece : SplitRow(row, static_cast<size_t>(width), 255)) {
            if (piece.run) {
                U8(out, static_cast<uint32_t>(piece.length));  // run length
                uint32_t v = row[piece.start];
                U8(out, rle8 ? v : ((v & 0xF) << 4) | (v & 0xF));  // the index (twice for 4 bits)
                continue;
            }
            U8(out, 0);                                    // escape
            U8(out, static_cast<uint32_t>(piece.length));  // literal of n indexes
            std::string literal;
            for (size_t i = 0; i < piece.length; ++i) {
                uint32_t v = row[piece.start + i];
                if (rle8) {
                    U8(literal, v);
                } else if (i % 2 == 0) {
                    U8(literal, (v & 0xF) << 4);
                } else {
                    literal.back() = static_cast<char>(literal.back() | (v & 0xF));
                }
            }
            if (literal.size() % 2) literal.push_back('\0');  // pad to 16 bits
            out += literal;
        }
        U8(out, 0);  // escape
        U8(out, 0);  // end of line
    }
    U8(out, 0);  // escape
    U8(out, 1);  // end of bitmap
    return out;
}

}  // namespace

std::string EncodeBmp(const BmpSpec& spec) {
    const bool core = spec.header == BmpHeader::Core;
    const uint32_t headerSize = static_cast<uint32_t>(spec.header);
    std::string out;
    // BITMAPFILEHEADER
    out += "BM";  // signature
    U32(out, 0);  // file size, patched below
    U16(out, 0);  // reserved
    U16(out, 0);  // reserved
    U32(out, 0);  // pixel offset, patched below
    // Bitmap header
    U32(out, headerSize);  // header size
    if (core) {
        U16(out, static_cast<uint32_t>(spec.width));   // width
        U16(out, static_cast<uint32_t>(spec.height));  // height (bottom-up only)
        U16(out, 1);                                   // planes
        U16(out, spec.bitCount);                       // bits per pixel
    } else {
        U32(out, static_cast<uint32_t>(spec.width));                                 // width
        U32(out, static_cast<uint32_t>(spec.topDown ? -spec.height : spec.height));  // height
        U16(out, 1);                                                                 // planes
        U16(out, spec.bitCount);                                                     // bits per pixel
        U32(out, spec.compression);                                                  // compression
        U32(out, 0);                                                                 // image size (may be 0)
        U32(out, 2835);                                                              // 72 dpi horizontally
        U32(out, 2835);                                                              // 72 dpi vertically
        U32(out, spec.colorsUsed.value_or(static_cast<uint32_t>(spec.palette.size())));  // colours used
        U32(out, 0);                                                                     // colours important
        if (headerSize >= 52) {
            U32(out, spec.masks[0]);  // red mask
            U32(out, spec.masks[1]);  // green mask
            U32(out, spec.masks[2]);  // blue mask
        }
        if (headerSize >= 56) U32(out, spec.masks[3]);  // alpha mask
        if (headerSize >= 108) {
            U32(out, 0x73524742);                     // colour space "sRGB"
            for (int i = 0; i < 9; ++i) U32(out, 0);  // end points (unused with sRGB)
            for (int i = 0; i < 3; ++i) U32(out, 0);  // gamma red, green, blue
        }
        if (headerSize >= 124) {
            U32(out, 4);  // intent: pictures
            U32(out, 0);  // profile data offset
            U32(out, 0);  // profile size
            U32(out, 0);  // reserved
        }
        if (headerSize == 40 && spec.compression == kBmpBitFields) {
            for (int i = 0; i < 3; ++i) U32(out, spec.masks[i]);  // red, green, blue masks
        }
        if (headerSize == 40 && spec.compression == kBmpAlphaBitFields) {
            for (int i = 0; i < 4; ++i) U32(out, spec.masks[i]);  // red, green, blue, alpha masks
        }
    }
    // Colour table: blue, green, red (and a zero byte except in a core file).
    for (uint32_t entry : spec.palette) {
        U8(out, entry);
        U8(out, entry >> 8);
        U8(out, entry >> 16);
        if (!core) U8(out, 0);
    }
    uint32_t offset = spec.pixelOffset.value_or(static_cast<uint32_t>(out.size()));
    while (out.size() < offset) out.push_back('\0');  // gap up to a later pixel offset
    out += spec.pixelData ? *spec.pixelData : EncodeRows(spec);
    Put32At(out, 2, static_cast<uint32_t>(out.size()));
    Put32At(out, 10, offset);
    return out;
}

std::string EncodeRle8(const std::vector<uint32_t>& pixels, int32_t width, int32_t height) {
    return EncodeRle(pixels, width, height, true);
}

std::string EncodeRle4(const std::vector<uint32_t>& pixels, int32_t width, int32_t height) {
    return EncodeRle(pixels, width, height, false);
}

std::string SimpleBmp24(int32_t width, int32_t height, const std::vector<uint32_t>& pixels) {
    BmpSpec spec;
    spec.width = width;
    spec.height = height;
    spec.bitCount = 24;
    spec.pixels = pixels;
    return EncodeBmp(spec);
}

}  // namespace faceloom::test
