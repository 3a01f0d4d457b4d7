// GIF decoding speed on a generated corpus of smiles with the variety of real packs (see
// tests/support/gif_corpus.h: screens up to 100 px, 1 to 60 frames, global and local tables,
// every disposal, transparent and opaque, interlaced), against two baselines in the same run:
//
// - BM_GifDecoder: our decoder into own frames with masks, what the program does.
// - BM_Giflib: giflib's DGifSlurp from memory plus a plain composition honouring disposal and
//   transparency, one RGBA copy per frame.
// - BM_QImageReader: Qt's reader over a buffer, reading every frame (Qt composes them).
//
// Each counts composed frames per second and the bytes held per decoded frame. Before
// timing, every frame of ours is compared with giflib's, pixel by pixel, and Qt must read as
// many frames. Run with --benchmark_repetitions=5 and read the median CPU times; the machine
// is shared, so wall times are noisy. --write-corpus=DIR writes the corpus out (fuzz seeds).

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "pictures/gif_decoder.h"
#include "pictures/memory_stream.h"
#include "pictures/smile_bitmap32.h"
#include "pictures/smile_bitmap8.h"
#include "support/gif_corpus.h"
#include "support/giflib_frames.h"

namespace faceloom {
namespace {

using test::CorpusGif;

constexpr int kCorpusSize = 500;

const std::vector<CorpusGif>& Corpus() {
    static const std::vector<CorpusGif> corpus = test::MakeGifCorpus(kCorpusSize);
    return corpus;
}

int64_t CorpusFrames() {
    int64_t frames = 0;
    for (const CorpusGif& smile : Corpus()) frames += smile.frames;
    return frames;
}

int64_t CorpusFramePixels() {
    int64_t pixels = 0;
    for (const CorpusGif& smile : Corpus()) pixels += int64_t(smile.frames) * smile.width * smile.height;
    return pixels;
}

// Frames per second over the whole corpus, and the bytes one frame holds on average.
void Count(benchmark::State& state, double bytesHeld) {
    state.counters["frames"] =
        benchmark::Counter(double(CorpusFrames()) * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["bytes_per_frame"] = bytesHeld / double(CorpusFrames());
}

// ---------------------------------------------------------------------------------------
// Ours

TRef<TGifDecoder> DecodeOurs(const std::string& bytes) {
    TMemoryStream stream(bytes.data(), bytes.size());
    TRef<TGifDecoder> picture(new TGifDecoder(stream));
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

// Counted once before timing, so that profiles of the benchmark see only the timed loop.
int64_t& OursHeld() {
    static int64_t held = 0;
    return held;
}

void BM_GifDecoder(benchmark::State& state) {
    for (auto _ : state) {
        for (const CorpusGif& smile : Corpus()) {
            TRef<TGifDecoder> picture = DecodeOurs(smile.bytes);
            benchmark::DoNotOptimize(picture->Frames.data());
        }
    }
    Count(state, double(OursHeld()));
}
BENCHMARK(BM_GifDecoder)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------------------
// giflib

void BM_Giflib(benchmark::State& state) {
    test::GiflibFrames picture;
    for (auto _ : state) {
        for (const CorpusGif& smile : Corpus()) {
            if (!test::DecodeWithGiflib(smile.bytes, picture)) state.SkipWithError("giflib failed");
            benchmark::DoNotOptimize(picture.frames.data());
        }
    }
    Count(state, double(CorpusFramePixels() * 4));  // giflib's own rasters go with the file
}
BENCHMARK(BM_Giflib)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------------------
// Qt

// Every frame Qt's reader gives for the bytes; how many it read.
int DecodeQt(const std::string& bytes, std::vector<QImage>& frames) {
    QByteArray data = QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "gif");
    frames.clear();
    for (;;) {
        QImage frame = reader.read();
        if (frame.isNull()) break;
        frames.push_back(std::move(frame));
    }
    return int(frames.size());
}

void BM_QImageReader(benchmark::State& state) {
    std::vector<QImage> frames;
    for (auto _ : state) {
        for (const CorpusGif& smile : Corpus()) {
            if (DecodeQt(smile.bytes, frames) != smile.frames) state.SkipWithError("Qt read too few frames");
            benchmark::DoNotOptimize(frames.data());
        }
    }
    Count(state, double(CorpusFramePixels() * 4));  // one ARGB32 image per frame
}
BENCHMARK(BM_QImageReader)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------------------

// Ours against giflib, and Qt's frame counts, for the whole corpus; false on any difference.
bool SameAsBaselines() {
    std::vector<QImage> qtFrames;
    for (const CorpusGif& smile : Corpus()) {
        test::GiflibFrames reference;
        if (!test::DecodeWithGiflib(smile.bytes, reference)) {
            std::fprintf(stderr, "%s: giflib cannot decode it\n", smile.name.c_str());
            return false;
        }
        TRef<TGifDecoder> ours = DecodeOurs(smile.bytes);
        OursHeld() += BytesHeld(*ours);
        const std::string difference = test::DifferenceFromGiflib(*ours, reference);
        if (!difference.empty()) {
            std::fprintf(stderr, "%s: %s\n", smile.name.c_str(), difference.c_str());
            return false;
        }
        if (DecodeQt(smile.bytes, qtFrames) != smile.frames) {
            std::fprintf(stderr, "%s: Qt reads %zu frames of %d\n", smile.name.c_str(), qtFrames.size(),
                         smile.frames);
            return false;
        }
    }
    return true;
}

void WriteCorpus(const std::string& folder) {
    for (const CorpusGif& smile : Corpus()) {
        std::ofstream out(folder + "/" + smile.name + ".gif", std::ios::binary);
        out.write(smile.bytes.data(), std::streamsize(smile.bytes.size()));
    }
}

}  // namespace
}  // namespace faceloom

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);  // Qt finds its image plugins through it
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--write-corpus=", 15) == 0) {
            faceloom::WriteCorpus(argv[i] + 15);
            return 0;
        }
    }
    int64_t bytes = 0;
    for (const auto& smile : faceloom::Corpus()) bytes += int64_t(smile.bytes.size());
    std::printf("corpus: %zu smiles, %lld frames, %lld bytes\n", faceloom::Corpus().size(),
                (long long)faceloom::CorpusFrames(), (long long)bytes);
    if (!faceloom::SameAsBaselines()) return 1;
    std::printf("every frame equals giflib's; Qt reads every frame\n");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
