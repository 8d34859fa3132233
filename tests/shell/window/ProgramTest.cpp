// The real program as a process: a second start of the same version raises
// the first and ends with 0; a termination request closes it cleanly.
#include "support/LanguageFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct Process {
    pid_t pid = -1;
};

Process Spawn(const fs::path& dir, const fs::path& errFile) {
    Process p;
    p.pid = ::fork();
    if (p.pid == 0) {
        if (::chdir(dir.c_str()) != 0)
            ::_exit(126);
        FILE* err = std::freopen(errFile.c_str(), "w", stderr);
        (void)err;
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("OSTARA_SCRIPTED_DIALOGS", "1", 1);
        ::setenv("LC_ALL", "en_GB.UTF-8", 1);
        ::setenv("TMPDIR", dir.c_str(), 1);
        ::execl(OSTARA_BINARY, OSTARA_BINARY, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return p;
}

// Waits for the process to end; -1 when it did not end before the deadline.
int WaitExit(pid_t pid, int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool WaitFor(const std::function<bool()>& cond, int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!cond() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return cond();
}

} // namespace

TEST(Program, SecondStartRaisesTheFirstAndEnds) {
    const TempDir tmp("ostara-proc");
    const fs::path& dir = tmp.Path();
    const fs::path err1 = dir / "first.err";
    const fs::path err2 = dir / "second.err";
    // A port that does not exist, whatever serial ports this machine has.
    std::ofstream(dir / "ostra.ini") << "[Main]\nSchnittstelle=/nonexistent/ostara-port\n";
    ASSERT_TRUE(testsupport::WriteIdentityLanguageFile(dir));

    Process first = Spawn(dir, err1);
    ASSERT_GT(first.pid, 0);
    // Ready once its first activation has reported the closed port.
    const bool ready =
        WaitFor([&] { return ReadAll(err1).find("$T30023") != std::string::npos; }, 15000);
    if (!ready) {
        ::kill(first.pid, SIGKILL);
        WaitExit(first.pid, 2000);
        FAIL() << "first instance did not come up: " << ReadAll(err1);
    }
    EXPECT_TRUE(fs::is_directory(dir / "Data"));

    Process second = Spawn(dir, err2);
    EXPECT_EQ(WaitExit(second.pid, 15000), 0);
    EXPECT_TRUE(WaitFor(
        [&] { return ReadAll(err1).find("raised by a second start") != std::string::npos; }, 5000));
    // The second start created no window of its own: it never activated.
    EXPECT_EQ(ReadAll(err2).find("$T30023"), std::string::npos);

    ::kill(first.pid, SIGTERM);
    const int code = WaitExit(first.pid, 15000);
    if (code == -1)
        ::kill(first.pid, SIGKILL);
    EXPECT_EQ(code, 0) << ReadAll(err1);
}
