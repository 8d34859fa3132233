#pragma once
// Assembles MOP response frames from received bytes. Works on bytes alone:
// no port, no clock (the caller passes the receive time), so that tests and
// the fuzz test feed it directly.

#include <cstdint>
#include <string>
#include <string_view>

class MopFrameAssembler {
public:
    enum class Fault {
        None,
        Gap,     // a pause inside a frame exceeded the gap limit
        OverLong // the frame would not fit the 300-byte frame buffer
    };

    void SetGapLimit(uint32_t ms) { gapLimitMs_ = ms; }
    uint32_t GapLimit() const { return gapLimitMs_; }

    // One receive event: bytes that arrived at nowMs. A pause of more than the
    // gap limit since the previous event while a frame is under way drops that
    // frame and the pending bytes and records Fault::Gap. While a completed
    // frame waits to be taken, the bytes are only queued.
    void Receive(std::string_view bytes, uint32_t nowMs);

    bool Complete() const { return complete_; }
    Fault LastFault() const { return fault_; }
    // The completed frame; clears the complete flag and goes on with any
    // bytes that followed it.
    std::string TakeFrame();
    // Clears the complete flag and the fault, keeps state and pending bytes.
    void ClearFlags();
    // Back to hunting: frame, pending bytes, flags and state cleared.
    void Reset();

    int State() const { return state_; }
    size_t PendingCount() const { return pending_.size(); }

private:
    // Bytes the current state needs before it can move on.
    size_t Needed() const;
    void Walk();

    uint32_t gapLimitMs_ = 20;
    uint32_t lastTick_ = 0;
    bool complete_ = false;
    Fault fault_ = Fault::None;
    int state_ = 0;
    std::string pending_;
    std::string frame_;
    size_t dataLength_ = 0;
    size_t routingLength_ = 0;
};
