// Timers on the main thread.
#include "platform/Timer.h"

#include <gtest/gtest.h>

#include "support/EventLoop.h"

namespace {

bool RunUntil(const std::function<bool()>& cond, int ms) {
    return RunEventsUntil(cond, ms, 5);
}

} // namespace

TEST(Timer, OneShotIsDisabledWhenItsHandlerRuns) {
    TTimer timer(true);
    int fired = 0;
    bool enabledInHandler = true;
    timer.SetInterval(10);
    timer.SetOnTimer([&] {
        ++fired;
        enabledInHandler = timer.Enabled();
    });
    timer.SetEnabled(true);
    EXPECT_TRUE(timer.Enabled());
    ASSERT_TRUE(RunUntil([&] { return fired > 0; }, 2000));
    EXPECT_FALSE(enabledInHandler);
    RunUntil([] { return false; }, 60);
    EXPECT_EQ(fired, 1);
}

TEST(Timer, PeriodicFiresUntilDisabled) {
    TTimer timer;
    int fired = 0;
    timer.SetInterval(5);
    timer.SetOnTimer([&] {
        if (++fired == 3)
            timer.SetEnabled(false);
    });
    timer.SetEnabled(true);
    ASSERT_TRUE(RunUntil([&] { return fired >= 3; }, 2000));
    RunUntil([] { return false; }, 40);
    EXPECT_EQ(fired, 3);
    EXPECT_FALSE(timer.Enabled());
}

TEST(Timer, DisabledTimerNeverFires) {
    TTimer timer(true);
    int fired = 0;
    timer.SetInterval(1);
    timer.SetOnTimer([&] { ++fired; });
    timer.SetEnabled(true);
    timer.SetEnabled(false);
    RunUntil([] { return false; }, 30);
    EXPECT_EQ(fired, 0);
}
