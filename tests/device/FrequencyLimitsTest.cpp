// The channel-frequency check that guards writing and saving.
#include "device/FrequencyLimits.h"
#include "device/RegisterMap.h"

#include <gtest/gtest.h>

namespace {

class FrequencyLimits : public ::testing::Test {
protected:
    void SetUp() override {
        map_.max_anzahl_funkkanal = 14;
        SetLimits(400000000, 470000000);
    }
    void SetLimits(uint32_t lo, uint32_t hi) {
        image_[90] = lo >> 16;
        image_[91] = lo & 0xFFFF;
        image_[92] = hi >> 16;
        image_[93] = hi & 0xFFFF;
    }
    void SetEntry(int i, uint32_t hz, uint32_t step = 12500) {
        image_[316 + i] = hz / step;
        image_[444 + i] = step;
    }
    void FillEntries(int count, uint32_t hz) {
        image_[14] = static_cast<uint32_t>(count - 1);
        for (int i = 0; i < count; ++i)
            SetEntry(i, hz + 25000u * static_cast<uint32_t>(i));
    }
    TRegisterImage image_{};
    TRegisterMap map_;
};

TEST_F(FrequencyLimits, EntriesInsideTheDeviceRangePass) {
    FillEntries(4, 433125000);
    EXPECT_FALSE(CheckFrequencyLimits(image_, map_));
    // Entries past the count are not looked at.
    image_[316 + 10] = 1;
    EXPECT_FALSE(CheckFrequencyLimits(image_, map_));
}

TEST_F(FrequencyLimits, AnEntryOutsideOrEmptyFails) {
    FillEntries(4, 433125000);
    SetEntry(3, 470012500);
    EXPECT_TRUE(CheckFrequencyLimits(image_, map_));
    SetEntry(3, 399987500);
    EXPECT_TRUE(CheckFrequencyLimits(image_, map_));
    image_[316 + 3] = 0;
    image_[444 + 3] = 0;
    EXPECT_TRUE(CheckFrequencyLimits(image_, map_));
    // The limits themselves are inside.
    SetEntry(3, 470000000);
    EXPECT_FALSE(CheckFrequencyLimits(image_, map_));
}

TEST_F(FrequencyLimits, AllHundredTwentyEightEntriesAreChecked) {
    FillEntries(128, 433125000);
    EXPECT_FALSE(CheckFrequencyLimits(image_, map_));
    image_[443] = 0; // channel number of entry 127 (register 1343)
    EXPECT_TRUE(CheckFrequencyLimits(image_, map_));
}

TEST_F(FrequencyLimits, ACountPastTheTableFails) {
    FillEntries(128, 433125000);
    image_[14] = 128;
    EXPECT_TRUE(CheckFrequencyLimits(image_, map_));
    map_.max_anzahl_funkkanal = 600;
    image_[14] = 3;
    EXPECT_TRUE(CheckFrequencyLimits(image_, map_));
}

TEST_F(FrequencyLimits, NoLimitsFromTheDeviceMeanTheDefaultRange) {
    FillEntries(2, 360000000);
    SetLimits(400000000, 470000000);
    EXPECT_TRUE(CheckFrequencyLimits(image_, map_));
    image_[92] = 65535; // "no limits"
    EXPECT_FALSE(CheckFrequencyLimits(image_, map_));
    SetLimits(0, 470000000);
    EXPECT_FALSE(CheckFrequencyLimits(image_, map_));
    uint32_t lo = 0, hi = 0;
    DeviceFrequencyRange(image_, lo, hi);
    EXPECT_EQ(lo, 350000000u);
    EXPECT_EQ(hi, 500000000u);
    FillEntries(2, 505000000);
    EXPECT_TRUE(CheckFrequencyLimits(image_, map_));
}

} // namespace
