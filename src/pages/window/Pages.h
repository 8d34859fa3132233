#pragma once
// The fill functions of the main window's tab pages.

#include <cstdint>

class TForm1;

// The profiles of the device-settings tabs per family.
void ShowPagesFamily33();
void ShowPagesFamily208();
void ShowPagesFamily113();
void ShowPagesFamily16();
// The width of the widest row of device-settings tabs any family shows.
int WidestSettingsTabRow();
// The address label of the settings tab in the current language, as the
// device family names the address.
void ShowAddressCaption();
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
void EnableImpulseControls();
// The input/output page's working copies (the impulse word's low byte, the
// input delays when changed) into the register image; the family-0x10 writer,
// the parameter-file saves and a preset call it before they use the image.
void MergeIoWorkingCopies();
// The working copies from the register image: every replacement of the image
// (a read, Clear, opening a file) and every preset applied calls it, so no
// copy outlives its values.
void ReloadIoWorkingCopies();
// Bind the handlers of the device-settings pages, the input/output pages and
// the validated numeric edits to their controls.
void ConnectSettingsPages(TForm1& form);
void ConnectIoPages(TForm1& form);
void ConnectNumericEdits(TForm1& form);
// The page layout selector of the radio and operating-mode pages: 1000 for
// family 0x10, otherwise bit 0 of the konf_geraet cell.
extern int KonfGeraetBit0;
