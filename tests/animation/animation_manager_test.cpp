#include "animation/animation_manager.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "animation_test_support.h"

namespace faceloom {
namespace {

using testing::Eventually;
using testing::TGate;
using testing::TManualClock;
using testing::TTestPicture;
using testing::TTestSmile;

TRef<TTestSmile> MakeSmile(std::vector<int32_t> delays, std::atomic<int>* destroyed = nullptr) {
    TRef<TTestPicture> picture(new TTestPicture(std::move(delays)));
    return TRef<TTestSmile>(new TTestSmile(picture.get(), destroyed));
}

TEST(AnimationManager, RenderRequestsRunInOrderOnTheRenderThreadAndMayFileInTheTimer) {
    TAnimationManager manager;
    manager.Start();
    // The first render holds the thread, so the next requests queue up behind it.
    TGate gate;
    std::mutex orderLock;
    std::vector<int> order;
    std::thread::id renderThread;
    std::vector<TRef<TTestSmile>> smiles;
    for (int i = 0; i < 4; ++i) {
        smiles.push_back(MakeSmile({100, 100}));
        smiles[i]->OnRender = [&, i](TTestSmile&) {
            if (i == 0) gate.Pass();
            std::lock_guard lock(orderLock);
            order.push_back(i);
            renderThread = std::this_thread::get_id();
        };
    }
    smiles[1]->Visible = false;
    smiles[2]->AnimationAllowed = false;
    manager.RequestRender(smiles[0].get());
    ASSERT_TRUE(Eventually([&] { return !smiles[0]->InRenderQueue; }));  // taken, rendering
    for (int i : {3, 1, 2}) manager.RequestRender(smiles[i].get());
    manager.RequestRender(smiles[3].get());  // already queued
    EXPECT_TRUE(smiles[1]->Visible);         // a render request makes it visible
    EXPECT_TRUE(smiles[1]->InTimer);
    EXPECT_FALSE(smiles[2]->InTimer);  // cannot animate: render only
    EXPECT_TRUE(smiles[3]->InRenderQueue);
    EXPECT_EQ(smiles[2]->GetRefCount(), 2);  // owner and render queue
    gate.Open();
    ASSERT_TRUE(Eventually([&] { return smiles[2]->Renders == 1; }));
    manager.WaitRenderIdle();
    {
        std::lock_guard lock(orderLock);
        EXPECT_EQ(order, (std::vector<int>{0, 3, 1, 2}));
        EXPECT_NE(renderThread, std::this_thread::get_id());
    }
    EXPECT_EQ(smiles[3]->Renders, 1);
    EXPECT_FALSE(smiles[3]->InRenderQueue);
    EXPECT_EQ(smiles[2]->GetRefCount(), 1);
    for (auto& smile : smiles) manager.RemoveSmile(smile.get());
    for (auto& smile : smiles) EXPECT_EQ(smile->GetRefCount(), 1);
}

TEST(AnimationManager, FrameChangedMayRequestARenderOnTheTimerThread) {
    TAnimationManager manager;
    manager.Start();
    auto smile = MakeSmile({20, 20});
    std::atomic<bool> onTimerThread{true};
    const auto testThread = std::this_thread::get_id();
    // The drag image's way: every frame change asks for a render of the same instance, which
    // files it in the timer again while the timer's queue lock is held on that thread.
    smile->OnFrameChanged = [&](TTestSmile& self) {
        if (std::this_thread::get_id() == testThread) onTimerThread = false;
        manager.RequestRender(&self);
    };
    manager.AddToTimer(smile.get());
    ASSERT_TRUE(Eventually([&] { return smile->Renders >= 3; }));
    EXPECT_TRUE(onTimerThread);
    EXPECT_EQ(manager.TimerThread().Count(), 1);
    EXPECT_TRUE(smile->InTimer);
    manager.RemoveSmile(smile.get());
    manager.WaitRenderIdle();
    EXPECT_FALSE(smile->InTimer);
    EXPECT_FALSE(smile->InRenderQueue);
    EXPECT_EQ(smile->GetRefCount(), 1);
    const int frames = smile->FrameChanges;
    EXPECT_GE(frames, smile->Renders.load());
}

TEST(AnimationManager, WaitRenderIdleWaitsForARunningRender) {
    TAnimationManager manager;
    manager.Start();
    auto smile = MakeSmile({100});
    TGate gate;
    std::atomic<bool> rendering{false};
    smile->OnRender = [&](TTestSmile&) {
        rendering = true;
        gate.Pass();
    };
    manager.RequestRender(smile.get());
    ASSERT_TRUE(Eventually([&] { return rendering.load(); }));
    std::atomic<bool> idle{false};
    std::thread waiter([&] {
        manager.WaitRenderIdle();
        idle = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(idle);
    gate.Open();
    waiter.join();
    EXPECT_TRUE(idle);
    EXPECT_EQ(smile->GetRefCount(), 1);
}

TEST(AnimationManager, DeactivateEmptiesBothQueuesAndRefusesLaterRequests) {
    std::atomic<int> destroyed{0};
    TAnimationManager manager;
    manager.Start();
    TGate gate;
    auto blocker = MakeSmile({100});
    blocker->OnRender = [&](TTestSmile&) { gate.Pass(); };
    manager.RequestRender(blocker.get());
    ASSERT_TRUE(Eventually([&] { return !blocker->InRenderQueue; }));

    std::vector<TRef<TTestSmile>> smiles;
    for (int i = 0; i < 6; ++i) {
        smiles.push_back(MakeSmile({30000, 30000, 30000}, &destroyed));
        if (i % 2 == 0) {
            manager.RequestRender(smiles.back().get());  // both queues
        } else {
            manager.AddToTimer(smiles.back().get());  // timer only
        }
    }
    EXPECT_EQ(manager.TimerThread().Count(), 6);
    manager.Deactivate();
    EXPECT_EQ(manager.TimerThread().Count(), 0);
    for (auto& smile : smiles) {
        EXPECT_FALSE(smile->InTimer);
        EXPECT_FALSE(smile->InRenderQueue);
        EXPECT_EQ(smile->TimerNode, nullptr);
        EXPECT_EQ(smile->RenderNode, nullptr);
        EXPECT_EQ(smile->GetRefCount(), 1);
    }
    manager.AddToTimer(smiles[1].get());
    manager.RequestRender(smiles[0].get());
    EXPECT_FALSE(smiles[1]->InTimer);
    EXPECT_FALSE(smiles[0]->InTimer);
    EXPECT_FALSE(smiles[0]->InRenderQueue);
    gate.Open();
    manager.WaitRenderIdle();
    for (auto& smile : smiles) EXPECT_EQ(smile->Renders, 0);
    smiles.clear();
    EXPECT_EQ(destroyed, 6);
}

TEST(AnimationManager, DestructionEndsALongTimedWaitAtOnce) {
    TManualClock clock;
    auto manager = std::make_unique<TAnimationManager>(std::make_unique<testing::TBorrowedClock>(clock));
    manager->Start();
    auto smile = MakeSmile({600000, 600000});  // 60,000 buckets: a ten-minute wait
    manager->AddToTimer(smile.get());
    ASSERT_TRUE(clock.AwaitWaits(2));
    EXPECT_EQ(clock.Waits(), (std::vector<int64_t>{-1, 600000}));
    manager->Deactivate();
    manager.reset();
    // The wait ended because the event was signalled, not by its timeout.
    EXPECT_EQ(clock.EndedWaits(), (std::vector<int64_t>{-1, 600000}));
    EXPECT_EQ(smile->GetRefCount(), 1);
}

TEST(AnimationManager, SharedManagerLivesFromTheFirstAcquireToTheLastRelease) {
    ASSERT_EQ(AnimationManagerUsers(), 0);
    ASSERT_EQ(AnimationManager(), nullptr);
    ReleaseAnimationManager();  // without users: nothing
    EXPECT_EQ(AnimationManagerUsers(), 0);

    TAnimationManager* manager = AcquireAnimationManager();
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(AcquireAnimationManager(), manager);
    EXPECT_EQ(AnimationManagerUsers(), 2);
    EXPECT_EQ(AnimationManager(), manager);

    std::atomic<int> destroyed{0};
    auto smile = MakeSmile({600000, 600000}, &destroyed);
    manager->AddToTimer(smile.get());
    ASSERT_TRUE(Eventually([&] { return smile->FrameChanges == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // into the ten-minute wait
    ReleaseAnimationManager();
    EXPECT_EQ(AnimationManagerUsers(), 1);
    EXPECT_TRUE(smile->InTimer);

    smile.reset();  // the wheel holds the last reference now
    EXPECT_EQ(destroyed, 0);
    const auto before = std::chrono::steady_clock::now();
    ReleaseAnimationManager();
    const auto took = std::chrono::steady_clock::now() - before;
    // Not a speed check: waiting out the timer would take ten minutes.
    EXPECT_LT(took, std::chrono::seconds(60));
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(AnimationManagerUsers(), 0);
    EXPECT_EQ(AnimationManager(), nullptr);

    // A new first user gets a new working manager.
    TAnimationManager* again = AcquireAnimationManager();
    auto next = MakeSmile({10, 10});
    again->AddToTimer(next.get());
    EXPECT_TRUE(Eventually([&] { return next->FrameChanges >= 2; }));
    ReleaseAnimationManager();
    EXPECT_EQ(next->GetRefCount(), 1);
}

// A component may let go of the manager from a hook, on one of the manager's own threads.
// The program goes on; the manager ends once the hook has returned, handing back every
// reference it held, and a later first user gets a new one.
TEST(AnimationManager, LastReleaseMayComeFromEitherWorkerThreadsHook) {
    for (const bool fromRender : {false, true}) {
        SCOPED_TRACE(fromRender ? "render hook" : "timer hook");
        ASSERT_EQ(AnimationManagerUsers(), 0);
        TAnimationManager* manager = AcquireAnimationManager();
        auto smile = MakeSmile({100, 100});
        std::atomic<bool> released{false};
        const auto releaseOnce = [&](TTestSmile&) {
            if (!released.exchange(true)) ReleaseAnimationManager();
        };
        if (fromRender) {
            smile->OnRender = releaseOnce;
            manager->RequestRender(smile.get());
        } else {
            smile->OnFrameChanged = releaseOnce;
            manager->AddToTimer(smile.get());
        }
        ASSERT_TRUE(Eventually([&] { return released.load(); }));
        WaitEndedAnimationManagers();
        EXPECT_EQ(AnimationManagerUsers(), 0);
        EXPECT_EQ(AnimationManager(), nullptr);
        EXPECT_FALSE(smile->InTimer);
        EXPECT_FALSE(smile->InRenderQueue);
        EXPECT_EQ(smile->GetRefCount(), 1);
    }
    TAnimationManager* again = AcquireAnimationManager();
    auto next = MakeSmile({10, 10});
    again->AddToTimer(next.get());
    EXPECT_TRUE(Eventually([&] { return next->FrameChanges >= 2; }));
    ReleaseAnimationManager();
    EXPECT_EQ(next->GetRefCount(), 1);
}

}  // namespace
}  // namespace faceloom
