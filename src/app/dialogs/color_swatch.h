#pragma once

#include <QFrame>

#include "platform/color.h"

namespace faceloom {

// A small raised panel with a hand cursor showing one colour (0x00BBGGRR, or a system
// colour resolved when painted); a click asks for another colour.
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

private:
    TColor color_ = 0;
    QWidget* paintBox_;
};

}  // namespace faceloom
