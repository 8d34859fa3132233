// Seeded random input for the customer-file readers (Decode with ReadMain,
// and Read), the register text reader, the frequency-set reader and the
// converter, grown from the damaged files of the format. The seeds are fixed so that a failure
// repeats; the suite runs under the address sanitizer in CI, which turns any overrun into a
// failure.
#include "files/Converter.h"
#include "files/CustomerFiles.h"
#include "files/FrequencySet.h"
#include "files/RegisterLines.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>

using namespace testfiles;

namespace {

struct Random {
    std::mt19937 engine;
    uint32_t Below(size_t n) { return static_cast<uint32_t>(engine() % (n ? n : 1)); }
    char Byte() { return static_cast<char>(engine()); }
};

// A file of random plain lines with the codes the readers act on, scrambled
// well or changed by a few bytes, lines and lengths.
Lines RandomFile(Random& rnd) {
    static const uint32_t codes[] = {0, 1, 2, 4, 6, 9, 0x1000, 0x2000, 0x2000, 0x8000, 0x9000};
    Lines plain;
    for (int i = static_cast<int>(rnd.Below(30)); i > 0; --i) {
        const uint32_t code = rnd.Below(10) ? codes[rnd.Below(std::size(codes))] : rnd.engine();
        plain.push_back(FormatWordPair(code, rnd.Below(2) ? rnd.Below(3) : rnd.Below(100000000)));
    }
    if (rnd.Below(3))
        plain.push_back(kEnd);
    Lines file = Stored(plain);
    // Now and then a byte, a line or an empty line more, or a digit changed.
    for (int e = static_cast<int>(rnd.Below(3) * rnd.Below(3)); e > 0; --e) {
        std::string& line = file.emplace_back(rnd.Below(2) ? "" : "0");
        std::swap(line, file[rnd.Below(file.size())]);
        line.insert(line.begin() + rnd.Below(line.size() + 1), rnd.Byte());
        line[rnd.Below(line.size())] = "09afAF"[rnd.Below(6)];
    }
    return file;
}

} // namespace

TEST(FilesFuzz, CustomerFileReadersHandBackOutputLinesOrNothing) {
    static const std::regex output("[0-9]+=\\$[0-9A-F]{4,8}");
    for (const bool preset : {false, true}) {
        Random rnd{std::mt19937(preset ? 2 : 1)};
        int ok = 0, damaged = 0;
        for (int round = 0; round < 4000; ++round) {
            TKundenFile file;
            TStringList list;
            list.Lines() = RandomFile(rnd);
            preset ? file.Read(list) : file.ReadMain(list);
            const bool error = file.TakeError();
            ASSERT_EQ(error, file.LastResult() == TKundenFile::ReadResult::Damaged);
            ok += file.LastResult() == TKundenFile::ReadResult::Ok;
            damaged += error;
            if (file.LastResult() != TKundenFile::ReadResult::Ok) {
                ASSERT_EQ(list.Count(), 0u);
            }
            for (const std::string& line : list.Lines())
                ASSERT_TRUE(std::regex_match(line, output) ||
                            (preset &&
                             std::all_of(line.begin(), line.end(), [](char c) { return c >= 0; })))
                    << line;
        }
        EXPECT_GT(ok, 300);
        EXPECT_GT(damaged, 300);
    }
}

TEST(FilesFuzz, WhatTheRegisterTextReaderTakesADumpLineSaysAgain) {
    Random rnd{std::mt19937(3)};
    const Lines seeds = {"r900=$0012", "r1000=$1F ; c", "; only",  "r1000 = $1F", "r901=$-1",
                         "r901=%102",  "r901=0x12",     "r901=+5", "r=5",         "900=$0012"};
    static const char alphabet[] = "rR0123456789$%=;+-x aFG\t";
    for (int round = 0; round < 20000; ++round) {
        std::string line = seeds[rnd.Below(seeds.size())];
        for (int e = static_cast<int>(rnd.Below(4)); e > 0; --e)
            line.insert(line.begin() + rnd.Below(line.size() + 1),
                        rnd.Below(4) ? alphabet[rnd.Below(sizeof alphabet - 1)] : rnd.Byte());
        const RegisterLine parsed =
            ParseRegisterLine(CleanRegisterLine(line), static_cast<NameForm>(rnd.Below(3)));
        if (parsed.fault != LineFault::None) {
            ASSERT_EQ(parsed.value, InvalidRegisterValue) << line;
            continue;
        }
        const RegisterLine again =
            ParseRegisterLine(DumpLine(parsed.reg, parsed.value), NameForm::Prefixed);
        ASSERT_EQ(std::tuple(again.fault, again.reg, again.value),
                  std::tuple(LineFault::None, parsed.reg, parsed.value))
            << line;
    }
}

TEST(FilesFuzz, FrequencySetsAndConversionsKeepToTheirRegisters) {
    Random rnd{std::mt19937(4)};
    const Lines seeds = {"r1150=$7F", "r1216=$1", "r1471=%1", "r910=2",    "1344=$12",
                         "r906=$21",  "; c",      "r999=1",   "r70000=$1", "r1150=65535"};
    const int cells[] = {-1, 10, 250, 599, 600}; // count and active channel, in the image or not
    int taken = 0;
    for (int round = 0; round < 3000; ++round) {
        Lines lines(rnd.Below(12));
        for (std::string& line : lines) {
            line = seeds[rnd.Below(seeds.size())];
            if (rnd.Below(6) == 0)
                line.insert(line.begin() + rnd.Below(line.size() + 1), rnd.Byte());
        }
        const auto names = static_cast<NameForm>(rnd.Below(2));
        const int count = cells[rnd.Below(5)], active = cells[rnd.Below(5)];
        const FrequencySetLoad load = DecodeFrequencySet(lines, names, {}, count, active);
        for (int i = 0; i < RegisterImageSize; ++i)
            ASSERT_TRUE(load.image[i] == 0 || i >= 316 || i == count || i == active) << i;
        taken += load.fault == LineFault::None && !load.countTooLarge;
        for (const std::string& out : ConvertRegisterText(lines, names).lines) {
            const RegisterLine again = ParseRegisterLine(out, NameForm::Prefixed);
            ASSERT_TRUE(again.reg <= 65535 && again.reg != 999 &&
                        out == DumpLine(again.reg, again.value))
                << out;
        }
    }
    EXPECT_GT(taken, 300);
}
