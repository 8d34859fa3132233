// The customer-file codec: the worked example, damaged files, the header of
// each read, and round trips of the register lines.
#include "files/KundenFile.h"
#include "files/CustomerFiles.h"
#include "files/Krypto.h"

#include <gtest/gtest.h>

#include <random>

using namespace testfiles;

namespace {

const Lines kExamplePlain = {"0000000100000064", "00000002FFFFFFFF", "00000003FFFFFFFF",
                             "0000000400000000", "000000050000000A", "0000000900000001",
                             "0000000600000000", "0000100000000900", "0000200000000012",
                             "0000100000000901", "000020000000ABCD", "0000900000000000"};
const Lines kExampleStored = {"6E19D2B56E19D2D0", "6E19D2B691E62D4B", "6E19D2B791E62D4B",
                              "6E19D2B06E19D2B4", "6E19D2B16E19D2BE", "6E19D2BD6E19D2B5",
                              "6E19D2B26E19D2B4", "6E19C2B46E19DBB4", "6E19F2B46E19D2A6",
                              "6E19C2B46E19DBB5", "6E19F2B46E197979", "6E1942B46E19D2B4",
                              "6E1942BA6E197905"};

Lines ReadBack(TKundenFile& file, const Lines& stored, bool preset = false) {
    TStringList list;
    list.Lines() = stored;
    if (preset)
        file.Read(list);
    else
        file.ReadMain(list);
    return list.Lines();
}

} // namespace

TEST(KundenFile, WorkedExampleWritesReadsAndDetectsEveryChangedDigit) {
    TKundenFile file;
    PrepareEditorSave(file);
    TStringList registers;
    registers.Lines() = {"r900=$0012", "r901=$ABCD"};
    const std::string text = file.Write(registers);
    EXPECT_EQ(file.Lines().Lines(), kExamplePlain);
    EXPECT_EQ(registers.Lines(), kExampleStored);
    EXPECT_EQ(text.size(), 234u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");

    const Lines expected = {"900=$0012", "901=$ABCD"};
    EXPECT_EQ(ReadBack(file, kExampleStored), expected);
    EXPECT_EQ(ReadBack(file, Concat(kExampleStored, {""})), expected);
    EXPECT_FALSE(file.TakeError());
    // Any digit of a data line changed: the checksum no longer fits.
    for (size_t line = 0; line + 1 < kExampleStored.size(); ++line) {
        for (size_t at = 0; at < 16; ++at) {
            Lines changed = kExampleStored;
            changed[line][at] = changed[line][at] == '0' ? '1' : '0';
            EXPECT_TRUE(ReadBack(file, changed).empty()) << line << ":" << at;
            EXPECT_TRUE(file.TakeError()) << line << ":" << at;
        }
    }
}

TEST(KundenFile, WriteTakesEveryNameAndValueFormItReadsBack) {
    TKundenFile file;
    PrepareEditorSave(file);
    TStringList plain, prefixed;
    plain.Lines() = {"900=12", "902=12345", "1000=abcd"};
    prefixed.Lines() = {"r900=$12", "R902=$12345", "r1000=$ABCD"};
    file.Write(plain);
    file.Write(prefixed);
    EXPECT_EQ(plain.Lines(), prefixed.Lines());
    // A value above 0xFFFF comes back with all its digits.
    EXPECT_EQ(ReadBack(file, plain.Lines()), (Lines{"900=$0012", "902=$12345", "1000=$ABCD"}));
}

TEST(KundenFile, WriteFailsAndBuildsNothing) {
    struct Case {
        const char* why;
        int version;
        Lines registers;
    };
    const Case cases[] = {
        {"version 0", 0, {"900=$0012"}},
        {"negative value", 100, {"900=$-1"}},
        {"junk after the digits", 100, {"900=$12G"}},
        {"no value digits", 100, {"900=$"}},
        {"value of 9 digits", 100, {"900=$123456789"}},
        {"no name", 100, {"=5"}},
        {"no register number", 100, {"r=5"}},
        {"no =", 100, {"r900"}},
        {"register number of 9 digits", 100, {"r123456789=$1"}},
        {"blank in the name", 100, {"r900 =$1"}},
    };
    for (const Case& c : cases) {
        TKundenFile file;
        PrepareEditorSave(file);
        file.Info().SetVersion(c.version);
        TStringList registers;
        registers.Lines() = c.registers;
        EXPECT_EQ(file.Write(registers), "") << c.why;
        EXPECT_EQ(registers.Lines(), c.registers) << c.why;
        TStringList text;
        text.Add("x");
        EXPECT_EQ(file.WriteExtended(registers, text), "") << c.why;
    }
}

TEST(KundenFile, DamagedFilesAreRefusedWithoutThrowing) {
    const Lines good = Stored(
        Concat(EditorHeader(), {"0000100000000900", "0000200000000012", "0000900000000000"}));
    auto withLine = [&](size_t index, const std::string& line) {
        Lines l = good;
        l[index] = line;
        return l;
    };
    std::string nul = good[1];
    nul[3] = '\0';
    std::string high = good[1];
    high[3] = '\xE4';
    struct Case {
        const char* why;
        Lines stored;
    };
    const Case cases[] = {
        {"only a checksum line", Stored({})},
        {"a line of 15 characters", withLine(1, good[1].substr(0, 15))},
        {"a line of 17 characters", withLine(1, good[1] + "0")},
        {"a blank in a field", withLine(1, " " + good[1].substr(1))},
        {"a minus in a field", withLine(1, "-" + good[1].substr(1))},
        {"0x in a field", withLine(1, "0x" + good[1].substr(2))},
        {"a letter that is no hex digit", withLine(1, "G" + good[1].substr(1))},
        {"a NUL byte", withLine(1, nul)},
        {"an 8-bit byte", withLine(1, high)},
        {"two empty lines at the end", Concat(good, {"", ""})},
        {"an empty line inside", withLine(3, "")},
        {"no end line", Stored(Concat(EditorHeader(), {"0000100000000900", "0000200000000012"}))},
        {"a register field that is not decimal",
         Stored(
             Concat(EditorHeader(), {"000010000000090A", "0000200000000012", "0000900000000000"}))},
    };
    for (const Case& c : cases) {
        TKundenFile file;
        EXPECT_TRUE(ReadBack(file, c.stored).empty()) << c.why;
        EXPECT_EQ(file.LastResult(), TKundenFile::ReadResult::Damaged) << c.why;
        EXPECT_TRUE(file.TakeError()) << c.why;
        EXPECT_FALSE(file.Editable) << c.why;
    }
    // An empty file is no damage: it has no lines.
    TKundenFile file;
    EXPECT_TRUE(ReadBack(file, {}).empty());
    EXPECT_EQ(file.LastResult(), TKundenFile::ReadResult::Empty);
    EXPECT_FALSE(file.HasError());
}

TEST(KundenFile, OddButWellFormedLinesReadAsTheFormatSays) {
    struct Case {
        const char* why;
        Lines plain;
        Lines expected;
    };
    const Case cases[] = {
        {"lower-case digits",
         {"0000100000000900", "000020000000abcd", "0000900000000000"},
         {"900=$ABCD"}},
        {"a value without a register before it",
         {"0000200000000005", "0000900000000000"},
         {"0=$0005"}},
        {"a value above 0xFFFF",
         {"0000100000000902", "0000200000012345", "0000900000000000"},
         {"902=$12345"}},
        {"a code 0 line ends the data",
         {"0000100000000900", "0000200000000001", "0000000000000000", "0000200000000002"},
         {"900=$0001"}},
        {"unknown codes are passed over",
         {"0000777700000001", "0000100000000900", "0000200000000001", "0000900000000000"},
         {"900=$0001"}},
    };
    for (const Case& c : cases) {
        TKundenFile file;
        EXPECT_EQ(ReadBack(file, Stored(c.plain)), c.expected) << c.why;
        EXPECT_FALSE(file.TakeError()) << c.why;
    }
}

TEST(KundenFile, EveryReadStartsFromTheConstructedHeader) {
    TKundenFile file;
    const Lines service = Stored(
        Concat({"0000000100000064", "0000000200000007", "0000000300000021", "0000000400000001",
                "000000050000000A", "0000000900000001", "0000000600000001"},
               EndLine()));
    ReadBack(file, service);
    EXPECT_EQ(file.Info().Version(), 100);
    EXPECT_EQ(file.Serial, 7);
    EXPECT_EQ(file.ControllerType, 0x21);
    EXPECT_TRUE(file.ServiceFlag);
    EXPECT_EQ(file.Kind, 10);
    EXPECT_TRUE(file.Editable);
    EXPECT_TRUE(file.FrequencySet);

    // A file without header lines carries nothing over.
    ReadBack(file, Stored(EndLine()));
    EXPECT_EQ(file.Info().Version(), 0);
    EXPECT_EQ(file.Serial, -1);
    EXPECT_EQ(file.ControllerType, -1);
    EXPECT_FALSE(file.ServiceFlag);
    EXPECT_EQ(file.Kind, 0);
    EXPECT_FALSE(file.Editable);
    EXPECT_FALSE(file.FrequencySet);

    // Nor does a damaged read's error flag outlive the next read.
    ReadBack(file, Stored({}));
    EXPECT_TRUE(file.HasError());
    ReadBack(file, Stored(EndLine()));
    EXPECT_FALSE(file.HasError());
}

TEST(KundenFile, SeededRandomRegistersRoundTrip) {
    std::mt19937 random(19);
    for (int run = 0; run < 20; ++run) {
        TStringList registers;
        Lines expected;
        const int count = static_cast<int>(random() % 600);
        for (int i = 0; i < count; ++i) {
            const uint32_t reg = random() % 100000000;
            const uint32_t value = random() % 0x10000;
            char line[32], out[32];
            std::snprintf(line, sizeof line, "%s%u=%s%X", i % 2 ? "r" : "", reg, i % 3 ? "$" : "",
                          value);
            std::snprintf(out, sizeof out, "%u=$%04X", reg, value);
            registers.Add(line);
            expected.push_back(out);
        }
        TKundenFile writer;
        PrepareEditorSave(writer);
        writer.SetServiceMode(run % 2);
        ASSERT_FALSE(writer.Write(registers).empty());
        TKundenFile reader;
        EXPECT_EQ(ReadBack(reader, Concat(registers.Lines(), {""})), expected) << run;
        EXPECT_EQ(reader.ServiceFlag, run % 2 == 1);
    }
}

TEST(KundenFile, PresetTextBlockComesBackWithoutFillerAndHighCharacters) {
    TKundenFile file;
    file.Info().SetVersion(FileFormatVersion);
    TStringList registers, text;
    registers.Add("900=$0001");
    text.Add("Hello world"); // 11 characters + CR LF
    text.Add("F\xFC"
             "r");
    file.WriteExtended(registers, text);
    EXPECT_EQ(text.Count(), 0u);
    EXPECT_EQ(registers.Lines(), Lines{"900=$0001"});
    const Lines stored = file.Lines().Lines();
    TKrypto krypto;
    TStringList storedList;
    storedList.Lines() = stored;
    ASSERT_FALSE(krypto.Decode(storedList));
    const Lines plain = krypto.Result().Lines();
    // version, kind, editable, register, value, open, 3 text lines, close, end
    ASSERT_EQ(plain.size(), 11u);
    EXPECT_EQ(plain[1], "000000050000000A");
    EXPECT_EQ(plain[2], "0000000900000000");
    EXPECT_EQ(plain[5], "0000800000000001");
    EXPECT_EQ(plain[6], "48656C6C6F20776F"); // "Hello wo"
    EXPECT_EQ(plain[7], "726C640D0A46FC72"); // "rld" CR LF "Fü" "r"
    EXPECT_EQ(plain[8], "A7A7A7A7A7A70D0A"); // filler before the last CR LF
    EXPECT_EQ(plain[9], "0000800000000002");

    const Lines read = ReadBack(file, stored, true);
    EXPECT_EQ(read, (Lines{"900=$0001", "Hello world\r\nFr\r\n"}));
    EXPECT_FALSE(file.TakeError());
}

TEST(KundenFile, PresetReadRefusesABrokenTextBlock) {
    const Lines open = {"0000100000000900", "0000200000000001", "0000800000000001",
                        "4142434445464748"};
    for (const Lines& plain : {Concat(open, EndLine()), Concat({"000080000000000A"}, EndLine())}) {
        TKundenFile file;
        EXPECT_TRUE(ReadBack(file, Stored(plain), true).empty());
        EXPECT_TRUE(file.TakeError());
    }
}
