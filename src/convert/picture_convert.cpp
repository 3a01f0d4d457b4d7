#include "convert/picture_convert.h"

#include <string>

#include "convert/picture_readers.h"
#include "pictures/bmp_reader.h"
#include "pictures/decoder_errors.h"

namespace faceloom {

using picture_detail::SizeText;

TRgbaPicture DecodePicture(std::span<const uint8_t> bytes, const TPictureLimits& limits) {
    switch (SniffPictureFormat(bytes)) {
        case TPictureFormat::Png:
            return picture_detail::ReadPng(bytes, limits);
        case TPictureFormat::Jpeg:
            return picture_detail::ReadJpeg(bytes, limits);
        case TPictureFormat::Webp:
            return picture_detail::ReadWebp(bytes, limits);
        case TPictureFormat::Gif:
            return picture_detail::ReadGif(bytes, limits);
        case TPictureFormat::Bmp:
            return picture_detail::ReadBmp(bytes, limits);
        case TPictureFormat::Unknown:
            break;
    }
    throw EConvertError(TImportNoteKind::NotAPicture, "not a picture format we read");
}

TConvertedPicture ConvertForPack(std::span<const uint8_t> bytes, const std::string& fileName,
                                 const TConvertOptions& options, TImportNotes& notes) {
    const bool staticPack = options.PackKind == 0;
    const TPictureFormat packFormat = staticPack ? TPictureFormat::Bmp : TPictureFormat::Gif;
    TConvertedPicture converted;
    converted.SourceFormat = SniffPictureFormat(bytes);
    // Decoded in every case: a file of the pack's format is kept only when its decoder reads it.
    TRgbaPicture picture = DecodePicture(bytes, options.Limits);
    const int32_t width = picture.Width(), height = picture.Height();
    converted.Width = width;
    converted.Height = height;
    const bool fits = width <= std::max(options.MaxWidth, 1) && height <= std::max(options.MaxHeight, 1);
    if (converted.SourceFormat == packFormat && fits) {
        converted.Bytes.assign(bytes.begin(), bytes.end());
        return converted;
    }

    if (FitWithin(picture, options.MaxWidth, options.MaxHeight)) {
        AddNote(notes, TImportNoteKind::Scaled,
                {fileName, SizeText(width, height), SizeText(picture.Width(), picture.Height())});
    }
    converted.Converted = true;
    converted.Width = picture.Width();
    converted.Height = picture.Height();
    if (!staticPack) {
        converted.Bytes = EncodeGif(picture);
        return converted;
    }

    if (picture.Frames.size() > 1) {
        AddNote(notes, TImportNoteKind::FramesDropped, {fileName, std::to_string(picture.Frames.size())});
    }
    // The bottom-left pixel is always transparent in a static pack. When it is opaque and the
    // picture has transparent pixels, the writer gives up that one pixel to keep the rest of
    // the transparency; the user is told. A picture without transparency loses nothing it
    // showed before but that corner, as every static smile does.
    const TRgbaFrame& first = picture.Frames[0];
    const auto transparent = [](uint32_t pixel) { return (pixel >> 24) < 128; };
    if (!transparent(first.At(0, first.Height - 1))) {
        for (const uint32_t pixel : first.Pixels) {
            if (transparent(pixel)) {
                AddNote(notes, TImportNoteKind::TransparencyLost, {fileName});
                break;
            }
        }
    }
    converted.Bytes = EncodeBmp(picture, options.KeyColor);
    return converted;
}

bool BmpKeyColor(std::span<const uint8_t> bmp, uint32_t& keyColor) {
    try {
        const TBmpImage image = TBmpReader().Read(bmp.data(), bmp.size());
        if (image.Width <= 0 || image.Height <= 0) return false;
        keyColor = image.BitsPerPixel == 1 ? 0xFFFFFFu : image.PixelAt(0, image.Height - 1) & 0xFFFFFFu;
        return true;
    } catch (const EAbort&) {
        return false;
    }
}

}  // namespace faceloom
