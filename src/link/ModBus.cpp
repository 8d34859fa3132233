#include "link/ModBus.h"

#include "link/LineSettings.h"

ModBus::ModBus(SerialPort& port) : port_(port) {
    port_.SetOnRxChar([this] { RxChar(); });
    port_.SetOnLost([this](const EComError& e) { OnLost(e); });
}

ModBus::~ModBus() {
    port_.SetOnRxChar(nullptr);
    port_.SetOnLost(nullptr);
}

void ModBus::SetGapLimit(uint32_t ms) {
    std::lock_guard lock(mutex_);
    assembler_.SetGapLimit(ms);
}

uint32_t ModBus::NowMs() const {
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - epoch_).count());
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

void ModBus::RxChar() {
    bool wake = false;
    {
        std::lock_guard lock(mutex_);
        const uint32_t now = NowMs();
        // Read even while a frame waits to be taken: the port announces bytes
        // only once, and the assembler keeps them until the frame is taken.
        std::string bytes;
        try {
            bytes = port_.ReadString();
        } catch (const EComError&) {
            lost_ = true;
        }
        assembler_.Receive(bytes, now);
        // The waiter is woken only when what it waits for holds, not for
        // every byte of an answer on its way.
        wake = assembler_.Complete() ||
               assembler_.LastFault() != MopFrameAssembler::Fault::None || lost_;
    }
    if (wake)
        changed_.notify_all();
}

void ModBus::OnLost(const EComError&) {
    {
        std::lock_guard lock(mutex_);
        lost_ = true;
    }
    changed_.notify_all();
}

ModBus::Snapshot ModBus::Peek() {
    std::lock_guard lock(mutex_);
    return {assembler_.Complete(), assembler_.LastFault(), lost_};
}

ModBus::Snapshot ModBus::WaitUntil(Clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    changed_.wait_until(lock, deadline, [this] {
        return assembler_.Complete() || assembler_.LastFault() != MopFrameAssembler::Fault::None ||
               lost_;
    });
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

void ModBus::ClearFlags() {
    std::lock_guard lock(mutex_);
    assembler_.ClearFlags();
}
