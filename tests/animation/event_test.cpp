#include "platform/event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace faceloom {
namespace {

TEST(Event, StaysSignalledUntilReset) {
    TEvent event;
    EXPECT_FALSE(event.IsSet());
    EXPECT_FALSE(event.WaitFor(0));
    event.Set();
    // A Set before the wait is not lost, and a manual-reset event serves every wait.
    EXPECT_TRUE(event.WaitFor(0));
    EXPECT_TRUE(event.WaitFor(1000));
    event.Wait();
    EXPECT_TRUE(event.IsSet());
    event.Reset();
    EXPECT_FALSE(event.WaitFor(0));
    EXPECT_FALSE(event.WaitFor(20));  // times out
    TEvent initially(true);
    EXPECT_TRUE(initially.WaitFor(0));
}

TEST(Event, OneSetReleasesEveryWaiter) {
    TEvent event;
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 4; ++i) {
        waiters.emplace_back([&] {
            event.Wait();
            released.fetch_add(1);
        });
    }
    std::thread timed([&] {
        if (event.WaitFor(-1)) released.fetch_add(1);
    });
    event.Set();
    for (auto& waiter : waiters) waiter.join();
    timed.join();
    EXPECT_EQ(released.load(), 5);
}

}  // namespace
}  // namespace faceloom
