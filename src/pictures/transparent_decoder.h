#pragma once

#include <cstdint>

#include "pictures/picture_decoder.h"
#include "platform/geometry.h"

namespace faceloom {

// The floating image shown while a smile is dragged: every frame of Source converted to a
// premultiplied-alpha image (TTransparentSmile), with a drop shadow when Shadow.
class TTransparentDecoder : public TPictureDecoder {
public:
    // Holds no reference on Source: it must stay alive until Decode has returned.
    TTransparentDecoder(TPictureDecoder* Source, bool Shadow);

    void Decode() override;

    // Top-left corner of the drag window for the cursor at (cursorX, cursorY): the smile
    // itself, without its shadow, is centred on the cursor (halves truncate toward zero).
    TPoint WindowOrigin(int32_t cursorX, int32_t cursorY) const;

    bool Shadow = false;
    TPictureDecoder* Source = nullptr;
    int32_t SourceWidth = 0;
    int32_t SourceHeight = 0;
    int32_t ShadowX = 0;
    int32_t ShadowY = 0;

protected:
    ~TTransparentDecoder() override = default;
};

}  // namespace faceloom
