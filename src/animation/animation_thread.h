#pragma once

#include <atomic>
#include <mutex>
#include <thread>

#include "platform/event.h"

namespace faceloom {

class TSmile;

// Base of the two animation workers. A thread is created suspended: it has no OS thread until
// Resume. While not Active it ignores Add; switching Active off empties its queue.
//
// Lock order: the timer's QueueLock before the render thread's QueueLock, never the other way.
// Both queue locks are re-entrant, because a timer hook (FrameChanged) may queue the instance
// being stepped again, on the same thread.
class TAnimationThread {
public:
    TAnimationThread() = default;
    TAnimationThread(const TAnimationThread&) = delete;
    TAnimationThread& operator=(const TAnimationThread&) = delete;
    // Descendants call Shutdown in their own destructor, while their queue still exists.
    // Never destroy a thread from its own hooks: it cannot wait for itself to end.
    virtual ~TAnimationThread();

    bool IsActive() const { return active_.load(std::memory_order_acquire); }
    // Switching from active to inactive empties the queue (Clear).
    void SetActive(bool active);
    // Lets a suspended thread run (starts its OS thread); does nothing once it runs.
    void Resume();
    bool Terminated() const { return terminated_.load(std::memory_order_acquire); }
    // The OS thread once resumed (for measuring its CPU time); a default value before.
    std::thread::native_handle_type NativeHandle();
    // True on the thread itself, that is inside one of its hooks.
    bool IsCurrentThread() const {
        return ownId_.load(std::memory_order_acquire) == std::this_thread::get_id();
    }

    // Deactivates (empties the queue), asks the thread to end, wakes it and waits until it
    // has ended. Safe to call more than once.
    virtual void Shutdown();
    // Returns when no Render call is in progress on this thread.
    virtual void WaitIdle();
    virtual void Add(TSmile* smile) = 0;
    virtual void Remove(TSmile* smile) = 0;
    virtual void Clear() = 0;

protected:
    // The thread body; it ends when Terminated() becomes true.
    virtual void Execute() = 0;

    TEvent Wakeup;
    // Guards the queue and, for every queued instance, its queue flag and node.
    std::recursive_mutex QueueLock;
    // Held by the render thread while one instance renders.
    std::mutex RenderLock;

private:
    std::atomic<bool> active_{false};
    std::atomic<bool> terminated_{false};
    std::mutex threadLock_;
    std::thread thread_;
    // Set by the thread when it starts; read without threadLock_, which Shutdown holds while
    // it waits for the thread.
    std::atomic<std::thread::id> ownId_{};
};

}  // namespace faceloom
