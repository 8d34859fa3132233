// The real program as a process: a second start of the same version on the
// same display raises the first and ends with 0, however many start at once
// and however busy the first is; a killed copy blocks nothing; a termination
// request closes a copy cleanly.
#include "support/FileText.h"
#include "support/LanguageFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

bool WaitFor(const std::function<bool()>& cond, int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!cond() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return cond();
}

// Copies of the program started in one program folder on one display;
// whatever still runs at the end is killed.
class ProgramCopies : public ::testing::Test {
protected:
    void SetUp() override {
        // A port that does not exist, whatever serial ports this machine has.
        std::ofstream(dir_ / "ostra.ini") << "[Main]\nSchnittstelle=/nonexistent/ostara-port\n";
        ASSERT_TRUE(testsupport::WriteIdentityLanguageFile(dir_));
    }
    void TearDown() override {
        for (size_t n = 0; n < copies_.size(); ++n)
            if (Running(n)) {
                ::kill(copies_[n].pid, SIGKILL);
                WaitEnd(n, 5000);
            }
    }

    // Starts another copy and returns its number.
    size_t Start() {
        const fs::path err = dir_ / ("copy" + std::to_string(copies_.size()) + ".err");
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (::chdir(dir_.c_str()) != 0 || !std::freopen(err.c_str(), "w", stderr))
                ::_exit(126);
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            ::setenv("OSTARA_SCRIPTED_DIALOGS", "1", 1);
            ::setenv("LC_ALL", "en_GB.UTF-8", 1);
            ::setenv("TMPDIR", dir_.c_str(), 1);
            // The instance scope of this test alone: its own runtime folder.
            ::setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
            ::setenv("DISPLAY", ":0", 1);
            ::unsetenv("WAYLAND_DISPLAY");
            ::execl(OSTARA_BINARY, OSTARA_BINARY, static_cast<char*>(nullptr));
            ::_exit(127);
        }
        copies_.push_back({pid, err});
        return copies_.size() - 1;
    }
    bool Running(size_t n) {
        Copy& c = copies_[n];
        if (c.code != kRunning)
            return false;
        int status = 0;
        if (::waitpid(c.pid, &status, WNOHANG) != c.pid)
            return true;
        c.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return false;
    }
    // The exit code of copy n, or kRunning when it did not end within ms.
    int WaitEnd(size_t n, int ms) {
        WaitFor([&] { return !Running(n); }, ms);
        return copies_[n].code;
    }
    std::string Err(size_t n) const { return testsupport::FileText(copies_[n].err); }
    // Whether copy n has come up: its first activation reported the closed port.
    bool Up(size_t n) const { return Err(n).find("$T30023") != std::string::npos; }
    bool WaitUp(size_t n) const {
        return WaitFor([&] { return Up(n); }, 15000);
    }
    // How often copy n was raised by a later start.
    int Raises(size_t n) const {
        const std::string err = Err(n), line = "raised by a second start";
        int count = 0;
        for (size_t at = err.find(line); at != std::string::npos; at = err.find(line, at + 1))
            ++count;
        return count;
    }
    // Ends a running copy as the desktop does and returns its exit code.
    int Terminate(size_t n) {
        ::kill(copies_[n].pid, SIGTERM);
        return WaitEnd(n, 15000);
    }

    static constexpr int kRunning = -1;
    struct Copy {
        pid_t pid;
        fs::path err;
        int code = kRunning;
    };
    TempDir tmp_{"ostara-copies"};
    const fs::path& dir_ = tmp_.Path();
    std::vector<Copy> copies_;
};

} // namespace

// Stopped, the first copy answers nothing: a second start ends anyway, and
// the first finds the request once it runs again.
TEST_F(ProgramCopies, SecondStartRaisesTheFirstAndEnds) {
    const size_t first = Start();
    ASSERT_TRUE(WaitUp(first)) << "first instance did not come up: " << Err(first);
    EXPECT_TRUE(fs::is_directory(dir_ / "Data"));

    for (const bool busy : {false, true}) {
        SCOPED_TRACE(busy ? "busy" : "idle");
        if (busy)
            ::kill(copies_[first].pid, SIGSTOP);
        const auto stopped = std::chrono::steady_clock::now();
        const size_t second = Start();
        const int code = WaitEnd(second, 15000);
        if (busy) {
            std::this_thread::sleep_until(stopped + std::chrono::seconds(2));
            ::kill(copies_[first].pid, SIGCONT);
        }
        EXPECT_EQ(code, 0) << Err(second);
        EXPECT_TRUE(WaitFor([&] { return Raises(first) == (busy ? 2 : 1); }, 5000));
        // The second start created no window of its own: it never activated.
        EXPECT_FALSE(Up(second));
    }
    EXPECT_EQ(Terminate(first), 0) << Err(first);
}

TEST_F(ProgramCopies, SimultaneousStartsRunOneCopyAndAKilledOneBlocksNothing) {
    constexpr size_t kStarts = 5;
    for (size_t i = 0; i < kStarts; ++i)
        Start();
    // A loaded machine: for a while the copies get a tenth of the time, so
    // the first to run is slow to answer the later starts.
    const auto loadEnd = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < loadEnd) {
        for (const int signal : {SIGSTOP, SIGCONT}) {
            for (size_t i = 0; i < kStarts; ++i)
                if (Running(i))
                    ::kill(copies_[i].pid, signal);
            std::this_thread::sleep_for(std::chrono::milliseconds(signal == SIGSTOP ? 45 : 5));
        }
    }
    // All but one end by themselves, with 0; the one left comes up and stays.
    std::vector<size_t> running;
    WaitFor(
        [&] {
            running.clear();
            for (size_t i = 0; i < kStarts; ++i)
                if (Running(i))
                    running.push_back(i);
            return running.size() <= 1;
        },
        30000);
    ASSERT_EQ(running.size(), 1u);
    const size_t survivor = running[0];
    EXPECT_TRUE(WaitUp(survivor)) << Err(survivor);
    for (size_t i = 0; i < kStarts; ++i)
        if (i != survivor) {
            EXPECT_EQ(copies_[i].code, 0) << Err(i);
            EXPECT_FALSE(Up(i)) << "copy " << i << " came up as well";
        }

    // Killed, the survivor leaves nothing that keeps the next start from running.
    ::kill(copies_[survivor].pid, SIGKILL);
    EXPECT_EQ(WaitEnd(survivor, 5000), 128 + SIGKILL);
    const size_t next = Start();
    EXPECT_TRUE(WaitUp(next)) << Err(next);
    EXPECT_EQ(Terminate(next), 0);
}
