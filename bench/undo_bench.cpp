// Undo against the edit it takes back, in a pack of 2,000 animated smiles, in the same run:
// deleting smile 0 (every later picture shifts down) and its undo (every one shifts back, the
// picture returns from the history), moving smile 0 to the end and its undo. Each iteration
// times the edit and the undo separately (manual time), so the two medians compare directly.
//
// The pack lives under $FACELOOM_BENCH_DIR when set (e.g. /dev/shm to leave the disk's flush
// cost out), else under the system temp folder.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>

#include "model/define_decoder.h"
#include "platform/files.h"
#include "support/bench_root.h"
#include "support/bench_smile.h"

namespace faceloom {
namespace {

constexpr int kSmiles = 2000;

using Clock = std::chrono::steady_clock;

struct UndoPack {
    std::string root;
    std::unique_ptr<TDefineDecoder> model;

    UndoPack() {
        root = MakeBenchRoot("undo-bench");
        const std::string source = root + "pack/";
        std::filesystem::create_directories(source);
        std::mt19937 random(2005);
        std::string define;
        for (int i = 0; i < kSmiles; ++i) {
            test::WriteGifFile(source + "p" + std::to_string(10000 + i) + ".gif", MakeBenchSmile(random));
            define += "s" + std::to_string(i) + "\r\n";
        }
        WriteFileAtomic(source + "_define.ini", define, TDurability::Scratch);
        model = std::make_unique<TDefineDecoder>("Storage");
        if (!model->OpenPack(source + "_define.ini")) std::abort();
    }
    ~UndoPack() {
        model.reset();
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
};

UndoPack& Pack() {
    static UndoPack pack;
    return pack;
}

// Times `edit` (undo false) or its undo (undo true) on each iteration; the other half runs
// untimed, so every iteration starts from the same pack.
void Measure(benchmark::State& state, const std::function<bool(TDefineDecoder&)>& edit, bool undo) {
    TDefineDecoder& model = *Pack().model;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (!edit(model)) state.SkipWithError("edit failed");
        const auto edited = Clock::now();
        if (!model.Undo()) state.SkipWithError("undo failed");
        const auto undone = Clock::now();
        state.SetIterationTime(
            std::chrono::duration<double>(undo ? undone - edited : edited - start).count());
    }
    // Undo leaves a redo step; the next edit drops it, as a user's would.
}

void BM_DeleteSmile(benchmark::State& state) {
    Measure(
        state, [](TDefineDecoder& m) { return m.DeleteSmile(0); }, false);
}
void BM_UndoDeleteSmile(benchmark::State& state) {
    Measure(
        state, [](TDefineDecoder& m) { return m.DeleteSmile(0); }, true);
}
void BM_MoveSmile(benchmark::State& state) {
    Measure(
        state, [](TDefineDecoder& m) { return m.MoveSmile(0, kSmiles - 1); }, false);
}
void BM_UndoMoveSmile(benchmark::State& state) {
    Measure(
        state, [](TDefineDecoder& m) { return m.MoveSmile(0, kSmiles - 1); }, true);
}

BENCHMARK(BM_DeleteSmile)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20)->Repetitions(5);
BENCHMARK(BM_UndoDeleteSmile)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20)->Repetitions(5);
BENCHMARK(BM_MoveSmile)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20)->Repetitions(5);
BENCHMARK(BM_UndoMoveSmile)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20)->Repetitions(5);

}  // namespace
}  // namespace faceloom

BENCHMARK_MAIN();
