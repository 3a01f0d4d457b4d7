#include "views/dirty_cells.h"

#include <algorithm>
#include <utility>

namespace faceloom {

bool TDirtyCells::Add(int32_t index) {
    std::lock_guard lock(lock_);
    indices_.push_back(index);
    if (posted_) return false;
    posted_ = true;
    return true;
}

std::vector<int32_t> TDirtyCells::Take() {
    std::vector<int32_t> indices;
    {
        std::lock_guard lock(lock_);
        indices = std::exchange(indices_, {});
        posted_ = false;
    }
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    return indices;
}

void TDirtyCells::Clear() {
    std::lock_guard lock(lock_);
    indices_.clear();
}

}  // namespace faceloom
