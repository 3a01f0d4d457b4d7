#pragma once

#include <string>

#include "pictures/picture_decoder.h"

namespace faceloom {

// A static smile: a Windows bitmap file turned into one frame with delay 100 ms. Pixels of
// the transparent colour (the bottom-left pixel's, white for a 1-bit file) become
// transparent and show the background colour.
class TBmpDecoder : public TPictureDecoder {
public:
    static constexpr int32_t kDelay = 100;

    // Throws EFOpenError when the file cannot be opened.
    explicit TBmpDecoder(const std::string& FileName);

    // Throws EInvalidGraphic (an EAbort) for a file the bitmap reader cannot read.
    void Decode() override;

protected:
    ~TBmpDecoder() override = default;
};

}  // namespace faceloom
