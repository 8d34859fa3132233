// Seeded random input for the customer-file readers (Decode with ReadMain,
// and Read), the register text reader, the frequency-set reader, the
// converter and the grouping of a load into a device, grown from the damaged
// files of the format. The seeds are fixed so that a failure repeats; the
// suite runs under the address sanitizer in CI, which turns any overrun into
// a failure.
#include "files/Converter.h"
#include "files/CustomerFiles.h"
#include "files/DeviceLoad.h"
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

// Register text lines changed at random: what the reader takes a dump line
// says again; a frequency set takes its registers only; a conversion writes
// dump lines of registers other than 999 only.
TEST(FilesFuzz, RegisterTextReadersKeepToTheirLinesAndRegisters) {
    Random rnd{std::mt19937(3)};
    const Lines seeds = {"r900=$0012", "r1000=$1F ; c", "; only",    "r1000 = $1F", "r901=$-1",
                         "r901=%102",  "r901=0x12",     "r901=+5",   "r=5",         "900=$0012",
                         "r1150=$7F",  "r1216=$1",      "r1471=%1",  "r910=2",      "1344=$12",
                         "r906=$21",   "r999=1",        "r70000=$1", "r1150=65535"};
    static const char alphabet[] = "rR0123456789$%=;+-x aFG\t";
    const int cells[] = {-1, 10, 250, 599, 600}; // count and active channel, in the image or not
    int taken = 0, parsed = 0;
    for (int round = 0; round < 6000; ++round) {
        Lines lines(rnd.Below(12));
        const auto names = static_cast<NameForm>(rnd.Below(3));
        for (std::string& line : lines) {
            line = seeds[rnd.Below(seeds.size())];
            for (int e = static_cast<int>(rnd.Below(4) * rnd.Below(2)); e > 0; --e)
                line.insert(line.begin() + rnd.Below(line.size() + 1),
                            rnd.Below(4) ? alphabet[rnd.Below(sizeof alphabet - 1)] : rnd.Byte());
            const RegisterLine one = ParseRegisterLine(CleanRegisterLine(line), names);
            if (one.fault != LineFault::None) {
                ASSERT_EQ(one.value, InvalidRegisterValue) << line;
                continue;
            }
            ++parsed;
            const RegisterLine again =
                ParseRegisterLine(DumpLine(one.reg, one.value), NameForm::Prefixed);
            ASSERT_EQ(std::tuple(again.fault, again.reg, again.value),
                      std::tuple(LineFault::None, one.reg, one.value))
                << line;
        }
        if (names == NameForm::Either)
            continue;
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
    EXPECT_GT(parsed, 5000);
}

// Every register sent lies in 0..65535, every data line is sent once, with
// its own value, in its order, and register 999 is written only by the unlock
// step and the relock.
TEST(FilesFuzz, ADeviceLoadSendsEveryDataLineOnceAnd999OnlyToUnlockAndRelock) {
    std::mt19937 rnd(20);
    const uint32_t regs[] = {0, 1, 998, 999, 999, 1000, 1216, 65534, 65535, 65536};
    const char* values[] = {"$20AA", "$2446", "$0000", "$FFFF", "8362", "9286", "%1", "7"};
    int refused = 0, unlocked = 0;
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::string> lines;
        for (uint32_t n = rnd() % 40, reg = 900; n > 0; --n) {
            const uint32_t pick = rnd() % 8;
            reg = pick < 2 ? regs[rnd() % std::size(regs)] : pick == 2 ? rnd() % 70000 : reg + 1;
            lines.push_back(pick == 3 ? "; c"
                                      : "r" + std::to_string(reg) + "=" + values[rnd() % 8]);
            if (rnd() % 12 == 0)
                lines.insert(lines.end(), {"r999=$20AA", "r999=9286"});
        }
        const LoadLines loaded = ReadLoadLines(lines, NameForm::Prefixed);
        if (loaded.fault != LineFault::None) {
            ASSERT_EQ(loaded.fault, LineFault::BadName);
            ++refused;
            continue;
        }
        const std::vector<LoadStep> steps = PlanDeviceLoad(loaded.lines);
        ASSERT_EQ(steps.back().kind, LoadStepKind::Relock);
        using Writes = std::vector<std::pair<uint32_t, uint32_t>>;
        Writes sent, expected, to999;
        for (const LoadStep& s : steps) {
            const size_t n = s.values.size();
            if (s.kind == LoadStepKind::Pause || s.kind == LoadStepKind::Skip)
                continue;
            ASSERT_TRUE(s.kind == LoadStepKind::Block ? n >= 2 && n <= LoadRunLength : n == 1);
            ASSERT_LE(s.reg + n - 1, LastDeviceRegister);
            for (size_t k = 0; k < n; ++k)
                (s.reg + k == UnlockRegister ? to999 : sent).emplace_back(s.reg + k, s.values[k]);
        }
        for (const LoadLine& l : loaded.lines)
            if (l.reg != UnlockRegister)
                expected.emplace_back(l.reg, l.value);
        ASSERT_EQ(sent, expected); // 999 among them would be data
        // Register 999: one unlock at most (first code, second code, the second
        // again when the file's next line holds it), then the relock.
        const std::pair<uint32_t, uint32_t> first{UnlockRegister, UnlockFirstCode},
            second{UnlockRegister, UnlockSecondCode}, relock{UnlockRegister, 0};
        unlocked += to999.size() > 1;
        ASSERT_TRUE((to999 == Writes{relock} || to999 == Writes{first, second, relock} ||
                     to999 == Writes{first, second, second, relock}));
    }
    EXPECT_GT(refused, 100);
    EXPECT_GT(unlocked, 100);
}
