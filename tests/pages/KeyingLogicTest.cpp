// The keying test's arithmetic: power values, the group a power table asks
// for, the level of the device's power, the frequency caption.
#include "pages/KeyingLogic.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const std::vector<int> High = {0, 8, 15, 20, 25, 28, 31, 38, 43, 50, 54, 59, 66, 74, 85, 100};

TEST(KeyingLogic, PowerValuesVariantAndFrequency) {
    EXPECT_EQ(KeyingPowerValue(true, 15), 100);
    EXPECT_EQ(KeyingPowerValue(false, 1), 28);
    EXPECT_FALSE(KeyingPowerValue(true, 16) || KeyingPowerValue(false, 4));
    EXPECT_EQ(PowerLevelRefusal(4), "Leistungswert \"4\" konnte nicht gesetzt werden!");
    EXPECT_EQ(VariantOf(3), KeyingVariant::LowPower);
    EXPECT_EQ(VariantOf(15), KeyingVariant::HighPower);
    EXPECT_TRUE(VariantOf(-1) == KeyingVariant::Ask && VariantOf(7) == KeyingVariant::Ask);
    // The frequency of a table entry only, in 64 bits.
    EXPECT_TRUE(IsTableEntry(0) && IsTableEntry(127));
    EXPECT_FALSE(IsTableEntry(-1) || IsTableEntry(128) || IsTableEntry(65535));
    EXPECT_EQ(KeyingFrequencyText(34650, 12500), " 433.1250 MHz");
    EXPECT_EQ(KeyingFrequencyText(1, 50), " 0.0001 MHz"); // rounded
    EXPECT_EQ(KeyingFrequencyText(65535, 65535), " 4294.8362 MHz");
}

TEST(KeyingLogic, LevelByExactMatchNearestBracketOrTheGroupsLast) {
    std::vector<int> forty = High;
    forty[8] = 40;
    const std::vector<int> low = {0, 28, 50, 100};
    struct Case {
        const std::vector<int>& table;
        int power, level;
        bool nearest;
    };
    for (const Case& c : {Case{High, 45, 8, true}, Case{High, 47, 9, true},
                          Case{forty, 45, 9, true}, // a tie goes to the upper level
                          Case{High, 50, 9, false}, Case{High, 101, 15, false},
                          Case{low, 120, 3, false}, Case{low, -5, 3, false}}) {
        const KeyingLevel found = FindKeyingLevel(c.table, c.power);
        EXPECT_EQ(found.level, c.level) << c.power;
        EXPECT_EQ(found.nearest, c.nearest) << c.power;
    }
}

} // namespace
