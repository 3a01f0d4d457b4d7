#include "animation/timer_thread.h"

#include <algorithm>

#include "animation/smile.h"

namespace faceloom {

TTimerThread::TTimerThread(std::unique_ptr<TTimerClock> clock)
    : clock_(clock ? std::move(clock) : std::make_unique<TSystemTimerClock>()),
      buckets_(std::make_unique<TAnimationNode*[]>(BucketCount)) {}

TTimerThread::~TTimerThread() {
    Shutdown();
    // Shutdown emptied the wheel; this only frees what a never-activated wheel may hold.
    std::lock_guard lock(QueueLock);
    for (uint32_t b = 0; b < BucketCount; ++b) {
        while (TAnimationNode* node = buckets_[b]) {
            buckets_[b] = node->Next;
            if (node->Smile) Drop(node);
            delete node;
        }
    }
}

void TTimerThread::Drop(TAnimationNode* node) {
    TSmile* smile = node->Smile;
    node->Smile = nullptr;
    smile->TimerNode = nullptr;
    smile->InTimer.store(false, std::memory_order_release);
    count_.fetch_sub(1, std::memory_order_acq_rel);
    smile->Release();
}

void TTimerThread::Add(TSmile* smile) {
    if (!smile || !IsActive()) return;
    if (smile->GetFrameCount() <= 1) return;  // a single frame never changes
    std::lock_guard lock(QueueLock);
    // Active is checked again under the lock: a Clear that ran in between must not be
    // followed by a filing that nothing would ever empty.
    if (!IsActive() || smile->InTimer.load(std::memory_order_acquire)) return;
    auto node = std::make_unique<TAnimationNode>();
    node->Smile = smile;
    const uint16_t current = current_.load(std::memory_order_relaxed);
    node->Next = buckets_[current];
    buckets_[current] = node.get();
    smile->TimerNode = node.release();
    smile->InTimer.store(true, std::memory_order_release);
    smile->AddRef();
    count_.fetch_add(1, std::memory_order_acq_rel);
    if (idle_.load(std::memory_order_relaxed)) {
        idle_.store(false, std::memory_order_release);
        Wakeup.Set();
    }
}

void TTimerThread::Remove(TSmile* smile) {
    if (!smile) return;
    std::lock_guard lock(QueueLock);
    if (!smile->InTimer.load(std::memory_order_acquire)) return;
    Drop(smile->TimerNode);
}

void TTimerThread::Clear() {
    std::lock_guard lock(QueueLock);
    if (idle_.load(std::memory_order_relaxed)) return;  // nothing filed
    for (uint32_t b = 0; b < BucketCount; ++b) {
        while (TAnimationNode* node = buckets_[b]) {
            buckets_[b] = node->Next;
            if (node->Smile) Drop(node);
            delete node;
        }
    }
    // Called from a hook in the middle of a pass: the pass still owns these nodes and
    // discards them once their instance is gone.
    for (TAnimationNode* node = processing_; node; node = node->Next) {
        if (node->Smile) Drop(node);
    }
}

void TTimerThread::Refile(TAnimationNode* node, uint16_t processed, int32_t delay) {
    // A display time below 10 ms (our pictures have none, but a picture may answer 0 or -1)
    // goes one bucket ahead, never into the bucket being processed: that would make the next
    // pass follow at once and spin. Times beyond a full turn stop one bucket short of it.
    const int32_t ahead = std::clamp(delay / BucketMs, 1, static_cast<int32_t>(BucketCount - 1));
    const auto bucket = static_cast<uint16_t>(processed + ahead);
    node->Next = buckets_[bucket];
    buckets_[bucket] = node;
}

TTimerPass TTimerThread::ProcessPass() {
    TTimerPass pass;
    const int64_t t0 = clock_->Now();
    {
        std::lock_guard lock(QueueLock);
        const uint16_t processed = current_.load(std::memory_order_relaxed);
        // The bucket is taken out whole: whatever a hook files meanwhile lands in a fresh
        // list and is handled by the next pass.
        processing_ = buckets_[processed];
        buckets_[processed] = nullptr;
        while (TAnimationNode* node = processing_) {
            int32_t delay = 0;
            bool stepped = false;
            if (TSmile* smile = node->Smile) {
                TRef<TSmile> hold(smile);  // a hook may take it out of the wheel
                try {
                    // A picture taken away or cut to one frame leaves nothing to step: the
                    // instance leaves the wheel, as Add would have refused it, instead of
                    // being refiled one bucket ahead and told of a change 100 times a second.
                    if (smile->IsAnimating() && smile->GetFrameCount() > 1) {
                        delay = smile->NextFrame();
                        smile->FrameChanged();
                        stepped = true;
                    }
                } catch (...) {
                    // An instance whose hooks fail cannot animate; it leaves the wheel below.
                    stepped = false;
                }
                if (!stepped && node->Smile) Drop(node);
            }
            processing_ = node->Next;
            if (stepped && node->Smile) {
                Refile(node, processed, delay);
            } else {
                delete node;
            }
        }

        uint16_t current = processed;
        uint32_t steps = 0;
        while (!buckets_[current] && steps < BucketCount - 1) {
            ++current;
            ++steps;
        }
        current_.store(current, std::memory_order_release);
        pass.Steps = steps;
        pass.WheelEmpty = buckets_[current] == nullptr;
        // Idle is set in the same hold of the lock that found the wheel empty, so an Add
        // that follows always sees it and wakes the thread.
        if (pass.WheelEmpty) idle_.store(true, std::memory_order_release);
    }
    pass.Elapsed = std::max<int64_t>(0, clock_->Now() - t0);
    if (pass.WheelEmpty) {
        pass.WaitMs = -1;
    } else {
        const int64_t due = static_cast<int64_t>(pass.Steps) * BucketMs;
        pass.WaitMs = due > pass.Elapsed ? due - pass.Elapsed : 0;
    }
    return pass;
}

void TTimerThread::Execute() {
    clock_->Wait(Wakeup, -1);
    Wakeup.Reset();
    while (!Terminated()) {
        const TTimerPass pass = ProcessPass();
        if (pass.WheelEmpty) {
            clock_->Wait(Wakeup, -1);
            Wakeup.Reset();
        } else if (pass.WaitMs > 0) {
            clock_->Wait(Wakeup, pass.WaitMs);
        }
    }
}

int32_t TTimerThread::BucketDistance(const TSmile* smile) {
    std::lock_guard lock(QueueLock);
    if (!smile || !smile->InTimer.load(std::memory_order_acquire)) return -1;
    const uint16_t current = current_.load(std::memory_order_relaxed);
    for (uint32_t i = 0; i < BucketCount; ++i) {
        for (TAnimationNode* node = buckets_[static_cast<uint16_t>(current + i)]; node; node = node->Next) {
            if (node == smile->TimerNode) return static_cast<int32_t>(i);
        }
    }
    return -1;
}

}  // namespace faceloom
