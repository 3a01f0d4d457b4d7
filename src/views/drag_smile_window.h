#pragma once

#include <QImage>
#include <QWidget>

namespace faceloom {

// The floating window of a drag: frameless, above every other window, translucent per pixel,
// and never taking mouse input, so the drop target underneath keeps receiving the mouse.
class TDragSmileWindow : public QWidget {
    Q_OBJECT

public:
    TDragSmileWindow();

    // GUI thread: shows frame (premultiplied ARGB), resizing the window to it.
    void SetFrame(const QImage& frame);
    const QImage& Frame() const { return frame_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage frame_;
};

}  // namespace faceloom
