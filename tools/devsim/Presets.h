#pragma once
// A plausible parameter set per device type, so the program finds a device that
// looks real: type code, firmware, identity, channel table, power table, limits.

#include <cstdint>

namespace devsim {

class Device;

constexpr std::uint16_t typeRegister = 906;
constexpr std::uint16_t defaultDeviceType = 0x21;

// The device family of a type code: 0x21, 0x10, 0x30, 0xD0 or 0x71; 0 for a
// code the program does not know.
int familyOf(std::uint16_t type);

// Writes register 906 := type and, for a known type, the family's parameter
// set. Registers that the set does not name are left as they are. An unknown
// type gets register 906 only.
void fillPlausibleSet(Device& device, std::uint16_t type);

} // namespace devsim
