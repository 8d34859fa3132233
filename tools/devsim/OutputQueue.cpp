#include "OutputQueue.h"

#include "Protocol.h"

#include <algorithm>

namespace devsim {

std::int64_t OutputQueue::byteNs() const {
    return byteTimeNs(paceBaud_);
}

void OutputQueue::schedule(const Emission& emission, std::int64_t nowNs) {
    std::int64_t t = std::max(nowNs, tailNs_);
    const std::int64_t perByte = byteNs();
    for (const Chunk& chunk : emission.chunks) {
        t += static_cast<std::int64_t>(chunk.delayMs) * 1000000LL;
        if (perByte == 0) {
            if (!chunk.bytes.empty())
                items_.push_back({t, chunk.bytes, false});
            continue;
        }
        for (char c : chunk.bytes) {
            items_.push_back({t, std::string(1, c), false});
            t += perByte;
        }
    }
    if (emission.hangup)
        items_.push_back({t, {}, true});
    tailNs_ = t;
}

OutputQueue::Item OutputQueue::take() {
    Item item = std::move(items_.front());
    items_.pop_front();
    return item;
}

} // namespace devsim
