#include "platform/raster_ops.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace faceloom {

namespace {

uint32_t LoadWord(const uint8_t* p) {
    uint32_t value;
    std::memcpy(&value, p, 4);
    return value;
}

int32_t HeaderInt(const uint8_t* header, size_t offset) {
    return static_cast<int32_t>(LoadWord(header + offset));
}

uint16_t HeaderShort(const uint8_t* header, size_t offset) {
    return static_cast<uint16_t>(header[offset] | (header[offset + 1] << 8));
}

template <TRasterOp Op>
uint32_t Apply(uint32_t source, uint32_t dest) {
    uint32_t color;
    if constexpr (Op == TRasterOp::SrcCopy) {
        color = source;
    } else if constexpr (Op == TRasterOp::SrcAnd) {
        color = source & dest;
    } else if constexpr (Op == TRasterOp::SrcInvert) {
        color = source ^ dest;
    } else {
        color = source & ~dest;
    }
    return (dest & 0xFF000000u) | (color & 0x00FFFFFFu);
}

// Nearest source coordinate for destination offset i when destLength pixels show
// sourceLength ones: the source pixel under the centre of the destination pixel. With equal
// lengths it is i itself.
int64_t SourceOffset(int64_t i, int64_t sourceLength, int64_t destLength) {
    if (sourceLength == destLength) return i;
    return ((2 * i + 1) * sourceLength) / (2 * destLength);
}

// Walks the clipped destination rectangle and calls fetch(sourceRowIndex, sourceX) for the
// colour (0x00RRGGBB) of each pixel whose source lies inside the source.
template <TRasterOp Op, class RowOf, class Fetch>
void Blit(TSurface& dest, const TRect& destRect, int32_t sourceWidth, int32_t sourceHeight,
          const TRect& sourceRect, RowOf rowOf, Fetch fetch) {
    int64_t dw = destRect.Width();
    int64_t dh = destRect.Height();
    int64_t sw = sourceRect.Width();
    int64_t sh = sourceRect.Height();
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
    int32_t left = std::max(destRect.Left, 0);
    int32_t right = std::min(destRect.Right, dest.Width());
    int32_t top = std::max(destRect.Top, 0);
    int32_t bottom = std::min(destRect.Bottom, dest.Height());
    if (left >= right || top >= bottom) return;
    for (int32_t y = top; y < bottom; ++y) {
        int64_t sy = sourceRect.Top + SourceOffset(y - int64_t{destRect.Top}, sh, dh);
        if (sy < 0 || sy >= sourceHeight) continue;
        auto sourceRow = rowOf(static_cast<int32_t>(sy));
        uint32_t* destRow = dest.Row(y);
        for (int32_t x = left; x < right; ++x) {
            int64_t sx = sourceRect.Left + SourceOffset(x - int64_t{destRect.Left}, sw, dw);
            if (sx < 0 || sx >= sourceWidth) continue;
            destRow[x] = Apply<Op>(fetch(sourceRow, static_cast<int32_t>(sx)), destRow[x]);
        }
    }
}

template <TRasterOp Op>
void BlitDib(TSurface& dest, const TRect& destRect, const TDibBits& source, const TRect& sourceRect) {
    auto rowOf = [&source](int32_t y) {
        int32_t stored = source.BottomUp ? source.Height - 1 - y : y;
        return source.Bits + static_cast<size_t>(stored) * static_cast<size_t>(source.Stride);
    };
    switch (source.BitCount) {
        case 32:
            Blit<Op>(
                dest, destRect, source.Width, source.Height, sourceRect, rowOf,
                [](const uint8_t* row, int32_t x) { return LoadWord(row + 4 * static_cast<size_t>(x)); });
            break;
        case 8: {
            const uint8_t* palette = source.Palette;
            int32_t entries = palette ? source.PaletteEntries : 0;
            Blit<Op>(dest, destRect, source.Width, source.Height, sourceRect, rowOf,
                     [palette, entries](const uint8_t* row, int32_t x) {
                         uint8_t index = row[x];
                         return index < entries ? LoadWord(palette + 4 * static_cast<size_t>(index)) : 0u;
                     });
            break;
        }
        case 1: {
            // Like a monochrome blit onto a device: 0 bits take the destination's text colour
            // and 1 bits its background colour.
            uint32_t zero = ColorToRgb(dest.TextColor);
            uint32_t one = ColorToRgb(dest.BackgroundColor);
            Blit<Op>(dest, destRect, source.Width, source.Height, sourceRect, rowOf,
                     [zero, one](const uint8_t* row, int32_t x) {
                         return ((row[x >> 3] >> (7 - (x & 7))) & 1) ? one : zero;
                     });
            break;
        }
        default:
            break;
    }
}

template <TRasterOp Op>
void BlitSurface(TSurface& dest, const TRect& destRect, const TSurface& source, const TRect& sourceRect) {
    Blit<Op>(
        dest, destRect, source.Width(), source.Height(), sourceRect,
        [&source](int32_t y) { return source.Row(y); },
        [](const uint32_t* row, int32_t x) { return row[x]; });
}

const uint8_t* StoredRow(const TDibBits& dib, int32_t y) {
    const int32_t stored = dib.BottomUp ? dib.Height - 1 - y : y;
    return dib.Bits + static_cast<size_t>(stored) * static_cast<size_t>(dib.Stride);
}

// The colour bits of fetch(colorRow, sx) into dest where the mask bit of sx is 0, a mask byte
// (eight pixels) at a time: all transparent is skipped, all opaque copied without tests.
template <class Fetch>
void MaskedRows(TSurface& dest, int32_t x, int32_t y, const TDibBits& color, const TDibBits& mask,
                Fetch fetch) {
    const int64_t left = std::max<int64_t>(x, 0);
    const int64_t right = std::min<int64_t>(int64_t{x} + color.Width, dest.Width());
    const int64_t top = std::max<int64_t>(y, 0);
    const int64_t bottom = std::min<int64_t>(int64_t{y} + color.Height, dest.Height());
    if (left >= right || top >= bottom) return;
    const auto first = static_cast<int32_t>(left - x);  // source columns first .. end - 1
    const auto end = static_cast<int32_t>(right - x);
    for (int64_t row = top; row < bottom; ++row) {
        const auto sy = static_cast<int32_t>(row - y);
        const uint8_t* colorRow = StoredRow(color, sy);
        const uint8_t* maskRow = StoredRow(mask, sy);
        uint32_t* out = dest.Row(static_cast<int32_t>(row));
        auto put = [&](int32_t sx) {
            uint32_t& pixel = out[sx + x];
            pixel = (pixel & 0xFF000000u) | (fetch(colorRow, sx) & 0x00FFFFFFu);
        };
        for (int32_t byteStart = first & ~7; byteStart < end; byteStart += 8) {
            const uint8_t bits = maskRow[byteStart >> 3];
            if (bits == 0xFF) continue;
            const int32_t from = std::max(byteStart, first);
            const int32_t to = std::min(byteStart + 8, end);
            if (bits == 0) {
                for (int32_t sx = from; sx < to; ++sx) put(sx);
            } else {
                for (int32_t sx = from; sx < to; ++sx)
                    if (((bits >> (7 - (sx & 7))) & 1) == 0) put(sx);
            }
        }
    }
}

template <class Fn>
void Dispatch(TRasterOp op, Fn fn) {
    switch (op) {
        case TRasterOp::SrcCopy:
            fn.template operator()<TRasterOp::SrcCopy>();
            break;
        case TRasterOp::SrcAnd:
            fn.template operator()<TRasterOp::SrcAnd>();
            break;
        case TRasterOp::SrcInvert:
            fn.template operator()<TRasterOp::SrcInvert>();
            break;
        case TRasterOp::SrcErase:
            fn.template operator()<TRasterOp::SrcErase>();
            break;
    }
}

}  // namespace

TDibBits TDibBits::FromHeader(const uint8_t* header, size_t headerSize, const void* bits, size_t bitsSize) {
    TDibBits dib;
    if (header == nullptr || bits == nullptr || headerSize < 40) return dib;
    uint32_t infoSize = LoadWord(header);
    int32_t width = HeaderInt(header, 4);
    int32_t height = HeaderInt(header, 8);
    int32_t bitCount = HeaderShort(header, 14);
    int32_t compression = HeaderInt(header, 16);
    if (infoSize < 40 || infoSize > headerSize || compression != 0) return dib;
    if (bitCount != 1 && bitCount != 8 && bitCount != 32) return dib;
    if (width <= 0 || height == 0 || height == std::numeric_limits<int32_t>::min()) return dib;
    int64_t stride = ((int64_t{width} * bitCount + 31) / 32) * 4;
    int64_t rows = height < 0 ? -int64_t{height} : height;
    if (stride > std::numeric_limits<int32_t>::max() || static_cast<uint64_t>(stride * rows) > bitsSize)
        return dib;
    dib.Width = width;
    dib.Height = static_cast<int32_t>(rows);
    dib.BottomUp = height > 0;
    dib.BitCount = bitCount;
    dib.Stride = static_cast<int32_t>(stride);
    dib.Bits = static_cast<const uint8_t*>(bits);
    if (bitCount <= 8) {
        dib.Palette = header + infoSize;
        dib.PaletteEntries =
            static_cast<int32_t>(std::min<size_t>((headerSize - infoSize) / 4, size_t{1} << bitCount));
    }
    return dib;
}

void StretchDibBits(TSurface& dest, const TRect& destRect, const TDibBits& source, const TRect& sourceRect,
                    TRasterOp op) {
    if (!source.Valid()) return;
    Dispatch(op, [&]<TRasterOp Op>() { BlitDib<Op>(dest, destRect, source, sourceRect); });
}

void DrawDibBits(TSurface& dest, int32_t x, int32_t y, const TDibBits& source, TRasterOp op) {
    TRect whole{0, 0, source.Width, source.Height};
    StretchDibBits(dest, RectOfSize(x, y, source.Width, source.Height), source, whole, op);
}

bool MaskedDrawDibBits(TSurface& dest, int32_t x, int32_t y, const TDibBits& color, const TDibBits& mask) {
    if (!color.Valid() || !mask.Valid() || mask.BitCount != 1) return false;
    if (mask.Width != color.Width || mask.Height != color.Height) return false;
    switch (color.BitCount) {
        case 32:
            MaskedRows(dest, x, y, color, mask, [](const uint8_t* row, int32_t sx) {
                return LoadWord(row + 4 * static_cast<size_t>(sx));
            });
            return true;
        case 8: {
            const uint8_t* palette = color.Palette;
            const int32_t entries = palette ? color.PaletteEntries : 0;
            if (entries == 256) {  // every index has its entry: no test per pixel
                MaskedRows(dest, x, y, color, mask, [palette](const uint8_t* row, int32_t sx) {
                    return LoadWord(palette + 4 * static_cast<size_t>(row[sx]));
                });
            } else {
                MaskedRows(dest, x, y, color, mask, [palette, entries](const uint8_t* row, int32_t sx) {
                    const uint8_t index = row[sx];
                    return index < entries ? LoadWord(palette + 4 * static_cast<size_t>(index)) : 0u;
                });
            }
            return true;
        }
        default:
            return false;
    }
}

void StretchBlt(TSurface& dest, const TRect& destRect, const TSurface& source, const TRect& sourceRect,
                TRasterOp op) {
    if (source.Empty()) return;
    Dispatch(op, [&]<TRasterOp Op>() { BlitSurface<Op>(dest, destRect, source, sourceRect); });
}

void BitBlt(TSurface& dest, int32_t x, int32_t y, const TSurface& source, TRasterOp op) {
    StretchBlt(dest, RectOfSize(x, y, source.Width(), source.Height()), source,
               TRect{0, 0, source.Width(), source.Height()}, op);
}

}  // namespace faceloom
