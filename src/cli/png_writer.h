#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace faceloom::cli {

// An 8-bit RGBA image, rows top-down, 4 bytes per pixel (R, G, B, A), not premultiplied.
struct TRgbaImage {
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<uint8_t> Pixels;  // Width * Height * 4
};

// Writes the image as a PNG file (libpng), replacing the file as a whole: the data goes to a
// temporary name in the same folder first. Throws std::runtime_error naming the file when
// it cannot be written (an empty image cannot be written either).
void WritePng(const std::string& path, const TRgbaImage& image);

}  // namespace faceloom::cli
