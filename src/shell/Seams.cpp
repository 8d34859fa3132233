// Calls from the main window into parts of the program that later changes
// build. Each does nothing yet (or the least that keeps its caller working).
#include "shell/Form1.h"

// Language file, language menu and retranslation of the windows.
void TForm1::ApplyLanguage() {}
// The preset menu.
void TForm1::FillPresetMenu() {}
// Which tab pages are shown.
void TForm1::SetPageVisibility(bool) {}
// The automatic update check.
void TForm1::CheckForUpdates() {}
// The preset menu for the device just read.
void TForm1::FillPresetMenuForDevice() {}
// Texts of the transfer window, the model-variant chooser and the load
// confirmation in the chosen language.
void TForm1::TranslateReadProgress(const std::string&) {}
void TForm1::TranslateModelChooser() {}
void TForm1::TranslateDatenladenDialog() {}
void TForm1::TranslatePortSettingsDialog() {}
void TForm1::TranslateWriteProgress(const std::string&) {}
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
// Text lookup by text id: the id itself until the language texts exist.
std::string TForm1::GetText(const std::string& id) {
    return id;
}
