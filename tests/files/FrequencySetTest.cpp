// Frequency-set files without a window: the lines and both file forms of a
// table, byte-exact; what the reader takes into its copy of the image.
#include "files/FrequencySet.h"
#include "files/CustomerFiles.h"

#include <gtest/gtest.h>

using namespace testfiles;

namespace {

constexpr int countCell = 250, activeCell = 10; // registers 1150 and 910

TRegisterImage Table(uint32_t count) {
    TRegisterImage image{};
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint32_t>(i * 7 + 1);
    image[countCell] = count;
    return image;
}

} // namespace

TEST(FrequencySet, LinesAndFilesOfATable) {
    EXPECT_EQ(FrequencySetLines(Table(15), countCell).front(), "r1150=$000F");
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
    const std::string file = FrequencySetCustomerFile(codec, zero);
    EXPECT_EQ(file.substr(file.size() - 4), "\r\n\r\n");
    EXPECT_EQ(Lines(codec.Lines().Lines().begin(), codec.Lines().Lines().begin() + 7),
              (Lines{"0000000100000064", "00000002FFFFFFFF", "00000003FFFFFFFF", "0000000400000001",
                     "000000050000000A", "0000000900000000", "0000000600000001"}));
}

TEST(FrequencySet, ALoadTakesTheTableOnly) {
    // Saved and loaded again into another image: count and tables come over,
    // the active channel and every other register stay.
    TKundenFile codec;
    TStringList list;
    list.SetText(FrequencySetCustomerFile(codec, FrequencySetLines(Table(127), countCell)));
    codec.ReadMain(list);
    TRegisterImage other{};
    FrequencySetLoad load =
        DecodeFrequencySet(list.Lines(), NameForm::Bare, other, countCell, activeCell);
    for (size_t i = 0; i < other.size(); ++i)
        ASSERT_EQ(load.image[i], i == countCell || (i >= 316 && i < 572) ? Table(127)[i] : 0) << i;

    // No count line, a line past the count, registers outside the set; a
    // count the tables cannot hold.
    const Lines lines = {"; plan", "", " r1471=$5 ; c", "r906=$21", "r999=$20AA", "r910=2"};
    load = DecodeFrequencySet(lines, NameForm::Prefixed, other, countCell, activeCell);
    EXPECT_EQ(std::tuple(load.fault, load.countTooLarge, load.activeChannelChanges),
              std::tuple(LineFault::None, false, 1));
    EXPECT_EQ(std::tuple(load.image[571], load.image[6], load.image[99], load.image[10]),
              std::tuple(5u, 0u, 0u, 2u));
    for (const char* count : {"r1150=128", "r1150=$9C", "r1150=284", "r1150=$FFFF"})
        EXPECT_TRUE(DecodeFrequencySet({count}, NameForm::Prefixed, other, countCell, activeCell)
                        .countTooLarge);
}
