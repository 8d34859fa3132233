#include "shell/Settings.h"

#include "platform/IniFile.h"

namespace {

constexpr const char* section = "Main";

} // namespace

bool ReadProgramSettings(const std::filesystem::path& file, ProgramSettings& settings) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec))
        return false;
    const TMemIniFile ini(file);
    const ProgramSettings defaults;
    settings.port = ini.ReadString(section, "Schnittstelle", defaults.port);
    settings.baudRate = ini.ReadInteger(section, "Boudrate", defaults.baudRate);
    settings.parity = ini.ReadInteger(section, "Parity", defaults.parity);
    settings.workDir = ini.ReadString(section, "Verzeichniss", defaults.workDir);
    settings.languageId = ini.ReadInteger(section, "Sprache", defaults.languageId);
    settings.updateUrl = ini.ReadString(section, "Web", settings.updateUrl);
    settings.powerChoice = ini.ReadInteger(section, "Power", defaults.powerChoice);
    return true;
}

bool WriteProgramSettings(const std::filesystem::path& file, const ProgramSettings& settings,
                          std::string& error) {
    try {
        TMemIniFile ini(file);
        ini.WriteString(section, "Schnittstelle", settings.port);
        ini.WriteInteger(section, "Boudrate", settings.baudRate);
        ini.WriteInteger(section, "Parity", settings.parity);
        ini.WriteString(section, "Verzeichniss", settings.workDir);
        ini.WriteInteger(section, "Sprache", settings.languageId);
        ini.WriteString(section, "Web", settings.updateUrl);
        ini.WriteInteger(section, "Power", settings.powerChoice);
        ini.WriteBool(section, "Updates", settings.autoUpdate);
        return ini.UpdateFile(&error);
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}
