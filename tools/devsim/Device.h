#pragma once
// The simulated device's register file: 65536 registers of 16 bits, the unlock
// register 999 and the table of registers that take writes only while unlocked.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace devsim {

// A closed range of register numbers, first <= last.
struct RegisterRange {
    std::uint16_t first = 0;
    std::uint16_t last = 0;
    bool contains(std::uint16_t reg) const { return reg >= first && reg <= last; }
};

constexpr std::uint16_t unlockRegister = 999;
constexpr std::uint16_t unlockFirstCode = 8362;
constexpr std::uint16_t unlockSecondCode = 9286;
constexpr std::uint16_t unlockedReadValue = 0xFFFF; // what register 999 reads while unlocked
constexpr std::uint16_t lockedReadValue = 0;        // ... and while locked

// Keying: a write of a remaining time above 0 to register 939 switches the
// transmitter on and counts the register down to 0 at the keying speed; 0
// switches it off. The unit is the device's; by default 100 per second.
constexpr std::uint16_t keyingRegister = 939;
constexpr int defaultKeyingSpeed = 100;
constexpr int maxKeyingSpeed = 1000000;

// The registers that ignore writes while locked, unless --protect replaces them:
// the two frequency tables (channel numbers 1216..1343, channel steps 1344..1471).
std::vector<RegisterRange> defaultProtectedRanges();

enum class LockState {
    Locked,    // protected registers ignore writes
    FirstCode, // 8362 seen, still locked; 9286 next unlocks
    Unlocked,  // protected registers take writes
};

const char* lockStateName(LockState state); // "locked" or "unlocked"

class Device {
public:
    Device();

    // What the device answers for a read of `reg`: the stored value, except
    // register 999, which reads 65535 while unlocked and 0 while locked
    // (whatever was written to it last).
    std::uint16_t read(std::uint16_t reg) const;

    // A write as a request makes it. Register 999 drives the lock state machine
    // (8362 then 9286 unlocks, 9286 again keeps it unlocked, anything else locks)
    // and stores the value. A protected register keeps its old value while
    // locked. Returns false when the write was ignored.
    bool write(std::uint16_t reg, std::uint16_t value);

    // Keying: on while register 939 counts down. The speed is in units of
    // register 939 per second; 0 stops the countdown (keyed until 0 is written).
    bool keyed() const { return keyed_; }
    int keyingSpeed() const { return keyingSpeed_; }
    void setKeyingSpeed(int unitsPerSecond);
    // Lets elapsedNs of the device's time pass for the countdown.
    void elapse(std::int64_t elapsedNs);

    // Direct access for presets, image files and the control channel: no lock
    // logic, no protection.
    void set(std::uint16_t reg, std::uint16_t value) { regs_[reg] = value; }
    std::uint16_t stored(std::uint16_t reg) const { return regs_[reg]; }

    LockState lockState() const { return lock_; }
    bool unlocked() const { return lock_ == LockState::Unlocked; }
    void lock() { lock_ = LockState::Locked; }

    const std::vector<RegisterRange>& protectedRanges() const { return protected_; }
    void setProtectedRanges(std::vector<RegisterRange> ranges) { protected_ = std::move(ranges); }
    bool isProtected(std::uint16_t reg) const;

private:
    std::array<std::uint16_t, 65536> regs_{};
    LockState lock_ = LockState::Locked;
    std::vector<RegisterRange> protected_;
    bool keyed_ = false;
    int keyingSpeed_ = defaultKeyingSpeed;
    std::int64_t keyingCarry_ = 0; // ns x speed towards the next unit
};

} // namespace devsim
