#include "platform/surface.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <utility>

namespace faceloom {

TSurface::TSurface(int32_t width, int32_t height) {
    Resize(width, height);
}

TSurface TSurface::Wrap(uint32_t* bits, int32_t width, int32_t height, int32_t strideBytes) {
    assert(bits != nullptr && width >= 0 && height >= 0);
    assert(strideBytes % 4 == 0 && strideBytes >= width * 4);
    TSurface surface;
    surface.width_ = width;
    surface.height_ = height;
    surface.strideBytes_ = strideBytes;
    surface.bits_ = bits;
    return surface;
}

TSurface::TSurface(const TSurface& other) {
    *this = other;
}

TSurface& TSurface::operator=(const TSurface& other) {
    if (this == &other) return *this;
    Resize(other.width_, other.height_);
    for (int32_t y = 0; y < height_; ++y) {
        std::memcpy(Row(y), other.Row(y), static_cast<size_t>(width_) * 4);
    }
    TextColor = other.TextColor;
    BackgroundColor = other.BackgroundColor;
    return *this;
}

TSurface::TSurface(TSurface&& other) noexcept {
    *this = std::move(other);
}

TSurface& TSurface::operator=(TSurface&& other) noexcept {
    if (this == &other) return *this;
    bool ownedOther = other.bits_ != nullptr && other.bits_ == other.owned_.data();
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    strideBytes_ = std::exchange(other.strideBytes_, 0);
    owned_ = std::move(other.owned_);
    other.owned_.clear();
    uint32_t* bits = std::exchange(other.bits_, nullptr);
    // A moved vector keeps its heap block, so the pointer stays valid either way.
    bits_ = ownedOther ? owned_.data() : bits;
    TextColor = other.TextColor;
    BackgroundColor = other.BackgroundColor;
    return *this;
}

void TSurface::Resize(int32_t width, int32_t height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    owned_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), kOpaque);
    width_ = width;
    height_ = height;
    strideBytes_ = width * 4;
    bits_ = owned_.empty() ? nullptr : owned_.data();
}

void TSurface::FillRect(const TRect& rect, TColor color) {
    int32_t left = std::max(rect.Left, 0);
    int32_t top = std::max(rect.Top, 0);
    int32_t right = std::min(rect.Right, width_);
    int32_t bottom = std::min(rect.Bottom, height_);
    uint32_t pixel = kOpaque | ColorToRgb(color);
    for (int32_t y = top; y < bottom; ++y) {
        uint32_t* row = Row(y);
        std::fill(row + left, row + std::max(left, right), pixel);
    }
}

}  // namespace faceloom
