#pragma once

#include <cstdint>
#include <vector>

#include "pictures/smile_bitmap.h"
#include "platform/bitmap.h"
#include "platform/color.h"

namespace faceloom {

// A 32-bit frame: one 0x00RRGGBB word per pixel, rows bottom-up.
class TSmileBitmap32 : public TSmileBitmap {
public:
    TSmileBitmap32() = default;

    // Builds the header and buffers from Width, Height and Transparent; does nothing unless
    // Width > 0 and Height > 0. Pixels start zero.
    void Allocate();
    // Stores the platform colour at (X, Y); ignored outside the frame or before Allocate.
    void SetPixel(int32_t X, int32_t Y, TColor Value);
    // The stored 0x00RRGGBB word at (X, Y) (0 outside).
    uint32_t GetPixel(int32_t X, int32_t Y) const;
    void FillRect(const TRect& Rect, TColor Value);
    void CopyFrom(const TSmileBitmap32& Source);
    // Takes size, pixels and, when the bitmap is flagged transparent, its mask. Transparent
    // is left for the caller to set.
    void LoadFromBitmap(const TBitmap& Bitmap);

    void Draw(int32_t X, int32_t Y, TSurface& Canvas) const override;
    void StretchDraw(const TRect& Rect, TSurface& Canvas) const override;

    // Width x Height words, bottom-up.
    std::vector<uint32_t> Pixels;

protected:
    // Builds RowStride, Header and Pixels for Width x Height.
    void AllocateColor();
    // First pixel of row y, y from the top, of the pixels AllocateColor built.
    uint32_t* StoredRow(int32_t y) { return Pixels.data() + PixelIndex(0, y, pixelWidth_); }

private:
    TDibBits ColorDib() const;
};

}  // namespace faceloom
