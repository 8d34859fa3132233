// Calls from the main window into parts of the program that later changes
// build. Each does nothing yet (or the least that keeps its caller working).
#include "shell/Form1.h"

// Settings file ostra.ini.
void TForm1::ReadSettingsFile() {}
void TForm1::WriteSettingsFile() {}
// Language file, language menu and retranslation of the windows.
void TForm1::ApplyLanguage() {}
// Opening and closing the configured serial port.
void TForm1::OpenPort() {}
void TForm1::ClosePort() {}
// The preset menu.
void TForm1::FillPresetMenu() {}
// Which tab pages are shown.
void TForm1::SetPageVisibility(bool) {}
// The automatic update check.
void TForm1::CheckForUpdates() {}
// The model-name table of the device types.
void TForm1::FillModelNames() {}
// Writing the parameter set to the device.
void TForm1::up_loadClick() {}
// The radio and device-settings page buttons.
void TForm1::funkClick() {}
void TForm1::einstellungClick() {}
// The demo-file entries of the file menu.
void TForm1::RebuildDemoMenu() {}
// The help file.
void TForm1::Hilfe1Click() {}
// The register scan of the service mode.
void TForm1::scanregClick() {}
// Text lookup by text id: the id itself until the language texts exist.
std::string TForm1::GetText(const std::string& id) {
    return id;
}
