#pragma once

#include <atomic>
#include <cstdint>

#include "animation/smile.h"

namespace faceloom {

class TSmileView;

// The smile instance of one grid cell. It animates while the grid is active and (all smiles
// animate, or it is the selected or the hot cell); a frame change asks the grid to repaint
// its cell. The timer thread calls the hooks, so View and Index are atomics the list keeps
// current on the GUI thread; a detached instance has no View and stops animating.
class TSmileViewSmile : public TSmile {
public:
    TSmileViewSmile() = default;

    bool IsAnimating() const override;
    bool CanAnimate() const override;
    // Timer thread: queues the cell for a repaint (the grid posts one update per pass).
    void FrameChanged() override;
    // The grid draws its cells itself on the GUI thread; a render request only repaints.
    void Render() override;

    // The owning grid (not counted), or none once the instance left it.
    std::atomic<TSmileView*> View{nullptr};
    // The instance's position in the grid's list.
    std::atomic<int32_t> Index{0};

protected:
    ~TSmileViewSmile() override = default;

private:
    bool Shown(const TSmileView& view) const;
};

}  // namespace faceloom
