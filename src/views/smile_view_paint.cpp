// Painting of the smile grid: the cells in the paint region, each composed in the back buffer
// and copied to the screen, and the empty parts filled with the background colour.
#include <QCursor>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>
#include <exception>

#include "animation/animation_manager.h"
#include "pictures/picture_decoder.h"
#include "pictures/smile_bitmap.h"
#include "platform/bitmap.h"
#include "views/caption_cache.h"
#include "views/smile_view.h"
#include "views/smile_view_smile.h"
#include "views/win_color.h"

namespace faceloom {

namespace {

// The colour to draw with, system colours resolved.
TColor Resolved(uint32_t color) {
    return QColorToWinColor(WinColorToQColor(color));
}

}  // namespace

void TSmileView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QColor background = WinColorToQColor(color_);
    if (!Active()) {
        for (const QRect& clip : event->region()) painter.fillRect(clip, background);
        return;
    }
    TAnimationManager* manager = AnimationManager();
    // A cell reached through two rectangles of the region is drawn once.
    std::vector<bool> drawn(static_cast<size_t>(Count()), false);
    const int32_t captionHeight = CaptionHeight();
    for (const QRect& clip : event->region()) {
        const QRect content = clip.translated(offsetX_, offsetY_);
        const TVisibleRange range = VisibleRange(content);
        if (range.Valid) {
            for (int32_t row = range.FirstRow; row <= range.LastRow; ++row) {
                for (int32_t column = range.FirstColumn; column <= range.LastColumn; ++column) {
                    const int32_t index = CellIndex(column, row);
                    if (index < 0 || index > Count() - 1) break;
                    if (drawn[static_cast<size_t>(index)]) continue;
                    drawn[static_cast<size_t>(index)] = true;
                    TSmileViewSmile* smile = smiles_->SmileOrNull(index);
                    if (smile) {
                        smile->InPaint.store(true, std::memory_order_release);
                        smile->Visible.store(true, std::memory_order_relaxed);
                        if (manager) manager->AddToTimer(smile);
                    }
                    DrawCell(index, painter, event->region(), captionHeight);
                    if (smile) smile->InPaint.store(false, std::memory_order_release);
                }
            }
        }
        // The empty parts, from content back to client coordinates, within the clip.
        auto fill = [&](int32_t left, int32_t top, int32_t right, int32_t bottom) {
            const QRect part =
                QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).translated(-offsetX_, -offsetY_);
            const QRect visible = part.intersected(clip);
            if (!visible.isEmpty()) painter.fillRect(visible, background);
        };
        if (range.TailVisible && !rows_.empty())
            fill(lastRowWidth_, rows_.back().Offset, totalWidth_, totalHeight_);
        if (range.RightVisible) fill(totalWidth_, 0, ClientWidth() + offsetX_, totalHeight_);
        if (range.BelowVisible) fill(0, totalHeight_, ClientWidth() + offsetX_, ClientHeight() + offsetY_);
    }
}

int32_t TSmileView::CaptionHeight() const {
    return showSignatures_ ? std::max(QFontMetrics(font()).height(), 0) : 0;
}

void TSmileView::DrawCell(int32_t index, QPainter& painter, const QRegion& region, int32_t captionHeight) {
    if (!Active()) return;
    RefreshCursorAndHint(index);
    if (backBuffer_.Empty()) return;
    const auto c = static_cast<size_t>(CellColumn(index));
    const auto r = static_cast<size_t>(CellRow(index));
    if (c >= columns_.size() || r >= rows_.size()) return;
    const int32_t w = columns_[c].Size;
    const int32_t h = rows_[r].Size;
    if (w <= 0 || h <= 0) return;

    // The cell is composed straight where it is shown where the painter allows it, which
    // saves copying it there; captions come ready from the cache.
    const QString& text = smiles_->Get(index);
    const bool withText = showSignatures_ && !text.isEmpty() && captionHeight > 0;
    const int32_t textHeight = withText ? captionHeight : 0;
    const QRect shown(columns_[c].Offset - offsetX_, rows_[r].Offset - offsetY_, w, h);
    // A frame change repaints the part above the caption only (the picture never reaches
    // into the caption's line): the caption is then neither composed nor copied.
    const bool captionPainted =
        withText &&
        region.intersects(QRect(shown.left(), shown.top() + h - textHeight - 1, w, textHeight + 1));
    const int32_t composed = withText && !captionPainted ? h - textHeight - 1 : h;
    TSurface surface = TBackBuffer::DeviceArea(painter, QRect(shown.left(), shown.top(), w, composed));
    const bool direct = !surface.Empty();
    if (!direct) surface = backBuffer_.Surface();
    const bool hotCell = allowHotTrack_ && index == HotIndex();
    const TColor fill = Resolved(hotCell ? hotTrackColor_ : color_);
    if (hotCell) {
        surface.FillRect(TRect{0, 0, w, h}, fill);
        const TColor border = Resolved(hotTrackBorderColor_);
        surface.FillRect(TRect{0, 0, w, 1}, border);
        surface.FillRect(TRect{0, h - 1, w, h}, border);
        surface.FillRect(TRect{0, 0, 1, h}, border);
        surface.FillRect(TRect{w - 1, 0, w, h}, border);
    } else {
        surface.FillRect(TRect{0, 0, w, h}, fill);
    }

    if (captionPainted) {
        const QImage& caption =
            captions_.Caption(text, font(), WinColorToQColor(fontColor_), ColorToRgb(fill));
        TCaptionCache::Draw(caption, surface, (w - caption.width()) / 2, h - textHeight - 1, w, h);
    }

    TSmileViewSmile* smile = smiles_->SmileOrNull(index);
    TRef<TPictureDecoder> picture;
    int32_t frame = 0;
    // The floating image carries the dragged smile; its cell stays empty meanwhile.
    const bool floating = index == dragIndex_ && dragSmileInstance_;
    if (smile && smile->CurrentFrame(picture, frame) && !floating) {
        const int32_t x = (w - picture->Width) / 2;
        const int32_t y = (h - picture->Height - textHeight) / 2;
        try {
            if (TSmileBitmap* bitmap = picture->GetSmileBitmap(frame)) {
                bitmap->Draw(x, y, surface);
            } else if (TBitmap* platformBitmap = picture->GetBitmap(frame)) {
                platformBitmap->Draw(surface, x, y);
            }
        } catch (const std::exception&) {
            // A picture without the frame it announces: the cell shows its background.
        }
    }

    const int32_t hot = HotIndex();
    if (dragIndex_ != -1 && ShowInsertPoint && dragIndex_ != hot) {
        const int32_t drag = dragIndex_;
        const bool left =
            (index == hot && index < drag) || (index == hot + 1 && hot < Count() - 1 && index > drag);
        const bool right = (index == hot - 1 && hot > 0 && index < drag) || (index == hot && index > drag);
        if (left) {
            TBackBuffer::InvertLine(surface, 5, 0, 0, 0);
            TBackBuffer::InvertLine(surface, 0, 1, 0, h - 1);
            TBackBuffer::InvertLine(surface, 1, h - 1, 6, h - 1);
        }
        if (right) {
            TBackBuffer::InvertLine(surface, w - 6, 0, w - 1, 0);
            TBackBuffer::InvertLine(surface, w - 1, 1, w - 1, h - 1);
            TBackBuffer::InvertLine(surface, w - 2, h - 1, w - 7, h - 1);
        }
    }
    if (index == ItemIndex()) TBackBuffer::InvertFocusFrame(surface, w, h);

    if (!direct) painter.drawImage(shown.topLeft(), backBuffer_.Image(), QRect(0, 0, w, composed));
}

void TSmileView::RefreshCursorAndHint(int32_t index) {
    if (TrackCursor && dragIndex_ == -1) {
        const int32_t hot = HotIndex();
        if (index != hot) return;
        const QPoint global = QCursor::pos();
        const QPoint local = viewport()->mapFromGlobal(global);
        const TCellHit hit = HitTestCell(local.x() + offsetX_, local.y() + offsetY_);
        if (hit.Code != 0) {
            SetViewCursor(Qt::ArrowCursor);
            ClearHint();
        } else {
            SetViewCursor(Qt::PointingHandCursor);
            const QString& text = smiles_->Get(hot);
            if (text != hint_) {
                hint_ = text;
                ShowHintAt(global);
            }
        }
    } else {
        SetViewCursor(Qt::ArrowCursor);
        const int32_t hot = HotIndex();
        hint_ = (hot >= 0 && hot < Count()) ? smiles_->Get(hot) : QString();
    }
}

void TSmileView::SetViewCursor(Qt::CursorShape shape) {
    if (viewCursor_ == shape) return;
    viewCursor_ = shape;
    viewport()->setCursor(shape);
}

void TSmileView::ShowHintAt(const QPoint& globalPos) {
    if (showHint_ && !hint_.isEmpty()) QToolTip::showText(globalPos, hint_, viewport());
}

void TSmileView::ClearHint() {
    if (hint_.isEmpty()) return;
    hint_.clear();
    if (QToolTip::isVisible()) QToolTip::hideText();
}

}  // namespace faceloom
