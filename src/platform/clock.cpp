#include "platform/clock.h"

#include <chrono>

namespace faceloom {

int64_t MonotonicMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace faceloom
