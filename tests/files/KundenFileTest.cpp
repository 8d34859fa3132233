// The customer-file codec: the worked example, what each stored file reads
// as, what Write refuses, the header of each read, presets. The seeded round
// trip of a whole parameter set is in RegisterLinesTest.
#include "files/CustomerFiles.h"

#include <gtest/gtest.h>

using namespace testfiles;

namespace {

const Lines kExampleStored = {"6E19D2B56E19D2D0", "6E19D2B691E62D4B", "6E19D2B791E62D4B",
                              "6E19D2B06E19D2B4", "6E19D2B16E19D2BE", "6E19D2BD6E19D2B5",
                              "6E19D2B26E19D2B4", "6E19C2B46E19DBB4", "6E19F2B46E19D2A6",
                              "6E19C2B46E19DBB5", "6E19F2B46E197979", "6E1942B46E19D2B4",
                              "6E1942BA6E197905"};

// What ReadMain (or Read) hands back; {"damaged"} when the error flag is set.
Lines ReadBack(TKundenFile& file, const Lines& stored, bool preset = false) {
    TStringList list;
    list.Lines() = stored;
    preset ? file.Read(list) : file.ReadMain(list);
    return file.TakeError() ? Lines{"damaged"} : list.Lines();
}

} // namespace

TEST(KundenFile, WorkedExampleWritesReadsAndDetectsEveryChangedDigit) {
    TKundenFile file;
    PrepareEditorSave(file);
    TStringList registers;
    registers.Lines() = {"r900=$0012", "r901=$ABCD"};
    const std::string text = file.Write(registers);
    EXPECT_EQ(file.Lines().Lines(), Plus(kHeader, {"0000100000000900", "0000200000000012",
                                                   "0000100000000901", "000020000000ABCD", kEnd}));
    EXPECT_EQ(registers.Lines(), kExampleStored);
    EXPECT_EQ(text.size(), 234u);
    const Lines expected = {"900=$0012", "901=$ABCD"};
    EXPECT_EQ(ReadBack(file, kExampleStored), expected);
    EXPECT_EQ(ReadBack(file, Plus(kExampleStored, {""})), expected);
    for (size_t line = 0; line + 1 < kExampleStored.size(); ++line)
        for (size_t at = 0; at < 16; ++at) {
            Lines changed = kExampleStored;
            changed[line][at] = changed[line][at] == '0' ? '1' : '0';
            EXPECT_EQ(ReadBack(file, changed), Lines{"damaged"}) << line << ":" << at;
        }
}

TEST(KundenFile, EachStoredFileReadsAsTheFormatSays) {
    const Lines good = Stored(Plus(kHeader, {"0000100000000900", "0000200000000012", kEnd}));
    auto with = [&](size_t i, const std::string& line) {
        Lines l = good;
        l[i] = line;
        return l;
    };
    Lines huge; // 200,000 lines and no end line
    for (int i = 0; i < 200000; ++i)
        huge.push_back(i % 2 ? "0000200000000001" : "0000100000001000");
    const Lines damaged = {"damaged"};
    struct Case {
        const char* why;
        Lines stored;
        Lines expected;
    };
    const Case cases[] = {
        {"empty: no lines, no damage", {}, {}},
        {"only a checksum line", Stored({}), {}},
        {"one empty line", {""}, {}},
        {"one line of blanks", {"   "}, {}},
        {"two empty lines", {"", ""}, {}},
        {"three lines of blanks", {" ", "", "\t"}, {}},
        {"a line of 15 characters", with(1, good[1].substr(0, 15)), damaged},
        {"a line of 17 characters: the 17th is not read", with(1, good[1] + "0"), {"900=$0012"}},
        {"a blank in a field", with(1, " " + good[1].substr(1)), damaged},
        {"0x in a field", with(1, "0x" + good[1].substr(2)), damaged},
        {"a NUL byte", with(1, std::string(1, '\0') + good[1].substr(1)), damaged},
        {"an 8-bit byte", with(1, "\xE4" + good[1].substr(1)), damaged},
        {"two empty lines at the end", Plus(good, {"", ""}), {"900=$0012"}},
        {"three lines of blanks at the end", Plus(good, {" ", "", "\t"}), {"900=$0012"}},
        {"the checksum line dropped", Lines(good.begin(), good.end() - 1), damaged},
        {"no end line", Stored(huge), damaged},
        {"a register field that is not decimal",
         Stored({"000010000000090A", "0000200000000012", kEnd}), damaged},
        {"lower-case digits",
         Stored({"0000100000000900", "000020000000abcd", kEnd}),
         {"900=$ABCD"}},
        {"a value before any register", Stored({"0000200000000005", kEnd}), {"0=$0005"}},
        {"a value above 0xFFFF",
         Stored({"0000100000000902", "0000200000012345", kEnd}),
         {"902=$12345"}},
        {"unknown codes and lines after the end",
         Stored({"0000777700000001", "0000200000000001", kEnd, "0000200000000002"}),
         {"0=$0001"}},
    };
    for (const Case& c : cases) {
        TKundenFile file;
        EXPECT_EQ(ReadBack(file, c.stored), c.expected) << c.why;
    }
}

TEST(KundenFile, WriteRefusesWhatCouldNotBeReadBack) {
    for (const std::string line : {"900=$-1", "900=$12G", "900=$", "900=$123456789", "=5", "r=5",
                                   "r900", "r123456789=$1", "r900 =$1", "ok"}) {
        TKundenFile file;
        PrepareEditorSave(file);
        if (line == "ok")
            file.Info().SetVersion(0); // a valid line, but no version
        TStringList registers, text;
        registers.Lines() = {"900=$0012", line == "ok" ? "901=$1" : line};
        const Lines before = registers.Lines();
        EXPECT_EQ(file.Write(registers), "") << line;
        EXPECT_EQ(file.WriteExtended(registers, text), "") << line;
        EXPECT_EQ(registers.Lines(), before) << line;
    }
}

TEST(KundenFile, EveryReadStartsFromTheConstructedHeader) {
    TKundenFile file;
    ReadBack(file,
             Stored({"0000000100000064", "0000000200000007", "0000000300000021", "0000000400000001",
                     "000000050000000A", "0000000900000001", "0000000600000001", kEnd}));
    EXPECT_EQ(std::tuple(file.Info().Version(), file.Serial, file.ControllerType, file.Kind),
              std::tuple(100, 7, 0x21, 10));
    EXPECT_TRUE(file.ServiceFlag && file.Editable && file.FrequencySet);
    TStringList broken, bare; // the error flag, not taken, goes with the next read too
    broken.Lines() = {"0000000000000001"}; // fails its checksum
    file.ReadMain(broken);
    EXPECT_TRUE(file.HasError());
    bare.Lines() = Stored({kEnd});
    file.ReadMain(bare);
    EXPECT_FALSE(file.HasError());
    EXPECT_EQ(std::tuple(file.Info().Version(), file.Serial, file.ControllerType, file.Kind),
              std::tuple(0, -1, -1, 0));
    EXPECT_FALSE(file.ServiceFlag || file.Editable || file.FrequencySet);
}

TEST(KundenFile, PresetTextComesBackWithoutFillerAndHighCharacters) {
    TKundenFile file;
    file.Info().SetVersion(FileFormatVersion);
    TStringList registers, text;
    registers.Add("900=$0001");
    text.Lines() = {"Hello world", "F\xFCr"}; // 11 + 2, then 3 + 2 characters
    file.WriteExtended(registers, text);
    EXPECT_EQ(text.Count(), 0u);
    TKrypto krypto;
    ASSERT_FALSE(krypto.Decode(file.Lines()));
    EXPECT_EQ(krypto.Result().Lines(),
              (Lines{"0000000100000064", "000000050000000A", "0000000900000000", "0000100000000900",
                     "0000200000000001", "0000800000000001", "48656C6C6F20776F", "726C640D0A46FC72",
                     "A7A7A7A7A7A70D0A", "0000800000000002", kEnd}));
    EXPECT_EQ(ReadBack(file, file.Lines().Lines(), true),
              (Lines{"900=$0001", "Hello world\r\nFr\r\n"}));
    // A block left open, or opened by a value that is not decimal: damaged.
    for (const std::string open : {"0000800000000001", "000080000000000A"})
        EXPECT_EQ(ReadBack(file, Stored({open, "4142434445464748", kEnd}), true), Lines{"damaged"});
}
