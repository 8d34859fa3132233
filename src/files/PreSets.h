#pragma once
// Presets: a few register values for one device family, with a one-line
// hint text per language, kept as *.pre files in the program folder. The file
// is a customer file in the preset form (TKundenFile::WriteExtended): the
// register lines "number=$value" and a text block holding
//   [Steuerung]
//   $PID=<device family, 2 hex digits>
//   $PTyp=<LowPowerModule>
//   [Language]
//   $P<language id, 4 hex digits>=<hint text>   (one per language, sorted)
// The file's name is the preset's English (language 1033) hint text.

#include "link/ParameterSet.h"
#include "platform/StringList.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

// The language id of the hint every preset carries, English (USA).
constexpr int PresetEnglishId = 1033;

// The key of a language's hint: "$P" and the id in at least 4 upper-case hex
// digits (1033 gives "$P0409", -1 gives "$PFFFFFFFF").
std::string PresetHintKey(int languageId);

// The device family a "$PID" value stands for: the family of the type code
// it names, or the value itself for a code that is no known type.
int PresetFamilyOf(uint32_t pid);

// The text block of a new preset: the device lines, then languageLines (the
// hint dialog's "[Language]" line and hint lines).
TStringList PresetText(int family, int lowPower, const std::vector<std::string>& languageLines);

// The bytes of a preset file; "" when a register line is not of the form
// number=$value.
std::string PresetFileBytes(const std::vector<std::string>& registerLines, TStringList text);

// A preset file as read back.
struct PresetContent {
    bool damaged = true;                     // checksum, form or no content
    std::vector<std::string> registerLines;  // "number=$value", in file order
    std::map<std::string, std::string> keys; // "$PID", "$PTyp", "$P0409", ...: first one counts

    // The hint for languageId; the English one when there is none; "" when
    // neither is there.
    std::string Hint(int languageId) const;
};

PresetContent ReadPresetBytes(const std::string& bytes);

// The registers and values of a preset's lines when every line is one of
// 900..1471 with a value "$" + 1 to 4 hex digits; false (nothing in out)
// when any line is not, or there is none. badLine, when given, receives the
// number (from 1) of the first line that is not, 0 when there is none.
bool PresetRegisters(const std::vector<std::string>& lines,
                     std::vector<std::pair<uint32_t, uint32_t>>& out, int* badLine = nullptr);

// Why a preset was not applied: its file, and the register line (numbered
// from 1 in file order) that cannot be stored with its text. Line 0 when the
// file itself cannot be used; text then holds the read error, "" for a file
// that is damaged or holds no register line.
struct PresetRefusal {
    std::string file;
    int line = 0;
    std::string text;
};

// The presets of folder, sorted: each *.pre file's name without its ".pre";
// a file whose extension is ".pre" in another case gets the name "".
std::vector<std::string> ListPresetNames(const std::filesystem::path& folder);

// The presets of the program folder, matched to a device family and applied
// to the register image.
class TPreSets {
public:
    using Log = std::function<void(const std::string&)>;

    TPreSets(std::filesystem::path folder, TRegisterImage& image, Log log = {});

    // Set to 1 by every preset applied; a null pointer is ignored.
    void SetChangedFlag(uint8_t* flag);

    // Matching presets (family and hint for languageId) and the names of the
    // presets of other families. A preset without a hint is left out with a
    // log line; unreadable files and empty names are left out.
    void Scan(int family, int languageId);
    int MatchCount() const { return static_cast<int>(matches_.size()); }
    int OtherCount() const { return static_cast<int>(others_.size()); }
    // "" for an index outside the list.
    std::string GetMatchName(int i) const;
    std::string GetMatchPath(int i) const;
    // The file name (file system encoding) of a preset of another family.
    std::string GetOtherName(int i) const;

    // The registers a preset stores are added to pending; a null pointer is
    // ignored.
    void SetPendingRegisters(std::set<uint32_t>* pending);

    // Stores every register of matching preset i into the image (beforeStore,
    // when given, runs just before), adds them to the pending registers and
    // sets the changed flag. False and nothing stored when the file is missing
    // or damaged or any of its register lines is wrong; refusal, when given,
    // then says why.
    bool ApplyPreset(int i, PresetRefusal* refusal = nullptr,
                     const std::function<void()>& beforeStore = {});

    // The hint texts of every preset in name order. Damaged files are left
    // out and their file names go to damaged; a preset without a hint is left
    // out with a log line.
    std::vector<std::string> GetPresetList(int languageId, std::vector<std::string>* damaged);

private:
    struct Match {
        std::string hint;
        std::string path;
    };
    PresetContent Load(const std::filesystem::path& file, std::string* error = nullptr) const;
    std::filesystem::path FileOf(const std::string& name) const;
    void LogNoHint(const std::string& name) const;

    std::filesystem::path folder_;
    TRegisterImage& image_;
    Log log_;
    uint8_t* changed_ = nullptr;
    std::set<uint32_t>* pending_ = nullptr;
    std::vector<Match> matches_;
    std::vector<std::string> others_;
};

// --- the hint dialog's languages -----------------------------------------

struct CountryCode {
    int id; // Windows language id
    std::string name;
};

// The lines "id=name" of LaenderCodes.txt with id decimal up to 0xFFFF and a
// name; other lines are skipped.
std::vector<CountryCode> ParseCountryCodes(const std::string& text);
