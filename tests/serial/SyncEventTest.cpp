// The signal the worker threads hand each other: looking never blocks, and no Set is lost or
// taken twice while threads wait on it.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "SyncEvent.h"
#include "WaitUntil.h"

using namespace std::chrono_literals;

TEST(SyncEvent, LookingTakesAnAutoEventOnceAndLeavesAManualOneSet) {
    SyncEvent automatic(SyncEvent::Reset::Auto);
    EXPECT_FALSE(automatic.WaitFor(0ms));
    automatic.Set();
    automatic.Set();  // a second Set before the take is the same signal
    EXPECT_TRUE(automatic.IsSet());
    EXPECT_TRUE(automatic.WaitFor(0ms));
    EXPECT_FALSE(automatic.WaitFor(0ms));
    EXPECT_FALSE(automatic.WaitFor(1ms));

    SyncEvent manual(SyncEvent::Reset::Manual);
    manual.Set();
    EXPECT_TRUE(manual.WaitFor(0ms));
    EXPECT_TRUE(manual.WaitFor(10ms));
    manual.ResetEvent();
    EXPECT_FALSE(manual.IsSet());
    EXPECT_FALSE(manual.WaitFor(0ms));
}

TEST(SyncEvent, EverySetWakesExactlyOneOfSeveralWaiters) {
    SyncEvent event(SyncEvent::Reset::Auto);
    std::atomic<int> taken{0};
    std::atomic<bool> stop{false};
    std::atomic<int> running{3};
    std::vector<std::thread> waiters;
    // Sleeping waiters and one that mostly only looks, so that Set meets both kinds.
    for (auto limit : {1h, 1h}) {
        waiters.emplace_back([&, limit] {
            while (!stop)
                if (event.WaitFor(std::chrono::duration_cast<std::chrono::milliseconds>(limit)) &&
                    !stop)
                    ++taken;
            --running;
        });
    }
    waiters.emplace_back([&] {
        while (!stop)
            if ((event.WaitFor(0ms) || event.WaitFor(1ms)) && !stop) ++taken;
        --running;
    });
    for (int round = 1; round <= 300; ++round) {
        event.Set();
        ASSERT_TRUE(WaitUntil([&] { return taken >= round; })) << "a Set was lost, round " << round;
        ASSERT_EQ(taken, round) << "a Set was taken twice";
    }
    stop = true;
    while (running > 0) {
        event.Set();  // ends one sleeping waiter
        ASSERT_TRUE(WaitUntil([&] { return !event.IsSet() || running == 0; }));
    }
    for (auto& waiter : waiters) waiter.join();
}
