#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace faceloom {

// A manual-reset event: once Set, it stays signalled and releases every waiter until Reset.
// The animation threads sleep on one; a Set that comes before the wait is never lost.
class TEvent {
public:
    explicit TEvent(bool initiallySet = false) : signalled_(initiallySet) {}
    TEvent(const TEvent&) = delete;
    TEvent& operator=(const TEvent&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;

    // Waits without a timeout until the event is signalled.
    void Wait();
    // Waits at most timeoutMs milliseconds (0: only looks); true when the event is signalled.
    // A negative timeout waits without a limit.
    bool WaitFor(int64_t timeoutMs);

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_;
};

}  // namespace faceloom
