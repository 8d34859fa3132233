#pragma once
// Register names per device type from the file "RegisterText.txt" (an INI
// file in Windows-1252): section [Steuerung] names, under the key "0x" and the
// type code in two upper-case hex digits, the section that holds that type's
// names; each line of such a section is a name and its register number.
// A number that is not an integer, or lies outside 0..65535, never matches.

#include "platform/IniFile.h"
#include "platform/StringList.h"

#include <cstdint>
#include <filesystem>
#include <string>

// The file's name in the program folder.
constexpr const char* RegisterTextFile = "RegisterText.txt";

class TRegisterText {
public:
    // The answer of NumberOf for a name without a register.
    static constexpr uint32_t NoRegister = 0xFFFFFF;

    // Opens "RegisterText.txt" in the current folder (the program folder at
    // start-up); a missing file gives no names.
    TRegisterText();
    explicit TRegisterText(const std::filesystem::path& file);

    // Chooses the section that [Steuerung] names for deviceType and puts its
    // names into list in file order (list emptied first). Without a key for
    // the type no section is chosen; a key naming a missing section chooses a
    // section without names.
    void ListNames(TStringList& list, uint32_t deviceType);

    // The register of name in the chosen section; NoRegister when there is
    // none, or no section is chosen.
    uint32_t NumberOf(const std::string& name) const;

    // The first name (file order) of the chosen section with register
    // number; "" when none has it, "-1" when no section is chosen.
    std::string NameOf(uint32_t number) const;

    const std::string& Section() const { return section_; }

    // Once (the first call) why the file was refused, for its size or for
    // being no regular file: it gives no names, and the user is to be told
    // once. ReadRefusal::None otherwise.
    ReadRefusal TakeRefusal();

private:
    TMemIniFile ini_;
    std::string section_;
    TStringList names_; // the chosen section's lines, name=number
    bool refusalTold_ = false;
};
