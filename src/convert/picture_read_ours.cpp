#include <algorithm>
#include <cstdlib>
#include <string>

#include "convert/picture_readers.h"
#include "pictures/base_object.h"
#include "pictures/bmp_decoder.h"
#include "pictures/bmp_reader.h"
#include "pictures/decoder_errors.h"
#include "pictures/gif_decoder.h"
#include "pictures/memory_stream.h"
#include "pictures/smile_bitmap32.h"
#include "pictures/smile_bitmap8.h"
#include "platform/byte_cursor.h"

namespace faceloom::picture_detail {

namespace {

// A frame of the editor's own as RGBA: transparent where its mask says so.
void CopyFrame(const TFrameObject* source, TRgbaFrame& frame) {
    if (const auto* f8 = dynamic_cast<const TSmileBitmap8*>(source)) {
        for (int32_t y = 0; y < frame.Height; ++y) {
            for (int32_t x = 0; x < frame.Width; ++x) {
                if (f8->HasMask && f8->GetMaskBit(x, y)) continue;  // stays transparent
                frame.Pixels[size_t(y) * frame.Width + x] =
                    0xFF000000u | f8->GetPaletteEntry(f8->GetPixel(x, y));
            }
        }
        return;
    }
    const auto* f32 = dynamic_cast<const TSmileBitmap32*>(source);
    // The decoder makes own frames only when asked for them, as it is here.
    if (f32 == nullptr) ThrowDamaged("unexpected frame kind");
    for (int32_t y = 0; y < frame.Height; ++y) {
        for (int32_t x = 0; x < frame.Width; ++x) {
            if (f32->HasMask && f32->GetMaskBit(x, y)) continue;
            frame.Pixels[size_t(y) * frame.Width + x] = 0xFF000000u | f32->GetPixel(x, y);
        }
    }
}

}  // namespace

TRgbaPicture ReadGif(std::span<const uint8_t> bytes, const TPictureLimits& limits) {
    // The logical screen first: a huge one is refused as too large, not as damaged.
    TByteCursor header(bytes.data(), bytes.size());
    uint16_t screenWidth = 0, screenHeight = 0;
    if (!header.Skip(6) || !header.ReadU16(screenWidth) || !header.ReadU16(screenHeight)) {
        ThrowDamaged("the file ends too early");
    }
    CheckPictureLimits(screenWidth, screenHeight, 1, limits);

    TMemoryStream stream(bytes.data(), bytes.size());
    TRef<TGifDecoder> gif(new TGifDecoder(stream));
    gif->WantSmileBitmaps = true;
    gif->WantTransparent = true;
    // Its frames (a byte or four a pixel, and masks) and two canvases stay within what the
    // limits let the result hold.
    const uint64_t screen = uint64_t(screenWidth) * screenHeight;
    gif->MaxFrameBytes =
        std::min<uint64_t>(gif->MaxFrameBytes, uint64_t(limits.MaxPixels) * 5 + screen * 6 + 65536);
    try {
        gif->Decode();
    } catch (const EAbort& error) {
        ThrowDamaged(error.what(), DecoderMessageTextId(error));
    }
    const int64_t frames = static_cast<int64_t>(gif->Frames.size());
    if (frames == 0) ThrowDamaged("no image in the file");
    CheckPictureLimits(gif->Width, gif->Height, frames, limits);

    TRgbaPicture picture;
    picture.Frames.reserve(static_cast<size_t>(frames));
    for (int64_t i = 0; i < frames; ++i) {
        picture.Frames.push_back(MakeFrame(gif->Width, gif->Height, gif->GetDelay(static_cast<int32_t>(i))));
        CopyFrame(gif->Frames[static_cast<size_t>(i)].get(), picture.Frames.back());
    }
    return picture;
}

TRgbaPicture ReadBmp(std::span<const uint8_t> bytes, const TPictureLimits& limits) {
    // The size the info header claims (a core header holds 16-bit sizes), so that a huge one
    // is refused as too large; the reader checks everything else.
    TByteCursor header(bytes.data(), bytes.size());
    uint32_t headerSize = 0;
    if (header.Skip(14) && header.ReadU32(headerSize)) {
        int64_t width = 0, height = 0;
        bool known = false;
        if (headerSize == 12) {
            uint16_t w = 0, h = 0;
            known = header.ReadU16(w) && header.ReadU16(h);
            width = w;
            height = h;
        } else {
            uint32_t w = 0, h = 0;
            known = header.ReadU32(w) && header.ReadU32(h);
            width = std::llabs(int64_t(int32_t(w)));
            height = std::llabs(int64_t(int32_t(h)));  // negative: rows top-down
        }
        if (known && width > 0 && height > 0) CheckPictureLimits(width, height, 1, limits);
    }

    TBmpImage image;
    try {
        const uint64_t maxBytes =
            std::min<uint64_t>(TBmpReader::kMaxPixelBytes, uint64_t(limits.MaxPixels) * 4);
        image = TBmpReader(maxBytes).Read(bytes.data(), bytes.size());
    } catch (const EAbort& error) {
        ThrowDamaged(error.what(), DecoderMessageTextId(error));
    }
    CheckPictureLimits(image.Width, image.Height, 1, limits);

    // The editor's rule: the bottom-left pixel's colour (white in a two-colour file) is
    // transparent wherever it is.
    const uint32_t key = image.BitsPerPixel == 1 ? 0xFFFFFFu : image.PixelAt(0, image.Height - 1);
    TRgbaPicture picture;
    picture.Frames.push_back(MakeFrame(image.Width, image.Height, TBmpDecoder::kDelay));
    uint32_t* out = picture.Frames[0].Pixels.data();
    for (size_t i = 0, n = image.Pixels.size(); i < n; ++i) {
        const uint32_t rgb = image.Pixels[i] & 0xFFFFFFu;
        out[i] = rgb == key ? 0u : 0xFF000000u | rgb;
    }
    return picture;
}

}  // namespace faceloom::picture_detail
