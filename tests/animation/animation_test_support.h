#pragma once

// Test doubles of the animation tests: a picture with chosen delays, a smile that counts its
// hooks and its destruction, and a clock the test steps by hand.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "animation/smile.h"
#include "animation/timer_clock.h"
#include "pictures/picture_decoder.h"
#include "platform/event.h"

namespace faceloom::testing {

// A decoded picture whose frames are empty slots; only the delays matter here.
class TTestPicture : public TPictureDecoder {
public:
    explicit TTestPicture(std::vector<int32_t> delays, std::atomic<int>* destroyed = nullptr)
        : destroyed_(destroyed) {
        Delays = std::move(delays);
        Frames.resize(Delays.size());
    }
    void Decode() override {}

protected:
    ~TTestPicture() override {
        if (destroyed_) destroyed_->fetch_add(1);
    }

private:
    std::atomic<int>* destroyed_;
};

class TTestSmile : public TSmile {
public:
    explicit TTestSmile(TPictureDecoder* picture = nullptr, std::atomic<int>* destroyed = nullptr)
        : destroyed_(destroyed) {
        SetPicture(picture);
    }

    void FrameChanged() override {
        FrameChanges.fetch_add(1);
        if (OnFrameChanged) OnFrameChanged(*this);
        // Touches the instance after the hook: a hook that let go of it must not end it here.
        LastFrameShown.store(FrameIndex.load());
    }
    void Render() override {
        Renders.fetch_add(1);
        if (OnRender) OnRender(*this);
    }

    // Set before the instance is handed to a thread.
    std::function<void(TTestSmile&)> OnFrameChanged;
    std::function<void(TTestSmile&)> OnRender;
    std::atomic<int> FrameChanges{0};
    std::atomic<int> Renders{0};
    std::atomic<int32_t> LastFrameShown{-1};

protected:
    ~TTestSmile() override {
        if (destroyed_) destroyed_->fetch_add(1);
    }

private:
    std::atomic<int>* destroyed_;
};

// Hand-stepped time. A timed wait is simulated: the clock jumps by the timeout and the wait
// returns at once, for the first TimedWaitBudget timed waits; after that (and for waits without
// a timeout) it really waits on the event, so the thread stops where the test can look at it.
class TManualClock : public TTimerClock {
public:
    int64_t Now() override { return NowMs.load(); }

    bool Wait(TEvent& wakeup, int64_t timeoutMs) override {
        bool simulate = false;
        {
            std::lock_guard lock(mutex_);
            waits_.push_back(timeoutMs);
            if (timeoutMs >= 0 && timedWaits_ < TimedWaitBudget) {
                ++timedWaits_;
                simulate = true;
            }
        }
        changed_.notify_all();
        if (simulate) {
            NowMs.fetch_add(timeoutMs);
            return wakeup.IsSet();
        }
        const bool signalled = wakeup.WaitFor(-1);
        {
            std::lock_guard lock(mutex_);
            ended_.push_back(timeoutMs);
        }
        changed_.notify_all();
        return signalled;
    }

    std::vector<int64_t> Waits() {
        std::lock_guard lock(mutex_);
        return waits_;
    }
    // Timeouts of the real waits that have ended (by the event).
    std::vector<int64_t> EndedWaits() {
        std::lock_guard lock(mutex_);
        return ended_;
    }
    // Waits up to 10 s until count waits have begun; false when they did not.
    bool AwaitWaits(size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return waits_.size() >= count; });
    }

    std::atomic<int64_t> NowMs{1000};
    int TimedWaitBudget = 0;  // set before the thread runs

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<int64_t> waits_;
    std::vector<int64_t> ended_;
    int timedWaits_ = 0;
};

// Lends a clock the test keeps to a thread that owns its clock, so the test can still look
// at it after the thread is gone.
class TBorrowedClock : public TTimerClock {
public:
    explicit TBorrowedClock(TTimerClock& clock) : clock_(clock) {}
    int64_t Now() override { return clock_.Now(); }
    bool Wait(TEvent& wakeup, int64_t timeoutMs) override { return clock_.Wait(wakeup, timeoutMs); }

private:
    TTimerClock& clock_;
};

// Polls until done() or about 10 s have passed; answers done().
template <class F>
bool Eventually(F done) {
    for (int i = 0; i < 2000 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return done();
}

// A gate a hook can block on until the test opens it.
class TGate {
public:
    void Open() { event_.Set(); }
    void Pass() { event_.Wait(); }

private:
    TEvent event_;
};

}  // namespace faceloom::testing
