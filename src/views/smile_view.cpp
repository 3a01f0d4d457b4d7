#include "views/smile_view.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QResizeEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <utility>

#include "animation/animation_manager.h"
#include "pictures/picture_decoder.h"
#include "views/drag_smile.h"
#include "views/smile_view_smile.h"

namespace faceloom {

TSmileView::TSmileView(QWidget* parent)
    : QAbstractScrollArea(parent), smiles_(std::make_unique<TSmileList>(this)) {
    AcquireAnimationManager();
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);  // reached by Tab as well as by a click
    // Every pixel is painted here; nothing may erase the viewport first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    viewport()->setMouseTracking(true);
    for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()}) {
        bar->setSingleStep(1);
        bar->setRange(0, 0);  // hidden until the first layout
    }
    connect(horizontalScrollBar(), &QAbstractSlider::actionTriggered, this, [this](int action) {
        ScrollRequest(Qt::Horizontal, action, horizontalScrollBar()->sliderPosition());
    });
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, [this](int action) {
        ScrollRequest(Qt::Vertical, action, verticalScrollBar()->sliderPosition());
    });
    // Positions set by other means (the platform's own handling) still land on whole cells.
    connect(horizontalScrollBar(), &QAbstractSlider::valueChanged, this, [this](int value) {
        if (!syncingBars_ && value != scrollCol_) ApplyScroll(Qt::Horizontal, value);
    });
    connect(verticalScrollBar(), &QAbstractSlider::valueChanged, this, [this](int value) {
        if (!syncingBars_ && value != scrollRow_) ApplyScroll(Qt::Vertical, value);
    });
    UpdateScrollRanges();
}

TSmileView::~TSmileView() {
    SetActive(false);
    EndFloatingImage();
    RestoreOverrideCursor();
    for (int32_t i = 0; i < Count(); ++i) DetachSmile(i);
    smiles_.reset();
    ReleaseAnimationManager();
}

// ---- State and properties ----

void TSmileView::SetActive(bool value) {
    if (Active() == value) return;
    active_.store(value, std::memory_order_release);
    if (value) {
        if (layoutDirty_) RebuildLayout();
    } else if (TAnimationManager* manager = AnimationManager()) {
        manager->WaitRenderIdle();
    }
    InvalidateAll();
}

void TSmileView::Relayout() {
    const bool wasActive = Active();
    SetActive(false);
    layoutDirty_ = true;
    SetActive(wasActive);
}

void TSmileView::SetRowWidth(int32_t value) {
    if (value == rowWidth_) return;
    const bool wasActive = Active();
    SetActive(false);
    rowWidth_ = value;
    layoutDirty_ = true;
    SetActive(wasActive);
    InvalidateAll();
}

void TSmileView::SetShowSignatures(bool value) {
    if (value == showSignatures_) return;
    // Signatures show as hints only when they are not written under the pictures.
    showHint_ = !value;
    if (!showHint_) ClearHint();
    const bool wasActive = Active();
    SetActive(false);
    showSignatures_ = value;
    layoutDirty_ = true;
    SetActive(wasActive);
    InvalidateAll();
}

void TSmileView::SetAnimateAll(bool value) {
    animateAll_.store(value, std::memory_order_relaxed);
    // The next paint files every visible smile in the timer again.
    if (value) InvalidateAll();
}

void TSmileView::SetAllowHotTrack(bool value) {
    allowHotTrack_ = value;
    InvalidateCell(HotIndex());
}

void TSmileView::SetAllowSelecting(bool value) {
    SetItemIndex(-1);
    allowSelecting_ = value;
}

void TSmileView::SetHotTrackColor(uint32_t value) {
    hotTrackColor_ = value;
    if (allowHotTrack_) InvalidateCell(HotIndex());
}

void TSmileView::SetHotTrackBorderColor(uint32_t value) {
    hotTrackBorderColor_ = value;
    if (allowHotTrack_) InvalidateCell(HotIndex());
}

void TSmileView::SetEnableDragAccept(bool value) {
    enableDragAccept_ = value;
    setAcceptDrops(value);
    viewport()->setAcceptDrops(value);
}

void TSmileView::SetColor(uint32_t value) {
    color_ = value;
    InvalidateAll();
}

void TSmileView::SetFontColor(uint32_t value) {
    fontColor_ = value;
    InvalidateAll();
}

void TSmileView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    // Text is measured with the control's font, so a new font needs a new layout.
    if (event->type() == QEvent::FontChange) Relayout();
}

// ---- Geometry ----

int32_t TSmileView::ColCount() const {
    const int32_t count = Count();
    return (rowWidth_ > 0 && count >= rowWidth_) ? rowWidth_ : count;
}

int32_t TSmileView::RowCount() const {
    if (rowWidth_ <= 0) return 1;
    return static_cast<int32_t>((int64_t{Count()} + rowWidth_ - 1) / rowWidth_);
}

int32_t TSmileView::CellColumn(int32_t index) const {
    const int32_t cols = ColCount();
    return cols > 0 ? index % cols : 0;
}

int32_t TSmileView::CellRow(int32_t index) const {
    const int32_t cols = ColCount();
    return cols > 0 ? index / cols : 0;
}

int32_t TSmileView::CellIndex(int32_t column, int32_t row) const {
    const int32_t cols = ColCount();
    if (cols <= 0) return -1;
    return column % cols + row * cols;
}

int32_t TSmileView::LastRowLength() const {
    return CellColumn(Count() - 1) + 1;
}

TCellHit TSmileView::PointToCell(int32_t x, int32_t y) const {
    TCellHit hit;
    if (x < 0) {
        hit.Column = -1;
    } else {
        hit.Column = ColCount();
        hit.Code = 3;
        int64_t sum = 0;
        for (size_t c = 0; c < columns_.size(); ++c) {
            sum += columns_[c].Size;
            if (sum >= int64_t{x} + 1) {
                hit.Column = static_cast<int32_t>(c);
                hit.Code = 0;
                break;
            }
        }
    }
    if (y < 0) {
        hit.Row = -1;
    } else {
        int64_t sum = 0;
        bool found = false;
        for (size_t r = 0; r < rows_.size(); ++r) {
            sum += rows_[r].Size;
            if (sum >= int64_t{y} + 1) {
                hit.Row = static_cast<int32_t>(r);
                found = true;
                break;
            }
        }
        if (!found) {
            hit.Row = RowCount();
            hit.Code = hit.Code == 3 ? 5 : 4;
        }
    }
    if (x >= 0 && y >= 0 && hit.Code == 0 && CellIndex(hit.Column, hit.Row) > Count() - 1) hit.Code = 2;
    return hit;
}

TVisibleRange TSmileView::VisibleRange(const QRect& rect) const {
    TVisibleRange range;
    const TCellHit first = PointToCell(rect.left(), rect.top());
    switch (first.Code) {
        case 0:
            range.Valid = true;
            range.FirstColumn = first.Column;
            range.FirstRow = first.Row;
            break;
        case 2:
            range.TailVisible = true;
            break;
        case 3:
            range.RightVisible = true;
            break;
        default:
            range.BelowVisible = true;
            return range;
    }
    const TCellHit last = PointToCell(rect.right(), rect.bottom());
    range.LastColumn = std::min(last.Column, ColCount() - 1);
    range.LastRow = std::min(last.Row, RowCount() - 1);
    switch (last.Code) {
        case 2:
            range.TailVisible = true;
            break;
        case 3:
            range.RightVisible = true;
            if (range.Valid && last.Row == RowCount() - 1) range.TailVisible = true;
            break;
        case 4:
            range.BelowVisible = true;
            if (range.Valid && last.Column >= LastRowLength() - 1) range.TailVisible = true;
            break;
        case 5:
            range.BelowVisible = true;
            if (range.Valid) {
                range.TailVisible = true;
                range.RightVisible = true;
            }
            break;
        default:
            break;
    }
    return range;
}

bool TSmileView::CanMove(int32_t index, int32_t direction) const {
    const int32_t count = Count();
    if (index < 0 || index >= count) return false;
    int32_t neighbour = 0;
    switch (direction) {
        case 0:
            neighbour = index - 1;
            break;
        case 1:
            neighbour = index + 1;
            break;
        case 2:
            neighbour = index - ColCount();
            break;
        case 3:
            neighbour = index + ColCount();
            break;
        default:
            return false;
    }
    return neighbour >= 0 && neighbour < count;
}

QRect TSmileView::CellRect(int32_t index) const {
    if (index < 0 || index >= Count() || layoutDirty_) return QRect();
    const auto c = static_cast<size_t>(CellColumn(index));
    const auto r = static_cast<size_t>(CellRow(index));
    if (c >= columns_.size() || r >= rows_.size()) return QRect();
    return QRect(columns_[c].Offset - offsetX_, rows_[r].Offset - offsetY_, columns_[c].Size, rows_[r].Size);
}

int32_t TSmileView::ClientWidth() const {
    return viewport()->width();
}

int32_t TSmileView::ClientHeight() const {
    return viewport()->height();
}

QSize TSmileView::TextExtent(const QString& text) const {
    const QFontMetrics metrics(font());
    return QSize(metrics.horizontalAdvance(text), metrics.height());
}

int32_t TSmileView::TextHeightOf(int32_t index) const {
    if (index < 0 || index >= Count() || smiles_->Get(index).isEmpty()) return 0;
    return CaptionHeight();
}

// ---- Layout ----

void TSmileView::RebuildLayout() {
    const int32_t cols = ColCount();
    const int32_t rowCount = RowCount();
    columns_.assign(static_cast<size_t>(std::max(cols, 0)), TGridLine{});
    rows_.assign(static_cast<size_t>(std::max(rowCount, 0)), TGridLine{});
    const int32_t count = Count();
    for (int32_t r = 0; r < rowCount; ++r) {
        for (int32_t c = 0; c < cols; ++c) {
            const int32_t index = CellIndex(c, r);
            if (index < 0 || index >= count) continue;
            TSmileViewSmile* smile = smiles_->SmileOrNull(index);
            if (!smile) continue;
            const TRef<TPictureDecoder> picture = smile->PictureRef();
            if (!picture) continue;
            int32_t width = picture->Width + 2;
            int32_t height = picture->Height + 2;
            const QString& text = smiles_->Get(index);
            if (showSignatures_ && !text.isEmpty()) {
                const QSize extent = TextExtent(text);
                // A caption wider than its picture keeps a gap to its neighbours' captions,
                // so two long signatures never read as one.
                width = std::max(width, std::max(extent.width(), 0) + 2 + kCaptionGap);
                height += std::max(extent.height(), 0);
            }
            TGridLine& column = columns_[static_cast<size_t>(c)];
            TGridLine& row = rows_[static_cast<size_t>(r)];
            column.Size = std::max(column.Size, width);
            row.Size = std::max(row.Size, height);
        }
    }
    totalWidth_ = 0;
    maxColumnWidth_ = 0;
    lastRowWidth_ = 0;
    const int32_t lastRowLength = LastRowLength();
    for (int32_t c = 0; c < cols; ++c) {
        TGridLine& column = columns_[static_cast<size_t>(c)];
        column.Offset = totalWidth_;
        totalWidth_ += column.Size;
        maxColumnWidth_ = std::max(maxColumnWidth_, column.Size);
        if (c < lastRowLength) lastRowWidth_ += column.Size;
    }
    totalHeight_ = 0;
    maxRowHeight_ = 0;
    for (TGridLine& row : rows_) {
        row.Offset = totalHeight_;
        totalHeight_ += row.Size;
        maxRowHeight_ = std::max(maxRowHeight_, row.Size);
    }
    layoutDirty_ = false;
    if (backBuffer_.Empty() || backBuffer_.Width() < maxColumnWidth_ ||
        backBuffer_.Height() < maxRowHeight_) {
        backBuffer_ = TBackBuffer(maxColumnWidth_, maxRowHeight_);
    }
    UpdateScrollRanges();
    UpdateVisibility();
    if (ItemIndex() > count - 1) SetItemIndex(-1);
    if (HotIndex() > count - 1) hotIndex_.store(-1, std::memory_order_relaxed);
    if (dragIndex_ > count - 1) dragIndex_ = -1;
    if (pressIndex_ > count - 1) pressIndex_ = -1;
}

// ---- Scrolling ----

void TSmileView::SyncScrollBar(Qt::Orientation orientation) {
    QScrollBar* bar = orientation == Qt::Horizontal ? horizontalScrollBar() : verticalScrollBar();
    const QSignalBlocker blocker(bar);
    bar->setValue(orientation == Qt::Horizontal ? scrollCol_ : scrollRow_);
}

void TSmileView::UpdateScrollRanges() {
    maxScrollCol_ = 0;
    maxScrollRow_ = 0;
    const int32_t cols = ColCount();
    const int32_t rowCount = RowCount();
    // A stale layout gives no ranges; the rebuild sets them.
    if (layoutDirty_) return;
    if (Count() <= 0) {
        scrollCol_ = scrollRow_ = offsetX_ = offsetY_ = 0;
    } else {
        const TCellHit hit = PointToCell(totalWidth_ - ClientWidth(), totalHeight_ - ClientHeight());
        if (hit.Code == 0 || hit.Code == 2) {
            maxScrollCol_ = hit.Column + 1;
            maxScrollRow_ = hit.Row + 1;
        } else if (hit.Code == 3) {
            maxScrollRow_ = hit.Row + 1;
        } else if (hit.Code == 4) {
            maxScrollCol_ = hit.Column + 1;
        }
        if (maxScrollCol_ == cols) --maxScrollCol_;
        if (maxScrollRow_ == rowCount) --maxScrollRow_;
        if (scrollCol_ > maxScrollCol_) {
            scrollCol_ = maxScrollCol_;
            InvalidateAll();
        }
        if (scrollRow_ > maxScrollRow_) {
            scrollRow_ = maxScrollRow_;
            InvalidateAll();
        }
        offsetX_ = static_cast<size_t>(scrollCol_) < columns_.size()
                       ? columns_[static_cast<size_t>(scrollCol_)].Offset
                       : 0;
        offsetY_ = static_cast<size_t>(scrollRow_) < rows_.size()
                       ? rows_[static_cast<size_t>(scrollRow_)].Offset
                       : 0;
    }
    // A Windows bar with range 0 .. ColCount() - 1 and page ColCount() - MaxScrollCol stops at
    // MaxScrollCol: in Qt's terms that is maximum MaxScrollCol with the same page, and Qt hides
    // the bar exactly when the page covers the range (maximum 0).
    for (Qt::Orientation orientation : {Qt::Horizontal, Qt::Vertical}) {
        const bool horizontal = orientation == Qt::Horizontal;
        QScrollBar* bar = horizontal ? horizontalScrollBar() : verticalScrollBar();
        const int32_t lines = horizontal ? cols : rowCount;
        const int32_t maximum = std::max(horizontal ? maxScrollCol_ : maxScrollRow_, 0);
        // Not blocked: the scroll area shows and hides its bars on the range signal.
        const bool wasSyncing = std::exchange(syncingBars_, true);
        bar->setRange(0, maximum);
        bar->setPageStep(std::max(lines - maximum, 1));
        bar->setValue(horizontal ? scrollCol_ : scrollRow_);
        syncingBars_ = wasSyncing;
    }
}

void TSmileView::UpdateVisibility() {
    if (!Active()) return;
    const TVisibleRange range = VisibleRange(QRect(offsetX_, offsetY_, ClientWidth(), ClientHeight()));
    for (int32_t i = 0; i < Count(); ++i) {
        TSmileViewSmile* smile = smiles_->SmileOrNull(i);
        if (!smile) continue;
        const int32_t c = CellColumn(i);
        const int32_t r = CellRow(i);
        const bool inside = range.Valid && c >= range.FirstColumn && c <= range.LastColumn &&
                            r >= range.FirstRow && r <= range.LastRow;
        if (!inside) smile->Visible.store(false, std::memory_order_relaxed);
    }
}

void TSmileView::ScrollIntoView(int32_t index) {
    if (index < 0 || index >= Count() || layoutDirty_) return;
    const auto c = static_cast<size_t>(CellColumn(index));
    const auto r = static_cast<size_t>(CellRow(index));
    if (c >= columns_.size() || r >= rows_.size()) return;
    const TCellHit edge = PointToCell(columns_[c].Offset + columns_[c].Size - ClientWidth(),
                                      rows_[r].Offset + rows_[r].Size - ClientHeight());
    auto firstLine = [](int32_t line, int32_t lineOffset, int32_t offset, int32_t scroll, int32_t edgeLine) {
        if (lineOffset < offset) return line;
        if (scroll < edgeLine + 1) return line == edgeLine ? line : edgeLine + 1;
        return scroll;
    };
    const int32_t newCol =
        firstLine(static_cast<int32_t>(c), columns_[c].Offset, offsetX_, scrollCol_, edge.Column);
    const int32_t newRow =
        firstLine(static_cast<int32_t>(r), rows_[r].Offset, offsetY_, scrollRow_, edge.Row);
    bool changed = false;
    if (newCol != scrollCol_ && static_cast<size_t>(newCol) < columns_.size() && newCol >= 0) {
        scrollCol_ = newCol;
        offsetX_ = columns_[static_cast<size_t>(newCol)].Offset;
        SyncScrollBar(Qt::Horizontal);
        changed = true;
    }
    if (newRow != scrollRow_ && static_cast<size_t>(newRow) < rows_.size() && newRow >= 0) {
        scrollRow_ = newRow;
        offsetY_ = rows_[static_cast<size_t>(newRow)].Offset;
        SyncScrollBar(Qt::Vertical);
        changed = true;
    }
    if (changed) {
        UpdateVisibility();
        InvalidateAll();
    }
}

void TSmileView::ApplyScroll(Qt::Orientation orientation, int32_t position) {
    if (orientation == Qt::Horizontal) {
        scrollCol_ = std::clamp(position, 0, std::max(maxScrollCol_, 0));
        offsetX_ = static_cast<size_t>(scrollCol_) < columns_.size()
                       ? columns_[static_cast<size_t>(scrollCol_)].Offset
                       : 0;
    } else {
        scrollRow_ = std::clamp(position, 0, std::max(maxScrollRow_, 0));
        offsetY_ = static_cast<size_t>(scrollRow_) < rows_.size()
                       ? rows_[static_cast<size_t>(scrollRow_)].Offset
                       : 0;
    }
    SyncScrollBar(orientation);
    UpdateVisibility();
    InvalidateAll();
}

void TSmileView::ScrollRequest(Qt::Orientation orientation, int action, int position) {
    const bool horizontal = orientation == Qt::Horizontal;
    const int32_t current = horizontal ? scrollCol_ : scrollRow_;
    const int32_t maximum = horizontal ? maxScrollCol_ : maxScrollRow_;
    int32_t next = current;
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            next = current > 0 ? current - 1 : current;
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            next = current < maximum ? current + 1 : current;
            break;
        case QAbstractSlider::SliderPageStepSub:
            next = current - 6 >= 0 ? current - 6 : 0;
            break;
        case QAbstractSlider::SliderPageStepAdd:
            next = std::min(current + 6, maximum);
            break;
        case QAbstractSlider::SliderMove:
            next = position;
            break;
        case QAbstractSlider::SliderToMinimum:
            next = 0;
            break;
        case QAbstractSlider::SliderToMaximum:
            next = maximum;
            break;
        default:
            break;
    }
    ApplyScroll(orientation, next);
    // Qt sets the value from the slider position once this request has been handled.
    QScrollBar* bar = horizontal ? horizontalScrollBar() : verticalScrollBar();
    bar->setSliderPosition(horizontal ? scrollCol_ : scrollRow_);
}

void TSmileView::scrollContentsBy(int, int) {
    // Offsets follow whole cells and every scroll repaints; nothing to shift here.
}

void TSmileView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRanges();
    UpdateVisibility();
}

// ---- Selection and invalidation ----

void TSmileView::SetItemIndex(int32_t index) {
    if (!allowSelecting_) return;
    if (index > Count() - 1) return;
    if (index < 0) index = -1;
    const int32_t old = ItemIndex();
    if (index == old) {
        ScrollIntoView(index);
        return;
    }
    if (index == -1) {
        itemIndex_.store(-1, std::memory_order_relaxed);
        InvalidateCell(old);
    } else {
        itemIndex_.store(index, std::memory_order_relaxed);
        InvalidateCell(old);
        InvalidateCell(index);
        ScrollIntoView(index);
    }
    if (OnSelect) OnSelect(*this, index);
}

void TSmileView::InvalidateCell(int32_t index) {
    if (!Active()) return;
    const QRect rect = CellRect(index);
    if (!rect.isEmpty()) viewport()->update(rect);
}

void TSmileView::InvalidateAll() {
    viewport()->update();
}

void TSmileView::DetachSmile(int32_t index) {
    smiles_->DetachSmile(index);
}

// ---- Frame changes from the timer thread ----

void TSmileView::CellFrameChanged(int32_t index) {
    if (dirtyCells_.Add(index)) {
        QMetaObject::invokeMethod(
            this, [this] { FlushDirtyCells(); }, Qt::QueuedConnection);
    }
}

int32_t TSmileView::FlushDirtyCells() {
    const std::vector<int32_t> indices = dirtyCells_.Take();
    if (!Active() || layoutDirty_) return 0;
    // Cells of one row share their top and height, so a row's neighbours merge into one
    // rectangle and the rows form the bands a region is made of.
    std::vector<QRect> rects;
    rects.reserve(indices.size());
    int32_t cells = 0;
    // Only the picture changed: a cell's caption line (and the pixel under it) stays as shown.
    const int32_t captionHeight = CaptionHeight();
    for (int32_t index : indices) {
        if (index < 0 || index >= Count()) continue;  // the list shrank since
        QRect rect = CellRect(index);
        if (captionHeight > 0 && !smiles_->Get(index).isEmpty())
            rect.setBottom(rect.bottom() - captionHeight - 1);
        if (rect.isEmpty()) continue;
        rect = rect.intersected(viewport()->rect());
        if (rect.isEmpty()) continue;
        ++cells;
        if (!rects.empty() && rects.back().top() == rect.top() && rects.back().bottom() == rect.bottom() &&
            rects.back().right() + 1 == rect.left()) {
            rects.back().setRight(rect.right());
        } else {
            rects.push_back(rect);
        }
    }
    if (rects.empty()) return 0;
    QRegion region;
    region.setRects(rects.data(), static_cast<int>(rects.size()));
    viewport()->update(region);
    return cells;
}

}  // namespace faceloom
