#pragma once
// The receive framer bound to a port: assembles answers from the bytes of the
// port's receive events (on whatever thread the port delivers them) and lets
// the protocol object wait for a complete frame, a fault or a lost port. A
// pause inside an answer is the port's quiet report: the line stayed quiet
// for the gap limit.

#include "link/FrameAssembler.h"
#include "link/SerialPort.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

class ModBus {
public:
    using Clock = std::chrono::steady_clock;

    // Installs RxChar as the port's receive handler, LineQuiet as its quiet
    // handler (at the gap limit) and OnLost as its lost handler.
    explicit ModBus(SerialPort& port);
    // Removes the handlers again.
    ~ModBus();
    ModBus(const ModBus&) = delete;
    ModBus& operator=(const ModBus&) = delete;

    // The longest pause inside an answer (20 ms until set).
    void SetGapLimit(uint32_t ms);
    // Called on the port's thread when the port's device went away, after
    // the waiters were woken.
    void SetOnLost(std::function<void()> handler);

    // Writes a request to the port. Nothing is written and false returned when
    // the bytes are empty or do not start with the request header. The
    // assembler starts afresh (no stale half frame survives a send). Throws the
    // port's EComError when the write fails.
    bool Send(const std::string& bytes);

    // The port's receive event: feeds its bytes to the assembler.
    void RxChar(const std::string& bytes);
    // The port's quiet report: a frame under way has broken off.
    void LineQuiet();

    struct Snapshot {
        bool complete = false;
        MopFrameAssembler::Fault fault = MopFrameAssembler::Fault::None;
        bool lost = false;
    };
    // Waits until a frame is complete, a fault is recorded, the port is lost
    // or the deadline passes; returns what holds then.
    Snapshot WaitUntil(Clock::time_point deadline);
    // The same wait on the application's thread, handling its window
    // messages meanwhile: it sleeps in the message loop, which is woken when
    // what it waits for holds (and only while such a wait runs).
    Snapshot WaitHandlingMessages(Clock::time_point deadline);
    // The completed frame ("" when none); clears the complete flag.
    std::string TakeFrame();
    void ClearFlags();
    // Bytes that had arrived after the frame when it was last taken.
    size_t LeftoverAtTake();
    // When bytes were last received (the clock's epoch before any came).
    Clock::time_point LastReceived();

private:
    void OnLost(const EComError& error);
    // Whether what a waiter waits for holds; mutex_ is held.
    bool Settled() const;
    // Wakes the waiters; the message loop too when a wait sleeps there.
    void WakeWaiters(bool loop);

    SerialPort& port_;
    std::mutex mutex_;
    std::condition_variable changed_;
    MopFrameAssembler assembler_;
    bool lost_ = false;
    int loopWaits_ = 0; // WaitHandlingMessages calls under way
    Clock::time_point lastReceived_{};
    std::function<void()> onLost_;
    size_t leftoverAtTake_ = 0;
};
