// Calls from the main window into parts of the program that later changes
// build. Each does nothing yet (or the least that keeps its caller working).
#include "shell/Form1.h"

// The preset menu.
void TForm1::FillPresetMenu() {}
void TForm1::ClearPresetMenu() {}
// Which tab pages are shown.
void TForm1::SetPageVisibility(bool) {}
// The automatic update check.
void TForm1::CheckForUpdates() {}
// The preset menu for the device just read.
void TForm1::FillPresetMenuForDevice() {}
// The header of the customer file held by the main window.
void TForm1::ResetCustomerFileHeader() {}
// Entering and leaving the register browser.
void TForm1::BrowserEnableClick() {}
// The radio and device-settings page buttons.
void TForm1::funkClick() {}
void TForm1::einstellungClick() {}
// The demo-file entries of the file menu.
void TForm1::RebuildDemoMenu() {}
// The help file.
void TForm1::Hilfe1Click() {}
// The register scan of the service mode.
void TForm1::scanregClick() {}
