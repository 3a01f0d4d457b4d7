#pragma once

#include <cstdint>
#include <vector>

#include "platform/color.h"
#include "platform/geometry.h"

namespace faceloom {

// A top-down 32-bit pixel buffer, each pixel 0xFFRRGGBB as a little-endian word (the layout
// of a QImage of Format_RGB32). It either owns its memory or wraps memory that somebody else
// owns (a QImage's bits), without copying. It also carries the two colours that monochrome
// sources are drawn with, like a device context: a 0 bit becomes TextColor, a 1 bit becomes
// BackgroundColor.
class TSurface {
public:
    // The top byte that every pixel of an owned surface carries.
    static constexpr uint32_t kOpaque = 0xFF000000u;

    TSurface() = default;
    // An owned surface, all black.
    TSurface(int32_t width, int32_t height);
    // Wraps width x height pixels at bits, rows strideBytes apart (a multiple of 4). The
    // memory must outlive the surface.
    static TSurface Wrap(uint32_t* bits, int32_t width, int32_t height, int32_t strideBytes);

    // Copies own their pixels, also when the original wraps foreign memory.
    TSurface(const TSurface& other);
    TSurface& operator=(const TSurface& other);
    TSurface(TSurface&& other) noexcept;
    TSurface& operator=(TSurface&& other) noexcept;

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    int32_t StrideBytes() const { return strideBytes_; }
    bool Empty() const { return width_ <= 0 || height_ <= 0; }
    bool OwnsMemory() const { return bits_ == nullptr || bits_ == owned_.data(); }

    // Replaces the pixels by an owned, all-black buffer of the new size.
    void Resize(int32_t width, int32_t height);

    uint32_t* Row(int32_t y) {
        return reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(bits_) +
                                           static_cast<intptr_t>(y) * strideBytes_);
    }
    const uint32_t* Row(int32_t y) const {
        return reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(bits_) +
                                                 static_cast<intptr_t>(y) * strideBytes_);
    }
    bool Contains(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    // Raw pixel words (0xFFRRGGBB); out-of-range reads answer 0, writes are ignored.
    uint32_t GetPixel(int32_t x, int32_t y) const { return Contains(x, y) ? Row(y)[x] : 0; }
    void SetPixel(int32_t x, int32_t y, uint32_t pixel) {
        if (Contains(x, y)) Row(y)[x] = pixel;
    }
    // The same in platform colour values (0x00BBGGRR).
    TColor GetColor(int32_t x, int32_t y) const { return RgbToColor(GetPixel(x, y) & 0xFFFFFFu); }
    void SetColor(int32_t x, int32_t y, TColor color) { SetPixel(x, y, kOpaque | ColorToRgb(color)); }

    // Fills the part of rect that lies on the surface.
    void FillRect(const TRect& rect, TColor color);
    void Fill(TColor color) { FillRect(TRect{0, 0, width_, height_}, color); }

    TColor TextColor = kColorBlack;
    TColor BackgroundColor = kColorWhite;

private:
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t strideBytes_ = 0;
    uint32_t* bits_ = nullptr;
    std::vector<uint32_t> owned_;
};

}  // namespace faceloom
