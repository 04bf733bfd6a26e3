// The auto-reset event that cancels a worker: one signal for one consumer.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "event.h"

namespace {

TEST(AutoResetEventTest, OneSignalIsConsumedOnceAndResetClearsIt)
{
    AutoResetEvent e;
    EXPECT_FALSE(e.TryWait());
    EXPECT_FALSE(e.Wait(10));
    e.Set();
    e.Set();   // a second Set before anyone looked is the same signal
    EXPECT_TRUE(e.TryWait());
    EXPECT_FALSE(e.TryWait());
    e.Set();
    EXPECT_TRUE(e.Wait(0));
    EXPECT_FALSE(e.Wait(0));
    e.Set();
    e.Reset();
    EXPECT_FALSE(e.TryWait());
}

TEST(AutoResetEventTest, SetWakesAWaiterOnAnotherThread)
{
    AutoResetEvent e;
    std::atomic<bool> woke{false};
    std::thread waiter([&] { woke = e.Wait(10000); });
    e.Set();
    waiter.join();
    EXPECT_TRUE(woke.load());
    EXPECT_FALSE(e.TryWait());
}

TEST(AutoResetEventTest, RacingConsumersShareOneSignalBetweenThem)
{
    for (int round = 0; round < 100; round++) {
        AutoResetEvent e;
        std::atomic<bool> go{false};
        std::atomic<int> taken{0};
        std::vector<std::thread> consumers;
        for (int i = 0; i < 3; i++) {
            consumers.emplace_back([&, i] {
                while (!go)
                    std::this_thread::yield();
                for (int k = 0; k < 10; k++)
                    if (i == 0 ? e.Wait(1) : e.TryWait())
                        taken++;
            });
        }
        go = true;
        e.Set();
        for (std::thread& t : consumers)
            t.join();
        ASSERT_EQ(taken.load(), 1) << "round " << round;
    }
}

}  // namespace
