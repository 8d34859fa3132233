// The single-instance rule: a lock per title, user and display, and a local
// socket through which a later start raises the running copy.
#include "platform/window/SingleInstance.h"

#include "support/EventLoop.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>

namespace {

const std::string kTitle = "Ostara V. 2.23";

// Sets an environment variable (or removes it) for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        Set(value);
    }
    ~ScopedEnv() { Set(old_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void Set(const std::optional<std::string>& value) {
        if (value)
            ::setenv(name_, value->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    const char* name_;
    std::optional<std::string> old_;
};

std::string Uid() {
    return std::to_string(::getuid());
}

} // namespace

TEST(SingleInstance, ScopeIsTitleUserAndDisplayInTheRuntimeFolder) {
    const TempDir runtime("ostara-runtime");
    const TempDir temp("ostara-temp");
    const std::string run = runtime.Path().string();
    const std::string tmp = temp.Path().string();
    const std::nullopt_t unset = std::nullopt;
    const struct {
        std::optional<std::string> runtimeDir, wayland, display;
        std::string lockPath;
    } cases[] = {
        {run, unset, ":0", run + "/" + kTitle + "-u" + Uid() + "-d:0.lock"},
        {run, "wayland-1", ":0", run + "/" + kTitle + "-u" + Uid() + "-dwayland-1.lock"},
        {run, "", ":3", run + "/" + kTitle + "-u" + Uid() + "-d:3.lock"},
        {run, "/run/w/wayland-0", unset,
         run + "/" + kTitle + "-u" + Uid() + "-d_run_w_wayland-0.lock"},
        {run, unset, unset, run + "/" + kTitle + "-u" + Uid() + "-d.lock"},
        {unset, unset, ":0", tmp + "/" + kTitle + "-u" + Uid() + "-d:0.lock"},
        {"", unset, ":0", tmp + "/" + kTitle + "-u" + Uid() + "-d:0.lock"},
        {run + "/missing", unset, ":0", tmp + "/" + kTitle + "-u" + Uid() + "-d:0.lock"},
    };
    const ScopedEnv tmpdir("TMPDIR", tmp);
    for (const auto& c : cases) {
        const ScopedEnv a("XDG_RUNTIME_DIR", c.runtimeDir);
        const ScopedEnv b("WAYLAND_DISPLAY", c.wayland);
        const ScopedEnv d("DISPLAY", c.display);
        const SingleInstance instance(kTitle);
        EXPECT_EQ(instance.LockPath(), c.lockPath);
        EXPECT_EQ(instance.SocketPath(), c.lockPath.substr(0, c.lockPath.size() - 5) + ".socket");
    }
}

TEST(SingleInstance, SocketPathInADeepFolderStillFitsAnAddress) {
    const TempDir runtime("ostara-runtime");
    // A folder whose path leaves room for a short name, not for the plain one.
    const std::string top = runtime.Path().string();
    ASSERT_LT(top.size(), 70u);
    const std::string deep = top + "/" + std::string(80 - top.size(), 'f');
    const std::string plain = deep + "/" + kTitle + "-u" + Uid() + "-d:0.socket";
    ASSERT_GE(plain.size(), sizeof(sockaddr_un{}.sun_path));
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(deep)));
    SingleInstance instance(kTitle, ":0", deep);
    EXPECT_LT(instance.SocketPath().size(), sizeof(sockaddr_un{}.sun_path));
    EXPECT_EQ(instance.SocketPath().rfind(deep + "/", 0), 0u);
    EXPECT_TRUE(instance.Claim(200));
    EXPECT_TRUE(instance.Listening());
}

TEST(SingleInstance, SecondStartOfTheSameScopeRaisesTheFirst) {
    const TempDir runtime("ostara-runtime");
    SingleInstance first(kTitle, ":0", runtime.Path().string());
    ASSERT_TRUE(first.Claim(200));
    ASSERT_TRUE(first.Owner());
    ASSERT_TRUE(first.Listening());
    int raised = 0;
    first.SetOnRaise([&] { ++raised; });

    // The second start runs in another thread here; the first keeps its loop going.
    bool runs = true;
    bool owner = true;
    std::thread second([&] {
        SingleInstance other(kTitle, ":0", runtime.Path().string());
        runs = other.Claim(2000);
        owner = other.Owner();
    });
    RunEventsUntil([&] { return raised > 0; }, 2000);
    second.join();
    EXPECT_FALSE(runs);
    EXPECT_FALSE(owner);
    EXPECT_EQ(raised, 1);

    // Once the first gives up, the next start owns the scope.
    first.Release();
    SingleInstance next(kTitle, ":0", runtime.Path().string());
    EXPECT_TRUE(next.Claim(200));
    EXPECT_TRUE(next.Owner());
}

TEST(SingleInstance, AnotherTitleOrDisplayStartsBeside) {
    const TempDir runtime("ostara-runtime");
    const std::string dir = runtime.Path().string();
    SingleInstance running(kTitle, ":0", dir);
    ASSERT_TRUE(running.Claim(200));
    const struct {
        const char* title;
        const char* display;
    } cases[] = {{"Ostara V. 2.24", ":0"}, {"Ostara V. 2.23", ":1"}};
    for (const auto& c : cases) {
        SingleInstance other(c.title, c.display, dir);
        EXPECT_TRUE(other.Claim(200)) << c.title << " " << c.display;
        EXPECT_TRUE(other.Owner());
        EXPECT_TRUE(other.Listening());
    }
}

TEST(SingleInstance, SocketLeftByACrashedCopyDoesNotBlock) {
    const TempDir runtime("ostara-runtime");
    SingleInstance next(kTitle, ":0", runtime.Path().string());
    // A socket file that nobody listens on, as a killed copy leaves it.
    const std::string& path = next.SocketPath();
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof addr.sun_path);
    std::strcpy(addr.sun_path, path.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd);
    ASSERT_EQ(::access(path.c_str(), F_OK), 0);

    EXPECT_TRUE(next.Claim(200));
    EXPECT_TRUE(next.Listening());
    next.Release();
    EXPECT_FALSE(next.Listening());
    EXPECT_FALSE(next.Owner());
    EXPECT_NE(::access(path.c_str(), F_OK), 0); // a clean end leaves no socket
}
