#include "Device.h"

#include <algorithm>

namespace devsim {

std::vector<RegisterRange> defaultProtectedRanges() {
    return {
        {1216, 1343}, // channel numbers of the frequency table
        {1344, 1471}, // channel steps of the frequency table
    };
}

const char* lockStateName(LockState state) {
    return state == LockState::Unlocked ? "unlocked" : "locked";
}

Device::Device() : protected_(defaultProtectedRanges()) {}

std::uint16_t Device::read(std::uint16_t reg) const {
    if (reg == unlockRegister)
        return lock_ == LockState::Unlocked ? unlockedReadValue : lockedReadValue;
    return regs_[reg];
}

bool Device::isProtected(std::uint16_t reg) const {
    for (const RegisterRange& r : protected_) {
        if (r.contains(reg))
            return true;
    }
    return false;
}

bool Device::write(std::uint16_t reg, std::uint16_t value) {
    if (reg == unlockRegister) {
        if (value == unlockFirstCode)
            lock_ = LockState::FirstCode;
        else if (value == unlockSecondCode &&
                 (lock_ == LockState::FirstCode || lock_ == LockState::Unlocked))
            lock_ = LockState::Unlocked;
        else
            lock_ = LockState::Locked;
        regs_[reg] = value;
        return true;
    }
    if (lock_ != LockState::Unlocked && isProtected(reg))
        return false;
    regs_[reg] = value;
    if (reg == keyingRegister) {
        keyed_ = value != 0;
        keyingCarry_ = 0;
    }
    return true;
}

void Device::setKeyingSpeed(int unitsPerSecond) {
    keyingSpeed_ = std::clamp(unitsPerSecond, 0, maxKeyingSpeed);
    keyingCarry_ = 0;
}

void Device::elapse(std::int64_t elapsedNs) {
    constexpr std::int64_t nsPerSecond = 1000000000LL;
    // A register set directly to 0 ends the keying as a write would.
    if (keyed_ && regs_[keyingRegister] == 0)
        keyed_ = false;
    if (!keyed_ || keyingSpeed_ == 0 || elapsedNs <= 0)
        return;
    // Longer than any countdown can take: no product may overflow.
    elapsedNs = std::min<std::int64_t>(elapsedNs, 70000 * nsPerSecond);
    const std::int64_t fraction = elapsedNs % nsPerSecond * keyingSpeed_ + keyingCarry_;
    const std::int64_t units = elapsedNs / nsPerSecond * keyingSpeed_ + fraction / nsPerSecond;
    keyingCarry_ = fraction % nsPerSecond;
    const std::int64_t left = std::max<std::int64_t>(0, regs_[keyingRegister] - units);
    regs_[keyingRegister] = static_cast<std::uint16_t>(left);
    keyed_ = left > 0;
}

} // namespace devsim
