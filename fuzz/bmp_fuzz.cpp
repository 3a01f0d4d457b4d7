// Fuzz target of the bitmap reader and decoder: any bytes must either decode or fail with
// EInvalidGraphic, never crash, hang or read outside the input. A file the reader accepts is
// also decoded into each kind of picture, drawn and converted, with the results checked
// against the reader's size.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_support.h"
#include "pictures/bmp_decoder.h"
#include "pictures/bmp_reader.h"
#include "pictures/decoder_errors.h"
#include "pictures/smile_bitmap32.h"
#include "pictures/transparent_smile.h"

namespace {

using namespace faceloom;

// The decoder reads files only: the input goes to a scratch file in a private folder.
const std::string& ScratchFile() {
    static const fuzz::TFuzzFolder folder("bmp-fuzz");
    static const std::string file = folder.Path() + "input.bmp";
    return file;
}

void DecodeAsPicture(const uint8_t* data, size_t size, const TBmpImage& image) {
    std::FILE* out = std::fopen(ScratchFile().c_str(), "wb");
    if (!out) return;
    bool written = std::fwrite(data, 1, size, out) == size;
    std::fclose(out);
    if (!written) return;
    for (int variant = 0; variant < 3; ++variant) {
        TRef<TBmpDecoder> picture(new TBmpDecoder(ScratchFile()));
        picture->WantSmileBitmaps = variant == 0;
        picture->WantTransparent = variant != 2;
        picture->Decode();  // the reader took it, so the decoder must too
        FUZZ_CHECK(picture->Width == image.Width && picture->Height == image.Height);
        FUZZ_CHECK(picture->GetFrameCount() == 1 && picture->GetDelay(0) == 100);
        if (variant != 0) {
            TBitmap* bitmap = picture->GetBitmap(0);
            FUZZ_CHECK(bitmap && bitmap->Width() == image.Width && bitmap->Height() == image.Height);
            continue;
        }
        auto* frame = dynamic_cast<TSmileBitmap32*>(picture->GetSmileBitmap(0));
        FUZZ_CHECK(frame && frame->HasMask && frame->Width == image.Width);
        // The bottom-left pixel is transparent by definition (white in a 1-bit picture).
        if (image.BitsPerPixel != 1) FUZZ_CHECK(!frame->HitTest(0, image.Height - 1));
        TSurface canvas(40, 40);
        frame->Draw(-3, -3, canvas);
        frame->StretchDraw(TRect{5, 5, 30, 17}, canvas);
        if (static_cast<int64_t>(image.Width) * image.Height <= 4096) {
            TTransparentSmile smile;
            smile.ShadowX = 5;
            smile.ShadowY = 5;
            smile.ConvertFrom(*frame, true);
            FUZZ_CHECK(smile.Width == image.Width + 5 && smile.Height == image.Height + 5);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TBmpImage image;
    try {
        // A small limit keeps each run fast: run-length data can ask for a large picture in a
        // few bytes.
        image = TBmpReader(1u << 20).Read(data, size);
    } catch (const EInvalidGraphic&) {
        return 0;
    }
    FUZZ_CHECK(image.Width > 0 && image.Height > 0);
    FUZZ_CHECK(image.Pixels.size() == static_cast<size_t>(image.Width) * static_cast<size_t>(image.Height));
    DecodeAsPicture(data, size, image);
    return 0;
}
