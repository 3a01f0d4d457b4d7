#include "views/back_buffer.h"

#include <algorithm>
#include <cstdlib>

namespace faceloom {

TBackBuffer::TBackBuffer(int32_t width, int32_t height)
    : image_(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32) {}

TSurface TBackBuffer::Surface() {
    if (Empty()) return TSurface();
    return TSurface::Wrap(reinterpret_cast<uint32_t*>(image_.bits()), image_.width(), image_.height(),
                          static_cast<int32_t>(image_.bytesPerLine()));
}

void TBackBuffer::InvertPixel(int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return;
    auto* row = reinterpret_cast<uint32_t*>(image_.scanLine(y));
    row[x] ^= 0x00FFFFFFu;
}

void TBackBuffer::InvertLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    const int32_t dx = (x1 > x0) - (x1 < x0);
    const int32_t dy = (y1 > y0) - (y1 < y0);
    const int32_t steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    for (int32_t i = 0; i < steps; ++i) InvertPixel(x0 + i * dx, y0 + i * dy);
}

void TBackBuffer::InvertFocusFrame(int32_t w, int32_t h) {
    if (w <= 0 || h <= 0) return;
    // The dots sit where x + y is even, like a checker brush aligned to the cell; each pixel
    // of the outline is visited once so that corners are not inverted twice.
    auto dot = [this](int32_t x, int32_t y) {
        if (((x + y) & 1) == 0) InvertPixel(x, y);
    };
    for (int32_t x = 0; x < w; ++x) {
        dot(x, 0);
        if (h > 1) dot(x, h - 1);
    }
    for (int32_t y = 1; y < h - 1; ++y) {
        dot(0, y);
        if (w > 1) dot(w - 1, y);
    }
}

}  // namespace faceloom
