#pragma once
// A register map in the form of the program's steuerung.cfg: for each key the
// register that holds the value. The device has a layout of its own (the
// built-in map, which keeps the registers of Layout.h); a map given with
// --map may move the keys the device does not fix. The simulator has a
// reader of its own, so that a fault in the program's loader cannot hide
// behind the same fault here.
//
// File form: "[Section]" lines and "key=value" lines; ';' starts a comment;
// section and key names are compared without regard to case; a value is an
// index into the register image (register number - 900), decimal, 0x-hex or
// $hex. The first of two equal keys in a section counts.

#include <cstdint>
#include <map>
#include <optional>
#include <span>
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

// The sections the program reads: "steuerung", "kvl420", "wbs420", "hnq120",
// "hnq130".
std::span<const std::string_view> programSections();

// The keys the program reads from `section` (lower case), in its order; empty
// for a section it does not read.
std::span<const std::string_view> programKeys(std::string_view section);

// The model section that the program reads for `family`: "kvl420", "wbs420",
// "hnq120", "hnq130"; "" for 0x71 and unknown families.
std::string_view modelSectionOf(int family);

// Parses a map text. A map needs the section [Steuerung]; other sections are
// optional, unknown sections and keys are kept but not used. On a bad line
// returns nullopt and puts "line N: <reason>" into `error`.
std::optional<RegisterMap> parseRegisterMap(std::string_view text, std::string* error);

// Reads and parses the file at `path`; `error` says what failed, naming the file.
std::optional<RegisterMap> loadRegisterMap(const std::string& path, std::string* error);

// The device's own layout: every key the program reads, for every family,
// on the registers of Layout.h where the device fixes them.
const RegisterMap& builtInRegisterMap();

struct MapChoice {
    RegisterMap map;
    std::string source; // the file read, or "built-in"
};

// The map to use: the file at `path` when it is not empty, else the built-in
// layout. A file that cannot be read, is not a map or contradicts the
// device's layout (layoutConflicts()) is an error: nullopt with `error` set,
// naming the file and, for a contradiction, each key and its registers.
std::optional<MapChoice> chooseRegisterMap(const std::string& path, std::string* error);

} // namespace devsim
