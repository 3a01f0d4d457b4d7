#include "pictures/smile_image.h"

namespace faceloom {

TSmileImage& TSmileImage::Instance() {
    static TSmileImage instance;
    return instance;
}

void TSmileImage::Prepare(int32_t Width, int32_t Height, const TSurface& Canvas) {
    if (HasBitmap && this->Width == Width && this->Height == Height) return;
    // Any other size, smaller or larger, replaces the scratch bitmap.
    bitmap_ = TSurface(Width, Height);
    bitmap_.TextColor = kColorBlack;
    bitmap_.BackgroundColor = kColorWhite;
    this->Width = Width;
    this->Height = Height;
    HasBitmap = true;
    ++BitmapsCreated;
}

}  // namespace faceloom
