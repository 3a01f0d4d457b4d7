#pragma once

#include "animation/smile.h"

namespace faceloom {

class TDragDispatcherBase;

// The smile instance shown by the floating drag image: each frame change asks the dispatcher
// for a render, and the render thread has the dispatcher draw it.
class TDragSmile : public TSmile {
public:
    explicit TDragSmile(TDragDispatcherBase* dispatcher) : Dispatcher(dispatcher) {}

    void FrameChanged() override;
    void Render() override;

    TDragDispatcherBase* const Dispatcher;

protected:
    ~TDragSmile() override = default;
};

}  // namespace faceloom
