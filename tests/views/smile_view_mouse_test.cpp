#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QUrl>
#include <string>
#include <vector>

#include "grid_test_support.h"
#include "pictures/transparent_decoder.h"
#include "views/drag_dispatcher_base.h"
#include "views/drag_smile.h"
#include "views/smile_view.h"

namespace faceloom {
namespace {

using testing::AsRgb;
using testing::Grab;
using testing::NewSmile;
using testing::Rgb;
using testing::TCodePicture;
using testing::TTestView;

// Records what the grid asks of the floating image.
class TFakeDispatcher : public TDragDispatcherBase {
public:
    void StartDrag(TDragSmile* smile) override {
        calls.push_back("start");
        started = smile;
    }
    void MoveTo(QPoint screenPos) override {
        calls.push_back("move");
        lastPos = screenPos;
    }
    void EndDrag(TDragSmile* smile) override {
        calls.push_back("end");
        ended = smile;
    }
    void RequestRenderOfSmile() override {}
    void RenderSmile(TDragSmile*) override {}

    std::vector<std::string> calls;
    TDragSmile* started = nullptr;
    TDragSmile* ended = nullptr;
    QPoint lastPos;
};

constexpr uint32_t kBackground = 0xFFFFFF;

// Twelve 20 x 20 smiles, four to a row: cells of 22 x 22, client 200 x 100.
class SmileViewMouseTest : public ::testing::Test {
protected:
    SmileViewMouseTest() : picture_(new TCodePicture(20, 20, {0xFF0000, 0x00FF00}, 1000)) {
        view_.SetRowWidth(4);
        view_.SetAllowSelecting(true);
        for (int i = 0; i < 12; ++i)
            view_.Smiles().AddObject(QString("s%1").arg(i), NewSmile(picture_.get()));
        view_.OnSelect = [this](TSmileView&, int32_t index) { selected_.push_back(index); };
        view_.OnSmileMove = [this](TSmileView&, int32_t src, int32_t dest) { moves_.push_back({src, dest}); };
        view_.resize(200, 100);
        view_.show();
        view_.SetActive(true);
    }
    ~SmileViewMouseTest() override {
        while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
    }

    static QPoint Centre(int index) { return QPoint((index % 4) * 22 + 11, (index / 4) * 22 + 11); }
    void Press(QPoint p, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mousePress(view_.viewport(), button, {}, p);
    }
    void Move(QPoint p) { QTest::mouseMove(view_.viewport(), p); }
    void Release(QPoint p, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseRelease(view_.viewport(), button, {}, p);
    }
    void Click(QPoint p) {
        Press(p);
        Release(p);
    }
    // Presses on from, moves well past the drag threshold, then to over.
    void DragOver(int from, int over) {
        Press(Centre(from));
        Move(Centre(from) + QPoint(QApplication::startDragDistance() + 1, 0));
        Move(Centre(over));
    }
    std::vector<int> Order() {
        std::vector<int> order;
        for (int i = 0; i < view_.Smiles().Count(); ++i)
            order.push_back(view_.Smiles().Get(i).mid(1).toInt());
        return order;
    }

    TRef<TPictureDecoder> picture_;
    TTestView view_;
    std::vector<int32_t> selected_;
    std::vector<std::pair<int32_t, int32_t>> moves_;
};

TEST_F(SmileViewMouseTest, PressSelectsAndPressingTheSelectedSmileDeselects) {
    Press(Centre(3));
    EXPECT_EQ(view_.ItemIndex(), 3);
    Release(Centre(3));
    EXPECT_EQ(view_.ItemIndex(), 3);
    Click(Centre(3));
    EXPECT_EQ(view_.ItemIndex(), -1);
    EXPECT_EQ(selected_, (std::vector<int32_t>{3, -1}));
    // Off the smiles: nothing.
    Click(QPoint(150, 10));
    EXPECT_EQ(view_.ItemIndex(), -1);
}

TEST_F(SmileViewMouseTest, PostSelectSelectsThePressedSmileOnRelease) {
    view_.ForcePostSelect = true;
    Press(Centre(3));
    EXPECT_EQ(view_.ItemIndex(), -1);
    Release(QPoint(150, 90));  // anywhere
    EXPECT_EQ(view_.ItemIndex(), 3);
    Click(Centre(3));
    EXPECT_EQ(view_.ItemIndex(), -1);
    EXPECT_EQ(selected_, (std::vector<int32_t>{3, -1}));
}

TEST_F(SmileViewMouseTest, SmallMovesStayAClick) {
    view_.AllowDragAndDrop = true;
    view_.ForcePostSelect = true;
    Press(Centre(2));
    Move(Centre(2) + QPoint(QApplication::startDragDistance() - 1, 0));
    EXPECT_EQ(view_.DragIndex(), -1);
    Release(Centre(2));
    EXPECT_EQ(view_.ItemIndex(), 2);
    EXPECT_TRUE(moves_.empty());
}

TEST_F(SmileViewMouseTest, RightButtonAndMenuKeyOpenTheMenuAtTheirPointsChangingNothing) {
    std::vector<std::tuple<int, int, int>> menus;
    view_.OnContextMenu = [&](TSmileView&, int32_t x, int32_t y, int32_t index) {
        menus.emplace_back(x, y, index);
    };
    Press(Centre(5), Qt::RightButton);
    Release(Centre(5), Qt::RightButton);
    Press(QPoint(150, 10), Qt::RightButton);
    ASSERT_EQ(menus.size(), 1u);
    const QPoint screen = view_.viewport()->mapToGlobal(Centre(5));
    EXPECT_EQ(menus[0], std::make_tuple(screen.x(), screen.y(), 5));
    EXPECT_EQ(view_.ItemIndex(), -1);
    EXPECT_EQ(view_.PressIndex(), -1);

    // The menu key opens the selected smile's menu at its cell; with none selected, nothing.
    auto menuKey = [&] {
        QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(0, 0));
        QCoreApplication::sendEvent(view_.viewport(), &key);
    };
    menuKey();
    view_.SetItemIndex(7);
    menuKey();
    ASSERT_EQ(menus.size(), 2u);
    const QPoint cell = view_.viewport()->mapToGlobal(Centre(7));
    EXPECT_NEAR(std::get<0>(menus[1]), cell.x(), 1);
    EXPECT_NEAR(std::get<1>(menus[1]), cell.y(), 1);
    EXPECT_EQ(std::get<2>(menus[1]), 7);
    // The right button's menu came with its press; its own context event adds none.
    QContextMenuEvent mouse(QContextMenuEvent::Mouse, Centre(2));
    QCoreApplication::sendEvent(view_.viewport(), &mouse);
    EXPECT_EQ(menus.size(), 2u);
}

TEST_F(SmileViewMouseTest, DragTowardTheEndLandsAfterTheTarget) {
    view_.AllowDragAndDrop = true;
    view_.ShowInsertPoint = true;
    DragOver(2, 6);
    EXPECT_EQ(view_.DragIndex(), 2);
    EXPECT_EQ(view_.HotIndex(), 6);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::DragMoveCursor);
    // Brackets on the right edge of cell 6 and the left edge of cell 7, inverting white.
    const QImage image = Grab(view_);
    const uint32_t inverted = AsRgb(kBackground) ^ 0xFFFFFF;
    const int top = 22;
    EXPECT_EQ(Rgb(image, 2 * 22 + 21, top + 5), inverted);  // cell 6, x = w - 1
    EXPECT_EQ(Rgb(image, 2 * 22 + 16, top), inverted);      // w - 6 .. w - 2 on the top line
    EXPECT_EQ(Rgb(image, 2 * 22 + 15, top), AsRgb(kBackground));
    EXPECT_EQ(Rgb(image, 2 * 22 + 21, top), AsRgb(kBackground));  // the end point is left out
    EXPECT_EQ(Rgb(image, 3 * 22, top + 5), inverted);             // cell 7, x = 0
    EXPECT_EQ(Rgb(image, 3 * 22 + 5, top), inverted);
    EXPECT_EQ(Rgb(image, 3 * 22 + 6, top), AsRgb(kBackground));
    EXPECT_EQ(Rgb(image, 3 * 22, top), AsRgb(kBackground));
    EXPECT_EQ(Rgb(image, 3 * 22 + 5, top + 21), inverted);
    EXPECT_EQ(Rgb(image, 3 * 22 + 6, top + 21), AsRgb(kBackground));
    EXPECT_EQ(Rgb(image, 1 * 22, top + 5), AsRgb(kBackground));  // cell 5 carries none
    // Leaving the grid mid-drag keeps the target.
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(view_.viewport(), &leave);
    EXPECT_EQ(view_.HotIndex(), 6);
    Release(Centre(6));
    EXPECT_EQ(Order(), (std::vector<int>{0, 1, 3, 4, 5, 6, 2, 7, 8, 9, 10, 11}));
    EXPECT_EQ(moves_, (std::vector<std::pair<int32_t, int32_t>>{{2, 6}}));
    EXPECT_EQ(view_.ItemIndex(), 6);
    EXPECT_EQ(view_.DragIndex(), -1);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(SmileViewMouseTest, DragTowardTheStartLandsBeforeTheTarget) {
    view_.AllowDragAndDrop = true;
    view_.ShowInsertPoint = true;
    DragOver(6, 2);
    const QImage image = Grab(view_);
    const uint32_t inverted = AsRgb(kBackground) ^ 0xFFFFFF;
    EXPECT_EQ(Rgb(image, 2 * 22, 5), inverted);       // left edge of cell 2
    EXPECT_EQ(Rgb(image, 1 * 22 + 21, 5), inverted);  // right edge of cell 1
    EXPECT_EQ(Rgb(image, 2 * 22 + 21, 5), AsRgb(kBackground));
    Release(Centre(2));
    EXPECT_EQ(Order(), (std::vector<int>{0, 1, 6, 2, 3, 4, 5, 7, 8, 9, 10, 11}));
    EXPECT_EQ(moves_, (std::vector<std::pair<int32_t, int32_t>>{{6, 2}}));
    EXPECT_EQ(view_.ItemIndex(), 2);
}

TEST_F(SmileViewMouseTest, DropOffTheSmilesCancelsAndOnItselfSelects) {
    view_.AllowDragAndDrop = true;
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    DragOver(2, 6);
    Move(QPoint(150, 10));  // right of the grid
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::ForbiddenCursor);
    Release(QPoint(3 * 22 + 5, 2 * 22 + 5) + QPoint(22, 0));  // the empty end... of a full grid: right of it
    EXPECT_EQ(Order(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    EXPECT_TRUE(moves_.empty());
    EXPECT_EQ(view_.DragIndex(), -1);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);  // the saved cursor is back
    QGuiApplication::restoreOverrideCursor();
    // Dropped on itself: no move, but reported and selected.
    DragOver(2, 2);
    Release(Centre(2));
    EXPECT_EQ(moves_, (std::vector<std::pair<int32_t, int32_t>>{{2, 2}}));
    EXPECT_EQ(view_.ItemIndex(), 2);
}

TEST_F(SmileViewMouseTest, DropOnTheEmptyEndOfTheLastRowCancels) {
    view_.Smiles().Delete(11);  // the last row ends after cell 10
    view_.AllowDragAndDrop = true;
    DragOver(1, 10);
    Release(QPoint(3 * 22 + 11, 2 * 22 + 11));
    EXPECT_EQ(Order(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_TRUE(moves_.empty());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(SmileViewMouseTest, AnyButtonEndsADrag) {
    view_.AllowDragAndDrop = true;
    DragOver(0, 3);
    Release(Centre(3), Qt::RightButton);
    EXPECT_EQ(Order(), (std::vector<int>{1, 2, 3, 0, 4, 5, 6, 7, 8, 9, 10, 11}));
}

TEST_F(SmileViewMouseTest, AnimatedDragShowsTheFloatingImageAndHidesTheCell) {
    TFakeDispatcher dispatcher;
    view_.SetDragDispatcher(&dispatcher);
    view_.SetLayeredWindowsAvailable(true);
    view_.AnimatedDraggingAllowed = true;
    view_.AllowDragAndDrop = true;
    view_.AllowDragOffset = true;
    view_.Smiles().GetSmile(1)->FrameIndex.store(1);
    const QPoint press = Centre(1) + QPoint(3, 2);
    Press(press);
    Move(press + QPoint(QApplication::startDragDistance() + 1, 0));
    ASSERT_NE(view_.DragSmileInstance(), nullptr);
    TDragSmile* drag = view_.DragSmileInstance();
    EXPECT_EQ(dispatcher.started, drag);
    EXPECT_EQ(drag->FrameIndex.load(), 1);
    auto* image = dynamic_cast<TTransparentDecoder*>(drag->Picture.load());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Width, 25);  // with the shadow
    EXPECT_EQ(image->SourceWidth, 20);
    EXPECT_FALSE(view_.Smiles().GetSmile(1)->Visible.load());
    // The grab point stays under the cursor: the smile's centre goes to the cursor minus the offset.
    const QPoint cursor =
        view_.viewport()->mapToGlobal(press + QPoint(QApplication::startDragDistance() + 1, 0));
    EXPECT_EQ(dispatcher.lastPos, cursor - QPoint(3, 2));
    // Cell 1 shows no picture while the floating image carries it.
    QImage grabbed = Grab(view_);
    EXPECT_EQ(Rgb(grabbed, 22 + 11, 11), AsRgb(kBackground));
    EXPECT_NE(Rgb(grabbed, 11, 11), AsRgb(kBackground));
    Move(Centre(2));
    EXPECT_EQ(dispatcher.lastPos, view_.viewport()->mapToGlobal(Centre(2)) - QPoint(3, 2));
    Release(Centre(2));
    EXPECT_EQ(dispatcher.ended, drag);
    EXPECT_EQ(view_.DragSmileInstance(), nullptr);
    EXPECT_EQ(dispatcher.calls.front(), "start");
    EXPECT_EQ(dispatcher.calls.back(), "end");
    grabbed = Grab(view_);
    EXPECT_NE(Rgb(grabbed, 2 * 22 + 11, 11), AsRgb(kBackground));
}

TEST_F(SmileViewMouseTest, WithoutADispatcherTheDragGoesOnWithoutImage) {
    view_.SetLayeredWindowsAvailable(true);
    view_.AnimatedDraggingAllowed = true;
    view_.AllowDragAndDrop = true;
    DragOver(1, 2);
    EXPECT_EQ(view_.DragSmileInstance(), nullptr);
    EXPECT_NE(Rgb(Grab(view_), 22 + 11, 11), AsRgb(kBackground));
    Release(Centre(2));
    EXPECT_EQ(Order()[2], 1);
}

TEST_F(SmileViewMouseTest, MaskedHitTestsFollowThePicture) {
    TRef<TPictureDecoder> halfClear(new TCodePicture(20, 20, {0xFF0000}, 100, true));
    view_.Smiles().SetSmile(0, NewSmile(halfClear.get()));
    view_.AllowMaskedHitTest = true;
    // The picture occupies x 1 .. 20 of the cell; its left half is transparent.
    Click(QPoint(5, 11));
    EXPECT_EQ(view_.ItemIndex(), -1);
    Click(QPoint(16, 11));
    EXPECT_EQ(view_.ItemIndex(), 0);
    // The simple test counts the picture's rectangle, not the cell's margin.
    view_.SimpleMaskedHitTest = true;
    Click(QPoint(5, 11));
    EXPECT_EQ(view_.ItemIndex(), -1);  // deselected: it counted
    Click(QPoint(0, 11));
    EXPECT_EQ(view_.ItemIndex(), -1);
    EXPECT_EQ(view_.HitTestCell(0, 11).Code, 1);
    EXPECT_EQ(view_.HitTestCell(1, 11).Code, 0);
}

TEST_F(SmileViewMouseTest, MaskedHitTestTakesAFrameWithoutMaskAsOpaque) {
    view_.AllowMaskedHitTest = true;  // the fixture's pictures have no mask
    Click(Centre(1));
    EXPECT_EQ(view_.ItemIndex(), 1);
    EXPECT_EQ(view_.HitTestCell(22, 11).Code, 1);  // the cell's margin
}

TEST_F(SmileViewMouseTest, TrackCursorShowsTheHandOnlyOverOpaquePixels) {
    TRef<TPictureDecoder> halfClear(new TCodePicture(20, 20, {0xFF0000}, 100, true));
    view_.Smiles().SetSmile(0, NewSmile(halfClear.get()));
    view_.TrackCursor = true;
    Move(QPoint(16, 11));
    EXPECT_EQ(view_.viewport()->cursor().shape(), Qt::PointingHandCursor);
    // Entering a smile clears the hint; the next move inside shows the smile's own.
    EXPECT_EQ(view_.HintText(), "");
    Move(QPoint(17, 11));
    EXPECT_EQ(view_.HintText(), "s0");
    Move(QPoint(5, 11));
    EXPECT_EQ(view_.viewport()->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(view_.HintText(), "");
    EXPECT_EQ(view_.HotIndex(), 0);
    // Without the masked test a press there still selects.
    Click(QPoint(5, 11));
    EXPECT_EQ(view_.ItemIndex(), 0);
    // The hot index stays when the mouse leaves the smiles, and when it leaves the grid.
    Move(QPoint(150, 90));
    EXPECT_EQ(view_.HotIndex(), 0);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(view_.viewport(), &leave);
    EXPECT_EQ(view_.HotIndex(), 0);
}

TEST_F(SmileViewMouseTest, NothingAnswersWhileInactive) {
    view_.AllowDragAndDrop = true;
    view_.SetActive(false);
    Click(Centre(1));
    Move(Centre(2));
    EXPECT_EQ(view_.ItemIndex(), -1);
    EXPECT_EQ(view_.HotIndex(), -1);
}

// A grid of 30 rows of 22 pixels in a client of 100: the wheel scrolls rows only.
TEST(SmileViewScrollTest, WheelScrollsRowsAndClampsAtTheEnds) {
    TRef<TPictureDecoder> picture(new TCodePicture(20, 20, {0xFF}));
    TTestView view;
    view.SetRowWidth(4);
    for (int i = 0; i < 120; ++i) view.Smiles().AddObject("s", NewSmile(picture.get()));
    view.resize(300, 100);
    view.show();
    view.SetActive(true);
    QApplication::processEvents();
    ASSERT_GT(view.MaxScrollRow(), 4);
    QApplication::setWheelScrollLines(3);
    auto wheel = [&](int delta) {
        QWheelEvent event(QPointF(10, 10), view.viewport()->mapToGlobal(QPointF(10, 10)), QPoint(),
                          QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view.viewport(), &event);
    };
    wheel(-120);
    EXPECT_EQ(view.ScrollRow(), 3);
    EXPECT_EQ(view.OffsetY(), 66);
    EXPECT_EQ(view.verticalScrollBar()->value(), 3);
    view.ScrollRequest(Qt::Vertical, QAbstractSlider::SliderSingleStepSub, 0);
    view.ScrollRequest(Qt::Vertical, QAbstractSlider::SliderSingleStepSub, 0);
    EXPECT_EQ(view.ScrollRow(), 1);
    wheel(120);
    EXPECT_EQ(view.ScrollRow(), 0);
    wheel(120);
    EXPECT_EQ(view.ScrollRow(), 0);
    EXPECT_EQ(view.ScrollCol(), 0);
    // The owner may take the wheel first.
    view.OnMouseWheel = [](TSmileView&, int32_t) { return true; };
    wheel(-120);
    EXPECT_EQ(view.ScrollRow(), 0);
}

TEST(SmileViewScrollTest, ScrollBarRequestsMoveByLinesAndPagesOfSix) {
    TRef<TPictureDecoder> picture(new TCodePicture(98, 20, {0xFF}));
    TTestView view;
    for (int i = 0; i < 10; ++i) view.Smiles().AddObject("s", NewSmile(picture.get()));
    view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.resize(400, 50);
    view.show();
    view.SetActive(true);
    QApplication::processEvents();
    ASSERT_EQ(view.MaxScrollCol(), 7);
    QScrollBar* bar = view.horizontalScrollBar();
    bar->setSliderPosition(3);  // a thumb drag
    EXPECT_EQ(view.ScrollCol(), 3);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(view.ScrollCol(), 7);
    EXPECT_EQ(bar->value(), 7);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(view.ScrollCol(), 7);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(view.ScrollCol(), 4);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(view.ScrollCol(), 0);
    EXPECT_EQ(view.OffsetX(), 0);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(view.ScrollCol(), 7);
    EXPECT_EQ(view.OffsetX(), 700);
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(view.ScrollCol(), 0);
}

// Files dropped from the desktop.
class SmileViewDropTest : public SmileViewMouseTest {
protected:
    void Drop(QPoint p, const QList<QUrl>& urls) {
        QMimeData mime;
        mime.setUrls(urls);
        QDragEnterEvent enter(p, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view_.viewport(), &enter);
        entered_ = enter.isAccepted();
        QDropEvent drop(p, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view_.viewport(), &drop);
    }
    std::vector<std::pair<int32_t, QStringList>> drops_;
    bool entered_ = false;
};

TEST_F(SmileViewDropTest, DroppedFilesReportTheSmileUnderThePointAndTheirOrder) {
    view_.SetEnableDragAccept(true);
    view_.OnDropFiles = [&](TSmileView&, int32_t index, const QStringList& files) {
        drops_.push_back({index, files});
    };
    const QList<QUrl> urls{QUrl::fromLocalFile("/tmp/b.gif"), QUrl::fromLocalFile("/tmp/a.gif"),
                           QUrl::fromLocalFile("/tmp/folder")};
    Drop(Centre(5), urls);
    EXPECT_TRUE(entered_);
    Drop(QPoint(150, 90), urls);
    ASSERT_EQ(drops_.size(), 2u);
    EXPECT_EQ(drops_[0].first, 5);
    EXPECT_EQ(drops_[0].second, (QStringList{"/tmp/b.gif", "/tmp/a.gif", "/tmp/folder"}));
    EXPECT_EQ(drops_[1].first, -1);
    // Web addresses are not files: only the local ones come through, none at all is no drop.
    Drop(Centre(1), {QUrl("https://example.org/x.gif"), QUrl::fromLocalFile("/tmp/c.gif")});
    ASSERT_EQ(drops_.size(), 3u);
    EXPECT_EQ(drops_[2].second, QStringList{"/tmp/c.gif"});
    Drop(Centre(1), {QUrl("https://example.org/x.gif")});
    EXPECT_FALSE(entered_);
    EXPECT_EQ(drops_.size(), 3u);
    // Inactive, or no longer accepting: nothing.
    view_.SetActive(false);
    Drop(Centre(1), urls);
    view_.SetActive(true);
    view_.SetEnableDragAccept(false);
    Drop(Centre(1), urls);
    EXPECT_EQ(drops_.size(), 3u);
    EXPECT_FALSE(view_.viewport()->acceptDrops());
}

}  // namespace
}  // namespace faceloom
