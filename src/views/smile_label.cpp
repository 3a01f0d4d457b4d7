#include "views/smile_label.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QThread>
#include <algorithm>

#include "animation/animation_manager.h"
#include "pictures/picture_decoder.h"
#include "pictures/smile_bitmap.h"
#include "platform/bitmap.h"
#include "platform/surface.h"
#include "views/smile_label_smile.h"
#include "views/win_color.h"

namespace faceloom {

namespace {

// The rectangle from (left, top) to (right, bottom), empty when it has no area; a band of the
// label may be inverted when the picture area is larger than the client.
QRect Band(int left, int top, int right, int bottom) {
    if (right <= left || bottom <= top) return QRect();
    return QRect(left, top, right - left, bottom - top);
}

QColor DrawColor(TColor resolved) {
    return WinColorToQColor(resolved & 0x00FFFFFFu);
}

}  // namespace

TSmileLabel::TSmileLabel(QWidget* parent) : QWidget(parent) {
    // Opaque: every pixel is painted, nothing is erased first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    manager_ = AcquireAnimationManager();
    ResolveColors();
}

TSmileLabel::~TSmileLabel() {
    SetActive(false);
    SetSmile(nullptr);
    ReleaseAnimationManager();
}

void TSmileLabel::SetSmile(TSmile* S) {
    // Held until the end: S may be the smile shown now, whose last reference is the label's.
    TRef<TSmile> keep(S);
    const bool wasActive = Active();
    SetActive(false);
    if (TSmileLabelSmile* old = smile_.get()) {
        manager_->RemoveSmile(old);
        old->Label.store(nullptr, std::memory_order_release);
        // A render that found the label through the smile before it was cleared ends first.
        manager_->WaitRenderIdle();
        smile_.reset();
        std::lock_guard lock(bufferLock_);
        bufferReady_ = false;
    }
    auto* labelSmile = dynamic_cast<TSmileLabelSmile*>(S);
    if (!labelSmile) {
        InvalidateWindow();
        return;
    }
    labelSmile->Label.store(this, std::memory_order_release);
    smile_.reset(labelSmile);
    layoutDirty_ = true;
    SetActive(wasActive);
    InvalidateWindow();
    MarkFrameChanged();
}

void TSmileLabel::SetActive(bool Value) {
    if (Value == Active()) return;
    if (Value) {
        // Laid out before the flag goes up, so no render sees a layout being built. A resize
        // while inactive still moves the picture area.
        if (layoutDirty_) {
            RebuildLayout();
        } else {
            UpdateOffsets();
        }
        active_.store(true, std::memory_order_release);
    } else {
        active_.store(false, std::memory_order_release);
        manager_->WaitRenderIdle();
    }
    InvalidateWindow();
}

void TSmileLabel::Relayout() {
    const bool wasActive = Active();
    SetActive(false);
    layoutDirty_ = true;
    SetActive(wasActive);
}

void TSmileLabel::SetCaption(const QString& Value) {
    const bool wasActive = Active();
    SetActive(false);
    caption_ = Value;
    layoutDirty_ = true;
    SetActive(wasActive);
}

void TSmileLabel::SetStretch(bool Value) {
    if (stretch_ == Value) return;
    stretch_ = Value;
    InvalidateWindow();
}

void TSmileLabel::SetAnimate(bool Value) {
    animate_.store(Value, std::memory_order_release);
    // The next paint files the smile in the timer again.
    if (Value) InvalidatePicture();
}

void TSmileLabel::SetAllowHotTrack(bool Value) {
    if (AllowHotTrack() == Value) return;
    allowHotTrack_.store(Value, std::memory_order_release);
    InvalidateWindow();
}

void TSmileLabel::SetAlwaysHotTrack(bool Value) {
    if (AlwaysHotTrack() == Value) return;
    alwaysHotTrack_.store(Value, std::memory_order_release);
    InvalidateWindow();
}

void TSmileLabel::SetHotTrackColor(TColor Value) {
    hotTrackColor_ = Value;
    ResolveColors();
    if (ShowsHotTrack()) InvalidatePicture();
}

void TSmileLabel::SetHotTrackBorderColor(TColor Value) {
    hotTrackBorderColor_ = Value;
    ResolveColors();
    if (ShowsHotTrack()) InvalidatePicture();
}

void TSmileLabel::SetColor(TColor Value) {
    color_ = Value;
    ResolveColors();
    InvalidateWindow();
}

void TSmileLabel::SetFontColor(TColor Value) {
    fontColor_ = Value;
    ResolveColors();
    InvalidatePicture();
}

bool TSmileLabel::ShowsHotTrack() const {
    return (MouseInside() || AlwaysHotTrack()) && AllowHotTrack();
}

void TSmileLabel::InvalidatePicture() {
    if (QThread::currentThread() != thread()) {
        // A worker never touches the widget: one posted request stands for all that follow
        // until the GUI thread has handled it.
        if (!invalidatePosted_.exchange(true, std::memory_order_acq_rel)) {
            QMetaObject::invokeMethod(
                this,
                [this] {
                    invalidatePosted_.store(false, std::memory_order_release);
                    InvalidatePicture();
                },
                Qt::QueuedConnection);
        }
        return;
    }
    if (!Active() || !smile_) return;
    needRender_.store(true, std::memory_order_release);
    update(PictureScreenRect());
}

QSize TSmileLabel::MeasureCaption(const QString& caption, const QFont& font) const {
    if (caption.isEmpty()) return QSize(0, 0);
    const QFontMetrics metrics(font);
    return QSize(metrics.horizontalAdvance(caption), metrics.height());
}

void TSmileLabel::RebuildLayout() {
    if (smile_) {
        const QFont captionFont = font();
        const QSize caption = MeasureCaption(caption_, captionFont);
        const int32_t captionW = std::max(caption.width(), 0);
        const int32_t captionH = std::max(caption.height(), 0);
        TRef<TPictureDecoder> picture = smile_->PictureRef();
        const int32_t pictureW = picture ? std::max(picture->Width, 0) : 0;
        const int32_t pictureH = picture ? std::max(picture->Height, 0) : 0;
        int32_t w = pictureW;
        if (w < captionW + 2) w = captionW + 2;
        const int32_t h = pictureH + captionH + 2;

        std::lock_guard lock(bufferLock_);
        layoutW_ = w;
        layoutH_ = h;
        pictureW_ = pictureW;
        pictureH_ = pictureH;
        captionW_ = captionW;
        captionH_ = captionH;
        captionAscent_ = caption_.isEmpty() ? 0 : QFontMetrics(captionFont).ascent();
        layoutCaption_ = caption_;
        layoutFont_ = captionFont;
        if (picture) {
            backBuffer_ = QImage(w, h, QImage::Format_RGB32);
            bufferReady_ = false;
        }
    }
    UpdateOffsets();
    layoutDirty_ = false;
}

void TSmileLabel::UpdateOffsets() {
    // Division truncates toward zero: a picture area larger than the control gets negative
    // offsets and is cut evenly.
    offsetX_ = (width() - layoutW_) / 2;
    offsetY_ = (height() - layoutH_) / 2;
    if (smile_) smile_->Visible.store(width() > 0 && height() > 0, std::memory_order_relaxed);
}

QRect TSmileLabel::PictureScreenRect() const {
    if (stretch_) return rect();
    return QRect(offsetX_, offsetY_, layoutW_, layoutH_);
}

void TSmileLabel::InvalidateWindow() {
    needRender_.store(true, std::memory_order_release);
    update();
}

void TSmileLabel::ResolveColors() {
    drawColor_.store(QColorToWinColor(WinColorToQColor(color_)), std::memory_order_release);
    drawHotTrackColor_.store(QColorToWinColor(WinColorToQColor(hotTrackColor_)), std::memory_order_release);
    drawBorderColor_.store(QColorToWinColor(WinColorToQColor(hotTrackBorderColor_)),
                           std::memory_order_release);
    drawFontColor_.store(QColorToWinColor(WinColorToQColor(fontColor_)), std::memory_order_release);
}

QImage TSmileLabel::BackBuffer() const {
    std::lock_guard lock(bufferLock_);
    return backBuffer_.copy();
}

void TSmileLabel::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QColor background = DrawColor(drawColor_.load(std::memory_order_acquire));
    if (!Active()) {
        painter.fillRect(event->rect(), background);
    } else if (!smile_) {
        // Nothing to show and no frame to report; the background keeps the control clean.
        painter.fillRect(event->rect(), background);
        return;
    } else {
        if (needRender_.exchange(false, std::memory_order_acq_rel)) manager_->RequestRender(smile_.get());
        const int clientW = width();
        const int clientH = height();
        const int w = layoutW_;
        const int h = layoutH_;
        std::lock_guard lock(bufferLock_);
        const bool ready = bufferReady_ && !backBuffer_.isNull();
        if (!stretch_) {
            for (const QRect& band : {Band(0, 0, clientW, offsetY_), Band(0, offsetY_ + h, clientW, clientH),
                                      Band(0, offsetY_, offsetX_, offsetY_ + h),
                                      Band(offsetX_ + w, offsetY_, clientW, offsetY_ + h)}) {
                if (!band.isEmpty()) painter.fillRect(band & event->rect(), background);
            }
            const QRect area(offsetX_, offsetY_, w, h);
            if (ready) {
                painter.drawImage(area.topLeft(), backBuffer_);
            } else {
                painter.fillRect(area & event->rect(), background);
            }
        } else {
            const int th = captionH_;
            if (th > 0) {
                const QColor strip = ShowsHotTrack() ? DrawColor(drawHotTrackColor_.load()) : background;
                for (const QRect& band : {Band(0, clientH - th, offsetX_, clientH),
                                          Band(offsetX_ + w, clientH - th, clientW, clientH)}) {
                    if (!band.isEmpty()) painter.fillRect(band & event->rect(), strip);
                }
            }
            const QRect pictureSource((w - pictureW_) / 2, 0, pictureW_, pictureH_);
            const QRect pictureTarget = Band(0, 0, clientW, clientH - th);
            const QRect captionTarget = Band(offsetX_, clientH - th, offsetX_ + w, clientH);
            if (ready && !pictureSource.isEmpty()) {
                // Nearest pixel, as the picture is meant to be seen enlarged.
                painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
                if (!pictureTarget.isEmpty()) painter.drawImage(pictureTarget, backBuffer_, pictureSource);
                // The caption's rows and the two spare rows under it squeezed into th rows.
                if (!captionTarget.isEmpty()) {
                    painter.drawImage(captionTarget, backBuffer_, QRect(0, pictureH_, w, h - pictureH_));
                }
            } else {
                painter.fillRect(pictureTarget & event->rect(), background);
                painter.fillRect(captionTarget & event->rect(), background);
            }
        }
    }
    if (frameChangedFlag_.exchange(false, std::memory_order_acq_rel) && OnNextFrame) OnNextFrame(this);
}

void TSmileLabel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!Active()) return;
    UpdateOffsets();
    // A control that was empty may show its smile again: the next paint files it anew.
    InvalidateWindow();
}

void TSmileLabel::mouseMoveEvent(QMouseEvent* event) {
    QWidget::mouseMoveEvent(event);
    if (!Active()) return;
    const QRect area = stretch_ ? rect() : QRect(offsetX_, offsetY_, layoutW_, layoutH_);
    const bool inside = area.contains(event->position().toPoint());
    if (inside == MouseInside()) return;
    mouseInside_.store(inside, std::memory_order_release);
    InvalidateWindow();
}

void TSmileLabel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        Relayout();
    } else if (event->type() == QEvent::PaletteChange) {
        ResolveColors();
        InvalidateWindow();
    }
}

void TSmileLabel::RenderPicture() {
    if (!Active()) return;
    // The smile and the layout change only while the label is inactive, after the GUI thread
    // has waited for this render.
    TSmileLabelSmile* smile = smile_.get();
    if (!smile) return;
    TRef<TPictureDecoder> picture;
    int32_t frameIndex = 0;
    if (!smile->CurrentFrame(picture, frameIndex)) return;
    {
        std::lock_guard lock(bufferLock_);
        if (backBuffer_.isNull()) return;
        const int32_t w = layoutW_;
        const int32_t h = layoutH_;
        TSurface surface =
            TSurface::Wrap(reinterpret_cast<uint32_t*>(backBuffer_.bits()), backBuffer_.width(),
                           backBuffer_.height(), static_cast<int32_t>(backBuffer_.bytesPerLine()));
        if (ShowsHotTrack()) {
            const TColor border = drawBorderColor_.load(std::memory_order_acquire);
            surface.Fill(drawHotTrackColor_.load(std::memory_order_acquire));
            surface.FillRect(TRect{0, 0, w, 1}, border);
            surface.FillRect(TRect{0, h - 1, w, h}, border);
            surface.FillRect(TRect{0, 0, 1, h}, border);
            surface.FillRect(TRect{w - 1, 0, w, h}, border);
        } else {
            surface.Fill(drawColor_.load(std::memory_order_acquire));
        }
        // At the top, centred.
        const int32_t x = (w - picture->Width) / 2;
        if (TSmileBitmap* frame = picture->GetSmileBitmap(frameIndex)) {
            frame->Draw(x, 0, surface);
        } else if (TBitmap* bitmap = picture->GetBitmap(frameIndex)) {
            bitmap->Draw(surface, x, 0);
        }
        if (!layoutCaption_.isEmpty()) {
            // After the raster operations: the painter works on the same pixels.
            QPainter painter(&backBuffer_);
            painter.setFont(layoutFont_);
            painter.setPen(DrawColor(drawFontColor_.load(std::memory_order_acquire)));
            painter.drawText((w - captionW_) / 2, picture->Height + captionAscent_, layoutCaption_);
        }
        bufferReady_ = true;
    }
    renders_.fetch_add(1, std::memory_order_acq_rel);
    if (!presentPosted_.exchange(true, std::memory_order_acq_rel)) {
        QMetaObject::invokeMethod(
            this, [this] { PresentRender(); }, Qt::QueuedConnection);
    }
}

void TSmileLabel::PresentRender() {
    presentPosted_.store(false, std::memory_order_release);
    if (!Active() || !smile_) return;
    // Shows the finished buffer without asking for another render.
    update(PictureScreenRect());
}

}  // namespace faceloom
