#include "views/smile_view_smile.h"

#include "views/smile_view.h"

namespace faceloom {

bool TSmileViewSmile::Shown(const TSmileView& view) const {
    const int32_t index = Index.load(std::memory_order_relaxed);
    return view.AnimateAll() || index == view.ItemIndex() || index == view.HotIndex();
}

bool TSmileViewSmile::IsAnimating() const {
    const TSmileView* view = View.load(std::memory_order_acquire);
    return TSmile::IsAnimating() && view && view->Active() && Shown(*view);
}

bool TSmileViewSmile::CanAnimate() const {
    const TSmileView* view = View.load(std::memory_order_acquire);
    return TSmile::CanAnimate() && view && Shown(*view);
}

void TSmileViewSmile::FrameChanged() {
    if (InPaint.load(std::memory_order_acquire)) return;
    if (TSmileView* view = View.load(std::memory_order_acquire)) {
        view->CellFrameChanged(Index.load(std::memory_order_relaxed));
    }
}

void TSmileViewSmile::Render() {
    FrameChanged();
}

}  // namespace faceloom
