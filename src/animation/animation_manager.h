#pragma once

#include <cstdint>
#include <memory>

#include "animation/render_thread.h"
#include "animation/timer_thread.h"

namespace faceloom {

class TSmile;

// The process-wide scheduler of smile animation: a timer thread that steps frames and a render
// thread that draws queued instances. Its operations are called on the GUI thread (and
// RequestRender also from a timer hook). Every owner calls RemoveSmile before it lets go of an
// instance it handed over.
class TAnimationManager {
public:
    // clock: the timer thread's tick and timed wait; the system clock when none is given.
    // Both threads are created suspended.
    explicit TAnimationManager(std::unique_ptr<TTimerClock> clock = nullptr);
    TAnimationManager(const TAnimationManager&) = delete;
    TAnimationManager& operator=(const TAnimationManager&) = delete;
    // Shuts the timer thread down, then the render thread.
    ~TAnimationManager();

    // Activates and runs the timer thread, then the render thread.
    void Start();
    // Deactivates the timer thread, then the render thread, emptying both queues.
    void Deactivate();

    void AddToTimer(TSmile* smile);
    void RemoveSmile(TSmile* smile);
    // Marks the instance visible, files it in the timer when it can animate and queues a
    // render of it.
    void RequestRender(TSmile* smile);
    // Returns when no Render call is in progress.
    void WaitRenderIdle();

    // True inside a hook (FrameChanged, Render) that one of the manager's threads is running.
    bool IsWorkerThread() const {
        return timerThread_->IsCurrentThread() || renderThread_->IsCurrentThread();
    }

    TTimerThread& TimerThread() { return *timerThread_; }
    TRenderThread& RenderThread() { return *renderThread_; }

private:
    std::unique_ptr<TTimerThread> timerThread_;
    std::unique_ptr<TRenderThread> renderThread_;
};

// The shared manager: the first Acquire creates and starts it, the last Release deactivates
// and destroys it. Release without a matching Acquire does nothing.
//
// Any thread may make the last Release, also a hook (FrameChanged, Render) running on one of
// the manager's own threads: nobody gets that manager any more, and a helper thread
// deactivates it (empties its queues, ignores later requests) and destroys it once the hook
// has returned, because a thread cannot wait for its own end.
TAnimationManager* AcquireAnimationManager();
void ReleaseAnimationManager();
// Returns when every manager whose last Release came from one of its own threads has ended.
// Call it on a thread that belongs to no manager (the GUI thread); the program's exit waits
// for them as well.
void WaitEndedAnimationManagers();
// The shared manager, or none while nobody uses it.
TAnimationManager* AnimationManager();
int32_t AnimationManagerUsers();

}  // namespace faceloom
