#pragma once
// Timing of what goes out: each emission's chunks with their gaps, and with
// pacing each byte at its own wire-time deadline. Pure: times are passed in
// (monotonic nanoseconds).

#include "Protocol.h"

#include <cstdint>
#include <deque>
#include <string>

namespace devsim {

class OutputQueue {
public:
    struct Item {
        std::int64_t dueNs = 0;
        std::string bytes;
        bool hangup = false;
    };

    // paceBaud 0: a chunk goes out whole at its time.
    explicit OutputQueue(int paceBaud = 0) : paceBaud_(paceBaud) {}

    // Queues `emission` for a request that arrived at `nowNs`. It starts after
    // everything queued before it has gone out.
    void schedule(const Emission& emission, std::int64_t nowNs);

    bool empty() const { return items_.empty(); }
    const Item& front() const { return items_.front(); }
    Item take();

    // Time for one byte on the wire at the pace rate (0 without pacing).
    std::int64_t byteNs() const;

private:
    int paceBaud_;
    std::deque<Item> items_;
    std::int64_t tailNs_ = 0; // when the last queued byte has gone out
};

} // namespace devsim
