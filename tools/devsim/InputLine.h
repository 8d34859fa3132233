#pragma once
// Timing of what comes in: with pacing, bytes that the pty hands over at once
// still cross the line one after the other, each in its wire time, so a
// request is received only when its last byte would have arrived. Pure: times
// are passed in (monotonic nanoseconds).

#include <cstdint>

namespace devsim {

class InputLine {
public:
    // paceBaud 0: a byte has arrived when the pty hands it over.
    explicit InputLine(int paceBaud = 0);

    // One byte handed over at `nowNs`; returns when it has arrived whole. It
    // goes on the line when it is handed over or when the byte before it has
    // arrived, whichever is later.
    std::int64_t arrive(std::int64_t nowNs);

private:
    std::int64_t byteNs_;
    std::int64_t freeNs_ = 0; // when the line has carried the last byte
};

} // namespace devsim
