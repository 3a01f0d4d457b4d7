#include "views/drag_disptacher.h"

#include <gtest/gtest.h>

#include <QTest>
#include <memory>

#include "pictures/transparent_decoder.h"
#include "view_test_pictures.h"
#include "views/drag_host.h"
#include "views/drag_smile.h"
#include "views/drag_smile_window.h"
#include "views/layered_windows.h"

namespace faceloom {
namespace {

using testing::MaskedOut;
using testing::PixelRgb;
using testing::ProcessUntil;
using testing::TPatternPicture;

// The drag instance as the grid makes it: the picture converted with a 5-pixel shadow.
TRef<TDragSmile> DragSmile(TDragDispatcherBase* dispatcher, int32_t frames, int32_t delay = 100) {
    TRef<TDragSmile> smile(new TDragSmile(dispatcher));
    TRef<TPictureDecoder> source(new TPatternPicture(20, 24, frames, delay, true));
    TRef<TTransparentDecoder> picture(new TTransparentDecoder(source.get(), true));
    picture->ShadowX = 5;
    picture->ShadowY = 5;
    picture->Decode();
    smile->SetPicture(picture.get());
    return smile;
}

// Premultiplied pixel the window must show at (x, y) of a 20 x 24 picture with shadow 5.
uint32_t ExpectedDragPixel(int32_t frame, int32_t x, int32_t y) {
    auto opaque = [](int32_t px, int32_t py) {
        return px >= 0 && py >= 0 && px < 20 && py < 24 && !MaskedOut(px, py);
    };
    if (opaque(x, y)) return 0xFF000000u | PixelRgb(frame, x, y);
    if (opaque(x - 5, y - 5)) return 0x20000000u;
    return 0;
}

TEST(DragDisptacher, ShowsTheFrameWithItsShadowCentredOnTheSmileItself) {
    TDragDisptacher dispatcher;
    TRef<TDragSmile> smile = DragSmile(&dispatcher, 1);
    dispatcher.StartDrag(smile.get());
    dispatcher.MoveTo(QPoint(100, 100));
    EXPECT_EQ(dispatcher.PositionX(), 90);
    EXPECT_EQ(dispatcher.PositionY(), 88);
    TDragSmileWindow* window = dispatcher.Window();
    ASSERT_TRUE(ProcessUntil([&] { return window->isVisible(); }));
    EXPECT_EQ(window->geometry(), QRect(90, 88, 25, 29));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowTransparentForInput));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    const QImage frame = window->Frame();
    ASSERT_EQ(frame.size(), QSize(25, 29));
    ASSERT_EQ(frame.format(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 29; ++y) {
        for (int x = 0; x < 25; ++x)
            ASSERT_EQ(frame.pixel(x, y), ExpectedDragPixel(0, x, y)) << x << "," << y;
    }
    // Moves in between frames take the window along at once.
    dispatcher.MoveTo(QPoint(300, 41));
    EXPECT_EQ(window->pos(), QPoint(290, 29));
    dispatcher.EndDrag(smile.get());
}

TEST(DragDisptacher, OneFrameRendersOnceAndAnAnimatedDragKeepsRendering) {
    TDragDisptacher dispatcher;
    TRef<TDragSmile> still = DragSmile(&dispatcher, 1);
    dispatcher.StartDrag(still.get());
    ASSERT_TRUE(ProcessUntil([&] { return dispatcher.Window()->isVisible(); }));
    QTest::qWait(150);
    EXPECT_EQ(dispatcher.RenderCount(), 1);
    EXPECT_FALSE(still->InTimer.load());
    // A second start while one runs is ignored.
    TRef<TDragSmile> other = DragSmile(&dispatcher, 1);
    dispatcher.StartDrag(other.get());
    EXPECT_EQ(dispatcher.Smile(), still.get());
    dispatcher.EndDrag(still.get());

    TRef<TDragSmile> animated = DragSmile(&dispatcher, 3, 20);
    dispatcher.StartDrag(animated.get());
    ASSERT_TRUE(ProcessUntil([&] { return dispatcher.RenderCount() >= 6; }));
    // The window shows the frame the instance is at (or one step behind it).
    ASSERT_TRUE(ProcessUntil([&] {
        const int32_t index = animated->FrameIndex.load();
        return dispatcher.Window()->Frame().pixel(1, 0) == ExpectedDragPixel(index, 1, 0);
    }));
    dispatcher.EndDrag(animated.get());
    EXPECT_FALSE(dispatcher.Window()->isVisible());
    EXPECT_FALSE(animated->InTimer.load());
    EXPECT_FALSE(animated->InRenderQueue.load());
    EXPECT_EQ(animated->GetRefCount(), 1);
    // Twice is harmless.
    dispatcher.EndDrag(animated.get());
    EXPECT_EQ(dispatcher.Smile(), nullptr);
}

TEST(DragDisptacher, RenderAfterEndDragNeverShowsTheWindowAgain) {
    TDragDisptacher dispatcher;
    TRef<TDragSmile> smile = DragSmile(&dispatcher, 1);
    dispatcher.StartDrag(smile.get());
    ASSERT_TRUE(ProcessUntil([&] { return dispatcher.Window()->isVisible(); }));
    const int64_t renders = dispatcher.RenderCount();
    // A frame prepared while the drag ran, whose hand-over arrives after the end.
    dispatcher.RenderSmile(smile.get());
    EXPECT_EQ(dispatcher.RenderCount(), renders + 1);
    dispatcher.EndDrag(smile.get());
    QTest::qWait(50);
    EXPECT_FALSE(dispatcher.Window()->isVisible());
    // A render that starts after the end draws nothing.
    dispatcher.RenderSmile(smile.get());
    QTest::qWait(50);
    EXPECT_EQ(dispatcher.RenderCount(), renders + 1);
    EXPECT_FALSE(dispatcher.Window()->isVisible());
}

TEST(DragDisptacher, PictureLessSmileShowsNothingAndMovesByThePointItself) {
    TDragDisptacher dispatcher;
    TRef<TDragSmile> smile(new TDragSmile(&dispatcher));
    dispatcher.StartDrag(smile.get());
    dispatcher.MoveTo(QPoint(100, 100));
    EXPECT_EQ(dispatcher.PositionX(), 100);
    EXPECT_EQ(dispatcher.PositionY(), 100);
    QTest::qWait(100);
    EXPECT_EQ(dispatcher.RenderCount(), 0);
    EXPECT_FALSE(dispatcher.Window()->isVisible());
    dispatcher.EndDrag(smile.get());
    EXPECT_EQ(smile->GetRefCount(), 1);
}

TEST(DragDisptacher, DispatcherGoingAwayMidDragLeavesTheInstanceSafe) {
    TRef<TDragSmile> smile;
    {
        TDragDisptacher dispatcher;
        smile = DragSmile(&dispatcher, 3, 10);
        dispatcher.StartDrag(smile.get());
        // The first render is queued (and may be running) when the dispatcher ends.
    }
    EXPECT_EQ(smile->Dispatcher.load(), nullptr);
    EXPECT_FALSE(smile->InTimer.load());
    EXPECT_FALSE(smile->InRenderQueue.load());
    EXPECT_EQ(smile->GetRefCount(), 1);
    smile->FrameChanged();
    smile->Render();
    QApplication::processEvents();
}

TEST(DragHost, HandsItsDispatcherOverAndStaysHidden) {
    TDragDispatcherBase* handed = nullptr;
    TDragHost host([&](TDragDispatcherBase* dispatcher) { handed = dispatcher; });
    EXPECT_EQ(host.objectName(), "DragSmile");
    ASSERT_NE(host.Dispatcher(), nullptr);
    EXPECT_EQ(handed, host.Dispatcher());
    EXPECT_FALSE(host.isVisible());
    // No compositing offscreen: the grid drags without the floating image.
    EXPECT_FALSE(LayeredWindowsAvailable());
}

}  // namespace
}  // namespace faceloom
