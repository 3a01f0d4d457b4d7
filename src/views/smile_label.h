#pragma once

#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include "pictures/base_object.h"
#include "platform/color.h"

namespace faceloom {

class TAnimationManager;
class TSmile;
class TSmileLabelSmile;

// Raised on the GUI thread by the first paint after the shown smile stepped a frame.
using TOnNextFrame = std::function<void(QObject* Sender)>;

// Shows one animated smile with an optional caption under it, centred in the control or
// stretched to fill it. The picture area (picture plus caption) is composed on the render
// thread into a back buffer; paintEvent fills the surroundings, copies the last finished
// buffer to the screen and asks for a new render when the picture needs one.
//
// Threads: everything here runs on the GUI thread except RenderPicture (render thread),
// InvalidatePicture and MarkFrameChanged (also timer thread, through the smile's hooks) and
// the getters the hooks read (atomic). What the render reads of the layout changes only under
// the back-buffer lock while the label is inactive.
class TSmileLabel : public QWidget {
    Q_OBJECT

public:
    // The platform's window colour, resolved through the palette when drawn.
    static constexpr TColor kDefaultColor = 0xFF000005u;
    // The platform's window text colour.
    static constexpr TColor kDefaultFontColor = 0xFF000008u;

    explicit TSmileLabel(QWidget* parent = nullptr);
    ~TSmileLabel() override;

    // Takes a counted reference to S when it is a TSmileLabelSmile; anything else (or none)
    // lets go of the current smile and leaves the label inactive without one.
    void SetSmile(TSmile* S);
    TSmileLabelSmile* Smile() const { return smile_.get(); }

    bool Active() const { return active_.load(std::memory_order_acquire); }
    // Becoming active lays out (when needed); becoming inactive waits for a running render.
    void SetActive(bool Value);
    // Measures and lays out again at the next activation (after a font change).
    void Relayout();

    bool Stretch() const { return stretch_; }
    void SetStretch(bool Value);
    bool Animate() const { return animate_.load(std::memory_order_acquire); }
    void SetAnimate(bool Value);
    bool AllowHotTrack() const { return allowHotTrack_.load(std::memory_order_acquire); }
    void SetAllowHotTrack(bool Value);
    bool AlwaysHotTrack() const { return alwaysHotTrack_.load(std::memory_order_acquire); }
    void SetAlwaysHotTrack(bool Value);
    // Colours are 0x00BBGGRR, or 0xFF0000nn for a system colour.
    TColor HotTrackColor() const { return hotTrackColor_; }
    void SetHotTrackColor(TColor Value);
    TColor HotTrackBorderColor() const { return hotTrackBorderColor_; }
    void SetHotTrackBorderColor(TColor Value);
    TColor Color() const { return color_; }
    void SetColor(TColor Value);
    // The caption's text colour (the font's colour).
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor Value);
    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& Value);

    bool ShowsHotTrack() const;
    // Asks for a repaint of the picture area (the whole client when stretched) and so for a
    // new render. Any thread: off the GUI thread it posts one coalesced request.
    void InvalidatePicture();
    // Render thread: composes background, picture and caption into the back buffer and hands
    // it to the GUI thread.
    void RenderPicture();
    // Any thread: the smile stepped; the next paint raises OnNextFrame.
    void MarkFrameChanged() { frameChangedFlag_.store(true, std::memory_order_release); }

    bool LayoutDirty() const { return layoutDirty_; }
    bool MouseInside() const { return mouseInside_.load(std::memory_order_acquire); }
    bool FrameChangedFlag() const { return frameChangedFlag_.load(std::memory_order_acquire); }
    // (0, 0, W, H): the size of the picture area.
    QRect LayoutRect() const { return QRect(0, 0, layoutW_, layoutH_); }
    int32_t OffsetX() const { return offsetX_; }
    int32_t OffsetY() const { return offsetY_; }
    // A copy of the back buffer (null before the first layout with a picture).
    QImage BackBuffer() const;
    // How many renders finished composing (for tests and the demo).
    int64_t RenderCount() const { return renders_.load(std::memory_order_acquire); }

    TOnNextFrame OnNextFrame;

protected:
    // The caption's width and height with font; an empty caption measures 0 x 0. Virtual so
    // that a test can give the figures a design was made with.
    virtual QSize MeasureCaption(const QString& caption, const QFont& font) const;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Layout of the picture area for the current smile, caption and font; GUI thread, while
    // inactive.
    void RebuildLayout();
    // Offsets for the current client size and the smile's visibility.
    void UpdateOffsets();
    // The picture area on the screen: the whole client when stretched.
    QRect PictureScreenRect() const;
    void InvalidateWindow();
    // GUI thread: resolves the colours the render thread draws with.
    void ResolveColors();
    // Posted by the render thread: shows the finished buffer.
    void PresentRender();

    TAnimationManager* manager_ = nullptr;
    std::atomic<bool> active_{false};
    bool layoutDirty_ = true;
    bool stretch_ = false;
    std::atomic<bool> mouseInside_{false};
    std::atomic<bool> animate_{true};
    std::atomic<bool> allowHotTrack_{false};
    std::atomic<bool> alwaysHotTrack_{false};
    TColor hotTrackColor_ = 0xFFF0F0;
    TColor hotTrackBorderColor_ = 0xFF8080;
    TColor color_ = kDefaultColor;
    TColor fontColor_ = kDefaultFontColor;
    QString caption_;
    int32_t offsetX_ = 0;
    int32_t offsetY_ = 0;
    TRef<TSmileLabelSmile> smile_;
    std::atomic<bool> frameChangedFlag_{false};

    // Resolved 0x00BBGGRR colours the render thread reads.
    std::atomic<TColor> drawColor_{0};
    std::atomic<TColor> drawHotTrackColor_{0};
    std::atomic<TColor> drawBorderColor_{0};
    std::atomic<TColor> drawFontColor_{0};

    // Guards the back buffer and the layout the render reads.
    mutable std::mutex bufferLock_;
    QImage backBuffer_;
    bool bufferReady_ = false;  // a finished render sits in the buffer
    int32_t layoutW_ = 0;
    int32_t layoutH_ = 0;
    int32_t pictureW_ = 0;
    int32_t pictureH_ = 0;
    int32_t captionW_ = 0;
    int32_t captionH_ = 0;
    int32_t captionAscent_ = 0;
    QString layoutCaption_;
    QFont layoutFont_;

    // A paint must ask for a render: set by every invalidation except a render's own
    // hand-off, so that presenting a render does not queue the next one.
    std::atomic<bool> needRender_{true};
    std::atomic<bool> invalidatePosted_{false};
    std::atomic<bool> presentPosted_{false};
    std::atomic<int64_t> renders_{0};
};

}  // namespace faceloom
