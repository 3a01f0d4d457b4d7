#pragma once

#include <cstdint>
#include <mutex>

#include "platform/surface.h"

namespace faceloom {

// The one scratch surface that scaled masked drawing composes on (an unscaled one needs none).
// It only grows, so frames of mixed sizes do not reallocate it on every draw. Every draw that
// uses it holds its lock from Prepare to the last blit, because frames are drawn from the GUI
// thread and the render thread at once.
class TSmileImage {
public:
    // The process-wide instance, created on first use and destroyed at exit.
    static TSmileImage& Instance();

    TSmileImage() = default;
    TSmileImage(const TSmileImage&) = delete;
    TSmileImage& operator=(const TSmileImage&) = delete;

    void Lock() { lock_.lock(); }
    void Unlock() { lock_.unlock(); }
    // Growing never makes the scratch larger than this many pixels (a very wide frame and a
    // very tall one would ask for their product); beyond it the scratch takes the size asked.
    static constexpr int64_t kMaxGrownPixels = int64_t{1} << 20;

    // Makes the scratch bitmap at least Width x Height: kept when it already is, else grown to
    // the larger of each side. Only the top-left Width x Height part is meant for the caller.
    // Called under the lock.
    void Prepare(int32_t Width, int32_t Height, const TSurface& Canvas);
    TSurface& Bitmap() { return bitmap_; }

    int32_t Width = 0;
    int32_t Height = 0;
    bool HasBitmap = false;
    // How many scratch bitmaps have been created so far (each growth costs one).
    int64_t BitmapsCreated = 0;

private:
    TSurface bitmap_;
    std::mutex lock_;
};

}  // namespace faceloom
