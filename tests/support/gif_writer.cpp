#include "support/gif_writer.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <unordered_map>

namespace faceloom::test {

namespace {

constexpr int kMaxCodes = 4096;  // 12-bit codes

}  // namespace

int ColorTableExponent(size_t count) {
    int exponent = 0;
    while (exponent < 7 && (size_t{2} << exponent) < count) ++exponent;
    return exponent;
}

std::vector<uint16_t> LzwCodes(const std::vector<uint8_t>& indices, int minCodeSize) {
    const uint16_t clearCode = uint16_t(1u << minCodeSize);
    const uint16_t endCode = clearCode + 1;
    const uint16_t firstFree = clearCode + 2;

    std::vector<uint16_t> codes;
    codes.push_back(clearCode);
    if (indices.empty()) {
        codes.push_back(endCode);
        return codes;
    }
    // (prefix code << 8 | next byte) -> code of that string.
    std::unordered_map<uint32_t, uint16_t> table;
    uint16_t next = firstFree;
    uint16_t current = indices[0];
    for (size_t i = 1; i < indices.size(); ++i) {
        const uint8_t c = indices[i];
        const uint32_t key = (uint32_t(current) << 8) | c;
        auto found = table.find(key);
        if (found != table.end()) {
            current = found->second;
            continue;
        }
        codes.push_back(current);
        if (next < kMaxCodes) table.emplace(key, next++);
        if (next == kMaxCodes) {
            // The table is full: start afresh so that the codes stay within 12 bits.
            codes.push_back(clearCode);
            table.clear();
            next = firstFree;
        }
        current = c;
    }
    codes.push_back(current);
    codes.push_back(endCode);
    return codes;
}

std::string PackCodes(const std::vector<uint16_t>& codes, int minCodeSize) {
    const uint32_t clearCode = 1u << minCodeSize;
    const uint32_t endCode = clearCode + 1;
    const uint32_t firstFree = clearCode + 2;

    std::string out;
    uint32_t accumulator = 0;
    int bits = 0;
    int codeSize = minCodeSize + 1;
    uint32_t next = firstFree;
    uint32_t limit = 1u << codeSize;
    bool afterClear = false;
    bool ended = false;
    for (uint16_t code : codes) {
        accumulator |= (uint32_t(code) & ((1u << codeSize) - 1)) << bits;
        bits += codeSize;
        while (bits >= 8) {
            out.push_back(char(accumulator & 0xFF));
            accumulator >>= 8;
            bits -= 8;
        }
        if (ended) continue;
        if (code == clearCode) {
            codeSize = minCodeSize + 1;
            next = firstFree;
            limit = 1u << codeSize;
            afterClear = true;
            continue;
        }
        if (code == endCode) {
            ended = true;
            continue;
        }
        if (afterClear) {  // the first code after a clear defines no entry
            afterClear = false;
            continue;
        }
        if (next < limit) ++next;
        if (next >= limit && codeSize < 12) {
            limit *= 2;
            ++codeSize;
        }
    }
    if (bits > 0) out.push_back(char(accumulator & 0xFF));
    return out;
}

std::vector<uint8_t> InterlaceRows(const std::vector<uint8_t>& pixels, int width, int height) {
    static constexpr int kStart[4] = {0, 4, 2, 1};
    static constexpr int kStep[4] = {8, 8, 4, 2};
    std::vector<uint8_t> out;
    out.reserve(pixels.size());
    for (int pass = 0; pass < 4; ++pass) {
        for (int y = kStart[pass]; y < height; y += kStep[pass]) {
            auto row = pixels.begin() + size_t(y) * width;
            out.insert(out.end(), row, row + width);
        }
    }
    return out;
}

GifWriter& GifWriter::Header(std::string_view version, std::string_view signature) {
    Bytes(signature);  // "GIF"
    Bytes(version);    // "87a" / "89a"
    return *this;
}

GifWriter& GifWriter::LogicalScreen(uint16_t width, uint16_t height, int tableExponent,
                                    uint8_t backgroundIndex, uint8_t aspect) {
    U16(width);             // logical screen width
    U16(height);            // logical screen height
    uint8_t packed = 0x70;  // colour resolution 8 bits, not sorted
    if (tableExponent >= 0) packed |= 0x80 | uint8_t(tableExponent & 7);
    Byte(packed);
    Byte(backgroundIndex);  // background colour index
    Byte(aspect);           // pixel aspect ratio
    return *this;
}

GifWriter& GifWriter::ColorTable(const std::vector<GifRgb>& colors, int exponent) {
    const size_t count = size_t{2} << exponent;
    for (size_t i = 0; i < count; ++i) {
        const GifRgb c = i < colors.size() ? colors[i] : GifRgb{};
        Byte(c.r);
        Byte(c.g);
        Byte(c.b);
    }
    return *this;
}

GifWriter& GifWriter::GraphicControl(int disposal, uint16_t delay, std::optional<uint8_t> transparent,
                                     uint8_t sizeByte) {
    Byte(0x21);      // extension introducer
    Byte(0xF9);      // graphic control label
    Byte(sizeByte);  // block size, 4
    std::string data;
    data.push_back(char(((disposal & 7) << 2) | (transparent ? 1 : 0)));  // packed
    data.push_back(char(delay & 0xFF));                                   // delay, low byte
    data.push_back(char(delay >> 8));                                     // delay, high byte
    data.push_back(char(transparent.value_or(0)));                        // transparent index
    data.resize(sizeByte, '\0');
    Bytes(data);
    Byte(0x00);  // block terminator
    return *this;
}

GifWriter& GifWriter::LoopExtension(uint16_t loops) {
    Byte(0x21);  // extension introducer
    Byte(0xFF);  // application extension label
    Byte(11);    // application identifier + authentication code size
    Bytes("NETSCAPE2.0");
    Byte(3);  // sub-block size
    Byte(1);  // sub-block id: loop count
    U16(loops);
    Byte(0x00);  // terminator
    return *this;
}

GifWriter& GifWriter::Comment(std::string_view text) {
    Byte(0x21);  // extension introducer
    Byte(0xFE);  // comment label
    return SubBlocks(text);
}

GifWriter& GifWriter::ImageDescriptor(uint16_t left, uint16_t top, uint16_t width, uint16_t height,
                                      bool interlaced, int tableExponent) {
    Byte(0x2C);  // image separator
    U16(left);
    U16(top);
    U16(width);
    U16(height);
    uint8_t packed = 0;
    if (tableExponent >= 0) packed |= 0x80 | uint8_t(tableExponent & 7);  // local table
    if (interlaced) packed |= 0x40;
    Byte(packed);
    return *this;
}

GifWriter& GifWriter::ImageData(int minCodeSize, const std::vector<uint8_t>& indices, size_t subBlockSize) {
    return CodeStream(minCodeSize, LzwCodes(indices, minCodeSize), true, subBlockSize);
}

GifWriter& GifWriter::CodeStream(int minCodeSize, const std::vector<uint16_t>& codes, bool terminator,
                                 size_t subBlockSize) {
    Byte(uint8_t(minCodeSize));  // LZW minimum code size
    return SubBlocks(PackCodes(codes, minCodeSize), subBlockSize, terminator);
}

GifWriter& GifWriter::SubBlocks(std::string_view data, size_t subBlockSize, bool terminator) {
    subBlockSize = std::clamp<size_t>(subBlockSize, 1, 255);
    while (!data.empty()) {
        const size_t n = std::min(subBlockSize, data.size());
        Byte(uint8_t(n));  // sub-block size
        Bytes(data.substr(0, n));
        data.remove_prefix(n);
    }
    if (terminator) Byte(0x00);  // zero-length sub-block ends the data
    return *this;
}

GifWriter& GifWriter::Trailer() {
    return Byte(0x3B);
}

GifWriter& GifWriter::Byte(uint8_t value) {
    bytes_.push_back(char(value));
    return *this;
}

GifWriter& GifWriter::U16(uint16_t value) {
    Byte(uint8_t(value & 0xFF));
    return Byte(uint8_t(value >> 8));
}

GifWriter& GifWriter::Bytes(std::string_view bytes) {
    bytes_.append(bytes);
    return *this;
}

std::string OnePixelFramesGif(uint16_t side, int frames, uint16_t delay) {
    GifPicture picture;
    picture.width = picture.height = side;
    picture.globalColors = {{255, 0, 0}, {0, 0, 255}};
    for (int k = 0; k < frames; ++k) {
        GifImage image;
        image.width = image.height = 1;
        image.left = static_cast<uint16_t>(k);
        image.pixels = {static_cast<uint8_t>(k % 2)};
        image.delay = delay;
        picture.images.push_back(image);
    }
    return EncodeGif(picture);
}

std::string EncodeGif(const GifPicture& picture) {
    GifWriter w;
    w.Header(picture.version);
    const bool hasGlobal = !picture.globalColors.empty();
    const int globalExponent = hasGlobal ? ColorTableExponent(picture.globalColors.size()) : -1;
    w.LogicalScreen(picture.width, picture.height, globalExponent, picture.backgroundIndex);
    if (hasGlobal) w.ColorTable(picture.globalColors, globalExponent);
    if (picture.loop) w.LoopExtension(0);
    for (const GifImage& image : picture.images) {
        if (image.graphicControl) w.GraphicControl(image.disposal, image.delay, image.transparent);
        const bool hasLocal = !image.localColors.empty();
        const int localExponent = hasLocal ? ColorTableExponent(image.localColors.size()) : -1;
        w.ImageDescriptor(image.left, image.top, image.width, image.height, image.interlaced, localExponent);
        if (hasLocal) w.ColorTable(image.localColors, localExponent);
        int minCodeSize = image.minCodeSize;
        if (minCodeSize == 0) {
            const int exponent = hasLocal ? localExponent : std::max(globalExponent, 0);
            minCodeSize = std::max(2, exponent + 1);
        }
        if (size_t(image.width) * image.height != image.pixels.size()) {
            throw std::invalid_argument("GifImage: pixels do not match width x height");
        }
        w.ImageData(minCodeSize,
                    image.interlaced ? InterlaceRows(image.pixels, image.width, image.height) : image.pixels);
    }
    w.Trailer();
    return w.bytes();
}

void WriteGifFile(const std::string& path, const GifPicture& picture) {
    const std::string bytes = EncodeGif(picture);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

}  // namespace faceloom::test
