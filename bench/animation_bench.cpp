// The timer thread's cost: CPU time of the real thread per second of wall time with 1,000 and
// 10,000 instances animating with 100 ms frames, and the cost of one pass of the wheel driven
// by a hand-stepped clock (no sleeping).

#include <benchmark/benchmark.h>
#include <pthread.h>
#include <time.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "animation/animation_manager.h"
#include "animation/smile.h"
#include "animation/timer_thread.h"
#include "pictures/picture_decoder.h"
#include "platform/event.h"

namespace faceloom {
namespace {

// Empty frames with the given display times.
class TBenchPicture : public TPictureDecoder {
public:
    explicit TBenchPicture(std::vector<int32_t> delays) {
        Delays = std::move(delays);
        Frames.resize(Delays.size());
    }
    void Decode() override {}
};

// FrameChanged does nothing: the base class.
using TBenchSmile = TSmile;

class TSteppedClock : public TTimerClock {
public:
    int64_t Now() override { return now_; }
    bool Wait(TEvent& wakeup, int64_t timeoutMs) override { return wakeup.IsSet(); }

private:
    int64_t now_ = 0;
};

double ThreadCpuSeconds(clockid_t clock) {
    timespec time{};
    clock_gettime(clock, &time);
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_nsec) * 1e-9;
}

// The real timer thread over 3 s of wall time; reports its CPU time as a share of one core.
void BM_TimerThreadCpuShare(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    TRef<TBenchPicture> picture(new TBenchPicture({100, 100}));
    for (auto _ : state) {
        TAnimationManager manager;
        manager.Start();
        std::vector<TRef<TBenchSmile>> smiles;
        smiles.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            smiles.emplace_back(new TBenchSmile);
            smiles.back()->SetPicture(picture.get());
            manager.AddToTimer(smiles.back().get());
        }
        clockid_t clock{};
        pthread_getcpuclockid(manager.TimerThread().NativeHandle(), &clock);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // settle
        const auto wallStart = std::chrono::steady_clock::now();
        const double cpuStart = ThreadCpuSeconds(clock);
        std::this_thread::sleep_for(std::chrono::seconds(3));
        const double cpu = ThreadCpuSeconds(clock) - cpuStart;
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        state.SetIterationTime(wall);
        state.counters["cpu_percent"] = 100.0 * cpu / wall;
        state.counters["cpu_us_per_s"] = 1e6 * cpu / wall;
        for (auto& smile : smiles) manager.RemoveSmile(smile.get());
    }
}
BENCHMARK(BM_TimerThreadCpuShare)
    ->Arg(1000)
    ->Arg(10000)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

// Runs the benchmark loop of passes; answers the CPU time it took on this thread, in seconds
// (the machine may be busy with other work).
double TimePasses(benchmark::State& state, TTimerThread& timer) {
    const double start = ThreadCpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    for (auto _ : state) benchmark::DoNotOptimize(timer.ProcessPass());
    return ThreadCpuSeconds(CLOCK_THREAD_CPUTIME_ID) - start;
}

// One pass with every instance due in the same bucket (all were filed together): each pass
// steps all of them, ten passes a second. cpu_percent: that rate's share of one core.
void BM_TimerPassLockstep(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    TRef<TBenchPicture> picture(new TBenchPicture({100, 100}));
    TTimerThread timer(std::make_unique<TSteppedClock>());
    timer.SetActive(true);
    std::vector<TRef<TBenchSmile>> smiles;
    for (int i = 0; i < count; ++i) {
        smiles.emplace_back(new TBenchSmile);
        smiles.back()->SetPicture(picture.get());
        timer.Add(smiles.back().get());
    }
    const double seconds = TimePasses(state, timer);
    state.SetItemsProcessed(state.iterations() * count);
    state.counters["cpu_percent"] = 100.0 * 10.0 * seconds / static_cast<double>(state.iterations());
}
BENCHMARK(BM_TimerPassLockstep)->Arg(1000)->Arg(10000)->Repetitions(5)->ReportAggregatesOnly(true);

// One pass with the instances spread over the ten buckets of a frame (filed at different
// times), plus one 10 ms instance that keeps a pass in every bucket: a hundred passes a
// second, each stepping a tenth of them. cpu_percent: that rate's share of one core.
void BM_TimerPassSpread(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    TRef<TBenchPicture> picture(new TBenchPicture({100, 100}));
    TRef<TBenchPicture> pacerPicture(new TBenchPicture({10, 10}));
    TTimerThread timer(std::make_unique<TSteppedClock>());
    timer.SetActive(true);
    TRef<TBenchSmile> pacer(new TBenchSmile);
    pacer->SetPicture(pacerPicture.get());
    timer.Add(pacer.get());
    std::vector<TRef<TBenchSmile>> smiles;
    for (int i = 0; i < count; ++i) {
        if (i % (count / 10) == 0) timer.ProcessPass();  // the next group goes one bucket later
        smiles.emplace_back(new TBenchSmile);
        smiles.back()->SetPicture(picture.get());
        timer.Add(smiles.back().get());
    }
    for (int i = 0; i < 20; ++i) timer.ProcessPass();
    const double seconds = TimePasses(state, timer);
    state.SetItemsProcessed(state.iterations() * (count / 10 + 1));
    state.counters["cpu_percent"] = 100.0 * 100.0 * seconds / static_cast<double>(state.iterations());
}
BENCHMARK(BM_TimerPassSpread)->Arg(1000)->Arg(10000)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace
}  // namespace faceloom

BENCHMARK_MAIN();
