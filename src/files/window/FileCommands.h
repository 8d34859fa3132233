#pragma once
// What the open and save commands share with the register dump.

#include <string>
#include <vector>

class TForm1;

// The filters of the file dialogs: customer files, in the service mode also
// register text files.
extern const char* const CustomerFileFilter;
extern const char* const RegisterTextFileFilter;
std::string ParameterFileFilter();
// The entry a file dialog preselects: register text files in the service
// mode, customer files otherwise.
std::string PreselectedFileFilter();
// The name of a file chosen to be read: in the service mode a name of
// neither kind gets ".RTU", otherwise a name that is no customer file gets
// ".QDV", its file name upper-cased as the saves write it (kept as typed
// when only such a file exists).
std::string CompleteReadName(std::string name);
// The folder the file dialogs start in (the program folder when none is set).
std::string StartFolder(TForm1& form);

// While a file command owns the link the transfer commands are locked and
// the window refuses to close.
class TransferLock {
public:
    explicit TransferLock(TForm1& form);
    ~TransferLock();
    TransferLock(const TransferLock&) = delete;
    TransferLock& operator=(const TransferLock&) = delete;

private:
    TForm1& form_;
};

enum class SaveOutcome {
    Saved,   // the file holds everything asked for
    Failed,  // something went wrong; the user was told
    Stopped, // the user cancelled, or the input was refused with a message
};

// Reads the file's lines; on failure (also a file beyond MaxFileBytes) shows
// the file and the reason, logs them and returns false.
bool LoadParameterFile(TForm1& form, const std::string& name, std::vector<std::string>& lines);
// Writes bytes to the file in one step; on failure shows the file and the
// system's reason, logs them and returns false (the old file stays).
bool SaveParameterFile(TForm1& form, const std::string& name, const std::string& bytes);

// Whether a save may write name. The file dialog asked before replacing the
// file it returned (checked); a save that completed that name to another
// one of an existing file asks here, "No" the default. false: the user said
// No, nothing is to be written and nothing more said.
bool MayReplace(TForm1& form, const std::string& name, const std::string& checked);

// The service mode's register dump into a register text file: asks for the
// range, reads it from the device in chunks of 25 registers and writes the
// lines "rNNN=$XXXX". checked: the name the user was asked about already.
SaveOutcome RunRegisterDump(TForm1& form, std::string name, const std::string& checked);
