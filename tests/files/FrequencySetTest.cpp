// Frequency-set files without a window: the lines and the two file forms a
// table gives, byte-exact, and what the reader takes from a file into its
// copy of the image.
#include "files/FrequencySet.h"
#include "files/CustomerFiles.h"

#include <gtest/gtest.h>

using namespace testfiles;

namespace {

constexpr int countCell = 250;  // register 1150
constexpr int activeCell = 248; // register 1148

TRegisterImage Table(uint32_t count) {
    TRegisterImage image{};
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint32_t>(i * 7 + 1);
    image[countCell] = count;
    image[activeCell] = 1;
    return image;
}

} // namespace

TEST(FrequencySet, LinesAndFilesOfATable) {
    EXPECT_EQ(FrequencySetLines(Table(15), countCell).front(), "r1150=$000F");
    EXPECT_EQ(FrequencySetLines(Table(0), countCell),
              (Lines{"r1150=$0000", "r1216=$08A5", "r1344=$0C25"}));
    const Lines full = FrequencySetLines(Table(127), countCell);
    ASSERT_EQ(full.size(), 257u);
    EXPECT_EQ(std::tuple(full[1], full[128], full[129], full[256]),
              std::tuple("r1216=$08A5", "r1343=$0C1E", "r1344=$0C25", "r1471=$0F9E"));
    for (const uint32_t count : {128u, 156u, 284u, 65535u})
        EXPECT_EQ(FrequencySetLines(Table(count), countCell), Lines{}) << count;

    const Lines zero = FrequencySetLines(Table(0), countCell);
    EXPECT_EQ(FrequencySetRegisterText(zero), "r999=$20AA\r\nr999=$2446\r\nr1150=$0000\r\n"
                                              "r1216=$08A5\r\nr1344=$0C25\r\nr999=$0000\r\n");
    TKundenFile codec;
    codec.SetSerial(7);
    const std::string file = FrequencySetCustomerFile(codec, zero);
    EXPECT_EQ(file.substr(file.size() - 4), "\r\n\r\n");
    EXPECT_EQ(codec.Serial, -1); // reset after
    TStringList stored;
    stored.SetText(file);
    TKrypto krypto;
    ASSERT_FALSE(krypto.Decode(stored));
    EXPECT_EQ(Lines(krypto.Result().Lines().begin(), krypto.Result().Lines().begin() + 7),
              (Lines{"0000000100000064", "00000002FFFFFFFF", "00000003FFFFFFFF", "0000000400000001",
                     "000000050000000A", "0000000900000000", "0000000600000001"}));
    EXPECT_EQ(codec.ReadMain(stored), "1150=$0000\r\n1216=$08A5\r\n1344=$0C25\r\n");
}

TEST(FrequencySet, SaveThenLoadGivesTheSameTable) {
    const TRegisterImage saved = Table(127);
    TKundenFile codec;
    TStringList list;
    list.SetText(FrequencySetCustomerFile(codec, FrequencySetLines(saved, countCell)));
    codec.ReadMain(list);
    TRegisterImage other{};
    other[activeCell] = 1;
    for (const auto& [lines, names] :
         {std::pair(list.Lines(), NameForm::Bare),
          std::pair(SplitLines(FrequencySetRegisterText(FrequencySetLines(saved, countCell))),
                    NameForm::Prefixed)}) {
        const FrequencySetLoad load =
            DecodeFrequencySet(lines, names, other, countCell, activeCell);
        ASSERT_EQ(load.fault, LineFault::None);
        for (size_t i = 0; i < saved.size(); ++i)
            ASSERT_EQ(load.image[i], i == countCell || (i >= 316 && i <= 571) ? saved[i] : other[i])
                << i;
    }
}

TEST(FrequencySet, WhatALoadTakes) {
    struct Case {
        Lines lines;
        LineFault fault;
        size_t line;
        bool tooLarge;
        int activeChanges;
        uint32_t count, first, r906;
    };
    Lines bad(60, "r1216=$0001");
    bad[49] = "r1217=$12345";
    const Case cases[] = {
        {{"r1150=128"}, LineFault::None, 0, true, 0, 128, 0, 0},
        {{"r1150=$9C"}, LineFault::None, 0, true, 0, 156, 0, 0},
        {{"r1150=284", "r1471=$1"}, LineFault::None, 0, true, 0, 284, 0, 0},
        {{"r1150=$FFFF"}, LineFault::None, 0, true, 0, 65535, 0, 0},
        {{"r1150=$1", "r1216=$5", "r1300=$3"}, LineFault::None, 0, false, 0, 1, 5, 0},
        {{"; no count", "", "  r1216=$6 ; c", "r906=$21", "r999=$20AA"},
         LineFault::None,
         0,
         false,
         0,
         3,
         6,
         0},
        {{"r1148=2", "r1148=2", "r1148=1", "r1148=$1"}, LineFault::None, 0, false, 2, 3, 0, 0},
        {bad, LineFault::HexValue, 49, false, 0, 3, 1, 0},
        {{"r1150=1", "r1216=1", "1344=1"}, LineFault::WrongKind, 2, false, 0, 1, 1, 0},
        {{"r1150=1", "r12x6=1"}, LineFault::BadName, 1, false, 0, 1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines.front());
        TRegisterImage image{};
        image[countCell] = 3;
        image[activeCell] = 1;
        const FrequencySetLoad load =
            DecodeFrequencySet(c.lines, NameForm::Prefixed, image, countCell, activeCell);
        EXPECT_EQ(std::tuple(load.fault, load.line, load.countTooLarge, load.activeChannelChanges),
                  std::tuple(c.fault, c.line, c.tooLarge, c.activeChanges));
        EXPECT_EQ(std::tuple(load.image[countCell], load.image[316], load.image[6], load.image[99]),
                  std::tuple(c.count, c.first, c.r906, 0u));
    }
}
