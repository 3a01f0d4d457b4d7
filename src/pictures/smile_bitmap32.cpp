#include "pictures/smile_bitmap32.h"

#include <algorithm>

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
    HasMask = Transparent;
    if (!HasMask) {
        MaskStride = 0;
        MaskHeader.clear();
        MaskBits.clear();
        maskWidth_ = maskHeight_ = 0;
        return;
    }
    AllocateMask();
}

void TSmileBitmap32::SetPixel(int32_t X, int32_t Y, TColor Value) {
    if (!Allocated || !InPixels(X, Y)) return;
    Pixels[static_cast<size_t>(X) + static_cast<size_t>(pixelHeight_ - 1 - Y) * static_cast<size_t>(pixelWidth_)] =
        ColorToRgb(Value);
}

uint32_t TSmileBitmap32::GetPixel(int32_t X, int32_t Y) const {
    if (!Allocated || !InPixels(X, Y)) return 0;
    return Pixels[static_cast<size_t>(X) + static_cast<size_t>(pixelHeight_ - 1 - Y) * static_cast<size_t>(pixelWidth_)];
}

void TSmileBitmap32::FillRect(const TRect& Rect, TColor Value) {
    if (!Allocated) return;
    int32_t left = std::max(Rect.Left, 0);
    int32_t top = std::max(Rect.Top, 0);
    int32_t right = std::min(Rect.Right, pixelWidth_);
    int32_t bottom = std::min(Rect.Bottom, pixelHeight_);
    for (int32_t y = top; y < bottom; ++y) {
        for (int32_t x = left; x < right; ++x) {
            SetPixel(x, y, Value);
            if (HasMask) SetMaskBit(x, y, true);
        }
    }
}

void TSmileBitmap32::CopyFrom(const TSmileBitmap32& Source) {
    if (this == &Source) return;
    TSmileBitmap::operator=(Source);
    Pixels = Source.Pixels;
}

void TSmileBitmap32::LoadFromBitmap(const TBitmap& Bitmap) {
    Width = Bitmap.Width();
    Height = Bitmap.Height();
    HasMask = false;
    MaskStride = 0;
    MaskHeader.clear();
    MaskBits.clear();
    maskWidth_ = maskHeight_ = 0;
    AllocateColor();
    // The bitmap is top-down, the frame bottom-up; the top byte of a stored pixel is 0.
    for (int32_t y = 0; y < Height; ++y) {
        const uint32_t* source = Bitmap.Canvas.Row(y);
        uint32_t* target = Pixels.data() + static_cast<size_t>(Height - 1 - y) * static_cast<size_t>(Width);
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

void TSmileBitmap32::StretchDraw(const TRect& Rect, TSurface& Canvas) const { DrawFrame(ColorDib(), Rect, Canvas); }

}  // namespace faceloom
