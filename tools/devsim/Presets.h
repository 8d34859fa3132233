#pragma once
// A plausible parameter set per device type, so the program finds a device that
// looks real: type code, firmware, identity, channel table, power table, limits.
// Everything lies in the device's own layout (Layout.h, the built-in map); a
// map given with --map may place the values of the keys the device does not
// fix elsewhere as well.

#include "Layout.h"

#include <cstdint>

namespace devsim {

class Device;
class RegisterMap;

constexpr std::uint16_t defaultDeviceType = 0x21;
constexpr int maxChannels = 128; // entries of the frequency table

// The device family of a type code: 0x21, 0x10, 0x30, 0xD0 or 0x71; 0 for a
// code the program does not know.
int familyOf(std::uint16_t type);

// Frequency-table entries in use unless the caller asks for another number:
// 4 for families 0x21 and 0x10, 3 for 0x30, 2 for 0xD0 and 0x71.
int defaultChannelCount(int family);

// Writes register 906 := type and, for a known type, the family's parameter
// set: the fixed registers, then every map-keyed value in the device's own
// layout (the built-in map), then every map-keyed value once more where `map`
// says. `map` is meant to agree with the layout (layoutConflicts() empty), so
// only the keys the device does not fix can land elsewhere. `channels` entries of the frequency
// table are in use (1..128, taken into that range; 0: the family's default); the others hold 0.
// Registers that the set does not name are left as they are. An unknown type gets register 906
// only.
void fillPlausibleSet(Device& device, std::uint16_t type, const RegisterMap& map, int channels = 0);

// The same with the built-in map and the family's number of channels.
void fillPlausibleSet(Device& device, std::uint16_t type);

} // namespace devsim
