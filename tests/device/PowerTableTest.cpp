// The position of a value in a run of image cells: exact hits, the nearer
// neighbour, ties, values outside the run and unsorted runs.
#include "device/PowerTable.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

class FindNearestTest : public ::testing::Test {
protected:
    // Puts values into the cells from first on.
    void Put(int first, std::initializer_list<uint32_t> values) {
        for (uint32_t v : values)
            image_[first++] = v;
    }
    uint32_t Find(int lo, int hi, uint32_t value) {
        return FindNearestIndex(image_, lo, hi, value, exact_);
    }

    TRegisterImage image_{};
    bool exact_ = false;
};

TEST_F(FindNearestTest, ExactHitOrNearerNeighbourWithTiesToTheLowerCell) {
    Put(300, {10, 20, 30});
    struct Case {
        uint32_t value;
        uint32_t offset;
        bool exact;
    };
    const Case cases[] = {
        {10, 0, true},  {20, 1, true},  {30, 2, true},  {15, 0, false},
        {16, 1, false}, {14, 0, false}, {25, 1, false}, {26, 2, false},
        {5, 2, false},  {0, 2, false},  {35, 2, false},
    };
    for (const Case& c : cases) {
        exact_ = !c.exact;
        EXPECT_EQ(Find(300, 302, c.value), c.offset) << "value " << c.value;
        EXPECT_EQ(exact_, c.exact) << "value " << c.value;
    }
}

TEST_F(FindNearestTest, OneCellRunsAndEmptyRuns) {
    Put(300, {50});
    exact_ = true;
    EXPECT_EQ(Find(300, 300, 40), 0u);
    EXPECT_FALSE(exact_);
    EXPECT_EQ(Find(300, 300, 50), 0u);
    EXPECT_TRUE(exact_);
    // lo above hi: nothing is searched.
    EXPECT_EQ(Find(301, 300, 50), 0u);
    EXPECT_FALSE(exact_);
}

TEST_F(FindNearestTest, FirstExactHitWinsAndUnsortedRunsGiveTheLastOffset) {
    Put(10, {7, 9, 7, 9});
    EXPECT_EQ(Find(10, 13, 9), 1u);
    EXPECT_TRUE(exact_);

    // Descending: no pair brackets 15 in ascending order.
    Put(20, {30, 20, 10});
    EXPECT_EQ(Find(20, 22, 15), 2u);
    EXPECT_FALSE(exact_);

    // The first bracketing pair decides, even when a later one is nearer.
    Put(30, {10, 100, 50, 60});
    EXPECT_EQ(Find(30, 33, 52), 0u);
}

TEST_F(FindNearestTest, ValuesAreComparedUnsigned) {
    Put(0, {0, 0xFFFFFFFFu});
    EXPECT_EQ(Find(0, 1, 0x7FFFFFFFu), 0u);
    EXPECT_EQ(Find(0, 1, 0x80000000u), 1u);
    EXPECT_FALSE(exact_);
    Put(100, {0x80000000u, 0x90000000u});
    EXPECT_EQ(Find(100, 101, 0x87FFFFFFu), 0u);
    EXPECT_EQ(Find(100, 101, 0x10u), 1u) << "below the first cell, not above the last";
}

TEST_F(FindNearestTest, IndexesOutsideTheImageStayInside) {
    Put(590, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    EXPECT_EQ(Find(590, 700, 10), 9u);
    EXPECT_TRUE(exact_);
    EXPECT_EQ(Find(590, 700, 11), 9u);
    EXPECT_FALSE(exact_);
    image_[0] = 42;
    EXPECT_EQ(Find(-5, 1, 42), 0u);
    EXPECT_TRUE(exact_);
}

TEST_F(FindNearestTest, SixteenLevelPowerTableFindsTheLevelOf100) {
    Put(300,
        {10, 20, 50, 100, 200, 500, 1000, 2000, 2500, 3000, 3500, 4000, 4500, 5000, 5500, 6000});
    EXPECT_EQ(Find(300, 315, 100), 3u);
    EXPECT_TRUE(exact_);
    EXPECT_EQ(Find(300, 315, 140), 3u);
    EXPECT_EQ(Find(300, 315, 160), 4u);
    EXPECT_EQ(Find(300, 315, 7000), 15u);
}

} // namespace
