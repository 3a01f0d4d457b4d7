#pragma once

// Helpers shared by the GIF decoder tests: decoding from bytes in memory, and frames turned
// into text (one character per pixel) so that expected pictures can be written out.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "pictures/base_object.h"
#include "pictures/decoder_errors.h"
#include "pictures/gif_decoder.h"
#include "pictures/memory_stream.h"
#include "pictures/smile_bitmap32.h"
#include "pictures/smile_bitmap8.h"
#include "platform/bitmap.h"
#include "support/gif_writer.h"

namespace faceloom::test {

// The output variants: own frames with masks (what every caller asks for), own frames
// without masks, platform bitmaps with masks, platform bitmaps.
enum class GifVariant { SmileBitmaps, SmileBitmapsUnmasked, PlatformMasked, Platform };

inline const char* VariantName(GifVariant variant) {
    switch (variant) {
        case GifVariant::SmileBitmaps:
            return "own frames";
        case GifVariant::SmileBitmapsUnmasked:
            return "own frames without masks";
        case GifVariant::PlatformMasked:
            return "platform bitmaps with masks";
        case GifVariant::Platform:
            return "platform bitmaps";
    }
    return "?";
}

inline bool Masked(GifVariant variant) {
    return variant == GifVariant::SmileBitmaps || variant == GifVariant::PlatformMasked;
}

inline const GifVariant kAllVariants[] = {GifVariant::SmileBitmaps, GifVariant::SmileBitmapsUnmasked,
                                          GifVariant::PlatformMasked, GifVariant::Platform};

// Decodes bytes; the picture is held by the returned reference. Decoding errors propagate.
inline TRef<TGifDecoder> DecodeGif(const std::string& bytes, GifVariant variant = GifVariant::SmileBitmaps,
                                   TColor background = kColorWhite) {
    TMemoryStream stream(bytes.data(), bytes.size());
    TRef<TGifDecoder> picture(new TGifDecoder(stream));
    picture->WantSmileBitmaps =
        variant == GifVariant::SmileBitmaps || variant == GifVariant::SmileBitmapsUnmasked;
    picture->WantTransparent = Masked(variant);
    picture->WantBackgroundColor = background;
    picture->Decode();
    return picture;
}

// The message Decode fails with, or "" when it succeeds.
inline std::string DecodeFailure(const std::string& bytes, GifVariant variant = GifVariant::SmileBitmaps) {
    try {
        DecodeGif(bytes, variant);
    } catch (const EAbort& error) {
        return error.what();
    }
    return "";
}

// The test palette and the characters that stand for its colours (0x00RRGGBB).
inline const std::vector<GifRgb>& TestColors() {
    static const std::vector<GifRgb> colors = {
        {0, 0, 0},       // 0 K black
        {255, 0, 0},     // 1 R red
        {0, 255, 0},     // 2 G green
        {0, 0, 255},     // 3 B blue
        {255, 255, 0},   // 4 Y yellow
        {0, 255, 255},   // 5 C cyan
        {255, 0, 255},   // 6 M magenta
        {128, 128, 128}  // 7 g grey
    };
    return colors;
}

inline std::map<uint32_t, char> TestLegend() {
    return {{0x000000, 'K'}, {0xFF0000, 'R'}, {0x00FF00, 'G'}, {0x0000FF, 'B'}, {0xFFFF00, 'Y'},
            {0x00FFFF, 'C'}, {0xFF00FF, 'M'}, {0x808080, 'g'}, {0xFFFFFF, 'W'}};
}

// The frame as text: rows top-down separated by '|', '.' for a transparent pixel, else the
// legend's character for the pixel's 0x00RRGGBB colour ('?' when it has none).
inline std::string Appearance(const TFrameObject* frame,
                              const std::map<uint32_t, char>& legend = TestLegend()) {
    auto name = [&](uint32_t rgb) {
        auto found = legend.find(rgb & 0xFFFFFF);
        return found == legend.end() ? '?' : found->second;
    };
    std::string text;
    if (auto* f8 = dynamic_cast<const TSmileBitmap8*>(frame)) {
        for (int32_t y = 0; y < f8->Height; ++y) {
            if (y > 0) text += '|';
            for (int32_t x = 0; x < f8->Width; ++x) {
                text += f8->GetMaskBit(x, y) ? '.' : name(f8->GetPaletteEntry(f8->GetPixel(x, y)));
            }
        }
    } else if (auto* f32 = dynamic_cast<const TSmileBitmap32*>(frame)) {
        for (int32_t y = 0; y < f32->Height; ++y) {
            if (y > 0) text += '|';
            for (int32_t x = 0; x < f32->Width; ++x) {
                text += f32->GetMaskBit(x, y) ? '.' : name(f32->GetPixel(x, y));
            }
        }
    } else if (auto* bitmap = dynamic_cast<const TBitmap*>(frame)) {
        for (int32_t y = 0; y < bitmap->Height(); ++y) {
            if (y > 0) text += '|';
            for (int32_t x = 0; x < bitmap->Width(); ++x) {
                const bool hidden = bitmap->Transparent && bitmap->Mask &&
                                    (bitmap->Mask->GetPixel(x, y) & 0xFFFFFF) == 0xFFFFFF;
                text += hidden ? '.' : name(bitmap->Canvas.GetPixel(x, y));
            }
        }
    } else {
        text = "<no frame>";
    }
    return text;
}

// Every frame's appearance, in order.
inline std::vector<std::string> Appearances(const TPictureDecoder& picture,
                                            const std::map<uint32_t, char>& legend = TestLegend()) {
    std::vector<std::string> all;
    for (const auto& frame : picture.Frames) all.push_back(Appearance(frame.get(), legend));
    return all;
}

// What an expected masked appearance looks like without masks: transparent pixels show the
// background colour (white, 'W').
inline std::string Unmasked(std::string appearance, char background = 'W') {
    for (char& c : appearance) {
        if (c == '.') c = background;
    }
    return appearance;
}

// Pixels of a w x h image from text rows joined by '|' in the TestColors letters
// (K R G B Y C M g = indices 0..7; digits stand for themselves).
inline std::vector<uint8_t> Indices(const std::string& rows) {
    std::vector<uint8_t> out;
    for (char c : rows) {
        switch (c) {
            case '|':
                break;
            case 'K':
                out.push_back(0);
                break;
            case 'R':
                out.push_back(1);
                break;
            case 'G':
                out.push_back(2);
                break;
            case 'B':
                out.push_back(3);
                break;
            case 'Y':
                out.push_back(4);
                break;
            case 'C':
                out.push_back(5);
                break;
            case 'M':
                out.push_back(6);
                break;
            case 'g':
                out.push_back(7);
                break;
            default:
                out.push_back(uint8_t(c - '0'));
                break;
        }
    }
    return out;
}

// An image covering (left, top, width, height) with the given pixel rows.
inline GifImage Image(uint16_t left, uint16_t top, uint16_t width, uint16_t height, const std::string& rows) {
    GifImage image;
    image.left = left;
    image.top = top;
    image.width = width;
    image.height = height;
    image.pixels = Indices(rows);
    return image;
}

}  // namespace faceloom::test
