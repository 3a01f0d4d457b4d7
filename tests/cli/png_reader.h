#pragma once

// Reads a PNG file back with libpng, for exact pixel assertions.

#include <cstdint>
#include <string>
#include <vector>

namespace faceloom::test {

struct PngPixels {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgba;  // rows top-down, 4 bytes per pixel
};

// Throws std::runtime_error when the file is not a readable PNG, or not stored as 8-bit RGBA
// (so no conversion can hide a wrong pixel).
PngPixels ReadPng(const std::string& path);

}  // namespace faceloom::test
