#include "views/drag_disptacher.h"

#include <QMetaObject>
#include <algorithm>

#include "animation/animation_manager.h"
#include "pictures/transparent_decoder.h"
#include "pictures/transparent_smile.h"
#include "views/drag_smile.h"
#include "views/drag_smile_window.h"

namespace faceloom {

namespace {

uint64_t PackPosition(int32_t x, int32_t y) {
    return (uint64_t{static_cast<uint32_t>(x)} << 32) | static_cast<uint32_t>(y);
}

// The frame as a top-down premultiplied image; its words already are premultiplied ARGB.
QImage FrameImage(const TTransparentSmile& frame) {
    if (!frame.Allocated || frame.Width <= 0 || frame.Height <= 0) return QImage();
    const size_t width = static_cast<size_t>(frame.Width);
    if (frame.Pixels.size() < width * static_cast<size_t>(frame.Height)) return QImage();
    QImage image(frame.Width, frame.Height, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return image;
    for (int32_t y = 0; y < frame.Height; ++y) {
        const uint32_t* source = frame.Pixels.data() + static_cast<size_t>(frame.Height - 1 - y) * width;
        std::copy(source, source + width, reinterpret_cast<uint32_t*>(image.scanLine(y)));
    }
    return image;
}

}  // namespace

TDragDisptacher::TDragDisptacher(QObject* owner)
    : QObject(owner), window_(std::make_unique<TDragSmileWindow>()) {
    manager_ = AcquireAnimationManager();
}

TDragDisptacher::~TDragDisptacher() {
    if (TDragSmile* smile = Smile()) {
        EndDrag(smile);
        // The grid may keep the instance: its hooks must not find this dispatcher any more.
        smile->Dispatcher.store(nullptr, std::memory_order_release);
    }
    manager_->WaitRenderIdle();
    ReleaseAnimationManager();
}

void TDragDisptacher::StartDrag(TDragSmile* S) {
    if (!S || Smile()) return;
    drag_.fetch_add(1, std::memory_order_acq_rel);
    smile_.store(S, std::memory_order_release);
    manager_->AddToTimer(S);
    RequestRenderOfSmile();
}

void TDragDisptacher::MoveTo(QPoint P) {
    int32_t x = P.x();
    int32_t y = P.y();
    if (TDragSmile* smile = Smile()) {
        TRef<TPictureDecoder> picture = smile->PictureRef();
        if (auto* drag = dynamic_cast<TTransparentDecoder*>(picture.get())) {
            // The smile itself, without its shadow, is centred on P.
            x -= drag->SourceWidth / 2;
            y -= drag->SourceHeight / 2;
        } else if (picture) {
            x -= picture->Width / 2;
            y -= picture->Height / 2;
        }
    }
    position_.store(PackPosition(x, y), std::memory_order_release);
    if (window_->isVisible()) window_->move(x, y);
}

void TDragDisptacher::EndDrag(TDragSmile* S) {
    TDragSmile* smile = Smile();
    if (!smile) return;
    manager_->RemoveSmile(smile);
    // The caller's instance too, should it differ: it must not stay queued for this window.
    if (S && S != smile) manager_->RemoveSmile(S);
    smile_.store(nullptr, std::memory_order_release);
    window_->hide();
    std::lock_guard lock(frameLock_);
    frame_ = QImage();
}

void TDragDisptacher::RequestRenderOfSmile() {
    TDragSmile* smile = Smile();
    if (!smile) return;
    smile->Visible.store(true, std::memory_order_relaxed);
    manager_->RequestRender(smile);
}

void TDragDisptacher::RenderSmile(TDragSmile* S) {
    // A render queued for an ended drag shows nothing.
    if (!S || S != Smile()) return;
    const uint64_t drag = drag_.load(std::memory_order_acquire);
    TRef<TPictureDecoder> picture;
    int32_t frameIndex = 0;
    if (!S->CurrentFrame(picture, frameIndex) || frameIndex >= picture->GetFrameCount()) return;
    const auto* frame = dynamic_cast<const TTransparentSmile*>(picture->GetSmileBitmap(frameIndex));
    if (!frame) return;
    QImage image = FrameImage(*frame);
    if (image.isNull()) return;
    {
        std::lock_guard lock(frameLock_);
        frame_ = std::move(image);
        frameDrag_ = drag;
    }
    renders_.fetch_add(1, std::memory_order_acq_rel);
    if (!presentPosted_.exchange(true, std::memory_order_acq_rel)) {
        QMetaObject::invokeMethod(
            this, [this] { PresentFrame(); }, Qt::QueuedConnection);
    }
}

void TDragDisptacher::PresentFrame() {
    presentPosted_.store(false, std::memory_order_release);
    QImage frame;
    {
        std::lock_guard lock(frameLock_);
        if (frame_.isNull() || frameDrag_ != drag_.load(std::memory_order_acquire)) return;
        frame = frame_;
    }
    // Ended since the render: a hidden window stays hidden.
    if (!Smile()) return;
    window_->SetFrame(frame);
    window_->move(Position());
    if (!window_->isVisible()) window_->show();
}

QPoint TDragDisptacher::Position() const {
    const uint64_t packed = position_.load(std::memory_order_acquire);
    return QPoint(static_cast<int32_t>(packed >> 32), static_cast<int32_t>(packed & 0xFFFFFFFFu));
}

int32_t TDragDisptacher::PositionX() const {
    return Position().x();
}

int32_t TDragDisptacher::PositionY() const {
    return Position().y();
}

}  // namespace faceloom
