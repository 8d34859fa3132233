#include "InputLine.h"

#include "Protocol.h"

#include <algorithm>

namespace devsim {

InputLine::InputLine(int paceBaud) : byteNs_(byteTimeNs(paceBaud)) {}

std::int64_t InputLine::arrive(std::int64_t nowNs) {
    if (byteNs_ == 0)
        return nowNs;
    freeNs_ = std::max(nowNs, freeNs_) + byteNs_;
    return freeNs_;
}

} // namespace devsim
