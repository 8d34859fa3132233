// The single-instance rule: a lock per title, user and display, and a local
// socket through which a later start raises the running copy.
#include "platform/window/SingleInstance.h"

#include "support/EventLoop.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <optional>
#include <string>
#include <thread>

const std::string kTitle = "Ostara V. 2.23";

TEST(SingleInstance, ScopeIsTitleUserAndDisplayInTheRuntimeFolder) {
    const TempDir runtime("ostara-runtime"), temp("ostara-temp");
    const std::string run = runtime.Path().string(), tmp = temp.Path().string();
    const std::nullopt_t unset = std::nullopt;
    const struct {
        std::optional<std::string> runtimeDir, wayland, display;
        std::string folder, scope; // where lock and socket lie, the display in their names
    } cases[] = {
        {run, unset, ":0", run, ":0"}, {run, "wayland-1", ":0", run, "wayland-1"},
        {run, "", ":3", run, ":3"},    {run, "/run/w/wayland-0", unset, run, "_run_w_wayland-0"},
        {run, unset, unset, run, ""},  {unset, unset, ":0", tmp, ":0"},
        {"", unset, ":0", tmp, ":0"},  {run + "/missing", unset, ":0", tmp, ":0"},
    };
    const ScopedEnv tmpdir("TMPDIR", tmp);
    for (const auto& c : cases) {
        const ScopedEnv a("XDG_RUNTIME_DIR", c.runtimeDir), b("WAYLAND_DISPLAY", c.wayland),
            d("DISPLAY", c.display);
        const SingleInstance instance(kTitle);
        const std::string stem =
            c.folder + "/" + kTitle + "-u" + std::to_string(::getuid()) + "-d" + c.scope;
        EXPECT_EQ(instance.LockPath(), stem + ".lock");
        EXPECT_EQ(instance.SocketPath(), stem + ".socket");
    }
}

TEST(SingleInstance, SocketPathInADeepFolderStillFitsAnAddress) {
    const TempDir runtime("ostara-runtime");
    // A folder whose path leaves room for a short name, not for the plain one.
    const std::string top = runtime.Path().string();
    ASSERT_LT(top.size(), 70u);
    const std::string deep = top + "/" + std::string(80 - top.size(), 'f');
    ASSERT_GE((deep + "/" + kTitle + "-u0-d:0.socket").size(), sizeof(sockaddr_un{}.sun_path));
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(deep)));
    SingleInstance instance(kTitle, ":0", deep);
    EXPECT_LT(instance.SocketPath().size(), sizeof(sockaddr_un{}.sun_path));
    EXPECT_EQ(instance.SocketPath().rfind(deep + "/", 0), 0u);
    EXPECT_TRUE(instance.Claim(200) && instance.Listening());
}

TEST(SingleInstance, SecondStartOfTheSameScopeRaisesTheFirst) {
    const TempDir runtime("ostara-runtime");
    SingleInstance first(kTitle, ":0", runtime.Path().string());
    ASSERT_TRUE(first.Claim(200) && first.Owner() && first.Listening());
    int raised = 0;
    first.SetOnRaise([&] { ++raised; });

    // The second start runs in another thread here; the first keeps its loop going.
    bool runs = true, owner = true;
    std::thread second([&] {
        SingleInstance other(kTitle, ":0", runtime.Path().string());
        runs = other.Claim(2000);
        owner = other.Owner();
    });
    RunEventsUntil([&] { return raised > 0; }, 2000);
    second.join();
    EXPECT_FALSE(runs || owner);
    EXPECT_EQ(raised, 1);

    // Once the first gives up, the next start owns the scope.
    first.Release();
    SingleInstance next(kTitle, ":0", runtime.Path().string());
    EXPECT_TRUE(next.Claim(200) && next.Owner());
}

TEST(SingleInstance, AnotherTitleOrDisplayStartsBeside) {
    const TempDir runtime("ostara-runtime");
    const std::string dir = runtime.Path().string();
    SingleInstance running(kTitle, ":0", dir);
    ASSERT_TRUE(running.Claim(200));
    for (const auto& [title, display] :
         {std::pair("Ostara V. 2.24", ":0"), {kTitle.c_str(), ":1"}}) {
        SingleInstance other(title, display, dir);
        EXPECT_TRUE(other.Claim(200) && other.Owner() && other.Listening()) << title << display;
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

    EXPECT_TRUE(next.Claim(200) && next.Listening());
    next.Release();
    EXPECT_FALSE(next.Listening() || next.Owner());
    EXPECT_NE(::access(path.c_str(), F_OK), 0); // a clean end leaves no socket
}
