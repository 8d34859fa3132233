// The radio pages' logic: frequencies, the device range, paging, time slots,
// operating modes and the guards on values read from the image.
#include "pages/RadioLogic.h"
#include "device/RegisterMap.h"

#include <gtest/gtest.h>

namespace {

void SetLimits(TRegisterImage& image, uint32_t loHz, uint32_t hiHz) {
    image[90] = loHz >> 16;
    image[91] = loHz & 0xFFFF;
    image[92] = hiHz >> 16;
    image[93] = hiHz & 0xFFFF;
}

FrequencyRange Range(int64_t lo, int64_t hi) {
    FrequencyRange range;
    range.minimum = lo;
    range.maximum = hi;
    return range;
}

// ---- Frequencies -----------------------------------------------------------

TEST(RadioFrequency, EntryFrequencyFromChannelAndStep) {
    EXPECT_EQ(EntryFrequencyUnits(34650, 12500), 4331250);
    EXPECT_EQ(EntryFrequencyUnits(43312, 10000), 4331200);
    EXPECT_EQ(EntryFrequencyUnits(0, 12500), 0);
    // Remainders below 100 Hz: above 50 rounds up, exactly 50 rounds down.
    EXPECT_EQ(EntryFrequencyUnits(3, 51), 2); // 153 Hz
    EXPECT_EQ(EntryFrequencyUnits(3, 50), 1); // 150 Hz
    EXPECT_EQ(EntryFrequencyUnits(1, 149), 1);
}

TEST(RadioFrequency, LargeProductsDoNotWrap) {
    EXPECT_EQ(EntryFrequencyHz(65535, 65535), 4294836225u);
    EXPECT_EQ(EntryFrequencyUnits(65535, 65535), 42948362);
    EXPECT_EQ(FrequencyText(EntryFrequencyUnits(65535, 65535)), "4294.8362");
    // Cells wider than a register still multiply without wrapping.
    EXPECT_EQ(EntryFrequencyHz(0xFFFFFFFFu, 0xFFFFFFFFu), 0xFFFFFFFE00000001ull);
    EXPECT_EQ(EntryFrequencyHz(100000, 65535), 6553500000ull);
    EXPECT_GT(EntryFrequencyUnits(100000, 65535), 0);
}

TEST(RadioFrequency, TextOfAFrequency) {
    EXPECT_EQ(FrequencyText(4331250), "433.1250");
    EXPECT_EQ(FrequencyText(3500000), "350.0000");
    EXPECT_EQ(FrequencyText(5000000), "500.0000");
    EXPECT_EQ(FrequencyText(1000000), "100.0000");
    EXPECT_EQ(FrequencyText(9999999), "999.9999");
    EXPECT_EQ(FrequencyText(4330005), "433.0005");
    EXPECT_EQ(FrequencyText(0), "000.0000");
    EXPECT_EQ(FrequencyText(-7), "000.0000");
    EXPECT_EQ(FrequencyText(500000), "050.0000");
    EXPECT_EQ(FrequencyText(10000000), "1000.0000");
}

TEST(RadioFrequency, TextRoundTrips) {
    for (const int64_t v : {int64_t{1}, int64_t{1000000}, int64_t{3500000}, int64_t{4331250},
                            int64_t{4331230}, int64_t{4999999}, int64_t{5000000}})
        EXPECT_EQ(FrequencyFromText(FrequencyText(v)), v) << v;
}

TEST(RadioFrequency, TypedTextIsNormalisedLikeTheRow) {
    EXPECT_EQ(FrequencyFromText("433.1250"), 4331250);
    EXPECT_EQ(FrequencyFromText("433.125"), 4331250);                     // padded with "0"
    EXPECT_EQ(FrequencyText(FrequencyFromText("433.12501")), "433.1250"); // cut to 8
    EXPECT_EQ(FrequencyFromText("4331250"), 4331250); // "." after the third digit
    EXPECT_EQ(FrequencyFromText("433"), 4330000);
    EXPECT_EQ(FrequencyFromText("43"), 4300000);
    EXPECT_EQ(FrequencyFromText("400.0000"), 4000000);
}

TEST(RadioFrequency, TypedTextOutsideOneToFiveMillionOrNoNumberIsZero) {
    EXPECT_EQ(FrequencyFromText("000.0000"), 0);
    EXPECT_EQ(FrequencyFromText("000.0001"), 1);
    EXPECT_EQ(FrequencyFromText("500.0000"), 5000000);
    EXPECT_EQ(FrequencyFromText("500.0001"), 0);
    EXPECT_EQ(FrequencyFromText("999.9999"), 0);
    EXPECT_EQ(FrequencyFromText(""), 0);
    EXPECT_EQ(FrequencyFromText("43a.1250"), 0);
    EXPECT_EQ(FrequencyFromText("433.12 0"), 0);
    EXPECT_EQ(FrequencyFromText("-33.1250"), 0);
    EXPECT_EQ(FrequencyFromText("433..125"), 0);
    EXPECT_EQ(FrequencyFromText("+33.1250"), 0);
    EXPECT_EQ(FrequencyFromText("123456789.5"), 0); // the point lies past the eight characters
}

// ---- Device range ----------------------------------------------------------

TEST(RadioRange, LimitsFromTheDevice) {
    TRegisterImage image{};
    SetLimits(image, 400000000, 470000000);
    FrequencyRange range = EditorFrequencyRange(image);
    EXPECT_EQ(range.minimum, 4000000);
    EXPECT_EQ(range.maximum, 4700000);
    EXPECT_FALSE(range.isDefault);
    EXPECT_EQ(FrequencyRangeText(range), "400.0000 MHz  -  470.0000 MHz");

    // The range ends round trip through their words.
    SetLimits(image, 350000000, 500000000);
    range = EditorFrequencyRange(image);
    EXPECT_EQ(range.minimum, 3500000);
    EXPECT_EQ(range.maximum, 5000000);
    EXPECT_FALSE(range.isDefault);
    EXPECT_EQ(FrequencyRangeText(range), "350.0000 MHz  -  500.0000 MHz");

    // Hz below 100 are dropped; the high word carries above 16 bits.
    SetLimits(image, 433125099, 0xFFFE1234);
    range = EditorFrequencyRange(image);
    EXPECT_EQ(range.minimum, 4331250);
    EXPECT_EQ(range.maximum, 0xFFFE1234ll / 100);
}

TEST(RadioRange, NoLimitsGiveTheMarkedDefault) {
    for (int cell = 90; cell <= 93; ++cell) {
        TRegisterImage image{};
        SetLimits(image, 400000000, 470000000);
        image[cell] = 65535;
        const FrequencyRange range = EditorFrequencyRange(image);
        EXPECT_TRUE(range.isDefault) << cell;
        EXPECT_EQ(range.minimum, DefaultMinimumFrequency);
        EXPECT_EQ(range.maximum, DefaultMaximumFrequency);
        EXPECT_EQ(FrequencyRangeText(range), "!! 350.0000 MHz  -  500.0000 MHz !!");
    }
    TRegisterImage image{};
    SetLimits(image, 0, 470000000);
    EXPECT_TRUE(EditorFrequencyRange(image).isDefault);
    SetLimits(image, 400000000, 99); // below 100 Hz: 0 after the division
    EXPECT_TRUE(EditorFrequencyRange(image).isDefault);
    SetLimits(image, 400000000, 100);
    EXPECT_FALSE(EditorFrequencyRange(image).isDefault);
}

TEST(RadioRange, ValidityAgainstRangeAndRasters) {
    const FrequencyRange range = Range(DefaultMinimumFrequency, DefaultMaximumFrequency);
    EXPECT_EQ(RasterStep(4331250, range), 125);
    EXPECT_EQ(RasterStep(4331200, range), 100);
    EXPECT_EQ(RasterStep(4331230, range), 0);
    EXPECT_EQ(RasterStep(4330000, range), 125); // on both rasters: 12.5 kHz
    // Range ends are inside, one raster step beyond is not.
    EXPECT_TRUE(IsValidFrequency(3500000, range));
    EXPECT_TRUE(IsValidFrequency(5000000, range));
    EXPECT_FALSE(IsValidFrequency(3500000 - 125, range));
    EXPECT_FALSE(IsValidFrequency(5000000 + 125, range));
    EXPECT_FALSE(IsValidFrequency(0, range));
    EXPECT_FALSE(IsValidFrequency(-125, range));
    // The range decides even for frequencies on the raster.
    EXPECT_FALSE(IsValidFrequency(4331250, Range(4400000, 4700000)));
}

TEST(RadioRange, StoredCellsOfAnEntry) {
    const FrequencyRange range = Range(DefaultMinimumFrequency, DefaultMaximumFrequency);
    EntryCells cells = EntryCellsFor(4331250, range);
    EXPECT_EQ(cells.channel, 34650u);
    EXPECT_EQ(cells.stepHz, 12500u);
    cells = EntryCellsFor(4331200, range);
    EXPECT_EQ(cells.channel, 43312u);
    EXPECT_EQ(cells.stepHz, 10000u);
    // Cells read back give the typed frequency, at both range ends too.
    for (const int64_t v :
         {int64_t{3500000}, int64_t{5000000}, int64_t{4331250}, int64_t{4331200}}) {
        cells = EntryCellsFor(v, range);
        EXPECT_EQ(EntryFrequencyUnits(cells.channel, cells.stepHz), v) << v;
    }
    // Refused: off both rasters, outside the range, nothing typed.
    for (const int64_t v : {int64_t{4331230}, int64_t{5000125}, int64_t{0}}) {
        cells = EntryCellsFor(v, range);
        EXPECT_EQ(cells.channel, 0u) << v;
        EXPECT_EQ(cells.stepHz, 0u) << v;
    }
    // A channel number a register cannot hold is refused as well.
    cells = EntryCellsFor(20000000, Range(1, 30000000));
    EXPECT_EQ(cells.channel, 0u);
    EXPECT_EQ(cells.stepHz, 0u);
}

// ---- Paging ----------------------------------------------------------------

TEST(RadioPaging, OneHundredTwentyEightEntries) {
    EXPECT_EQ(PageCount(128), 11);
    for (int page = 1; page <= 10; ++page)
        EXPECT_EQ(RowsOnPage(128, page), 12) << page;
    EXPECT_EQ(RowsOnPage(128, 11), 8);
    EXPECT_EQ(RowsOnPage(128, 12), -1);
    EXPECT_EQ(RowsOnPage(128, 0), -1);
    EXPECT_EQ(FirstEntryOfPage(11), 120);
    EXPECT_EQ(PageRangeText(128, 11), "121 - 128");
    EXPECT_EQ(PageRangeText(128, 1), "1 - 12");
    EXPECT_EQ(PageRangeText(128, 12), "");
}

TEST(RadioPaging, PageBoundaries) {
    EXPECT_EQ(PageCount(12), 1);
    EXPECT_EQ(RowsOnPage(12, 1), 12);
    EXPECT_EQ(RowsOnPage(12, 2), -1);
    EXPECT_EQ(PageCount(13), 2);
    EXPECT_EQ(PageRangeText(13, 1), "1 - 12");
    EXPECT_EQ(PageRangeText(13, 2), "13 - 13");
    EXPECT_EQ(PageCount(1), 1);
    EXPECT_EQ(RowsOnPage(1, 1), 1);
    EXPECT_EQ(FirstEntryOfPage(1), 0);
    EXPECT_EQ(FirstEntryOfPage(2), 12);
    EXPECT_EQ(FirstEntryOfPage(0), -1);
    EXPECT_EQ(FirstEntryOfPage(-5), -1);
}

TEST(RadioPaging, HostileCountsAreClamped) {
    EXPECT_EQ(ClampEntryCount(0), 1);
    EXPECT_EQ(ClampEntryCount(-3), 1);
    EXPECT_EQ(ClampEntryCount(65535), 128);
    EXPECT_EQ(ClampEntryCount(65536), 128);
    EXPECT_EQ(PageCount(65535), 11);
    EXPECT_EQ(RowsOnPage(65535, 11), 8);
    EXPECT_EQ(RowsOnPage(65535, 5462), -1);
    EXPECT_EQ(PageCount(0), 1);
    EXPECT_EQ(RowsOnPage(0, 1), 1);
    EXPECT_EQ(RowsOnPage(128, 1 << 30), -1);
}

// ---- Time slots ------------------------------------------------------------

TEST(RadioTimeSlots, SlotBits) {
    const uint32_t word = 0x8201; // Z1, Z10 and the first sub-slot
    EXPECT_TRUE(TimeSlotActive(word, 1));
    EXPECT_TRUE(TimeSlotActive(word, 10));
    for (int slot = 2; slot <= 9; ++slot)
        EXPECT_FALSE(TimeSlotActive(word, slot)) << slot;
    EXPECT_FALSE(TimeSlotActive(0xFFFF, 0));
    EXPECT_FALSE(TimeSlotActive(0xFFFF, 11)); // bit 10 is no slot
    EXPECT_EQ(WithTimeSlot(word, 5, true), 0x8211u);
    EXPECT_EQ(WithTimeSlot(word, 10, false), 0x8001u);
    EXPECT_EQ(WithTimeSlot(word, 1, true), word);
    EXPECT_EQ(WithTimeSlot(word, 11, true), word);
    EXPECT_EQ(WithTimeSlot(word, 0, false), word);
    EXPECT_EQ(WithTimeSlot(word, -1, true), word);
}

TEST(RadioTimeSlots, SubSlotCodes) {
    EXPECT_EQ(SubSlotCode(0), 0u);
    EXPECT_EQ(SubSlotCode(1), 8u);
    EXPECT_EQ(SubSlotCode(2), 4u);
    EXPECT_EQ(SubSlotCode(3), 2u);
    EXPECT_EQ(SubSlotCode(4), 1u);
    EXPECT_EQ(SubSlotCode(5), 0u);
    EXPECT_EQ(SubSlotCode(-1), 0u);
    for (int item = 0; item < SubSlotItemCount; ++item)
        EXPECT_EQ(SubSlotItem(WithSubSlot(0x03FF, item)), item) << item;
}

TEST(RadioTimeSlots, ChoosingASubSlotKeepsTheOtherBits) {
    EXPECT_EQ(WithSubSlot(0x8003, 2), 0x4003u);
    EXPECT_EQ(WithSubSlot(0xF3FF, 0), 0x03FFu);
    EXPECT_EQ(WithSubSlot(0x0C00, 4), 0x1C00u); // bits 10, 11 are kept
    EXPECT_EQ(WithSubSlot(0x12345, 1), 0x18345u);
    EXPECT_EQ(WithSubSlot(0x8003, 7), 0x0003u);
}

TEST(RadioTimeSlots, TheHighestSubSlotBitWins) {
    EXPECT_EQ(SubSlotItem(0x0000), 0);
    EXPECT_EQ(SubSlotItem(0x03FF), 0);
    EXPECT_EQ(SubSlotItem(0xF000), 1);
    EXPECT_EQ(SubSlotItem(0x7000), 2);
    EXPECT_EQ(SubSlotItem(0x3000), 3);
    EXPECT_EQ(SubSlotItem(0x1000), 4);
    EXPECT_EQ(SubSlotItem(0x10000), 0);
}

// ---- Operating mode --------------------------------------------------------

TEST(RadioOperatingMode, Family10Map) {
    const OperatingModeVariant v{0x10};
    EXPECT_EQ(OperatingModeItemCount(v), 7);
    const uint32_t codes[] = {0, 6, 4, 1, 3, 5, 7};
    for (int item = 0; item < 7; ++item) {
        ASSERT_EQ(OperatingModeCode(v, item), codes[item]) << item;
        EXPECT_EQ(OperatingModeItem(v, codes[item]), item) << item;
    }
    EXPECT_EQ(OperatingModeCode(v, 7), 0u);
    EXPECT_EQ(OperatingModeCode(v, -1), 0u);
    EXPECT_EQ(OperatingModeItem(v, 2), -1);     // mode 2 selects no item
    EXPECT_EQ(OperatingModeItem(v, 0xFFF6), 1); // only bits 0..2 count
    EXPECT_EQ(WithOperatingMode(0x0011, *OperatingModeCode(v, 2)), 0x0014u);
}

TEST(RadioOperatingMode, Family21Variants) {
    const OperatingModeVariant four{0x21, true, true};
    const OperatingModeVariant two{0x21, false, true};
    const OperatingModeVariant three{0x21, false, false};
    EXPECT_EQ(OperatingModeItemCount(four), 4);
    EXPECT_EQ(OperatingModeItemCount(two), 2);
    EXPECT_EQ(OperatingModeItemCount(three), 3);
    for (const auto& v : {four, two, three}) {
        const int n = OperatingModeItemCount(v);
        for (int item = 0; item < n; ++item) {
            ASSERT_EQ(OperatingModeCode(v, item), static_cast<uint32_t>(item));
            EXPECT_EQ(OperatingModeItem(v, 0xABC8u | static_cast<uint32_t>(item)), item);
        }
        EXPECT_EQ(OperatingModeCode(v, n), std::nullopt);
        EXPECT_EQ(OperatingModeCode(v, -1), std::nullopt);
        EXPECT_EQ(OperatingModeItem(v, static_cast<uint32_t>(n)), -1);
    }
}

TEST(RadioOperatingMode, OtherFamiliesWriteNothing) {
    for (const int family : {0, 0x30, 0xD0, 0x71}) {
        const OperatingModeVariant v{family, true, true};
        EXPECT_EQ(OperatingModeItemCount(v), 0);
        EXPECT_EQ(OperatingModeCode(v, 0), std::nullopt);
        EXPECT_EQ(OperatingModeItem(v, 0), -1);
    }
}

TEST(RadioOperatingMode, CodeReplacesTheLowThreeBitsOnly) {
    EXPECT_EQ(WithOperatingMode(0xFFFF, 0), 0xFFF8u);
    EXPECT_EQ(WithOperatingMode(0x1230, 5), 0x1235u);
    EXPECT_EQ(WithOperatingMode(0x0007, 2), 0x0002u);
    EXPECT_EQ(WithOperatingMode(0x10005, 1), 0x0001u); // the cell is a 16-bit word
    EXPECT_EQ(WithOperatingMode(0x0000, 0xF), 0x0007u);
}

// ---- Values read from the image --------------------------------------------

TEST(RadioClamping, CountAndChannelCells) {
    TRegisterImage image{};
    TRegisterMap map;
    map.max_anzahl_funkkanal = 14;
    map.aktu_funkkanal = 10;

    image[14] = 127;
    image[10] = 0;
    ClampedValue v = LastEntryIndex(image, map);
    EXPECT_EQ(v.value, 127);
    EXPECT_FALSE(v.outOfRange);
    v = CurrentChannelIndex(image, map);
    EXPECT_EQ(v.value, 0);
    EXPECT_FALSE(v.outOfRange);

    image[14] = 128;
    image[10] = 65535;
    v = LastEntryIndex(image, map);
    EXPECT_EQ(v.value, 127);
    EXPECT_TRUE(v.outOfRange);
    v = CurrentChannelIndex(image, map);
    EXPECT_EQ(v.value, 127);
    EXPECT_TRUE(v.outOfRange);

    image[14] = 0xFFFFFFFFu;
    v = LastEntryIndex(image, map);
    EXPECT_EQ(v.value, 127);
    EXPECT_TRUE(v.outOfRange);

    // A key outside the image reads nothing.
    map.max_anzahl_funkkanal = RegisterImageSize;
    map.aktu_funkkanal = -1;
    EXPECT_TRUE(LastEntryIndex(image, map).outOfRange);
    EXPECT_EQ(LastEntryIndex(image, map).value, 0);
    EXPECT_TRUE(CurrentChannelIndex(image, map).outOfRange);
    EXPECT_EQ(CurrentChannelIndex(image, map).value, 0);
}

TEST(RadioClamping, PowerTableLength) {
    TRegisterMap map;
    map.tab_anf_sendeleistung = 100;
    map.tab_end_sendeleistung = 115;
    ClampedValue v = PowerTableLength(map, false);
    EXPECT_EQ(v.value, 16);
    EXPECT_FALSE(v.outOfRange);
    v = PowerTableLength(map, true);
    EXPECT_EQ(v.value, 4);
    EXPECT_TRUE(v.outOfRange);

    map.tab_end_sendeleistung = 103;
    EXPECT_EQ(PowerTableLength(map, true).value, 4);
    EXPECT_FALSE(PowerTableLength(map, true).outOfRange);
    map.tab_end_sendeleistung = 100;
    EXPECT_EQ(PowerTableLength(map, false).value, 1);
    EXPECT_FALSE(PowerTableLength(map, false).outOfRange);

    for (const auto& [lo, hi] : {std::pair{100, 99}, std::pair{100, 65535}, std::pair{-1, 10},
                                 std::pair{590, RegisterImageSize}}) {
        map.tab_anf_sendeleistung = lo;
        map.tab_end_sendeleistung = hi;
        v = PowerTableLength(map, false);
        EXPECT_EQ(v.value, 0) << lo << ".." << hi;
        EXPECT_TRUE(v.outOfRange) << lo << ".." << hi;
    }
}

TEST(RadioClamping, GenericRangeAndTables) {
    EXPECT_FALSE(ClampToRange(5, 0, 127).outOfRange);
    EXPECT_EQ(ClampToRange(65535, 0, 127).value, 127);
    EXPECT_TRUE(ClampToRange(65535, 0, 127).outOfRange);
    EXPECT_EQ(ClampToRange(-1, 0, 127).value, 0);
    EXPECT_TRUE(ClampToRange(-1, 0, 127).outOfRange);
    EXPECT_EQ(ClampToRange(int64_t{1} << 40, 0, 127).value, 127);

    TRegisterMap map;
    map.tab_anf_frequenz = 316;
    map.tab_anf_fraster = 444;
    EXPECT_TRUE(FrequencyTablesInImage(map));
    map.tab_anf_fraster = RegisterImageSize - 128;
    EXPECT_TRUE(FrequencyTablesInImage(map));
    map.tab_anf_fraster = RegisterImageSize - 127;
    EXPECT_FALSE(FrequencyTablesInImage(map));
    map.tab_anf_fraster = 444;
    map.tab_anf_frequenz = -1;
    EXPECT_FALSE(FrequencyTablesInImage(map));
}

} // namespace
