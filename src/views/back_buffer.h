#pragma once

#include <QImage>
#include <QRect>
#include <cstdint>

#include "platform/surface.h"

class QPainter;

namespace faceloom {

// The off-screen picture one grid cell is composed in: a QImage of Format_RGB32 that the
// pictures draw into through a TSurface wrapping its pixels (no copy) and that QPainter
// writes text into. It is never shared, so the wrapped pixels stay where they are.
class TBackBuffer {
public:
    TBackBuffer() = default;
    TBackBuffer(int32_t width, int32_t height);

    bool Empty() const { return image_.isNull() || image_.width() <= 0 || image_.height() <= 0; }
    int32_t Width() const { return image_.width(); }
    int32_t Height() const { return image_.height(); }

    // The image for QPainter and for copying to the screen.
    QImage& Image() { return image_; }
    const QImage& Image() const { return image_; }
    // A surface over the image's pixels; valid while the buffer lives and is not resized.
    TSurface Surface();

    // A surface over the pixels that painter paints at rect (painter coordinates), so that a
    // cell can be composed where it is shown instead of being copied there: answered when
    // the painter draws into an RGB32 or premultiplied ARGB32 image (a widget's backing store
    // or a grab) without
    // scaling, moved by whole pixels, and rect lies wholly inside the area being painted.
    // Otherwise an empty surface. Valid until the painter draws again.
    static TSurface DeviceArea(QPainter& painter, const QRect& rect);

    // XORs the colour bits of one pixel with white (the inverting pen); off the surface:
    // nothing.
    static void InvertPixel(TSurface& surface, int32_t x, int32_t y);
    // Inverts the pixels of a horizontal or vertical line from (x0, y0) towards (x1, y1),
    // start included, end excluded.
    static void InvertLine(TSurface& surface, int32_t x0, int32_t y0, int32_t x1, int32_t y1);
    // A dotted frame around (0, 0, w, h) that inverts every other pixel (the focus rectangle).
    static void InvertFocusFrame(TSurface& surface, int32_t w, int32_t h);

private:
    QImage image_;
};

}  // namespace faceloom
