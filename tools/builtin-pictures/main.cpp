// Generates the built-in pictures resources/smile101.gif, smile102.gif and smile103.gif from
// the pixel art in smiles.txt.
//
//   builtin-pictures ART OUTPUT_FOLDER          writes the pictures
//   builtin-pictures --check ART OUTPUT_FOLDER  fails when the files there differ
//
// Every picture is 20 x 24, GIF89a with one global colour table whose entry 0 is the
// transparent colour, and every frame has a graphic control extension with that colour.
// A picture with disposal 1 stores only the rectangle that changed from the previous frame
// (unchanged pixels inside it written transparent); one with disposal 3 stores whole frames,
// since each is shown over the empty canvas.
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/gif_writer.h"

namespace {

using faceloom::test::GifImage;
using faceloom::test::GifPicture;
using faceloom::test::GifRgb;

constexpr int kWidth = 20;
constexpr int kHeight = 24;
constexpr char kTransparent = '.';
constexpr char kKeep = '-';

struct Frame {
    int delay = 0;  // hundredths
    std::vector<std::string> layers;
};

struct Picture {
    int id = 0;
    int disposal = 1;
    std::vector<Frame> frames;
};

struct Art {
    std::string keys;  // palette order: index i is keys[i]
    std::vector<GifRgb> colors;
    std::map<std::string, std::vector<std::string>> layers;
    std::vector<Picture> pictures;
};

[[noreturn]] void Fail(const std::string& message) {
    throw std::runtime_error(message);
}

GifRgb ParseColor(const std::string& text) {
    if (text.size() != 7 || text[0] != '#') Fail("bad colour " + text);
    auto byte = [&](size_t at) { return uint8_t(std::stoi(text.substr(at, 2), nullptr, 16)); };
    return {byte(1), byte(3), byte(5)};
}

Art ReadArt(const std::string& path) {
    std::ifstream in(path);
    if (!in) Fail("cannot read " + path);
    Art art;
    std::string line;
    int lineNumber = 0;
    auto next = [&]() {
        if (!std::getline(in, line)) Fail("unexpected end of " + path);
        ++lineNumber;
    };
    while (std::getline(in, line)) {
        ++lineNumber;
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word == "palette") {
            std::string key, color;
            words >> key >> color;
            if (key.size() != 1 || art.keys.find(key[0]) != std::string::npos)
                Fail("bad palette key: " + line);
            art.keys += key[0];
            art.colors.push_back(ParseColor(color));
        } else if (word == "layer") {
            std::string name;
            words >> name;
            std::vector<std::string> rows;
            for (int y = 0; y < kHeight; ++y) {
                next();
                if (line.size() != size_t(kWidth))
                    Fail("line " + std::to_string(lineNumber) + ": row is not 20 wide");
                for (char c : line) {
                    if (c != kKeep && art.keys.find(c) == std::string::npos) {
                        Fail("line " + std::to_string(lineNumber) + ": unknown key '" + c + "'");
                    }
                }
                rows.push_back(line);
            }
            art.layers[name] = rows;
        } else if (word == "picture") {
            Picture picture;
            words >> picture.id >> picture.disposal;
            art.pictures.push_back(picture);
        } else if (word == "frame") {
            if (art.pictures.empty()) Fail("frame before picture");
            Frame frame;
            words >> frame.delay;
            std::string layer;
            while (words >> layer) {
                if (!art.layers.count(layer)) Fail("unknown layer " + layer);
                frame.layers.push_back(layer);
            }
            art.pictures.back().frames.push_back(frame);
        } else {
            Fail("line " + std::to_string(lineNumber) + ": unknown line");
        }
    }
    if (art.keys.empty() || art.keys[0] != kTransparent) Fail("palette entry 0 must be '.'");
    return art;
}

// The frame's pixels as palette indices, rows top-down.
std::vector<uint8_t> Compose(const Art& art, const Frame& frame) {
    std::vector<std::string> grid(kHeight, std::string(kWidth, kTransparent));
    for (const std::string& name : frame.layers) {
        const auto& rows = art.layers.at(name);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                if (rows[size_t(y)][size_t(x)] != kKeep)
                    grid[size_t(y)][size_t(x)] = rows[size_t(y)][size_t(x)];
            }
        }
    }
    std::vector<uint8_t> indices;
    for (const auto& row : grid) {
        for (char c : row) indices.push_back(uint8_t(art.keys.find(c)));
    }
    return indices;
}

GifImage WholeImage(const std::vector<uint8_t>& pixels) {
    GifImage image;
    image.width = kWidth;
    image.height = kHeight;
    image.pixels = pixels;
    return image;
}

// The rectangle in which `current` differs from `previous`; pixels that stay the same are
// written transparent so that they keep what lies below.
GifImage ChangedRect(const std::vector<uint8_t>& previous, const std::vector<uint8_t>& current) {
    int left = kWidth, top = kHeight, right = -1, bottom = -1;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const size_t at = size_t(y) * kWidth + size_t(x);
            if (previous[at] == current[at]) continue;
            if (current[at] == 0) Fail("a pixel turns transparent: that needs whole frames");
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0) left = right = top = bottom = 0;  // no change: one transparent pixel
    GifImage image;
    image.left = uint16_t(left);
    image.top = uint16_t(top);
    image.width = uint16_t(right - left + 1);
    image.height = uint16_t(bottom - top + 1);
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            const size_t at = size_t(y) * kWidth + size_t(x);
            image.pixels.push_back(previous[at] == current[at] ? 0 : current[at]);
        }
    }
    return image;
}

std::string Encode(const Art& art, const Picture& picture) {
    GifPicture gif;
    gif.width = kWidth;
    gif.height = kHeight;
    gif.globalColors = art.colors;
    gif.loop = true;
    std::vector<uint8_t> previous;
    for (const Frame& frame : picture.frames) {
        const std::vector<uint8_t> pixels = Compose(art, frame);
        GifImage image =
            picture.disposal == 3 || previous.empty() ? WholeImage(pixels) : ChangedRect(previous, pixels);
        image.disposal = picture.disposal;
        image.delay = uint16_t(frame.delay);
        image.transparent = 0;
        gif.images.push_back(image);
        previous = pixels;
    }
    return faceloom::test::EncodeGif(gif);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return in ? bytes.str() : std::string();
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const bool check = argc == 4 && std::string(argv[1]) == "--check";
        if (argc != 3 && !check) {
            std::cerr << "usage: builtin-pictures [--check] ART OUTPUT_FOLDER\n";
            return 2;
        }
        const std::string artPath = argv[check ? 2 : 1];
        std::string folder = argv[check ? 3 : 2];
        if (!folder.empty() && folder.back() != '/') folder += '/';

        const Art art = ReadArt(artPath);
        int stale = 0;
        for (const Picture& picture : art.pictures) {
            const std::string path = folder + "smile" + std::to_string(picture.id) + ".gif";
            const std::string bytes = Encode(art, picture);
            if (check) {
                if (ReadFile(path) != bytes) {
                    std::cerr << path << " differs from " << artPath
                              << "; rebuild the target builtin_pictures\n";
                    ++stale;
                }
                continue;
            }
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out.write(bytes.data(), std::streamsize(bytes.size()));
            if (!out.flush()) Fail("cannot write " + path);
            std::cout << "wrote " << path << " (" << bytes.size() << " bytes)\n";
        }
        return stale == 0 ? 0 : 1;
    } catch (const std::exception& error) {
        std::cerr << "builtin-pictures: " << error.what() << "\n";
        return 1;
    }
}
