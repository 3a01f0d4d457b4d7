#pragma once

#include <atomic>
#include <cstdint>

namespace faceloom {

// The bytes the decoded frames of one pack may hold together. Every picture decoded for the
// pack takes its bytes here before it allocates them and gives them back when it goes, so a
// pack of small files that stand for huge frames stops at the limit instead of taking all the
// memory there is. Pictures are decoded on the model's thread and on its decoding thread
// alike: every count is atomic, and a picture that would pass the limit takes nothing.
class TFrameBudget {
public:
    static constexpr uint64_t kDefaultBytes = 1ull << 30;

    explicit TFrameBudget(uint64_t limit = kDefaultBytes) : limit_(limit) {}
    TFrameBudget(const TFrameBudget&) = delete;
    TFrameBudget& operator=(const TFrameBudget&) = delete;

    // Takes bytes; false, and nothing taken, when they do not fit beside what is held.
    bool Take(uint64_t bytes);
    // Gives back bytes taken before.
    void Give(uint64_t bytes);

    uint64_t Held() const { return held_.load(std::memory_order_relaxed); }
    // The most ever held at once.
    uint64_t Peak() const { return peak_.load(std::memory_order_relaxed); }
    uint64_t Limit() const { return limit_.load(std::memory_order_relaxed); }
    // A lower limit takes nothing back: it stops the next pictures.
    void SetLimit(uint64_t bytes) { limit_.store(bytes, std::memory_order_relaxed); }

private:
    std::atomic<uint64_t> held_{0};
    std::atomic<uint64_t> peak_{0};
    std::atomic<uint64_t> limit_;
};

}  // namespace faceloom
