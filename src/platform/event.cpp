#include "platform/event.h"

#include <chrono>

namespace faceloom {

void TEvent::Set() {
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    changed_.notify_all();
}

void TEvent::Reset() {
    std::lock_guard lock(mutex_);
    signalled_ = false;
}

bool TEvent::IsSet() const {
    std::lock_guard lock(mutex_);
    return signalled_;
}

void TEvent::Wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return signalled_; });
}

bool TEvent::WaitFor(int64_t timeoutMs) {
    if (timeoutMs < 0) {
        Wait();
        return true;
    }
    std::unique_lock lock(mutex_);
    // steady_clock: a change of the wall clock must not stretch or cut the wait.
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return signalled_; });
}

}  // namespace faceloom
