#pragma once

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QString>
#include <cstdint>

#include "platform/surface.h"

namespace faceloom {

// Signatures written under the smiles, each rendered once over the background it stands on and
// kept, so that a cell whose smile steps a frame copies its caption instead of laying out and
// drawing text again. A new font or pen empties the cache; so does growing past its bound
// (the visible captions come back at the next paint).
class TCaptionCache {
public:
    // The caption of text in font and pen over a plain background of colour background
    // (0x00RRGGBB): an RGB32 image as large as the text's extent; null for empty text.
    const QImage& Caption(const QString& text, const QFont& font, const QColor& pen, uint32_t background);

    // Copies a caption onto surface with its top-left corner at (x, y), clipped to the cell
    // (0, 0, width, height) and to the surface.
    static void Draw(const QImage& caption, TSurface& surface, int32_t x, int32_t y, int32_t width,
                     int32_t height);

    void Clear() { captions_.clear(); }
    qsizetype Count() const { return captions_.size(); }

    // More captions than a screen of a large pack shows; past it the cache starts again.
    static constexpr qsizetype kBound = 4096;

private:
    struct TKey {
        QString Text;
        uint32_t Background;
        bool operator==(const TKey& other) const {
            return Background == other.Background && Text == other.Text;
        }
    };
    friend size_t qHash(const TKey& key, size_t seed) { return qHash(key.Text, seed) ^ key.Background; }

    QHash<TKey, QImage> captions_;
    QFont font_;
    QColor pen_;
    QImage empty_;
};

}  // namespace faceloom
