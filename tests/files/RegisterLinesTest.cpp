// Register text lines: the cleaning, the three value forms and their limits,
// the names of each file kind, and the parse of a whole file into the image.
#include "files/RegisterLines.h"
#include "files/CustomerFiles.h"
#include "files/FileNames.h"
#include "platform/StringList.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using F = LineFault;

struct LineCase {
    std::string line;
    NameForm names;
    LineFault fault;
    uint32_t reg;
    uint32_t value;
};

} // namespace

TEST(RegisterLines, EachLineReadsAsItsFormSays) {
    const auto P = NameForm::Prefixed;
    const auto B = NameForm::Bare;
    const auto E = NameForm::Either;
    const LineCase cases[] = {
        {"   r1000=$1F ; comment", P, F::None, 1000, 0x1F},
        {"R901=$abCD", P, F::None, 901, 0xABCD},
        {"r901=65535", P, F::None, 901, 65535},
        {"r902=%1111111111111111", P, F::None, 902, 0xFFFF},
        {"r903=0", P, F::None, 903, 0},
        {"r0903=00255", P, F::None, 903, 255},
        {"900=$0012", B, F::None, 900, 0x12},
        {"900=$0012", E, F::None, 900, 0x12},
        {"r900=$0012", E, F::None, 900, 0x12},
        {"\t ; only a comment", P, F::Blank, 0, 0},
        {"", P, F::Blank, 0, 0},
        {"r901=$12345", P, F::HexValue, 901, 0},
        {"r901=$-1", P, F::HexValue, 901, 0},
        {"r901=$", P, F::HexValue, 901, 0},
        {"r901=$12G", P, F::HexValue, 901, 0},
        {"r901=% 1", P, F::BinaryValue, 901, 0},
        {"r901=%102", P, F::BinaryValue, 901, 0},
        {"r901=%11111111111111111", P, F::BinaryValue, 901, 0},
        {"r901=65536", P, F::DecimalValue, 901, 0},
        {"r901=123456", P, F::DecimalValue, 901, 0},
        {"r901=0x12", P, F::DecimalValue, 901, 0},
        {"r901=12 3", P, F::DecimalValue, 901, 0},
        {"r901=+5", P, F::UnknownForm, 901, 0},
        {"r901=#12", P, F::UnknownForm, 901, 0},
        {"r901=", P, F::UnknownForm, 901, 0},
        {"r=5", P, F::BadName, 0, 0},
        {"=5", P, F::BadName, 0, 0},
        {"r900", P, F::BadName, 0, 0},
        {"r1000 = $1F", P, F::BadName, 0, 0},
        {"r99999999999=1", P, F::BadName, 0, 0},
        {"r-900=1", P, F::BadName, 0, 0},
        {"900=$0012", P, F::WrongKind, 0, 0},
        {"r900=$0012", B, F::WrongKind, 0, 0},
    };
    for (const LineCase& c : cases) {
        const RegisterLine line = ParseRegisterLine(CleanRegisterLine(c.line), c.names);
        EXPECT_EQ(line.fault, c.fault) << c.line;
        if (c.fault == F::None || c.fault == F::HexValue || c.fault == F::UnknownForm) {
            EXPECT_EQ(line.reg, c.reg) << c.line;
        }
        EXPECT_EQ(line.value, c.fault == F::None ? c.value : InvalidRegisterValue) << c.line;
    }
    // A line of a megabyte is read (and refused) like any other.
    EXPECT_EQ(ParseRegisterLine("r900=" + std::string(1 << 20, '1'), P).fault, F::DecimalValue);
}

TEST(RegisterLines, ValueFaultsNameTheirMessages) {
    EXPECT_EQ(FaultTextId(F::HexValue), "$T30009");
    EXPECT_EQ(FaultTextId(F::BinaryValue), "$T30010");
    EXPECT_EQ(FaultTextId(F::DecimalValue), "$T30011");
    EXPECT_EQ(FaultTextId(F::UnknownForm), "$T30039");
    EXPECT_EQ(FaultTextId(F::BadName), "");
    EXPECT_EQ(FaultTextId(F::WrongKind), "");
}

TEST(RegisterLines, AFileIsCleanedStoredAndStoppedAtItsFirstInvalidLine) {
    TStringList lines;
    lines.Lines() = {"; register dump", "",           "  r1000=$1F ; c", "r1500=$0001",
                     "r900=$0001",      "r900=$0002", "r901=%101",       "r902=77",
                     "r903=$12345",     "r904=$0004"};
    TRegisterImage image{};
    const LinesFault fault = ParseRegisterLines(lines, NameForm::Prefixed, image);
    EXPECT_EQ(fault.fault, F::HexValue);
    EXPECT_EQ(fault.line, 8u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[2], "r1000=$1F");
    EXPECT_EQ(image[100], 0x1Fu);
    EXPECT_EQ(image[0], 1u); // the first line of a register counts
    EXPECT_EQ(image[1], 5u);
    EXPECT_EQ(image[2], 77u);
    EXPECT_EQ(image[3], 0u);
    EXPECT_EQ(image[4], 0u); // after the invalid line nothing is stored
}

TEST(RegisterLines, EveryFormTheProgramWritesReadsBack) {
    std::mt19937 random(5);
    TRegisterImage image{};
    for (uint32_t& cell : image)
        cell = random() % 0x10000;
    // Dump lines.
    TStringList dump;
    for (uint32_t reg = 900; reg <= 1471; ++reg)
        dump.Add(DumpLine(reg, image[reg - 900]));
    TRegisterImage fromDump{};
    EXPECT_EQ(ParseRegisterLines(dump, NameForm::Prefixed, fromDump).fault, F::None);
    // The customer-file save's lines through the codec.
    TStringList save;
    BuildCustomerSaveLines(image, save);
    ASSERT_EQ(save.Count(), 572u);
    EXPECT_EQ(save[0].substr(0, 4), "900=");
    TKundenFile file;
    testfiles::PrepareEditorSave(file);
    ASSERT_FALSE(file.Write(save).empty());
    file.ReadMain(save);
    TRegisterImage fromFile{};
    EXPECT_EQ(ParseRegisterLines(save, NameForm::Bare, fromFile).fault, F::None);
    for (int i = 0; i < 572; ++i) {
        EXPECT_EQ(fromDump[i], image[i]) << i;
        EXPECT_EQ(fromFile[i], image[i]) << i;
    }
}

TEST(FileNames, TheFinalExtensionDecidesTheKindInAnyCase) {
    struct Case {
        const char* path;
        ParameterFileKind kind;
    };
    const Case cases[] = {
        {"/a/x.qdv", ParameterFileKind::Customer},
        {"/a/x.Qdv", ParameterFileKind::Customer},
        {"x.RTU", ParameterFileKind::RegisterText},
        {"/a/x.Rtu", ParameterFileKind::RegisterText},
        {"/a/old.qdv/x.rtu", ParameterFileKind::RegisterText},
        {"/a/old.rtu/x", ParameterFileKind::Other},
        {"/a/x.qdv.txt", ParameterFileKind::Other},
        {"/a/.qdv", ParameterFileKind::Other},
        {"/a/x", ParameterFileKind::Other},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FileKindOf(c.path), c.kind) << c.path;
}

TEST(FileNames, CompletionChangesOnlyTheFileName) {
    EXPECT_EQ(UpperNameWithExtension("/home/tech/lower.d/test", ".RTU"),
              "/home/tech/lower.d/TEST.RTU");
    EXPECT_EQ(UpperNameWithExtension("test.txt", ".QDV"), "TEST.TXT.QDV");
    EXPECT_EQ(ReplaceExtension("/a.b/test", ".qdv"), "/a.b/test.qdv");
    EXPECT_EQ(ReplaceExtension("/a/test.txt", ".qdv"), "/a/test.qdv");
    EXPECT_EQ(FinalExtension("/a.b/c"), "");
    EXPECT_EQ(FinalExtension("/a/c.Rtu"), ".Rtu");
}
