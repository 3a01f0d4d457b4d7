#pragma once

#include <cstdint>
#include <memory>

#include "platform/color.h"
#include "platform/frame_object.h"
#include "platform/geometry.h"
#include "platform/surface.h"

namespace faceloom {

// The platform bitmap: a 32-bit image with an optional monochrome mask and a transparent
// flag. Its transparent colour is automatic: white for a monochrome bitmap, otherwise the
// colour of its bottom-left pixel. A mask is a surface of the bitmap's size holding only
// white (transparent) and black (opaque) pixels.
class TBitmap : public TFrameObject {
public:
    TBitmap() = default;
    // An all-black bitmap of the size.
    TBitmap(int32_t width, int32_t height);
    // Deep copies (the mask included).
    TBitmap(const TBitmap& other);
    TBitmap& operator=(const TBitmap& other);
    TBitmap(TBitmap&& other) noexcept = default;
    TBitmap& operator=(TBitmap&& other) noexcept = default;

    int32_t Width() const { return Canvas.Width(); }
    int32_t Height() const { return Canvas.Height(); }

    // Platform colour of the automatic transparent colour (black for an empty bitmap).
    TColor TransparentColor() const;

    // A new mask: white where the image's pixel equals color, black elsewhere (the
    // platform's conversion to monochrome with color as the background colour).
    std::unique_ptr<TSurface> ToMonochrome(TColor color) const;

    // A copy of the mask in use: the attached one, else, when Transparent, one derived from
    // the transparent colour; null when there is neither.
    std::unique_ptr<TSurface> EffectiveMask() const;
    // Hands the mask over (building it from the transparent colour first when none is
    // attached); the bitmap keeps no mask afterwards.
    std::unique_ptr<TSurface> ReleaseMask();

    // Draws the bitmap unscaled at (x, y); when Transparent, the places its mask marks white
    // are not drawn.
    void Draw(TSurface& dest, int32_t x, int32_t y) const;

    TSurface Canvas;
    bool Transparent = false;
    // Read from a 1-bit file: its transparent colour is white.
    bool Monochrome = false;
    std::unique_ptr<TSurface> Mask;
};

}  // namespace faceloom
