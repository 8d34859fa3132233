#pragma once
// The shape of a device's parameter set as the link moves it: registers 900
// upwards, one 16-bit value per unsigned 32-bit cell, cell i holding register
// 900 + i. The reader fills such an array; the block writes send from it.

#include <array>
#include <cstdint>

constexpr int RegisterImageSize = 600;
constexpr uint32_t FirstImageRegister = 900;
// Registers that can be addressed by number: 900 to 1471 (cells 0 to 571).
constexpr uint32_t LastImageRegister = 1471;
// The device's type code.
constexpr uint32_t DeviceTypeRegister = 906;

// The unlock register: the first code and then the second unlock the
// protected registers (the frequency tables, the interface protocol, ...);
// RelockValue locks them again. What it reads back is the device's: a
// device reads its lock state there (UnlockedReadValue while unlocked, 0
// while locked), not the code written.
constexpr uint32_t UnlockRegister = 999;
constexpr uint32_t UnlockFirstCode = 8362;
constexpr uint32_t UnlockSecondCode = 9286;
constexpr uint32_t RelockValue = 0;
constexpr uint32_t UnlockedReadValue = 0xFFFF;

using TRegisterImage = std::array<uint32_t, RegisterImageSize>;

// True when index names a cell of a parameter set.
constexpr bool IsImageIndex(long long index) {
    return index >= 0 && index < RegisterImageSize;
}
