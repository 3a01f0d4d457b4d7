// GIF decoding speed on a corpus of realistic smiles, against giflib.
//
// The corpus is made here, deterministically, with the test GIF writer: 60 smiles of 19 to 60
// pixels with 2 to 40 frames, a transparent colour, every disposal method, some local colour
// tables and some interlaced images; frames after the first mostly update a small part (eyes,
// mouth, a moving object), as animated smiles do.
//
// BM_GifDecoder decodes every file into own frames with masks (what the program does).
// BM_Giflib is the baseline: giflib's DGifSlurp from memory plus a straightforward composition
// into an RGBA canvas honouring disposal and transparency, keeping one RGBA copy per frame.
// Both count composed frame pixels at 4 bytes each (bytes_per_second), frames per second, and
// the bytes held per decoded frame. Before timing, every frame of both is compared pixel by
// pixel. Run with --benchmark_repetitions=5 and read the median rows.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "pictures/gif_decoder.h"
#include "pictures/memory_stream.h"
#include "pictures/smile_bitmap32.h"
#include "pictures/smile_bitmap8.h"
#include "support/gif_writer.h"

#ifdef FACELOOM_HAVE_GIFLIB
#include <gif_lib.h>
#endif

namespace faceloom {
namespace {

using test::GifImage;
using test::GifPicture;
using test::GifRgb;

// ---------------------------------------------------------------------------------------
// Corpus

struct Smile {
    std::string bytes;
    int64_t framePixels = 0;  // frames x screen width x height
    int64_t frames = 0;
};

std::vector<GifRgb> SmilePalette(std::mt19937& random, size_t count) {
    std::vector<GifRgb> colors = {{255, 255, 255}, {70, 40, 0}};  // 0 transparent, 1 outline
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
    return colors;
}

// A round face with shading bands, eyes and a mouth, as palette indices (0 = transparent).
std::vector<uint8_t> Face(int width, int height, size_t colors, int eyeState, int mouthState) {
    std::vector<uint8_t> pixels(size_t(width) * height, 0);
    const double cx = width / 2.0, cy = height / 2.0, radius = std::min(width, height) / 2.0 - 0.5;
    const int shades = int(std::min<size_t>(colors - 2, 12));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy, d = std::sqrt(dx * dx + dy * dy);
            uint8_t v = 0;
            if (d <= radius) {
                if (d > radius - 1.2) {
                    v = 1;
                } else {
                    const double light = (-(dx + dy) / radius + 1.5) / 3.0;  // lit from the top left
                    v = uint8_t(2 + std::clamp(int(light * shades), 0, shades - 1));
                }
            }
            pixels[size_t(y) * width + x] = v;
        }
    }
    auto put = [&](int x, int y, uint8_t v) {
        if (x >= 0 && y >= 0 && x < width && y < height) pixels[size_t(y) * width + x] = v;
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
        put(int(cx) + x, mouthY - bend + 1, uint8_t(colors > 20 ? 20 : colors - 1));
    }
    return pixels;
}

// The part of `next` that differs from `previous`, with unchanged pixels transparent.
GifImage Delta(const std::vector<uint8_t>& previous, const std::vector<uint8_t>& next, int width,
               int height) {
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
    if (right < 0) left = top = right = bottom = 0;
    GifImage image;
    image.left = uint16_t(left);
    image.top = uint16_t(top);
    image.width = uint16_t(right - left + 1);
    image.height = uint16_t(bottom - top + 1);
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            const size_t at = size_t(y) * width + x;
            image.pixels.push_back(previous[at] == next[at] ? 0 : next[at]);
        }
    }
    return image;
}

GifImage Whole(const std::vector<uint8_t>& pixels, int width, int height) {
    GifImage image;
    image.width = uint16_t(width);
    image.height = uint16_t(height);
    image.pixels = pixels;
    return image;
}

// A small moving object (a heart, a star) on a transparent image.
GifImage Sprite(std::mt19937& random, int width, int height, size_t colors) {
    GifImage image;
    image.width = uint16_t(std::max(3, width / 4));
    image.height = uint16_t(std::max(3, height / 4));
    image.left = uint16_t(random() % uint32_t(width - image.width + 1));
    image.top = uint16_t(random() % uint32_t(height - image.height + 1));
    const uint8_t color = uint8_t(2 + random() % uint32_t(colors - 2));
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const int dx = 2 * x - image.width + 1, dy = 2 * y - image.height + 1;
            image.pixels.push_back(dx * dx + dy * dy <= image.width * image.height ? color : 0);
        }
    }
    return image;
}

Smile MakeSmile(std::mt19937& random, int index) {
    const int width = 19 + int(random() % 42);
    const int height = width + int(random() % 6);
    const int frames = 2 + int(random() % 39);
    const size_t colors = std::vector<size_t>{16, 32, 64, 128, 256}[random() % 5];
    const int mode = index % 4;  // 0: deltas, 1: sprites restored to background, 2: sprites
                                 // restored to previous, 3: whole frames
    const bool interlaced = index % 5 == 1;
    const bool localTables = index % 6 == 2;

    GifPicture gif;
    gif.width = uint16_t(width);
    gif.height = uint16_t(height);
    gif.globalColors = SmilePalette(random, colors);
    gif.loop = true;

    std::vector<uint8_t> previous = Face(width, height, colors, 0, 2);
    GifImage first = Whole(previous, width, height);
    first.disposal = 1;
    gif.images.push_back(first);
    for (int f = 1; f < frames; ++f) {
        GifImage image;
        if (mode == 1 || mode == 2) {
            image = Sprite(random, width, height, colors);
            image.disposal = mode == 1 ? 2 : 3;
        } else {
            const std::vector<uint8_t> next =
                Face(width, height, colors, int(random() % 3), int(random() % 3));
            if (mode == 0) {
                image = Delta(previous, next, width, height);
                image.disposal = int(random() % 2);  // 0 and 1 both keep the frame
            } else {
                image = Whole(next, width, height);
                image.disposal = 1;
            }
            previous = next;
        }
        if (localTables && f % 3 == 0) image.localColors = SmilePalette(random, colors);
        gif.images.push_back(image);
    }
    for (GifImage& image : gif.images) {
        image.transparent = 0;
        image.delay = uint16_t(5 + random() % 50);
        image.interlaced = interlaced && image.height > 4;
    }
    Smile smile;
    smile.bytes = test::EncodeGif(gif);
    smile.frames = frames;
    smile.framePixels = int64_t(frames) * width * height;
    return smile;
}

const std::vector<Smile>& Corpus() {
    static const std::vector<Smile> corpus = [] {
        std::mt19937 random(2005);
        std::vector<Smile> smiles;
        for (int i = 0; i < 60; ++i) smiles.push_back(MakeSmile(random, i));
        return smiles;
    }();
    return corpus;
}

// ---------------------------------------------------------------------------------------
// Our decoder

TGifDecoder* DecodeOurs(const std::string& bytes) {
    TMemoryStream stream(bytes.data(), bytes.size());
    auto* picture = new TGifDecoder(stream);
    picture->WantSmileBitmaps = true;
    picture->WantTransparent = true;
    picture->Decode();
    return picture;
}

int64_t BytesHeld(const TPictureDecoder& picture) {
    int64_t bytes = 0;
    for (const auto& frame : picture.Frames) {
        if (auto* f8 = dynamic_cast<const TSmileBitmap8*>(frame.get())) {
            bytes += int64_t(sizeof(TSmileBitmap8) + f8->Header.size() + f8->Pixels.size() +
                             f8->MaskHeader.size() + f8->MaskBits.size());
        } else if (auto* f32 = dynamic_cast<const TSmileBitmap32*>(frame.get())) {
            bytes += int64_t(sizeof(TSmileBitmap32) + f32->Header.size() + f32->Pixels.size() * 4 +
                             f32->MaskHeader.size() + f32->MaskBits.size());
        }
    }
    return bytes;
}

void BM_GifDecoder(benchmark::State& state) {
    const auto& corpus = Corpus();
    int64_t pixels = 0, frames = 0;
    for (auto _ : state) {
        for (const Smile& smile : corpus) {
            TRef<TGifDecoder> picture(DecodeOurs(smile.bytes));
            benchmark::DoNotOptimize(picture->Frames.data());
            pixels += smile.framePixels;
            frames += smile.frames;
        }
    }
    state.SetBytesProcessed(pixels * 4);
    state.counters["frames"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
    int64_t corpusFrames = 0;
    for (const Smile& smile : corpus) corpusFrames += smile.frames;
    int64_t corpusHeld = 0;
    for (const Smile& smile : corpus) {
        TRef<TGifDecoder> picture(DecodeOurs(smile.bytes));
        corpusHeld += BytesHeld(*picture);
    }
    state.counters["bytes_per_frame"] = double(corpusHeld) / double(corpusFrames);
}
BENCHMARK(BM_GifDecoder)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------------------
// giflib baseline

#ifdef FACELOOM_HAVE_GIFLIB

struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t position;
};

int ReadFromMemory(GifFileType* file, GifByteType* buffer, int count) {
    auto* reader = static_cast<MemoryReader*>(file->UserData);
    const size_t n = std::min(size_t(count), reader->size - reader->position);
    std::memcpy(buffer, reader->data + reader->position, n);
    reader->position += n;
    return int(n);
}

// Every frame as RGBA words (0 = transparent, else 0xFF000000 | 0xRRGGBB).
struct GiflibPicture {
    int width = 0;
    int height = 0;
    std::vector<std::vector<uint32_t>> frames;
};

bool DecodeGiflib(const std::string& bytes, GiflibPicture& out) {
    MemoryReader reader{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 0};
    int error = 0;
    GifFileType* file = DGifOpen(&reader, ReadFromMemory, &error);
    if (file == nullptr) return false;
    if (DGifSlurp(file) != GIF_OK) {
        DGifCloseFile(file, &error);
        return false;
    }
    const int width = file->SWidth, height = file->SHeight;
    out.width = width;
    out.height = height;
    out.frames.clear();
    out.frames.reserve(size_t(file->ImageCount));
    std::vector<uint32_t> canvas(size_t(width) * height, 0);
    std::vector<uint32_t> saved;
    for (int i = 0; i < file->ImageCount; ++i) {
        const SavedImage& image = file->SavedImages[i];
        GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
        DGifSavedExtensionToGCB(file, i, &control);
        const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : file->SColorMap;
        uint32_t colors[256] = {};
        if (map != nullptr) {
            for (int c = 0; c < map->ColorCount && c < 256; ++c) {
                const GifColorType& rgb = map->Colors[c];
                colors[c] = 0xFF000000u | (uint32_t(rgb.Red) << 16) | (uint32_t(rgb.Green) << 8) | rgb.Blue;
            }
        }
        if (control.DisposalMode == DISPOSE_PREVIOUS) saved = canvas;
        const GifImageDesc& desc = image.ImageDesc;
        for (int y = 0; y < desc.Height; ++y) {
            const int cy = desc.Top + y;
            if (cy >= height) break;
            const GifByteType* row = image.RasterBits + size_t(y) * desc.Width;
            uint32_t* target = canvas.data() + size_t(cy) * width;
            for (int x = 0; x < desc.Width && desc.Left + x < width; ++x) {
                if (row[x] == control.TransparentColor) continue;
                target[desc.Left + x] = colors[row[x]];
            }
        }
        out.frames.push_back(canvas);
        if (control.DisposalMode == DISPOSE_BACKGROUND) {
            for (int y = desc.Top; y < std::min(height, desc.Top + desc.Height); ++y) {
                for (int x = desc.Left; x < std::min(width, desc.Left + desc.Width); ++x)
                    canvas[size_t(y) * width + x] = 0;
            }
        } else if (control.DisposalMode == DISPOSE_PREVIOUS) {
            canvas = saved;
        }
    }
    DGifCloseFile(file, &error);
    return true;
}

void BM_Giflib(benchmark::State& state) {
    const auto& corpus = Corpus();
    int64_t pixels = 0, frames = 0;
    GiflibPicture picture;
    for (auto _ : state) {
        for (const Smile& smile : corpus) {
            if (!DecodeGiflib(smile.bytes, picture)) state.SkipWithError("giflib failed");
            benchmark::DoNotOptimize(picture.frames.data());
            pixels += smile.framePixels;
            frames += smile.frames;
        }
    }
    state.SetBytesProcessed(pixels * 4);
    state.counters["frames"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
    int64_t corpusFrames = 0, corpusPixels = 0;
    for (const Smile& smile : corpus) {
        corpusFrames += smile.frames;
        corpusPixels += smile.framePixels;
    }
    // One RGBA copy per frame (giflib's own rasters are freed with the file).
    state.counters["bytes_per_frame"] = double(corpusPixels * 4) / double(corpusFrames);
}
BENCHMARK(BM_Giflib)->Unit(benchmark::kMillisecond);

// Our frames against giflib's, pixel by pixel, for the whole corpus; false on any difference.
bool SameAsGiflib() {
    int index = 0;
    for (const Smile& smile : Corpus()) {
        GiflibPicture reference;
        if (!DecodeGiflib(smile.bytes, reference)) {
            std::fprintf(stderr, "giflib cannot decode smile %d\n", index);
            return false;
        }
        TRef<TGifDecoder> ours(DecodeOurs(smile.bytes));
        if (size_t(ours->GetFrameCount()) != reference.frames.size()) {
            std::fprintf(stderr, "smile %d: %d frames, giflib %zu\n", index, ours->GetFrameCount(),
                         reference.frames.size());
            return false;
        }
        for (size_t f = 0; f < reference.frames.size(); ++f) {
            const TFrameObject* frame = ours->Frames[f].get();
            for (int y = 0; y < reference.height; ++y) {
                for (int x = 0; x < reference.width; ++x) {
                    uint32_t pixel = 0;
                    if (auto* f8 = dynamic_cast<const TSmileBitmap8*>(frame)) {
                        if (!f8->GetMaskBit(x, y))
                            pixel = 0xFF000000u | f8->GetPaletteEntry(f8->GetPixel(x, y));
                    } else if (auto* f32 = dynamic_cast<const TSmileBitmap32*>(frame)) {
                        if (!f32->GetMaskBit(x, y)) pixel = 0xFF000000u | f32->GetPixel(x, y);
                    }
                    if (pixel != reference.frames[f][size_t(y) * reference.width + x]) {
                        std::fprintf(stderr, "smile %d frame %zu differs at (%d, %d)\n", index, f, x, y);
                        return false;
                    }
                }
            }
        }
        ++index;
    }
    return true;
}

#endif  // FACELOOM_HAVE_GIFLIB

}  // namespace
}  // namespace faceloom

int main(int argc, char** argv) {
    const auto& corpus = faceloom::Corpus();
    int64_t frames = 0, bytes = 0;
    for (const auto& smile : corpus) {
        frames += smile.frames;
        bytes += int64_t(smile.bytes.size());
    }
    std::printf("corpus: %zu smiles, %lld frames, %lld bytes\n", corpus.size(), (long long)frames,
                (long long)bytes);
#ifdef FACELOOM_HAVE_GIFLIB
    if (!faceloom::SameAsGiflib()) return 1;
    std::printf("every frame equals giflib's\n");
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
