// The built simulator as a process: ready line, answers on its pty, log file,
// timing of split answers and pacing, hang-up, link and stdin control.
// Every wait has a deadline; the child is ended by its pid in TearDown.
#include "support/Devsim.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int answerWaitMs = 1000;
constexpr int exitWaitMs = 3000;
constexpr int silenceWaitMs = 300; // longer than any answer without a delay fault

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values)
        out.push_back(static_cast<char>(v));
    return out;
}

const std::string read906 = bytes({0x60, 0, 0, 0, 0, 0x03, 0x8A, 0x01, 0, 0, 0});
const std::string answer906 = bytes({0xE0, 0, 0, 0, 0, 0x03, 0x8A, 0x01, 0x00, 0x21});

int remainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

std::string tempPath(const std::string& stem) {
    return "/tmp/ostara-devsim-test-" + std::to_string(getpid()) + "-" + stem;
}

class DevsimProcess : public ::testing::Test {
protected:
    std::unique_ptr<testsupport::Devsim> sim;
    int port = -1; // our side of the pty
    std::string ptyPath;
    std::vector<std::string> filesToRemove;

    void TearDown() override {
        if (port >= 0)
            close(port);
        sim.reset();
        for (const std::string& f : filesToRemove)
            unlink(f.c_str());
    }

    // Starts the simulator with `args` and waits for its ready line.
    void start(const std::vector<std::string>& args) {
        sim = std::make_unique<testsupport::Devsim>(OSTARA_DEVSIM, args);
        ASSERT_TRUE(sim->Ready()) << sim->Failure();
        ptyPath = sim->PtyPath();
        ASSERT_EQ(ptyPath.rfind("/dev/pts/", 0), 0u) << ptyPath;
    }

    // Sends one control command and returns its answer line.
    std::string command(const std::string& line) { return sim->Command(line); }

    void openPort(const std::string& path) {
        port = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(port, 0) << path << ": " << std::strerror(errno);
        termios t{};
        ASSERT_EQ(tcgetattr(port, &t), 0);
        cfmakeraw(&t);
        cfsetispeed(&t, B9600);
        cfsetospeed(&t, B9600);
        ASSERT_EQ(tcsetattr(port, TCSANOW, &t), 0);
        ASSERT_EQ(tcflush(port, TCIOFLUSH), 0);
    }

    void send(const std::string& frame) {
        ASSERT_EQ(write(port, frame.data(), frame.size()), static_cast<ssize_t>(frame.size()));
    }

    struct Piece {
        Clock::time_point at;
        std::string bytes;
    };

    // Reads until `count` bytes arrived or the deadline passed; keeps the
    // arrival time of every piece.
    std::vector<Piece> receive(std::size_t count, int waitMs) {
        std::vector<Piece> pieces;
        std::size_t got = 0;
        const auto deadline = Clock::now() + milliseconds(waitMs);
        while (got < count) {
            pollfd p{port, POLLIN, 0};
            const int left = remainingMs(deadline);
            if (left == 0 || poll(&p, 1, left) <= 0)
                break;
            char buf[512];
            const ssize_t n = read(port, buf, sizeof buf);
            if (n <= 0)
                break;
            pieces.push_back({Clock::now(), std::string(buf, static_cast<std::size_t>(n))});
            got += static_cast<std::size_t>(n);
        }
        return pieces;
    }

    static std::string joined(const std::vector<Piece>& pieces) {
        std::string all;
        for (const Piece& p : pieces)
            all += p.bytes;
        return all;
    }

    std::string exchange(const std::string& frame, std::size_t answerBytes,
                         int waitMs = answerWaitMs) {
        send(frame);
        return joined(receive(answerBytes, waitMs));
    }

    // Waits for the child to end; true when it did (and reaps it).
    bool waitExit(int waitMs, int* status) {
        if (!sim->WaitExit(waitMs))
            return false;
        *status = sim->ExitStatus();
        return true;
    }

    static std::string fileText(const std::string& path) {
        std::ifstream in(path);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

} // namespace

TEST_F(DevsimProcess, AnswersARequestByteExactAndLogsIt) {
    const std::string log = tempPath("log");
    filesToRemove.push_back(log);
    unlink(log.c_str());
    start({"--type", "0x21", "--log", log});
    openPort(ptyPath);
    EXPECT_EQ(exchange(read906, answer906.size()), answer906);

    // A write of the channel register with read-back, sent in two pieces.
    const std::string write910 =
        bytes({0x60, 0, 0, 0, 0, 0x03, 0x8E, 0x01, 0x03, 0x8E, 0x01, 0x00, 0x05});
    send(write910.substr(0, 4));
    EXPECT_EQ(exchange(write910.substr(4), 10),
              bytes({0xE0, 0, 0, 0, 0, 0x03, 0x8E, 0x01, 0x00, 0x05}));

    const std::string text = fileText(log);
    EXPECT_NE(text.find("#1 req=6000000000038A01000000 rsp=E000000000038A010021 locked"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("#2 req=6000000000038E01038E010005 rsp=E000000000038E010005 locked"),
              std::string::npos)
        << text;
}

TEST_F(DevsimProcess, UnlockSequenceOnTheWireAndControlCommands) {
    start({"--type", "0x10", "--set", "1216=100", "--fault", "silence@r1300:always"});
    openPort(ptyPath);
    EXPECT_EQ(command("get 906"), "906=16");
    EXPECT_EQ(command("get 1216"), "1216=100");
    EXPECT_EQ(command("lock?"), "locked");

    const auto write = [&](int reg, int value, int waitMs = answerWaitMs) {
        const std::string frame = bytes({0x60, 0, 0, 0, 0, reg >> 8, reg & 0xFF, 1, reg >> 8,
                                         reg & 0xFF, 1, value >> 8, value & 0xFF});
        return exchange(frame, 10, waitMs);
    };
    // Locked: the table register keeps its value.
    EXPECT_EQ(write(1216, 0x1234), bytes({0xE0, 0, 0, 0, 0, 0x04, 0xC0, 1, 0x00, 100}));
    write(999, 8362);
    EXPECT_EQ(write(999, 9286), bytes({0xE0, 0, 0, 0, 0, 0x03, 0xE7, 1, 0xFF, 0xFF}));
    EXPECT_EQ(command("lock?"), "unlocked");
    EXPECT_EQ(write(1216, 0x1234), bytes({0xE0, 0, 0, 0, 0, 0x04, 0xC0, 1, 0x12, 0x34}));
    write(999, 0);
    EXPECT_EQ(command("lock?"), "locked");

    // The persistent fault from the command line keeps register 1300 silent.
    EXPECT_EQ(write(1300, 1, silenceWaitMs), "");
    EXPECT_EQ(command("clear"), "ok");
    EXPECT_EQ(write(1300, 1).size(), 10u);

    // A fault armed through stdin hits the next request only.
    EXPECT_EQ(command("fault wrong-echo"), "ok wrong-echo@next:once");
    const std::string echoed = exchange(read906, 10);
    ASSERT_EQ(echoed.size(), 10u);
    EXPECT_EQ(echoed[1], 0x01);
    EXPECT_EQ(exchange(read906, 10), bytes({0xE0, 0, 0, 0, 0, 0x03, 0x8A, 1, 0x00, 0x10}));

    EXPECT_EQ(command("quit"), "ok");
    int status = 0;
    ASSERT_TRUE(waitExit(exitWaitMs, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(DevsimProcess, Split120KeepsAGapOfAtLeast100ms) {
    start({"--fault", "split-120@2"});
    openPort(ptyPath);
    EXPECT_EQ(exchange(read906, 10), answer906);
    send(read906);
    const auto pieces = receive(answer906.size(), answerWaitMs);
    ASSERT_EQ(joined(pieces), answer906);
    ASSERT_GE(pieces.size(), 2u);
    // Find the gap between the first and the second half.
    std::size_t got = 0;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        got += pieces[i].bytes.size();
        if (got == answer906.size() / 2) {
            ASSERT_LT(i + 1, pieces.size());
            const auto gap =
                std::chrono::duration_cast<milliseconds>(pieces[i + 1].at - pieces[i].at);
            EXPECT_GE(gap.count(), 100);
            EXPECT_LT(gap.count(), 500);
            return;
        }
    }
    ADD_FAILURE() << "no piece boundary after the first half";
}

TEST_F(DevsimProcess, PacingTakesTheRequestsThenSpreadsTheAnswersOverTheirWireTimes) {
    const std::string read1200 = bytes({0x60, 0, 0, 0, 0, 0x04, 0xB0, 0x10, 0, 0, 0}); // 16 words
    struct Case {
        const char* what;
        std::string sent;
        std::size_t answerBytes;
        int byteTimes; // from the first request byte to the last answer byte
    };
    const std::vector<Case> cases = {
        // Received 11 byte times after its first byte; the answer's last
        // byte leaves 39 byte times after that.
        {"a read of 16 words", read1200, 40, 11 + 39},
        // The second request follows the first on the line (22 byte times);
        // its answer's last byte leaves 9 after that.
        {"two reads written at once", read906 + read906, 20, 22 + 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string log = tempPath("log");
        filesToRemove.push_back(log);
        unlink(log.c_str());
        start({"--pace", "9600", "--log", log});
        openPort(ptyPath);
        const auto sent = Clock::now();
        send(c.sent);
        const auto pieces = receive(c.answerBytes, answerWaitMs);
        ASSERT_EQ(joined(pieces).size(), c.answerBytes);
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::microseconds>(pieces.back().at - sent);
        EXPECT_GE(elapsed.count(), c.byteTimes * 10 * 1000000LL / 9600);
        EXPECT_LT(elapsed.count(), 400000);
        EXPECT_GT(pieces.size(), 1u) << "paced bytes arrive in several pieces";

        // The log tells when the request's first byte came and when it
        // counted as received, on the monotonic clock.
        const std::string text = fileText(log);
        const size_t first = text.find(" first=");
        const size_t received = text.find(" received=");
        ASSERT_NE(received, std::string::npos) << text;
        const double lineMs =
            (std::atof(text.c_str() + received + 10) - std::atof(text.c_str() + first + 7)) *
            1000.0;
        EXPECT_GE(lineMs, 11.4) << text;
        EXPECT_LT(lineMs, 100.0) << text;

        close(port);
        port = -1;
        sim.reset();
    }
}

TEST_F(DevsimProcess, HangupFaultClosesTheLineAndEnds) {
    const std::string link = tempPath("link");
    filesToRemove.push_back(link);
    start({"--link", link, "--fault", "hangup@2"});
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(ptyPath, target);
    openPort(link);
    EXPECT_EQ(exchange(read906, 10), answer906);
    send(read906);

    // The client sees the hang-up: POLLHUP, or a read of 0 or EIO.
    const auto deadline = Clock::now() + milliseconds(2000);
    bool hungUp = false;
    while (!hungUp && remainingMs(deadline) > 0) {
        pollfd p{port, POLLIN, 0};
        if (poll(&p, 1, remainingMs(deadline)) <= 0)
            break;
        if (p.revents & (POLLHUP | POLLERR)) {
            hungUp = true;
            break;
        }
        char c;
        const ssize_t n = read(port, &c, 1);
        hungUp = n == 0 || (n < 0 && errno == EIO);
    }
    EXPECT_TRUE(hungUp);
    int status = 0;
    ASSERT_TRUE(waitExit(exitWaitMs, &status));
    EXPECT_TRUE(WIFEXITED(status));
    struct stat st {};
    EXPECT_NE(lstat(link.c_str(), &st), 0) << "the link is removed at exit";
}

TEST_F(DevsimProcess, StdinEndDoesNotStopItButSigtermDoes) {
    const std::string link = tempPath("link2");
    filesToRemove.push_back(link);
    start({"--link", link});
    sim->CloseInput();
    openPort(ptyPath);
    EXPECT_EQ(exchange(read906, 10), answer906);
    // A client that closes and reopens the port finds the simulator still there.
    close(port);
    port = -1;
    openPort(ptyPath);
    EXPECT_EQ(exchange(read906, 10), answer906);

    kill(sim->Pid(), SIGTERM);
    int status = 0;
    ASSERT_TRUE(waitExit(exitWaitMs, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    struct stat st {};
    EXPECT_NE(lstat(link.c_str(), &st), 0);
}

TEST_F(DevsimProcess, QuitOnEofEndsWithStdin) {
    start({"--quit-on-eof"});
    sim->CloseInput();
    int status = 0;
    ASSERT_TRUE(waitExit(exitWaitMs, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(DevsimProcess, BadArgumentsFailWithoutAReadyLine) {
    testsupport::Devsim bad(OSTARA_DEVSIM, {"--fault", "noise"});
    EXPECT_FALSE(bad.Ready());
    ASSERT_TRUE(bad.WaitExit(exitWaitMs));
    const int status = bad.ExitStatus();
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
}
