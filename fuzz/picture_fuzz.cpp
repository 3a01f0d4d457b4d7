// Picture conversion on arbitrary bytes: every reader (PNG, JPEG, WebP, GIF, BMP) either
// refuses the bytes with EConvertError or yields a consistent picture within the limits. A
// picture it yields goes on through scaling and the writers, whose output the editor's own
// decoders must read back: GIF with the same frames, BMP with the key colour in its corner,
// PNG pixel for pixel. Anything else (a crash, a sanitizer report, another exception, an
// inconsistent picture) is a finding.
#include <cstdint>
#include <span>

#include "convert/picture_convert.h"
#include "fuzz_support.h"
#include "pictures/base_object.h"
#include "pictures/decoder_errors.h"
#include "pictures/gif_decoder.h"
#include "pictures/memory_stream.h"

namespace {

using namespace faceloom;

void CheckPicture(const TRgbaPicture& picture, const TPictureLimits& limits) {
    FUZZ_CHECK(!picture.Frames.empty() && int64_t(picture.Frames.size()) <= limits.MaxFrames);
    FUZZ_CHECK(picture.Width() > 0 && picture.Height() > 0);
    FUZZ_CHECK(picture.Width() <= limits.MaxSide && picture.Height() <= limits.MaxSide);
    FUZZ_CHECK(int64_t(picture.Width()) * picture.Height() * int64_t(picture.Frames.size()) <=
               limits.MaxPixels);
    for (const TRgbaFrame& frame : picture.Frames) {
        FUZZ_CHECK(frame.Width == picture.Width() && frame.Height == picture.Height());
        FUZZ_CHECK(frame.Pixels.size() == size_t(frame.Width) * frame.Height);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Small limits keep each run short; a larger claim is refused before anything is read.
    TPictureLimits limits;
    limits.MaxSide = 1024;
    limits.MaxPixels = 1 << 20;
    limits.MaxFrames = 64;
    TRgbaPicture picture;
    try {
        picture = DecodePicture(std::span<const uint8_t>(data, size), limits);
    } catch (const EConvertError& error) {
        FUZZ_CHECK(error.Kind == TImportNoteKind::NotAPicture ||
                   error.Kind == TImportNoteKind::DamagedPicture ||
                   error.Kind == TImportNoteKind::PictureTooLarge);
        return 0;
    }
    CheckPicture(picture, limits);

    FitWithin(picture, 24, 24);
    CheckPicture(picture, limits);
    FUZZ_CHECK(picture.Width() <= 24 && picture.Height() <= 24);

    const std::vector<uint8_t> gif = EncodeGif(picture);
    TMemoryStream stream(gif.data(), gif.size());
    TRef<TGifDecoder> shown(new TGifDecoder(stream));
    shown->WantSmileBitmaps = true;
    shown->WantTransparent = true;
    shown->Decode();  // an EAbort here is a finding: the writer made a GIF the editor cannot read
    FUZZ_CHECK(shown->Frames.size() == picture.Frames.size());
    FUZZ_CHECK(shown->Width == picture.Width() && shown->Height == picture.Height());

    uint32_t key = 0;
    FUZZ_CHECK(BmpKeyColor(EncodeBmp(picture, 0xFF00FF), key) && key == 0xFF00FF);

    const TRgbaPicture png = DecodePicture(EncodePng(picture.Frames[0]));
    FUZZ_CHECK(png.Frames.size() == 1 && png.Frames[0].Pixels == picture.Frames[0].Pixels);
    return 0;
}
