// The user's settings in ostra.ini (section Main), read once at start-up and
// written whenever one changes and when the program closes.
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "shell/Form1.h"
#include "shell/Globals.h"
#include "shell/LogFile.h"

#include <filesystem>

namespace {

constexpr const char* settingsFile = "ostra.ini";
constexpr const char* section = "Main";

} // namespace

void TForm1::ReadSettingsFile() {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::current_path(ProgramDir, ec);
    const fs::path file = fs::path(ProgramDir) / settingsFile;
    if (!fs::exists(file, ec))
        return;
    const TMemIniFile ini(file);
    PortName = ini.ReadString(section, "Schnittstelle", "COM1");
    PortBaudRate = ini.ReadInteger(section, "Boudrate", 9600);
    PortParity = ini.ReadInteger(section, "Parity", 0);
    WorkDir = ini.ReadString(section, "Verzeichniss", "");
    LanguageId = ini.ReadInteger(section, "Sprache", -1);
    UpdateUrl = ini.ReadString(section, "Web", UpdateUrl);
    PowerChoice = ini.ReadInteger(section, "Power", 1);
    // The automatic update check always starts switched off.
    AutoUpdate = false;
    ui.Updatessuchen->setChecked(AutoUpdate);
}

void TForm1::WriteSettingsFile() {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::current_path(ProgramDir, ec);
    try {
        TMemIniFile ini(fs::path(ProgramDir) / settingsFile);
        ini.WriteString(section, "Schnittstelle", PortName);
        ini.WriteInteger(section, "Boudrate", PortBaudRate);
        ini.WriteInteger(section, "Parity", PortParity);
        ini.WriteString(section, "Verzeichniss", WorkDir);
        ini.WriteInteger(section, "Sprache", LanguageId);
        ini.WriteString(section, "Web", UpdateUrl);
        ini.WriteInteger(section, "Power", PowerChoice);
        ini.WriteBool(section, "Updates", AutoUpdate);
        std::string error;
        // Written to a temporary file and renamed: never a truncated file.
        if (!ini.UpdateFile(&error) && LogFile)
            LogFile->Write(std::string(settingsFile) + ": " + error);
    } catch (const std::exception& e) {
        // The settings stay in memory; no message, one log line.
        if (LogFile)
            LogFile->Write(std::string(settingsFile) + ": " + e.what());
    }
}

void TForm1::UserdatenClick() {
    const std::string folder = Dialogs::SelectDirectory("directory:", WorkDir);
    if (folder.empty())
        return;
    WorkDir = folder;
    WriteSettingsFile();
}
