#pragma once

#include <QPoint>

namespace faceloom {

class TDragSmile;

// What the grid asks of the floating drag image. TDragDisptacher shows a real floating window;
// the grid also runs with none (no compositing) and tests give it fakes.
class TDragDispatcherBase {
public:
    virtual ~TDragDispatcherBase() = default;

    // GUI thread. A second StartDrag while one runs is ignored.
    virtual void StartDrag(TDragSmile* smile) = 0;
    // GUI thread; screenPos is where the smile's own centre (without its shadow) goes.
    virtual void MoveTo(QPoint screenPos) = 0;
    // GUI thread; harmless when no drag runs.
    virtual void EndDrag(TDragSmile* smile) = 0;
    // GUI thread (StartDrag) and timer thread (a frame change): queue a render of the smile.
    virtual void RequestRenderOfSmile() = 0;
    // Render thread: push the smile's current frame to the floating window.
    virtual void RenderSmile(TDragSmile* smile) = 0;
};

}  // namespace faceloom
