// Calls from the main window into parts of the program that later changes
// build. Each does nothing yet (or the least that keeps its caller working).
#include "pages/window/Pages.h"
#include "shell/window/Form1.h"

// The preset menu.
void TForm1::FillPresetMenu() {}
void TForm1::ClearPresetMenu() {}
// The preset menu for the device just read.
void TForm1::FillPresetMenuForDevice() {}
// The demo-file entries of the file menu.
void TForm1::RebuildDemoMenu() {}
// The register names of the preset page.
void TForm1::FillPresetRegisterNames() {}
