#include "app/dialogs/color_swatch.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "views/win_color.h"

namespace faceloom {

namespace {

// Fills itself entirely with its swatch's colour; clicks go through to the swatch.
class TPaintBox : public QWidget {
public:
    TPaintBox(TColorSwatch* swatch) : QWidget(swatch), swatch_(swatch) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter(this).fillRect(event->rect(), WinColorToQColor(swatch_->Color()));
    }

private:
    TColorSwatch* swatch_;
};

}  // namespace

TColorSwatch::TColorSwatch(const char* panelName, const char* paintBoxName, QWidget* parent)
    : QFrame(parent) {
    setObjectName(QString::fromLatin1(panelName));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    paintBox_ = new TPaintBox(this);
    paintBox_->setObjectName(QString::fromLatin1(paintBoxName));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(paintBox_);
}

void TColorSwatch::SetColor(TColor color) {
    color_ = color;
    paintBox_->update();
}

void TColorSwatch::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit Clicked();
    QFrame::mouseReleaseEvent(event);
}

void TColorSwatch::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat() &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        emit Clicked();
        return;
    }
    QFrame::keyPressEvent(event);
}

void TColorSwatch::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (!hasFocus()) return;
    // The colour fills the inside: the focus shows as a dotted frame on the border.
    QPainter painter(this);
    QPen pen(palette().color(QPalette::WindowText), 1, Qt::DotLine);
    painter.setPen(pen);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace faceloom
