#pragma once
// Are all channel frequencies of the device's table inside its range?

#include "device/RegisterImage.h"

struct TRegisterMap;

// The limits the device states in registers 990..993 (high word first), in
// Hz; both 0 when one of the four registers holds 65535 ("no limits").
void DeviceLimitsHz(const TRegisterImage& image, uint64_t& lo, uint64_t& hi);

// The device's range in Hz from registers 990..993 (high word first); 350 to
// 500 MHz when the device gives none (a register holding 65535, or a 0 limit).
void DeviceFrequencyRange(const TRegisterImage& image, uint32_t& lo, uint32_t& hi);

// True when an entry in use (0 .. the channel-count cell) has a frequency
// (channel number at 1216 + i times step at 1344 + i) outside the range. An
// empty entry (0 x 0) counts as outside, and so does a count past the
// table's 128 entries.
bool CheckFrequencyLimits(const TRegisterImage& image, const TRegisterMap& map);
