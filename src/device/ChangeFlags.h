#pragma once
// What the pages changed in the parameter set since it was read, opened or
// written: set by the pages, cleared by a complete write, Clear and a read.
// The write refuses to start and the close asks to save according to them.

#include <cstdint>

extern uint8_t RadioSettingsChanged;
extern uint8_t DeviceSettingsChanged;
extern bool InputDelaysChanged;
// The input page's working copy of the 16 input power-on delays (tenths of a
// second); the family-0x10 writer sends it to registers 1070 to 1085.
extern int InputDelayValues[16];
