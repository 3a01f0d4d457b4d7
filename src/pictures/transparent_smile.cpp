#include "pictures/transparent_smile.h"

#include <limits>

namespace faceloom {

template <class ColorAt>
void TTransparentSmile::Convert(const TSmileBitmap& source, bool withShadow, ColorAt colorAt) {
    // Only a masked frame says which pixels are transparent.
    if (!source.Transparent || !source.Allocated || !source.HasMask) return;
    if (source.Width <= 0 || source.Height <= 0) return;
    int64_t shadowX = withShadow ? ShadowX : 0;
    int64_t shadowY = withShadow ? ShadowY : 0;
    int64_t width = source.Width + shadowX;
    int64_t height = source.Height + shadowY;
    if (width <= 0 || height <= 0 || width * height * 4 > std::numeric_limits<int32_t>::max()) return;
    SourceWidth = source.Width;
    SourceHeight = source.Height;
    Width = static_cast<int32_t>(width);
    Height = static_cast<int32_t>(height);
    Transparent = false;
    ClearMask();
    AllocateColor();
    auto opaque = [&source](int64_t x, int64_t y) {
        return x >= 0 && y >= 0 && x < source.Width && y < source.Height &&
               !source.GetMaskBit(static_cast<int32_t>(x), static_cast<int32_t>(y));
    };
    for (int32_t y = 0; y < Height; ++y) {
        uint32_t* row = StoredRow(y);
        for (int32_t x = 0; x < Width; ++x) {
            uint32_t pixel = 0;
            // The image wins over the shadow.
            if (opaque(x, y)) {
                pixel = kOpaqueAlpha | (colorAt(x, y) & 0x00FFFFFFu);
            } else if (withShadow && opaque(x - shadowX, y - shadowY)) {
                pixel = kShadowPixel;
            }
            row[x] = pixel;
        }
    }
}

void TTransparentSmile::ConvertFrom(const TSmileBitmap8& Source, bool WithShadow) {
    Convert(Source, WithShadow,
            [&Source](int32_t x, int32_t y) { return Source.GetPaletteEntry(Source.GetPixel(x, y)); });
}

void TTransparentSmile::ConvertFrom(const TSmileBitmap32& Source, bool WithShadow) {
    Convert(Source, WithShadow, [&Source](int32_t x, int32_t y) { return Source.GetPixel(x, y); });
}

}  // namespace faceloom
