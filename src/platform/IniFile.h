#pragma once
// An INI file held in memory: the language files, steuerung.cfg,
// RegisterText.txt, info.qdv and ostra.ini are all read through it.
//
// Texts are 8-bit bytes, kept byte-exact. Reading rules:
// - lines end in CR LF, LF or CR alone; a UTF-8 byte-order mark at the very
//   start is skipped;
// - every line is trimmed of bytes <= ' ' at both ends; empty lines and lines
//   starting with ';' are skipped;
// - "[name]" starts a section (name trimmed, compared ASCII-case-insensitively);
//   a second heading of a section already seen continues that section;
// - "name=value" splits at the first '='; name and value are trimmed; a line
//   without '=' is a name with an empty value;
// - lines before the first section are ignored.
// Of several keys with the same name in a section, reads see the first one.

#include "platform/StringList.h"

#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

class TMemIniFile {
public:
    // Empty INI without a file name (for SetStrings/FromText).
    TMemIniFile() = default;

    // Loads fileName when it exists. A missing file gives an empty INI; an
    // unreadable one gives an empty INI and LoadFailed() is true, with the
    // system's message in LoadError(); so does a file beyond MaxFileBytes
    // (StringList.h) or one that is no regular file, which LoadRefusal() tells.
    explicit TMemIniFile(const std::filesystem::path& fileName);

    // Parses text as described above, replacing everything held so far.
    void SetStrings(const std::string& text);
    static TMemIniFile FromText(const std::string& text);

    bool LoadFailed() const { return !loadError_.empty(); }
    const std::string& LoadError() const { return loadError_; }
    ReadRefusal LoadRefusal() const { return loadRefusal_; }

    // The value of ident in section, or def when either is missing.
    std::string ReadString(const std::string& section, const std::string& ident,
                           const std::string& def) const;

    // The value read as a 32-bit integer: optional sign, then decimal digits,
    // "$" + hex digits or "0x"/"0X" + hex digits (hex up to FFFFFFFF, taken
    // as the 32-bit pattern). Anything else, including blanks or a value out
    // of range, gives def.
    int ReadInteger(const std::string& section, const std::string& ident, int def) const;

    // The value as a number with '.' as decimal separator; def when the value
    // is missing or is not a complete number.
    double ReadFloat(const std::string& section, const std::string& ident, double def) const;

    // ReadInteger(..., def ? 1 : 0) != 0.
    bool ReadBool(const std::string& section, const std::string& ident, bool def) const;

    // Sets the first key ident of section to value (value stored as given),
    // appending the key, and the section, when missing.
    void WriteString(const std::string& section, const std::string& ident,
                     const std::string& value);
    void WriteInteger(const std::string& section, const std::string& ident, int value);
    // Writes "1" or "0".
    void WriteBool(const std::string& section, const std::string& ident, bool value);

    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& ident) const;

    // The key names of section in file order (duplicates included); empty
    // when the section is missing.
    std::vector<std::string> ReadSection(const std::string& section) const;
    // The lines of section in file order as "name=value"; a line read without
    // '=' is given as its name alone.
    std::vector<std::string> ReadSectionValues(const std::string& section) const;
    // The section names in file order, spelled as first seen.
    std::vector<std::string> ReadSections() const;

    // Removes the section with all its keys; nothing when it is missing.
    void EraseSection(const std::string& section);
    // Removes every key ident of section; nothing when missing.
    void DeleteKey(const std::string& section, const std::string& ident);

    // The whole INI as text: per section "[Name]" then its lines, each line
    // ended by CR LF, one empty line between two sections.
    std::string GetText() const;

    // Writes GetText() to the file named at construction, atomically: a
    // temporary file in the same folder is written, flushed and renamed over
    // the target. On failure the old file is left as it was, the temporary
    // file is removed, *error (when given) receives the system's message, and
    // the result is false.
    bool UpdateFile(std::string* error = nullptr) const;

private:
    struct Entry {
        std::string name;
        std::string value;
        bool hasEquals = true; // false for a line read without '='
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
        // lower-cased key name -> index of its first entry
        std::unordered_map<std::string, std::size_t> index;
        void Reindex();
        const Entry* Find(const std::string& ident) const;
        Entry* Find(const std::string& ident);
        void Add(Entry entry);
    };

    const Section* FindSection(const std::string& name) const;
    Section* FindSection(const std::string& name);
    Section& SectionFor(const std::string& name);

    std::filesystem::path fileName_;
    std::string loadError_;
    ReadRefusal loadRefusal_ = ReadRefusal::None;
    std::vector<Section> sections_;
    std::unordered_map<std::string, std::size_t> sectionIndex_; // lower-cased name -> position
};
