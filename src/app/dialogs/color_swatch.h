#pragma once

#include <QFrame>

#include "platform/color.h"

namespace faceloom {

// A small raised panel with a hand cursor showing one colour (0x00BBGGRR, or a system
// colour resolved when painted); a click, or Space while it has the focus, asks for another
// colour. Tab reaches it like any other control.
class TColorSwatch : public QFrame {
    Q_OBJECT
public:
    // The panel takes panelName, the box painted inside it paintBoxName.
    TColorSwatch(const char* panelName, const char* paintBoxName, QWidget* parent = nullptr);

    TColor Color() const { return color_; }
    void SetColor(TColor color);

    QSize sizeHint() const override { return QSize(40, 20); }

signals:
    void Clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    TColor color_ = 0;
    QWidget* paintBox_;
};

}  // namespace faceloom
