// Saving and editing a pack of 2,000 smiles against the file work they cannot avoid, in the
// same run on the same files, taking turns within each iteration:
// - Save over the pack's own folder (journal, staged copies, one flush, renames) against
//   copying the same files into a folder and flushing them once ("copy+flush"), and against
//   the bare copies with no flush at all ("copy");
// - InsertSmile(0) and MoveSmile(first, last) against renaming 2,000 files of one folder.
//
// The packs live under $FACELOOM_BENCH_DIR when set (e.g. /dev/shm to leave the disk's flush
// out), else under the system temp folder.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "model/define_decoder.h"
#include "platform/files.h"
#include "support/bench_root.h"
#include "support/gif_writer.h"

namespace faceloom {
namespace {

constexpr int kSmiles = 2000;

using Clock = std::chrono::steady_clock;

// A small animated smile of its own size and colours (about 0.5 to 2 KB).
std::string SmileGif(std::mt19937& random) {
    std::uniform_int_distribution<int> sizeOf(16, 40);
    std::uniform_int_distribution<int> colour(0, 255);
    test::GifPicture picture;
    picture.width = static_cast<uint16_t>(sizeOf(random));
    picture.height = static_cast<uint16_t>(sizeOf(random));
    for (int i = 0; i < 16; ++i) {
        picture.globalColors.push_back(
            {uint8_t(colour(random)), uint8_t(colour(random)), uint8_t(colour(random))});
    }
    const int seed = colour(random);
    for (int f = 0; f < 3; ++f) {
        test::GifImage image;
        image.width = picture.width;
        image.height = picture.height;
        image.pixels.resize(size_t{image.width} * image.height);
        for (size_t p = 0; p < image.pixels.size(); ++p)
            image.pixels[p] = uint8_t((p / 3 + f + seed) % 15 + 1);
        image.delay = 10;
        image.disposal = 1;
        picture.images.push_back(std::move(image));
    }
    return test::EncodeGif(picture);
}

void Write(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) std::abort();
    std::fclose(file);
}

// One run's folders: a pack folder of kSmiles pictures, opened into the model's working copy.
struct Bench {
    std::string root;
    std::string source;
    std::string extra;  // a picture to insert
    std::unique_ptr<TDefineDecoder> model;

    Bench() {
        root = MakeBenchRoot("save-bench");
        source = root + "pack/";
        std::filesystem::create_directories(source);
        std::mt19937 random(7);
        std::string define;
        for (int i = 0; i < kSmiles; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "smile%04d.gif", i);
            Write(source + name, SmileGif(random));
            define += ":s" + std::to_string(i) + (i + 1 < kSmiles ? "\r\n" : "");
        }
        Write(source + "_define.ini", define);
        extra = root + "extra.gif";
        Write(extra, SmileGif(random));
        model = std::make_unique<TDefineDecoder>("Storage");
        model->SetBothMode(false);
        model->SetCurrentPack(kAnimatedPack);
        if (!model->OpenPack(source + "_define.ini")) std::abort();
    }
    ~Bench() {
        model.reset();
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    const std::string& Work() const { return model->WorkingFolder(kAnimatedPack); }
};

Bench& Shared() {
    static Bench bench;
    return bench;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// The pack's files copied into a folder that holds them already, replacing them, each flushed
// as it is written (flush = true, a careful copy) or none.
double CopyFiles(Bench& bench, const std::string& target, bool flush) {
    std::filesystem::create_directories(target);
    const std::vector<std::string> names = FindFiles(bench.Work() + "*.*");
    const auto start = Clock::now();
    for (const std::string& name : names) {
        if (!CopyFileReplacing(bench.Work() + name, target + name,
                               flush ? TDurability::Durable : TDurability::Scratch)) {
            std::abort();
        }
    }
    return Seconds(start);
}

// Renaming 2,000 files of one folder, each once (there and back on alternate calls).
double RenameFiles(Bench& bench) {
    static bool there = false;
    const std::string folder = bench.root + "rename/";
    if (!std::filesystem::exists(folder)) {
        std::filesystem::create_directories(folder);
        for (int i = 0; i < kSmiles; ++i) Write(folder + "a" + std::to_string(i), "x");
    }
    const auto start = Clock::now();
    for (int i = 0; i < kSmiles; ++i) {
        const std::string a = folder + "a" + std::to_string(i), b = folder + "b" + std::to_string(i);
        if (::rename((there ? b : a).c_str(), (there ? a : b).c_str()) != 0) std::abort();
    }
    there = !there;
    return Seconds(start);
}

// Save and its baselines take turns within each iteration, so that a busy disk weighs on all
// of them alike; the counters are the medians (ms) and the ratios of the medians.
void BM_SaveAgainstCopying(benchmark::State& state) {
    Bench& bench = Shared();
    std::vector<double> save, copyFlush, copy;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (!bench.model->Save()) state.SkipWithError("save failed");
        save.push_back(Seconds(start));
        copyFlush.push_back(CopyFiles(bench, bench.root + "copy-flush/", true));
        copy.push_back(CopyFiles(bench, bench.root + "copy/", false));
        state.SetIterationTime(save.back());
    }
    state.counters["save_ms"] = Median(save) * 1e3;
    state.counters["copy_flush_ms"] = Median(copyFlush) * 1e3;
    state.counters["copy_ms"] = Median(copy) * 1e3;
    state.counters["save_vs_copy_flush"] = Median(save) / Median(copyFlush);
    state.counters["save_vs_copy"] = Median(save) / Median(copy);
}

void BM_EditsAgainstRenaming(benchmark::State& state) {
    Bench& bench = Shared();
    std::vector<double> insert, move, rename;
    for (auto _ : state) {
        auto start = Clock::now();
        if (bench.model->InsertSmile(0, bench.extra) == nullptr) state.SkipWithError("insert failed");
        insert.push_back(Seconds(start));
        if (!bench.model->DeleteSmile(0)) state.SkipWithError("delete failed");
        start = Clock::now();
        if (!bench.model->MoveSmile(0, kSmiles - 1)) state.SkipWithError("move failed");
        move.push_back(Seconds(start));
        rename.push_back(RenameFiles(bench));
        state.SetIterationTime(insert.back());
    }
    state.counters["insert_ms"] = Median(insert) * 1e3;
    state.counters["move_ms"] = Median(move) * 1e3;
    state.counters["rename_ms"] = Median(rename) * 1e3;
    state.counters["insert_vs_rename"] = Median(insert) / Median(rename);
    state.counters["move_vs_rename"] = Median(move) / Median(rename);
}

BENCHMARK(BM_SaveAgainstCopying)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(9);
BENCHMARK(BM_EditsAgainstRenaming)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

}  // namespace
}  // namespace faceloom

BENCHMARK_MAIN();
