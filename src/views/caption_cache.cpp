#include "views/caption_cache.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cstring>

namespace faceloom {

const QImage& TCaptionCache::Caption(const QString& text, const QFont& font, const QColor& pen,
                                     uint32_t background) {
    if (text.isEmpty()) return empty_;
    if (font != font_ || pen != pen_) {
        captions_.clear();
        font_ = font;
        pen_ = pen;
    }
    const TKey key{text, background & 0xFFFFFFu};
    if (auto found = captions_.constFind(key); found != captions_.constEnd()) return *found;
    if (captions_.size() >= kBound) captions_.clear();

    const QFontMetrics metrics(font);
    QImage image(std::max(metrics.horizontalAdvance(text), 1), std::max(metrics.height(), 1),
                 QImage::Format_RGB32);
    image.fill(QColor::fromRgb(0xFF000000u | key.Background));
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(pen);
    painter.drawText(0, metrics.ascent(), text);
    painter.end();
    return *captions_.insert(key, std::move(image));
}

void TCaptionCache::Draw(const QImage& caption, TSurface& surface, int32_t x, int32_t y, int32_t width,
                         int32_t height) {
    if (caption.isNull()) return;
    const int32_t left = std::max(x, 0);
    const int32_t right = std::min({x + caption.width(), surface.Width(), width});
    const int32_t top = std::max(y, 0);
    const int32_t bottom = std::min({y + caption.height(), surface.Height(), height});
    if (left >= right) return;
    for (int32_t row = top; row < bottom; ++row) {
        const auto* from = reinterpret_cast<const uint32_t*>(caption.constScanLine(row - y)) + (left - x);
        std::memcpy(surface.Row(row) + left, from, sizeof(uint32_t) * static_cast<size_t>(right - left));
    }
}

}  // namespace faceloom
