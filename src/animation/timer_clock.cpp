#include "animation/timer_clock.h"

#include "platform/clock.h"
#include "platform/event.h"

namespace faceloom {

int64_t TSystemTimerClock::Now() {
    return MonotonicMilliseconds();
}

bool TSystemTimerClock::Wait(TEvent& wakeup, int64_t timeoutMs) {
    return wakeup.WaitFor(timeoutMs);
}

}  // namespace faceloom
