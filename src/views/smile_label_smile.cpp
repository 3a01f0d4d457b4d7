#include "views/smile_label_smile.h"

#include "views/smile_label.h"

namespace faceloom {

bool TSmileLabelSmile::IsAnimating() const {
    const TSmileLabel* label = Label.load(std::memory_order_acquire);
    return TSmile::IsAnimating() && label && label->Active() && label->Animate();
}

int32_t TSmileLabelSmile::NextFrame() {
    const int32_t delay = TSmile::NextFrame();
    if (TSmileLabel* label = Label.load(std::memory_order_acquire)) label->MarkFrameChanged();
    return delay;
}

int32_t TSmileLabelSmile::PrevFrame() {
    const int32_t delay = TSmile::PrevFrame();
    if (TSmileLabel* label = Label.load(std::memory_order_acquire)) label->MarkFrameChanged();
    return delay;
}

void TSmileLabelSmile::FrameChanged() {
    // A queued render shows the new frame anyway.
    if (InRenderQueue.load(std::memory_order_acquire)) return;
    if (TSmileLabel* label = Label.load(std::memory_order_acquire)) label->InvalidatePicture();
}

void TSmileLabelSmile::Render() {
    if (TSmileLabel* label = Label.load(std::memory_order_acquire)) label->RenderPicture();
}

}  // namespace faceloom
