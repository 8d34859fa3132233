// The application's wait that keeps handling messages: it sleeps until a
// message, a wake-up from any thread or its deadline comes.
#include "platform/Application.h"

#include <gtest/gtest.h>

#include "support/EventLoop.h"

#include <QCoreApplication>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include <sys/resource.h>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

} // namespace

// A wait inside an operation sleeps to its deadline and is no idle moment:
// the idle hook waits for a true one.
TEST(ApplicationWait, SleepsToTheDeadlineWithoutRunningTheIdleHook) {
    int idle = 0;
    Application().SetOnIdle([&] { ++idle; });
    // How often this thread went to sleep and was woken.
    rusage before{}, after{};
    getrusage(RUSAGE_THREAD, &before);
    const auto start = Clock::now();
    EXPECT_FALSE(Application().ProcessMessagesUntil(start + 300ms, [] { return false; }));
    getrusage(RUSAGE_THREAD, &after);
    EXPECT_GE(ElapsedMs(start), 299);
    EXPECT_LT(ElapsedMs(start), 1000);
    // A wait in 10 ms slices would wake 30 times.
    EXPECT_LT(after.ru_nvcsw - before.ru_nvcsw, 10);
    EXPECT_EQ(idle, 0);
    EXPECT_TRUE(RunEventsUntil([&] { return idle > 0; }, 1000));
    Application().SetOnIdle(nullptr);
}

// The condition is looked at again when it can have changed: after a message
// was handled, or when another thread wakes the wait; termination ends it.
TEST(ApplicationWait, EndsSoonAfterTheConditionHoldsOrTheApplicationTerminates) {
    std::atomic<bool> done{false};
    std::thread other;
    const std::function<void()> arrange[] = {
        [&] { QTimer::singleShot(30, QCoreApplication::instance(), [&] { done = true; }); },
        [&] {
            other = std::thread([&] {
                std::this_thread::sleep_for(30ms);
                done = true;
                Application().WakeUp();
            });
        },
        [] {
            QTimer::singleShot(30, QCoreApplication::instance(), [] { Application().Terminate(); });
        },
    };
    for (int i = 0; i < 3; ++i) {
        done = false;
        arrange[i]();
        const auto start = Clock::now();
        EXPECT_EQ(Application().ProcessMessagesUntil(start + 5s, [&] { return done.load(); }),
                  i < 2)
            << i;
        EXPECT_LT(ElapsedMs(start), 1000) << i;
        if (other.joinable())
            other.join();
        Application().ResetTerminated();
    }
}
