#pragma once

#include <cstdint>

namespace faceloom {

class TEvent;

// The timer thread's sense of time: a millisecond tick and a wait on its wake-up event that
// may end early. Tests replace it to step the wheel without sleeping.
class TTimerClock {
public:
    virtual ~TTimerClock() = default;
    virtual int64_t Now() = 0;
    // Waits until wakeup is signalled or timeoutMs milliseconds have passed (a negative timeout
    // waits without a limit); true when signalled. Does not reset the event.
    virtual bool Wait(TEvent& wakeup, int64_t timeoutMs) = 0;
};

// The real clock: the monotonic tick and real waits.
class TSystemTimerClock final : public TTimerClock {
public:
    int64_t Now() override;
    bool Wait(TEvent& wakeup, int64_t timeoutMs) override;
};

}  // namespace faceloom
