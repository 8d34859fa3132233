// TMop on the program's real port over a pseudo-terminal whose master side
// the test plays as the device: how the answer's bytes reach the framer, and
// what counts as a pause inside an answer.
#include "link/ComPort.h"
#include "link/Mop.h"
#include "link/PtyPair.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;

// The program's port with a hold in its event thread: after the receive
// handler ran, the thread can be kept back as a busy machine keeps it. It
// also counts the reads through ReadString, which the framer must not make.
class HoldingPort : public SerialPort {
public:
    HoldingPort() : inner_(MakeComPort()) {}

    // The event thread stays in the next receive event, after the handler,
    // until Release.
    void HoldNext() {
        std::lock_guard lock(mutex_);
        armed_ = true;
        held_ = false;
    }
    bool WaitHeld(std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [this] { return held_; });
    }
    void Release() {
        {
            std::lock_guard lock(mutex_);
            armed_ = false;
        }
        changed_.notify_all();
    }
    int ReadStrings() const { return readStrings_; }

    void SetDeviceName(const std::string& name) override { inner_->SetDeviceName(name); }
    std::string DeviceName() const override { return inner_->DeviceName(); }
    void SetBaudRate(TBaudRate rate) override { inner_->SetBaudRate(rate); }
    void SetDataBits(TDataBits bits) override { inner_->SetDataBits(bits); }
    void SetParity(TParity parity) override { inner_->SetParity(parity); }
    void SetStopBits(TStopBits bits) override { inner_->SetStopBits(bits); }
    void Open() override { inner_->Open(); }
    void Close() override { inner_->Close(); }
    bool GetActive() const override { return inner_->GetActive(); }
    bool Lost() const override { return inner_->Lost(); }
    void PurgeInput() override { inner_->PurgeInput(); }
    void ClearInput() override { inner_->ClearInput(); }
    void PurgeOutput() override { inner_->PurgeOutput(); }
    void ClearOutput() override { inner_->ClearOutput(); }
    int InputCount() override { return inner_->InputCount(); }
    std::string ReadString() override {
        ++readStrings_;
        return inner_->ReadString();
    }
    void Write(const char* buffer, int count, bool wait) override {
        inner_->Write(buffer, count, wait);
    }
    void SetOnRxChar(RxHandler handler) override {
        if (!handler) {
            inner_->SetOnRxChar(nullptr);
            return;
        }
        inner_->SetOnRxChar([this, handler](const std::string& bytes) {
            handler(bytes);
            std::unique_lock lock(mutex_);
            if (!armed_)
                return;
            held_ = true;
            changed_.notify_all();
            changed_.wait(lock, [this] { return !armed_; });
        });
    }
    void SetOnQuiet(uint32_t intervalMs, QuietHandler handler) override {
        inner_->SetOnQuiet(intervalMs, std::move(handler));
    }
    void SetOnLost(LostHandler handler) override { inner_->SetOnLost(std::move(handler)); }

private:
    std::unique_ptr<SerialPort> inner_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool armed_ = false;
    bool held_ = false;
    std::atomic<int> readStrings_{0};
};

const std::string kRead906("\x60\x00\x00\x00\x00\x03\x8A\x01\x00\x00\x00", 11);
const std::string kAnswer906("\xE0\x00\x00\x00\x00\x03\x8A\x01\x00\x21", 10);

// An open TMop with the program's gap limit on a HoldingPort on a fresh pty.
struct PtyLink {
    PtyLink() {
        auto owned = std::make_unique<HoldingPort>();
        port = owned.get();
        mop = std::make_unique<TMop>(nullptr, std::move(owned));
        mop->SetResponseTimeout(1000);
        mop->SetPort(pty.SlavePath());
        mop->Open();
        mop->SetReadAddress(906);
        mop->SetReadCount(1);
        mop->SetWriteAddress(0);
        mop->SetWriteCount(0);
    }
    ~PtyLink() { port->Release(); }

    PtyPair pty;
    HoldingPort* port = nullptr;
    std::unique_ptr<TMop> mop;
};

TEST(MopPty, AnswerBytesReachTheFramerOnceFromTheEventThread) {
    PtyLink link;
    ASSERT_TRUE(link.pty.Ok() && link.mop->IsOpen());
    std::thread device([&] {
        if (link.pty.Receive(kRead906.size()) == kRead906)
            link.pty.Send(kAnswer906);
    });
    const bool failed = link.mop->Transact();
    device.join();
    ASSERT_FALSE(failed) << "failure " << static_cast<int>(link.mop->LastFailure());
    uint32_t value = 0;
    EXPECT_FALSE(link.mop->NextDataWord(value));
    EXPECT_EQ(value, 0x21u);
    EXPECT_EQ(link.port->ReadStrings(), 0) << "the framer read the port a second time";
}

// A pause inside an answer counts when the line was quiet for the gap limit,
// not when the program was slow to look at the bytes.
struct PauseCase {
    const char* what;
    bool holdEventThread; // the event thread is kept 150 ms after the first piece
    std::chrono::milliseconds senderPause;
    bool gap;
};

TEST(MopPty, OnlyAPauseOnTheLineBreaksAnAnswer) {
    const PauseCase cases[] = {
        {"event thread held between pieces sent back to back", true, 0ms, false},
        {"sender pausing inside the answer", false, 80ms, true},
    };
    for (const PauseCase& c : cases) {
        SCOPED_TRACE(c.what);
        PtyLink link;
        ASSERT_TRUE(link.pty.Ok() && link.mop->IsOpen());
        if (c.holdEventThread)
            link.port->HoldNext();
        std::atomic<bool> held{false};
        std::thread device([&] {
            if (link.pty.Receive(kRead906.size()) != kRead906)
                return;
            link.pty.Send(kAnswer906.substr(0, 4));
            if (c.holdEventThread) {
                held = link.port->WaitHeld(2s);
                link.pty.Send(kAnswer906.substr(4));
                std::this_thread::sleep_for(150ms);
                link.port->Release();
            } else {
                std::this_thread::sleep_for(c.senderPause);
                link.pty.Send(kAnswer906.substr(4));
            }
        });
        const bool failed = link.mop->Transact();
        device.join();
        if (c.holdEventThread) {
            EXPECT_TRUE(held.load()) << "the event thread was never held";
        }
        EXPECT_EQ(failed, c.gap) << "failure " << static_cast<int>(link.mop->LastFailure());
        EXPECT_EQ(link.mop->LastFailure(), c.gap ? TMop::Failure::Gap : TMop::Failure::None);
    }
}

} // namespace
