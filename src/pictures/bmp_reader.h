#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "pictures/stream.h"

namespace faceloom {

// A decoded bitmap file: colours of every pixel, top row first.
struct TBmpImage {
    int32_t Width = 0;
    int32_t Height = 0;
    // Bits per pixel of the file (a 1-bit picture's transparent colour is white).
    int32_t BitsPerPixel = 0;
    // Width x Height words 0x00RRGGBB, rows top-down.
    std::vector<uint32_t> Pixels;

    uint32_t PixelAt(int32_t x, int32_t y) const { return Pixels[static_cast<size_t>(y) * Width + x]; }
};

// Reader of the Windows bitmap format: core (OS/2 1.x), info, V2, V3, V4 and V5 headers;
// 1, 4, 8, 16, 24 and 32 bits per pixel; uncompressed, RLE8, RLE4 and bit-field masks;
// bottom-up and top-down rows. Anything else, and any file whose sizes do not add up, fails
// with EInvalidGraphic. Sizes are checked before anything is allocated.
class TBmpReader {
public:
    // Largest pixel buffer a picture may need (Width x Height x 4 bytes).
    static constexpr uint64_t kMaxPixelBytes = 64ull << 20;
    // Largest file read from a stream.
    static constexpr uint64_t kMaxFileBytes = 256ull << 20;

    // Called with the picture's size once it is known to be within the limit, before the
    // pixels are allocated; it may throw to stop the reading.
    using TSizeCheck = std::function<void(int32_t width, int32_t height)>;

    explicit TBmpReader(uint64_t maxPixelBytes = kMaxPixelBytes, TSizeCheck sizeCheck = {})
        : maxPixelBytes_(maxPixelBytes), sizeCheck_(std::move(sizeCheck)) {}

    TBmpImage Read(const uint8_t* data, size_t size) const;
    // Reads the stream from its position to its end.
    TBmpImage Read(TStream& stream) const;

private:
    uint64_t maxPixelBytes_;
    TSizeCheck sizeCheck_;
};

}  // namespace faceloom
