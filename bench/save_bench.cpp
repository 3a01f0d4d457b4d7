// Saving and editing a pack of 2,000 smiles against the file work they cannot avoid, in the
// same run on the same files:
// - Save over the pack's own folder (journal, staged copies, one flush, renames) against
//   copying the same files into a folder and flushing them once ("copy+flush"), and against
//   the bare copies with no flush at all ("copy");
// - InsertSmile(0) and MoveSmile(first, last) against renaming 2,000 files of one folder.
//
// The packs live under $FACELOOM_BENCH_DIR when set (e.g. /dev/shm to leave the disk's flush
// out), else under the system temp folder.

#include <benchmark/benchmark.h>
#include <unistd.h>

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
#include "support/gif_writer.h"

namespace faceloom {
namespace {

constexpr int kSmiles = 2000;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// A small animated smile of its own size and colours (about 0.5 to 2 KB).
std::string SmileGif(std::mt19937& random) {
    std::uniform_int_distribution<int> sizeOf(16, 40);
    std::uniform_int_distribution<int> colour(0, 255);
    test::GifPicture picture;
    picture.width = static_cast<uint16_t>(sizeOf(random));
    picture.height = static_cast<uint16_t>(sizeOf(random));
    for (int i = 0; i < 16; ++i) {
        picture.globalColors.push_back({uint8_t(colour(random)), uint8_t(colour(random)), uint8_t(colour(random))});
    }
    const int seed = colour(random);
    for (int f = 0; f < 3; ++f) {
        test::GifImage image;
        image.width = picture.width;
        image.height = picture.height;
        image.pixels.resize(size_t{image.width} * image.height);
        for (size_t p = 0; p < image.pixels.size(); ++p) image.pixels[p] = uint8_t((p / 3 + f + seed) % 15 + 1);
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
        const char* base = std::getenv("FACELOOM_BENCH_DIR");
        std::string pattern = std::string(base != nullptr ? base : std::filesystem::temp_directory_path().c_str()) +
                              "/faceloom-save-bench-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        root = pattern + "/";
        setenv("XDG_DATA_HOME", (root + "home").c_str(), 1);
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

void BM_SaveOverItsFolder(benchmark::State& state) {
    Bench& bench = Shared();
    for (auto _ : state) {
        const auto start = Clock::now();
        if (!bench.model->Save()) state.SkipWithError("save failed");
        state.SetIterationTime(Seconds(start));
    }
}

// The pack's files copied into a folder that holds them already, replacing them, with one
// flush at the end (flush = true) or none.
void CopyFiles(benchmark::State& state, bool flush) {
    Bench& bench = Shared();
    const std::string target = bench.root + (flush ? "copy-flush/" : "copy/");
    std::filesystem::create_directories(target);
    const std::vector<std::string> names = FindFiles(bench.Work() + "*.*");
    for (auto _ : state) {
        const auto start = Clock::now();
        for (const std::string& name : names) {
            if (!CopyFileReplacing(bench.Work() + name, target + name, TDurability::Scratch)) {
                state.SkipWithError("copy failed");
            }
        }
        if (flush) SyncFileSystemOf(target);
        state.SetIterationTime(Seconds(start));
    }
}
void BM_CopyAndFlushSameFiles(benchmark::State& state) {
    CopyFiles(state, true);
}
void BM_CopySameFiles(benchmark::State& state) {
    CopyFiles(state, false);
}

void BM_InsertAtStart(benchmark::State& state) {
    Bench& bench = Shared();
    for (auto _ : state) {
        const auto start = Clock::now();
        if (bench.model->InsertSmile(0, bench.extra) == nullptr) state.SkipWithError("insert failed");
        state.SetIterationTime(Seconds(start));
        if (!bench.model->DeleteSmile(0)) state.SkipWithError("delete failed");
    }
}

void BM_MoveFirstToLast(benchmark::State& state) {
    Bench& bench = Shared();
    for (auto _ : state) {
        const auto start = Clock::now();
        if (!bench.model->MoveSmile(0, kSmiles - 1)) state.SkipWithError("move failed");
        state.SetIterationTime(Seconds(start));
    }
}

// Renaming 2,000 files of one folder, each once (there and back on alternate iterations).
void BM_Rename2000Files(benchmark::State& state) {
    Bench& bench = Shared();
    const std::string folder = bench.root + "rename/";
    std::filesystem::create_directories(folder);
    for (int i = 0; i < kSmiles; ++i) Write(folder + "a" + std::to_string(i), "x");
    bool there = false;
    for (auto _ : state) {
        const auto start = Clock::now();
        for (int i = 0; i < kSmiles; ++i) {
            const std::string a = folder + "a" + std::to_string(i), b = folder + "b" + std::to_string(i);
            if (::rename((there ? b : a).c_str(), (there ? a : b).c_str()) != 0) state.SkipWithError("rename failed");
        }
        state.SetIterationTime(Seconds(start));
        there = !there;
    }
}

BENCHMARK(BM_SaveOverItsFolder)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(5);
BENCHMARK(BM_CopyAndFlushSameFiles)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(5);
BENCHMARK(BM_CopySameFiles)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(5);
BENCHMARK(BM_InsertAtStart)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10)->Repetitions(5);
BENCHMARK(BM_MoveFirstToLast)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10)->Repetitions(5);
BENCHMARK(BM_Rename2000Files)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10)->Repetitions(5);

}  // namespace
}  // namespace faceloom

BENCHMARK_MAIN();
