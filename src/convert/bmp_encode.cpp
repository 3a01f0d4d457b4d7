#include <stdexcept>
#include <vector>

#include "convert/picture_convert.h"

namespace faceloom {

namespace {

void PutU16(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    out[at] = uint8_t(value);
    out[at + 1] = uint8_t(value >> 8);
}
void PutU32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    PutU16(out, at, value & 0xFFFF);
    PutU16(out, at + 2, value >> 16);
}

}  // namespace

std::vector<uint8_t> EncodeBmp(const TRgbaPicture& picture, uint32_t keyColor) {
    if (picture.Frames.empty()) throw std::invalid_argument("EncodeBmp: no frames");
    const TRgbaFrame& frame = picture.Frames[0];
    keyColor &= 0xFFFFFF;
    // Rows of 3 bytes a pixel padded to 4; a static smile is far below the 32-bit sizes of
    // the format, but a caller's picture is checked all the same.
    const uint64_t rowBytes = (uint64_t(frame.Width) * 3 + 3) & ~uint64_t(3);
    const uint64_t pixelBytes = rowBytes * uint64_t(frame.Height);
    if (frame.Width <= 0 || frame.Height <= 0 ||
        frame.Pixels.size() != uint64_t(frame.Width) * frame.Height || pixelBytes > 0x7FFFFFFFu - 54) {
        throw std::invalid_argument("EncodeBmp: size out of range");
    }

    const size_t offset = 14 + 40;
    std::vector<uint8_t> out(offset + pixelBytes, 0);
    // File header: "BM", file size, two reserved words, offset of the pixels.
    out[0] = 'B', out[1] = 'M';
    PutU32(out, 2, static_cast<uint32_t>(out.size()));
    PutU32(out, 10, offset);
    // Info header: its size, width, height (positive: rows bottom-up), one plane, 24 bits a
    // pixel, no compression, the pixel bytes; resolutions and colour counts stay 0.
    PutU32(out, 14, 40);
    PutU32(out, 18, static_cast<uint32_t>(frame.Width));
    PutU32(out, 22, static_cast<uint32_t>(frame.Height));
    PutU16(out, 26, 1);
    PutU16(out, 28, 24);
    PutU32(out, 34, static_cast<uint32_t>(pixelBytes));

    for (int32_t y = 0; y < frame.Height; ++y) {
        uint8_t* row = out.data() + offset + static_cast<size_t>(frame.Height - 1 - y) * rowBytes;
        for (int32_t x = 0; x < frame.Width; ++x) {
            const uint32_t pixel = frame.At(x, y);
            uint32_t rgb = pixel & 0xFFFFFF;
            if ((pixel >> 24) < 128) {
                rgb = keyColor;
            } else if (rgb == keyColor) {
                rgb ^= 1;  // one step of blue off the key, so that it stays opaque
            }
            // The bottom-left pixel's colour is the transparent one, so that pixel is always
            // transparent; it takes the key so that every other transparent pixel is too.
            if (x == 0 && y == frame.Height - 1) rgb = keyColor;
            row[x * 3] = uint8_t(rgb), row[x * 3 + 1] = uint8_t(rgb >> 8),
                    row[x * 3 + 2] = uint8_t(rgb >> 16);
        }
    }
    return out;
}

}  // namespace faceloom
