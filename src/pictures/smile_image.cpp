#include "pictures/smile_image.h"

#include <algorithm>

namespace faceloom {

TSmileImage& TSmileImage::Instance() {
    static TSmileImage instance;
    return instance;
}

void TSmileImage::Prepare(int32_t Width, int32_t Height, const TSurface& Canvas) {
    if (HasBitmap && this->Width >= Width && this->Height >= Height) return;
    int32_t width = std::max(Width, this->Width);
    int32_t height = std::max(Height, this->Height);
    if (int64_t{width} * int64_t{height} > kMaxGrownPixels) {
        width = Width;
        height = Height;
    }
    bitmap_ = TSurface(width, height);
    bitmap_.TextColor = kColorBlack;
    bitmap_.BackgroundColor = kColorWhite;
    this->Width = width;
    this->Height = height;
    HasBitmap = true;
    ++BitmapsCreated;
}

}  // namespace faceloom
