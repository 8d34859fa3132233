#pragma once
// The fill functions of the main window's tab pages.

#include <cstdint>

// The profiles of the device-settings tabs per family.
void ShowPagesFamily33();
void ShowPagesFamily208();
void ShowPagesFamily113();
void ShowPagesFamily16();
// The fill functions of the pages' groups.
void ShowIoOverview();
void ShowProtocolGroup();
void ShowOperatingModes(int mode);
void FillPowerGroup(bool lowPower, uint32_t index, uint32_t value);
void FillFrequencyGroup(int count, int current);
void ShowTimeSlots();
// Fill functions of the device-settings and input/output pages.
void ShowSettingsPage();
void ShowModbusPage();
void LoadIoPage();
void ShowGainOffset();
void ShowImpulsePage();
void EnableGainOffset(bool enabled);
void ShowCountersA();
void ShowCountersB();
// Merges the input/output page's working copies (the impulse word's low
// byte, the input delays) into the image; the save runs it first.
void MergeIoWorkingCopies();
// The page layout selector of the radio and operating-mode pages: 1000 for
// family 0x10, otherwise bit 0 of the konf_geraet cell.
extern int KonfGeraetBit0;
