#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "animation/animation_node.h"
#include "animation/signature_list.h"
#include "pictures/base_object.h"

namespace faceloom {

class TPictureDecoder;

// One animated appearance of a smile picture, shared by reference counting between its owner
// (pack model, grid, label, drag image) and the animation threads. It also carries the smile's
// pack data: its signatures and the load-error flag.
//
// Threads: the owner works on the GUI thread; the timer thread steps the frame (NextFrame, then
// FrameChanged) and the render thread calls Render. FrameChanged and Render therefore run on
// worker threads and must not touch widgets: a view posts a coalesced update to the GUI thread
// instead (FrameIndex tells which frame to show; CurrentFrame gives a consistent picture and
// index to a thread that draws). FrameChanged runs while the timer's queue lock is held. The
// last reference may be let go on a worker thread, so no destructor of an instance may touch
// a window object either.
class TSmile : public TBaseObject {
public:
    TSmile() = default;

    // Whether the timer keeps stepping the instance; checked at every due bucket.
    virtual bool IsAnimating() const;
    // Whether a render request also files the instance in the timer.
    virtual bool CanAnimate() const;
    // Step FrameIndex forward / back cyclically and answer the new frame's display time in
    // milliseconds; 0 and no change without a picture.
    virtual int32_t NextFrame();
    virtual int32_t PrevFrame();
    // Called by the timer thread after every step.
    virtual void FrameChanged();
    // Called by the render thread for every handled render request.
    virtual void Render();

    // Takes a counted reference to picture (none allowed) and lets go of the previous one.
    // Safe against a worker stepping the instance at the same time.
    void SetPicture(TPictureDecoder* picture);
    // A counted reference to the current picture; for threads other than the one calling
    // SetPicture.
    TRef<TPictureDecoder> PictureRef() const;
    // The current picture and a frame index valid for it (0 when FrameIndex lies outside it),
    // taken together; false without a picture.
    bool CurrentFrame(TRef<TPictureDecoder>& picture, int32_t& frameIndex) const;
    // Frames of the current picture; 0 without one.
    int32_t GetFrameCount() const;

    // True while the timer wheel holds the instance (and one reference to it).
    std::atomic<bool> InTimer{false};
    // Cleared by the owner when the instance can no longer be seen.
    std::atomic<bool> Visible{true};
    std::atomic<bool> AnimationAllowed{true};
    // True while a render request is queued (the queue holds one reference). Only the render
    // queue sets it, so a removal follows RenderNode exactly when a node is queued.
    std::atomic<bool> InRenderQueue{false};
    // True while the grid draws the instance's cell itself, so that a frame change arriving
    // meanwhile does not ask for the same cell again. Nothing of the render queue reads it.
    std::atomic<bool> InPaint{false};
    // Guarded by the timer's and the render thread's queue locks.
    TAnimationNode* TimerNode = nullptr;
    TAnimationNode* RenderNode = nullptr;
    // Counted; change it only through SetPicture.
    std::atomic<TPictureDecoder*> Picture{nullptr};
    std::atomic<int32_t> FrameIndex{0};
    // Set before Pending clears, by the thread that decoded the picture.
    std::atomic<bool> LoadError{false};
    // With LoadError: the picture is not damaged, its frames did not fit the pack's budget of
    // decoded frames (too large for memory).
    std::atomic<bool> TooLargeForMemory{false};
    // True while the picture waits to be decoded in the background (the smile shows nothing
    // yet, and is neither missing nor damaged).
    std::atomic<bool> Pending{false};
    TSignatureList Signatures;

protected:
    ~TSmile() override;

private:
    // Keeps the picture alive while a worker steps the instance and the owner replaces it.
    mutable std::mutex pictureLock_;
};

}  // namespace faceloom
