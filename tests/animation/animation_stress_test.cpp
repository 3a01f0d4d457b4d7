// Several threads add, remove, request renders, hide, swap pictures and release thousands of
// instances while the real timer and render threads run, and the queues are emptied now and
// then. At the end every instance must have been destroyed exactly once. Run under
// ThreadSanitizer (the tsan preset) to check the locking as well.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "animation/animation_manager.h"
#include "animation_test_support.h"

namespace faceloom {
namespace {

using testing::TTestPicture;

constexpr int kMaxInstances = 1 << 20;

class TStressSmile : public TSmile {
public:
    TStressSmile(int id, std::vector<std::atomic<int>>& destroyed, std::atomic<int>& steps,
                 std::atomic<int>& renders, std::atomic<int>& lateRenders, TAnimationManager* requester)
        : id_(id),
          destroyed_(destroyed),
          steps_(steps),
          renders_(renders),
          lateRenders_(lateRenders),
          requester_(requester) {}

    void FrameChanged() override {
        steps_.fetch_add(1, std::memory_order_relaxed);
        // Like the drag image: a render request from the timer thread, under its queue lock.
        if (requester_) requester_->RequestRender(this);
    }
    void Render() override {
        if (Retired.load()) lateRenders_.fetch_add(1);
        TRef<TPictureDecoder> picture;
        int32_t frame = 0;
        if (CurrentFrame(picture, frame)) Checksum.fetch_add(picture->GetDelay(frame));
        renders_.fetch_add(1, std::memory_order_relaxed);
    }

    std::atomic<int64_t> Checksum{0};
    std::atomic<bool> Retired{false};

protected:
    ~TStressSmile() override { destroyed_[id_].fetch_add(1); }

private:
    int id_;
    std::vector<std::atomic<int>>& destroyed_;
    std::atomic<int>& steps_;
    std::atomic<int>& renders_;
    std::atomic<int>& lateRenders_;
    TAnimationManager* requester_;
};

TEST(AnimationStress, EveryInstanceIsDestroyedExactlyOnce) {
    std::vector<std::atomic<int>> destroyed(kMaxInstances);
    std::atomic<int> nextId{0};
    std::atomic<int> picturesDestroyed{0};
    std::atomic<int> steps{0};
    std::atomic<int> renders{0};
    std::atomic<int> lateRenders{0};
    std::vector<TRef<TTestPicture>> pictures;
    for (auto delays :
         std::vector<std::vector<int32_t>>{{10, 20}, {10, 10, 30}, {15, 5, 0}, {100}, {20, 40}}) {
        pictures.emplace_back(new TTestPicture(delays, &picturesDestroyed));
    }

    auto manager = std::make_unique<TAnimationManager>();
    manager->Start();
    std::atomic<bool> stop{false};

    auto worker = [&](unsigned seed) {
        std::mt19937 random(seed);
        std::vector<TRef<TStressSmile>> owned;
        auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        while (!stop.load()) {
            if (owned.size() < 48) {
                const int id = nextId.fetch_add(1);
                if (id >= kMaxInstances) break;
                TRef<TStressSmile> smile(new TStressSmile(id, destroyed, steps, renders, lateRenders,
                                                          pick(5) == 0 ? manager.get() : nullptr));
                const int p = pick(static_cast<int>(pictures.size()) + 1);
                if (p < static_cast<int>(pictures.size())) smile->SetPicture(pictures[p].get());
                owned.push_back(std::move(smile));
            }
            const size_t index = static_cast<size_t>(pick(static_cast<int>(owned.size())));
            TStressSmile* smile = owned[index].get();
            switch (pick(9)) {
                case 0:
                case 1:
                    manager->AddToTimer(smile);
                    break;
                case 2:
                    manager->RequestRender(smile);
                    break;
                case 3:
                    manager->RemoveSmile(smile);
                    break;
                case 4:
                    smile->Visible = !smile->Visible;
                    break;
                case 5:
                    smile->SetPicture(
                        pictures[static_cast<size_t>(pick(static_cast<int>(pictures.size())))].get());
                    break;
                case 6:  // the owner's way of letting go
                    if (pick(4) != 0) break;
                    manager->RemoveSmile(smile);
                    if (pick(4) == 0) {
                        // From here on no Render of it may run (a view would now change what
                        // Render draws on).
                        manager->WaitRenderIdle();
                        smile->Retired = true;
                    }
                    owned.erase(owned.begin() + static_cast<std::ptrdiff_t>(index));
                    break;
                case 7:  // let go while queued: the queues keep it alive until they drop it
                    if (pick(4) != 0) break;
                    smile->Visible = false;
                    owned.erase(owned.begin() + static_cast<std::ptrdiff_t>(index));
                    break;
                case 8:
                    if (pick(16) == 0) manager->WaitRenderIdle();
                    break;
            }
            // Give the instances time to step: frames last 10 to 40 ms.
            if (pick(8) == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        for (auto& smile : owned) manager->RemoveSmile(smile.get());
    };

    std::vector<std::thread> workers;
    for (unsigned i = 0; i < 4; ++i) workers.emplace_back(worker, 1234 + i);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(2500);
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        manager->Deactivate();  // empties both queues under the workers' feet
        manager->Start();
    }
    stop = true;
    for (auto& thread : workers) thread.join();
    const int created = std::min(nextId.load(), kMaxInstances);
    ASSERT_GT(created, 1000);
    EXPECT_GT(steps.load(), 1000);
    EXPECT_GT(renders.load(), 100);
    EXPECT_EQ(lateRenders.load(), 0);

    // Emptying the queues must let go of everything, before the threads end: only a render
    // already taken off the queue may still hold an instance for a moment.
    manager->Deactivate();
    manager->WaitRenderIdle();
    EXPECT_EQ(manager->TimerThread().Count(), 0);
    auto destroyedCount = [&] {
        int sum = 0;
        for (int id = 0; id < created; ++id) sum += destroyed[id].load();
        return sum;
    };
    EXPECT_TRUE(testing::Eventually([&] { return destroyedCount() == created; }));
    manager.reset();
    int once = 0;
    for (int id = 0; id < created; ++id) {
        if (destroyed[id].load() == 1) {
            ++once;
        } else {
            ADD_FAILURE() << "instance " << id << " destroyed " << destroyed[id].load() << " times";
            break;
        }
    }
    EXPECT_EQ(once, created);
    std::printf("%d instances, %d frame steps, %d renders\n", created, steps.load(), renders.load());
    pictures.clear();
    EXPECT_EQ(picturesDestroyed, 5);
}

}  // namespace
}  // namespace faceloom
