#pragma once

#include "animation/animation_node.h"
#include "animation/animation_thread.h"

namespace faceloom {

// Calls Render of queued instances, first in first out, one request per pass. The label and
// the floating drag image draw here, so a slow drawing never delays the frame clock.
class TRenderThread final : public TAnimationThread {
public:
    TRenderThread() = default;
    ~TRenderThread() override;

    // Queues a render request; ignored while inactive or when one is queued already.
    void Add(TSmile* smile) override;
    void Remove(TSmile* smile) override;
    void Clear() override;

protected:
    void Execute() override;

private:
    TAnimationNode* Tail = nullptr;
    TAnimationNode* Head = nullptr;
};

}  // namespace faceloom
