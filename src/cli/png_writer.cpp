#include "cli/png_writer.h"

#include <png.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace faceloom::cli {

void WritePng(const std::string& path, const TRgbaImage& image) {
    if (image.Width <= 0 || image.Height <= 0 ||
        image.Pixels.size() != static_cast<size_t>(image.Width) * static_cast<size_t>(image.Height) * 4) {
        throw std::runtime_error("cannot write " + path + ": the image is empty or malformed");
    }
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.Width);
    png.height = static_cast<png_uint_32>(image.Height);
    png.format = PNG_FORMAT_RGBA;

    const std::string temp = path + ".part";
    // The simplified API keeps libpng's longjmp error handling away from C++ frames.
    if (png_image_write_to_file(&png, temp.c_str(), 0, image.Pixels.data(), 0, nullptr) == 0) {
        const std::string reason = png.message;
        png_image_free(&png);
        std::remove(temp.c_str());
        throw std::runtime_error("cannot write " + path + ": " + reason);
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        std::remove(temp.c_str());
        throw std::runtime_error("cannot write " + path + ": " + ec.message());
    }
}

}  // namespace faceloom::cli
