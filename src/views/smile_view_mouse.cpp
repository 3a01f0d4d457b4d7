// Mouse, wheel and file drops of the smile grid: hit tests, hot-tracking with cursor and hint,
// selection, the context event and reordering by dragging.
#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QToolTip>
#include <QUrl>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <exception>

#include "pictures/picture_decoder.h"
#include "pictures/smile_bitmap.h"
#include "pictures/transparent_decoder.h"
#include "platform/bitmap.h"
#include "views/drag_dispatcher_base.h"
#include "views/drag_smile.h"
#include "views/smile_view.h"
#include "views/smile_view_smile.h"

namespace faceloom {

namespace {

// Whether (x, y) of the frame is opaque. A frame without a mask is opaque all over.
bool FrameOpaqueAt(const TPictureDecoder& picture, int32_t frame, int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= picture.Width || y >= picture.Height) return false;
    try {
        if (const TSmileBitmap* bitmap = picture.GetSmileBitmap(frame)) {
            return bitmap->HasMask ? bitmap->HitTest(x, y) : true;
        }
        if (const TBitmap* bitmap = picture.GetBitmap(frame)) {
            const std::unique_ptr<TSurface> mask = bitmap->EffectiveMask();
            // White mask pixels are transparent.
            return !mask || (mask->GetPixel(x, y) & 0xFFFFFFu) != 0xFFFFFFu;
        }
    } catch (const std::exception&) {
    }
    return false;
}

}  // namespace

TCellHit TSmileView::HitTestCell(int32_t x, int32_t y) const {
    TCellHit hit = PointToCell(x, y);
    if ((!AllowMaskedHitTest && !TrackCursor) || hit.Code != 0 || hit.Column < 0 || hit.Row < 0) return hit;
    const int32_t index = CellIndex(hit.Column, hit.Row);
    const TSmileViewSmile* smile = smiles_->SmileOrNull(index);
    TRef<TPictureDecoder> picture;
    int32_t frame = 0;
    if (!smile || !smile->CurrentFrame(picture, frame)) {
        hit.Code = 1;
        return hit;
    }
    const TGridLine& column = columns_[static_cast<size_t>(hit.Column)];
    const TGridLine& row = rows_[static_cast<size_t>(hit.Row)];
    const int32_t lx = x - column.Offset - (column.Size - picture->Width) / 2;
    const int32_t ly = y - row.Offset - (row.Size - picture->Height - TextHeightOf(index)) / 2;
    bool onPicture = false;
    if (SimpleMaskedHitTest) {
        onPicture = lx >= 0 && lx < picture->Width && ly >= 0 && ly < picture->Height;
    } else {
        onPicture = FrameOpaqueAt(*picture, frame, lx, ly);
    }
    hit.Code = onPicture ? 0 : 1;
    return hit;
}

bool TSmileView::OnSmile(const TCellHit& hit) const {
    return (hit.Code == 0 || (hit.Code == 1 && !AllowMaskedHitTest)) && hit.Column >= 0 && hit.Row >= 0;
}

void TSmileView::mousePressEvent(QMouseEvent* event) {
    if (!Active()) return;
    setFocus(Qt::MouseFocusReason);
    const QPoint pos = event->position().toPoint();
    const TCellHit hit = HitTestCell(pos.x() + offsetX_, pos.y() + offsetY_);
    if (!OnSmile(hit)) return;
    const int32_t index = CellIndex(hit.Column, hit.Row);
    if (event->button() == Qt::RightButton) {
        const QPoint screen = viewport()->mapToGlobal(pos);
        if (OnContextMenu) OnContextMenu(*this, screen.x(), screen.y(), index);
        return;
    }
    if (!ForcePostSelect) {
        // Pressing the selected smile deselects it.
        SetItemIndex(index == ItemIndex() ? -1 : index);
        InvalidateCell(ItemIndex());
    }
    pressIndex_ = index;
    pressX_ = pos.x();
    pressY_ = pos.y();
    if (AllowDragOffset) {
        const TGridLine& column = columns_[static_cast<size_t>(hit.Column)];
        const TGridLine& row = rows_[static_cast<size_t>(hit.Row)];
        dragOffsetX_ = pos.x() + offsetX_ - column.Offset - column.Size / 2;
        dragOffsetY_ = pos.y() + offsetY_ - row.Offset - row.Size / 2;
    } else {
        dragOffsetX_ = 0;
        dragOffsetY_ = 0;
    }
}

void TSmileView::mouseDoubleClickEvent(QMouseEvent* event) {
    // Qt delivers the second press of a double click as a press of its own before this
    // event, so a double click is already two presses; taking this one too would toggle the
    // selection a third time.
    event->accept();
}

// The menu key (or Shift+F10) opens the selected smile's menu at its cell, as the right
// button does at the pointer; the right button's own menu is opened on the press.
void TSmileView::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    if (event->reason() != QContextMenuEvent::Keyboard || !Active() || dragIndex_ != -1) return;
    const int32_t index = ItemIndex();
    if (index < 0) return;
    ScrollIntoView(index);
    const QRect cell = CellRect(index);
    if (cell.isEmpty()) return;
    if (OnContextMenu) {
        const QPoint screen = viewport()->mapToGlobal(cell.center());
        OnContextMenu(*this, screen.x(), screen.y(), index);
    }
}

void TSmileView::mouseMoveEvent(QMouseEvent* event) {
    if (!Active()) return;
    if (AutoFocus && dragIndex_ == -1) setFocus(Qt::MouseFocusReason);
    const QPoint pos = event->position().toPoint();
    const QPoint global = event->globalPosition().toPoint();
    const QPoint dragPoint = global - QPoint(dragOffsetX_, dragOffsetY_);
    if (dragIndex_ != -1 && dragDispatcher_) dragDispatcher_->MoveTo(dragPoint);

    const TCellHit hit = HitTestCell(pos.x() + offsetX_, pos.y() + offsetY_);
    if ((hit.Code != 0 && hit.Code != 1) || hit.Column < 0 || hit.Row < 0) {
        if (dragIndex_ != -1) SetOverrideCursor(Qt::ForbiddenCursor);
        return;
    }
    const int32_t oldHot = HotIndex();
    const int32_t index = CellIndex(hit.Column, hit.Row);
    hotIndex_.store(index, std::memory_order_relaxed);
    bool clearHint = false;
    auto showHotHint = [&] {
        const QString& text = smiles_->Get(index);
        if (text != hint_) {
            hint_ = text;
            ShowHintAt(global);
        }
    };
    if (dragIndex_ != -1) {
        SetViewCursor(Qt::ArrowCursor);
        showHotHint();
    } else if (TrackCursor) {
        if (hit.Code == 0) {
            SetViewCursor(Qt::PointingHandCursor);
            showHotHint();
        } else {
            SetViewCursor(Qt::ArrowCursor);
            clearHint = true;
        }
    }

    if (hit.Code == 1 && AllowMaskedHitTest) {
        if (dragIndex_ != -1) SetOverrideCursor(Qt::ForbiddenCursor);
    } else {
        if (AllowDragAndDrop && pressIndex_ != -1 &&
            std::hypot(double(pos.x() - pressX_), double(pos.y() - pressY_)) >=
                double(QApplication::startDragDistance())) {
            StartDrag(dragPoint);
        }
        if (dragIndex_ != -1) {
            const int32_t oldX = offsetX_;
            const int32_t oldY = offsetY_;
            ScrollIntoView(HotIndex());
            // Keep the pointer over the same smile when the view scrolled under it.
            if (oldX != offsetX_ || oldY != offsetY_)
                QCursor::setPos(QCursor::pos() + QPoint(oldX - offsetX_, oldY - offsetY_));
            SetOverrideCursor(Qt::DragMoveCursor);
        }
    }

    const int32_t hot = HotIndex();
    if (hot != oldHot) {
        if (oldHot >= 0) InvalidateCell(oldHot);
        InvalidateCell(hot);
        if (ShowInsertPoint && dragIndex_ != -1) {
            // The neighbours that can carry an insert bracket.
            for (int32_t h : {oldHot, hot}) {
                if (h < dragIndex_ && h > 0) InvalidateCell(h - 1);
                if (h > dragIndex_ && h < Count() - 1) InvalidateCell(h + 1);
            }
        }
        clearHint = true;
    }
    if (clearHint) ClearHint();
}

void TSmileView::StartDrag(const QPoint& dragPoint) {
    TSmileViewSmile* smile = smiles_->SmileOrNull(pressIndex_);
    if (layeredWindowsAvailable_ && AnimatedDraggingAllowed && dragDispatcher_ && smile) {
        TRef<TPictureDecoder> picture;
        int32_t frame = 0;
        if (smile->CurrentFrame(picture, frame)) {
            try {
                TRef<TTransparentDecoder> image(new TTransparentDecoder(picture.get(), true));
                image->ShadowX = 5;
                image->ShadowY = 5;
                image->Decode();
                TRef<TDragSmile> drag(new TDragSmile(dragDispatcher_));
                drag->SetPicture(image.get());
                drag->FrameIndex.store(frame, std::memory_order_relaxed);
                // The floating image carries the smile; its cell stops animating.
                smile->Visible.store(false, std::memory_order_relaxed);
                dragSmileInstance_ = drag;
                dragDispatcher_->StartDrag(drag.get());
                dragDispatcher_->MoveTo(dragPoint);
            } catch (const std::exception&) {
                // No floating image for this picture; the drag goes on without it.
            }
        }
    }
    const QCursor* current = QGuiApplication::overrideCursor();
    SavedCursor = current ? static_cast<int16_t>(current->shape()) : int16_t{-1};
    dragIndex_ = pressIndex_;
    InvalidateCell(dragIndex_);
    if (ShowInsertPoint && dragIndex_ > 1) InvalidateCell(dragIndex_ - 1);
    pressIndex_ = -1;
}

void TSmileView::EndFloatingImage() {
    if (!dragSmileInstance_) return;
    if (dragDispatcher_) dragDispatcher_->EndDrag(dragSmileInstance_.get());
    dragSmileInstance_.reset();
}

void TSmileView::SetOverrideCursor(Qt::CursorShape shape) {
    if (overrideCursorSet_) {
        QGuiApplication::changeOverrideCursor(QCursor(shape));
    } else {
        QGuiApplication::setOverrideCursor(QCursor(shape));
        overrideCursorSet_ = true;
    }
}

void TSmileView::RestoreOverrideCursor() {
    // Our override is the top one; taking it away brings back the saved cursor.
    if (!overrideCursorSet_) return;
    QGuiApplication::restoreOverrideCursor();
    overrideCursorSet_ = false;
}

void TSmileView::mouseReleaseEvent(QMouseEvent* event) {
    if (!Active()) return;
    if (pressIndex_ != -1) {
        if (ForcePostSelect && dragIndex_ == -1) {
            SetItemIndex(pressIndex_ == ItemIndex() ? -1 : pressIndex_);
            InvalidateCell(ItemIndex());
        }
        pressIndex_ = -1;
    }
    const QPoint pos = event->position().toPoint();
    const TCellHit hit = HitTestCell(pos.x() + offsetX_, pos.y() + offsetY_);
    if (!OnSmile(hit)) {
        if (dragIndex_ == -1) return;
        // Dropped off the smiles: the drag is cancelled.
        EndFloatingImage();
        RestoreOverrideCursor();
        InvalidateCell(dragIndex_);
    } else if (dragIndex_ != -1) {
        EndFloatingImage();
        RestoreOverrideCursor();
        const int32_t source = dragIndex_;
        const int32_t dest = CellIndex(hit.Column, hit.Row);
        TSmileViewSmile* dragged = smiles_->SmileOrNull(source);
        smiles_->Move(source, dest);
        if (OnSmileMove) OnSmileMove(*this, source, dest);
        // The handler may have taken the move back (its model could not make it): the
        // selection stays with the dragged smile.
        SetItemIndex(
            smiles_->SmileOrNull(dest) == dragged || smiles_->SmileOrNull(source) != dragged ? dest : source);
        InvalidateCell(ItemIndex());
        InvalidateAll();
    }
    dragIndex_ = -1;
}

bool TSmileView::CancelDrag() {
    if (dragIndex_ == -1) return false;
    EndFloatingImage();
    RestoreOverrideCursor();
    dragIndex_ = -1;
    pressIndex_ = -1;
    // The dragged cell and the insert point's neighbours.
    InvalidateAll();
    return true;
}

void TSmileView::wheelEvent(QWheelEvent* event) {
    event->accept();
    if (!Active()) return;
    const int32_t delta = event->angleDelta().y();
    if (OnMouseWheel && OnMouseWheel(*this, delta)) return;
    // One notch is 120; high-resolution wheels send parts of it.
    wheelRemainder_ += delta;
    const int32_t notches = wheelRemainder_ / 120;
    wheelRemainder_ -= notches * 120;
    if (notches == 0) return;
    // A positive delta turns the wheel away from the user: toward the start.
    const int64_t wanted = int64_t{scrollRow_} - int64_t{notches} * QApplication::wheelScrollLines();
    const auto next = static_cast<int32_t>(std::clamp<int64_t>(wanted, 0, std::max(maxScrollRow_, 0)));
    if (next == scrollRow_) return;
    ApplyScroll(Qt::Vertical, next);
}

void TSmileView::keyPressEvent(QKeyEvent* event) {
    // The grid has no keys of its own; the owner moves the selection.
    event->ignore();
}

QStringList TSmileView::DroppedFiles(const QMimeData* mime) const {
    QStringList files;
    if (!mime || !mime->hasUrls()) return files;
    for (const QUrl& url : mime->urls()) {
        // Only what the file system holds; folders go along and the owner refuses them.
        if (url.isLocalFile()) files.push_back(QDir::toNativeSeparators(url.toLocalFile()));
    }
    return files;
}

void TSmileView::dragEnterEvent(QDragEnterEvent* event) {
    if (enableDragAccept_ && !DroppedFiles(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TSmileView::dragMoveEvent(QDragMoveEvent* event) {
    if (enableDragAccept_ && !DroppedFiles(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TSmileView::dropEvent(QDropEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (!enableDragAccept_ || !Active() || !viewport()->rect().contains(pos)) {
        event->ignore();
        return;
    }
    const QStringList files = DroppedFiles(event->mimeData());
    if (files.isEmpty()) {
        event->ignore();
        return;
    }
    const TCellHit hit = HitTestCell(pos.x() + offsetX_, pos.y() + offsetY_);
    const int32_t index = OnSmile(hit) ? CellIndex(hit.Column, hit.Row) : -1;
    event->acceptProposedAction();
    if (OnDropFiles) OnDropFiles(*this, index, files);
}

bool TSmileView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (showHint_ && !hint_.isEmpty()) {
            QToolTip::showText(help->globalPos(), hint_, viewport());
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    // Leaving the grid keeps the hot smile: the last one hovered stays highlighted and
    // animating, as it does over empty grid space.
    return QAbstractScrollArea::viewportEvent(event);
}

}  // namespace faceloom
