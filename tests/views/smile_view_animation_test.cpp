#include <gtest/gtest.h>

#include <QPaintEvent>
#include <QTest>
#include <atomic>
#include <random>
#include <thread>
#include <vector>

#include "animation/animation_manager.h"
#include "grid_test_support.h"
#include "views/dirty_cells.h"
#include "views/smile_view.h"
#include "views/smile_view_smile.h"

namespace faceloom {
namespace {

using testing::AsRgb;
using testing::Fill;
using testing::Grab;
using testing::NewSmile;
using testing::Rgb;
using testing::TCodePicture;
using testing::TTestView;

// Counts the frame changes the timer thread reports.
class TCountingSmile : public TSmileViewSmile {
public:
    explicit TCountingSmile(std::atomic<int>& changes) : changes_(changes) {}
    void FrameChanged() override {
        changes_.fetch_add(1);
        TSmileViewSmile::FrameChanged();
    }

private:
    std::atomic<int>& changes_;
};

// Records the regions the viewport is asked to paint and the calls posted to the grid.
class TEventRecorder : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) regions.push_back(static_cast<QPaintEvent*>(event)->region());
        if (event->type() == QEvent::MetaCall) posts.fetch_add(1);
        return false;
    }
    std::vector<QRegion> regions;
    std::atomic<int> posts{0};
};

TEST(DirtyCells, OnlyTheFirstAddAfterATakeAsksForAPost) {
    TDirtyCells cells;
    std::atomic<int> posts{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 1000; ++i) {
                if (cells.Add((i * 7 + t) % 50)) posts.fetch_add(1);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(posts.load(), 1);
    const std::vector<int32_t> taken = cells.Take();
    EXPECT_EQ(taken.size(), 50u);
    EXPECT_TRUE(std::is_sorted(taken.begin(), taken.end()));
    EXPECT_TRUE(cells.Add(3));
    EXPECT_FALSE(cells.Add(4));
}

TEST(SmileViewAnimation, InstancesAnimateOnlyWhileShownAndTheGridIsActive) {
    TRef<TPictureDecoder> picture(new TCodePicture(10, 10, {0xFF, 0xFF00}));
    TTestView view;
    Fill(view, 4, picture.get());
    view.SetAllowSelecting(true);
    TSmileViewSmile* smile = view.Smiles().GetSmile(2);
    EXPECT_FALSE(smile->IsAnimating());  // inactive
    view.SetActive(true);
    EXPECT_TRUE(smile->IsAnimating());
    view.SetAnimateAll(false);
    EXPECT_FALSE(smile->IsAnimating());
    EXPECT_FALSE(smile->CanAnimate());
    view.SetItemIndex(2);
    EXPECT_TRUE(smile->IsAnimating());
    EXPECT_TRUE(smile->CanAnimate());
    smile->Visible.store(false);
    EXPECT_FALSE(smile->IsAnimating());
}

TEST(SmileViewAnimation, StaleAndPaintedIndicesAreSkipped) {
    TRef<TPictureDecoder> picture(new TCodePicture(10, 10, {0xFF, 0xFF00}));
    TTestView view;
    view.SetRowWidth(10);
    Fill(view, 50, picture.get());
    view.resize(200, 100);
    view.show();
    view.SetActive(true);
    std::thread timer([&] {
        view.Smiles().GetSmile(40)->FrameChanged();
        view.Smiles().GetSmile(3)->FrameChanged();
    });
    timer.join();
    // The list shrinks before the posted update arrives.
    while (view.Smiles().Count() > 10) view.Smiles().Delete(view.Smiles().Count() - 1);
    EXPECT_EQ(view.FlushDirtyCells(), 1);
    // A frame change while the grid draws that cell asks for nothing.
    TSmileViewSmile* smile = view.Smiles().GetSmile(4);
    smile->InPaint.store(true);
    smile->FrameChanged();
    smile->InPaint.store(false);
    EXPECT_EQ(view.FlushDirtyCells(), 0);
    QApplication::processEvents();
}

TEST(SmileViewAnimation, FrameChangesRepaintOnlyTheirCellsWithOnePostPerPass) {
    constexpr uint32_t kBlue = 0xFF0000;
    constexpr uint32_t kGreen = 0x00FF00;
    TRef<TPictureDecoder> picture(new TCodePicture(20, 20, {kBlue, kGreen}, 50));
    TRef<TPictureDecoder> still(new TCodePicture(20, 20, {kBlue}));
    std::atomic<int> changes{0};
    TTestView view;
    view.SetRowWidth(20);
    // Cell 0 never changes; 199 animated smiles share the 50 ms beat.
    view.Smiles().AddObject("still", NewSmile(still.get()));
    for (int i = 1; i < 200; ++i) {
        auto* smile = new TCountingSmile(changes);
        smile->SetPicture(picture.get());
        view.Smiles().AddObject("s", smile);
    }
    view.resize(20 * 22, 10 * 22);
    view.show();
    TEventRecorder recorder;
    view.viewport()->installEventFilter(&recorder);
    view.installEventFilter(&recorder);
    view.SetActive(true);
    Grab(view);
    recorder.regions.clear();
    recorder.posts.store(0);
    changes.store(0);
    QTest::qWait(1000);
    view.SetActive(false);
    QApplication::processEvents();
    const int posts = recorder.posts.load();
    EXPECT_GT(changes.load(), 199 * 5);
    EXPECT_GT(posts, 3);
    EXPECT_LT(posts * 50, changes.load());  // far fewer posts than frame changes
    // Paints cover the animated cells but never the still one.
    bool sawCells = false;
    for (const QRegion& region : recorder.regions) {
        if (region.boundingRect() == view.viewport()->rect()) continue;  // deactivation
        sawCells = true;
        EXPECT_FALSE(region.intersects(QRect(0, 0, 22, 22)));
    }
    EXPECT_TRUE(sawCells);
}

TEST(SmileViewAnimation, TheScreenFollowsTheFrames) {
    constexpr uint32_t kBlue = 0xFF0000;
    constexpr uint32_t kGreen = 0x00FF00;
    TRef<TPictureDecoder> picture(new TCodePicture(20, 20, {kBlue, kGreen}, 40));
    TTestView view;
    view.Smiles().AddObject("s", NewSmile(picture.get()));
    view.resize(50, 50);
    view.show();
    view.SetActive(true);
    for (uint32_t colour : {kGreen, kBlue, kGreen}) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return Rgb(Grab(view), 10, 10) == AsRgb(colour); }, 2000));
    }
}

// The timer steps 500 instances while the GUI thread inserts, deletes and moves items; every
// instance ends destroyed exactly once.
TEST(SmileViewAnimation, StressListChangesWhileTheTimerSteps) {
    std::atomic<int> destroyed{0};
    int created = 0;
    std::vector<TRef<TPictureDecoder>> pictures;
    for (int d : {10, 20, 30}) pictures.emplace_back(new TCodePicture(12, 12, {0xFF, 0xFF00, 0xFF0000}, d));
    std::mt19937 random(12);
    {
        TTestView view;
        view.SetRowWidth(25);
        for (; created < 500; ++created) {
            view.Smiles().AddObject("s", NewSmile(pictures[created % 3].get(), &destroyed));
        }
        view.resize(25 * 14, 20 * 14);
        view.show();
        view.SetActive(true);
        QApplication::processEvents();
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
        while (std::chrono::steady_clock::now() < end) {
            const int count = view.Smiles().Count();
            switch (random() % 4) {
                case 0:
                    view.Smiles().InsertObject(int(random() % (count + 1)), "n",
                                               NewSmile(pictures[random() % 3].get(), &destroyed));
                    ++created;
                    break;
                case 1:
                    if (count > 1) view.Smiles().Delete(int(random() % count));
                    break;
                case 2:
                    if (count > 1) view.Smiles().Move(int(random() % count), int(random() % count));
                    break;
                default:
                    if (count > 1) view.Smiles().Exchange(int(random() % count), int(random() % count));
                    break;
            }
            QApplication::processEvents();
        }
    }
    // The timer may still hold references until its next pass over them.
    EXPECT_TRUE(QTest::qWaitFor([&] { return destroyed.load() == created; }, 3000));
    EXPECT_EQ(destroyed.load(), created);
}

}  // namespace
}  // namespace faceloom
