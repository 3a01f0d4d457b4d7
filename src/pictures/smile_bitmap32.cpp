#include "pictures/smile_bitmap32.h"

#include <memory>

namespace faceloom {

void TSmileBitmap32::AllocateColor() {
    CheckSize();
    Allocated = true;
    RowStride = Width * 4;
    Header.assign(kHeaderSize, 0);
    FillHeader(Header, Width, Height, 32, RowStride * Height, 0);
    Pixels.assign(static_cast<size_t>(Width) * static_cast<size_t>(Height), 0);
    pixelWidth_ = Width;
    pixelHeight_ = Height;
}

void TSmileBitmap32::Allocate() {
    if (Width <= 0 || Height <= 0) return;
    AllocateColor();
    AllocateMaskIfTransparent();
}

void TSmileBitmap32::SetPixel(int32_t X, int32_t Y, TColor Value) {
    if (!Allocated || !InPixels(X, Y)) return;
    Pixels[PixelIndex(X, Y, pixelWidth_)] = ColorToRgb(Value);
}

uint32_t TSmileBitmap32::GetPixel(int32_t X, int32_t Y) const {
    if (!Allocated || !InPixels(X, Y)) return 0;
    return Pixels[PixelIndex(X, Y, pixelWidth_)];
}

void TSmileBitmap32::FillRect(const TRect& Rect, TColor Value) {
    FillClipped(Rect, [this, Value](int32_t x, int32_t y) { SetPixel(x, y, Value); });
}

void TSmileBitmap32::CopyFrom(const TSmileBitmap32& Source) {
    if (this == &Source) return;
    TSmileBitmap::operator=(Source);
    Pixels = Source.Pixels;
}

void TSmileBitmap32::LoadFromBitmap(const TBitmap& Bitmap) {
    Width = Bitmap.Width();
    Height = Bitmap.Height();
    ClearMask();
    AllocateColor();
    // The bitmap is top-down, the frame bottom-up; the top byte of a stored pixel is 0.
    for (int32_t y = 0; y < Height; ++y) {
        const uint32_t* source = Bitmap.Canvas.Row(y);
        uint32_t* target = StoredRow(y);
        for (int32_t x = 0; x < Width; ++x) target[x] = source[x] & 0x00FFFFFFu;
    }
    if (!Bitmap.Transparent || Width <= 0 || Height <= 0) return;
    HasMask = true;
    AllocateMask();
    std::unique_ptr<TSurface> mask = Bitmap.EffectiveMask();
    for (int32_t y = 0; y < Height; ++y) {
        for (int32_t x = 0; x < Width; ++x) {
            // White in the platform mask is transparent.
            SetMaskBit(x, y, (mask->GetPixel(x, y) & 0xFFFFFFu) != 0);
        }
    }
}

TDibBits TSmileBitmap32::ColorDib() const {
    if (!Allocated) return TDibBits{};
    return TDibBits::FromHeader(Header.data(), Header.size(), Pixels.data(), Pixels.size() * 4);
}

void TSmileBitmap32::Draw(int32_t X, int32_t Y, TSurface& Canvas) const {
    DrawFrame(ColorDib(), RectOfSize(X, Y, pixelWidth_, pixelHeight_), Canvas);
}

void TSmileBitmap32::StretchDraw(const TRect& Rect, TSurface& Canvas) const {
    DrawFrame(ColorDib(), Rect, Canvas);
}

}  // namespace faceloom
