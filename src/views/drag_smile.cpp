#include "views/drag_smile.h"

#include "views/drag_dispatcher_base.h"

namespace faceloom {

void TDragSmile::FrameChanged() {
    if (Dispatcher) Dispatcher->RequestRenderOfSmile();
}

void TDragSmile::Render() {
    if (Dispatcher) Dispatcher->RenderSmile(this);
}

}  // namespace faceloom
