#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/geometry.h"
#include "platform/surface.h"

namespace faceloom {

// The raster operations the pictures draw with. They act on the 24 colour bits; the
// destination's top byte is kept as it is (the surface format decides it).
enum class TRasterOp : uint8_t {
    SrcCopy,    // D := S
    SrcAnd,     // D := S and D
    SrcInvert,  // D := S xor D
    SrcErase,   // D := S and not D
};

// A device-independent bitmap in memory, described by a 40-byte BITMAPINFOHEADER with its
// colour table: 1, 8 or 32 bits per pixel, uncompressed, rows padded to 4 bytes, bottom-up
// for a positive height and top-down for a negative one.
struct TDibBits {
    int32_t Width = 0;
    int32_t Height = 0;  // always positive here
    bool BottomUp = true;
    int32_t BitCount = 0;
    int32_t Stride = 0;  // bytes per row
    const uint8_t* Bits = nullptr;
    // Colour table entries as stored (bytes blue, green, red, 0 = 0x00RRGGBB words). An index
    // beyond the table is drawn black, so a short table is never read past its end.
    const uint8_t* Palette = nullptr;
    int32_t PaletteEntries = 0;

    bool Valid() const { return Bits != nullptr && Width > 0 && Height > 0; }

    // Reads the header; the colour table is what follows the 40 bytes within headerSize (not
    // the header's colours-used count, which may be 0 or too large). Answers an invalid
    // description when the header is not one of the supported kinds or bitsSize is too small
    // for the rows it announces.
    static TDibBits FromHeader(const uint8_t* header, size_t headerSize, const void* bits, size_t bitsSize);
};

// StretchDIBits: the source rectangle (sx, sy, sw, sh; y counted from the top of the picture)
// of a device-independent bitmap drawn into the destination rectangle (dx, dy, dw, dh) with
// the operation. Scaling takes the nearest source pixel (the one under the centre of each
// destination pixel). Everything is clipped to the destination and to the source. A 1-bit
// source draws its 0 bits in the destination's TextColor and its 1 bits in its
// BackgroundColor.
void StretchDibBits(TSurface& dest, const TRect& destRect, const TDibBits& source, const TRect& sourceRect,
                    TRasterOp op);

// The whole DIB, unscaled, with its top-left corner at (x, y).
void DrawDibBits(TSurface& dest, int32_t x, int32_t y, const TDibBits& source, TRasterOp op);

// The masked draw of a frame, unscaled, in one pass: where the mask's bit is 0 the destination
// takes the colour pixel (colour bits; its top byte is kept), where it is 1 the destination
// keeps its own pixel. The pixels are those of the four raster steps a masked draw is made
// of (mask SRCCOPY and colour SRCERASE onto a black-and-white scratch, mask SRCAND with black
// text and white background onto the destination, then the scratch SRCINVERT), without the
// scratch. Answers false, drawing nothing, unless mask is a 1-bit bitmap of the colour's size
// and the colour an 8- or 32-bit one.
bool MaskedDrawDibBits(TSurface& dest, int32_t x, int32_t y, const TDibBits& color, const TDibBits& mask);

// StretchBlt between two surfaces (same rules as above).
void StretchBlt(TSurface& dest, const TRect& destRect, const TSurface& source, const TRect& sourceRect,
                TRasterOp op);
// BitBlt: the whole source, unscaled, at (x, y).
void BitBlt(TSurface& dest, int32_t x, int32_t y, const TSurface& source, TRasterOp op);

}  // namespace faceloom
