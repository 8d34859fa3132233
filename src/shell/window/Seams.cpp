// Calls from the main window into parts of the program that later changes
// build. Each does nothing yet (or the least that keeps its caller working).
#include "pages/window/Pages.h"
#include "shell/window/Form1.h"

// The preset menu.
void TForm1::FillPresetMenu() {}
void TForm1::ClearPresetMenu() {}
// The automatic update check.
void TForm1::CheckForUpdates() {}
// The preset menu for the device just read.
void TForm1::FillPresetMenuForDevice() {}
// Entering and leaving the register browser.
void TForm1::BrowserEnableClick() {}
// The demo-file entries of the file menu.
void TForm1::RebuildDemoMenu() {}
// The help file.
void TForm1::Hilfe1Click() {}
// The register scan of the service mode.
void TForm1::scanregClick() {}
// The device-settings pages: the address, protocol, Modbus and repeater
// settings.
void ShowSettingsPage() {}
void TForm1::ShowProtocolPage() {}
void ShowModbusPage() {}
void TForm1::ShowRepeaterPage() {}
// The input/output pages: counters, gain and offset, impulse output, input
// power-on delays.
void LoadIoPage() {}
void ShowGainOffset() {}
void ShowImpulsePage() {}
void EnableGainOffset(bool) {}
void ShowCountersA() {}
void ShowCountersB() {}
void TForm1::ShowInputDelays() {}
// The register browser's controller id and the keying test's parameters.
void TForm1::Button6Click() {}
void TForm1::newParameterClick() {}
// The register names of the preset page.
void TForm1::FillPresetRegisterNames() {}
// The two LED rows of the input/output page.
void TForm1::SetupLedRows() {}
// The input/output page's working copies (the impulse word's low byte, the
// input delays) merged into the image before a save turns it into lines.
void MergeIoWorkingCopies() {}
