// TMop over an in-memory port: the request bytes, the answer checks, the
// retries with write data, time-outs, gaps, faults of the port, busy
// exchanges and what lands in the error log.
#include "link/Mop.h"
#include "link/MemoryPort.h"
#include "platform/Application.h"
#include "shell/LogFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include <sys/resource.h>
#include <unistd.h>

using namespace std::chrono_literals;
using testframes::Answer;
using testframes::Bytes;

namespace {

using Clock = std::chrono::steady_clock;

long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// CPU time of the calling thread.
std::chrono::nanoseconds ThreadCpuTime() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
}

// How often the calling thread went to sleep and was woken.
long Wakeups() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

const std::string kRead906 = Bytes({0x60, 0, 0, 0, 0, 0x03, 0x8A, 0x01, 0, 0, 0});
const std::string kAnswer906 = Bytes({0xE0, 0, 0, 0, 0, 0x03, 0x8A, 0x01, 0x00, 0x21});

// A MOP master on a MemoryPort (opened) with its log in a fresh temp folder.
class MopFixture : public ::testing::Test {
protected:
    void SetUp() override {
        log_ = std::make_unique<TLogFile>("Error.txt", folder_.string());
        auto port = std::make_unique<MemoryPort>();
        port_ = port.get();
        mop_ = std::make_unique<TMop>(log_.get(), std::move(port));
        mop_->SetResponseTimeout(200);
        mop_->Open();
        SetUpRead(906, 1);
    }

    void TearDown() override {
        mop_.reset();
        log_.reset();
    }

    // A pure read as the program's callers set it up.
    void SetUpRead(uint16_t first, uint8_t count) {
        mop_->SetHeader(0x60);
        mop_->SetAddress1(0);
        mop_->SetAddress2(0);
        mop_->SetAddress3(0);
        mop_->SetAddress4(0);
        mop_->SetReadAddress(first);
        mop_->SetReadCount(count);
        mop_->SetWriteAddress(0);
        mop_->SetWriteCount(0);
    }

    // Every request is answered at once with these bytes, one receive event each.
    void AnswerWith(std::vector<std::string> pieces) {
        port_->SetResponder([pieces](MemoryPort& port, const std::string&) {
            for (const std::string& piece : pieces)
                port.Deliver(piece);
        });
    }

    std::string LogText() const {
        std::ifstream in(folder_ / "Error.txt", std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // The messages of the log in order; a blank line gives "". Fails the test
    // on a line that is neither a dated line nor a blank line.
    std::vector<std::string> LogMessages() const {
        static const std::regex dated(
            R"(\d{4}\.\d{2}\.\d{2}    \d{2}:\d{2}:\d{2}     \* ([^\r\n]*) \* )");
        const std::string text = LogText();
        std::vector<std::string> messages;
        size_t pos = 0;
        while (pos < text.size()) {
            const size_t end = text.find("\r\n", pos);
            if (end == std::string::npos) {
                ADD_FAILURE() << "log does not end with CR LF: " << text.substr(pos);
                break;
            }
            const std::string line = text.substr(pos, end - pos);
            std::smatch m;
            if (line == " ")
                messages.emplace_back();
            else if (std::regex_match(line, m, dated))
                messages.push_back(m[1]);
            else
                ADD_FAILURE() << "unexpected log line: " << line;
            pos = end + 2;
        }
        return messages;
    }

    TempDir tmp_{"ostara-mop"};
    const std::filesystem::path& folder_ = tmp_.Path();
    std::unique_ptr<TLogFile> log_;
    MemoryPort* port_ = nullptr;
    std::unique_ptr<TMop> mop_;
};

using MopRequestTest = MopFixture;
using MopAnswerTest = MopFixture;
using MopWriteTest = MopFixture;
using MopStatusTest = MopFixture;

// --- the request and the data words ------------------------------------

TEST_F(MopRequestTest, ConstructionSetsTheLineAndLeavesThePortClosed) {
    auto port = std::make_unique<MemoryPort>();
    MemoryPort& raw = *port;
    TMop mop(nullptr, std::move(port));
    EXPECT_FALSE(mop.IsOpen());
    EXPECT_EQ(raw.BaudRate(), br9600);
    EXPECT_EQ(raw.DataBits(), db8);
    EXPECT_EQ(raw.Parity(), paNone);
    EXPECT_EQ(raw.StopBits(), sb1);
}

TEST_F(MopRequestTest, ReadOfRegister906SendsElevenBytesAndHandsOutOneWord) {
    AnswerWith({kAnswer906});
    ASSERT_FALSE(mop_->Transact());
    ASSERT_EQ(port_->Requests(), std::vector<std::string>{kRead906});
    EXPECT_EQ(mop_->Request(), kRead906);
    EXPECT_EQ(mop_->Status(), TMop::StatusOk);
    EXPECT_EQ(mop_->Error(), TMop::ErrorNone);
    EXPECT_EQ(mop_->GetResponseHeader(), 0xE0);
    uint32_t reg = 0;
    EXPECT_FALSE(mop_->GetResponseAddress(reg));
    EXPECT_EQ(reg, 906u);
    EXPECT_EQ(mop_->GetResponseCount(), 1);
    uint32_t value = 0;
    EXPECT_FALSE(mop_->NextDataWord(value));
    EXPECT_EQ(value, 0x0021u);
    value = 0xDEAD;
    EXPECT_TRUE(mop_->NextDataWord(value));
    EXPECT_EQ(value, 0xDEADu) << "a failed NextDataWord leaves the value alone";
    EXPECT_TRUE(LogText().empty());
}

TEST_F(MopRequestTest, FiftyWordsAreHandedOutExactlyFiftyTimesAndAgainAfterTheNextExchange) {
    std::vector<uint16_t> words;
    for (int i = 0; i < 50; ++i)
        words.push_back(static_cast<uint16_t>(0x1000 + i * 0x0101));
    SetUpRead(1000, 50);
    AnswerWith({Answer(1000, words)});
    for (int round = 0; round < 2; ++round) {
        ASSERT_FALSE(mop_->Transact()) << "round " << round;
        EXPECT_EQ(port_->Requests().back(), Bytes({0x60, 0, 0, 0, 0, 0x03, 0xE8, 50, 0, 0, 0}));
        EXPECT_EQ(mop_->GetResponseCount(), 50);
        for (int i = 0; i < 50; ++i) {
            uint32_t value = 0;
            ASSERT_FALSE(mop_->NextDataWord(value)) << "word " << i;
            EXPECT_EQ(value, words[i]);
        }
        uint32_t value = 7;
        EXPECT_TRUE(mop_->NextDataWord(value));
        EXPECT_EQ(value, 7u);
    }
}

TEST_F(MopRequestTest, AddressBytesAreSentInOrderAndEchoedRotated) {
    mop_->SetAddress1(0x11);
    mop_->SetAddress2(0x22);
    mop_->SetAddress3(0x33);
    mop_->SetAddress4(0x44);
    // The device echoes address byte 4 first, then bytes 1 to 3.
    AnswerWith({Answer(906, {5}, {0x44, 0x11, 0x22, 0x33})});
    ASSERT_FALSE(mop_->Transact());
    EXPECT_EQ(port_->Requests().at(0),
              Bytes({0x60, 0x11, 0x22, 0x33, 0x44, 0x03, 0x8A, 0x01, 0, 0, 0}));

    // The same bytes in request order are not a valid echo.
    AnswerWith({Answer(906, {5}, {0x11, 0x22, 0x33, 0x44})});
    EXPECT_TRUE(mop_->Transact());
    EXPECT_EQ(mop_->Error(), TMop::ErrorBadResponse);
    EXPECT_EQ(mop_->LastFailure(), TMop::Failure::Timeout);
}

TEST_F(MopRequestTest, TheWaitBlocksInsteadOfSpinning) {
    mop_->SetResponseTimeout(300);
    // On the main thread (the wait pumps messages) ...
    auto cpu = ThreadCpuTime();
    const long wakeups = Wakeups();
    auto start = Clock::now();
    EXPECT_TRUE(mop_->Transact());
    EXPECT_GE(ElapsedMs(start), 295);
    EXPECT_LT(ThreadCpuTime() - cpu, 100ms);
    EXPECT_LT(Wakeups() - wakeups, 10) << "the wait looks for its answer in slices";
    // ... and on another thread.
    std::chrono::nanoseconds used{};
    long waited = 0;
    std::thread worker([&] {
        const auto c = ThreadCpuTime();
        const auto s = Clock::now();
        mop_->Transact();
        waited = ElapsedMs(s);
        used = ThreadCpuTime() - c;
    });
    worker.join();
    EXPECT_GE(waited, 295);
    EXPECT_LT(used, 100ms);
    EXPECT_EQ(mop_->LastFailure(), TMop::Failure::Timeout);
}

// --- the line's quiet before a request --------------------------------

TEST(MopSendPause, OnlyWhatIsLeftOfThePauseSinceTheLinesLastActivity) {
    const Clock::time_point now = Clock::now();
    const std::pair<Clock::duration, Clock::duration> sinceAndLeft[] = {
        {0ms, 5ms}, {2ms, 3ms}, {5ms, 0ms}, {1s, 0ms}, {-3ms, 5ms}};
    for (const auto& [since, left] : sinceAndLeft)
        EXPECT_EQ(TMop::SendPauseLeft(now - since, now), left) << since.count();
    EXPECT_EQ(TMop::SendPauseLeft(Clock::time_point{}, now), 0ms) << "never active";
}

// The opening, the request and the answer are activity; a time-out is none,
// so the next attempt after a silent device waits for nothing more.
TEST_F(MopRequestTest, TheLinesActivityIsTheOpeningTheRequestAndTheAnswer) {
    mop_->Close();
    const Clock::time_point opened = Clock::now();
    mop_->Open();
    EXPECT_GE(mop_->LastLineActivity(), opened);
    port_->SetResponder(
        [](MemoryPort& port, const std::string&) { port.DeliverLater(kAnswer906, 30ms); });
    Clock::time_point sent = Clock::now();
    ASSERT_FALSE(mop_->Transact());
    EXPECT_GE(mop_->LastLineActivity(), sent + 30ms) << "the answer's end";
    port_->SetResponder(nullptr);
    sent = Clock::now();
    EXPECT_TRUE(mop_->Transact()); // nobody answers within 200 ms
    EXPECT_GE(mop_->LastLineActivity(), sent);
    EXPECT_LT(mop_->LastLineActivity(), Clock::now() - 150ms);
}

// --- answers: pieces, gaps, garbage, wrong frames ----------------------

TEST_F(MopAnswerTest, AnswerInPiecesIsAssembled) {
    // One receive event per byte, all at once.
    std::vector<std::string> single;
    for (char c : kAnswer906)
        single.emplace_back(1, c);
    AnswerWith(single);
    ASSERT_FALSE(mop_->Transact());
    uint32_t value = 0;
    ASSERT_FALSE(mop_->NextDataWord(value));
    EXPECT_EQ(value, 0x21u);

    // Pieces from another thread, 5 ms apart.
    port_->SetResponder([](MemoryPort& port, const std::string&) {
        port.DeliverLater({kAnswer906.substr(0, 1), kAnswer906.substr(1, 3),
                           kAnswer906.substr(4, 3), kAnswer906.substr(7, 2), kAnswer906.substr(9)},
                          5ms, 5ms);
    });
    mop_->SetResponseTimeout(1000);
    ASSERT_FALSE(mop_->Transact()) << "failure " << static_cast<int>(mop_->LastFailure());
    value = 0;
    ASSERT_FALSE(mop_->NextDataWord(value));
    EXPECT_EQ(value, 0x21u);
}

TEST_F(MopAnswerTest, GapAboveTheLimitFailsAtOnce) {
    mop_->SetResponseTimeout(1000);
    port_->SetResponder([](MemoryPort& port, const std::string&) {
        port.DeliverLater({kAnswer906.substr(0, 4), kAnswer906.substr(4)}, 0ms, 80ms);
    });
    const auto start = Clock::now();
    EXPECT_TRUE(mop_->Transact());
    EXPECT_LT(ElapsedMs(start), 600) << "the gap ends the exchange before the time-out";
    EXPECT_EQ(mop_->Status(), TMop::StatusTimeout);
    EXPECT_EQ(mop_->LastFailure(), TMop::Failure::Gap);
}

TEST_F(MopAnswerTest, GarbageBeforeTheHeaderIsSkipped) {
    AnswerWith({Bytes({0x00, 0x60, 0xFF, 0xE1, 0x03}), kAnswer906});
    ASSERT_FALSE(mop_->Transact());
    uint32_t value = 0;
    EXPECT_FALSE(mop_->NextDataWord(value));
    EXPECT_EQ(value, 0x21u);
    EXPECT_TRUE(LogText().empty());
}

TEST_F(MopAnswerTest, WrongEchoIsLoggedAsUnknownRecordAndTheExchangeTimesOut) {
    AnswerWith({Answer(906, {0x21}, {0x01, 0, 0, 0})});
    const auto start = Clock::now();
    EXPECT_TRUE(mop_->Transact());
    EXPECT_GE(ElapsedMs(start), 195);
    EXPECT_EQ(mop_->Status(), TMop::StatusTimeout);
    EXPECT_EQ(mop_->Error(), TMop::ErrorBadResponse);
    EXPECT_EQ(mop_->LastFailure(), TMop::Failure::Timeout);
    EXPECT_EQ(LogMessages(),
              (std::vector<std::string>{"", "\tUnbekanter DatenSatz:\tE001000000038A010021"}));
}

TEST_F(MopAnswerTest, AnswerForAnotherRegisterRunIsLoggedAndTheExchangeTimesOut) {
    AnswerWith({Answer(907, {0x21})});
    EXPECT_TRUE(mop_->Transact());
    EXPECT_EQ(mop_->Status(), TMop::StatusTimeout);
    EXPECT_EQ(mop_->Error(), TMop::ErrorBadResponse);
    EXPECT_EQ(LogMessages(),
              (std::vector<std::string>{"", "\tUnbekanter DatenSatz:\tE000000000038B010021",
                                        "Oben ist die LeseAdr false! erwartet wurde Adr: 906"}));
}

TEST_F(MopAnswerTest, GoodFrameAfterAWrongOneInTheSameEventIsAccepted) {
    AnswerWith({Answer(907, {0x99}) + kAnswer906});
    ASSERT_FALSE(mop_->Transact());
    uint32_t value = 0;
    EXPECT_FALSE(mop_->NextDataWord(value));
    EXPECT_EQ(value, 0x21u);
    EXPECT_EQ(mop_->Error(), TMop::ErrorNone);
    EXPECT_EQ(LogMessages().size(), 3u);
}

TEST_F(MopAnswerTest, GoodFrameAfterAWrongOneArrivingLaterIsAccepted) {
    mop_->SetResponseTimeout(1000);
    port_->SetResponder([](MemoryPort& port, const std::string&) {
        port.Deliver(Answer(906, {0x21}, {0, 0, 0, 0x07}));
        port.DeliverLater(kAnswer906, 30ms);
    });
    ASSERT_FALSE(mop_->Transact());
    uint32_t value = 0;
    EXPECT_FALSE(mop_->NextDataWord(value));
    EXPECT_EQ(value, 0x21u);
}

// The good frame arrives in its own receive event while the wrong one still
// waits to be taken; it must not be left unread in the port.
TEST_F(MopAnswerTest, GoodFrameInTheEventRightAfterAWrongOneIsAccepted) {
    AnswerWith({Answer(907, {0x99}), kAnswer906});
    EXPECT_FALSE(mop_->Transact()) << "failure " << static_cast<int>(mop_->LastFailure());
}

TEST_F(MopAnswerTest, FrameWithARoutingBlockIsNeverAccepted) {
    // Address bytes 0: the routing marker already spoils the echo.
    const std::string routed =
        Bytes({0xE0, 0x00, 0xEF, 0x00, 0x00, 0x02, 0xAA, 0xBB, 0x03, 0x8A, 0x01, 0x00, 0x21});
    AnswerWith({routed});
    EXPECT_TRUE(mop_->Transact());
    EXPECT_EQ(mop_->Error(), TMop::ErrorBadResponse);
    EXPECT_EQ(LogMessages(), (std::vector<std::string>{
                                 "", "\tUnbekanter DatenSatz:\tE000EF000002AABB038A010021"}));

    // Address byte 1 0xEF: the echo matches and the routing block is laid
    // out so that the fixed offsets read register 906, count 1.
    mop_->SetAddress1(0xEF);
    const std::string crafted =
        Bytes({0xE0, 0x00, 0xEF, 0x00, 0x00, 0x03, 0x8A, 0x01, 0x00, 0x03, 0x8A, 0x01, 0x00, 0x21});
    AnswerWith({crafted});
    EXPECT_TRUE(mop_->Transact()) << "a routed frame was taken as the answer";
}

TEST_F(MopAnswerTest, OverLongAnswerIsRefusedAtOnceWithoutOverrun) {
    mop_->SetResponseTimeout(1000);
    std::string head = Bytes({0xE0, 0, 0, 0, 0, 0x03, 0x8A, 0x93});
    // The head alone, then the whole 302-byte frame.
    for (const std::string& answer : {head, head + std::string(294, '\x5A')}) {
        AnswerWith({answer});
        const auto start = Clock::now();
        EXPECT_TRUE(mop_->Transact());
        EXPECT_LT(ElapsedMs(start), 500);
        EXPECT_EQ(mop_->Status(), TMop::StatusTimeout);
        EXPECT_EQ(mop_->Error(), TMop::ErrorOverLong);
        EXPECT_EQ(mop_->LastFailure(), TMop::Failure::OverLong);
    }
    // 146 registers fill the 300-byte buffer exactly: accepted.
    SetUpRead(906, 146);
    AnswerWith({Answer(906, std::vector<uint16_t>(146, 0x5A5A))});
    EXPECT_FALSE(mop_->Transact());
    uint32_t reg = 0;
    mop_->GetResponseAddress(reg);
    EXPECT_EQ(reg, 906u);
}

TEST_F(MopAnswerTest, BytesLeftAfterAGoodFrameAreLoggedAndPurgedBeforeTheNextSend) {
    AnswerWith({kAnswer906, Bytes({0x01, 0x02, 0x03})});
    ASSERT_FALSE(mop_->Transact());
    EXPECT_EQ(mop_->Status(), TMop::StatusOk);
    EXPECT_EQ(LogMessages(),
              (std::vector<std::string>{"", "\t\tEs sind noch Daten im WindowsBuffer! Anz.: 3"}));

    AnswerWith({kAnswer906});
    ASSERT_FALSE(mop_->Transact());
    EXPECT_EQ(port_->InputCount(), 0);
    EXPECT_EQ(LogMessages().size(), 2u) << "nothing left over the second time";
}

TEST_F(MopAnswerTest, StaleHalfFrameDoesNotMixWithTheNextAnswer) {
    for (uint32_t gapLimit : {40u, 100000u}) {
        SCOPED_TRACE("gap limit " + std::to_string(gapLimit));
        mop_->SetGapLimit(gapLimit);
        AnswerWith({Bytes({0xE0, 0x00, 0x00})});
        EXPECT_TRUE(mop_->Transact());
        EXPECT_EQ(mop_->LastFailure(), TMop::Failure::Timeout);

        AnswerWith({kAnswer906});
        ASSERT_FALSE(mop_->Transact()) << "failure " << static_cast<int>(mop_->LastFailure());
        uint32_t value = 0;
        EXPECT_FALSE(mop_->NextDataWord(value));
        EXPECT_EQ(value, 0x21u);
    }
    EXPECT_TRUE(LogText().empty());
}

// --- write data and retries --------------------------------------------

TEST_F(MopWriteTest, WriteDataFollowsTheHeadAndIsSentWithEveryAttempt) {
    const std::string data = Bytes({0x12, 0x34, 0x00, 0x01, 0xFF, 0xFE});
    mop_->SetWriteAddress(100);
    mop_->SetWriteCount(3);
    mop_->SetWriteData(data);
    mop_->SetResponseTimeout(150);
    int calls = 0;
    port_->SetResponder([&calls](MemoryPort& port, const std::string&) {
        if (++calls == 3)
            port.Deliver(kAnswer906);
    });
    ASSERT_FALSE(mop_->TransactRetry(2));
    const std::string expected =
        Bytes({0x60, 0, 0, 0, 0, 0x03, 0x8A, 0x01, 0x00, 0x64, 0x03}) + data;
    EXPECT_EQ(port_->Requests(), std::vector<std::string>(3, expected));
    EXPECT_EQ(mop_->Request(), expected);

    // The data belonged to that exchange only.
    mop_->SetWriteCount(0);
    port_->SetResponder([](MemoryPort& port, const std::string&) { port.Deliver(kAnswer906); });
    ASSERT_FALSE(mop_->Transact());
    EXPECT_EQ(port_->Requests().back(),
              Bytes({0x60, 0, 0, 0, 0, 0x03, 0x8A, 0x01, 0x00, 0x64, 0x00}));

    // A write count left standing without new data is refused.
    mop_->SetWriteCount(3);
    EXPECT_TRUE(mop_->TransactRetry(2));
    EXPECT_EQ(mop_->Error(), TMop::ErrorNoWriteData);
    EXPECT_EQ(mop_->LastFailure(), TMop::Failure::BadRequest);
    EXPECT_EQ(port_->RequestCount(), 4u);
}

TEST_F(MopWriteTest, SilentDeviceGetsThreeAttemptsThenTimeOut) {
    mop_->SetResponseTimeout(100);
    const auto start = Clock::now();
    EXPECT_TRUE(mop_->TransactRetry(2));
    EXPECT_GE(ElapsedMs(start), 300);
    EXPECT_EQ(port_->Requests(), std::vector<std::string>(3, kRead906));
    EXPECT_EQ(mop_->Status(), TMop::StatusTimeout);
    EXPECT_EQ(mop_->LastFailure(), TMop::Failure::Timeout);
}

TEST_F(MopWriteTest, WriteDataThatDisagreesWithTheCountIsRefusedWithoutSending) {
    struct Case {
        const char* what;
        uint8_t count;
        size_t bytes;
        uint8_t error;
    };
    const Case cases[] = {
        {"130 bytes", 65, 130, TMop::ErrorWriteMismatch},
        {"122 bytes", 61, 122, TMop::ErrorWriteMismatch},
        {"too few bytes", 3, 4, TMop::ErrorWriteMismatch},
        {"too many bytes", 1, 4, TMop::ErrorWriteMismatch},
        {"odd length", 1, 3, TMop::ErrorWriteMismatch},
        {"no data", 2, 0, TMop::ErrorNoWriteData},
    };
    AnswerWith({kAnswer906});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        mop_->SetWriteAddress(200);
        mop_->SetWriteCount(c.count);
        mop_->SetWriteData(std::string(c.bytes, '\x11'));
        EXPECT_TRUE(mop_->TransactRetry(2));
        EXPECT_EQ(mop_->Error(), c.error);
        EXPECT_EQ(mop_->LastFailure(), TMop::Failure::BadRequest);
        EXPECT_EQ(port_->RequestCount(), 0u);
    }
    // 60 registers, 120 bytes: the most one request carries.
    std::string data;
    for (int i = 0; i < 120; ++i)
        data.push_back(static_cast<char>(i));
    mop_->SetWriteCount(60);
    mop_->SetWriteData(data);
    ASSERT_FALSE(mop_->Transact());
    ASSERT_EQ(port_->RequestCount(), 1u);
    EXPECT_EQ(port_->Requests()[0],
              Bytes({0x60, 0, 0, 0, 0, 0x03, 0x8A, 0x01, 0x00, 0xC8, 60}) + data);
}

// --- the port and competing exchanges ----------------------------------

TEST_F(MopStatusTest, OpenAndCloseReportTheirStatus) {
    EXPECT_TRUE(mop_->IsOpen());
    mop_->Close();
    EXPECT_EQ(mop_->Status(), TMop::StatusOk);
    EXPECT_FALSE(mop_->IsOpen());
    port_->SetOpenFails(true);
    mop_->Open();
    EXPECT_EQ(mop_->Status(), TMop::StatusOpenFailed);
    EXPECT_FALSE(mop_->IsOpen());
    EXPECT_EQ(LogMessages(), std::vector<std::string>{"No such file or directory"});
    port_->SetOpenFails(false);
    mop_->Open();
    EXPECT_EQ(mop_->Status(), TMop::StatusOk);
    EXPECT_TRUE(mop_->IsOpen());
}

TEST_F(MopStatusTest, ClosedPortFailsWithoutSendingOrThrowing) {
    mop_->Close();
    AnswerWith({kAnswer906});
    const auto start = Clock::now();
    bool failed = false;
    EXPECT_NO_THROW(failed = mop_->TransactRetry(2));
    EXPECT_TRUE(failed);
    EXPECT_LT(ElapsedMs(start), 150) << "no waiting for answers on a closed port";
    EXPECT_EQ(mop_->Status(), TMop::StatusPortClosed);
    EXPECT_EQ(mop_->LastFailure(), TMop::Failure::PortClosed);
    EXPECT_EQ(port_->RequestCount(), 0u);
}

TEST_F(MopStatusTest, FailedWriteIsReportedAndLogged) {
    port_->SetWriteFails(true);
    bool failed = false;
    EXPECT_NO_THROW(failed = mop_->Transact());
    EXPECT_TRUE(failed);
    EXPECT_EQ(mop_->Status(), TMop::StatusPortClosed);
    EXPECT_EQ(mop_->LastFailure(), TMop::Failure::WriteFailed);
    EXPECT_EQ(LogMessages(), std::vector<std::string>{"RS232 write failed: Input/output error"});
}

// A device that went away ends the exchange the same way whether it went
// before the exchange (the port not closed yet) or during its wait: one
// attempt, "port lost", one log line.
TEST_F(MopStatusTest, LostPortFailsAtOnceWithOneLogLineAndIsNotRetried) {
    struct Case {
        const char* what;
        bool beforeTheExchange;
        size_t requests;
    };
    const Case cases[] = {{"lost between exchanges", true, 0}, {"lost during the wait", false, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(folder_ / "Error.txt");
        port_->JoinHelpers();
        port_->Close();
        mop_->Open();
        const size_t requestsBefore = port_->RequestCount();
        mop_->SetResponseTimeout(1500);
        if (c.beforeTheExchange) {
            port_->Hangup();
            port_->SetResponder(nullptr);
        } else {
            port_->SetResponder([](MemoryPort& port, const std::string&) { port.LoseLater(30ms); });
        }
        const auto start = Clock::now();
        EXPECT_TRUE(mop_->TransactRetry(2));
        EXPECT_LT(ElapsedMs(start), 500);
        EXPECT_EQ(mop_->Status(), TMop::StatusPortClosed);
        EXPECT_EQ(mop_->LastFailure(), TMop::Failure::PortLost);
        EXPECT_EQ(port_->RequestCount() - requestsBefore, c.requests);
        EXPECT_EQ(LogMessages(), std::vector<std::string>{"RS232 connection lost on port COM1"});

        // Opening again gives a working port, lost or closed meanwhile.
        mop_->Open();
        EXPECT_TRUE(mop_->IsOpen());
        EXPECT_FALSE(mop_->PortLost());
        AnswerWith({kAnswer906});
        EXPECT_FALSE(mop_->Transact());
    }
}

TEST_F(MopStatusTest, TerminatingEndsTheWaitAndTheRetries) {
    struct Restore {
        ~Restore() { Application().ResetTerminated(); }
    } restore;
    mop_->SetResponseTimeout(1500);
    QTimer::singleShot(30, QCoreApplication::instance(), [] { Application().Terminate(); });
    const auto start = Clock::now();
    EXPECT_TRUE(mop_->TransactRetry(2));
    EXPECT_LT(ElapsedMs(start), 500);
    EXPECT_EQ(mop_->LastFailure(), TMop::Failure::Terminated);
    EXPECT_EQ(port_->RequestCount(), 1u);

    // Terminating before the first attempt sends nothing.
    EXPECT_TRUE(mop_->TransactRetry(2));
    EXPECT_EQ(mop_->LastFailure(), TMop::Failure::Terminated);
    EXPECT_EQ(port_->RequestCount(), 1u);
}

TEST_F(MopStatusTest, ExchangeFromAnotherThreadWhileOneWaitsIsRefused) {
    mop_->SetResponseTimeout(1500);
    port_->SetResponder(
        [](MemoryPort& port, const std::string&) { port.DeliverLater(kAnswer906, 200ms); });
    std::atomic<bool> secondFailed{false};
    std::atomic<bool> busySeen{false};
    std::atomic<long> secondMs{-1};
    std::thread second([&] {
        if (!port_->WaitForRequests(1, 1000ms))
            return;
        const auto start = Clock::now();
        mop_->SetReadAddress(1000);
        secondFailed = mop_->Transact();
        busySeen = mop_->Busy();
        secondMs = ElapsedMs(start);
    });
    const bool firstFailed = mop_->Transact();
    second.join();
    EXPECT_FALSE(firstFailed) << "the waiting exchange still gets its answer";
    EXPECT_EQ(mop_->Status(), TMop::StatusOk);
    EXPECT_EQ(mop_->LastFailure(), TMop::Failure::None);
    ASSERT_GE(secondMs.load(), 0) << "the second exchange never started";
    EXPECT_TRUE(secondFailed);
    EXPECT_TRUE(busySeen);
    EXPECT_LT(secondMs.load(), 100);
    EXPECT_EQ(port_->RequestCount(), 1u) << "the refused exchange sent nothing";
    uint32_t value = 0;
    EXPECT_FALSE(mop_->NextDataWord(value));
    EXPECT_EQ(value, 0x21u);
}

// What the waiting exchange owns is the same before and after the nested
// call; only the answer of its own request ends it.
TEST_F(MopStatusTest, NestedExchangeFromTheMessagePumpIsRefusedAndTouchesNothing) {
    ASSERT_NE(QCoreApplication::instance(), nullptr);
    mop_->SetResponseTimeout(1500);
    port_->SetResponder(
        [](MemoryPort& port, const std::string&) { port.DeliverLater(kAnswer906, 150ms); });
    bool ran = false;
    bool nestedFailed = false;
    std::pair<uint8_t, TMop::Failure> before{}, after{};
    std::string requestBefore, requestAfter;
    QTimer::singleShot(20, QCoreApplication::instance(), [&] {
        ran = true;
        before = {mop_->Status(), mop_->LastFailure()};
        requestBefore = mop_->Request();
        // A handler that wants to write a register while the read waits.
        mop_->SetReadAddress(10);
        mop_->SetWriteAddress(10);
        mop_->SetWriteCount(1);
        mop_->SetWriteData(Bytes({0x00, 0x05}));
        nestedFailed = mop_->TransactRetry(2);
        after = {mop_->Status(), mop_->LastFailure()};
        requestAfter = mop_->Request();
    });
    const auto start = Clock::now();
    EXPECT_FALSE(mop_->Transact());
    EXPECT_LT(ElapsedMs(start), 1000);
    ASSERT_TRUE(ran) << "the pump did not run the handler";
    EXPECT_TRUE(nestedFailed);
    EXPECT_EQ(after, before);
    EXPECT_EQ(requestAfter, requestBefore);
    EXPECT_EQ(port_->Requests(), std::vector<std::string>{kRead906});
    EXPECT_EQ(mop_->Request(), kRead906) << "the request is the one that was sent";
    EXPECT_EQ(mop_->Status(), TMop::StatusOk);

    // The nested set-up was not kept for later either: the next exchange
    // sends the read of 906 again.
    AnswerWith({kAnswer906});
    EXPECT_FALSE(mop_->Transact());
    EXPECT_EQ(port_->Requests().back(), kRead906);
}

} // namespace
