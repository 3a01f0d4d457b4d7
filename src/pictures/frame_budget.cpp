#include "pictures/frame_budget.h"

namespace faceloom {

bool TFrameBudget::Take(uint64_t bytes) {
    uint64_t held = held_.load(std::memory_order_relaxed);
    uint64_t after = 0;
    do {
        const uint64_t limit = limit_.load(std::memory_order_relaxed);
        if (bytes > limit || held > limit - bytes) return false;
        after = held + bytes;
    } while (!held_.compare_exchange_weak(held, after, std::memory_order_relaxed));
    uint64_t peak = peak_.load(std::memory_order_relaxed);
    while (after > peak && !peak_.compare_exchange_weak(peak, after, std::memory_order_relaxed)) {
    }
    return true;
}

void TFrameBudget::Give(uint64_t bytes) {
    held_.fetch_sub(bytes, std::memory_order_relaxed);
}

}  // namespace faceloom
