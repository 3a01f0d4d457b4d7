#include "animation/render_thread.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "animation_test_support.h"

namespace faceloom {
namespace {

using testing::Eventually;
using testing::TTestPicture;
using testing::TTestSmile;

// The grid marks a cell it draws itself with InPaint; that instance has no render request.
// Removing it must leave the requests of others queued, in their order.
TEST(RenderThread, RemovingAnInstanceThatIsOnlyBeingPaintedLeavesTheQueueAlone) {
    TRenderThread thread;
    thread.SetActive(true);  // not resumed yet: requests stay queued
    TRef<TTestPicture> picture(new TTestPicture({100}));
    std::mutex orderLock;
    std::vector<int> order;
    std::vector<TRef<TTestSmile>> queued;
    for (int i = 0; i < 2; ++i) {
        queued.emplace_back(new TTestSmile(picture.get()));
        queued[i]->OnRender = [&, i](TTestSmile&) {
            std::lock_guard lock(orderLock);
            order.push_back(i);
        };
        thread.Add(queued[i].get());
    }
    TRef<TTestSmile> painted(new TTestSmile(picture.get()));
    painted->InPaint = true;

    thread.Remove(painted.get());
    EXPECT_EQ(painted->GetRefCount(), 1);
    EXPECT_EQ(painted->RenderNode, nullptr);
    EXPECT_TRUE(painted->InPaint);  // the grid's flag, not the queue's
    for (auto& smile : queued) {
        EXPECT_TRUE(smile->InRenderQueue);
        ASSERT_NE(smile->RenderNode, nullptr);
        EXPECT_EQ(smile->RenderNode->Smile, smile.get());
        EXPECT_EQ(smile->GetRefCount(), 2);
    }

    thread.Resume();
    ASSERT_TRUE(Eventually([&] { return queued[1]->Renders == 1; }));
    thread.WaitIdle();
    {
        std::lock_guard lock(orderLock);
        EXPECT_EQ(order, (std::vector<int>{0, 1}));
    }
    EXPECT_EQ(painted->Renders, 0);
    for (auto& smile : queued) EXPECT_EQ(smile->GetRefCount(), 1);
}

}  // namespace
}  // namespace faceloom
