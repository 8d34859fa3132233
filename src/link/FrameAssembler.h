#pragma once
// Assembles MOP response frames from received bytes. Works on bytes alone:
// no port, no clock (the caller reports pauses on the line), so that tests
// and the fuzz test feed it directly.

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

    // One receive event's bytes. While a completed frame waits to be taken,
    // they are only queued.
    void Receive(std::string_view bytes);
    // The line stayed quiet longer than the gap limit: a frame under way is
    // dropped with the pending bytes and Fault::Gap recorded; so is one that
    // the bytes queued behind a waiting frame begin, once that frame is
    // taken. Nothing happens between frames.
    void LineQuiet();

    bool Complete() const { return complete_; }
    Fault LastFault() const { return fault_; }
    // The completed frame; clears the complete flag and goes on with any
    // bytes that followed it.
    std::string TakeFrame();
    // Clears the complete flag and the fault, keeps state and pending bytes.
    void ClearFlags();
    // Back to hunting: frame, pending bytes, flags and state cleared.
    void Reset();

    // The fewest further bytes that can complete the frame under way (its
    // header tells how many data bytes follow); 0 while hunting for a
    // frame's start and while a completed frame waits to be taken.
    size_t BytesToComplete() const;
    // The frame under way has told its data length: BytesToComplete() is
    // exactly what it still lacks, and the last of those bytes completes it.
    bool LengthKnown() const { return !complete_ && state_ == 3; }

    int State() const { return state_; }
    size_t PendingCount() const { return pending_.size(); }

private:
    // Bytes the current state needs before it can move on.
    size_t Needed() const;
    void Walk();
    // Drops a frame under way when the line went quiet after its last byte.
    void BreakOffIfQuiet();

    bool complete_ = false;
    bool quiet_ = false; // no byte came since the line was reported quiet
    Fault fault_ = Fault::None;
    int state_ = 0;
    std::string pending_;
    std::string frame_;
    size_t dataLength_ = 0;
    size_t routingLength_ = 0;
};
