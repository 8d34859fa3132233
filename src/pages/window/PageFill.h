#pragma once
// Marks the pages' controls as being filled from the register image for the
// lifetime of the object: the edit handlers leave the image alone meanwhile.
// Fills may nest; the flag returns to what it was.

#include "shell/window/Globals.h"

class FillingControls {
public:
    FillingControls() : saved_(ControlsUpdating) { ControlsUpdating = 1; }
    ~FillingControls() { ControlsUpdating = saved_; }
    FillingControls(const FillingControls&) = delete;
    FillingControls& operator=(const FillingControls&) = delete;

private:
    uint8_t saved_;
};
