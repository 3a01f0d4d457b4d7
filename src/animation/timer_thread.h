#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "animation/animation_node.h"
#include "animation/animation_thread.h"
#include "animation/timer_clock.h"

namespace faceloom {

// Outcome of one pass of the timer thread.
struct TTimerPass {
    bool WheelEmpty = false;  // nothing left in the wheel: the thread sleeps until an Add
    uint32_t Steps = 0;       // buckets from the processed one to the next non-empty one
    int64_t Elapsed = 0;      // milliseconds the pass took
    int64_t WaitMs = 0;       // the timed wait that follows (-1: no timeout)
};

// Steps every animating instance by its frames' display times: a timing wheel of 65,536
// buckets of 10 ms. A frame of d milliseconds files the instance d div 10 buckets ahead of the
// bucket being processed. The thread processes bucket Current, searches forward for the next
// non-empty bucket and waits until 10 ms per bucket passed have elapsed since the pass began;
// overruns are not made up. With nothing filed it sleeps without a timeout. A pass drops an
// instance that no longer animates or whose picture has gone or has fewer than two frames.
class TTimerThread final : public TAnimationThread {
public:
    static constexpr uint32_t BucketCount = 65536;
    static constexpr int32_t BucketMs = 10;

    // clock: the tick and the timed wait; the system clock when none is given.
    explicit TTimerThread(std::unique_ptr<TTimerClock> clock = nullptr);
    ~TTimerThread() override;

    // Files the instance into bucket Current, so it steps at the next pass. Ignored while
    // inactive, for an instance already filed, and for pictures of fewer than two frames.
    void Add(TSmile* smile) override;
    // Takes the instance out; its node stays behind empty and is discarded when reached.
    void Remove(TSmile* smile) override;
    void Clear() override;

    // One pass of the thread body: process bucket Current and search for the next due bucket.
    // The thread calls it in a loop; tests call it directly on a thread that was never resumed.
    TTimerPass ProcessPass();

    int32_t Count() const { return count_.load(std::memory_order_acquire); }
    uint16_t Current() const { return current_.load(std::memory_order_acquire); }
    bool Idle() const { return idle_.load(std::memory_order_acquire); }
    // Buckets between Current and the one holding the instance's node, or -1 when the
    // instance is not filed. Scans the wheel; meant for tests.
    int32_t BucketDistance(const TSmile* smile);

protected:
    void Execute() override;

private:
    // Takes the node's instance out of the wheel; the node itself stays with the caller.
    void Drop(TAnimationNode* node);
    void Refile(TAnimationNode* node, uint16_t processed, int32_t delay);

    std::unique_ptr<TTimerClock> clock_;
    std::atomic<int32_t> count_{0};
    std::unique_ptr<TAnimationNode*[]> buckets_;
    std::atomic<uint16_t> current_{0};
    std::atomic<bool> idle_{true};
    // Nodes of the bucket being processed (taken out of it), the node in hand first; Clear
    // empties their instances when a hook calls it in the middle of a pass.
    TAnimationNode* processing_ = nullptr;
};

}  // namespace faceloom
