#pragma once
// The language-text service: every user text is looked up by its text id
// ("$T" + 2-digit group + 3-digit number) in a language file and its
// placeholders are filled in.
//
// A language file is an INI file read whole into memory:
//   [Global]      Version=<int>, Sprachen=<number of languages>, and the texts
//                 as <id><code>=<text>, for example $T30023GB=...
//   [WinLanguage] one line per language, in language order: the 2-letter code
//                 first, then, after the first comma, the Windows LANGIDs for
//                 which the language is chosen (commas or blanks between them)
//   [Language]    $TM<index><code>=<name of language index in language code>
// Only the first five languages of a file are used.
//
// Placeholders in a text: %NL% (line feed), %TAB% (tab), %S% (the next
// argument), %% (one '%'). Any other name between two '%' is removed.
//
// Texts are Windows-1252 bytes. The class needs no widgets: the message box
// shown for a missing text and the language chooser are reached through two
// hooks that the window side connects (ConnectLanguageDialogs in
// shell/window/FileListDialog.h). Without hooks nothing is shown.
//
// Main thread only: GetText1Arg and GetText2Args keep their arguments in the
// object while they run.

#include "platform/StringList.h"
#include "platform/Text.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TLogFile;
class TMemIniFile;

// A run of texts whose ids the program builds instead of writing them out:
// count ids of group, numbered from first on. Each run is named once, where
// the program uses it, as "constexpr TextIdRange Name{group, first, count};"
// - the form in which the language file test finds every built id.
struct TextIdRange {
    int group;
    int first;
    int count;
    // The id of the run's i-th text (0-based).
    std::string Id(int i) const;
};

class TSprache {
public:
    // Shows text in a plain message box.
    using MessageHook = std::function<void(const std::string& text)>;
    // Lets the user choose one of names; returns its index, or -1 when the
    // user cancels (or confirms without a choice).
    using ChooserHook = std::function<int(const std::vector<std::string>& names)>;

    // Load status (Status()).
    enum : int {
        Loaded = 0,
        NoFile = 3,     // no file name, no such file, or "Sprachen" 0 or below
        NoVersion = 4,  // "Version" is 0 or missing while the minimum is 0 or less
        OldVersion = 5, // "Version" is below the minimum (missing counts as 0)
        // The file is there but cannot be used as a whole: it cannot be read
        // (or is beyond MaxFileBytes), or lacks what every language needs -
        // the [Global] section, "Sprachen", a [WinLanguage] line per
        // language - as a file cut short does. LoadError() tells what.
        Damaged = 6,
    };
    static constexpr int MaxLanguages = 5;

    // directory: the folder of the language files; log: written on every
    // lookup failure, not owned, may be null. The file name is "default.lang".
    TSprache(const std::string& directory, TLogFile* log);
    ~TSprache();
    TSprache(const TSprache&) = delete;
    TSprache& operator=(const TSprache&) = delete;

    void SetMessageHook(MessageHook hook);
    void SetChooserHook(ChooserHook hook);

    // Sets the file name, and opens directory/name at once (without checking
    // it and without Load); a missing file gives no texts.
    void SetFile(const std::string& name);
    void SetDirectory(const std::string& dir);
    void SetMinVersion(int n);
    // Whether the next Load lets the user choose the language instead of
    // following the Windows language. Callers set it before every Load.
    void SetAskUser(bool ask = true);

    const std::string& GetFileName() const { return fileName_; }
    const std::string& GetDirectory() const { return directory_; }
    int GetMinVersion() const { return minVersion_; }
    bool GetAskUser() const { return askUser_; }

    // Reads directory/fileName. Returns true on failure; Status() tells why.
    // The language becomes the first one whose [WinLanguage] line contains
    // the decimal text of windowsLangId, else "GB"; with askUser the chooser
    // decides instead (cancelled: "GB"; without a chooser hook the match
    // stands). A failed load leaves the language code as it was and no
    // languages.
    bool Load(int windowsLangId);
    int Status() const { return status_; }
    // Why the last Load found the file damaged ("" otherwise).
    const std::string& LoadError() const { return loadError_; }

    // The text of id in the current language with its placeholders filled in
    // (no arguments, 1 argument, 2 arguments: the first %S% takes argument
    // 1, every later one the last argument). Arguments are inserted as they
    // are and never scanned for placeholders.
    std::string GetText(const std::string& id);
    std::string GetText1Arg(const std::string& id, const std::string& a1);
    std::string GetText2Args(const std::string& id, const std::string& a1, const std::string& a2);
    // The text of id filled in as GetText1Arg/GetText2Args do, with the path
    // as its first argument: the path reaches the widget as the file system
    // has it.
    TextWithPath GetTextWithPath(const std::string& id, const std::string& path);
    TextWithPath GetTextWithPath(const std::string& id, const std::string& path,
                                 const std::string& a2);
    // The raw texts of ids (group, first) .. (group, first + count - 1)
    // joined with nothing between, then filled in once without arguments.
    std::string GetTexts(int group, int first, int count);
    std::string GetTexts(const TextIdRange& range) {
        return GetTexts(range.group, range.first, range.count);
    }

    // "$T" + 2-digit group + 3-digit number; "" when group is outside 1..99
    // or number outside 0..999.
    static std::string MakeId(int group, int number);
    // 7 characters beginning with "$T".
    static bool IsValidId(const std::string& id);

    // The stored text of id in the current language. A bad id or a missing
    // (or empty) text gives "* Bad StringID!  <id> *" or
    // "* Text not found!  <id> *" instead, which is also logged and shown.
    std::string LookupRaw(const std::string& id);
    // Fills in the placeholders of text with the arguments currently held
    // (none outside GetText1Arg/GetText2Args). A text with an odd number of
    // '%' comes back unchanged behind "* ein % zu viel! *", and is logged.
    std::string ExpandPlaceholders(const std::string& text);

    int GetLanguageCount() const { return languageCount_; }
    // [Language] "$TM" + i + current code; "" when missing or i is out of range.
    std::string GetLanguageName(int i) const;
    // Makes language i current (nothing when i is out of range).
    void SelectLanguage(int i);
    // The smallest LANGID of language i's line; 16777215 when it lists none;
    // -1 when one is not a decimal integer or i is out of range.
    int GetLanguageId(int i) const;
    // The first language whose line contains the current code; the language
    // count when none does.
    int GetLanguageIndex() const;
    // The current code becomes code unless code is empty.
    void SetLanguage(const std::string& code);
    const std::string& GetLanguage() const { return languageCode_; }

private:
    void OpenFile();
    void Report(const std::string& text, bool visible);

    std::string fileName_ = "default.lang";
    std::string directory_;
    int minVersion_ = 0;
    int languageCount_ = 0;
    bool askUser_ = false;
    std::unique_ptr<TMemIniFile> iniFile_;
    TLogFile* log_ = nullptr;
    std::vector<std::string> languageLines_;
    std::array<std::string, 3> args_; // arguments 1..3 at index 0..2
    int argCount_ = 0;
    std::string languageCode_;
    int status_ = 0;
    std::string loadError_;
    MessageHook messageHook_;
    ChooserHook chooserHook_;
};

// The message for a file that ReadFileBytes refused unread: for its size
// ($T34002) or for being no regular file ($T34003), naming the file by its
// file-system path. An empty text for ReadRefusal::None.
TextWithPath ReadRefusalText(TSprache& sprache, ReadRefusal refusal, const std::string& path);
