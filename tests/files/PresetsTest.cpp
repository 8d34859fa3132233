// Preset files, the preset folder, the languages of the hint dialog and the
// demo file lister, without a window.
#include "files/PreSets.h"
#include "files/CustomerFiles.h"
#include "files/FileNames.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using testfiles::Lines;

std::string Preset(int family, const Lines& registers, const Lines& hints) {
    Lines language = {"\n\r[Language]"};
    language.insert(language.end(), hints.begin(), hints.end());
    return PresetFileBytes(registers, PresetText(family, 1, language));
}

TEST(PresetFile, ReadsBackWhatThePageWrote) {
    const PresetContent c = ReadPresetBytes(
        Preset(0x21, {"1216=$0A", "944=$0155"}, {"$P0407=Betrieb [A]", "$P0409=A=B"}));
    EXPECT_FALSE(c.damaged);
    EXPECT_EQ(c.registerLines, (Lines{"1216=$000A", "944=$0155"}));
    EXPECT_EQ(c.keys.at("$PID"), "21");
    EXPECT_EQ(c.keys.at("$PTyp"), "1");
    // language id, hint: its own, else the English one
    const std::pair<int, const char*> hints[] = {
        {1031, "Betrieb [A]"}, {1033, "A=B"}, {2057, "A=B"}, {-1, "A=B"}};
    for (const auto& [id, hint] : hints)
        EXPECT_EQ(c.Hint(id), hint) << id;
    EXPECT_EQ(ReadPresetBytes(Preset(0x21, {"900=$1"}, {"$P0407=x"})).Hint(1033), "");
    EXPECT_TRUE(ReadPresetBytes("").damaged);
}

TEST(PresetFile, FamilyOfTheDeviceLineFollowsTheTypeTable) {
    const std::pair<uint32_t, int> cases[] = {{0x10, 0x10}, {0x1A, 0x10}, {0x1C, 0x10},
                                              {0x22, 0x21}, {0x70, 0x21}, {0x32, 0x30},
                                              {0xD1, 0xD0}, {0x71, 0x71}, {0x55, 0x55}};
    for (const auto& [pid, family] : cases)
        EXPECT_EQ(PresetFamilyOf(pid), family) << pid;
}

TEST(PresetFile, RegistersComeAllOrNone) {
    const std::pair<Lines, bool> cases[] = {{{"1000=$0005", "1471=$FFFF", "900=$1"}, true},
                                            {{"1000=$0005", "1500=$0001"}, false},
                                            {{"1000=$12345"}, false},
                                            {{"1000=5"}, false},
                                            {{"899=$1"}, false},
                                            {{"=$1"}, false},
                                            {{"1000=$"}, false},
                                            {{}, false}};
    for (const auto& [lines, ok] : cases) {
        std::vector<std::pair<uint32_t, uint32_t>> out;
        EXPECT_EQ(PresetRegisters(lines, out), ok) << ::testing::PrintToString(lines);
        EXPECT_EQ(out.size(), ok ? lines.size() : 0u);
    }
}

class PresetFolder : public ::testing::Test {
protected:
    void SetUp() override {
        const std::pair<const char*, std::string> files[] = {
            {"b match.pre", Preset(0x21, {"916=$0007", "944=$0155"}, {"$P0409=Second"})},
            {"a match.pre", Preset(0x21, {"910=$0002"}, {"$P0409=A=B"})},
            {"half.pre", Preset(0x21, {"1000=$0005", "1500=$0001"}, {"$P0409=Half"})},
            {"repeater.pre", Preset(0x71, {"935=$0001"}, {"$P0409=Rep"})},
            {"rtu.pre", Preset(0x10, {"916=$0001"}, {"$P0409=Rtu"})},
            {"hintless.pre", Preset(0x21, {"916=$0001"}, {"$P0407=Nur deutsch"})},
            {"corrupt.pre", "0123456789ABCDEF\r\n"},
            {"PLAN.PRE", Preset(0x21, {"916=$0001"}, {"$P0409=Plan"})},
            {"note.txt", ""}};
        for (const auto& [name, bytes] : files)
            testfiles::WriteFile(tmp_.Path() / name, bytes);
        fs::create_directory(tmp_.Path() / "dir.pre");
        image_.fill(0);
    }

    TempDir tmp_{"ostara-presets"};
    TRegisterImage image_{};
    Lines log_;
    TPreSets presets_{tmp_.Path(), image_, [this](const std::string& m) { log_.push_back(m); }};
};

TEST_F(PresetFolder, ScanMatchesTheFamilyAndLeavesOutWhatCannotBeShown) {
    EXPECT_EQ(ListPresetNames(tmp_.Path()),
              (Lines{"", "a match", "b match", "corrupt", "half", "hintless", "repeater", "rtu"}));
    presets_.Scan(0x21, 2057);
    Lines matches, others;
    for (int i = 0; i < presets_.MatchCount(); ++i)
        matches.push_back(presets_.GetMatchName(i) + "|" +
                          fs::path(presets_.GetMatchPath(i)).filename().string());
    for (int i = 0; i < presets_.OtherCount(); ++i)
        others.push_back(presets_.GetOtherName(i));
    EXPECT_EQ(matches, (Lines{"A=B|a match.pre", "Second|b match.pre", "Half|half.pre"}));
    EXPECT_EQ(others, (Lines{"repeater", "rtu"}));
    presets_.Scan(0x71, 1033);
    EXPECT_EQ(presets_.GetMatchName(0), "Rep");

    Lines damaged;
    EXPECT_EQ(presets_.GetPresetList(1033, &damaged),
              (Lines{"A=B", "Second", "Half", "Rep", "Rtu"}));
    EXPECT_EQ(damaged, Lines{"corrupt.pre"});
    ASSERT_EQ(log_.size(), 3u);
    EXPECT_NE(log_[0].find("hintless.pre"), std::string::npos);
}

TEST_F(PresetFolder, ApplyStoresEveryRegisterOrNone) {
    uint8_t changed = 0;
    std::set<uint32_t> pending = {1300};
    presets_.SetChangedFlag(&changed);
    presets_.SetChangedFlag(nullptr);
    presets_.SetPendingRegisters(&pending);
    presets_.SetPendingRegisters(nullptr);
    presets_.Scan(0x21, 1033);
    TRegisterImage expected{};
    EXPECT_FALSE(presets_.ApplyPreset(2)); // half: 1500 is no parameter register
    EXPECT_FALSE(presets_.ApplyPreset(3));
    EXPECT_TRUE(image_ == expected && changed == 0 && pending.size() == 1);
    // What runs before the values are stored still sees the old image.
    ASSERT_TRUE(presets_.ApplyPreset(0, nullptr, [this] { EXPECT_EQ(image_[10], 0u); }));
    expected[10] = 2;
    EXPECT_TRUE(image_ == expected);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(pending, (std::set<uint32_t>{910, 1300}));
    fs::remove(tmp_.Path() / "b match.pre");
    PresetRefusal why;
    EXPECT_FALSE(presets_.ApplyPreset(1, &why));
    EXPECT_EQ(std::pair(why.line, why.text.empty()), std::pair(0, false)); // the read error
}

TEST(CountryCodes, LinesThatNameNoLanguageAreSkipped) {
    const std::vector<CountryCode> codes = ParseCountryCodes(
        "1033=English (USA)\r\n\r\n  \r\nGerman\r\nxx=Klingon\r\n70000=Big\r\n-5=Minus\r\n"
        " 1031 = Deutsch \r\n9=\r\n2057=English (UK)");
    Lines names;
    for (const CountryCode& c : codes)
        names.push_back(std::to_string(c.id) + "=" + c.name);
    EXPECT_EQ(names, (Lines{"1033=English (USA)", "1031=Deutsch", "2057=English (UK)"}));
}

TEST(DemoFiles, RegularFilesOfTheExtensionByName) {
    TempDir tmp("ostara-demos");
    const fs::path demos = tmp.Path() / "Demos";
    EXPECT_TRUE(ListDemoFiles(demos, ".qdv").empty());
    EXPECT_TRUE(fs::is_directory(demos));
    for (const char* name :
         {"Station A.qdv", "a.b.qdv", "A&B.qdv", "X.QDV", "a.qdv.qdv", ".qdv", "note.txt", "qdv"})
        testfiles::WriteFile(demos / name, "");
    fs::create_directory(demos / "d.qdv");
    Lines listed;
    for (const NamedFile& f : ListDemoFiles(demos, ".qdv"))
        listed.push_back(f.name + "|" + fs::path(f.path).filename().string());
    EXPECT_EQ(listed, (Lines{"A&B|A&B.qdv", "Station A|Station A.qdv", "X|X.QDV", "a.b|a.b.qdv",
                             "a.qdv|a.qdv.qdv"}));
}

} // namespace
