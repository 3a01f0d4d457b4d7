#include "cli/frame_pixels.h"

#include "pictures/smile_bitmap32.h"
#include "pictures/smile_bitmap8.h"

namespace faceloom::cli {

int FrameDepth(const TSmileBitmap& frame) {
    if (dynamic_cast<const TSmileBitmap32*>(&frame) != nullptr) return 32;
    if (dynamic_cast<const TSmileBitmap8*>(&frame) != nullptr) return 8;
    return 0;
}

TRgbaImage FrameToRgba(const TSmileBitmap& frame) {
    TRgbaImage image;
    const auto* frame8 = dynamic_cast<const TSmileBitmap8*>(&frame);
    const auto* frame32 = dynamic_cast<const TSmileBitmap32*>(&frame);
    if ((frame8 == nullptr && frame32 == nullptr) || !frame.Allocated || frame.Width <= 0 ||
        frame.Height <= 0) {
        return image;
    }
    image.Width = frame.Width;
    image.Height = frame.Height;
    image.Pixels.resize(static_cast<size_t>(image.Width) * static_cast<size_t>(image.Height) * 4);
    size_t at = 0;
    for (int32_t y = 0; y < frame.Height; ++y) {
        for (int32_t x = 0; x < frame.Width; ++x) {
            // Both kinds answer 0x00RRGGBB.
            const uint32_t rgb =
                frame8 != nullptr ? frame8->GetPaletteEntry(frame8->GetPixel(x, y)) : frame32->GetPixel(x, y);
            image.Pixels[at++] = static_cast<uint8_t>(rgb >> 16);
            image.Pixels[at++] = static_cast<uint8_t>(rgb >> 8);
            image.Pixels[at++] = static_cast<uint8_t>(rgb);
            image.Pixels[at++] = frame.GetMaskBit(x, y) ? 0 : 255;
        }
    }
    return image;
}

}  // namespace faceloom::cli
