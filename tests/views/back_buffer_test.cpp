#include "views/back_buffer.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>
#include <functional>

namespace faceloom {
namespace {

// A widget whose paintEvent hands its painter and paint region to the test.
class TProbeWidget : public QWidget {
public:
    std::function<void(QPainter&, const QRegion&)> OnPaint;

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        if (OnPaint) OnPaint(painter, event->region());
    }
};

TEST(BackBufferDeviceArea, ComposesWhereThePainterPaints) {
    // An image painted with an offset: the area lies at the moved place, rows a stride apart.
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        painter.translate(3, 2);
        TSurface area = TBackBuffer::DeviceArea(painter, QRect(1, 1, 4, 3));
        ASSERT_EQ(area.Width(), 4);
        ASSERT_EQ(area.Height(), 3);
        area.Fill(0x0000FF);                                                        // red
        EXPECT_TRUE(TBackBuffer::DeviceArea(painter, QRect(15, 0, 3, 3)).Empty());  // past the edge
        painter.translate(0.5, 0);
        EXPECT_TRUE(TBackBuffer::DeviceArea(painter, QRect(1, 1, 4, 3)).Empty());  // between pixels
        painter.resetTransform();
        painter.scale(2, 2);
        EXPECT_TRUE(TBackBuffer::DeviceArea(painter, QRect(1, 1, 4, 3)).Empty());
        painter.resetTransform();
        painter.setClipRect(0, 0, 5, 5);
        EXPECT_TRUE(TBackBuffer::DeviceArea(painter, QRect(1, 1, 4, 3)).Empty());
    }
    EXPECT_EQ(image.pixel(4, 3), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(7, 5), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(3, 3), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(8, 5), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(4, 6), qRgb(0, 0, 0));

    // Only 32-bit images whose opaque pixels are surface words qualify.
    for (QImage::Format format : {QImage::Format_RGB16, QImage::Format_ARGB32}) {
        QImage other(8, 8, format);
        QPainter painter(&other);
        EXPECT_TRUE(TBackBuffer::DeviceArea(painter, QRect(0, 0, 2, 2)).Empty()) << format;
    }
}

TEST(BackBufferDeviceArea, StaysInsideTheAreaBeingRepainted) {
    TProbeWidget widget;
    widget.resize(40, 30);
    widget.show();
    QApplication::processEvents();
    bool insideGiven = false;
    bool straddlingGiven = true;
    widget.OnPaint = [&](QPainter& painter, const QRegion& region) {
        if (region.boundingRect() != QRect(10, 10, 10, 10)) return;
        TSurface inside = TBackBuffer::DeviceArea(painter, QRect(12, 12, 5, 5));
        insideGiven = !inside.Empty();
        if (insideGiven) inside.Fill(0x00FF00);
        straddlingGiven = !TBackBuffer::DeviceArea(painter, QRect(15, 15, 10, 2)).Empty();
    };
    widget.repaint(QRect(10, 10, 10, 10));
    EXPECT_FALSE(straddlingGiven);
    // The grab repaints everything through the same path; the area is then the whole widget.
    widget.OnPaint = [](QPainter& painter, const QRegion&) {
        TSurface area = TBackBuffer::DeviceArea(painter, QRect(12, 12, 5, 5));
        if (!area.Empty()) area.Fill(0x00FF00);
    };
    const QImage grabbed = widget.grab().toImage();
    EXPECT_EQ(grabbed.pixel(12, 12), qRgb(0, 255, 0));
    EXPECT_EQ(grabbed.pixel(16, 16), qRgb(0, 255, 0));
    EXPECT_EQ(grabbed.pixel(17, 16), qRgb(255, 255, 255));
    // Offscreen, a repaint paints into the backing store: the direct area is given there too.
    EXPECT_TRUE(insideGiven);
}

TEST(BackBufferDeviceArea, FollowsAChildWidgetsPlaceInItsWindow) {
    QWidget window;
    window.resize(30, 30);
    auto* child = new TProbeWidget;
    child->setParent(&window);
    child->setGeometry(5, 7, 10, 10);
    child->OnPaint = [](QPainter& painter, const QRegion&) {
        TSurface area = TBackBuffer::DeviceArea(painter, QRect(1, 2, 3, 3));
        if (!area.Empty()) area.Fill(0xFF0000);  // blue
    };
    const QImage grabbed = window.grab().toImage();
    EXPECT_EQ(grabbed.pixel(6, 9), qRgb(0, 0, 255));
    EXPECT_EQ(grabbed.pixel(8, 11), qRgb(0, 0, 255));
    EXPECT_EQ(grabbed.pixel(5, 9), qRgb(255, 255, 255));
    EXPECT_EQ(grabbed.pixel(9, 11), qRgb(255, 255, 255));
}

}  // namespace
}  // namespace faceloom
