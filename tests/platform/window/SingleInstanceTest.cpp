// The single-instance rule on local sockets.
#include "platform/window/SingleInstance.h"

#include "support/EventLoop.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <thread>

namespace {

std::string UniqueName(const char* tag) {
    return std::string("Ostara test ") + tag + " " + std::to_string(::getpid());
}

} // namespace

TEST(SingleInstance, SecondStartOfTheSameTitleRaisesTheFirst) {
    const std::string name = UniqueName("same");
    SingleInstance first(name);
    ASSERT_FALSE(first.AskRunningInstance(200));
    ASSERT_TRUE(first.Listen());
    int raised = 0;
    first.SetOnRaise([&] { ++raised; });

    // The second start runs in another thread here; the first keeps its loop going.
    bool answered = false;
    std::thread second([&] {
        SingleInstance other(name);
        answered = other.AskRunningInstance(2000);
    });
    RunEventsUntil([&] { return raised > 0; }, 2000);
    second.join();
    EXPECT_TRUE(answered);
    EXPECT_EQ(raised, 1);
}

TEST(SingleInstance, AnotherTitleStartsBeside) {
    SingleInstance a(UniqueName("V. 2.23"));
    SingleInstance b(UniqueName("V. 2.24"));
    ASSERT_TRUE(a.Listen());
    EXPECT_FALSE(b.AskRunningInstance(200));
    EXPECT_TRUE(b.Listen());
}

TEST(SingleInstance, NameLeftByACrashedInstanceDoesNotBlock) {
    const std::string name = UniqueName("stale");
    // A socket file that nobody listens on, as a killed instance leaves it.
    const std::string path = QDir::tempPath().toStdString() + "/" + name;
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof addr.sun_path);
    std::strcpy(addr.sun_path, path.c_str());
    ::unlink(path.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd);
    ASSERT_EQ(::access(path.c_str(), F_OK), 0);

    SingleInstance next(name);
    EXPECT_FALSE(next.AskRunningInstance(200));
    EXPECT_TRUE(next.Listen());
    EXPECT_TRUE(next.Listening());
    next.Release();
    EXPECT_FALSE(next.Listening());
}
