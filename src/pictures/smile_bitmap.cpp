#include "pictures/smile_bitmap.h"

#include <cstring>

#include "pictures/decoder_errors.h"
#include "pictures/smile_image.h"

namespace faceloom {

namespace {

void PutU16(uint8_t* bytes, size_t offset, uint32_t value) {
    bytes[offset] = static_cast<uint8_t>(value);
    bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void PutU32(uint8_t* bytes, size_t offset, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// Holds the scratch surface's lock and the canvas's two colours for one masked draw.
class TMaskedDrawScope {
public:
    TMaskedDrawScope(TSmileImage& image, TSurface& canvas)
        : image_(image), canvas_(canvas), text_(canvas.TextColor), background_(canvas.BackgroundColor) {
        image_.Lock();
    }
    ~TMaskedDrawScope() {
        canvas_.TextColor = text_;
        canvas_.BackgroundColor = background_;
        image_.Unlock();
    }
    TMaskedDrawScope(const TMaskedDrawScope&) = delete;
    TMaskedDrawScope& operator=(const TMaskedDrawScope&) = delete;

private:
    TSmileImage& image_;
    TSurface& canvas_;
    TColor text_;
    TColor background_;
};

}  // namespace

void TSmileBitmap::FillHeader(TSharedBytes& sharedHeader, int32_t width, int32_t height, int32_t bitCount,
                              int32_t imageSize, int32_t colorsUsed) {
    uint8_t* header = sharedHeader.MutableData();
    std::memset(header, 0, kHeaderSize);
    PutU32(header, 0, kHeaderSize);                       // header size
    PutU32(header, 4, static_cast<uint32_t>(width));      // width
    PutU32(header, 8, static_cast<uint32_t>(height));     // height, positive: bottom-up
    PutU16(header, 12, 1);                                // planes
    PutU16(header, 14, static_cast<uint32_t>(bitCount));  // bits per pixel
    PutU32(header, 16, 0);                                // uncompressed
    PutU32(header, 20, static_cast<uint32_t>(imageSize));
    // resolutions (24, 28) stay 0
    PutU32(header, 32, static_cast<uint32_t>(colorsUsed));  // colours used
    PutU32(header, 36, static_cast<uint32_t>(colorsUsed));  // colours important
}

void TSmileBitmap::CheckSize() const {
    if (int64_t{Width} * int64_t{Height} > kMaxPixels) throw EAbort(TDecoderMessage::PictureTooLarge);
}

void TSmileBitmap::AllocateMask() {
    MaskStride = ((Width + 7) / 8 + 3) & ~3;
    MaskHeader.assign(kMaskHeaderSize, 0);
    FillHeader(MaskHeader, Width, Height, 1, MaskStride * Height, 2);
    PutU32(MaskHeader.MutableData(), kHeaderSize, 0x000000);      // entry 0: black, opaque
    PutU32(MaskHeader.MutableData(), kHeaderSize + 4, 0xFFFFFF);  // entry 1: white, transparent
    MaskBits.assign(static_cast<size_t>(MaskStride) * static_cast<size_t>(Height), 0);
    maskWidth_ = Width;
    maskHeight_ = Height;
}

void TSmileBitmap::ClearMask() {
    HasMask = false;
    MaskStride = 0;
    MaskHeader.clear();
    MaskBits.clear();
    maskWidth_ = maskHeight_ = 0;
}

void TSmileBitmap::AllocateMaskIfTransparent() {
    if (!Transparent) {
        ClearMask();
        return;
    }
    HasMask = true;
    AllocateMask();
}

TDibBits TSmileBitmap::MaskDib() const {
    if (!HasMask) return TDibBits{};
    return TDibBits::FromHeader(MaskHeader.data(), MaskHeader.size(), MaskBits.data(), MaskBits.size());
}

bool TSmileBitmap::GetMaskBit(int32_t X, int32_t Y) const {
    if (!InMask(X, Y)) return false;
    return (MaskBits[MaskByte(X, Y)] >> (7 - X % 8)) & 1;
}

void TSmileBitmap::SetMaskBit(int32_t X, int32_t Y, bool Transparent) {
    if (!InMask(X, Y)) return;
    const size_t byte = MaskByte(X, Y);
    uint8_t bit = static_cast<uint8_t>(0x80u >> (X % 8));
    // Unchanged: a shared mask stays shared.
    if (((MaskBits[byte] & bit) != 0) == Transparent) return;
    uint8_t* bits = MaskBits.MutableData();
    if (Transparent) {
        bits[byte] |= bit;
    } else {
        bits[byte] &= static_cast<uint8_t>(~bit);
    }
}

bool TSmileBitmap::HitTest(int32_t X, int32_t Y) const {
    return InMask(X, Y) && !GetMaskBit(X, Y);
}

void TSmileBitmap::DrawFrame(const TDibBits& color, const TRect& dest, TSurface& canvas) const {
    if (!Allocated || !color.Valid()) return;
    TRect whole{0, 0, color.Width, color.Height};
    TDibBits mask = MaskDib();
    if (!mask.Valid()) {
        StretchDibBits(canvas, dest, color, whole, TRasterOp::SrcCopy);
        return;
    }
    // Unscaled, the mask and the colours are merged in one pass that needs no scratch (and
    // so no lock); scaling keeps the raster steps.
    if (dest.Width() == color.Width && dest.Height() == color.Height &&
        MaskedDrawDibBits(canvas, dest.Left, dest.Top, color, mask))
        return;
    TSmileImage& image = TSmileImage::Instance();
    TMaskedDrawScope scope(image, canvas);
    image.Prepare(color.Width, color.Height, canvas);
    TSurface& scratch = image.Bitmap();
    // Scratch: the frame's pixels where opaque, black where transparent.
    DrawDibBits(scratch, 0, 0, mask, TRasterOp::SrcCopy);
    DrawDibBits(scratch, 0, 0, color, TRasterOp::SrcErase);
    // Canvas: black where opaque, untouched where transparent; then the scratch xor'ed in.
    canvas.TextColor = kColorBlack;
    canvas.BackgroundColor = kColorWhite;
    StretchDibBits(canvas, dest, mask, whole, TRasterOp::SrcAnd);
    StretchBlt(canvas, dest, scratch, whole, TRasterOp::SrcInvert);
}

}  // namespace faceloom
