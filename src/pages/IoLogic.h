#pragma once
// The input/output pages of the remote-terminal units without their widgets:
// the impulse word's switches, the counter bits, the LED row's layout and the
// merge of the pages' working copies into the register image.

#include "device/RegisterImage.h"

#include <cstdint>

struct TRegisterMap;

// ---- Impulse output -----------------------------------------------------------

// The four switches of the impulse word: bits 0..3 (imp_ein, imp_out,
// analog_out, verbund_ein). Item 0 stands for a set bit, item 1 for a clear one.
constexpr int ImpulseSwitches = 4;
int ImpulseItem(uint32_t word, int bit);
uint32_t WithImpulseItem(uint32_t word, int bit, int item);

// ---- Counters -------------------------------------------------------------------

// The 31 counter controls in order: the types of A0..A7 and B8..B15, then the
// pairings A0-A1 .. A7-B8 and B8-B9 .. B14-B15.
struct CounterBit {
    bool pairing; // benachbarte_zaehler, else konf_int_eing
    int bit;
};
constexpr int CounterControls = 31;
CounterBit CounterBitOf(int control);

// ---- Input delays -------------------------------------------------------------

constexpr int InputDelayCount = 16;
constexpr int FirstInputDelayCell = 170; // register 1070

// ---- LED row ----------------------------------------------------------------------

// The left edge of LED i (0..15): LED 0 at the margin, each next one a width
// and a gap further, with groupGap instead of gap before LED 8.
int LedLeft(int i, int margin, int width, int gap, int groupGap);

// ---- Working copies -------------------------------------------------------------

// Brings the pages' working copies into the image of a family-0x10 device:
// the impulse word's low byte into konf_impulsausgabe (its high byte, the
// measuring interval, stays), and the input delays into registers 1070..1085
// when they were changed. Other families have neither: nothing changes.
void MergeWorkingCopies(TRegisterImage& image, const TRegisterMap& map, int family,
                        uint32_t impulseWord, const int (&delays)[InputDelayCount],
                        bool delaysChanged);
