#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pictures/shared_bytes.h"
#include "platform/frame_object.h"
#include "platform/geometry.h"
#include "platform/raster_ops.h"
#include "platform/surface.h"

namespace faceloom {

// A frame of a smile picture: a device-independent bitmap in memory (rows bottom-up) with an
// optional 1-bit mask of the same size, 1 = transparent, the most significant bit the
// leftmost pixel. The layout is the Windows one on purpose: the blits take it directly.
// A producer sets Width, Height, Transparent (and the palette count), calls Allocate, fills
// the buffers and hands the frame to a picture; after that it is read-only, so it may be
// drawn from several threads at once.
class TSmileBitmap : public TFrameObject {
public:
    static constexpr int32_t kHeaderSize = 40;      // BITMAPINFOHEADER
    static constexpr int32_t kMaskHeaderSize = 48;  // header + black and white entries
    // Largest frame Allocate builds (64 MiB as 32-bit pixels). Decoders check their sizes
    // against it before allocating anything; Allocate refuses larger ones with an EAbort.
    static constexpr int64_t kMaxPixels = int64_t{1} << 24;

    // Draws the frame unscaled with its top-left corner at (X, Y), honouring the mask.
    virtual void Draw(int32_t X, int32_t Y, TSurface& Canvas) const = 0;
    // Draws the frame scaled into Rect (Left, Top, Right, Bottom), honouring the mask.
    virtual void StretchDraw(const TRect& Rect, TSurface& Canvas) const = 0;
    // Whether (X, Y), y from the top, is an opaque pixel of the mask. A frame without a mask
    // answers false.
    virtual bool HitTest(int32_t X, int32_t Y) const;

    // Mask bit at (X, Y), true = transparent; false for a frame without a mask or a point
    // outside it. SetMaskBit ignores such points.
    bool GetMaskBit(int32_t X, int32_t Y) const;
    void SetMaskBit(int32_t X, int32_t Y, bool Transparent);

    bool Transparent = false;
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t RowStride = 0;
    int32_t MaskStride = 0;
    bool Allocated = false;
    bool HasMask = false;
    // The colour header: 40 bytes, then the colour table of a palettised frame. Copies of a
    // frame share it, as frames of one picture with equal headers do (see TSharedBytes).
    TSharedBytes Header;
    // The mask header: 40 bytes, then entry 0 black and entry 1 white; shared alike.
    TSharedBytes MaskHeader;
    // MaskStride x Height bytes, bottom-up. Shared alike: the outline of a smile mostly stays
    // the same from frame to frame, so the frames of a picture keep one copy of each mask.
    TSharedBytes MaskBits;

protected:
    TSmileBitmap() = default;
    TSmileBitmap(const TSmileBitmap&) = default;
    TSmileBitmap& operator=(const TSmileBitmap&) = default;

    // Fills a 40-byte header at the front of header (which must be at least that long).
    static void FillHeader(TSharedBytes& header, int32_t width, int32_t height, int32_t bitCount,
                           int32_t imageSize, int32_t colorsUsed);
    // Builds MaskStride, MaskHeader and MaskBits for the current Width and Height.
    void AllocateMask();
    // Drops the mask: HasMask false, no mask buffers.
    void ClearMask();
    // The mask for the current size when Transparent is set, none otherwise.
    void AllocateMaskIfTransparent();
    // The mask as a drawable description (invalid without a mask).
    TDibBits MaskDib() const;
    // The masked or plain drawing shared by both frame kinds: color is the frame's colour
    // image, drawn at the frame's size into dest (scaled when dest differs from it).
    void DrawFrame(const TDibBits& color, const TRect& dest, TSurface& canvas) const;

    // Throws EAbort when Width x Height exceeds kMaxPixels.
    void CheckSize() const;

    bool InPixels(int32_t x, int32_t y) const {
        return x >= 0 && y >= 0 && x < pixelWidth_ && y < pixelHeight_;
    }
    // Element of (x, y), y from the top, in the bottom-up pixel buffer of rowLength elements
    // a row; (x, y) must be InPixels.
    size_t PixelIndex(int32_t x, int32_t y, int32_t rowLength) const {
        return static_cast<size_t>(x) +
               static_cast<size_t>(pixelHeight_ - 1 - y) * static_cast<size_t>(rowLength);
    }

    // setPixel(x, y) for every point of rect on the frame, each also marked transparent
    // when there is a mask: the FillRect of both frame kinds.
    template <class SetPixel>
    void FillClipped(const TRect& rect, SetPixel setPixel) {
        if (!Allocated) return;
        // Only the part on the frame can change anything.
        const int32_t left = std::max(rect.Left, 0);
        const int32_t top = std::max(rect.Top, 0);
        const int32_t right = std::min(rect.Right, pixelWidth_);
        const int32_t bottom = std::min(rect.Bottom, pixelHeight_);
        for (int32_t y = top; y < bottom; ++y) {
            for (int32_t x = left; x < right; ++x) {
                setPixel(x, y);
                if (HasMask) SetMaskBit(x, y, true);
            }
        }
    }

    // Sizes the buffers were built for: bounds checks use them, not the public fields, so a
    // producer that changes Width later cannot make a setter write outside the buffers.
    int32_t pixelWidth_ = 0;
    int32_t pixelHeight_ = 0;
    int32_t maskWidth_ = 0;
    int32_t maskHeight_ = 0;

private:
    bool InMask(int32_t x, int32_t y) const {
        return Allocated && HasMask && x >= 0 && y >= 0 && x < maskWidth_ && y < maskHeight_;
    }
    // Byte of MaskBits holding (x, y), y from the top; (x, y) must be InMask.
    size_t MaskByte(int32_t x, int32_t y) const {
        return static_cast<size_t>(maskHeight_ - 1 - y) * static_cast<size_t>(MaskStride) +
               static_cast<size_t>(x / 8);
    }
};

}  // namespace faceloom
