#include "png_reader.h"

#include <png.h>

#include <stdexcept>

namespace faceloom::test {

PngPixels ReadPng(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        throw std::runtime_error("not a readable PNG: " + path + ": " + image.message);
    }
    // After begin_read, format describes the file itself.
    if (image.format != PNG_FORMAT_RGBA) {
        png_image_free(&image);
        throw std::runtime_error("not an 8-bit RGBA PNG: " + path);
    }
    PngPixels pixels;
    pixels.width = image.width;
    pixels.height = image.height;
    pixels.rgba.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, pixels.rgba.data(), 0, nullptr) == 0) {
        throw std::runtime_error("cannot read the pixels of " + path + ": " + image.message);
    }
    return pixels;
}

}  // namespace faceloom::test
