#include "link/FrameAssembler.h"

#include "link/LineSettings.h"

namespace {
constexpr unsigned char kResponseHeader = mop::responseHeader;
constexpr unsigned char kRouting = mop::routingMarker;
} // namespace

void MopFrameAssembler::Receive(std::string_view bytes) {
    quiet_ = false;
    pending_.append(bytes);
    if (!complete_)
        Walk();
}

void MopFrameAssembler::LineQuiet() {
    quiet_ = true;
    BreakOffIfQuiet();
}

void MopFrameAssembler::BreakOffIfQuiet() {
    if (!quiet_ || complete_ || state_ == 0)
        return;
    fault_ = Fault::Gap;
    state_ = 0;
    pending_.clear();
    frame_.clear();
}

size_t MopFrameAssembler::Needed() const {
    switch (state_) {
    case 1: // address bytes
        return 4;
    case 2: // first register and count
        return 3;
    case 3: // register data
        return dataLength_;
    case 6: // routing block
        return routingLength_;
    default: // hunting for the header, routing length
        return 1;
    }
}

size_t MopFrameAssembler::BytesToComplete() const {
    if (complete_ || state_ == 0)
        return 0;
    // What the current state still lacks (the walk leaves fewer pending
    // bytes than it needs), then the least the states after it take: a
    // routing block may be empty and the data too, but the first register
    // and the count always come.
    const size_t needed = Needed();
    const size_t lacking = needed > pending_.size() ? needed - pending_.size() : 0;
    switch (state_) {
    case 1: // address
    case 5: // routing length
    case 6: // routing block
        return lacking + 3;
    default: // first register and count, register data
        return lacking;
    }
}

void MopFrameAssembler::Walk() {
    size_t pos = 0;
    while (!complete_ && pending_.size() - pos >= Needed()) {
        const size_t n = Needed();
        const auto byte = [&](size_t i) { return static_cast<unsigned char>(pending_[pos + i]); };
        if (state_ == 0) {
            // Anything before the header is dropped.
            if (byte(0) == kResponseHeader) {
                frame_.assign(1, pending_[pos]);
                state_ = 1;
            }
            ++pos;
            continue;
        }
        frame_.append(pending_, pos, n);
        switch (state_) {
        case 1:
            state_ = (byte(1) == kRouting || byte(2) == kRouting || byte(3) == kRouting) ? 5 : 2;
            break;
        case 2:
            dataLength_ = static_cast<size_t>(byte(2)) * 2;
            if (frame_.size() + dataLength_ > static_cast<size_t>(mop::frameBufferBytes)) {
                // Would overrun the frame buffer: the whole answer is refused.
                fault_ = Fault::OverLong;
                state_ = 0;
                frame_.clear();
                pending_.clear();
                return;
            }
            state_ = 3;
            break;
        case 3:
            state_ = 0;
            complete_ = true;
            break;
        case 5:
            routingLength_ = byte(0);
            state_ = 6;
            break;
        case 6:
            state_ = 2;
            break;
        default:
            state_ = 0;
            break;
        }
        pos += n;
    }
    pending_.erase(0, pos);
}

std::string MopFrameAssembler::TakeFrame() {
    std::string frame = complete_ ? frame_ : std::string();
    complete_ = false;
    frame_.clear();
    Walk();
    BreakOffIfQuiet();
    return frame;
}

void MopFrameAssembler::ClearFlags() {
    complete_ = false;
    fault_ = Fault::None;
}

void MopFrameAssembler::Reset() {
    complete_ = false;
    quiet_ = false;
    fault_ = Fault::None;
    state_ = 0;
    pending_.clear();
    frame_.clear();
    dataLength_ = 0;
    routingLength_ = 0;
}
