#include "Device.h"

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
    return true;
}

} // namespace devsim
