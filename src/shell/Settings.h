#pragma once
// The user's settings file ostra.ini, section Main: what it holds and how it
// is read and written. Other sections and keys of the file are kept.

#include <filesystem>
#include <string>

struct ProgramSettings {
    std::string port = "COM1"; // Schnittstelle
    int baudRate = 9600;       // Boudrate
    int parity = 0;            // Parity
    std::string workDir;       // Verzeichniss: the parameter files' folder
    int languageId = -1;       // Sprache: -1 asks the user
    std::string updateUrl;     // Web
    int powerChoice = 1;       // Power: the model-variant chooser's item
    bool autoUpdate = false;   // Updates (written only: it starts switched off)
};

// Reads section Main of file into settings. A missing key takes its default
// above (Web keeps settings' value). Returns false, settings untouched, when
// the file does not exist.
bool ReadProgramSettings(const std::filesystem::path& file, ProgramSettings& settings);

// Writes every key of section Main, keeping the rest of the file; the file is
// replaced as a whole (never left truncated). Returns false with the reason
// in error when it cannot be written.
bool WriteProgramSettings(const std::filesystem::path& file, const ProgramSettings& settings,
                          std::string& error);
