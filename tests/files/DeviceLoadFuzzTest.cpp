// Seeded random line lists through the check and the grouping of a load
// into a device (under the address sanitizer in CI): every register sent lies
// in 0..65535, every data line is sent once, with its own value, in its
// order, and register 999 is written only by the unlock step and the relock.
#include "files/DeviceLoad.h"

#include <gtest/gtest.h>

#include <random>

TEST(DeviceLoadFuzz, SendsEveryDataLineOnceAnd999OnlyToUnlockAndRelock) {
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
        ASSERT_EQ(steps.back().values, std::vector<uint32_t>{0});
        std::vector<std::pair<uint32_t, uint32_t>> sent, expected;
        bool unlock = false, owed = false; // owed: the second code again, heading the next write
        for (size_t i = 0; i + 1 < steps.size(); ++i) {
            const LoadStep& s = steps[i];
            const size_t n = s.values.size();
            if (s.kind == LoadStepKind::Pause || s.kind == LoadStepKind::Skip)
                continue;
            ASSERT_TRUE(s.kind == LoadStepKind::Write ? n == 1 : n >= 2 && n <= LoadRunLength);
            ASSERT_LE(s.reg + n - 1, LastDeviceRegister);
            size_t first = 0;
            if (owed) {
                ASSERT_EQ(std::pair(s.reg, s.values[0]),
                          std::pair(UnlockRegister, UnlockSecondCode));
                owed = false;
                first = 1;
            } else if (s.reg == UnlockRegister && s.values[0] == UnlockFirstCode) {
                ASSERT_FALSE(unlock) << "one unlock per file";
                unlock = true;
                ASSERT_EQ(steps.at(i + 1).kind, LoadStepKind::Pause);
                ASSERT_EQ(steps.at(i + 2).values, std::vector<uint32_t>{UnlockSecondCode});
                owed = true;
                i += 2;
                continue;
            }
            for (size_t k = first; k < n; ++k)
                sent.emplace_back(s.reg + k, s.values[k]);
        }
        ASSERT_FALSE(owed);
        unlocked += unlock;
        for (const LoadLine& l : loaded.lines)
            if (l.reg != UnlockRegister)
                expected.emplace_back(l.reg, l.value);
        ASSERT_EQ(sent, expected); // 999 among them would be data
    }
    EXPECT_GT(refused, 100);
    EXPECT_GT(unlocked, 100);
}

TEST(DeviceLoadFuzz, AHundredThousandLines) {
    std::vector<std::string> lines;
    for (uint32_t i = 0; i < 100000; ++i)
        lines.push_back("r" + std::to_string(i % 65536) + "=" + std::to_string(i % 7));
    const LoadLines loaded = ReadLoadLines(lines, NameForm::Prefixed);
    // 0..65535 and 0..34463 in runs of 10 (9997), each pass with 999 skipped,
    // 990..998 or 991..998 and 1000 apart (6), 65531..65535 and 0 where the
    // passes meet (2), the last run 34461..34463 and the relock (2).
    EXPECT_EQ(PlanDeviceLoad(loaded.lines).size(), 10007u);
}
