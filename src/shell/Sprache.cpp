#include "shell/Sprache.h"

#include "platform/IniFile.h"
#include "platform/Numbers.h"
#include "shell/LogFile.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <utility>

namespace {

const char* const kSection = "Global";
const char* const kBadIdText = "Bad StringID!  ";
const char* const kNotFoundText = "Text not found!  ";
const char* const kOddEscapeText = "* ein % zu viel! *";
const char* const kFallbackCode = "GB";
constexpr char kEscape = '%';
constexpr int kNoLanguageIds = 0xFFFFFF;

// Restores the argument count when a lookup ends, also by an exception.
class ArgumentsInUse {
public:
    explicit ArgumentsInUse(int& count) : count_(count) {}
    ~ArgumentsInUse() { count_ = 0; }
    ArgumentsInUse(const ArgumentsInUse&) = delete;
    ArgumentsInUse& operator=(const ArgumentsInUse&) = delete;

private:
    int& count_;
};

bool IsBlank(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 1 && u <= ' ';
}

// The elements of a [WinLanguage] line: separated by commas, blanks around
// them skipped; blanks inside an element also separate. Two commas in a row
// or a comma at the end give an empty element.
std::vector<std::string> SplitElements(const std::string& line) {
    std::vector<std::string> elements;
    std::size_t i = 0;
    const std::size_t n = line.size();
    while (i < n && IsBlank(line[i]))
        ++i;
    while (i < n) {
        const std::size_t from = i;
        while (i < n && !IsBlank(line[i]) && line[i] != ',')
            ++i;
        elements.push_back(line.substr(from, i - from));
        while (i < n && IsBlank(line[i]))
            ++i;
        if (i < n && line[i] == ',') {
            if (i + 1 == n)
                elements.emplace_back();
            ++i;
            while (i < n && IsBlank(line[i]))
                ++i;
        }
    }
    return elements;
}

std::string TwoDigits(int v) {
    return std::string{static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
}

} // namespace

TSprache::TSprache(const std::string& directory, TLogFile* log)
    : directory_(directory), log_(log) {}

TSprache::~TSprache() = default;

void TSprache::SetMessageHook(MessageHook hook) {
    messageHook_ = std::move(hook);
}

void TSprache::SetChooserHook(ChooserHook hook) {
    chooserHook_ = std::move(hook);
}

void TSprache::SetFile(const std::string& name) {
    fileName_ = name;
    OpenFile();
}

void TSprache::SetDirectory(const std::string& dir) {
    directory_ = dir;
}

void TSprache::SetMinVersion(int n) {
    minVersion_ = n;
}

void TSprache::SetAskUser(bool ask) {
    askUser_ = ask;
}

void TSprache::OpenFile() {
    iniFile_ = std::make_unique<TMemIniFile>(std::filesystem::path(directory_) / fileName_);
}

void TSprache::Report(const std::string& text, bool visible) {
    if (log_) {
        if (visible)
            log_->WriteVisible(text);
        else
            log_->Write(text);
    }
    if (messageHook_)
        messageHook_(text);
}

// --- Loading ------------------------------------------------------------------

bool TSprache::Load(int windowsLangId) {
    languageLines_.clear();
    languageCount_ = 0;
    loadError_.clear();
    auto damaged = [this](const std::string& why) {
        loadError_ = why;
        status_ = Damaged;
        return true;
    };

    std::error_code ec;
    const std::filesystem::path path = std::filesystem::path(directory_) / fileName_;
    if (fileName_.empty() || !std::filesystem::exists(path, ec) ||
        std::filesystem::is_directory(path, ec)) {
        status_ = NoFile;
        return true;
    }
    iniFile_ = std::make_unique<TMemIniFile>(path);
    if (iniFile_->LoadFailed())
        return damaged(iniFile_->LoadError());
    if (!iniFile_->SectionExists(kSection))
        return damaged("no [" + std::string(kSection) + "] section");

    const int version = iniFile_->ReadInteger(kSection, "Version", 0);
    if (minVersion_ > version) {
        status_ = OldVersion;
        return true;
    }
    if (version == 0) {
        status_ = NoVersion;
        return true;
    }

    if (!iniFile_->ValueExists(kSection, "Sprachen"))
        return damaged("no \"Sprachen\"");
    const int count = iniFile_->ReadInteger(kSection, "Sprachen", 0);
    if (count <= 0) {
        status_ = NoFile;
        return true;
    }
    const int used = std::min(count, MaxLanguages);

    // Every language needs its [WinLanguage] line; a file with fewer lines
    // is not usable.
    std::vector<std::string> lines = iniFile_->ReadSectionValues("WinLanguage");
    if (lines.size() < static_cast<std::size_t>(used))
        return damaged(std::to_string(lines.size()) + " [WinLanguage] lines for " +
                       std::to_string(used) + " languages");
    lines.resize(static_cast<std::size_t>(used));
    languageLines_ = std::move(lines);
    languageCount_ = used;

    languageCode_ = kFallbackCode;
    const std::string wanted = std::to_string(windowsLangId);
    for (const std::string& line : languageLines_) {
        if (line.find(wanted) != std::string::npos) {
            languageCode_ = line.substr(0, 2);
            break;
        }
    }

    if (askUser_ && chooserHook_) {
        std::vector<std::string> names;
        for (int i = 0; i < languageCount_; ++i)
            names.push_back(GetLanguageName(i));
        const int chosen = chooserHook_(names);
        if (chosen >= 0 && chosen < languageCount_)
            languageCode_ = languageLines_[static_cast<std::size_t>(chosen)].substr(0, 2);
        else
            languageCode_ = kFallbackCode;
    }

    status_ = Loaded;
    return false;
}

// --- Lookup -------------------------------------------------------------------

std::string TSprache::MakeId(int group, int number) {
    if (group < 1 || group > 99 || number < 0 || number > 999)
        return std::string();
    return "$T" + TwoDigits(group) + static_cast<char>('0' + number / 100) +
           TwoDigits(number % 100);
}

std::string TextIdRange::Id(int i) const {
    return TSprache::MakeId(group, first + i);
}

bool TSprache::IsValidId(const std::string& id) {
    return id.size() == 7 && id.compare(0, 2, "$T") == 0;
}

std::string TSprache::LookupRaw(const std::string& id) {
    if (!IsValidId(id)) {
        const std::string text = std::string("* ") + kBadIdText + id + " *";
        Report(text, false);
        return text;
    }
    std::string value = iniFile_ ? iniFile_->ReadString(kSection, id + languageCode_, "") : "";
    if (!value.empty())
        return value;
    const std::string text = std::string("* ") + kNotFoundText + id + " *";
    Report(text, true);
    return text;
}

std::string TSprache::ExpandPlaceholders(const std::string& text) {
    const auto escapes = std::count(text.begin(), text.end(), kEscape);
    if (escapes % 2 != 0) {
        const std::string marked = kOddEscapeText + text;
        if (log_)
            log_->Write(marked);
        return marked;
    }
    if (escapes == 0)
        return text;

    // Built from left to right; what has been inserted is never looked at again.
    std::string out;
    out.reserve(text.size());
    int argIndex = 0;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t open = text.find(kEscape, pos);
        if (open == std::string::npos)
            break;
        const std::size_t close = text.find(kEscape, open + 1);
        if (close == std::string::npos)
            break; // cannot happen with an even count; the rest stays as it is
        out.append(text, pos, open - pos);
        pos = close + 1;
        if (close == open + 1) {
            out += kEscape; // "%%"
            continue;
        }
        const std::string token = text.substr(open + 1, close - open - 1);
        if (argCount_ > argIndex)
            argIndex = 1; // the first placeholder of a text with arguments starts them at 1
        if (token == "NL") {
            out += '\n';
        } else if (token == "TAB") {
            out += '\t';
        } else if (token == "S") {
            if (argIndex >= 1 && argIndex <= static_cast<int>(args_.size()))
                out += args_[static_cast<std::size_t>(argIndex - 1)];
            if (argIndex < argCount_)
                ++argIndex;
        }
        // any other name: removed, nothing inserted
    }
    out.append(text, pos, std::string::npos);
    return out;
}

std::string TSprache::GetText(const std::string& id) {
    ArgumentsInUse inUse(argCount_);
    argCount_ = 0;
    return ExpandPlaceholders(LookupRaw(id));
}

std::string TSprache::GetText1Arg(const std::string& id, const std::string& a1) {
    ArgumentsInUse inUse(argCount_);
    args_[0] = a1;
    argCount_ = 1;
    return ExpandPlaceholders(LookupRaw(id));
}

std::string TSprache::GetText2Args(const std::string& id, const std::string& a1,
                                   const std::string& a2) {
    ArgumentsInUse inUse(argCount_);
    args_[0] = a1;
    args_[1] = a2;
    argCount_ = 2;
    return ExpandPlaceholders(LookupRaw(id));
}

TextWithPath TSprache::GetTextWithPath(const std::string& id, const std::string& path) {
    return {GetText1Arg(id, PathSlot), path};
}

TextWithPath TSprache::GetTextWithPath(const std::string& id, const std::string& path,
                                       const std::string& a2) {
    return {GetText2Args(id, PathSlot, a2), path};
}

std::string TSprache::GetTexts(int group, int first, int count) {
    ArgumentsInUse inUse(argCount_);
    argCount_ = 0;
    std::string joined;
    for (int i = 0; i < count; ++i)
        joined += LookupRaw(MakeId(group, first + i));
    return ExpandPlaceholders(joined);
}

// --- Languages ----------------------------------------------------------------

std::string TSprache::GetLanguageName(int i) const {
    if (i < 0 || i >= languageCount_ || !iniFile_)
        return std::string();
    return iniFile_->ReadString("Language", "$TM" + std::to_string(i) + languageCode_, "");
}

void TSprache::SelectLanguage(int i) {
    if (i < 0 || i >= languageCount_)
        return;
    languageCode_ = languageLines_[static_cast<std::size_t>(i)].substr(0, 2);
}

int TSprache::GetLanguageId(int i) const {
    if (i < 0 || i >= languageCount_)
        return -1;
    const std::vector<std::string> elements =
        SplitElements(languageLines_[static_cast<std::size_t>(i)]);
    int smallest = kNoLanguageIds;
    for (std::size_t k = 1; k < elements.size(); ++k) {
        const std::optional<int> id = ParseInt(elements[k]);
        if (!id)
            return -1;
        smallest = std::min(smallest, *id);
    }
    return smallest;
}

int TSprache::GetLanguageIndex() const {
    for (int i = 0; i < languageCount_; ++i)
        if (languageLines_[static_cast<std::size_t>(i)].find(languageCode_) != std::string::npos)
            return i;
    return languageCount_;
}

void TSprache::SetLanguage(const std::string& code) {
    if (!code.empty())
        languageCode_ = code;
}

TextWithPath ReadRefusalText(TSprache& sprache, ReadRefusal refusal, const std::string& path) {
    switch (refusal) {
    case ReadRefusal::TooLarge:
        return sprache.GetTextWithPath("$T34002", path, MaxFileSizeText);
    case ReadRefusal::NotRegularFile:
        return sprache.GetTextWithPath("$T34003", path);
    case ReadRefusal::None:
        break;
    }
    return {};
}
