#include "views/drag_smile.h"

#include "views/drag_dispatcher_base.h"

namespace faceloom {

void TDragSmile::FrameChanged() {
    if (TDragDispatcherBase* dispatcher = Dispatcher.load(std::memory_order_acquire)) {
        dispatcher->RequestRenderOfSmile();
    }
}

void TDragSmile::Render() {
    if (TDragDispatcherBase* dispatcher = Dispatcher.load(std::memory_order_acquire)) {
        dispatcher->RenderSmile(this);
    }
}

}  // namespace faceloom
