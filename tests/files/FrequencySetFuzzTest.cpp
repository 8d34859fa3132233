// Seeded random lines through the frequency-set reader and the converter
// (under the address sanitizer in CI): the reader changes only the cells a
// frequency set may hold, and every converted line is a register line of
// 0..65535 but 999 with 4 hex digits, which a customer file carries back.
#include "files/Converter.h"
#include "files/CustomerFiles.h"
#include "files/FrequencySet.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>

TEST(FrequencySetFuzz, ReaderAndConverterKeepToTheirRegisters) {
    std::mt19937 rnd(21);
    const char* seeds[] = {"r1150=$7F",  "r1216=$1",  "r1471=%1", "r1148=2", "r906=$21",
                           "r999=$20AA", "r70000=$1", "1344=$12", "; c",     "r1150=65535"};
    static const char alphabet[] = "rR0123456789$%=;-x aF\t";
    static const std::regex converted("r([0-9]+)=\\$[0-9A-F]{4}");
    int taken = 0;
    for (int round = 0; round < 3000; ++round) {
        testfiles::Lines lines;
        for (uint32_t n = rnd() % 12; n > 0; --n) {
            std::string line = seeds[rnd() % std::size(seeds)];
            for (uint32_t e = rnd() % 6 == 0; e > 0; --e)
                line.insert(line.begin() + rnd() % (line.size() + 1),
                            rnd() % 4 ? alphabet[rnd() % (sizeof alphabet - 1)] : char(rnd()));
            lines.push_back(line);
        }
        const auto names = static_cast<NameForm>(rnd() % 2);
        const int cells[] = {-1, 248, 250, 599, 600};
        const int countCell = cells[rnd() % 5], activeCell = cells[rnd() % 5];
        TRegisterImage image{};
        const FrequencySetLoad load =
            DecodeFrequencySet(lines, names, image, countCell, activeCell);
        for (int i = 0; i < RegisterImageSize; ++i)
            if (load.image[i] != 0)
                ASSERT_TRUE(i >= 316 || i == countCell || i == activeCell) << i;
        taken += load.fault == LineFault::None;

        const ConvertedLines out = ConvertRegisterText(lines, names);
        if (out.fault != ConvertFault::None)
            continue;
        for (const std::string& line : out.lines) {
            std::smatch m;
            ASSERT_TRUE(std::regex_match(line, m, converted)) << line;
            ASSERT_TRUE(std::stoul(m[1]) <= 65535 && std::stoul(m[1]) != 999) << line;
        }
        TKundenFile codec;
        TStringList file;
        file.SetText(WriteConvertedFile(codec, out.lines, {false, -1, -1, 100}));
        codec.ReadMain(file);
        ASSERT_EQ(file.Count(), out.lines.size());
    }
    EXPECT_GT(taken, 300);
}
