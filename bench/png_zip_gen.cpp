// Makes the import benchmark's archive: a zip of N static PNG pictures of the sizes smiles
// have (8 to 100 pixels a side), with soft alpha edges and colour gradients, so that the
// quantiser and the dithering have real work.
//   bench_png_zip_gen OUT.zip N
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <random>
#include <string>

#include "convert/file_set.h"
#include "convert/picture_convert.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_png_zip_gen OUT.zip N\n");
        return 2;
    }
    const int count = std::atoi(argv[2]);
    std::mt19937 random(7);
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    for (int n = 0; n < count; ++n) {
        faceloom::TRgbaFrame frame;
        frame.Width = 8 + static_cast<int>(random() % 93);
        frame.Height = 8 + static_cast<int>(random() % 93);
        const uint32_t base = random();
        for (int y = 0; y < frame.Height; ++y) {
            for (int x = 0; x < frame.Width; ++x) {
                // A disc: opaque inside, fading over its last pixels, clear outside.
                const double dx = (x + 0.5) / frame.Width - 0.5, dy = (y + 0.5) / frame.Height - 0.5;
                const double edge = (0.5 - std::sqrt(dx * dx + dy * dy)) * frame.Width / 3;
                const uint32_t alpha = edge <= 0 ? 0 : edge >= 1 ? 255 : static_cast<uint32_t>(edge * 255);
                const uint32_t r = (base + x * 255 / frame.Width) & 0xFF, g = (base >> 8) + y * 2 & 0xFF;
                const uint32_t b = ((base >> 16) ^ (x * y)) & 0xFF;
                frame.Pixels.push_back(alpha << 24 | r << 16 | g << 8 | b);
            }
        }
        char name[32];
        std::snprintf(name, sizeof name, "smile%04d.png", n);
        files.emplace_back(name, faceloom::EncodePng(frame));
    }
    try {
        faceloom::WriteZip(argv[1], files);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_png_zip_gen: %s\n", error.what());
        return 1;
    }
    return 0;
}
