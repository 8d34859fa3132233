// TComPort against pseudo-terminal pairs: the test keeps the master side and
// the port opens the slave path, so every byte and every line setting can be
// observed from the other end.
#include "link/ComPort.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Longest wait for bytes, threads or queued calls to arrive.
constexpr auto arrivalLimit = 2000ms;

// Polls pred until it holds or the limit passes; true when it held.
template <typename Pred> bool WaitUntil(Pred pred, std::chrono::milliseconds limit = arrivalLimit) {
    const auto end = Clock::now() + limit;
    while (!pred()) {
        if (Clock::now() >= end) {
            return pred();
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Same, running the application's queued calls while waiting.
template <typename Pred> bool WaitProcessingEvents(Pred pred) {
    return WaitUntil([&] {
        QCoreApplication::processEvents();
        return pred();
    });
}

pid_t ThreadId() {
    return static_cast<pid_t>(syscall(SYS_gettid));
}

bool ThreadAlive(pid_t tid) {
    return access(("/proc/self/task/" + std::to_string(tid)).c_str(), F_OK) == 0;
}

int OpenFdCount() {
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) {
        return -1;
    }
    int count = 0;
    while (readdir(dir) != nullptr) {
        ++count;
    }
    closedir(dir);
    return count;
}

// A pseudo-terminal pair; the master stays here, the slave path is the port.
class PtyPair {
public:
    PtyPair() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        char name[128] = {};
        if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0 &&
            ptsname_r(master_, name, sizeof name) == 0) {
            slavePath_ = name;
        }
    }
    ~PtyPair() {
        CloseMaster();
        if (observer_ >= 0) {
            close(observer_);
        }
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ok() const { return master_ >= 0 && !slavePath_.empty(); }
    const std::string& SlavePath() const { return slavePath_; }

    // A second descriptor of the slave, opened before the port, to read its termios.
    bool OpenObserver() {
        observer_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        return observer_ >= 0;
    }
    bool SlaveSettings(termios& t) const { return tcgetattr(observer_, &t) == 0; }
    bool SetSlaveSettings(const termios& t) const { return tcsetattr(observer_, TCSANOW, &t) == 0; }

    bool Send(const std::string& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    // Reads until count bytes came or the arrival limit passed.
    std::string Receive(std::size_t count) {
        std::string got;
        const auto end = Clock::now() + arrivalLimit;
        while (got.size() < count && Clock::now() < end) {
            pollfd p{master_, POLLIN, 0};
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
            if (poll(&p, 1, static_cast<int>(left.count()) + 1) <= 0) {
                continue;
            }
            char buffer[256];
            const ssize_t n = read(master_, buffer, std::min(sizeof buffer, count - got.size()));
            if (n > 0) {
                got.append(buffer, static_cast<std::size_t>(n));
            } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
                break;
            }
        }
        return got;
    }

    void CloseMaster() {
        if (master_ >= 0) {
            close(master_);
            master_ = -1;
        }
    }

private:
    int master_ = -1;
    int observer_ = -1;
    std::string slavePath_;
};

// Records what the handlers saw; the handlers run on the event thread.
struct HandlerLog {
    std::atomic<int> rxCalls{0};
    std::atomic<int> lostCalls{0};
    std::atomic<pid_t> rxThread{0};
    std::atomic<pid_t> lostThread{0};
    std::mutex mutex;
    std::string received;
    int lostCode = 0;
    std::string lostMessage;

    std::string Received() {
        std::lock_guard<std::mutex> lock(mutex);
        return received;
    }
};

class ComPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty_.Ok()) << "no pseudo-terminal available";
        port_.SetDeviceName(pty_.SlavePath());
        port_.SetBaudRate(br9600);
        port_.SetDataBits(db8);
        port_.SetParity(paNone);
        port_.SetStopBits(sb1);
    }

    // A receive handler that keeps every byte handed to it, as the
    // protocol's framer does.
    void InstallReadingHandler() {
        port_.SetOnRxChar([this](const std::string& bytes) {
            log_.rxThread = ThreadId();
            {
                std::lock_guard<std::mutex> lock(log_.mutex);
                log_.received += bytes;
            }
            ++log_.rxCalls;
        });
    }

    void InstallLostHandler() {
        port_.SetOnLost([this](const EComError& error) {
            log_.lostThread = ThreadId();
            {
                std::lock_guard<std::mutex> lock(log_.mutex);
                log_.lostCode = error.Code();
                log_.lostMessage = error.what();
            }
            ++log_.lostCalls;
        });
    }

    PtyPair pty_;
    HandlerLog log_;
    TComPort port_;
};

constexpr int anyCode = -1;

void ExpectComError(const std::function<void()>& action, int code, const std::string& text) {
    try {
        action();
        ADD_FAILURE() << "no EComError";
    } catch (const EComError& e) {
        if (code != anyCode) {
            EXPECT_EQ(e.Code(), code) << e.what();
        }
        EXPECT_NE(std::string(e.what()).find(text), std::string::npos) << e.what();
    }
}

} // namespace

TEST(ComPortNames, DevicePathForMapsComNamesAndKeepsPaths) {
    EXPECT_EQ(DevicePathFor("COM1"), "/dev/ttyS0");
    EXPECT_EQ(DevicePathFor("com12"), "/dev/ttyS11");
    EXPECT_EQ(DevicePathFor("Com2"), "/dev/ttyS1");
    EXPECT_EQ(DevicePathFor("\\\\.\\COM3"), "/dev/ttyS2");
    EXPECT_EQ(DevicePathFor("/dev/pts/5"), "/dev/pts/5");
    EXPECT_EQ(DevicePathFor("/dev/ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(DevicePathFor("COM0"), "");
    EXPECT_EQ(DevicePathFor("LPT1"), "");
    EXPECT_EQ(DevicePathFor(""), "");
    EXPECT_EQ(DevicePathFor("COM"), "");
    EXPECT_EQ(DevicePathFor("COM1x"), "");
    EXPECT_EQ(DevicePathFor("COM-1"), "");
    EXPECT_EQ(DevicePathFor("ttyS0"), "");
}

TEST(ComPortNames, BaudRateValueFollowsTheMemberNames) {
    EXPECT_EQ(BaudRateValue(brDefault), 0);
    EXPECT_EQ(BaudRateValue(br50), 50);
    EXPECT_EQ(BaudRateValue(br2000), 2000);
    EXPECT_EQ(BaudRateValue(br9600), 9600);
    EXPECT_EQ(BaudRateValue(br15625), 15625);
    EXPECT_EQ(BaudRateValue(br115200), 115200);
    EXPECT_EQ(BaudRateValue(br256000), 256000);
    EXPECT_EQ(BaudRateValue(brCustom), 0);
}

// After a receive event whose handler needs more bytes the event thread lets
// their time pass before it reads again: never the time of the byte that
// completes a frame, never more than half the quiet interval.
TEST(ComPortLine, BatchWaitLeavesTheCompletingByteAndStaysInsideTheQuietInterval) {
    const std::int64_t slow = LineByteTimeNs(9600, 8, false, 1); // 10 bits
    const std::int64_t fast = LineByteTimeNs(115200, 8, false, 1);
    const struct {
        std::size_t expected;
        bool completes;
        std::int64_t byteNs;
        std::chrono::milliseconds quiet;
        std::size_t bytes; // 0: no wait, the next byte is taken as it comes
    } cases[] = {
        {1, true, slow, 40ms, 0},  {2, true, slow, 40ms, 0},    {2, false, slow, 40ms, 2},
        {8, true, slow, 40ms, 7},  {100, true, slow, 40ms, 19}, {100, true, slow, 0ms, 19},
        {100, true, slow, 2ms, 0}, {100, true, fast, 40ms, 99}, {100, true, 0, 40ms, 0},
    };
    for (const auto& c : cases) {
        const ReceiveBatch plan = PlanReceiveBatch(c.expected, c.completes, c.byteNs, c.quiet);
        EXPECT_EQ(plan.bytes, c.bytes) << c.expected << " at " << c.byteNs;
        EXPECT_EQ(plan.wait.count(), static_cast<std::int64_t>(c.bytes) * c.byteNs);
    }
}

TEST(ComPortClosed, NewPortIsClosedAndRefusesTransfers) {
    std::unique_ptr<SerialPort> port = MakeComPort();
    EXPECT_FALSE(port->GetActive());
    EXPECT_EQ(port->DeviceName(), "COM1");
    EXPECT_EQ(port->InputCount(), 0);
    port->PurgeInput(); // nothing happens on a closed port
    port->ClearOutput();
    port->Close();
    const char bytes[] = "x";
    ExpectComError([&] { port->Write(bytes, 1, false); }, 0,
                   "Can't perform this operation on a closed port");
    ExpectComError([&] { port->ReadString(); }, 0, "Can't perform this operation on a closed port");
}

TEST(ComPortClosed, OpenFailuresLeaveThePortClosedWithoutLeaks) {
    TComPort port;
    const int fdsBefore = OpenFdCount();

    port.SetDeviceName("/dev/does-not-exist");
    ExpectComError([&] { port.Open(); }, ENOENT, std::strerror(ENOENT));
    ExpectComError([&] { port.Open(); }, ENOENT, "/dev/does-not-exist");
    EXPECT_FALSE(port.GetActive());

    port.SetDeviceName("LPT1");
    ExpectComError([&] { port.Open(); }, 0, "LPT1");
    EXPECT_FALSE(port.GetActive());

    // Opened, then refused: the descriptor must be released.
    port.SetDeviceName("/dev/null");
    ExpectComError([&] { port.Open(); }, ENOTTY, "/dev/null");
    EXPECT_FALSE(port.GetActive());

    EXPECT_EQ(OpenFdCount(), fdsBefore);
}

TEST_F(ComPortTest, OpenCloseReopen) {
    port_.Open();
    EXPECT_TRUE(port_.GetActive());
    port_.Open(); // no effect while active
    EXPECT_TRUE(port_.GetActive());
    port_.Close();
    EXPECT_FALSE(port_.GetActive());
    port_.Close();
    EXPECT_FALSE(port_.GetActive());

    // Reopening needs the exclusive mode and the lock of the first opening released.
    port_.Open();
    ASSERT_TRUE(port_.GetActive());
    ASSERT_TRUE(pty_.Send("ok"));
    EXPECT_TRUE(WaitUntil([&] { return port_.InputCount() == 2; }));
    EXPECT_EQ(port_.ReadString(), "ok");
}

TEST_F(ComPortTest, SecondPortOnTheSamePathIsRefused) {
    port_.Open();
    TComPort second;
    second.SetDeviceName(pty_.SlavePath());
    try {
        second.Open();
        ADD_FAILURE() << "second open succeeded";
    } catch (const EComError& e) {
        EXPECT_NE(e.Code(), 0);
        EXPECT_NE(std::string(e.what()).find(pty_.SlavePath()), std::string::npos) << e.what();
    }
    EXPECT_FALSE(second.GetActive());

    // The refused opener did not disturb the owner.
    ASSERT_TRUE(pty_.Send("still mine"));
    EXPECT_TRUE(WaitUntil([&] { return port_.InputCount() == 10; }));
    EXPECT_EQ(port_.ReadString(), "still mine");

    port_.Close();
    second.Open();
    EXPECT_TRUE(second.GetActive());
}

TEST_F(ComPortTest, DeviceNameIsFixedWhileOpen) {
    port_.Open();
    port_.SetDeviceName(pty_.SlavePath()); // unchanged name: accepted
    ExpectComError([&] { port_.SetDeviceName("COM2"); }, 0,
                   "Can't perform this operation on an open port");
    EXPECT_EQ(port_.DeviceName(), pty_.SlavePath());
    port_.Close();
    port_.SetDeviceName("COM2");
    EXPECT_EQ(port_.DeviceName(), "COM2");
}

TEST_F(ComPortTest, LineSettingsAppliedAtOnceAndRestoredOnClose) {
    ASSERT_TRUE(pty_.OpenObserver());
    termios before{};
    ASSERT_TRUE(pty_.SlaveSettings(before));
    ASSERT_TRUE(before.c_lflag & ICANON) << "a fresh terminal starts in canonical mode";

    port_.Open();
    termios t{};
    ASSERT_TRUE(pty_.SlaveSettings(t));
    EXPECT_EQ(cfgetospeed(&t), speed_t(B9600));
    EXPECT_EQ(cfgetispeed(&t), speed_t(B9600));
    EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(t.c_cflag & PARENB, 0u);
    EXPECT_EQ(t.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_cc[VMIN], 0);
    EXPECT_EQ(t.c_cc[VTIME], 0);

    port_.SetBaudRate(br19200);
    ASSERT_TRUE(pty_.SlaveSettings(t));
    EXPECT_EQ(cfgetospeed(&t), speed_t(B19200));
    EXPECT_EQ(port_.GetBaudRate(), br19200);

    port_.Close();
    ASSERT_TRUE(pty_.SlaveSettings(t));
    EXPECT_EQ(cfgetospeed(&t), cfgetospeed(&before));
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO), before.c_lflag & (ICANON | ECHO));

    // While closed the value is only stored and applies at the next open.
    port_.SetBaudRate(br4800);
    ASSERT_TRUE(pty_.SlaveSettings(t));
    EXPECT_EQ(cfgetospeed(&t), cfgetospeed(&before));
    port_.Open();
    ASSERT_TRUE(pty_.SlaveSettings(t));
    EXPECT_EQ(cfgetospeed(&t), speed_t(B4800));
}

TEST_F(ComPortTest, LineTheDriverDoesNotKeepIsRefused) {
    ASSERT_TRUE(pty_.OpenObserver());
    // Pseudo-terminals keep 8 data bits without parity whatever is asked
    // (the kernel either refuses or ignores it), so parity must be reported
    // as refused. Skip where the kernel keeps it.
    termios original{};
    ASSERT_TRUE(pty_.SlaveSettings(original));
    termios withParity = original;
    withParity.c_cflag |= PARENB;
    termios readBack{};
    pty_.SetSlaveSettings(withParity);
    ASSERT_TRUE(pty_.SlaveSettings(readBack));
    pty_.SetSlaveSettings(original);
    if (readBack.c_cflag & PARENB) {
        GTEST_SKIP() << "this kernel keeps parity on pseudo-terminals";
    }

    port_.Open();
    ExpectComError([&] { port_.SetParity(paEven); }, anyCode, "line settings of");
    EXPECT_EQ(port_.GetParity(), paNone);
    ASSERT_TRUE(port_.GetActive());
    port_.SetBaudRate(br38400); // the earlier refusal left nothing behind that fails now
    termios t{};
    ASSERT_TRUE(pty_.SlaveSettings(t));
    EXPECT_EQ(cfgetospeed(&t), speed_t(B38400));

    port_.Close();
    port_.SetParity(paOdd); // stored; the driver refuses it at the open
    ExpectComError([&] { port_.Open(); }, anyCode, "line settings of");
    EXPECT_FALSE(port_.GetActive());
    ASSERT_TRUE(pty_.SlaveSettings(t));
    EXPECT_TRUE(t.c_lflag & ICANON) << "a failed open restores the saved settings";
}

TEST_F(ComPortTest, UnsupportedLineValuesAreRefusedByOpen) {
    const int fdsBefore = OpenFdCount();
    port_.SetDataBits(db4);
    ExpectComError([&] { port_.Open(); }, 0, "4 data bits");
    EXPECT_FALSE(port_.GetActive());
    port_.SetDataBits(db8);

    port_.SetBaudRate(br14400);
    ExpectComError([&] { port_.Open(); }, 0, "14400");
    EXPECT_FALSE(port_.GetActive());
    port_.SetBaudRate(br9600);

    port_.SetStopBits(sb1_5);
    ExpectComError([&] { port_.Open(); }, 0, "1.5 stop bits");
    EXPECT_FALSE(port_.GetActive());
    port_.SetStopBits(sb1);
    EXPECT_EQ(OpenFdCount(), fdsBefore);

    port_.Open();
    EXPECT_TRUE(port_.GetActive());
    // Refused while open: the setting and the open line stay as they were.
    ExpectComError([&] { port_.SetBaudRate(br56000); }, 0, "56000");
    EXPECT_EQ(port_.GetBaudRate(), br9600);
    EXPECT_TRUE(port_.GetActive());
}

TEST_F(ComPortTest, ReadStringWithNothingWaitingReturnsAtOnce) {
    port_.Open();
    const auto start = Clock::now();
    EXPECT_EQ(port_.ReadString(), "");
    EXPECT_EQ(port_.InputCount(), 0);
    EXPECT_LT(Clock::now() - start, 200ms);
}

TEST_F(ComPortTest, InputCountAndReadStringWithoutHandler) {
    port_.Open();
    const std::string bytes("\xE0\x00\x01\r\n\xFF", 6);
    ASSERT_TRUE(pty_.Send(bytes));
    EXPECT_TRUE(WaitUntil([&] { return port_.InputCount() == 6; })) << port_.InputCount();
    EXPECT_EQ(port_.ReadString(), bytes) << "the line must pass every byte unchanged";
    EXPECT_EQ(port_.InputCount(), 0);
    EXPECT_EQ(port_.ReadString(), "");
}

TEST_F(ComPortTest, PurgeDropsWaitingInput) {
    port_.Open();
    ASSERT_TRUE(pty_.Send("stale"));
    ASSERT_TRUE(WaitUntil([&] { return port_.InputCount() == 5; }));
    port_.PurgeInput();
    EXPECT_EQ(port_.InputCount(), 0);
    EXPECT_EQ(port_.ReadString(), "");

    // With the event thread the bytes go to the handler, which may drop
    // them: nothing is left to purge or to read.
    std::atomic<int> calls{0};
    port_.SetOnRxChar([&](const std::string&) { ++calls; });
    ASSERT_TRUE(pty_.Send("old"));
    ASSERT_TRUE(WaitUntil([&] { return calls.load() >= 1; }));
    EXPECT_EQ(port_.InputCount(), 0);
    port_.ClearInput();
    EXPECT_EQ(port_.ReadString(), "");
    port_.Close();
}

// The event thread reads the bytes and hands them over: each byte reaches the
// handler once, and no second read through ReadString finds it again.
TEST_F(ComPortTest, BytesAreHandedToTheHandlerOnceWithoutRepeatedEvents) {
    InstallReadingHandler();
    port_.Open();
    ASSERT_TRUE(pty_.Send("abc"));
    ASSERT_TRUE(WaitUntil([&] { return log_.rxCalls.load() >= 1; }));
    ASSERT_TRUE(pty_.Send("de"));
    ASSERT_TRUE(WaitUntil([&] { return log_.Received().size() >= 5; }));
    EXPECT_EQ(log_.Received(), "abcde");
    // One event per arrival; a thread that kept waking would have counted
    // far more.
    EXPECT_LE(log_.rxCalls.load(), 4);
    EXPECT_EQ(port_.InputCount(), 0);
    EXPECT_EQ(port_.ReadString(), "");
    port_.Close();
}

// A pause is reported when the line was quiet for the interval, never because
// the event thread was kept back (a handler that takes long, a busy machine):
// the received bytes with "." for each quiet report, in the order they came.
TEST_F(ComPortTest, QuietIsReportedForPausesOnTheLineOnly) {
    std::mutex mutex;
    std::string events;
    std::atomic<bool> holding{false};
    auto add = [&](const std::string& what) {
        std::lock_guard<std::mutex> lock(mutex);
        events += what;
    };
    auto seen = [&] {
        std::lock_guard<std::mutex> lock(mutex);
        return events;
    };
    port_.SetOnQuiet(40, [&] { add("."); });
    port_.SetOnRxChar([&](const std::string& bytes) {
        add(bytes);
        if (bytes == "ab") {
            holding = true;
            std::this_thread::sleep_for(150ms);
        }
    });
    port_.Open();
    ASSERT_TRUE(pty_.Send("ab"));
    ASSERT_TRUE(WaitUntil([&] { return holding.load(); }));
    ASSERT_TRUE(pty_.Send("cd")); // right behind, while the thread is kept back
    ASSERT_TRUE(WaitUntil([&] { return seen() == "abcd."; })) << seen();
    // The sender pauses: reported between the pieces, once per pause.
    ASSERT_TRUE(pty_.Send("e"));
    ASSERT_TRUE(WaitUntil([&] { return seen() == "abcd.e."; })) << seen();
    ASSERT_TRUE(pty_.Send("f"));
    ASSERT_TRUE(WaitUntil([&] { return seen() == "abcd.e.f."; })) << seen();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(seen(), "abcd.e.f.");
    port_.Close();
}

// While the thread waits for a batch a sender that stops is still a pause
// after the quiet interval, reported once; nothing is lost or reordered.
TEST_F(ComPortTest, BatchedReadingStillReportsAPauseAndLosesNothing) {
    const std::string frame = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd";
    std::mutex mutex;
    std::string events; // the bytes, "." for each quiet report
    auto seen = [&] {
        std::lock_guard<std::mutex> lock(mutex);
        return events;
    };
    port_.SetOnQuiet(40, [&] {
        std::lock_guard<std::mutex> lock(mutex);
        events += ".";
    });
    port_.SetOnRxChar([&](const std::string& bytes) {
        std::lock_guard<std::mutex> lock(mutex);
        events += bytes;
        const std::size_t got = events.size() - std::count(events.begin(), events.end(), '.');
        port_.ExpectBytes(frame.size() - got, true);
    });
    port_.Open();
    ASSERT_TRUE(pty_.Send(frame.substr(0, 12)));
    ASSERT_TRUE(WaitUntil([&] { return seen() == frame.substr(0, 12) + "."; })) << seen();
    ASSERT_TRUE(pty_.Send(frame.substr(12)));
    const std::string all = frame.substr(0, 12) + "." + frame.substr(12) + ".";
    ASSERT_TRUE(WaitUntil([&] { return seen() == all; })) << seen();
    port_.Close();
}

TEST_F(ComPortTest, WriteSendsBytesUnchanged) {
    const char bytes[] = {'\x60', '\n', '\0', '\r', '\xFF'};
    ExpectComError([&] { port_.Write(bytes, 5, false); }, 0,
                   "Can't perform this operation on a closed port");
    port_.Open();
    port_.Write(bytes, 5, false);
    EXPECT_EQ(pty_.Receive(5), std::string(bytes, 5));
    port_.Write(bytes, 3, true);
    EXPECT_EQ(pty_.Receive(3), std::string(bytes, 3));
    port_.PurgeOutput();
    port_.Write(bytes, 0, false);
}

TEST_F(ComPortTest, RxHandlerRunsOnTheEventThread) {
    InstallReadingHandler();
    port_.Open();
    ASSERT_TRUE(pty_.Send("hello"));
    ASSERT_TRUE(WaitUntil([&] { return log_.Received() == "hello"; })) << log_.Received();
    EXPECT_NE(log_.rxThread.load(), ThreadId());
    EXPECT_TRUE(ThreadAlive(log_.rxThread));

    // A response arriving in pieces is delivered completely and in order.
    ASSERT_TRUE(pty_.Send(std::string("\xE0\x00", 2)));
    ASSERT_TRUE(pty_.Send("\x01\x02"));
    EXPECT_TRUE(WaitUntil([&] { return log_.Received().size() == 9; }));
    EXPECT_EQ(log_.Received(), std::string("hello\xE0\x00\x01\x02", 9));
}

TEST_F(ComPortTest, EventThreadFollowsTheReceiveHandler) {
    port_.Open();
    InstallReadingHandler(); // on the open port: starts the thread
    ASSERT_TRUE(pty_.Send("1"));
    ASSERT_TRUE(WaitUntil([&] { return log_.rxCalls.load() >= 1; }));
    const pid_t first = log_.rxThread;
    ASSERT_TRUE(ThreadAlive(first));

    port_.SetOnRxChar(nullptr); // stops and joins it
    EXPECT_FALSE(ThreadAlive(first));
    ASSERT_TRUE(pty_.Send("22"));
    EXPECT_TRUE(WaitUntil([&] { return port_.InputCount() == 2; }));
    EXPECT_EQ(port_.ReadString(), "22");

    InstallReadingHandler();
    ASSERT_TRUE(pty_.Send("3"));
    ASSERT_TRUE(WaitUntil([&] { return log_.Received() == "13"; })) << log_.Received();
    const pid_t second = log_.rxThread;
    port_.Close();
    EXPECT_FALSE(ThreadAlive(second));
}

TEST_F(ComPortTest, HangUpIsReportedOnceAndEndsTheEventThread) {
    InstallReadingHandler();
    InstallLostHandler();
    port_.Open();
    ASSERT_TRUE(pty_.Send("x"));
    ASSERT_TRUE(WaitUntil([&] { return log_.rxCalls.load() >= 1; }));
    const pid_t eventThread = log_.rxThread;
    const int rxCallsBefore = log_.rxCalls;

    pty_.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return log_.lostCalls.load() >= 1; }));
    EXPECT_EQ(log_.lostThread.load(), eventThread);
    EXPECT_TRUE(WaitUntil([&] { return !ThreadAlive(eventThread); }))
        << "the event thread must end, not poll a dead device";
    EXPECT_EQ(log_.lostCalls.load(), 1);
    EXPECT_LE(log_.rxCalls.load(), rxCallsBefore + 1);
    {
        std::lock_guard<std::mutex> lock(log_.mutex);
        EXPECT_EQ(log_.lostCode, EIO);
        EXPECT_NE(log_.lostMessage.find(pty_.SlavePath()), std::string::npos) << log_.lostMessage;
    }

    // Lost but not yet closed: transfers fail, the count is quiet.
    EXPECT_TRUE(port_.GetActive());
    EXPECT_TRUE(port_.Lost());
    const char byte = 'y';
    ExpectComError([&] { port_.Write(&byte, 1, false); }, EIO, pty_.SlavePath());
    ExpectComError([&] { port_.ReadString(); }, EIO, pty_.SlavePath());
    EXPECT_EQ(port_.InputCount(), 0);

    // The close arrives on the application thread.
    EXPECT_TRUE(WaitProcessingEvents([&] { return !port_.GetActive(); }));
    EXPECT_FALSE(port_.Lost());
    EXPECT_EQ(log_.lostCalls.load(), 1);
}

TEST_F(ComPortTest, CloseFromTheHandlerIsHandedToTheApplicationThread) {
    std::atomic<int> stillActive{-1};
    port_.SetOnRxChar([&](const std::string&) {
        port_.Close(); // must neither join itself nor deadlock
        stillActive = port_.GetActive() ? 1 : 0;
    });
    port_.Open();
    ASSERT_TRUE(pty_.Send("bye"));
    ASSERT_TRUE(WaitUntil([&] { return stillActive.load() != -1; }));
    EXPECT_EQ(stillActive.load(), 1);
    EXPECT_TRUE(WaitProcessingEvents([&] { return !port_.GetActive(); }));
}

TEST_F(ComPortTest, LateCloseNeverTouchesADestroyedOrReopenedPort) {
    // Destroyed before the queued close runs.
    {
        auto port = std::make_unique<TComPort>();
        std::atomic<int> lost{0};
        port->SetDeviceName(pty_.SlavePath());
        port->SetOnRxChar([](const std::string&) {});
        port->SetOnLost([&](const EComError&) { ++lost; });
        port->Open();
        pty_.CloseMaster();
        ASSERT_TRUE(WaitUntil([&] { return lost.load() == 1; }));
        port.reset();
        QCoreApplication::processEvents();
    }

    // Closed and opened on another device before the queued close runs.
    PtyPair first;
    ASSERT_TRUE(first.Ok());
    PtyPair second;
    ASSERT_TRUE(second.Ok());
    std::atomic<int> lost{0};
    InstallReadingHandler();
    port_.SetDeviceName(first.SlavePath());
    port_.SetOnLost([&](const EComError&) { ++lost; });
    port_.Open();
    first.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return lost.load() == 1; }));
    port_.Close();
    port_.SetDeviceName(second.SlavePath());
    port_.Open();
    QCoreApplication::processEvents();
    EXPECT_TRUE(port_.GetActive());
    ASSERT_TRUE(second.Send("alive"));
    EXPECT_TRUE(WaitUntil([&] { return log_.Received() == "alive"; })) << log_.Received();
    EXPECT_EQ(lost.load(), 1);
    port_.Close(); // before the handlers' counters go out of scope
}
