#pragma once

#include <atomic>

#include "animation/smile.h"

namespace faceloom {

class TSmileLabel;

// The smile instance a TSmileLabel shows. Its hooks run on the animation threads: they reach
// the label only through calls that are safe there (an atomic flag, a posted invalidation, the
// render-thread drawing).
class TSmileLabelSmile : public TSmile {
public:
    TSmileLabelSmile() = default;

    bool IsAnimating() const override;
    int32_t NextFrame() override;
    int32_t PrevFrame() override;
    void FrameChanged() override;
    void Render() override;

    // The label showing the instance (not counted). The label sets it when it takes the
    // instance and clears it when it lets go, before it waits for a running render, so a
    // worker never reaches a label that is gone.
    std::atomic<TSmileLabel*> Label{nullptr};

protected:
    ~TSmileLabelSmile() override = default;
};

}  // namespace faceloom
