#include <gtest/gtest.h>

#include <QScrollBar>

#include "grid_test_support.h"
#include "views/smile_view.h"

namespace faceloom {
namespace {

using testing::Fill;
using testing::NewSmile;
using testing::TCodePicture;
using testing::TTestView;

class SmileViewLayoutTest : public ::testing::Test {
protected:
    // count smiles of w x h pixels without signatures, laid out and active.
    void Build(int32_t count, int32_t w, int32_t h, int32_t rowWidth = 10) {
        TRef<TPictureDecoder> picture(new TCodePicture(w, h, {0xFF}));
        view_.SetRowWidth(rowWidth);
        Fill(view_, count, picture.get());
        view_.SetActive(true);
    }
    // Shows the grid with a viewport of exactly width x height (bars hidden unless needed).
    void ShowClient(int32_t width, int32_t height) {
        view_.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view_.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view_.resize(width, height);
        view_.show();
        QApplication::processEvents();
        ASSERT_EQ(view_.viewport()->width(), width);
    }
    TTestView view_;
};

TEST_F(SmileViewLayoutTest, TwentyFiveItemsInRowsOfTen) {
    Build(25, 20, 20);
    EXPECT_EQ(view_.ColCount(), 10);
    EXPECT_EQ(view_.RowCount(), 3);
    EXPECT_EQ(view_.LastRowLength(), 5);
    EXPECT_EQ(view_.CellIndex(-1, 1), 9);
    EXPECT_EQ(view_.CellColumn(24), 4);
    EXPECT_EQ(view_.CellRow(24), 2);
    // Cells are 22 x 22; right of column 4 in row 2 is the empty end of the last row.
    const TCellHit tail = view_.PointToCell(5 * 22 + 3, 2 * 22 + 3);
    EXPECT_EQ(tail.Code, 2);
    EXPECT_EQ(tail.Column, 5);
    EXPECT_EQ(view_.PointToCell(21, 21).Code, 0);
    EXPECT_EQ(view_.PointToCell(220, 5).Code, 3);
    EXPECT_EQ(view_.PointToCell(5, 66).Code, 4);
    EXPECT_EQ(view_.PointToCell(220, 66).Code, 5);
    EXPECT_EQ(view_.TotalWidth(), 220);
    EXPECT_EQ(view_.LastRowWidth(), 110);
    EXPECT_TRUE(view_.CanMove(15, 2));
    EXPECT_FALSE(view_.CanMove(15, 3));
    EXPECT_FALSE(view_.CanMove(0, 0));
    EXPECT_TRUE(view_.CanMove(24, 0));
    EXPECT_FALSE(view_.CanMove(24, 1));
    EXPECT_FALSE(view_.CanMove(25, 0));
}

TEST_F(SmileViewLayoutTest, ShortListsAndRowWidthsOfZeroOrLessMakeOneRow) {
    Build(7, 20, 20);
    EXPECT_EQ(view_.ColCount(), 7);
    EXPECT_EQ(view_.RowCount(), 1);
    for (int32_t rowWidth : {0, -3}) {
        view_.SetRowWidth(rowWidth);
        EXPECT_EQ(view_.ColCount(), 7);
        EXPECT_EQ(view_.RowCount(), 1);
        EXPECT_EQ(view_.TotalWidth(), 7 * 22);
        EXPECT_EQ(view_.CellIndex(-1, 1), 6);
    }
    view_.Smiles().Clear();
    EXPECT_EQ(view_.ColCount(), 0);
    EXPECT_EQ(view_.RowCount(), 1);
    EXPECT_EQ(view_.PointToCell(0, 0).Code, 5);
    EXPECT_EQ(view_.CellIndex(3, 0), -1);
}

TEST_F(SmileViewLayoutTest, ColumnsFitTheWidestCellAndRowsTheTallest) {
    TRef<TPictureDecoder> narrow(new TCodePicture(19, 20, {0xFF}));
    TRef<TPictureDecoder> wide(new TCodePicture(24, 16, {0xFF}));
    view_.SetRowWidth(2);
    view_.SetShowSignatures(true);
    view_.Smiles().AddObject("", NewSmile(narrow.get()));
    view_.Smiles().AddObject("abc", NewSmile(wide.get()));
    view_.Smiles().AddObject("a", NewSmile(narrow.get()));
    view_.Smiles().AddObject("abcdef", NewSmile(wide.get()));
    view_.SetActive(true);
    // Column 1 holds the 24-pixel pictures with "abc" and "abcdef" (36 pixels of text, the
    // margin and the gap between captions).
    EXPECT_EQ(view_.Columns()[0].Size, 21);
    EXPECT_EQ(view_.Columns()[1].Size, 36 + 2 + kCaptionGap);
    EXPECT_EQ(view_.Columns()[1].Offset, 21);
    // Row 0: 20 + 2 without text against 16 + 2 + 13 with it.
    EXPECT_EQ(view_.Rows()[0].Size, 31);
    EXPECT_EQ(view_.Rows()[1].Offset, 31);
    EXPECT_EQ(view_.MaxColumnWidth(), 36 + 2 + kCaptionGap);
    EXPECT_EQ(view_.BackBuffer().Width(), 36 + 2 + kCaptionGap);
    EXPECT_EQ(view_.BackBuffer().Height(), 35);
}

TEST_F(SmileViewLayoutTest, ScrollRangesInWholeColumns) {
    Build(10, 98, 20);  // columns of 100 pixels, TotalWidth 1000
    ShowClient(450, 100);
    EXPECT_EQ(view_.MaxScrollCol(), 6);
    EXPECT_EQ(view_.MaxScrollRow(), 0);
    // Range 0 .. 9 with page 4, in Qt's terms maximum 6 and page 4.
    EXPECT_EQ(view_.horizontalScrollBar()->maximum(), 6);
    EXPECT_EQ(view_.horizontalScrollBar()->pageStep(), 4);
    view_.resize(400, 100);
    QApplication::processEvents();
    EXPECT_EQ(view_.MaxScrollCol(), 7);
    view_.ScrollRequest(Qt::Horizontal, QAbstractSlider::SliderToMaximum, 0);
    EXPECT_EQ(view_.ScrollCol(), 7);
    EXPECT_EQ(view_.OffsetX(), 700);
    // Growing the client pulls the first column back to the new maximum.
    view_.resize(1100, 100);
    QApplication::processEvents();
    EXPECT_EQ(view_.MaxScrollCol(), 0);
    EXPECT_EQ(view_.ScrollCol(), 0);
    EXPECT_EQ(view_.OffsetX(), 0);
}

TEST_F(SmileViewLayoutTest, ScrollBarsShowOnlyWhenThePageDoesNotCoverTheRange) {
    Build(30, 38, 38);  // 10 x 3 cells of 40
    view_.resize(500, 500);
    view_.show();
    QApplication::processEvents();
    EXPECT_FALSE(view_.horizontalScrollBar()->isVisible());
    EXPECT_FALSE(view_.verticalScrollBar()->isVisible());
    view_.resize(200, 500);
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_TRUE(view_.horizontalScrollBar()->isVisible());
    EXPECT_GT(view_.MaxScrollCol(), 0);
}

TEST_F(SmileViewLayoutTest, VisibleRangeForEachCode) {
    Build(25, 20, 20);  // 10 x 3 cells of 22, last row 5 long
    auto range = [&](int l, int t, int r, int b) {
        return view_.VisibleRange(QRect(QPoint(l, t), QPoint(r, b)));
    };
    TVisibleRange inside = range(23, 23, 70, 50);
    EXPECT_TRUE(inside.Valid);
    EXPECT_EQ(inside.FirstColumn, 1);
    EXPECT_EQ(inside.FirstRow, 1);
    EXPECT_EQ(inside.LastColumn, 3);
    EXPECT_EQ(inside.LastRow, 2);
    EXPECT_FALSE(inside.TailVisible || inside.RightVisible || inside.BelowVisible);
    // From a cell to past the right and bottom edges: everything empty shows too.
    TVisibleRange all = range(0, 0, 400, 400);
    EXPECT_TRUE(all.Valid && all.TailVisible && all.RightVisible && all.BelowVisible);
    EXPECT_EQ(all.LastColumn, 9);
    EXPECT_EQ(all.LastRow, 2);
    // Right of the grid across the last row: the tail shows.
    TVisibleRange right = range(0, 50, 300, 60);
    EXPECT_TRUE(right.Valid && right.RightVisible && right.TailVisible);
    EXPECT_FALSE(right.BelowVisible);
    // Below the grid from column 4 on (the last row's last cell): the tail shows.
    TVisibleRange below = range(90, 50, 100, 100);
    EXPECT_TRUE(below.BelowVisible && below.TailVisible);
    TVisibleRange belowLeft = range(0, 50, 10, 100);
    EXPECT_TRUE(belowLeft.BelowVisible);
    EXPECT_FALSE(belowLeft.TailVisible);
    // Starting in the tail, right of the grid, or below it.
    EXPECT_TRUE(range(120, 50, 130, 60).TailVisible);
    EXPECT_FALSE(range(120, 50, 130, 60).Valid);
    EXPECT_TRUE(range(230, 0, 240, 10).RightVisible);
    TVisibleRange under = range(0, 70, 240, 80);
    EXPECT_TRUE(under.BelowVisible);
    EXPECT_FALSE(under.Valid || under.RightVisible || under.TailVisible);
}

TEST_F(SmileViewLayoutTest, SelectionScrollsIntoViewAndReportsChanges) {
    Build(10, 98, 20);
    ShowClient(450, 100);
    view_.SetAllowSelecting(true);
    std::vector<int32_t> selected;
    view_.OnSelect = [&](TSmileView&, int32_t index) { selected.push_back(index); };
    view_.SetItemIndex(9);
    EXPECT_EQ(view_.ItemIndex(), 9);
    EXPECT_EQ(view_.ScrollCol(), 6);  // columns 6 to 9 shown whole
    view_.SetItemIndex(1);
    EXPECT_EQ(view_.ScrollCol(), 1);
    view_.SetItemIndex(1);   // the same index: only scrolled into view
    view_.SetItemIndex(10);  // past the end: nothing
    view_.SetItemIndex(-5);
    EXPECT_EQ(view_.ItemIndex(), -1);
    EXPECT_EQ(selected, (std::vector<int32_t>{9, 1, -1}));
    // Deleting the selected last item deselects it.
    view_.SetItemIndex(9);
    view_.Smiles().Delete(9);
    EXPECT_EQ(view_.ItemIndex(), -1);
    EXPECT_EQ(selected.back(), -1);
    // Without AllowSelecting nothing can be selected.
    view_.SetAllowSelecting(false);
    view_.SetItemIndex(2);
    EXPECT_EQ(view_.ItemIndex(), -1);
}

TEST_F(SmileViewLayoutTest, BadSizesGiveEmptyLayoutsWithoutFailing) {
    TRef<TPictureDecoder> picture(new TCodePicture(20, 20, {0xFF}));
    // Picture-less and detached items add nothing; text measured as 0 x 0 adds only the margin.
    view_.SetShowSignatures(true);
    view_.TextHeight = 0;
    view_.CharWidth = 0;
    view_.Smiles().AddObject("none", NewSmile(nullptr));
    view_.Smiles().AddObject("text", NewSmile(picture.get()));
    view_.Smiles().AddObject("detached", NewSmile(picture.get()));
    view_.DetachSmile(2);
    view_.DetachSmile(7);
    view_.SetActive(true);
    EXPECT_EQ(view_.Smiles().GetSmile(2), nullptr);
    EXPECT_EQ(view_.Columns()[0].Size, 0);
    EXPECT_EQ(view_.Columns()[1].Size, 22);
    EXPECT_EQ(view_.Columns()[2].Size, 0);
    EXPECT_EQ(view_.Rows()[0].Size, 22);
    // A zero-sized client shows nothing and scrolls nowhere.
    view_.resize(0, 0);
    view_.show();
    QApplication::processEvents();
    view_.ScrollIntoView(1);
    view_.UpdateScrollRanges();
    EXPECT_GE(view_.MaxScrollCol(), 0);
    EXPECT_LE(view_.ScrollCol(), view_.MaxScrollCol());
    EXPECT_FALSE(view_.Smiles().GetSmile(1)->Visible.load());
    view_.viewport()->grab();
}

}  // namespace
}  // namespace faceloom
