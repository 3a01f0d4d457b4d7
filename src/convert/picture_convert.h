#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "convert/import_note.h"
#include "convert/raster.h"

namespace faceloom {

enum class TPictureFormat : uint8_t { Unknown, Png, Jpeg, Webp, Gif, Bmp };

// By the first bytes, never by the name.
TPictureFormat SniffPictureFormat(std::span<const uint8_t> bytes);
// By the name's extension (case-insensitive): .png .jpg .jpeg .webp .gif .bmp.
bool HasPictureExtension(std::string_view fileName);
const char* PictureFormatName(TPictureFormat format);  // "PNG", "JPEG", ...

// A picture that cannot be read: its kind says which note it becomes, and what() is that
// note's %2 (the reader's reason for DamagedPicture, the size such as "9000x10" or "1200
// frames" for PictureTooLarge). The encoders throw it (DamagedPicture) should a library fail;
// they throw std::invalid_argument for a picture without frames or with frames of unequal
// sizes, which no reader produces.
class EConvertError : public std::runtime_error {
public:
    EConvertError(TImportNoteKind kind, const std::string& message, int reasonText = 0)
        : std::runtime_error(message), Kind(kind), ReasonText(reasonText) {}
    TImportNoteKind Kind;  // NotAPicture, DamagedPicture or PictureTooLarge
    int ReasonText;        // the language's text for the reason (a decoder's), 0: what() only
};

// What a reader accepts before it allocates anything.
struct TPictureLimits {
    int32_t MaxSide = 8192;                  // width or height of the canvas
    int64_t MaxPixels = 64ll * 1024 * 1024;  // summed over all frames
    int32_t MaxFrames = 1000;
};

// Reads PNG, JPEG, WebP (also animated), GIF (also animated) and BMP into whole RGBA frames.
// GIF and BMP are read as the editor shows them (its own decoders: a BMP's bottom-left colour
// is transparent). Throws EConvertError for anything it cannot read; never crashes.
TRgbaPicture DecodePicture(std::span<const uint8_t> bytes, const TPictureLimits& limits = {});

// Scales every frame down, keeping the aspect, so that it fits maxWidth x maxHeight; true when
// it scaled. Pictures that already fit are left alone.
bool FitWithin(TRgbaPicture& picture, int32_t maxWidth, int32_t maxHeight);

// A GIF89a that loops forever: one palette per frame by a quantiser with dithering, pixels
// with alpha below 128 are the transparent key index, delays kept (in hundredths, at least 1).
std::vector<uint8_t> EncodeGif(const TRgbaPicture& picture);
// A 24-bit BMP of the first frame on keyColor (0xRRGGBB): transparent pixels take the key
// colour, opaque pixels of exactly the key colour are nudged off it, so that the bottom-left
// rule gives back the picture's transparency.
std::vector<uint8_t> EncodeBmp(const TRgbaPicture& picture, uint32_t keyColor);
// A PNG with alpha of one frame (themes of other messengers take PNG for still pictures).
std::vector<uint8_t> EncodePng(const TRgbaFrame& frame);

// How a picture becomes one of a pack.
struct TConvertOptions {
    uint8_t PackKind = 1;    // 0 static (BMP), 1 animated (GIF)
    int32_t MaxWidth = 256;  // larger pictures are scaled down
    int32_t MaxHeight = 256;
    uint32_t KeyColor = 0xFF00FF;  // a static pack's transparent colour (0xRRGGBB)
    TPictureLimits Limits;
};

struct TConvertedPicture {
    std::vector<uint8_t> Bytes;  // in the pack's format
    TPictureFormat SourceFormat = TPictureFormat::Unknown;
    bool Converted = false;  // false: Bytes are the source's own, unchanged
    int32_t Width = 0, Height = 0;
};

// A picture already in the pack's format, that its decoder reads and that fits the size, keeps
// its bytes; any other is decoded, scaled down if needed and encoded in the pack's format.
// What was changed or lost is added to notes, naming fileName. Throws EConvertError.
TConvertedPicture ConvertForPack(std::span<const uint8_t> bytes, const std::string& fileName,
                                 const TConvertOptions& options, TImportNotes& notes);

// The colour a static pack's picture is transparent by: its bottom-left pixel, as the editor
// decodes it (0xRRGGBB); false when the bytes are not a readable BMP.
bool BmpKeyColor(std::span<const uint8_t> bmp, uint32_t& keyColor);

}  // namespace faceloom
