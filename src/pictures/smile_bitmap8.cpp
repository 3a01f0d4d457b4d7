#include "pictures/smile_bitmap8.h"

#include <algorithm>

namespace faceloom {

void TSmileBitmap8::Allocate() {
    if (Width <= 0 || Height <= 0) return;
    CheckSize();
    Allocated = true;
    RowStride = (Width + 3) & ~3;
    int32_t colors = std::clamp(PaletteCount, 0, kPaletteCapacity);
    Header.assign(kHeaderSize + 4 * static_cast<size_t>(kPaletteCapacity), 0);
    FillHeader(Header, Width, Height, 8, RowStride * Height, colors);
    Pixels.assign(static_cast<size_t>(RowStride) * static_cast<size_t>(Height), 0);
    pixelWidth_ = Width;
    pixelHeight_ = Height;
    AllocateMaskIfTransparent();
}

void TSmileBitmap8::SetPixel(int32_t X, int32_t Y, uint8_t Value) {
    if (!Allocated || !InPixels(X, Y)) return;
    Pixels[PixelIndex(X, Y, RowStride)] = Value;
}

uint8_t TSmileBitmap8::GetPixel(int32_t X, int32_t Y) const {
    if (!Allocated || !InPixels(X, Y)) return 0;
    return Pixels[PixelIndex(X, Y, RowStride)];
}

void TSmileBitmap8::FillRect(const TRect& Rect, uint8_t Value) {
    FillClipped(Rect, [this, Value](int32_t x, int32_t y) { SetPixel(x, y, Value); });
}

void TSmileBitmap8::SetPaletteEntry(int32_t Index, TColor Color) {
    if (!Allocated || Index < 0 ||
        static_cast<size_t>(kHeaderSize) + 4 * static_cast<size_t>(Index) + 4 > Header.size())
        return;
    uint32_t rgb = ColorToRgb(Color);
    // Unchanged: a shared table stays shared.
    if (GetPaletteEntry(Index) == rgb && Header[kHeaderSize + 4 * static_cast<size_t>(Index) + 3] == 0)
        return;
    uint8_t* entry = Header.MutableData() + kHeaderSize + 4 * static_cast<size_t>(Index);
    entry[0] = static_cast<uint8_t>(rgb);        // blue
    entry[1] = static_cast<uint8_t>(rgb >> 8);   // green
    entry[2] = static_cast<uint8_t>(rgb >> 16);  // red
    entry[3] = 0;
}

uint32_t TSmileBitmap8::GetPaletteEntry(int32_t Index) const {
    if (Index < 0 || static_cast<size_t>(kHeaderSize) + 4 * static_cast<size_t>(Index) + 4 > Header.size())
        return 0;
    size_t offset = kHeaderSize + 4 * static_cast<size_t>(Index);
    return Header[offset] | (Header[offset + 1] << 8) | (static_cast<uint32_t>(Header[offset + 2]) << 16);
}

void TSmileBitmap8::CopyFrom(const TSmileBitmap8& Source) {
    if (this == &Source) return;
    *this = Source;
}

TDibBits TSmileBitmap8::ColorDib() const {
    if (!Allocated) return TDibBits{};
    return TDibBits::FromHeader(Header.data(), Header.size(), Pixels.data(), Pixels.size());
}

void TSmileBitmap8::Draw(int32_t X, int32_t Y, TSurface& Canvas) const {
    DrawFrame(ColorDib(), RectOfSize(X, Y, pixelWidth_, pixelHeight_), Canvas);
}

void TSmileBitmap8::StretchDraw(const TRect& Rect, TSurface& Canvas) const {
    DrawFrame(ColorDib(), Rect, Canvas);
}

}  // namespace faceloom
