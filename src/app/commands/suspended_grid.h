#pragma once

#include "views/smile_view.h"

namespace faceloom {

// Takes the grid inactive for a rebuild and restores its state on every way out.
class TSuspendedGrid {
public:
    explicit TSuspendedGrid(TSmileView& grid) : grid_(grid), active_(grid.Active()) {
        grid_.SetActive(false);
    }
    ~TSuspendedGrid() { grid_.SetActive(active_); }
    TSuspendedGrid(const TSuspendedGrid&) = delete;
    TSuspendedGrid& operator=(const TSuspendedGrid&) = delete;

private:
    TSmileView& grid_;
    bool active_;
};

}  // namespace faceloom
