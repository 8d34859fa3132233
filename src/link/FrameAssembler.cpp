#include "link/FrameAssembler.h"

#include "link/LineSettings.h"

namespace {
constexpr unsigned char kResponseHeader = mop::responseHeader;
constexpr unsigned char kRouting = mop::routingMarker;
} // namespace

void MopFrameAssembler::Receive(std::string_view bytes, uint32_t nowMs) {
    if (state_ != 0 && static_cast<uint32_t>(nowMs - lastTick_) > gapLimitMs_) {
        fault_ = Fault::Gap;
        state_ = 0;
        pending_.clear();
        frame_.clear();
    }
    lastTick_ = nowMs;
    pending_.append(bytes);
    if (!complete_)
        Walk();
}

void MopFrameAssembler::Walk() {
    size_t pos = 0;
    auto left = [&] { return pending_.size() - pos; };
    bool walking = true;
    while (walking) {
        switch (state_) {
        case 0: // hunting for the header
            if (left() < 1) {
                walking = false;
                break;
            }
            if (static_cast<unsigned char>(pending_[pos]) == kResponseHeader) {
                frame_.assign(1, pending_[pos]);
                state_ = 1;
            }
            ++pos;
            break;
        case 1: // address bytes
            if (left() < 4) {
                walking = false;
                break;
            }
            frame_.append(pending_, pos, 4);
            state_ = (static_cast<unsigned char>(pending_[pos + 1]) == kRouting ||
                      static_cast<unsigned char>(pending_[pos + 2]) == kRouting ||
                      static_cast<unsigned char>(pending_[pos + 3]) == kRouting)
                         ? 5
                         : 2;
            pos += 4;
            break;
        case 2: // first register and count
            if (left() < 3) {
                walking = false;
                break;
            }
            frame_.append(pending_, pos, 3);
            dataLength_ = static_cast<size_t>(static_cast<unsigned char>(pending_[pos + 2])) * 2;
            pos += 3;
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
        case 3: // register data
            if (left() < dataLength_) {
                walking = false;
                break;
            }
            frame_.append(pending_, pos, dataLength_);
            pos += dataLength_;
            state_ = 0;
            complete_ = true;
            walking = false;
            break;
        case 5: // routing length
            if (left() < 1) {
                walking = false;
                break;
            }
            routingLength_ = static_cast<unsigned char>(pending_[pos]);
            frame_.push_back(pending_[pos]);
            ++pos;
            state_ = 6;
            break;
        case 6: // routing block
            if (left() < routingLength_) {
                walking = false;
                break;
            }
            frame_.append(pending_, pos, routingLength_);
            pos += routingLength_;
            state_ = 2;
            break;
        default:
            state_ = 0;
            break;
        }
    }
    pending_.erase(0, pos);
}

std::string MopFrameAssembler::TakeFrame() {
    std::string frame = complete_ ? frame_ : std::string();
    complete_ = false;
    frame_.clear();
    Walk();
    return frame;
}

void MopFrameAssembler::ClearFlags() {
    complete_ = false;
    fault_ = Fault::None;
}

void MopFrameAssembler::Reset() {
    complete_ = false;
    fault_ = Fault::None;
    state_ = 0;
    pending_.clear();
    frame_.clear();
    dataLength_ = 0;
    routingLength_ = 0;
}
