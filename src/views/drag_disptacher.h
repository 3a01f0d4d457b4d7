#pragma once

#include <QImage>
#include <QObject>
#include <QPoint>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "views/drag_dispatcher_base.h"

namespace faceloom {

class TAnimationManager;
class TDragSmileWindow;

// Shows the smile being dragged in a floating window that follows the mouse. The render
// thread turns the drag instance's current frame into an image; the GUI thread moves the
// window and shows the image. The window appears with the first rendered frame, so a drag of
// a smile without a picture shows nothing.
class TDragDisptacher : public QObject, public TDragDispatcherBase {
    Q_OBJECT

public:
    explicit TDragDisptacher(QObject* owner = nullptr);
    // Ends a running drag and waits for a render in progress.
    ~TDragDisptacher() override;

    void StartDrag(TDragSmile* S) override;
    void MoveTo(QPoint P) override;
    void EndDrag(TDragSmile* S) override;
    void RequestRenderOfSmile() override;
    void RenderSmile(TDragSmile* S) override;

    // The instance being shown (not counted: the grid holds it), or none.
    TDragSmile* Smile() const { return smile_.load(std::memory_order_acquire); }
    // Top-left corner of the window, in screen coordinates, as the last MoveTo placed it.
    int32_t PositionX() const;
    int32_t PositionY() const;
    // The floating window (hidden while no drag runs).
    TDragSmileWindow* Window() const { return window_.get(); }
    // Frames the render thread has prepared.
    int64_t RenderCount() const { return renders_.load(std::memory_order_acquire); }

private:
    // Posted by the render thread: shows the prepared frame if its drag still runs.
    void PresentFrame();
    QPoint Position() const;

    TAnimationManager* manager_ = nullptr;
    std::unique_ptr<TDragSmileWindow> window_;
    std::atomic<TDragSmile*> smile_{nullptr};
    // X in the high half and Y in the low half: a reader never sees half of a move.
    std::atomic<uint64_t> position_{0};
    // Counts drags, so a frame prepared for an ended drag is dropped.
    std::atomic<uint64_t> drag_{0};
    std::atomic<int64_t> renders_{0};
    std::atomic<bool> presentPosted_{false};

    std::mutex frameLock_;
    QImage frame_;  // guarded by frameLock_
    uint64_t frameDrag_ = 0;
};

}  // namespace faceloom
