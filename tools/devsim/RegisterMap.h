#pragma once
// The program's register map (steuerung.cfg) as the simulator reads it: for
// each key the register that holds the value. The simulator has a reader of
// its own, so that a fault in the program's loader cannot hide behind the
// same fault here.
//
// File form: "[Section]" lines and "key=value" lines; ';' starts a comment;
// section and key names are compared without regard to case; a value is an
// index into the register image (register number - 900), decimal, 0x-hex or
// $hex. The first of two equal keys in a section counts.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace devsim {

class RegisterMap {
public:
    // Lower-case section name -> lower-case key -> register number (index + 900).
    using Sections = std::map<std::string, std::map<std::string, std::uint16_t>>;

    static constexpr std::uint16_t indexBase = 900;
    static constexpr std::uint32_t maxIndex = 0xFFFF - indexBase;

    // The register of `key` where the program finds it for a device of
    // `family` (0x21, 0x10, 0x30, 0xD0, 0x71): a key of [Steuerung] in that
    // section, any other key in the family's model section (none for 0x71).
    // nullopt when that section lacks the key.
    std::optional<std::uint16_t> reg(std::string_view key, int family) const;

    // As reg(), but a model key is taken from the first model section that
    // has it ([KVL420], [WBS420], [HNQ120], [HNQ130]).
    std::optional<std::uint16_t> anyReg(std::string_view key) const;

    const Sections& sections() const { return sections_; }
    bool operator==(const RegisterMap&) const = default;

    // Adds `key` to `section` unless the section already has it.
    void add(std::string_view section, std::string_view key, std::uint16_t reg);

private:
    Sections sections_;
};

// The model section that the program reads for `family`: "kvl420", "wbs420",
// "hnq120", "hnq130"; "" for 0x71 and unknown families.
std::string_view modelSectionOf(int family);

// Parses a map text. A map needs the section [Steuerung]; other sections are
// optional, unknown sections and keys are kept but not used. On a bad line
// returns nullopt and puts "line N: <reason>" into `error`.
std::optional<RegisterMap> parseRegisterMap(std::string_view text, std::string* error);

// Reads and parses the file at `path`; `error` says what failed, naming the file.
std::optional<RegisterMap> loadRegisterMap(const std::string& path, std::string* error);

// The device's own layout: the same as the map shipped with the program.
const RegisterMap& builtInRegisterMap();

// "steuerung.cfg" in the folder of the running executable; "" when that
// folder cannot be found.
std::string defaultMapPath();

struct MapChoice {
    RegisterMap map;
    std::string source; // the file read, or "built-in"
};

// The map to use: `explicitPath` when it is not empty (a missing or bad file
// is an error); otherwise `defaultPath` when that file exists (a bad file is
// an error); otherwise the built-in layout. nullopt with `error` set on an
// error.
std::optional<MapChoice> chooseRegisterMap(const std::string& explicitPath,
                                           const std::string& defaultPath, std::string* error);

} // namespace devsim
