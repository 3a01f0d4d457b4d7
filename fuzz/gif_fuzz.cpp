// The GIF decoder on arbitrary bytes, in every output variant. A decode either fails with the
// decoder's error (EAbort) or yields a consistent picture, whose frames are then drawn onto a
// small surface, plain and stretched. Anything else (a crash, a sanitizer report, another
// exception, an inconsistent picture) is a finding.
#include <cstdint>

#include "fuzz_support.h"
#include "pictures/decoder_errors.h"
#include "pictures/gif_decoder.h"
#include "pictures/memory_stream.h"
#include "pictures/smile_bitmap.h"
#include "platform/bitmap.h"
#include "platform/surface.h"

namespace {

using namespace faceloom;

void DecodeAndDraw(const uint8_t* data, size_t size, bool smileBitmaps, bool transparent) {
    TMemoryStream stream(data, size);
    TRef<TGifDecoder> picture(new TGifDecoder(stream));
    picture->WantSmileBitmaps = smileBitmaps;
    picture->WantTransparent = transparent;
    // Caps the work of one run by frames x screen area (canvases included), so that large
    // screens are fuzzed too without slowing the search down: a 1000 x 1000 screen still
    // decodes a few frames, a 4000 x 4000 one fails before anything is allocated.
    picture->MaxFrameBytes = 16 * 1024 * 1024;
    try {
        picture->Decode();
    } catch (const EAbort&) {
        return;
    }
    FUZZ_CHECK(picture->Frames.size() == picture->Delays.size());
    FUZZ_CHECK(picture->Width > 0 && picture->Height > 0);
    TSurface canvas(24, 24);
    for (int32_t i = 0; i < picture->GetFrameCount(); ++i) {
        FUZZ_CHECK(picture->GetDelay(i) >= 100);
        if (smileBitmaps) {
            TSmileBitmap* frame = picture->GetSmileBitmap(i);
            FUZZ_CHECK(frame != nullptr && frame->Width == picture->Width &&
                       frame->Height == picture->Height);
            FUZZ_CHECK(frame->HasMask == transparent);
            frame->Draw(-3, 5, canvas);
            frame->StretchDraw(TRect{2, 1, 19, 23}, canvas);
            frame->HitTest(picture->Width - 1, 0);
        } else {
            TBitmap* frame = picture->GetBitmap(i);
            FUZZ_CHECK(frame != nullptr && frame->Width() == picture->Width &&
                       frame->Height() == picture->Height);
            FUZZ_CHECK(frame->Transparent == transparent);
            frame->Draw(canvas, -3, 5);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DecodeAndDraw(data, size, true, true);    // what every caller asks for
    DecodeAndDraw(data, size, true, false);   // own frames without masks
    DecodeAndDraw(data, size, false, true);   // platform bitmaps with masks
    DecodeAndDraw(data, size, false, false);  // platform bitmaps
    return 0;
}
