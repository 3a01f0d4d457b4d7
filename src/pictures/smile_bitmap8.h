#pragma once

#include <cstdint>
#include <vector>

#include "pictures/smile_bitmap.h"
#include "platform/color.h"

namespace faceloom {

// A palettised frame: one palette index per pixel, rows padded to 4 bytes.
class TSmileBitmap8 : public TSmileBitmap {
public:
    // Room kept in the header for the colour table whatever PaletteCount says: the blit reads
    // up to 256 entries for an 8-bit image, so a short or empty table must still be backed.
    static constexpr int32_t kPaletteCapacity = 256;

    TSmileBitmap8() = default;

    // Builds the headers and buffers from Width, Height, Transparent and PaletteCount; does
    // nothing unless Width > 0 and Height > 0. Palette and pixels start zero.
    void Allocate();
    // Index at (X, Y); ignored outside the frame or before Allocate.
    void SetPixel(int32_t X, int32_t Y, uint8_t Value);
    uint8_t GetPixel(int32_t X, int32_t Y) const;
    // SetPixel(x, y, Value) and, with a mask, marks the pixel transparent, for every point of
    // Rect.
    void FillRect(const TRect& Rect, uint8_t Value);
    // Stores the platform colour in palette entry Index (ignored outside the table).
    void SetPaletteEntry(int32_t Index, TColor Color);
    // Palette entry Index as 0x00RRGGBB (0 outside the table).
    uint32_t GetPaletteEntry(int32_t Index) const;
    // Makes this frame an independent deep copy of Source.
    void CopyFrom(const TSmileBitmap8& Source);

    void Draw(int32_t X, int32_t Y, TSurface& Canvas) const override;
    void StretchDraw(const TRect& Rect, TSurface& Canvas) const override;

    // RowStride x Height bytes, bottom-up.
    std::vector<uint8_t> Pixels;
    int32_t PaletteCount = 0;

private:
    TDibBits ColorDib() const;
};

}  // namespace faceloom
