// Register text lines: the cleaning, the value forms and their limits, the
// names of each file kind, a whole file into the image. (The kinds of file
// and the completed names are tested with the open and save commands.)
#include "files/RegisterLines.h"
#include "files/CustomerFiles.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using F = LineFault;
const auto P = NameForm::Prefixed;

TEST(RegisterLines, EachLineReadsAsItsFormSays) {
    struct Case {
        std::string line;
        NameForm names;
        LineFault fault;
        uint32_t value;
    };
    const Case cases[] = {
        {"   r1000=$1F ; comment", P, F::None, 0x1F},
        {"R1000=$abCD", P, F::None, 0xABCD},
        {"r1000=65535", P, F::None, 65535},
        {"r1000=%1111111111111111", P, F::None, 0xFFFF},
        {"r01000=00255", P, F::None, 255},
        {"1000=$0012", NameForm::Bare, F::None, 0x12},
        {"r1000=1", NameForm::Either, F::None, 1},
        {"\t ; only a comment", P, F::Blank, 0},
        {"r1000=$12345", P, F::HexValue, 0},
        {"r1000=$-1", P, F::HexValue, 0},
        {"r1000=$", P, F::HexValue, 0},
        {"r1000=$12G", P, F::HexValue, 0},
        {"r1000=%102", P, F::BinaryValue, 0},
        {"r1000=%11111111111111111", P, F::BinaryValue, 0},
        {"r1000=65536", P, F::DecimalValue, 0},
        {"r1000=0x12", P, F::DecimalValue, 0},
        {"r1000=+5", P, F::UnknownForm, 0},
        {"r1000=#12", P, F::UnknownForm, 0},
        {"r=5", P, F::BadName, 0},
        {"=5", P, F::BadName, 0},
        {"r1000", P, F::BadName, 0},
        {"r1000 = $1F", P, F::BadName, 0},
        {"r99999999999=1", P, F::BadName, 0},
        {"1000=$0012", P, F::WrongKind, 0},
        {"r1000=$0012", NameForm::Bare, F::WrongKind, 0},
        {"r1000=" + std::string(1 << 20, '1'), P, F::DecimalValue, 0},
    };
    for (const Case& c : cases) {
        const RegisterLine line = ParseRegisterLine(CleanRegisterLine(c.line), c.names);
        EXPECT_EQ(line.fault, c.fault) << c.line.substr(0, 40);
        EXPECT_EQ(line.value, c.fault == F::None ? c.value : InvalidRegisterValue) << c.line;
        if (c.fault == F::None) {
            EXPECT_EQ(line.reg, 1000u) << c.line;
        }
    }
}

TEST(RegisterLines, AFileIsCleanedStoredAndStoppedAtItsFirstInvalidLine) {
    TStringList lines;
    lines.Lines() = {"; dump",     "",          "  r1000=$1F ; c", "r1500=$0001", "r900=$0001",
                     "r900=$0002", "r901=%101", "r903=$12345",     "r904=$0004"};
    TRegisterImage image{};
    const LinesFault fault = ParseRegisterLines(lines, P, image);
    EXPECT_EQ(std::pair(fault.fault, fault.line), std::pair(F::HexValue, size_t{7}));
    EXPECT_EQ(lines[2], "r1000=$1F");
    // Register 1500 is skipped, the first line of 900 counts, nothing after
    // the invalid line is stored.
    EXPECT_EQ(std::tuple(image[100], image[0], image[1], image[4]), std::tuple(0x1Fu, 1u, 5u, 0u));
}

TEST(RegisterLines, ASeededParameterSetComesBackThroughTheCustomerFile) {
    std::mt19937 random(5);
    TRegisterImage image{}, fromFile{};
    for (uint32_t& cell : image)
        cell = random() % 0x10000;
    TStringList save;
    BuildCustomerSaveLines(image, save);
    TKundenFile file;
    testfiles::PrepareEditorSave(file);
    file.Write(save);
    file.ReadMain(save);
    EXPECT_EQ(ParseRegisterLines(save, NameForm::Bare, fromFile).fault, F::None);
    for (int i = 0; i < 572; ++i)
        ASSERT_EQ(fromFile[i], image[i]) << i;
}

} // namespace
