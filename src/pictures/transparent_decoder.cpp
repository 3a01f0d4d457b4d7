#include "pictures/transparent_decoder.h"

#include <memory>

#include "pictures/smile_bitmap32.h"
#include "pictures/smile_bitmap8.h"
#include "pictures/transparent_smile.h"

namespace faceloom {

TTransparentDecoder::TTransparentDecoder(TPictureDecoder* Source, bool Shadow)
    : Shadow(Shadow), Source(Source) {
    WantTransparent = false;
    WantSmileBitmaps = true;
}

void TTransparentDecoder::Decode() {
    // The wanted settings are not made effective: SmileBitmaps and Transparent stay false.
    Frames.clear();
    Delays.clear();
    if (Source == nullptr) return;
    SourceWidth = Source->Width;
    SourceHeight = Source->Height;
    Width = SourceWidth + (Shadow ? ShadowX : 0);
    Height = SourceHeight + (Shadow ? ShadowY : 0);
    BackgroundColor = Source->BackgroundColor;
    int32_t count = Source->GetFrameCount();
    for (int32_t i = 0; i < count; ++i) {
        auto frame = std::make_unique<TTransparentSmile>();
        frame->ShadowX = ShadowX;
        frame->ShadowY = ShadowY;
        // A source whose frames are platform bitmaps (or missing) gives an empty frame, so the
        // frame count and delays still match the source.
        TSmileBitmap* sourceFrame = Source->GetSmileBitmap(i);
        if (auto* bitmap32 = dynamic_cast<TSmileBitmap32*>(sourceFrame)) {
            frame->ConvertFrom(*bitmap32, Shadow);
        } else if (auto* bitmap8 = dynamic_cast<TSmileBitmap8*>(sourceFrame)) {
            frame->ConvertFrom(*bitmap8, Shadow);
        }
        Frames.push_back(std::move(frame));
        Delays.push_back(Source->GetDelay(i));
    }
}

TPoint TTransparentDecoder::WindowOrigin(int32_t cursorX, int32_t cursorY) const {
    return TPoint{cursorX - SourceWidth / 2, cursorY - SourceHeight / 2};
}

}  // namespace faceloom
