#pragma once
// What the open and save commands share with the register dump.

#include <string>
#include <vector>

class TForm1;

enum class SaveOutcome {
    Saved,   // the file holds everything asked for
    Failed,  // something went wrong; the user was told
    Stopped, // the user cancelled, or the input was refused with a message
};

// Reads the file's lines; on failure shows the file and the system's reason
// and returns false.
bool LoadParameterFile(TForm1& form, const std::string& name, std::vector<std::string>& lines);
// Writes bytes to the file in one step; on failure shows the file and the
// system's reason, logs them and returns false (the old file stays).
bool SaveParameterFile(TForm1& form, const std::string& name, const std::string& bytes);

// The service mode's register dump into a register text file: asks for the
// range, reads it from the device in chunks of 25 registers and writes the
// lines "rNNN=$XXXX".
SaveOutcome RunRegisterDump(TForm1& form, std::string name);
