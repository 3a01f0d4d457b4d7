#include "animation/smile.h"

#include "pictures/picture_decoder.h"

namespace faceloom {

TSmile::~TSmile() {
    if (TPictureDecoder* picture = Picture.exchange(nullptr)) picture->Release();
}

bool TSmile::IsAnimating() const {
    return Visible.load(std::memory_order_relaxed);
}

bool TSmile::CanAnimate() const {
    return AnimationAllowed.load(std::memory_order_relaxed);
}

int32_t TSmile::NextFrame() {
    std::lock_guard lock(pictureLock_);
    TPictureDecoder* picture = Picture.load(std::memory_order_relaxed);
    if (!picture) return 0;
    const int32_t count = picture->GetFrameCount();
    const int32_t index = FrameIndex.load(std::memory_order_relaxed);
    // An index outside the frames (the picture was replaced by a shorter one) starts over.
    const int32_t next = (index < 0 || index >= count - 1) ? 0 : index + 1;
    FrameIndex.store(next, std::memory_order_relaxed);
    return picture->GetDelay(next);
}

int32_t TSmile::PrevFrame() {
    std::lock_guard lock(pictureLock_);
    TPictureDecoder* picture = Picture.load(std::memory_order_relaxed);
    if (!picture) return 0;
    const int32_t count = picture->GetFrameCount();
    const int32_t index = FrameIndex.load(std::memory_order_relaxed);
    int32_t prev = 0;
    if (count > 0) prev = (index <= 0 || index > count - 1) ? count - 1 : index - 1;
    FrameIndex.store(prev, std::memory_order_relaxed);
    return picture->GetDelay(prev);
}

void TSmile::FrameChanged() {}

void TSmile::Render() {}

void TSmile::SetPicture(TPictureDecoder* picture) {
    TPictureDecoder* old = nullptr;
    {
        std::lock_guard lock(pictureLock_);
        old = Picture.load(std::memory_order_relaxed);
        if (old == picture) return;
        if (picture) picture->AddRef();
        Picture.store(picture, std::memory_order_release);
    }
    // Outside the lock: destroying the old picture may take a while, and no stepping thread
    // reaches it any more.
    if (old) old->Release();
}

TRef<TPictureDecoder> TSmile::PictureRef() const {
    std::lock_guard lock(pictureLock_);
    return TRef<TPictureDecoder>(Picture.load(std::memory_order_relaxed));
}

bool TSmile::CurrentFrame(TRef<TPictureDecoder>& picture, int32_t& frameIndex) const {
    std::lock_guard lock(pictureLock_);
    TPictureDecoder* current = Picture.load(std::memory_order_relaxed);
    picture.reset(current);
    frameIndex = 0;
    if (!current) return false;
    const int32_t index = FrameIndex.load(std::memory_order_relaxed);
    if (index >= 0 && index < current->GetFrameCount()) frameIndex = index;
    return true;
}

int32_t TSmile::GetFrameCount() const {
    std::lock_guard lock(pictureLock_);
    TPictureDecoder* picture = Picture.load(std::memory_order_relaxed);
    return picture ? picture->GetFrameCount() : 0;
}

}  // namespace faceloom
