#include "files/PreSets.h"

#include "device/DeviceTypes.h"
#include "files/KundenFile.h"
#include "platform/Numbers.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

namespace fs = std::filesystem;

namespace {

const char* const presetExtension = ".pre";

std::string Hex(uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

std::string PresetHintKey(int languageId) {
    return "$P" + Hex(static_cast<uint32_t>(languageId), 4);
}

int PresetFamilyOf(uint32_t pid) {
    const int family = DeviceTypeInfoOf(pid).family;
    return family != 0 ? family : static_cast<int>(pid);
}

TStringList PresetText(int family, int lowPower, const std::vector<std::string>& languageLines) {
    TStringList text;
    text.Add("\n\r[Steuerung]");
    text.Add("$PID=" + Hex(static_cast<uint32_t>(family), 2));
    text.Add("$PTyp=" + std::to_string(lowPower));
    text.Add("");
    for (const std::string& line : languageLines)
        text.Add(line);
    return text;
}

std::string PresetFileBytes(const std::vector<std::string>& registerLines, TStringList text) {
    TKundenFile codec;
    codec.Info().SetVersion(FileFormatVersion);
    TStringList registers;
    registers.Lines() = registerLines;
    return codec.WriteExtended(registers, text);
}

std::string PresetContent::Hint(int languageId) const {
    for (const std::string& key : {PresetHintKey(languageId), PresetHintKey(PresetEnglishId)})
        if (const auto it = keys.find(key); it != keys.end() && !it->second.empty())
            return it->second;
    return {};
}

PresetContent ReadPresetBytes(const std::string& bytes) {
    PresetContent content;
    TStringList list;
    list.SetText(bytes);
    TKundenFile codec;
    const std::string text = codec.Read(list);
    if (codec.TakeError() || codec.LastResult() != TKundenFile::ReadResult::Ok || text.empty())
        return content;
    content.damaged = false;
    // The text block is one entry holding its own line ends.
    for (const std::string& line : SplitLines(text)) {
        if (line.empty() || (line.find('[') != std::string::npos && line[0] != '$'))
            continue;
        if (line[0] == '$') {
            const std::size_t eq = line.find('=');
            if (eq != std::string::npos)
                content.keys.emplace(line.substr(0, eq), line.substr(eq + 1));
            continue;
        }
        content.registerLines.push_back(line);
    }
    return content;
}

bool PresetRegisters(const std::vector<std::string>& lines,
                     std::vector<std::pair<uint32_t, uint32_t>>& out, int* badLine) {
    out.clear();
    if (badLine)
        *badLine = 0;
    std::vector<std::pair<uint32_t, uint32_t>> values;
    for (const std::string& line : lines) {
        const std::size_t eq = line.find('=');
        const std::string_view name = std::string_view(line).substr(0, eq);
        const std::string_view value =
            eq == std::string::npos ? std::string_view() : std::string_view(line).substr(eq + 1);
        const auto reg = ParseDigits(name, 10);
        const auto v = value.size() >= 2 && value.size() <= 5 && value[0] == '$'
                           ? ParseDigits(value.substr(1), 16)
                           : std::nullopt;
        if (!reg || *reg < FirstImageRegister || *reg > LastImageRegister || !v) {
            if (badLine)
                *badLine = static_cast<int>(values.size()) + 1;
            return false;
        }
        values.emplace_back(static_cast<uint32_t>(*reg), static_cast<uint32_t>(*v));
    }
    if (values.empty())
        return false;
    out = std::move(values);
    return true;
}

std::vector<std::string> ListPresetNames(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code kind;
        if (!it->is_regular_file(kind))
            continue;
        const std::string file = it->path().filename().string();
        if (file.size() <= 4)
            continue;
        std::string extension = file.substr(file.size() - 4);
        if (extension == presetExtension) {
            names.push_back(file.substr(0, file.size() - 4));
            continue;
        }
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
        if (extension == presetExtension)
            names.emplace_back();
    }
    std::sort(names.begin(), names.end());
    return names;
}

// --- TPreSets ------------------------------------------------------------------

TPreSets::TPreSets(fs::path folder, TRegisterImage& image, Log log)
    : folder_(std::move(folder)), image_(image), log_(std::move(log)) {}

void TPreSets::SetChangedFlag(uint8_t* flag) {
    if (flag)
        changed_ = flag;
}

void TPreSets::SetPendingRegisters(std::set<uint32_t>* pending) {
    if (pending)
        pending_ = pending;
}

fs::path TPreSets::FileOf(const std::string& name) const {
    return folder_ / (name + presetExtension);
}

PresetContent TPreSets::Load(const fs::path& file, std::string* error) const {
    std::string bytes, readError;
    ReadRefusal refusal = ReadRefusal::None;
    if (!ReadFileBytes(file, bytes, readError, &refusal)) {
        if (refusal != ReadRefusal::None && log_)
            log_("PreSet " + PathText(file.string()) + ": " + readError);
        if (error)
            *error = readError;
        return {};
    }
    return ReadPresetBytes(bytes);
}

void TPreSets::LogNoHint(const std::string& name) const {
    if (log_)
        log_("PreSet " + PathText(name) + presetExtension + " has no hint text: left out");
}

void TPreSets::Scan(int family, int languageId) {
    matches_.clear();
    others_.clear();
    for (const std::string& name : ListPresetNames(folder_)) {
        if (name.empty())
            continue;
        const PresetContent content = Load(FileOf(name));
        const auto pid = content.keys.find("$PID");
        const auto value =
            pid == content.keys.end() ? std::nullopt : ParseDigits(Trim(pid->second), 16);
        if (content.damaged || !value)
            continue;
        const std::string hint = content.Hint(languageId);
        if (hint.empty()) {
            LogNoHint(name);
            continue;
        }
        if (PresetFamilyOf(static_cast<uint32_t>(*value)) == family)
            matches_.push_back({hint, FileOf(name).string()});
        else
            others_.push_back(name);
    }
}

std::string TPreSets::GetMatchName(int i) const {
    return i >= 0 && i < MatchCount() ? matches_[static_cast<size_t>(i)].hint : std::string();
}

std::string TPreSets::GetMatchPath(int i) const {
    return i >= 0 && i < MatchCount() ? matches_[static_cast<size_t>(i)].path : std::string();
}

std::string TPreSets::GetOtherName(int i) const {
    return i >= 0 && i < OtherCount() ? others_[static_cast<size_t>(i)] : std::string();
}

bool TPreSets::ApplyPreset(int i, PresetRefusal* refusal,
                           const std::function<void()>& beforeStore) {
    PresetRefusal why{GetMatchPath(i), 0, {}};
    const PresetContent content = why.file.empty() ? PresetContent{} : Load(why.file, &why.text);
    std::vector<std::pair<uint32_t, uint32_t>> values;
    if (content.damaged || !PresetRegisters(content.registerLines, values, &why.line)) {
        if (why.line > 0)
            why.text = content.registerLines[static_cast<size_t>(why.line - 1)];
        if (refusal)
            *refusal = why;
        return false;
    }
    if (beforeStore)
        beforeStore();
    for (const auto& [reg, value] : values) {
        image_[reg - FirstImageRegister] = value;
        if (pending_)
            pending_->insert(reg);
    }
    if (changed_)
        *changed_ = 1;
    return true;
}

std::vector<std::string> TPreSets::GetPresetList(int languageId,
                                                 std::vector<std::string>* damaged) {
    std::vector<std::string> hints;
    for (const std::string& name : ListPresetNames(folder_)) {
        if (name.empty())
            continue;
        const PresetContent content = Load(FileOf(name));
        if (content.damaged) {
            if (damaged)
                damaged->push_back(name + presetExtension);
            continue;
        }
        const std::string hint = content.Hint(languageId);
        if (hint.empty())
            LogNoHint(name);
        else
            hints.push_back(hint);
    }
    return hints;
}

// --- country codes -----------------------------------------------------------

std::vector<CountryCode> ParseCountryCodes(const std::string& text) {
    std::vector<CountryCode> codes;
    for (const std::string& line : SplitLines(text)) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const auto id = ParseDigits(Trim(line.substr(0, eq)), 10);
        const std::string name = Trim(line.substr(eq + 1));
        if (!id || *id > 0xFFFF || name.empty())
            continue;
        codes.push_back({static_cast<int>(*id), name});
    }
    return codes;
}
