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

// How often the calling thread went to sleep and was woken.
long Wakeups() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

} // namespace

TEST(ApplicationWait, SleepsToTheDeadlineAndHandlesMessagesMeanwhile) {
    bool handled = false;
    QTimer::singleShot(20, QCoreApplication::instance(), [&] { handled = true; });
    const long wakeupsBefore = Wakeups();
    const auto start = Clock::now();
    EXPECT_FALSE(Application().ProcessMessagesUntil(start + 300ms, [] { return false; }));
    EXPECT_GE(ElapsedMs(start), 299);
    EXPECT_LT(ElapsedMs(start), 1000);
    EXPECT_TRUE(handled);
    // A wait in 10 ms slices would wake 30 times.
    EXPECT_LT(Wakeups() - wakeupsBefore, 10);
}

// The condition is looked at again when it can have changed: after a message
// was handled, or when another thread wakes the wait.
TEST(ApplicationWait, EndsSoonAfterTheConditionHolds) {
    struct Case {
        const char* what;
        std::function<void(std::atomic<bool>& done)> arrange;
        bool result;
    };
    std::thread other;
    const Case cases[] = {
        {"set by a message",
         [](std::atomic<bool>& done) {
             QTimer::singleShot(30, QCoreApplication::instance(), [&done] { done = true; });
         },
         true},
        {"set on another thread, which wakes the wait",
         [&other](std::atomic<bool>& done) {
             other = std::thread([&done] {
                 std::this_thread::sleep_for(30ms);
                 done = true;
                 Application().WakeUp();
             });
         },
         true},
        {"the application terminating",
         [](std::atomic<bool>&) {
             QTimer::singleShot(30, QCoreApplication::instance(),
                                [] { Application().Terminate(); });
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::atomic<bool> done{false};
        c.arrange(done);
        const auto start = Clock::now();
        EXPECT_EQ(Application().ProcessMessagesUntil(start + 5s, [&] { return done.load(); }),
                  c.result);
        EXPECT_LT(ElapsedMs(start), 1000);
        if (other.joinable())
            other.join();
        Application().ResetTerminated();
    }
}

TEST(ApplicationWait, IdleHookWaitsForATrueIdleMoment) {
    int idle = 0;
    Application().SetOnIdle([&] { ++idle; });
    Application().ProcessMessagesUntil(Clock::now() + 50ms, [] { return false; });
    EXPECT_EQ(idle, 0) << "a wait inside an operation is no idle moment";
    RunEventsUntil([&] { return idle > 0; }, 1000);
    EXPECT_GT(idle, 0);
    Application().SetOnIdle(nullptr);
}
