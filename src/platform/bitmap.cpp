#include "platform/bitmap.h"

#include "platform/raster_ops.h"

namespace faceloom {

TBitmap::TBitmap(int32_t width, int32_t height) : Canvas(width, height) {}

TBitmap::TBitmap(const TBitmap& other) : TFrameObject(other) {
    *this = other;
}

TBitmap& TBitmap::operator=(const TBitmap& other) {
    if (this == &other) return *this;
    Canvas = other.Canvas;
    Transparent = other.Transparent;
    Monochrome = other.Monochrome;
    Mask = other.Mask ? std::make_unique<TSurface>(*other.Mask) : nullptr;
    return *this;
}

TColor TBitmap::TransparentColor() const {
    if (Monochrome) return kColorWhite;
    if (Canvas.Empty()) return kColorBlack;
    return Canvas.GetColor(0, Height() - 1);
}

std::unique_ptr<TSurface> TBitmap::ToMonochrome(TColor color) const {
    auto mask = std::make_unique<TSurface>(Width(), Height());
    uint32_t key = ColorToRgb(color);
    uint32_t white = TSurface::kOpaque | 0xFFFFFFu;
    uint32_t black = TSurface::kOpaque;
    for (int32_t y = 0; y < Height(); ++y) {
        const uint32_t* source = Canvas.Row(y);
        uint32_t* target = mask->Row(y);
        for (int32_t x = 0; x < Width(); ++x) {
            target[x] = (source[x] & 0xFFFFFFu) == key ? white : black;
        }
    }
    return mask;
}

std::unique_ptr<TSurface> TBitmap::EffectiveMask() const {
    if (Mask) return std::make_unique<TSurface>(*Mask);
    if (Transparent) return ToMonochrome(TransparentColor());
    return nullptr;
}

std::unique_ptr<TSurface> TBitmap::ReleaseMask() {
    if (!Mask) return ToMonochrome(TransparentColor());
    return std::move(Mask);
}

void TBitmap::Draw(TSurface& dest, int32_t x, int32_t y) const {
    if (!Transparent) {
        BitBlt(dest, x, y, Canvas, TRasterOp::SrcCopy);
        return;
    }
    std::unique_ptr<TSurface> derived;
    const TSurface* mask = Mask.get();
    if (!mask || mask->Width() != Width() || mask->Height() != Height()) {
        derived = ToMonochrome(TransparentColor());
        mask = derived.get();
    }
    for (int32_t row = 0; row < Height(); ++row) {
        int32_t targetY = y + row;
        if (targetY < 0 || targetY >= dest.Height()) continue;
        const uint32_t* source = Canvas.Row(row);
        const uint32_t* maskRow = mask->Row(row);
        uint32_t* target = dest.Row(targetY);
        for (int32_t column = 0; column < Width(); ++column) {
            int32_t targetX = x + column;
            if (targetX < 0 || targetX >= dest.Width() || (maskRow[column] & 0xFFFFFFu) != 0) continue;
            target[targetX] = (target[targetX] & 0xFF000000u) | (source[column] & 0xFFFFFFu);
        }
    }
}

}  // namespace faceloom
