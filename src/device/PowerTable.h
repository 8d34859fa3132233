#pragma once
// Position of a value in a run of register-image cells.

#include "device/RegisterImage.h"

#include <cstdint>

// The offset from lo of value in the cells lo..hi (inclusive): the first exact
// hit; else the nearer cell of the first pair that brackets the value (a tie
// goes to the lower cell); else the last offset hi - lo. 0 when lo >= hi and
// there is no hit. exact tells whether the value itself was found. Indexes
// outside the image are kept inside it.
uint32_t FindNearestIndex(const TRegisterImage& image, int lo, int hi, uint32_t value, bool& exact);

// The power variant of the radio in the image: 1 for the 4-level table up to
// 500 mW, 0 for 16 levels up to 6 W. Set after a read from the power table or
// the model-variant chooser.
extern uint8_t LowPowerModule;
