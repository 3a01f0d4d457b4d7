#include "views/back_buffer.h"

#include <QPaintEngine>
#include <QPainter>
#include <QRegion>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace faceloom {

TBackBuffer::TBackBuffer(int32_t width, int32_t height)
    : image_(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32) {}

TSurface TBackBuffer::Surface() {
    if (Empty()) return TSurface();
    return TSurface::Wrap(reinterpret_cast<uint32_t*>(image_.bits()), image_.width(), image_.height(),
                          static_cast<int32_t>(image_.bytesPerLine()));
}

TSurface TBackBuffer::DeviceArea(QPainter& painter, const QRect& rect) {
    QPaintEngine* engine = painter.paintEngine();
    if (rect.isEmpty() || engine == nullptr || engine->type() != QPaintEngine::Raster) return TSurface();
    QPaintDevice* device = engine->paintDevice();
    if (device == nullptr || device->devType() != QInternal::Image) return TSurface();
    auto* image = static_cast<QImage*>(device);
    // Cells are opaque (every pixel written carries alpha 0xFF), so on a premultiplied
    // backing store they are the same words as on RGB32.
    const QImage::Format format = image->format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied) return TSurface();
    if (image->devicePixelRatio() != 1.0) return TSurface();
    if (painter.hasClipping()) return TSurface();
    const QTransform transform = painter.deviceTransform();
    if (transform.type() > QTransform::TxTranslate || transform.dx() != std::floor(transform.dx()) ||
        transform.dy() != std::floor(transform.dy()))
        return TSurface();
    const QRect target = rect.translated(static_cast<int>(transform.dx()), static_cast<int>(transform.dy()));
    if (!image->rect().contains(target)) return TSurface();
    // Only what is being painted may change; an empty system clip means the whole device.
    const QRegion clip = engine->systemClip();
    if (!clip.isEmpty() && !QRegion(target).subtracted(clip).isEmpty()) return TSurface();
    // constBits: the painter already holds the image detached, and bits() could detach it
    // again away from the painter.
    auto* bits = const_cast<uchar*>(image->constBits()) +
                 static_cast<qsizetype>(target.top()) * image->bytesPerLine() + qsizetype{4} * target.left();
    return TSurface::Wrap(reinterpret_cast<uint32_t*>(bits), target.width(), target.height(),
                          static_cast<int32_t>(image->bytesPerLine()));
}

void TBackBuffer::InvertPixel(TSurface& surface, int32_t x, int32_t y) {
    if (!surface.Contains(x, y)) return;
    surface.Row(y)[x] ^= 0x00FFFFFFu;
}

void TBackBuffer::InvertLine(TSurface& surface, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    const int32_t dx = (x1 > x0) - (x1 < x0);
    const int32_t dy = (y1 > y0) - (y1 < y0);
    const int32_t steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    for (int32_t i = 0; i < steps; ++i) InvertPixel(surface, x0 + i * dx, y0 + i * dy);
}

void TBackBuffer::InvertFocusFrame(TSurface& surface, int32_t w, int32_t h) {
    if (w <= 0 || h <= 0) return;
    // The dots sit where x + y is even, like a checker brush aligned to the cell; each pixel
    // of the outline is visited once so that corners are not inverted twice.
    auto dot = [&surface](int32_t x, int32_t y) {
        if (((x + y) & 1) == 0) InvertPixel(surface, x, y);
    };
    for (int32_t x = 0; x < w; ++x) {
        dot(x, 0);
        if (h > 1) dot(x, h - 1);
    }
    for (int32_t y = 1; y < h - 1; ++y) {
        dot(0, y);
        if (w > 1) dot(w - 1, y);
    }
}

}  // namespace faceloom
