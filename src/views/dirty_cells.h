#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

namespace faceloom {

// Cells whose frame changed, collected on the timer thread and taken by the GUI thread. Only
// the first Add after a Take asks for a post, so one timer pass costs one posted event however
// many smiles it steps.
class TDirtyCells {
public:
    // Any thread. True when the caller must post an update (nothing is pending yet).
    bool Add(int32_t index);
    // GUI thread: the indices collected since the last Take, sorted and without repeats; the
    // next Add asks for a post again.
    std::vector<int32_t> Take();
    // Forgets what is pending (the whole window is repainted anyway).
    void Clear();

private:
    std::mutex lock_;
    std::vector<int32_t> indices_;
    bool posted_ = false;
};

}  // namespace faceloom
