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

using TRegisterImage = std::array<uint32_t, RegisterImageSize>;

// True when index names a cell of a parameter set.
constexpr bool IsImageIndex(long long index) {
    return index >= 0 && index < RegisterImageSize;
}
