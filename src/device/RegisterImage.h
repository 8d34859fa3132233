#pragma once
// The register image: the program's one copy of a device's parameter
// registers. Cell i holds device register 900 + i as a 16-bit value in an
// unsigned 32-bit cell. Every page, writer, file and printout finds its
// register through the register map's indexes into this image.

#include "link/ParameterSet.h"

#include <cstddef>
#include <cstdint>

// The cell of the device type; 0 means no parameter set loaded.
constexpr int DeviceTypeCell = DeviceTypeRegister - FirstImageRegister;

extern TRegisterImage RegisterImage;

// The family of the parameter set in the image: 0 (none), 0x21, 0x10, 0x30,
// 0xD0 or 0x71.
extern int DeviceFamily;

// The value of cell index of the program's image; 0 for an index outside it.
inline uint32_t ImageCell(long long index) {
    return IsImageIndex(index) ? RegisterImage[static_cast<size_t>(index)] : 0;
}
// Stores value into cell index of the program's image; an index outside it
// changes nothing.
inline void SetImageCell(long long index, uint32_t value) {
    if (IsImageIndex(index))
        RegisterImage[static_cast<size_t>(index)] = value;
}
