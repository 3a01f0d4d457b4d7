#pragma once

#include <cstdint>

#include "pictures/smile_bitmap32.h"
#include "pictures/smile_bitmap8.h"

namespace faceloom {

// A frame of the floating drag image: 32-bit pixels with premultiplied alpha in the top byte
// (0xFF000000 | rgb opaque, 0x20000000 shadow, 0 transparent), no mask, optionally enlarged
// by a drop shadow. The drag window shows Pixels (rows bottom-up) with per-pixel alpha.
class TTransparentSmile : public TSmileBitmap32 {
public:
    static constexpr uint32_t kOpaqueAlpha = 0xFF000000u;
    static constexpr uint32_t kShadowPixel = 0x20000000u;

    TTransparentSmile() = default;

    // Converts a masked frame; a source that is not flagged Transparent (or has no mask)
    // leaves this frame empty. With shadow the result is ShadowX wider and ShadowY taller.
    void ConvertFrom(const TSmileBitmap8& Source, bool WithShadow);
    void ConvertFrom(const TSmileBitmap32& Source, bool WithShadow);

    // Never a hit: the drag image is not clicked.
    bool HitTest(int32_t X, int32_t Y) const override { return false; }

    int32_t SourceWidth = 0;
    int32_t SourceHeight = 0;
    int32_t ShadowX = 0;
    int32_t ShadowY = 0;

private:
    // Shared by both sources: colorAt(x, storedRow) gives the source's 0x00RRGGBB colour.
    template <class ColorAt>
    void Convert(const TSmileBitmap& source, bool withShadow, ColorAt colorAt);
};

}  // namespace faceloom
