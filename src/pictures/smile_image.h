#pragma once

#include <cstdint>
#include <mutex>

#include "platform/surface.h"

namespace faceloom {

// The one scratch surface that masked drawing composes on. It is recreated only when a frame
// of another size is drawn. Every masked draw holds its lock from Prepare to the last blit,
// because frames are drawn from the GUI thread and the render thread at once.
class TSmileImage {
public:
    // The process-wide instance, created on first use and destroyed at exit.
    static TSmileImage& Instance();

    TSmileImage() = default;
    TSmileImage(const TSmileImage&) = delete;
    TSmileImage& operator=(const TSmileImage&) = delete;

    void Lock() { lock_.lock(); }
    void Unlock() { lock_.unlock(); }
    // Makes the scratch bitmap exactly Width x Height (kept when it already is). Called
    // under the lock.
    void Prepare(int32_t Width, int32_t Height, const TSurface& Canvas);
    TSurface& Bitmap() { return bitmap_; }

    int32_t Width = 0;
    int32_t Height = 0;
    bool HasBitmap = false;
    // How many scratch bitmaps have been created so far (a size change costs one).
    int64_t BitmapsCreated = 0;

private:
    TSurface bitmap_;
    std::mutex lock_;
};

}  // namespace faceloom
