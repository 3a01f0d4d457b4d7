#include "support/bench_smile.h"

#include <algorithm>
#include <cmath>

namespace faceloom {

test::GifPicture MakeBenchSmile(std::mt19937& random) {
    auto between = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    test::GifPicture picture;
    const int size = between(19, 60);
    const int frames = between(2, 40);
    picture.width = static_cast<uint16_t>(size);
    picture.height = static_cast<uint16_t>(between(19, 60));
    picture.loop = true;
    picture.globalColors = {{255, 255, 255},
                            {uint8_t(between(0, 255)), uint8_t(between(0, 255)), uint8_t(between(0, 255))},
                            {20, 20, 20},
                            {0, 0, 0}};
    const double cx = picture.width / 2.0;
    const double cy = picture.height / 2.0;
    const double radius = std::min(cx, cy) - 1;
    for (int f = 0; f < frames; ++f) {
        test::GifImage image;
        image.width = picture.width;
        image.height = picture.height;
        image.delay = static_cast<uint16_t>(between(2, 20));  // hundredths
        image.transparent = 0;
        image.disposal = 1;
        image.pixels.resize(size_t(image.width) * image.height);
        const double angle = 2 * M_PI * f / frames;
        const double sx = cx + radius * 0.55 * std::cos(angle);
        const double sy = cy + radius * 0.55 * std::sin(angle);
        for (int y = 0; y < image.height; ++y) {
            for (int x = 0; x < image.width; ++x) {
                const double dx = x + 0.5 - cx;
                const double dy = y + 0.5 - cy;
                uint8_t index = 0;
                if (dx * dx + dy * dy <= radius * radius) index = 1;
                if (std::hypot(x + 0.5 - sx, y + 0.5 - sy) <= radius * 0.3) index = 2;
                image.pixels[size_t(y) * image.width + x] = index;
            }
        }
        picture.images.push_back(std::move(image));
    }
    return picture;
}

}  // namespace faceloom
