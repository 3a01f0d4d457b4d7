#pragma once

#include <cstdint>

namespace faceloom {

// Milliseconds from a fixed point in the past, never going backwards (the animation's tick).
int64_t MonotonicMilliseconds();

}  // namespace faceloom
