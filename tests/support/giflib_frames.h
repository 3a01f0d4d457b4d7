#pragma once

// giflib as an outside oracle for the GIF decoder: giflib reads the file (DGifSlurp) and a
// plain composition honours the disposal methods and transparency; our decoder's frames are
// then compared with it pixel by pixel. Header-only, because only the programs that link
// giflib (test_pictures, bench_gif) include it.

#include <gif_lib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "pictures/picture_decoder.h"
#include "pictures/smile_bitmap32.h"
#include "pictures/smile_bitmap8.h"
#include "platform/bitmap.h"

namespace faceloom::test {

// Every frame of a picture as words: 0 where transparent, else 0xFF000000 | 0x00RRGGBB.
struct GiflibFrames {
    int width = 0;
    int height = 0;
    std::vector<std::vector<uint32_t>> frames;
};

namespace giflib_detail {

struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t position;
};

inline int Read(GifFileType* file, GifByteType* buffer, int count) {
    auto* reader = static_cast<MemoryReader*>(file->UserData);
    const size_t n = std::min(size_t(count), reader->size - reader->position);
    std::memcpy(buffer, reader->data + reader->position, n);
    reader->position += n;
    return int(n);
}

}  // namespace giflib_detail

// Decodes and composes with giflib; false when giflib refuses the file. The canvas starts
// transparent; disposal 2 clears the image's rectangle to transparent, disposal 3 restores
// what was there before the image; pixels past the screen are dropped.
inline bool DecodeWithGiflib(std::string_view bytes, GiflibFrames& out) {
    giflib_detail::MemoryReader reader{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 0};
    int error = 0;
    GifFileType* file = DGifOpen(&reader, giflib_detail::Read, &error);
    if (file == nullptr) return false;
    if (DGifSlurp(file) != GIF_OK) {
        DGifCloseFile(file, &error);
        return false;
    }
    const int width = file->SWidth, height = file->SHeight;
    out.width = width;
    out.height = height;
    out.frames.clear();
    out.frames.reserve(size_t(file->ImageCount));
    std::vector<uint32_t> canvas(size_t(width) * height, 0);
    std::vector<uint32_t> saved;
    for (int i = 0; i < file->ImageCount; ++i) {
        const SavedImage& image = file->SavedImages[i];
        GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
        DGifSavedExtensionToGCB(file, i, &control);
        const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : file->SColorMap;
        uint32_t colors[256] = {};
        for (int c = 0; map != nullptr && c < map->ColorCount && c < 256; ++c) {
            const GifColorType& rgb = map->Colors[c];
            colors[c] = 0xFF000000u | (uint32_t(rgb.Red) << 16) | (uint32_t(rgb.Green) << 8) | rgb.Blue;
        }
        if (control.DisposalMode == DISPOSE_PREVIOUS) saved = canvas;
        const GifImageDesc& desc = image.ImageDesc;
        for (int y = 0; y < desc.Height && desc.Top + y < height; ++y) {
            const GifByteType* row = image.RasterBits + size_t(y) * desc.Width;
            uint32_t* target = canvas.data() + size_t(desc.Top + y) * width;
            for (int x = 0; x < desc.Width && desc.Left + x < width; ++x) {
                if (row[x] == control.TransparentColor) continue;
                target[desc.Left + x] = colors[row[x]];
            }
        }
        out.frames.push_back(canvas);
        if (control.DisposalMode == DISPOSE_BACKGROUND) {
            for (int y = desc.Top; y < std::min(height, desc.Top + desc.Height); ++y) {
                for (int x = desc.Left; x < std::min(width, desc.Left + desc.Width); ++x)
                    canvas[size_t(y) * width + x] = 0;
            }
        } else if (control.DisposalMode == DISPOSE_PREVIOUS) {
            canvas = saved;
        }
    }
    DGifCloseFile(file, &error);
    return true;
}

// Pixel (x, y) of one of our frames in the words above. Masked frames give 0 where the mask
// hides the pixel; unmasked ones show what they hold there (the background colour).
inline uint32_t FramePixel(const TFrameObject* frame, int x, int y) {
    if (auto* f8 = dynamic_cast<const TSmileBitmap8*>(frame)) {
        if (f8->HasMask && f8->GetMaskBit(x, y)) return 0;
        return 0xFF000000u | f8->GetPaletteEntry(f8->GetPixel(x, y));
    }
    if (auto* f32 = dynamic_cast<const TSmileBitmap32*>(frame)) {
        if (f32->HasMask && f32->GetMaskBit(x, y)) return 0;
        return 0xFF000000u | f32->GetPixel(x, y);
    }
    if (auto* bitmap = dynamic_cast<const TBitmap*>(frame)) {
        if (bitmap->Transparent && bitmap->Mask && (bitmap->Mask->GetPixel(x, y) & 0xFFFFFF) == 0xFFFFFF)
            return 0;
        return 0xFF000000u | (bitmap->Canvas.GetPixel(x, y) & 0xFFFFFF);
    }
    return 0x12345678;  // no frame: matches nothing giflib gives
}

// "" when our picture has giflib's frames, else where it first differs. `background`: what
// an unmasked frame shows where giflib's is transparent (0: the frames are masked).
inline std::string DifferenceFromGiflib(const TPictureDecoder& ours, const GiflibFrames& reference,
                                        uint32_t background = 0) {
    if (ours.Frames.size() != reference.frames.size()) {
        return std::to_string(ours.Frames.size()) + " frames, giflib " +
               std::to_string(reference.frames.size());
    }
    if (ours.Width != reference.width || ours.Height != reference.height) return "screen size differs";
    for (size_t f = 0; f < reference.frames.size(); ++f) {
        for (int y = 0; y < reference.height; ++y) {
            for (int x = 0; x < reference.width; ++x) {
                uint32_t expected = reference.frames[f][size_t(y) * reference.width + x];
                if (expected == 0) expected = background;
                const uint32_t actual = FramePixel(ours.Frames[f].get(), x, y);
                if (actual != expected) {
                    char text[96];
                    std::snprintf(text, sizeof text, "frame %zu at (%d, %d): %08X, giflib %08X", f, x, y,
                                  unsigned(actual), unsigned(expected));
                    return text;
                }
            }
        }
    }
    return "";
}

}  // namespace faceloom::test
