// The deep check of a pack of 2,000 animated smiles against opening it, in the same run,
// taking turns within each iteration: OpenPack (copy, canonical names, decoding) and then
// CheckPack on the opened pack (signatures, hashes of the decoded frames, the files read once
// more for their raw layout, the source folder listed). Counters: the medians (ms) and
// check_vs_open, the ratio of the medians (the bar is 0.5).
//
// Two packs: the bench smiles (sizes, frame counts and delays vary, so few pictures need
// their pixels hashed), and the worst case for that, smiles of one size, frame count and
// delay that differ only in their pixels, so every frame of every picture is hashed.
//
// The pack lives under $FACELOOM_BENCH_DIR when set (e.g. /dev/shm), else under the system
// temp folder.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "model/define_decoder.h"
#include "model/pack_check.h"
#include "platform/files.h"
#include "support/bench_root.h"
#include "support/bench_smile.h"

namespace faceloom {
namespace {

constexpr int kSmiles = 2000;

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// A 32x32 smile of 8 frames, all delays 100 ms; smiles differ by their pixels only.
test::GifPicture SameShapeSmile(int index) {
    test::GifPicture picture;
    picture.width = 32;
    picture.height = 32;
    for (int c = 0; c < 16; ++c) {
        picture.globalColors.push_back({uint8_t(c * 16), uint8_t(255 - c * 16), uint8_t((c * 97) & 255)});
    }
    for (int f = 0; f < 8; ++f) {
        test::GifImage image;
        image.width = 32;
        image.height = 32;
        image.pixels.resize(32 * 32);
        for (size_t p = 0; p < image.pixels.size(); ++p) {
            image.pixels[p] =
                uint8_t((p * 7 + static_cast<size_t>(index) * 13 + static_cast<size_t>(f)) % 15 + 1);
        }
        image.pixels[static_cast<size_t>(index) % 1024] = 0;  // one pixel of its own
        image.delay = 10;
        picture.images.push_back(std::move(image));
    }
    return picture;
}

struct CheckPackBench {
    std::string root;
    std::string define;
    std::unique_ptr<TDefineDecoder> model;

    explicit CheckPackBench(bool sameShape) {
        root = MakeBenchRoot("check-bench");
        const std::string source = root + "pack/";
        std::filesystem::create_directories(source);
        std::mt19937 random(2005);
        std::string lines;
        for (int i = 0; i < kSmiles; ++i) {
            test::WriteGifFile(source + "p" + std::to_string(10000 + i) + ".gif",
                               sameShape ? SameShapeSmile(i) : MakeBenchSmile(random));
            // Two signatures each, none inside another: the signature check runs to the end.
            lines += ":s" + std::to_string(i) + ":,(" + std::to_string(i) + ")\r\n";
        }
        WriteFileAtomic(source + "_define.ini", lines, TDurability::Scratch);
        define = source + "_define.ini";
        model = std::make_unique<TDefineDecoder>("Storage");
        model->SetBothMode(false);
        model->SetCurrentPack(kAnimatedPack);
    }
    ~CheckPackBench() {
        model.reset();
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
};

void Measure(benchmark::State& state, CheckPackBench& bench) {
    std::vector<double> open, check;
    size_t findings = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        if (!bench.model->OpenPack(bench.define) || bench.model->SmileCount() != kSmiles) {
            state.SkipWithError("open failed");
            break;
        }
        open.push_back(Seconds(start));
        start = Clock::now();
        const TCheckResult result = CheckPack(CheckInputOf(*bench.model));
        check.push_back(Seconds(start));
        findings = result.Findings.size();
        state.SetIterationTime(check.back());
    }
    state.counters["open_ms"] = Median(open) * 1e3;
    state.counters["check_ms"] = Median(check) * 1e3;
    state.counters["check_vs_open"] = Median(open) > 0 ? Median(check) / Median(open) : 0;
    state.counters["findings"] = static_cast<double>(findings);
}

void BM_CheckAgainstOpen(benchmark::State& state) {
    static CheckPackBench bench(false);
    Measure(state, bench);
}
void BM_CheckAgainstOpenSameShapes(benchmark::State& state) {
    static CheckPackBench bench(true);
    Measure(state, bench);
}

BENCHMARK(BM_CheckAgainstOpen)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(9);
BENCHMARK(BM_CheckAgainstOpenSameShapes)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(9);

}  // namespace
}  // namespace faceloom

BENCHMARK_MAIN();
