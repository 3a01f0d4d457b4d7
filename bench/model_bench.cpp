// Opening a pack of 500 animated smiles (19-60 px, 2-40 frames): the time of OpenPack against
// the two things it cannot avoid, measured in the same run on the same files -- copying the
// files (the host's copy, as the working copy is filled) and decoding the pictures -- and the
// memory the open pack holds per smile.
//
// The pack lives under $FACELOOM_BENCH_DIR when set (e.g. /dev/shm to leave the disk's flush
// cost out), else under the system temp folder.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "model/define_decoder.h"
#include "pictures/gif_decoder.h"
#include "pictures/smile_bitmap32.h"
#include "pictures/smile_bitmap8.h"
#include "platform/files.h"
#include "support/bench_root.h"
#include "support/gif_writer.h"

namespace faceloom {
namespace {

constexpr int kSmiles = 500;

using Clock = std::chrono::steady_clock;

// A realistic animated smile: one global palette, frames that each change a part of the
// picture, transparent background.
std::string SmileGif(std::mt19937& random) {
    std::uniform_int_distribution<int> sizeOf(19, 60);
    std::uniform_int_distribution<int> framesOf(2, 40);
    std::uniform_int_distribution<int> colour(0, 255);
    test::GifPicture picture;
    picture.width = static_cast<uint16_t>(sizeOf(random));
    picture.height = static_cast<uint16_t>(sizeOf(random));
    picture.loop = true;
    for (int i = 0; i < 32; ++i) {
        picture.globalColors.push_back(
            {uint8_t(colour(random)), uint8_t(colour(random)), uint8_t(colour(random))});
    }
    const int frames = framesOf(random);
    const int seed = colour(random);
    for (int f = 0; f < frames; ++f) {
        test::GifImage image;
        image.width = picture.width;
        image.height = picture.height;
        image.pixels.resize(size_t{image.width} * image.height);
        const int cx = image.width / 2, cy = image.height / 2;
        for (int y = 0; y < image.height; ++y) {
            for (int x = 0; x < image.width; ++x) {
                const int dx = x - cx, dy = y - cy;
                const bool inside = dx * dx + dy * dy <= cx * cy;
                image.pixels[size_t(y) * image.width + x] =
                    inside ? uint8_t(1 + ((x / 3 + y / 4 + f + seed) % 31)) : uint8_t(0);
            }
        }
        image.delay = 10;
        image.disposal = 1;
        image.transparent = 0;
        picture.images.push_back(std::move(image));
    }
    return test::EncodeGif(picture);
}

struct BenchPack {
    std::string root;    // everything of this run
    std::string source;  // the pack folder
    std::vector<std::string> pictures;
    size_t bytes = 0;

    BenchPack() {
        root = MakeBenchRoot("bench");
        source = root + "pack/";
        std::filesystem::create_directories(source);
        std::mt19937 random(2005);
        std::string define;
        for (int i = 0; i < kSmiles; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "smile%03d.gif", i + 1);
            const std::string bytesOfGif = SmileGif(random);
            std::ofstream(source + name, std::ios::binary) << bytesOfGif;
            pictures.push_back(source + name);
            bytes += bytesOfGif.size();
            define += ":s" + std::to_string(i) + ":,*s" + std::to_string(i) + "*\r\n";
        }
        std::ofstream(source + "_define.ini", std::ios::binary) << define;
    }
    ~BenchPack() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
};

BenchPack& Pack() {
    static BenchPack pack;
    return pack;
}

// The same copy as opening a pack makes into its working copy.
void CopyOnly(const std::string& target) {
    for (const std::string& name : FindFiles(Pack().source + "*.*")) {
        CopyFileReplacing(Pack().source + name, target + name, TDurability::Scratch);
    }
}

void DecodeOnly() {
    for (const std::string& path : Pack().pictures) {
        TRef<TPictureDecoder> picture(new TGifDecoder(path));
        picture->WantSmileBitmaps = true;
        picture->WantTransparent = true;
        picture->Decode();
        benchmark::DoNotOptimize(picture->Frames.data());
    }
}

void EmptyFolder(const std::string& folder) {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    std::filesystem::create_directories(folder);
}

// Bytes of frame memory a picture holds: pixels, masks and headers.
size_t FrameBytes(const TPictureDecoder& picture) {
    size_t bytes = 0;
    for (const auto& frame : picture.Frames) {
        const auto* smileFrame = dynamic_cast<const TSmileBitmap*>(frame.get());
        if (!smileFrame) continue;
        bytes += smileFrame->Header.size() + smileFrame->MaskHeader.size() + smileFrame->MaskBits.size();
        if (const auto* f8 = dynamic_cast<const TSmileBitmap8*>(smileFrame)) bytes += f8->Pixels.size();
        if (const auto* f32 = dynamic_cast<const TSmileBitmap32*>(smileFrame))
            bytes += f32->Pixels.size() * 4;
    }
    return bytes;
}

long ResidentBytes() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

// Copy-only, decode-only and OpenPack, each timed in every iteration on the same files.
void BM_OpenPack(benchmark::State& state) {
    BenchPack& pack = Pack();
    TDefineDecoder model("Storage");
    model.SetBothMode(false);
    model.SetCurrentPack(kAnimatedPack);
    const std::string copyTarget = pack.root + "copy/";
    // Resident memory of the open pack, measured once on a fresh process heap (later opens
    // reuse what the previous one freed).
    static long rssDelta = [&] {
        const long before = ResidentBytes();
        model.OpenPack(pack.source + "_define.ini");
        return ResidentBytes() - before;
    }();
    double copy = 0, decode = 0, open = 0;
    size_t frameBytes = 0;
    // Where OpenPack's time goes, from its own phase reports: 0 copying into the working
    // copy, 1 reading "_define.ini", 2 canonical renames, 3 decoding and building.
    double phase[4] = {0, 0, 0, 0};
    int current = -1;
    Clock::time_point phaseStart;
    model.OnPhase = [&](TDefineDecoder&, int32_t index, int32_t, int32_t) {
        if (current >= 0) phase[current] += Seconds(phaseStart);
        current = index;
        phaseStart = Clock::now();
    };
    model.OnEndUpdate = [&](TDefineDecoder&) {
        if (current >= 0) phase[current] += Seconds(phaseStart);
        current = -1;
    };
    for (auto _ : state) {
        model.ClosePack();
        EmptyFolder(copyTarget);

        auto t0 = Clock::now();
        CopyOnly(copyTarget);
        copy += Seconds(t0);

        t0 = Clock::now();
        DecodeOnly();
        decode += Seconds(t0);

        t0 = Clock::now();
        if (!model.OpenPack(pack.source + "_define.ini")) state.SkipWithError("OpenPack failed");
        open += Seconds(t0);
        if (model.SmileCount() != kSmiles || model.ErrorCount(0) != 0) state.SkipWithError("pack not loaded");
        frameBytes = 0;
        for (int32_t i = 0; i < model.SmileCount(); ++i)
            frameBytes += FrameBytes(*model.Smile(i)->Picture.load());
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["copy_ms"] = copy / n * 1e3;
    state.counters["decode_ms"] = decode / n * 1e3;
    state.counters["open_ms"] = open / n * 1e3;
    state.counters["ratio"] = open / (copy + decode);
    state.counters["p0_copy_ms"] = phase[0] / n * 1e3;
    state.counters["p1_define_ms"] = phase[1] / n * 1e3;
    state.counters["p2_rename_ms"] = phase[2] / n * 1e3;
    state.counters["p3_build_ms"] = phase[3] / n * 1e3;
    state.counters["frame_KiB_per_smile"] = static_cast<double>(frameBytes) / kSmiles / 1024;
    state.counters["rss_KiB_per_smile"] = static_cast<double>(rssDelta) / kSmiles / 1024;
    state.counters["pack_MiB"] = static_cast<double>(pack.bytes) / (1 << 20);
}
BENCHMARK(BM_OpenPack)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
}  // namespace faceloom

BENCHMARK_MAIN();
