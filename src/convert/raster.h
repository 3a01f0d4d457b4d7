#pragma once

#include <cstdint>
#include <vector>

namespace faceloom {

// A picture as every conversion sees it: whole frames already composed on the canvas, top-down
// rows, straight (not premultiplied) alpha, one 0xAARRGGBB value per pixel. All frames of a
// picture have the picture's size.
struct TRgbaFrame {
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<uint32_t> Pixels;  // Width * Height
    int32_t DelayMs = 100;         // how long the frame shows
    uint32_t At(int32_t x, int32_t y) const { return Pixels[static_cast<size_t>(y) * Width + x]; }
};

struct TRgbaPicture {
    std::vector<TRgbaFrame> Frames;
    int32_t Width() const { return Frames.empty() ? 0 : Frames[0].Width; }
    int32_t Height() const { return Frames.empty() ? 0 : Frames[0].Height; }
};

}  // namespace faceloom
