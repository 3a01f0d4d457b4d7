#pragma once

#include <QAbstractScrollArea>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "pictures/base_object.h"
#include "views/back_buffer.h"
#include "views/caption_cache.h"
#include "views/dirty_cells.h"
#include "views/smile_list.h"

class QMimeData;
class QPainter;

namespace faceloom {

class TDragDispatcherBase;
class TDragSmile;
class TSmileViewSmile;

// One column or row of the layout: its size and its offset in content coordinates.
struct TGridLine {
    int32_t Size = 0;
    int32_t Offset = 0;
};

// Column, row and what lies there. Codes: 0 a smile (its picture, for the masked test),
// 1 a smile's cell but not its picture, 2 the empty end of the last row, 3 right of the
// grid, 4 below it, 5 right of and below it.
struct TCellHit {
    int32_t Column = 0;
    int32_t Row = 0;
    int32_t Code = 0;
};

// The cells a rectangle of content touches, and which empty parts it shows.
// Room a cell keeps beside a caption wider than its picture, split between its two sides.
inline constexpr int32_t kCaptionGap = 6;

struct TVisibleRange {
    bool Valid = false;
    int32_t FirstColumn = 0;
    int32_t FirstRow = 0;
    int32_t LastColumn = 0;
    int32_t LastRow = 0;
    bool TailVisible = false;
    bool RightVisible = false;
    bool BelowVisible = false;
};

// The scrolling grid of animated smiles. Cells are laid out RowWidth to a row in list order;
// a column is as wide as its widest cell and a row as tall as its tallest, and the grid
// scrolls by whole columns and rows. Each cell is composed in one back buffer and copied to
// the screen; the widget never erases its background.
//
// Threads: everything runs on the GUI thread except the instances' hooks, which the timer
// thread calls. They read Active, AnimateAll, ItemIndex and HotIndex (atomics) and put the
// changed index into a locked dirty set; one posted call per timer pass maps the indices to
// cell rectangles on the GUI thread.
class TSmileView : public QAbstractScrollArea {
    Q_OBJECT

public:
    using TOnSelectEvent = std::function<void(TSmileView& sender, int32_t index)>;
    using TOnSmileMoveEvent = std::function<void(TSmileView& sender, int32_t src, int32_t dest)>;
    using TOnContextMenuEvent = std::function<void(TSmileView& sender, int32_t x, int32_t y, int32_t index)>;
    using TOnDropFilesEvent =
        std::function<void(TSmileView& sender, int32_t index, const QStringList& files)>;
    // The owner's wheel handling, asked first; true when it took the wheel.
    using TOnMouseWheelEvent = std::function<bool(TSmileView& sender, int32_t delta)>;

    explicit TSmileView(QWidget* parent = nullptr);
    ~TSmileView() override;

    TSmileList& Smiles() { return *smiles_; }
    const TSmileList& Smiles() const { return *smiles_; }

    // State read by the timer thread.
    bool Active() const { return active_.load(std::memory_order_acquire); }
    bool AnimateAll() const { return animateAll_.load(std::memory_order_relaxed); }
    int32_t ItemIndex() const { return itemIndex_.load(std::memory_order_relaxed); }
    int32_t HotIndex() const { return hotIndex_.load(std::memory_order_relaxed); }

    void SetActive(bool value);
    // Rebuilds the layout at the next activation (list changes, font changes).
    void Relayout();
    void MarkLayoutDirty() { layoutDirty_ = true; }
    bool LayoutDirty() const { return layoutDirty_; }

    // Published properties.
    bool ForcePostSelect = false;
    bool AllowDragAndDrop = false;
    bool AnimatedDraggingAllowed = false;
    bool AutoFocus = false;
    bool TrackCursor = false;
    bool AllowMaskedHitTest = false;
    bool SimpleMaskedHitTest = false;
    bool ShowInsertPoint = false;
    bool AllowDragOffset = false;

    int32_t RowWidth() const { return rowWidth_; }
    void SetRowWidth(int32_t value);
    bool ShowSignatures() const { return showSignatures_; }
    void SetShowSignatures(bool value);
    void SetAnimateAll(bool value);
    bool AllowHotTrack() const { return allowHotTrack_; }
    void SetAllowHotTrack(bool value);
    bool AllowSelecting() const { return allowSelecting_; }
    void SetAllowSelecting(bool value);
    uint32_t HotTrackColor() const { return hotTrackColor_; }
    void SetHotTrackColor(uint32_t value);
    uint32_t HotTrackBorderColor() const { return hotTrackBorderColor_; }
    void SetHotTrackBorderColor(uint32_t value);
    bool EnableDragAccept() const { return enableDragAccept_; }
    void SetEnableDragAccept(bool value);
    // Background (0x00BBGGRR or a system colour) and the text colour of the signatures.
    uint32_t Color() const { return color_; }
    void SetColor(uint32_t value);
    uint32_t FontColor() const { return fontColor_; }
    void SetFontColor(uint32_t value);

    // The floating drag image (not owned; may be none) and whether the platform can show it.
    TDragDispatcherBase* DragDispatcher() const { return dragDispatcher_; }
    void SetDragDispatcher(TDragDispatcherBase* dispatcher) { dragDispatcher_ = dispatcher; }
    bool LayeredWindowsAvailable() const { return layeredWindowsAvailable_; }
    void SetLayeredWindowsAvailable(bool value) { layeredWindowsAvailable_ = value; }

    TOnSelectEvent OnSelect;
    TOnSmileMoveEvent OnSmileMove;
    TOnContextMenuEvent OnContextMenu;
    TOnDropFilesEvent OnDropFiles;
    TOnMouseWheelEvent OnMouseWheel;

    // Geometry.
    int32_t Count() const { return smiles_->Count(); }
    int32_t ColCount() const;
    int32_t RowCount() const;
    int32_t CellColumn(int32_t index) const;
    int32_t CellRow(int32_t index) const;
    int32_t CellIndex(int32_t column, int32_t row) const;
    int32_t LastRowLength() const;
    // x, y in content coordinates.
    TCellHit PointToCell(int32_t x, int32_t y) const;
    TCellHit HitTestCell(int32_t x, int32_t y) const;
    // rect in content coordinates; its right and bottom edges are its last pixels.
    TVisibleRange VisibleRange(const QRect& rect) const;
    // direction 0 left, 1 right, 2 up, 3 down.
    bool CanMove(int32_t index, int32_t direction) const;
    // The cell's rectangle in client (viewport) coordinates; empty for an index off the list.
    QRect CellRect(int32_t index) const;

    const std::vector<TGridLine>& Columns() const { return columns_; }
    const std::vector<TGridLine>& Rows() const { return rows_; }
    int32_t TotalWidth() const { return totalWidth_; }
    int32_t TotalHeight() const { return totalHeight_; }
    int32_t LastRowWidth() const { return lastRowWidth_; }
    int32_t MaxColumnWidth() const { return maxColumnWidth_; }
    int32_t MaxRowHeight() const { return maxRowHeight_; }
    int32_t MaxScrollCol() const { return maxScrollCol_; }
    int32_t MaxScrollRow() const { return maxScrollRow_; }
    int32_t ScrollCol() const { return scrollCol_; }
    int32_t ScrollRow() const { return scrollRow_; }
    int32_t OffsetX() const { return offsetX_; }
    int32_t OffsetY() const { return offsetY_; }
    int32_t DragIndex() const { return dragIndex_; }
    int32_t PressIndex() const { return pressIndex_; }
    const TBackBuffer& BackBuffer() const { return backBuffer_; }
    const TCaptionCache& Captions() const { return captions_; }
    TDragSmile* DragSmileInstance() const { return dragSmileInstance_.get(); }
    // The hint text of the control and whether hints are shown (opposite to ShowSignatures).
    const QString& HintText() const { return hint_; }
    bool HintsShown() const { return showHint_; }

    void SetItemIndex(int32_t index);
    // Ends a drag under way with nothing moved: the smile stays where it was and the release
    // that follows does nothing. False when no drag was under way.
    bool CancelDrag();
    void InvalidateCell(int32_t index);
    void ScrollIntoView(int32_t index);
    void UpdateScrollRanges();
    void UpdateVisibility();
    void DetachSmile(int32_t index);
    // A scroll-bar request (QAbstractSlider::SliderAction) for one axis.
    void ScrollRequest(Qt::Orientation orientation, int action, int position);

    // Timer thread: the frame of the instance at index changed.
    void CellFrameChanged(int32_t index);
    // GUI thread: repaints the cells collected from the timer thread (also run by the posted
    // call); indices that a list change made stale are skipped. Answers how many cells were
    // asked to repaint.
    int32_t FlushDirtyCells();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

    // Size of the text in the control's font (tests measure with their own).
    virtual QSize TextExtent(const QString& text) const;

private:
    void RebuildLayout();
    // region: what is being painted; captionHeight: the height of a caption line (0 without
    // captions).
    void DrawCell(int32_t index, QPainter& painter, const QRegion& region, int32_t captionHeight);
    int32_t CaptionHeight() const;
    void RefreshCursorAndHint(int32_t index);
    int32_t TextHeightOf(int32_t index) const;
    void InvalidateAll();
    int32_t ClientWidth() const;
    int32_t ClientHeight() const;
    void ApplyScroll(Qt::Orientation orientation, int32_t position);
    void SyncScrollBar(Qt::Orientation orientation);
    bool OnSmile(const TCellHit& hit) const;
    void StartDrag(const QPoint& globalPos);
    void EndFloatingImage();
    void SetViewCursor(Qt::CursorShape shape);
    void SetOverrideCursor(Qt::CursorShape shape);
    void RestoreOverrideCursor();
    void ShowHintAt(const QPoint& globalPos);
    void ClearHint();
    void SetHintFromHot();
    QStringList DroppedFiles(const QMimeData* mime) const;

    std::unique_ptr<TSmileList> smiles_;
    std::atomic<bool> active_{false};
    bool layoutDirty_ = true;
    int32_t rowWidth_ = 10;
    std::vector<TGridLine> columns_;
    std::vector<TGridLine> rows_;
    int32_t totalWidth_ = 0;
    int32_t totalHeight_ = 0;
    std::atomic<int32_t> itemIndex_{-1};
    std::atomic<int32_t> hotIndex_{-1};
    int32_t dragIndex_ = -1;
    int32_t maxScrollCol_ = 0;
    int32_t maxScrollRow_ = 0;
    int32_t lastRowWidth_ = 0;
    TBackBuffer backBuffer_;
    TCaptionCache captions_;
    int32_t maxColumnWidth_ = 0;
    int32_t maxRowHeight_ = 0;
    int32_t scrollCol_ = 0;
    int32_t scrollRow_ = 0;
    int32_t offsetX_ = 0;
    int32_t offsetY_ = 0;
    bool showSignatures_ = false;
    std::atomic<bool> animateAll_{true};
    bool allowHotTrack_ = false;
    bool allowSelecting_ = false;
    bool enableDragAccept_ = false;
    uint32_t hotTrackColor_ = 0xFFF0F0;
    uint32_t hotTrackBorderColor_ = 0xFF8080;
    uint32_t color_ = 0xFFFFFF;
    uint32_t fontColor_ = 0xFF000008;
    TRef<TDragSmile> dragSmileInstance_;
    // The application cursor before the drag (a Qt::CursorShape; -1: no override was set).
    int16_t SavedCursor = -1;
    bool overrideCursorSet_ = false;
    int32_t pressX_ = 0;
    int32_t pressY_ = 0;
    int32_t pressIndex_ = -1;
    int32_t dragOffsetX_ = 0;
    int32_t dragOffsetY_ = 0;
    TDragDispatcherBase* dragDispatcher_ = nullptr;
    bool layeredWindowsAvailable_ = false;
    Qt::CursorShape viewCursor_ = Qt::ArrowCursor;
    bool showHint_ = true;
    QString hint_;
    // Wheel angle not yet turned into whole notches.
    int32_t wheelRemainder_ = 0;
    // Set while the grid itself moves its bars, so their signals are not taken as requests.
    bool syncingBars_ = false;
    TDirtyCells dirtyCells_;
};

}  // namespace faceloom
