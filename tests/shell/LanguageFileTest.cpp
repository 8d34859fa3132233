// The shipped language file default.lang: its encoding and header, and that it
// holds a text in both languages for every text id the program uses.
#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kShippedFile = fs::path(OSTARA_PROGRAM_DIR) / "default.lang";
// This file lives in tests/shell; the sources and the data files are two levels up.
const fs::path kSourceRoot = OSTARA_SOURCE_DIR;

const std::vector<std::string> kCodes = {"DE", "GB"};

std::string FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool IsContinuation(unsigned char c) {
    return c >= 0x80 && c <= 0xBF;
}

// Offset of the first byte sequence that is valid UTF-8 for a non-ASCII
// character (2 or 3 bytes), or npos.
std::size_t FirstUtf8Sequence(const std::string& bytes) {
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const auto n1 = static_cast<unsigned char>(bytes[i + 1]);
        if (c >= 0xC2 && c <= 0xDF && IsContinuation(n1))
            return i;
        if (c >= 0xE0 && c <= 0xEF && i + 2 < bytes.size() && IsContinuation(n1) &&
            IsContinuation(static_cast<unsigned char>(bytes[i + 2])))
            return i;
    }
    return std::string::npos;
}

std::vector<std::string> SplitElements(const std::string& line) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : line) {
        if (c == ',' || c == ' ') {
            if (!cur.empty())
                out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty())
        out.push_back(cur);
    return out;
}

bool IsDecimal(const std::string& s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

// The program's sources, file by file.
std::map<fs::path, std::string> Sources() {
    std::map<fs::path, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(kSourceRoot / "src")) {
        const auto ext = entry.path().extension();
        if (entry.is_regular_file() && (ext == ".cpp" || ext == ".h"))
            files[entry.path()] = FileBytes(entry.path());
    }
    return files;
}

std::string IdOf(int group, int number) {
    char id[16];
    std::snprintf(id, sizeof id, "$T%02d%03d", group, number);
    return id;
}

// Every "$T" + 5 digits written in the program's sources, and every id of
// the runs the program builds ("constexpr TextIdRange Name{group, first,
// count};").
std::set<std::string> IdsUsedInSources() {
    const std::regex idPattern(R"(\$T[0-9]{5})");
    const std::regex rangePattern(
        R"(TextIdRange\s+\w+\s*\{\s*([0-9]+)\s*,\s*([0-9]+)\s*,\s*([0-9]+)\s*\})");
    std::set<std::string> ids;
    for (const auto& [path, text] : Sources()) {
        for (std::sregex_iterator it(text.begin(), text.end(), idPattern), end; it != end; ++it)
            ids.insert(it->str());
        for (std::sregex_iterator it(text.begin(), text.end(), rangePattern), end; it != end;
             ++it) {
            const int group = std::stoi((*it)[1].str());
            const int first = std::stoi((*it)[2].str());
            for (int n = 0; n < std::stoi((*it)[3].str()); ++n)
                ids.insert(IdOf(group, first + n));
        }
    }
    return ids;
}

class LanguageFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(kShippedFile)) << kShippedFile;
        bytes_ = FileBytes(kShippedFile);
        ini_.SetStrings(bytes_);
    }
    std::string bytes_;
    TMemIniFile ini_;
};

TEST_F(LanguageFile, IsWindows1252TextWithHeaderAndBothLanguages) {
    // The copy in the program folder is the one in the source tree.
    EXPECT_TRUE(bytes_ == FileBytes(kSourceRoot / "data" / "default.lang"))
        << "the program folder holds an old copy of default.lang; re-run cmake";

    const std::size_t utf8 = FirstUtf8Sequence(bytes_);
    EXPECT_EQ(utf8, std::string::npos) << "UTF-8 sequence at byte " << utf8 << ": "
                                       << bytes_.substr(utf8 == std::string::npos ? 0 : utf8, 40);
    // German umlauts and sharp s are single bytes in this code page.
    EXPECT_NE(bytes_.find_first_of("\xE4\xF6\xFC\xC4\xD6\xDC\xDF"), std::string::npos);
    for (std::size_t i = bytes_.find('\n'); i != std::string::npos; i = bytes_.find('\n', i + 1))
        ASSERT_TRUE(i > 0 && bytes_[i - 1] == '\r') << "line end without CR at byte " << i;

    EXPECT_GE(ini_.ReadInteger("Global", "Version", 0), 122);
    EXPECT_EQ(ini_.ReadInteger("Global", "Sprachen", 0), 2);

    // One line per language in language order; the code, then decimal LANGIDs.
    const auto lines = ini_.ReadSectionValues("WinLanguage");
    ASSERT_EQ(lines.size(), kCodes.size());
    std::vector<std::vector<std::string>> ids(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].substr(0, 3), kCodes[i] + "=") << lines[i];
        const auto elements = SplitElements(lines[i]);
        ASSERT_GE(elements.size(), 2u) << lines[i];
        ids[i].assign(elements.begin() + 1, elements.end());
        for (const auto& id : ids[i])
            EXPECT_TRUE(IsDecimal(id)) << lines[i];
    }
    auto has = [&](std::size_t line, const std::string& id) {
        return std::find(ids[line].begin(), ids[line].end(), id) != ids[line].end();
    };
    EXPECT_TRUE(has(0, "1031"));
    EXPECT_TRUE(has(1, "2057"));
    EXPECT_TRUE(has(1, "1033"));
    // The language is picked by the first line that contains the LANGID as text,
    // so no LANGID may also stand inside an earlier line.
    for (std::size_t i = 0; i < lines.size(); ++i)
        for (const auto& id : ids[i])
            for (std::size_t j = 0; j < i; ++j)
                EXPECT_EQ(lines[j].find(id), std::string::npos)
                    << id << " of " << kCodes[i] << " also matches " << lines[j];

    EXPECT_EQ(ini_.ReadString("Language", "$TM0DE", ""), "Deutsch");
    EXPECT_EQ(ini_.ReadString("Language", "$TM1DE", ""), "Englisch");
    EXPECT_EQ(ini_.ReadString("Language", "$TM0GB", ""), "German");
    EXPECT_EQ(ini_.ReadString("Language", "$TM1GB", ""), "English");
}

TEST_F(LanguageFile, EveryIdUsedInTheSourcesHasTextsInBothLanguages) {
    const auto used = IdsUsedInSources();
    ASSERT_FALSE(used.empty()) << "no text id found under " << kSourceRoot / "src";
    // The runs the program builds are among them: the last protocol of the
    // radio modems, the last tool-bar hint, the end of the report's footer.
    for (const char* built : {"$T17006", "$T05009", "$T37005", "$T40040"})
        EXPECT_EQ(used.count(built), 1u) << built;
    // A filler that says nothing about what happened is no text for the user.
    const std::string filler = "Der Vorgang konnte nicht ausgef\xFChrt werden.";
    for (const auto& id : used) {
        for (const auto& code : kCodes)
            EXPECT_FALSE(ini_.ReadString("Global", id + code, "").empty()) << id << code;
        EXPECT_NE(ini_.ReadString("Global", id + "DE", ""), filler) << id;
    }
}

TEST_F(LanguageFile, TheSourcesBuildIdsOnlyFromNamedRuns) {
    // An id made from a partial literal or a bare group number escapes the
    // check above; such ids belong in a TextIdRange.
    const std::regex built(R"((\"\$T[0-9]{0,4}\"\s*\+)|(GetTexts\(\s*[0-9])|(MakeId\(\s*[0-9]))");
    for (const auto& [path, text] : Sources()) {
        // The language service itself makes the ids.
        if (path.stem() == "Sprache")
            continue;
        for (std::sregex_iterator it(text.begin(), text.end(), built), end; it != end; ++it)
            ADD_FAILURE() << path << ": " << it->str();
    }
}

TEST_F(LanguageFile, EveryTextIsWellFormedAndInBothLanguages) {
    const std::regex keyPattern(R"(\$T([0-9]{5})([A-Z]{2}))");
    std::map<std::string, std::set<std::string>> codesOfId;
    std::set<std::string> seen;
    for (const auto& key : ini_.ReadSection("Global")) {
        EXPECT_TRUE(seen.insert(key).second) << "key given twice: " << key;
        if (key == "Version" || key == "Sprachen")
            continue;
        std::smatch m;
        if (!std::regex_match(key, m, keyPattern)) {
            ADD_FAILURE() << "malformed key: " << key;
            continue;
        }
        EXPECT_NE(std::find(kCodes.begin(), kCodes.end(), m[2].str()), kCodes.end())
            << "unknown language in " << key;
        codesOfId["$T" + m[1].str()].insert(m[2].str());

        const std::string text = ini_.ReadString("Global", key, "");
        EXPECT_FALSE(text.empty()) << key;
        EXPECT_EQ(std::count(text.begin(), text.end(), '%') % 2, 0)
            << "odd number of '%' in " << key << "=" << text;
    }
    EXPECT_GE(codesOfId.size(), 200u);
    for (const auto& [id, codes] : codesOfId)
        EXPECT_EQ(codes.size(), kCodes.size()) << id << " is not in every language";
}

} // namespace
