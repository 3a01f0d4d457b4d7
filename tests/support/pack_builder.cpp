#include "support/pack_builder.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <stdexcept>

#include "support/bmp_writer.h"
#include "support/gif_writer.h"
#include "support/temp_dir.h"

namespace faceloom::test {

std::string GifBytes(int width, int height, int frames, int seed) {
    GifPicture picture;
    picture.width = static_cast<uint16_t>(width);
    picture.height = static_cast<uint16_t>(height);
    picture.loop = true;
    // Index 0 is the transparent colour; the others vary with the seed.
    picture.globalColors = {{255, 255, 255},
                            {uint8_t(seed * 37), uint8_t(seed * 91), uint8_t(seed * 13)},
                            {uint8_t(255 - seed), 0, uint8_t(seed)},
                            {0, uint8_t(seed * 7), 255}};
    for (int f = 0; f < frames; ++f) {
        GifImage image;
        image.width = picture.width;
        image.height = picture.height;
        image.pixels.resize(static_cast<size_t>(width) * height);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                image.pixels[static_cast<size_t>(y) * width + x] =
                    static_cast<uint8_t>((x + y + f + seed) % 4);
            }
        }
        image.delay = 10;
        image.disposal = 1;
        image.transparent = 0;
        picture.images.push_back(std::move(image));
    }
    return EncodeGif(picture);
}

void WriteGif(const std::string& path, int width, int height, int frames, int seed) {
    WriteBytes(path, GifBytes(width, height, frames, seed));
}

std::string BmpBytes(int width, int height, int seed) {
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels[static_cast<size_t>(y) * width + x] = (uint32_t((x + y + seed * 11) & 0xFF) << 16) |
                                                         (uint32_t((y * 29 + seed * 3) & 0xFF) << 8) |
                                                         uint32_t((x * 17 + seed) & 0xFF);
        }
    }
    return SimpleBmp24(width, height, pixels);
}

void WriteBmp(const std::string& path, int width, int height, int seed) {
    WriteBytes(path, BmpBytes(width, height, seed));
}

void WriteDefine(const std::string& folder, const std::string& define) {
    std::filesystem::create_directories(folder);
    WriteBytes(std::filesystem::path(folder) / "_define.ini", define);
}

std::vector<std::string> ListFiles(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> ListFiles(const std::string& folder, const std::string& extension) {
    auto lower = [](std::string s) {
        for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    };
    std::vector<std::string> names;
    for (const std::string& name : ListFiles(folder)) {
        if (name.size() >= extension.size() &&
            lower(name.substr(name.size() - extension.size())) == lower(extension)) {
            names.push_back(name);
        }
    }
    return names;
}

std::string CanonicalName(int n, int width) {
    std::string letters;
    do {
        letters.insert(letters.begin(), static_cast<char>('a' + n % 26));
        n /= 26;
    } while (n > 0);
    while (static_cast<int>(letters.size()) < width) letters.insert(letters.begin(), 'a');
    return letters;
}

}  // namespace faceloom::test
