#pragma once
// The end of a family writer's run: the registers a preset stored that the
// writer did not send.

#include "device/LinkFault.h"

// Sends, in register order and each with read-back, every pending preset
// register that no write since StartWriteRecording sent; those the writers
// protect go behind the unlock of register 999 and a relock. true when every
// write and the relock went through, and the pending registers are then
// forgotten; false with the fault of the first write the device did not take
// (the writes after it are skipped), relockFailed set when the device took
// the relock neither time.
bool WritePendingPresetRegisters(LinkFault& fault, bool& relockFailed);
