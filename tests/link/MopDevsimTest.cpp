// TMop on the program's real serial port against the device simulator: plain
// reads and writes, and how each fault of the simulator ends an exchange
// (failure, recovery on retry, what lands in the error log).
#include "link/Mop.h"
#include "platform/Application.h"
#include "shell/LogFile.h"
#include "support/Devsim.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr uint32_t kTimeoutMs = 300; // short, so that fault cases stay fast
constexpr int kFileWaitMs = 1000;

long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<milliseconds>(Clock::now() - since).count());
}

std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

size_t CountOf(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// A simulator (type 0x21, exchange log in a temp folder) and a TMop on the
// real port opened on its pty, with the error log in the same folder.
class MopDevsim : public ::testing::Test {
protected:
    void SetUp() override {
        simLog_ = folder_ / "devsim.log";
        sim_ = std::make_unique<testsupport::Devsim>(
            OSTARA_DEVSIM, std::vector<std::string>{"--type", "0x21", "--log", simLog_.string()});
        ASSERT_TRUE(sim_->Ready()) << sim_->Failure();

        log_ = std::make_unique<TLogFile>("Error.txt", folder_.string());
        mop_ = std::make_unique<TMop>(log_.get(), nullptr);
        mop_->SetResponseTimeout(kTimeoutMs);
        mop_->SetPort(sim_->PtyPath());
        mop_->Open();
        ASSERT_EQ(mop_->Status(), TMop::StatusOk);
        ASSERT_TRUE(mop_->IsOpen());
    }

    void TearDown() override {
        mop_.reset();
        sim_.reset();
        log_.reset();
    }

    // Sets up a read of `count` registers from `start`, no write.
    void PrepareRead(uint16_t start, uint8_t count) {
        mop_->SetHeader(mop::requestHeader);
        mop_->SetAddress1(0);
        mop_->SetReadAddress(start);
        mop_->SetReadCount(count);
        mop_->SetWriteAddress(0);
        mop_->SetWriteCount(0);
    }

    // The single data word of the last answer; -1 when there is none.
    long Word() {
        uint32_t value = 0;
        return mop_->NextDataWord(value) ? -1 : static_cast<long>(value);
    }

    std::string ErrorLog() const { return FileText(folder_ / "Error.txt"); }

    // The simulator's exchange log once it holds at least `lines` requests
    // (or whatever it holds when the deadline passes).
    std::string SimLogWithRequests(size_t lines) const {
        const auto deadline = Clock::now() + milliseconds(kFileWaitMs);
        std::string text;
        for (;;) {
            text = FileText(simLog_);
            if (CountOf(text, "req=") >= lines || Clock::now() >= deadline)
                return text;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }

    // Arms a fault through the simulator's stdin; the answer confirms it.
    void Arm(const std::string& fault) {
        const std::string answer = sim_->Command("fault " + fault);
        ASSERT_EQ(answer.rfind("ok ", 0), 0u) << fault << ": " << answer;
    }

    TempDir tmp_{"ostara-mop"};
    const std::filesystem::path& folder_ = tmp_.Path();
    std::filesystem::path simLog_;
    std::unique_ptr<testsupport::Devsim> sim_;
    std::unique_ptr<TLogFile> log_;
    std::unique_ptr<TMop> mop_;
};

TEST(MopDevsimOpen, MissingDeviceLeavesThePortClosedWithStatus1) {
    TMop mop(nullptr, nullptr);
    mop.SetPort("/tmp/ostara-no-such-device-" + std::to_string(getpid()));
    mop.Open();
    EXPECT_EQ(mop.Status(), TMop::StatusOpenFailed);
    EXPECT_FALSE(mop.IsOpen());
}

TEST_F(MopDevsim, ReadsTheTypeCodeABlockAndWritesWithReadBack) {
    PrepareRead(906, 1);
    ASSERT_FALSE(mop_->TransactRetry(mop::retriesPerExchange)) << int(mop_->Status());
    EXPECT_EQ(mop_->GetResponseHeader(), mop::responseHeader);
    uint32_t first = 0;
    EXPECT_FALSE(mop_->GetResponseAddress(first));
    EXPECT_EQ(first, 906u);
    EXPECT_EQ(mop_->GetResponseCount(), 1);
    EXPECT_EQ(Word(), 0x21);
    EXPECT_EQ(Word(), -1) << "one word only";

    // A block of 50 registers holds what the simulator reports one by one.
    PrepareRead(900, 50);
    ASSERT_FALSE(mop_->TransactRetry(mop::retriesPerExchange));
    ASSERT_EQ(mop_->GetResponseCount(), 50);
    std::vector<long> words;
    for (long w = Word(); w >= 0; w = Word())
        words.push_back(w);
    ASSERT_EQ(words.size(), 50u);
    for (int reg : {900, 906, 910, 925, 949}) {
        EXPECT_EQ(sim_->Command("get " + std::to_string(reg)),
                  std::to_string(reg) + "=" + std::to_string(words[reg - 900]));
    }

    // Write 910 and read it back in the same request.
    const long old910 = words[10];
    const uint16_t value = old910 == 7 ? 5 : 7;
    mop_->SetReadAddress(910);
    mop_->SetReadCount(1);
    mop_->SetWriteAddress(910);
    mop_->SetWriteCount(1);
    mop_->SetWriteData(std::string{char(value >> 8), char(value & 0xFF)});
    ASSERT_FALSE(mop_->TransactRetry(mop::retriesPerExchange));
    EXPECT_EQ(Word(), value);
    EXPECT_EQ(sim_->Command("get 910"), "910=" + std::to_string(value));
    EXPECT_EQ(mop_->Request().size(), 13u);
}

TEST_F(MopDevsim, SilenceOnceIsRecoveredByTheSecondAttempt) {
    Arm("silence");
    PrepareRead(906, 1);
    ASSERT_FALSE(mop_->TransactRetry(mop::retriesPerExchange));
    EXPECT_EQ(Word(), 0x21);
    const std::string sim = SimLogWithRequests(2);
    EXPECT_EQ(CountOf(sim, "req="), 2u) << sim;
    EXPECT_EQ(CountOf(sim, "rsp=-"), 1u) << sim;
}

TEST_F(MopDevsim, PersistentSilenceFailsWithStatus3AfterThreeAttempts) {
    Arm("silence:always");
    PrepareRead(906, 1);
    const auto start = Clock::now();
    EXPECT_TRUE(mop_->TransactRetry(mop::retriesPerExchange));
    EXPECT_GE(ElapsedMs(start), long(3 * kTimeoutMs));
    EXPECT_EQ(mop_->Status(), TMop::StatusTimeout);
    EXPECT_EQ(mop_->LastFailure(), TMop::Failure::Timeout);
    const std::string sim = SimLogWithRequests(3);
    EXPECT_EQ(CountOf(sim, "req="), 3u) << sim;
}

TEST_F(MopDevsim, LateAnswerFailsAndTheNextExchangeRecovers) {
    Arm("late=" + std::to_string(kTimeoutMs + 150));
    PrepareRead(906, 1);
    const auto start = Clock::now();
    EXPECT_TRUE(mop_->Transact());
    EXPECT_GE(ElapsedMs(start), long(kTimeoutMs));
    EXPECT_EQ(mop_->Status(), TMop::StatusTimeout);
    EXPECT_EQ(mop_->LastFailure(), TMop::Failure::Timeout);

    ASSERT_FALSE(mop_->TransactRetry(mop::retriesPerExchange));
    EXPECT_EQ(Word(), 0x21);
    EXPECT_EQ(mop_->Status(), TMop::StatusOk);
}

TEST_F(MopDevsim, GarbageBeforeTheAnswerIsSkipped) {
    Arm("garbage-before=6");
    PrepareRead(906, 1);
    ASSERT_FALSE(mop_->Transact());
    EXPECT_EQ(Word(), 0x21);
}

TEST_F(MopDevsim, WrongEchoIsLoggedAndRunsIntoTheTimeout) {
    Arm("wrong-echo");
    PrepareRead(906, 1);
    const auto start = Clock::now();
    EXPECT_TRUE(mop_->Transact());
    EXPECT_GE(ElapsedMs(start), long(kTimeoutMs));
    EXPECT_EQ(mop_->Status(), TMop::StatusTimeout);
    EXPECT_EQ(mop_->Error(), TMop::ErrorBadResponse);
    const std::string log = ErrorLog();
    EXPECT_NE(log.find("\tUnbekanter DatenSatz:\tE0"), std::string::npos) << log;

    // The fault fired once: the next exchange goes through.
    ASSERT_FALSE(mop_->TransactRetry(mop::retriesPerExchange));
    EXPECT_EQ(Word(), 0x21);
    EXPECT_EQ(mop_->Error(), TMop::ErrorNone);
}

TEST_F(MopDevsim, WrongRegisterIsLoggedWithTheExpectedAddress) {
    Arm("wrong-register");
    PrepareRead(906, 1);
    EXPECT_TRUE(mop_->Transact());
    EXPECT_EQ(mop_->Status(), TMop::StatusTimeout);
    EXPECT_EQ(mop_->Error(), TMop::ErrorBadResponse);
    const std::string log = ErrorLog();
    // The answer names register 907.
    EXPECT_NE(log.find("Unbekanter DatenSatz:\tE000000000038B01"), std::string::npos) << log;
    EXPECT_NE(log.find(" * Oben ist die LeseAdr false! erwartet wurde Adr: 906 * "),
              std::string::npos)
        << log;
}

TEST_F(MopDevsim, AnswerSplitWithinTheGapLimitPasses) {
    Arm("split-5");
    PrepareRead(906, 1);
    ASSERT_FALSE(mop_->Transact());
    EXPECT_EQ(Word(), 0x21);
}

TEST_F(MopDevsim, AnswerSplitBeyondTheGapLimitFailsThenRetryRecovers) {
    Arm("split-120");
    PrepareRead(906, 1);
    const auto start = Clock::now();
    EXPECT_TRUE(mop_->Transact());
    EXPECT_LT(ElapsedMs(start), long(kTimeoutMs)) << "the gap ends the exchange, not the time-out";
    EXPECT_EQ(mop_->Status(), TMop::StatusTimeout);
    EXPECT_EQ(mop_->LastFailure(), TMop::Failure::Gap);

    ASSERT_FALSE(mop_->TransactRetry(mop::retriesPerExchange));
    EXPECT_EQ(Word(), 0x21);
}

TEST_F(MopDevsim, AnswerWithARoutingBlockIsNeverAccepted) {
    Arm("routing-block:always");
    PrepareRead(906, 1);
    EXPECT_TRUE(mop_->Transact());
    EXPECT_EQ(mop_->Status(), TMop::StatusTimeout);
    EXPECT_EQ(mop_->Error(), TMop::ErrorBadResponse);
    const std::string log = ErrorLog();
    EXPECT_NE(log.find("Unbekanter DatenSatz:"), std::string::npos) << log;
    EXPECT_NE(log.find("EF"), std::string::npos) << log;
}

// Bytes after the frame that arrive in the same read as the frame are taken
// into the framer, not left in the port, so whether the "bytes left" line is
// logged depends on how the bytes were split on their way in. What must hold:
// the exchange succeeds, a logged count never exceeds what was sent, and the
// stale bytes never reach the next answer.
TEST_F(MopDevsim, TrailingBytesDoNotSpoilThisOrTheNextExchange) {
    Arm("trailing-bytes=3");
    PrepareRead(906, 1);
    ASSERT_FALSE(mop_->Transact());
    EXPECT_EQ(Word(), 0x21);
    const std::string log = ErrorLog();
    const std::string left = "\t\tEs sind noch Daten im WindowsBuffer! Anz.: ";
    const size_t at = log.find(left);
    if (at != std::string::npos) {
        const int count = std::atoi(log.c_str() + at + left.size());
        EXPECT_GE(count, 1) << log;
        EXPECT_LE(count, 3) << log;
    }

    PrepareRead(900, 8);
    ASSERT_FALSE(mop_->Transact());
    uint32_t first = 0;
    mop_->GetResponseAddress(first);
    EXPECT_EQ(first, 900u);
    EXPECT_EQ(mop_->GetResponseCount(), 8);
    EXPECT_EQ(CountOf(ErrorLog(), "WindowsBuffer"), at == std::string::npos ? 0u : 1u)
        << "nothing is left over after a clean answer";
}

TEST_F(MopDevsim, HangupFailsAtOnceAndThePortClosesItself) {
    mop_->SetResponseTimeout(2000);
    Arm("hangup");
    PrepareRead(906, 1);
    const auto start = Clock::now();
    EXPECT_TRUE(mop_->TransactRetry(mop::retriesPerExchange));
    EXPECT_LT(ElapsedMs(start), 1000L);
    const TMop::Failure f = mop_->LastFailure();
    EXPECT_TRUE(f == TMop::Failure::PortLost || f == TMop::Failure::PortClosed) << int(f);
    EXPECT_EQ(mop_->Status(), TMop::StatusPortClosed);

    const auto deadline = Clock::now() + milliseconds(2000);
    while (mop_->IsOpen() && Clock::now() < deadline)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_FALSE(mop_->IsOpen());
    EXPECT_TRUE(sim_->WaitExit(testsupport::Devsim::exitWaitMs))
        << "the simulator ends after a hang-up";

    // Further exchanges fail at once on the closed port.
    EXPECT_TRUE(mop_->Transact());
    EXPECT_EQ(mop_->LastFailure(), TMop::Failure::PortClosed);
}

} // namespace
