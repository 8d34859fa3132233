// The main window's side of the settings file: read once at start-up, written
// whenever a setting changes and when the program closes.
#include "shell/Settings.h"
#include "link/PortSettings.h"
#include "platform/window/Dialogs.h"
#include "shell/LogFile.h"
#include "shell/window/Form1.h"

#include <filesystem>

namespace {

constexpr const char* settingsFile = "ostra.ini";

} // namespace

void TForm1::ReadSettingsFile() {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::current_path(ProgramDir, ec);
    ProgramSettings settings;
    settings.updateUrl = UpdateUrl;
    if (!ReadProgramSettings(fs::path(ProgramDir) / settingsFile, settings))
        return;
    PortName = settings.port;
    PortBaudRate = settings.baudRate;
    PortParity = settings.parity;
    WorkDir = settings.workDir;
    LanguageId = settings.languageId;
    UpdateUrl = settings.updateUrl;
    PowerChoice = settings.powerChoice;
    // The automatic update check always starts switched off.
    AutoUpdate = false;
    ui.Updatessuchen->setChecked(AutoUpdate);
}

void TForm1::WriteSettingsFile() {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::current_path(ProgramDir, ec);
    ProgramSettings settings;
    settings.port = PortName;
    settings.baudRate = PortBaudRate;
    settings.parity = PortParity;
    settings.workDir = WorkDir;
    settings.languageId = LanguageId;
    settings.updateUrl = UpdateUrl;
    settings.powerChoice = PowerChoice;
    settings.autoUpdate = AutoUpdate;
    // The settings stay in memory when the file cannot be written: no
    // message, one log line.
    std::string error;
    if (!WriteProgramSettings(fs::path(ProgramDir) / settingsFile, settings, error) && LogFile)
        LogFile->Write(std::string(settingsFile) + ": " + error);
}

void TForm1::UserdatenClick() {
    const std::string folder = Dialogs::SelectDirectory("directory:", WorkDir);
    if (folder.empty())
        return;
    WorkDir = folder;
    WriteSettingsFile();
}
