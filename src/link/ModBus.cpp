#include "link/ModBus.h"

#include "link/LineSettings.h"
#include "platform/Application.h"

namespace {
constexpr uint32_t defaultGapLimitMs = 20;
} // namespace

ModBus::ModBus(SerialPort& port) : port_(port) {
    port_.SetOnRxChar([this](const std::string& bytes) { RxChar(bytes); });
    SetGapLimit(defaultGapLimitMs);
    port_.SetOnLost([this](const EComError& e) { OnLost(e); });
}

ModBus::~ModBus() {
    port_.SetOnRxChar(nullptr);
    port_.SetOnQuiet(0, nullptr);
    port_.SetOnLost(nullptr);
}

void ModBus::SetGapLimit(uint32_t ms) {
    port_.SetOnQuiet(ms, [this] { LineQuiet(); });
}

bool ModBus::Send(const std::string& bytes) {
    if (bytes.empty() || static_cast<unsigned char>(bytes[0]) != mop::requestHeader)
        return false;
    {
        std::lock_guard lock(mutex_);
        assembler_.Reset();
        lost_ = false;
    }
    port_.Write(bytes.data(), static_cast<int>(bytes.size()), false);
    return true;
}

bool ModBus::Settled() const {
    return assembler_.Complete() || assembler_.LastFault() != MopFrameAssembler::Fault::None ||
           lost_;
}

void ModBus::WakeWaiters(bool loop) {
    changed_.notify_all();
    if (loop)
        Application().WakeUp();
}

void ModBus::RxChar(const std::string& bytes) {
    bool wake = false;
    bool loop = false;
    size_t expected = 0;
    bool completes = false;
    {
        std::lock_guard lock(mutex_);
        // Taken even while a frame waits to be taken: the assembler keeps
        // them until the frame is taken.
        assembler_.Receive(bytes);
        lastReceived_ = Clock::now();
        // The waiter is woken only when what it waits for holds, not for
        // every byte of an answer on its way.
        wake = Settled();
        loop = wake && loopWaits_ > 0;
        expected = assembler_.BytesToComplete();
        completes = assembler_.LengthKnown();
    }
    // Until the frame under way can be complete nothing is to be done: the
    // port need not look before those bytes had their time on the line.
    port_.ExpectBytes(expected, completes);
    if (wake)
        WakeWaiters(loop);
}

void ModBus::LineQuiet() {
    bool wake = false;
    bool loop = false;
    {
        std::lock_guard lock(mutex_);
        assembler_.LineQuiet();
        wake = Settled();
        loop = wake && loopWaits_ > 0;
    }
    if (wake)
        WakeWaiters(loop);
}

void ModBus::SetOnLost(std::function<void()> handler) {
    std::lock_guard lock(mutex_);
    onLost_ = std::move(handler);
}

void ModBus::OnLost(const EComError&) {
    std::function<void()> handler;
    bool loop = false;
    {
        std::lock_guard lock(mutex_);
        lost_ = true;
        handler = onLost_;
        loop = loopWaits_ > 0;
    }
    WakeWaiters(loop);
    if (handler)
        handler();
}

ModBus::Snapshot ModBus::WaitUntil(Clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    changed_.wait_until(lock, deadline, [this] { return Settled(); });
    return {assembler_.Complete(), assembler_.LastFault(), lost_};
}

ModBus::Snapshot ModBus::WaitHandlingMessages(Clock::time_point deadline) {
    {
        std::lock_guard lock(mutex_);
        ++loopWaits_;
    }
    // Counted before the first look: what settles after it wakes the loop.
    Application().ProcessMessagesUntil(deadline, [this] {
        std::lock_guard lock(mutex_);
        return Settled();
    });
    std::lock_guard lock(mutex_);
    --loopWaits_;
    return {assembler_.Complete(), assembler_.LastFault(), lost_};
}

std::string ModBus::TakeFrame() {
    std::lock_guard lock(mutex_);
    leftoverAtTake_ = assembler_.Complete() ? assembler_.PendingCount() : 0;
    return assembler_.TakeFrame();
}

size_t ModBus::LeftoverAtTake() {
    std::lock_guard lock(mutex_);
    return leftoverAtTake_;
}

ModBus::Clock::time_point ModBus::LastReceived() {
    std::lock_guard lock(mutex_);
    return lastReceived_;
}

void ModBus::ClearFlags() {
    std::lock_guard lock(mutex_);
    assembler_.ClearFlags();
}
