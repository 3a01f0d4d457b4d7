#include "animation/timer_thread.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "animation_test_support.h"

namespace faceloom {
namespace {

using testing::TManualClock;
using testing::TTestPicture;
using testing::TTestSmile;

// A wheel driven pass by pass on the test's thread; its own thread never runs.
class TimerWheelTest : public ::testing::Test {
protected:
    TimerWheelTest() {
        auto owned = std::make_unique<TManualClock>();
        clock = owned.get();
        timer = std::make_unique<TTimerThread>(std::move(owned));
        timer->SetActive(true);
    }

    TRef<TTestSmile> MakeSmile(std::vector<int32_t> delays, const std::string& name = {}) {
        TRef<TTestPicture> picture(new TTestPicture(std::move(delays)));
        TRef<TTestSmile> smile(new TTestSmile(picture.get(), &destroyed));
        if (!name.empty()) {
            smile->OnFrameChanged = [this, name](TTestSmile&) { order.push_back(name); };
        }
        return smile;
    }

    std::atomic<int> destroyed{0};
    std::vector<std::string> order;
    TManualClock* clock = nullptr;
    std::unique_ptr<TTimerThread> timer;
};

TEST_F(TimerWheelTest, NewInstanceStepsAtTheNextPassThenByItsDelays) {
    auto smile = MakeSmile({100, 200, 3000});
    EXPECT_TRUE(timer->Idle());
    const uint16_t start = timer->Current();
    timer->Add(smile.get());
    EXPECT_TRUE(smile->InTimer);
    EXPECT_EQ(smile->GetRefCount(), 2);
    EXPECT_EQ(timer->Count(), 1);
    EXPECT_FALSE(timer->Idle());
    EXPECT_EQ(timer->BucketDistance(smile.get()), 0);

    // Frame 0 is not held: the first pass shows frame 1 (200 ms), then 3000, then 100 ms.
    const int32_t expectedFrame[] = {1, 2, 0, 1};
    const uint32_t expectedSteps[] = {20, 300, 10, 20};
    uint16_t current = start;
    for (int pass = 0; pass < 4; ++pass) {
        const TTimerPass result = timer->ProcessPass();
        EXPECT_EQ(smile->FrameChanges, pass + 1);
        EXPECT_EQ(smile->FrameIndex, expectedFrame[pass]);
        EXPECT_FALSE(result.WheelEmpty);
        EXPECT_EQ(result.Steps, expectedSteps[pass]);
        EXPECT_EQ(result.Elapsed, 0);
        EXPECT_EQ(result.WaitMs, expectedSteps[pass] * 10);
        current = static_cast<uint16_t>(current + expectedSteps[pass]);
        EXPECT_EQ(timer->Current(), current);
        EXPECT_EQ(timer->BucketDistance(smile.get()), 0);
    }
    EXPECT_EQ(timer->Count(), 1);
    EXPECT_EQ(smile->GetRefCount(), 2);
}

TEST_F(TimerWheelTest, TimeSpentInThePassShortensTheWaitAndOverrunsAreNotMadeUp) {
    auto smile = MakeSmile({100, 200});
    int64_t cost = 37;
    smile->OnFrameChanged = [&](TTestSmile&) { clock->NowMs += cost; };
    timer->Add(smile.get());
    TTimerPass result = timer->ProcessPass();  // shows frame 1: 200 ms
    EXPECT_EQ(result.Steps, 20u);
    EXPECT_EQ(result.Elapsed, 37);
    EXPECT_EQ(result.WaitMs, 163);

    cost = 250;  // longer than the 100 ms frame it leads to
    const uint16_t before = timer->Current();
    result = timer->ProcessPass();
    EXPECT_EQ(result.Steps, 10u);
    EXPECT_EQ(result.Elapsed, 250);
    EXPECT_EQ(result.WaitMs, 0);
    EXPECT_EQ(timer->Current(), static_cast<uint16_t>(before + 10));
}

TEST_F(TimerWheelTest, ABucketIsHandledMostRecentlyFiledFirst) {
    auto a = MakeSmile({100, 100}, "a");
    auto b = MakeSmile({100, 100}, "b");
    auto c = MakeSmile({100, 200}, "c");
    timer->Add(a.get());
    timer->Add(b.get());
    timer->Add(c.get());
    timer->ProcessPass();  // c, b, a; c goes 20 buckets ahead, then b and a 10 ahead
    EXPECT_EQ(timer->BucketDistance(a.get()), 0);
    EXPECT_EQ(timer->BucketDistance(b.get()), 0);
    EXPECT_EQ(timer->BucketDistance(c.get()), 10);
    timer->ProcessPass();  // a was filed last; both land in c's bucket, in front of it
    timer->ProcessPass();
    EXPECT_EQ(order, (std::vector<std::string>{"c", "b", "a", "a", "b", "b", "a", "c"}));
}

TEST_F(TimerWheelTest, IgnoresSingleFramePictureLessAndInactive) {
    auto single = MakeSmile({100});
    TRef<TTestSmile> bare(new TTestSmile);
    timer->Add(single.get());
    timer->Add(bare.get());
    timer->Add(nullptr);
    EXPECT_FALSE(single->InTimer);
    EXPECT_FALSE(bare->InTimer);
    EXPECT_EQ(single->GetRefCount(), 1);
    EXPECT_EQ(bare->GetRefCount(), 1);
    EXPECT_EQ(timer->Count(), 0);
    EXPECT_TRUE(timer->Idle());

    auto animated = MakeSmile({100, 100});
    timer->SetActive(false);
    timer->Add(animated.get());
    EXPECT_FALSE(animated->InTimer);
    EXPECT_EQ(animated->GetRefCount(), 1);
    EXPECT_TRUE(timer->ProcessPass().WheelEmpty);
}

TEST_F(TimerWheelTest, SecondAddIsFiledOnceWithOneReference) {
    auto smile = MakeSmile({100, 100});
    timer->Add(smile.get());
    TAnimationNode* node = smile->TimerNode;
    timer->Add(smile.get());
    EXPECT_EQ(smile->TimerNode, node);
    EXPECT_EQ(smile->GetRefCount(), 2);
    EXPECT_EQ(timer->Count(), 1);
    timer->ProcessPass();
    EXPECT_EQ(smile->FrameChanges, 1);
    timer->Add(smile.get());  // while filed ahead: still once
    timer->ProcessPass();
    EXPECT_EQ(smile->FrameChanges, 2);
    EXPECT_EQ(smile->GetRefCount(), 2);
}

TEST_F(TimerWheelTest, RemoveRightAfterAddReleasesAtOnceAndTheEmptyNodeIsDiscarded) {
    auto smile = MakeSmile({100, 100});
    timer->Add(smile.get());
    timer->Remove(smile.get());
    EXPECT_FALSE(smile->InTimer);
    EXPECT_EQ(smile->TimerNode, nullptr);
    EXPECT_EQ(smile->GetRefCount(), 1);
    EXPECT_EQ(timer->Count(), 0);
    EXPECT_FALSE(timer->Idle());  // the empty node is still in bucket Current
    timer->Remove(smile.get());   // not filed: nothing happens
    EXPECT_EQ(smile->GetRefCount(), 1);

    const TTimerPass result = timer->ProcessPass();
    EXPECT_EQ(smile->FrameChanges, 0);
    EXPECT_TRUE(result.WheelEmpty);
    EXPECT_EQ(result.WaitMs, -1);
    EXPECT_TRUE(timer->Idle());

    // Removed and filed again: only the new filing steps.
    timer->Add(smile.get());
    timer->ProcessPass();
    timer->Remove(smile.get());
    timer->Add(smile.get());
    timer->ProcessPass();
    EXPECT_EQ(smile->FrameChanges, 2);
    EXPECT_EQ(timer->Count(), 1);
    EXPECT_EQ(smile->GetRefCount(), 2);
}

TEST_F(TimerWheelTest, InvisibleInstanceIsDroppedAtItsNextDueBucket) {
    auto kept = MakeSmile({100, 200});
    auto hidden = MakeSmile({100, 100});
    timer->Add(kept.get());
    timer->Add(hidden.get());
    timer->ProcessPass();  // hidden due 10 buckets ahead, kept 20
    hidden->Visible = false;
    TTimerThread* wheel = timer.get();
    TTestSmile* raw = hidden.get();
    hidden.reset();  // only the wheel holds it now
    EXPECT_EQ(raw->GetRefCount(), 1);
    TTimerPass result = wheel->ProcessPass();
    EXPECT_EQ(destroyed, 1);  // its reference was released: the last one
    EXPECT_EQ(wheel->Count(), 1);
    EXPECT_EQ(result.Steps, 10u);
    EXPECT_EQ(kept->FrameChanges, 1);

    kept->Visible = false;
    result = wheel->ProcessPass();
    EXPECT_EQ(kept->FrameChanges, 1);
    EXPECT_FALSE(kept->InTimer);
    EXPECT_EQ(kept->TimerNode, nullptr);
    EXPECT_EQ(kept->GetRefCount(), 1);
    EXPECT_EQ(wheel->Count(), 0);
    EXPECT_TRUE(result.WheelEmpty);
    EXPECT_TRUE(wheel->Idle());
}

TEST_F(TimerWheelTest, InstanceThatLostItsAnimationLeavesAtItsNextDueBucket) {
    // The picture taken away, or replaced by one of a single frame, while filed: the next pass
    // drops the instance without telling it of a change, and the wheel goes idle.
    TRef<TTestPicture> still(new TTestPicture({100}));
    for (TTestPicture* replacement : {static_cast<TTestPicture*>(nullptr), still.get()}) {
        auto smile = MakeSmile({100, 100});
        timer->Add(smile.get());
        timer->ProcessPass();
        ASSERT_EQ(smile->FrameChanges, 1);
        smile->SetPicture(replacement);
        const TTimerPass result = timer->ProcessPass();
        EXPECT_EQ(smile->FrameChanges, 1);
        EXPECT_FALSE(smile->InTimer);
        EXPECT_EQ(smile->TimerNode, nullptr);
        EXPECT_EQ(smile->GetRefCount(), 1);
        EXPECT_EQ(timer->Count(), 0);
        EXPECT_TRUE(result.WheelEmpty);
        EXPECT_TRUE(timer->Idle());
    }
}

TEST_F(TimerWheelTest, ShortTimesGoOneBucketAheadAndLongOnesStayWithinATurn) {
    auto zero = MakeSmile({100, 0, 9});
    timer->Add(zero.get());
    TTimerPass result = timer->ProcessPass();
    EXPECT_EQ(zero->FrameChanges, 1);  // not stepped again in the same pass
    EXPECT_EQ(result.Steps, 1u);
    result = timer->ProcessPass();  // the 9 ms frame
    EXPECT_EQ(zero->FrameChanges, 2);
    EXPECT_EQ(result.Steps, 1u);
    timer->Remove(zero.get());
    timer->ProcessPass();

    auto huge = MakeSmile({100, 700000});
    timer->Add(huge.get());
    result = timer->ProcessPass();
    EXPECT_EQ(result.Steps, 65535u);
    EXPECT_TRUE(huge->InTimer);
    timer->ProcessPass();
    EXPECT_EQ(huge->FrameChanges, 2);
}

TEST_F(TimerWheelTest, ClearEmptiesEveryBucketAndDeactivationRefusesLaterAdds) {
    std::vector<TRef<TTestSmile>> smiles;
    for (int32_t delay : {100, 200, 3000, 50}) smiles.push_back(MakeSmile({delay, delay}));
    for (auto& smile : smiles) timer->Add(smile.get());
    timer->ProcessPass();            // spread over three buckets
    timer->Remove(smiles[3].get());  // leaves an empty node behind
    timer->SetActive(false);
    EXPECT_EQ(timer->Count(), 0);
    for (auto& smile : smiles) {
        EXPECT_FALSE(smile->InTimer);
        EXPECT_EQ(smile->TimerNode, nullptr);
        EXPECT_EQ(smile->GetRefCount(), 1);
    }
    timer->Add(smiles[0].get());
    EXPECT_FALSE(smiles[0]->InTimer);
    EXPECT_TRUE(timer->ProcessPass().WheelEmpty);
    for (auto& smile : smiles) EXPECT_EQ(smile->FrameChanges, 1);
}

TEST_F(TimerWheelTest, HooksMayFileRemoveAndClearDuringAPass) {
    auto other = MakeSmile({100, 100}, "other");
    auto self = MakeSmile({100, 100}, "self");
    auto quitter = MakeSmile({100, 100}, "quitter");
    // Filing itself again finds it filed; filing another lands in the bucket after this pass.
    self->OnFrameChanged = [&](TTestSmile& smile) {
        order.push_back("self");
        timer->Add(&smile);
        timer->Add(other.get());
    };
    quitter->OnFrameChanged = [&](TTestSmile& smile) {
        order.push_back("quitter");
        timer->Remove(&smile);
    };
    timer->Add(quitter.get());
    timer->Add(self.get());
    TTestSmile* quitterRaw = quitter.get();
    quitter.reset();  // the wheel's reference is the last: Remove in its own hook ends it
    TTimerPass result = timer->ProcessPass();
    EXPECT_EQ(order, (std::vector<std::string>{"self", "quitter"}));
    EXPECT_EQ(destroyed, 1);
    (void)quitterRaw;
    EXPECT_EQ(self->GetRefCount(), 2);
    EXPECT_EQ(result.Steps, 0u);  // other waits in the next bucket to process: at once
    EXPECT_EQ(result.WaitMs, 0);
    EXPECT_EQ(timer->Count(), 2);
    timer->ProcessPass();
    EXPECT_EQ(order.back(), "other");

    // A hook that deactivates the wheel empties it, the rest of its own bucket included.
    auto stopper = MakeSmile({100, 100}, "stopper");
    auto late = MakeSmile({100, 100}, "late");
    stopper->OnFrameChanged = [&](TTestSmile&) { timer->SetActive(false); };
    timer->SetActive(false);
    timer->SetActive(true);
    timer->ProcessPass();
    timer->Add(late.get());
    timer->Add(stopper.get());
    timer->ProcessPass();
    EXPECT_EQ(stopper->FrameChanges, 1);
    EXPECT_EQ(late->FrameChanges, 0);
    EXPECT_EQ(timer->Count(), 0);
    for (TTestSmile* smile : {stopper.get(), late.get(), self.get(), other.get()}) {
        EXPECT_FALSE(smile->InTimer);
        EXPECT_EQ(smile->GetRefCount(), 1);
    }
}

TEST_F(TimerWheelTest, AFailingHookTakesOnlyItsOwnInstanceOut) {
    auto failing = MakeSmile({100, 100});
    auto fine = MakeSmile({100, 100});
    failing->OnFrameChanged = [](TTestSmile&) { throw std::runtime_error("drawing failed"); };
    timer->Add(fine.get());
    timer->Add(failing.get());
    timer->ProcessPass();
    EXPECT_FALSE(failing->InTimer);
    EXPECT_EQ(failing->GetRefCount(), 1);
    EXPECT_TRUE(fine->InTimer);
    EXPECT_EQ(fine->FrameChanges, 1);
    EXPECT_EQ(timer->Count(), 1);
}

TEST_F(TimerWheelTest, DestroyingTheWheelReleasesWhatItHolds) {
    auto smile = MakeSmile({100, 100});
    timer->Add(smile.get());
    timer->ProcessPass();
    timer.reset();
    EXPECT_FALSE(smile->InTimer);
    EXPECT_EQ(smile->GetRefCount(), 1);
}

// The thread body: the waits it asks for, driven by the hand-stepped clock.
TEST(TimerThread, WaitsAimAtTheStartOfThePassPlusTenMillisecondsPerBucket) {
    auto owned = std::make_unique<TManualClock>();
    TManualClock* clock = owned.get();
    clock->TimedWaitBudget = 3;
    TTimerThread timer(std::move(owned));
    TRef<TTestPicture> picture(new TTestPicture({100, 200, 3000}));
    TRef<TTestSmile> smile(new TTestSmile(picture.get()));
    smile->OnFrameChanged = [clock](TTestSmile&) { clock->NowMs += 7; };
    timer.SetActive(true);
    timer.Resume();
    timer.Add(smile.get());
    // The first wait has no timeout; then 200, 3000 and 100 ms frames, 7 ms spent in each
    // pass; the fourth timed wait really blocks.
    ASSERT_TRUE(clock->AwaitWaits(5));
    EXPECT_EQ(clock->Waits(), (std::vector<int64_t>{-1, 193, 2993, 93, 193}));
    EXPECT_EQ(smile->FrameChanges, 4);
    timer.Shutdown();
    EXPECT_EQ(clock->EndedWaits(), (std::vector<int64_t>{-1, 193}));  // both ended by the event
    EXPECT_FALSE(smile->InTimer);
    EXPECT_EQ(smile->GetRefCount(), 1);
}

TEST(TimerThread, GoesIdleWhenTheWheelEmptiesAndAnAddWakesIt) {
    auto owned = std::make_unique<TManualClock>();
    TManualClock* clock = owned.get();
    clock->TimedWaitBudget = 1000;
    TTimerThread timer(std::move(owned));
    TRef<TTestPicture> picture(new TTestPicture({100, 100}));
    TRef<TTestSmile> smile(new TTestSmile(picture.get()));
    // Hides itself at its third step: the pass after that drops it.
    smile->OnFrameChanged = [](TTestSmile& self) {
        if (self.FrameChanges == 3) self.Visible = false;
    };
    timer.SetActive(true);
    timer.Resume();
    timer.Add(smile.get());
    ASSERT_TRUE(testing::Eventually([&] { return timer.Idle() && !smile->InTimer; }));
    EXPECT_EQ(smile->FrameChanges, 3);
    EXPECT_EQ(smile->GetRefCount(), 1);
    EXPECT_EQ(timer.Count(), 0);
    // Initial wait, two timed waits of 100 ms, then idle without a timeout.
    ASSERT_TRUE(clock->AwaitWaits(5));
    EXPECT_EQ(clock->Waits(), (std::vector<int64_t>{-1, 100, 100, 100, -1}));

    smile->Visible = true;
    timer.Add(smile.get());
    ASSERT_TRUE(testing::Eventually([&] { return smile->FrameChanges >= 4; }));
    timer.Shutdown();
    EXPECT_EQ(smile->GetRefCount(), 1);
}

}  // namespace
}  // namespace faceloom
