#pragma once

#include <atomic>

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

    // Cleared by a dispatcher that goes away while the instance lives on (the grid holds it),
    // after it has taken the instance out of both animation queues; hooks then do nothing.
    std::atomic<TDragDispatcherBase*> Dispatcher;

protected:
    ~TDragSmile() override = default;
};

}  // namespace faceloom
