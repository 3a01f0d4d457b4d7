#include "views/drag_smile_window.h"

#include <QPaintEvent>
#include <QPainter>

namespace faceloom {

TDragSmileWindow::TDragSmileWindow()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus |
                           Qt::BypassWindowManagerHint) {
    setObjectName("DragSmileWindow");
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TDragSmileWindow::SetFrame(const QImage& frame) {
    frame_ = frame;
    if (size() != frame.size()) resize(frame.size());
    update();
}

void TDragSmileWindow::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    // The frame's alpha replaces what is there: the window is exactly the picture.
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(event->rect(), Qt::transparent);
    painter.drawImage(0, 0, frame_);
}

}  // namespace faceloom
