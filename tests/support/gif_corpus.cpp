#include "support/gif_corpus.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <utility>

#include "support/gif_writer.h"

namespace faceloom::test {

namespace {

using Pixels = std::vector<uint8_t>;

// What a smile is made of; see the header. The kinds cycle with the smile's index.
enum class Kind {
    Deltas,           // frames carry only the changed rectangle, unchanged pixels transparent
    SpritesCleared,   // a small sprite per frame, restored to background (disposal 2)
    SpritesRestored,  // a small sprite per frame, restored to previous (disposal 3)
    OpaqueWhole,      // whole frames without a transparent colour
    LocalSome,        // deltas with a local colour table on every third image
    LocalOnly,        // no global table, a local table on every image
    Mixed,            // every disposal at random, sprites and deltas, transparent index not 0
    Interlaced,       // whole frames and deltas, all interlaced
    Gif87,            // GIF87a: no graphic control extension at all
    KeyChanges,       // whole frames cleared each time, the transparent index changing midway
    KeyAppears,       // opaque whole frames, then deltas keyed on index 0, which earlier drew
};
constexpr int kKinds = 11;

const char* KindName(Kind kind) {
    static const char* const names[] = {
        "deltas", "sprites-cleared", "sprites-restored", "opaque-whole", "local-some", "local-only",
        "mixed",  "interlaced",      "gif87a",           "key-changes",  "key-appears"};
    return names[int(kind)];
}

int Between(std::mt19937& random, int low, int high) {
    return low + int(random() % uint32_t(high - low + 1));
}

std::vector<GifRgb> Palette(std::mt19937& random, size_t count) {
    std::vector<GifRgb> colors = {{255, 255, 255}, {70, 40, 0}};  // 0 background, 1 outline
    const int hue = int(random() % 40);
    while (colors.size() < count) {
        // Warm face tones with a few accent colours, as smiles are drawn.
        const size_t i = colors.size();
        if (i % 7 == 0) {
            colors.push_back({uint8_t(random()), uint8_t(random()), uint8_t(random())});
        } else {
            const double t = double(i) / double(count);
            colors.push_back({uint8_t(200 + 55 * t), uint8_t(120 + hue + 100 * t), uint8_t(20 * t)});
        }
    }
    colors.resize(count);
    return colors;
}

// A round face with shading bands, eyes and a mouth, as palette indices (0 = background).
Pixels Face(int width, int height, int colors, int eyeState, int mouthState) {
    Pixels pixels(size_t(width) * height, 0);
    const double cx = width / 2.0, cy = height / 2.0, radius = std::min(width, height) / 2.0 - 0.5;
    const int shades = std::clamp(colors - 2, 1, 12);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy, d = std::sqrt(dx * dx + dy * dy);
            uint8_t v = 0;
            if (d <= radius) {
                if (d > radius - 1.2 || colors <= 2) {
                    v = 1;
                } else {
                    const double light = (-(dx + dy) / radius + 1.5) / 3.0;  // lit from the top left
                    v = uint8_t(2 + std::clamp(int(light * shades), 0, shades - 1));
                }
            }
            pixels[size_t(y) * width + x] = v;
        }
    }
    auto put = [&](int x, int y, int v) {
        if (x >= 0 && y >= 0 && x < width && y < height) pixels[size_t(y) * width + x] = uint8_t(v);
    };
    const int eyeY = height * 2 / 5, eyeDx = width / 5, eyeH = std::max(2, height / 8) - eyeState;
    for (int side : {-1, 1}) {
        for (int y = 0; y < std::max(1, eyeH); ++y) {
            for (int x = 0; x < std::max(2, width / 12); ++x) put(int(cx) + side * eyeDx + x, eyeY + y, 1);
        }
    }
    const int mouthY = height * 2 / 3, mouthW = width / 3;
    for (int x = -mouthW; x <= mouthW; ++x) {
        const int bend = (x * x * (mouthState - 1)) / std::max(1, mouthW * 2);
        put(int(cx) + x, mouthY - bend, 1);
        put(int(cx) + x, mouthY - bend + 1, std::min(20, colors - 1));
    }
    return pixels;
}

GifImage Whole(const Pixels& pixels, int width, int height) {
    GifImage image;
    image.width = uint16_t(width);
    image.height = uint16_t(height);
    image.pixels = pixels;
    return image;
}

// The rectangle of `next` that differs from `previous`; keyed: unchanged pixels inside it are
// 0 (transparent), else they repeat the old value.
GifImage Delta(const Pixels& previous, const Pixels& next, int width, int height, bool keyed) {
    int left = width, top = height, right = -1, bottom = -1;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (previous[size_t(y) * width + x] == next[size_t(y) * width + x]) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0) left = top = right = bottom = 0;  // nothing changed: one pixel
    GifImage image;
    image.left = uint16_t(left);
    image.top = uint16_t(top);
    image.width = uint16_t(right - left + 1);
    image.height = uint16_t(bottom - top + 1);
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            const size_t at = size_t(y) * width + x;
            image.pixels.push_back(keyed && previous[at] == next[at] ? 0 : next[at]);
        }
    }
    return image;
}

// A small round sprite (a heart, a star) on a transparent square; offScreen lets it reach
// past the right or bottom edge of the screen.
GifImage Sprite(std::mt19937& random, int width, int height, int colors, bool offScreen) {
    GifImage image;
    image.width = uint16_t(std::max(3, width / 4));
    image.height = uint16_t(std::max(3, height / 4));
    const int spanX = offScreen ? width : width - image.width + 1;
    const int spanY = offScreen ? height : height - image.height + 1;
    image.left = uint16_t(random() % uint32_t(spanX));
    image.top = uint16_t(random() % uint32_t(spanY));
    const uint8_t color = uint8_t(colors > 2 ? Between(random, 2, colors - 1) : 1);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const int dx = 2 * x - image.width + 1, dy = 2 * y - image.height + 1;
            image.pixels.push_back(dx * dx + dy * dy <= image.width * image.height ? color : 0);
        }
    }
    return image;
}

// Exchanges indices 0 and key in the image, so that its background pixels carry the key.
void UseKey(GifImage& image, uint8_t key) {
    for (uint8_t& v : image.pixels) {
        if (v == 0) {
            v = key;
        } else if (v == key) {
            v = 0;
        }
    }
}

int FrameCount(std::mt19937& random) {
    const int bucket = int(random() % 100);
    if (bucket < 15) return 1;
    if (bucket < 65) return Between(random, 2, 12);
    if (bucket < 92) return Between(random, 13, 30);
    return Between(random, 31, 60);
}

int ScreenSide(std::mt19937& random) {
    const int bucket = int(random() % 100);
    if (bucket < 5) return Between(random, 8, 14);
    if (bucket < 65) return Between(random, 15, 40);
    if (bucket < 90) return Between(random, 41, 70);
    return Between(random, 71, 100);
}

CorpusGif MakeSmile(std::mt19937& random, int index) {
    const Kind kind = Kind(index % kKinds);
    const int width = ScreenSide(random);
    const int height = std::clamp(width + Between(random, -5, 5), 8, 100);
    const int frames = FrameCount(random);
    const int colors = 2 << (random() % 8);
    const bool transparent = kind != Kind::OpaqueWhole && kind != Kind::Gif87;
    const bool interlaced = kind == Kind::Interlaced || random() % 10 == 0;

    GifPicture gif;
    gif.width = uint16_t(width);
    gif.height = uint16_t(height);
    gif.version = kind == Kind::Gif87 ? "87a" : "89a";
    if (kind != Kind::LocalOnly) gif.globalColors = Palette(random, size_t(colors));
    // Not white, so that drawn pixels of that index differ from the decoder's background.
    if (kind == Kind::KeyAppears) gif.globalColors[0] = {0, 128, 255};
    gif.loop = kind != Kind::Gif87;

    Pixels previous = Face(width, height, colors, 0, 2);
    gif.images.push_back(Whole(previous, width, height));
    gif.images.back().disposal = 1;
    for (int f = 1; f < frames; ++f) {
        GifImage image;
        const bool sprites = kind == Kind::SpritesCleared || kind == Kind::SpritesRestored ||
                             (kind == Kind::Mixed && random() % 2 == 0);
        if (sprites) {
            image = Sprite(random, width, height, colors, random() % 25 == 0);
            image.disposal = kind == Kind::SpritesCleared ? 2 : kind == Kind::SpritesRestored ? 3 : 0;
        } else {
            const Pixels next = Face(width, height, colors, int(random() % 3), int(random() % 3));
            const bool opaqueHalf = kind == Kind::KeyAppears && f < frames / 2;
            const bool whole = kind == Kind::OpaqueWhole || kind == Kind::Gif87 || kind == Kind::KeyChanges ||
                               opaqueHalf || (kind == Kind::Interlaced && f % 2 == 0);
            image = whole ? Whole(next, width, height) : Delta(previous, next, width, height, transparent);
            image.disposal = kind == Kind::KeyChanges ? 2 : int(random() % 2);
            previous = next;
        }
        if (kind == Kind::Mixed) image.disposal = int(random() % 4);
        gif.images.push_back(std::move(image));
    }

    const uint8_t mixedKey = uint8_t(Between(random, 1, colors - 1));
    for (size_t f = 0; f < gif.images.size(); ++f) {
        GifImage& image = gif.images[f];
        image.delay = uint16_t(random() % 3 == 0 ? Between(random, 0, 9) : Between(random, 5, 300));
        image.interlaced = interlaced;
        if (kind == Kind::Gif87) image.graphicControl = false;
        if (kind == Kind::LocalOnly || (kind == Kind::LocalSome && f % 3 == 2)) {
            image.localColors = Palette(random, size_t(colors));
        }
        if (!transparent) continue;
        if (kind == Kind::KeyAppears && f < gif.images.size() / 2) continue;
        uint8_t key = 0;
        if (kind == Kind::Mixed) key = mixedKey;
        if (kind == Kind::KeyChanges && f >= gif.images.size() / 2) key = uint8_t(colors - 1);
        UseKey(image, key);
        image.transparent = key;
    }

    CorpusGif smile;
    smile.name = "smile-" + std::to_string(index) + "-" + KindName(kind);
    smile.bytes = EncodeGif(gif);
    smile.width = width;
    smile.height = height;
    smile.frames = frames;
    return smile;
}

}  // namespace

std::vector<CorpusGif> MakeGifCorpus(int count) {
    std::mt19937 random(2005);
    std::vector<CorpusGif> corpus;
    corpus.reserve(size_t(std::max(count, 0)));
    for (int i = 0; i < count; ++i) corpus.push_back(MakeSmile(random, i));
    return corpus;
}

}  // namespace faceloom::test
