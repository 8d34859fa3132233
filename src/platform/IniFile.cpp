#include "platform/IniFile.h"

#include "platform/Numbers.h"
#include "platform/StringList.h"

#include <charconv>

namespace {

std::string Lower(const std::string& s) {
    std::string out = s;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string Trim(const std::string& s, std::size_t from, std::size_t to) {
    while (from < to && IsBlank(s[from]))
        ++from;
    while (to > from && IsBlank(s[to - 1]))
        --to;
    return s.substr(from, to - from);
}

std::string Trim(const std::string& s) {
    return Trim(s, 0, s.size());
}

void AppendLine(std::string& out, const std::string& line) {
    out += line;
    out += "\r\n";
}

} // namespace

// --- Section ---------------------------------------------------------------

void TMemIniFile::Section::Reindex() {
    index.clear();
    for (std::size_t i = 0; i < entries.size(); ++i)
        index.emplace(Lower(entries[i].name), i); // keeps the first of duplicates
}

const TMemIniFile::Entry* TMemIniFile::Section::Find(const std::string& ident) const {
    const auto it = index.find(Lower(ident));
    return it == index.end() ? nullptr : &entries[it->second];
}

TMemIniFile::Entry* TMemIniFile::Section::Find(const std::string& ident) {
    const auto it = index.find(Lower(ident));
    return it == index.end() ? nullptr : &entries[it->second];
}

void TMemIniFile::Section::Add(Entry entry) {
    index.emplace(Lower(entry.name), entries.size());
    entries.push_back(std::move(entry));
}

// --- Loading -----------------------------------------------------------------

TMemIniFile::TMemIniFile(const std::filesystem::path& fileName) : fileName_(fileName) {
    std::error_code ec;
    const auto status = std::filesystem::status(fileName, ec);
    if (status.type() == std::filesystem::file_type::not_found)
        return;
    if (ec) { // for instance a folder on the way that we may not enter
        loadError_ = ec.message();
        return;
    }
    std::string bytes, error;
    if (!ReadFileBytes(fileName, bytes, error, &loadRefusal_)) {
        loadError_ = error.empty() ? std::string("unreadable") : error;
        return;
    }
    SetStrings(bytes);
}

TMemIniFile TMemIniFile::FromText(const std::string& text) {
    TMemIniFile ini;
    ini.SetStrings(text);
    return ini;
}

void TMemIniFile::SetStrings(const std::string& text) {
    sections_.clear();
    sectionIndex_.clear();
    std::size_t skip = 0;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        skip = 3;
    Section* current = nullptr;
    for (const std::string& raw : SplitLines(skip ? text.substr(skip) : text)) {
        const std::string line = Trim(raw);
        if (line.empty() || line[0] == ';')
            continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            current = &SectionFor(Trim(line, 1, line.size() - 1));
            continue;
        }
        if (!current)
            continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            current->Add(Entry{line, std::string(), false});
        else
            current->Add(Entry{Trim(line, 0, eq), Trim(line, eq + 1, line.size()), true});
    }
}

// --- Sections ------------------------------------------------------------------

const TMemIniFile::Section* TMemIniFile::FindSection(const std::string& name) const {
    const auto it = sectionIndex_.find(Lower(name));
    return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

TMemIniFile::Section* TMemIniFile::FindSection(const std::string& name) {
    const auto it = sectionIndex_.find(Lower(name));
    return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

TMemIniFile::Section& TMemIniFile::SectionFor(const std::string& name) {
    if (Section* s = FindSection(name))
        return *s;
    sectionIndex_.emplace(Lower(name), sections_.size());
    sections_.push_back(Section{name, {}, {}});
    return sections_.back();
}

bool TMemIniFile::SectionExists(const std::string& section) const {
    return FindSection(section) != nullptr;
}

std::vector<std::string> TMemIniFile::ReadSections() const {
    std::vector<std::string> names;
    names.reserve(sections_.size());
    for (const auto& s : sections_)
        names.push_back(s.name);
    return names;
}

void TMemIniFile::EraseSection(const std::string& section) {
    const auto it = sectionIndex_.find(Lower(section));
    if (it == sectionIndex_.end())
        return;
    sections_.erase(sections_.begin() + static_cast<std::ptrdiff_t>(it->second));
    sectionIndex_.clear();
    for (std::size_t i = 0; i < sections_.size(); ++i)
        sectionIndex_.emplace(Lower(sections_[i].name), i);
}

// --- Keys ------------------------------------------------------------------------

bool TMemIniFile::ValueExists(const std::string& section, const std::string& ident) const {
    const Section* s = FindSection(section);
    return s && s->Find(ident);
}

std::string TMemIniFile::ReadString(const std::string& section, const std::string& ident,
                                    const std::string& def) const {
    const Section* s = FindSection(section);
    if (!s)
        return def;
    const Entry* e = s->Find(ident);
    return e ? e->value : def;
}

int TMemIniFile::ReadInteger(const std::string& section, const std::string& ident, int def) const {
    const Section* s = FindSection(section);
    const Entry* e = s ? s->Find(ident) : nullptr;
    return e ? ParseIntOrHex(e->value).value_or(def) : def;
}

double TMemIniFile::ReadFloat(const std::string& section, const std::string& ident,
                              double def) const {
    const Section* s = FindSection(section);
    const Entry* e = s ? s->Find(ident) : nullptr;
    if (!e || e->value.empty())
        return def;
    const char* first = e->value.data();
    const char* last = first + e->value.size();
    if (*first == '+') {
        ++first;
        if (first == last || *first == '-')
            return def;
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
    return ec == std::errc() && end == last ? value : def;
}

bool TMemIniFile::ReadBool(const std::string& section, const std::string& ident, bool def) const {
    return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TMemIniFile::WriteString(const std::string& section, const std::string& ident,
                              const std::string& value) {
    Section& s = SectionFor(section);
    if (Entry* e = s.Find(ident)) {
        e->value = value;
        e->hasEquals = true;
        return;
    }
    s.Add(Entry{ident, value, true});
}

void TMemIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
    WriteString(section, ident, std::to_string(value));
}

void TMemIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
    WriteString(section, ident, value ? "1" : "0");
}

void TMemIniFile::DeleteKey(const std::string& section, const std::string& ident) {
    Section* s = FindSection(section);
    if (!s || !s->Find(ident))
        return;
    const std::string key = Lower(ident);
    std::erase_if(s->entries, [&key](const Entry& e) { return Lower(e.name) == key; });
    s->Reindex();
}

std::vector<std::string> TMemIniFile::ReadSection(const std::string& section) const {
    std::vector<std::string> names;
    if (const Section* s = FindSection(section))
        for (const auto& e : s->entries)
            names.push_back(e.name);
    return names;
}

std::vector<std::string> TMemIniFile::ReadSectionValues(const std::string& section) const {
    std::vector<std::string> lines;
    if (const Section* s = FindSection(section))
        for (const auto& e : s->entries)
            lines.push_back(e.hasEquals ? e.name + "=" + e.value : e.name);
    return lines;
}

// --- Writing -----------------------------------------------------------------------

std::string TMemIniFile::GetText() const {
    std::string text;
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        if (i > 0)
            text += "\r\n";
        AppendLine(text, "[" + sections_[i].name + "]");
        for (const auto& e : sections_[i].entries)
            AppendLine(text, e.hasEquals ? e.name + "=" + e.value : e.name);
    }
    return text;
}

bool TMemIniFile::UpdateFile(std::string* error) const {
    if (fileName_.empty()) {
        if (error)
            *error = "no file name";
        return false;
    }
    return WriteFileAtomic(fileName_, GetText(), error);
}
