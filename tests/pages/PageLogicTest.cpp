// The window-free decisions of the tab pages: tab profiles, the layout
// selector, protocol and power choices, the channel list, the frequency
// editor's typing and its fill of empty entries.
#include "pages/PageLogic.h"
#include "device/RegisterMap.h"

#include <gtest/gtest.h>

namespace {

// ---- Visibility profiles ---------------------------------------------------

std::set<SettingsTab> ShownTabs(uint32_t family) {
    const std::vector<TabShown> profile = SettingsProfile(family);
    std::set<SettingsTab> shown;
    for (const TabShown& t : profile) {
        if (t.shown)
            shown.insert(t.tab);
    }
    return shown;
}

// Every known family decides all nine tabs, once each, in the page order.
void ExpectCompleteProfile(uint32_t family) {
    const std::vector<TabShown> profile = SettingsProfile(family);
    ASSERT_EQ(profile.size(), static_cast<size_t>(SettingsTabCount)) << family;
    for (int i = 0; i < SettingsTabCount; ++i)
        EXPECT_EQ(profile[static_cast<size_t>(i)].tab, static_cast<SettingsTab>(i)) << family;
}

TEST(PageProfiles, TabsShownPerFamily) {
    using T = SettingsTab;
    for (const uint32_t family : {0x21u, 0xD0u, 0x30u, 0x71u, 0x10u})
        ExpectCompleteProfile(family);

    EXPECT_EQ(ShownTabs(0x21), (std::set<T>{T::Grundeinstellung, T::Betriebsart1, T::comport}));
    EXPECT_EQ(ShownTabs(0xD0), (std::set<T>{T::Grundeinstellung, T::comport, T::Modbus}));
    // 0x30 shares the profile of 0xD0 but without the port and Modbus tabs.
    EXPECT_EQ(ShownTabs(0x30), (std::set<T>{T::Grundeinstellung}));
    EXPECT_EQ(ShownTabs(0x71), (std::set<T>{T::dzfEinstellung}));
    EXPECT_EQ(ShownTabs(0x10),
              (std::set<T>{T::Grundeinstellung, T::rtu_io, T::zaehler_a, T::zaehler_b,
                           T::Betriebsart1, T::comport, T::Impulsausgabe1}));

    EXPECT_TRUE(SettingsProfile(0).empty());
    EXPECT_TRUE(SettingsProfile(0x22).empty());
    EXPECT_TRUE(SettingsProfile(0x121).empty()); // no truncation to a byte
}

// ---- Page layout selector --------------------------------------------------

TEST(PageSelector, KonfGeraetBit0) {
    EXPECT_EQ(KonfGeraetBit0For(0x10, 0), 1000);
    EXPECT_EQ(KonfGeraetBit0For(0x10, 1), 1000);
    EXPECT_EQ(KonfGeraetBit0For(0x21, 0x0003), 1);
    EXPECT_EQ(KonfGeraetBit0For(0x21, 0x0002), 0);
    EXPECT_EQ(KonfGeraetBit0For(0xD0, 0xFFFF), 1);
    EXPECT_EQ(KonfGeraetBit0For(0x30, 0xFFFE), 0);
}

TEST(PageSelector, TimeSlotGroupShown) {
    EXPECT_TRUE(TimeSlotsShown(1, 0x21, 0));
    EXPECT_FALSE(TimeSlotsShown(0, 0x21, 0x0007)); // register 917 counts for 0x10 only
    EXPECT_TRUE(TimeSlotsShown(0, 0xD0, 0));
    EXPECT_TRUE(TimeSlotsShown(0, 0x30, 0));
    EXPECT_FALSE(TimeSlotsShown(0, 0x71, 0x0001));
    EXPECT_TRUE(TimeSlotsShown(1, 0x71, 0));

    // Family 0x10: its selector is 1000, the mode in bits 0..2 decides.
    const int selector = KonfGeraetBit0For(0x10, 1);
    for (const uint32_t mode : {0u, 4u, 6u})
        EXPECT_FALSE(TimeSlotsShown(selector, 0x10, mode)) << mode;
    for (const uint32_t mode : {1u, 2u, 3u, 5u, 7u})
        EXPECT_TRUE(TimeSlotsShown(selector, 0x10, mode)) << mode;
    EXPECT_FALSE(TimeSlotsShown(selector, 0x10, 0xFFF8)); // upper bits ignored: mode 0
    EXPECT_FALSE(TimeSlotsShown(selector, 0x10, 0x000C)); // mode 4
    EXPECT_TRUE(TimeSlotsShown(selector, 0x10, 0x0009));  // mode 1
}

// ---- Protocol group --------------------------------------------------------

TEST(PageProtocol, ItemCountOfFamily33) {
    EXPECT_EQ(ProtocolItemCount33(501, false), 4);
    EXPECT_EQ(ProtocolItemCount33(502, false), 5); // the threshold itself counts
    EXPECT_EQ(ProtocolItemCount33(600, false), 5);
    EXPECT_EQ(ProtocolItemCount33(502, true), 4);
    EXPECT_EQ(ProtocolItemCount33(501, true), 4);
    EXPECT_EQ(ProtocolItemCount33(9999, true), 4);
    EXPECT_EQ(ProtocolItemCount33(0, false), 4);
}

TEST(PageProtocol, WordsOfFamily16) {
    EXPECT_EQ(ProtocolItem16(0x2012), 1);
    EXPECT_EQ(ProtocolItem16(0x0710), 2);
    EXPECT_EQ(ProtocolItem16(0x2209), 3);
    EXPECT_EQ(ProtocolItem16(0x1234), 0);
    EXPECT_EQ(ProtocolItem16(0), 0);
    EXPECT_EQ(ProtocolItem16(0x12012), 0); // whole word compared

    EXPECT_EQ(ProtocolWord16(0), 0u);
    EXPECT_EQ(ProtocolWord16(1), 0x2012u);
    EXPECT_EQ(ProtocolWord16(2), 0x0710u);
    EXPECT_EQ(ProtocolWord16(3), 0x2209u);
    EXPECT_EQ(ProtocolWord16(4), 0u);
    EXPECT_EQ(ProtocolWord16(-1), 0u);

    for (int item = 0; item < 4; ++item)
        EXPECT_EQ(ProtocolItem16(ProtocolWord16(item)), item);
}

// ---- Power group -----------------------------------------------------------

TEST(PagePower, CaptionsAndColumns) {
    const std::vector<std::string> low = PowerCaptions(true);
    EXPECT_EQ(low, (std::vector<std::string>{"10 mW", "100 mW", "250 mW", "500 mW"}));
    EXPECT_EQ(PowerColumns(true), 2);

    const std::vector<std::string> high = PowerCaptions(false);
    ASSERT_EQ(high.size(), 16u);
    EXPECT_EQ(high.front(), "100 mW");
    EXPECT_EQ(high[4], "1 W");
    EXPECT_EQ(high[5], "1,25 W");
    EXPECT_EQ(high[8], "2,5 W");
    EXPECT_EQ(high.back(), "6 W");
    EXPECT_EQ(PowerColumns(false), 4);

    // One caption per level of the power table.
    EXPECT_EQ(static_cast<int>(low.size()), PowerLevelCount(true));
    EXPECT_EQ(static_cast<int>(high.size()), PowerLevelCount(false));

    EXPECT_EQ(MarkedPowerCaption("1,25 W"), "(- 1,25 W -)");
}

// ---- Channel list ----------------------------------------------------------

TEST(PageChannels, ColumnsAtTheTableBoundaries) {
    EXPECT_EQ(ChannelColumns(1), 1);
    EXPECT_EQ(ChannelColumns(4), 4);   // d 1
    EXPECT_EQ(ChannelColumns(5), 2);   // d 2
    EXPECT_EQ(ChannelColumns(9), 4);   // d 2
    EXPECT_EQ(ChannelColumns(10), 2);  // d 4
    EXPECT_EQ(ChannelColumns(19), 4);  // d 4
    EXPECT_EQ(ChannelColumns(20), 4);  // d 5
    EXPECT_EQ(ChannelColumns(29), 5);  // d 5
    EXPECT_EQ(ChannelColumns(30), 5);  // d 6
    EXPECT_EQ(ChannelColumns(69), 7);  // d 9
    EXPECT_EQ(ChannelColumns(70), 7);  // d 10
    EXPECT_EQ(ChannelColumns(99), 8);  // d 12
    EXPECT_EQ(ChannelColumns(100), 7); // d 13
    EXPECT_EQ(ChannelColumns(109), 8); // d 13
    EXPECT_EQ(ChannelColumns(110), 7); // d 14
    EXPECT_EQ(ChannelColumns(127), 9); // d 14
    EXPECT_EQ(ChannelColumns(128), 9); // d 14
    EXPECT_EQ(ChannelColumns(129), 8); // d 15
    EXPECT_EQ(ChannelColumns(0), 1);   // an empty list counts as one entry
}

TEST(PageChannels, FewerColumnsWhenTheEntriesDoNotFitSideBySide) {
    struct Case {
        int wanted, itemWidth, room, columns;
    } const cases[] = {
        {9, 120, 1080, 9}, // room for all: the table's columns
        {9, 120, 1079, 8}, // one pixel short: one column fewer
        {9, 120, 730, 6},  // a full table on a narrow page
        {4, 120, 100, 1},  // not even one: still one column, scrolled
        {1, 120, 2000, 1}, // never more than the table wants
        {5, 0, 300, 5},    // no entries measured: the table's columns
    };
    for (const Case& c : cases)
        EXPECT_EQ(FittingColumns(c.wanted, c.itemWidth, c.room), c.columns)
            << c.wanted << " " << c.itemWidth << " " << c.room;
}

TEST(PageChannels, ItemTexts) {
    EXPECT_EQ(ChannelItemText(0, 34650, 12500), "f1 = 433.1250");
    EXPECT_EQ(ChannelItemText(1, 43312, 10000), "f2 = 433.1200");
    EXPECT_EQ(ChannelItemText(127, 36000, 12500), "f128 = 450.0000"); // last of 128
    EXPECT_EQ(ChannelItemText(0, 4000, 12500), "f1 = 50.0000");       // no leading zero
    EXPECT_EQ(ChannelItemText(0, 0, 12500), "f1 = 0.0000");
    EXPECT_EQ(ChannelItemText(0, 80000, 12500), "f1 = 1000.0000");
    // 65535 x 65535 Hz = 4294.836225 MHz: a remainder of 25 Hz rounds down.
    EXPECT_EQ(ChannelItemText(9, 65535, 65535), "f10 = 4294.8362");
    // 100000 x 65535 Hz = 6553.5 MHz does not fit 32 bits.
    EXPECT_EQ(ChannelItemText(0, 100000, 65535), "f1 = 6553.5000");
    // Remainders below 100 Hz: above 50 rounds up, exactly 50 rounds down.
    EXPECT_EQ(ChannelItemText(0, 3, 51), "f1 = 0.0002");      // 153 Hz
    EXPECT_EQ(ChannelItemText(0, 3, 50), "f1 = 0.0001");      // 150 Hz
    EXPECT_EQ(ChannelItemText(0, 1, 4331251), "f1 = 4.3313"); // 4331251 Hz
}

// ---- Frequency editor: typing ----------------------------------------------

void ExpectRow(const RowKeyResult& r, const std::string& text, int caret, int64_t units) {
    EXPECT_EQ(r.text, text);
    EXPECT_EQ(r.caret, caret);
    EXPECT_EQ(r.units, units);
}

TEST(PageTyping, DigitsOverwrite) {
    SCOPED_TRACE("digits");
    ExpectRow(TypeRowKey("433.1250", 0, 0, '3'), "333.1250", 1, 3331250);
    ExpectRow(TypeRowKey("433.1250", 2, 0, '0'), "430.1250", 3, 4301250);
    // Directly before the point the digit lands on the first decimal.
    ExpectRow(TypeRowKey("433.1250", 3, 0, '7'), "433.7250", 5, 4337250);
    ExpectRow(TypeRowKey("433.1250", 4, 0, '7'), "433.7250", 5, 4337250);
    ExpectRow(TypeRowKey("433.1250", 7, 0, '5'), "433.1255", 8, 4331255);
    // At the end nothing is left to overwrite.
    ExpectRow(TypeRowKey("433.1250", 8, 0, '9'), "433.1250", 8, 4331250);
    ExpectRow(TypeRowKey("433.1250", 99, 0, '9'), "433.1250", 8, 4331250);
    ExpectRow(TypeRowKey("000.0000", 0, 0, '1'), "100.0000", 1, 1000000);
    ExpectRow(TypeRowKey("500.0000", 7, 0, '0'), "500.0000", 8, 5000000);
    // Above 500.0000 or down to zero the row is cleared.
    ExpectRow(TypeRowKey("433.1250", 0, 0, '5'), "000.0000", 1, 0);
    ExpectRow(TypeRowKey("500.0000", 7, 0, '1'), "000.0000", 8, 0);
    ExpectRow(TypeRowKey("100.0000", 0, 0, '0'), "000.0000", 1, 0);
    ExpectRow(TypeRowKey("000.0000", 7, 0, '1'), "000.0001", 8, 1);
}

TEST(PageTyping, SelectionIsReplacedByKeyAndZeros) {
    ExpectRow(TypeRowKey("433.1250", 0, 8, '4'), "400.0000", 0, 4000000);
    ExpectRow(TypeRowKey("433.1250", 5, 3, '9'), "433.1900", 5, 4331900);
    // A selection over the point: the point returns after the third character.
    ExpectRow(TypeRowKey("433.1250", 2, 3, '7'), "437.0025", 2, 4370025);
    // Whatever the key, it replaces the selection: a non-digit spoils the number.
    ExpectRow(TypeRowKey("433.1250", 0, 8, BackspaceKey), "000.0000", 0, 0);
    ExpectRow(TypeRowKey("433.1250", 5, 1, 'x'), "000.0000", 5, 0);
    ExpectRow(TypeRowKey("433.1250", 0, 2, '.'), "000.0000", 0, 0);
    // A selection reaching past the text is cut at its end.
    ExpectRow(TypeRowKey("433.1250", 6, 10, '3'), "433.1230", 6, 4331230);
}

TEST(PageTyping, Backspace) {
    // At position 0 without a selection nothing happens.
    ExpectRow(TypeRowKey("433.1250", 0, 0, BackspaceKey), "433.1250", 0, 4331250);
    // At the end the last digit goes and the row is padded again.
    ExpectRow(TypeRowKey("433.1255", 8, 0, BackspaceKey), "433.1250", 7, 4331250);
    // Inside, the digits right of the caret move left.
    ExpectRow(TypeRowKey("433.1250", 5, 0, BackspaceKey), "433.2500", 4, 4332500);
    // Deleting the point: it comes back after the third character.
    ExpectRow(TypeRowKey("433.1250", 4, 0, BackspaceKey), "433.1250", 3, 4331250);
    // A digit before the point: the digits move left over the point, and the
    // row shows the value it now reads (431.2500), not "43.12500".
    ExpectRow(TypeRowKey("433.1250", 3, 0, BackspaceKey), "431.2500", 2, 4312500);
}

TEST(PageTyping, OtherKeysChangeNothing) {
    ExpectRow(TypeRowKey("433.1250", 2, 0, 'a'), "433.1250", 2, 4331250);
    ExpectRow(TypeRowKey("433.1250", 3, 0, '.'), "433.1250", 3, 4331250);
    ExpectRow(TypeRowKey("433.1250", 5, 0, ' '), "433.1250", 5, 4331250);
    // ... but the text is still normalised.
    ExpectRow(TypeRowKey("4331250", 2, 0, 'a'), "433.1250", 2, 4331250);
    ExpectRow(TypeRowKey("433.125", 7, 0, 'a'), "433.1250", 7, 4331250);
    ExpectRow(TypeRowKey("433.12501", 9, 0, 'a'), "433.1250", 8, 4331250);
    // A text that is no number is cleared.
    ExpectRow(TypeRowKey("abc.defg", 0, 0, 'x'), "000.0000", 0, 0);
    ExpectRow(TypeRowKey("43-.1250", 0, 0, 'x'), "000.0000", 0, 0);
    ExpectRow(TypeRowKey("", 0, 0, 'x'), "000.0000", 0, 0);
}

TEST(PageTyping, DeleteKey) {
    // Without a selection the character right of the caret goes; the caret stays.
    ExpectRow(DeleteInRow("433.1250", 5, 0), "433.1500", 5, 4331500);
    ExpectRow(DeleteInRow("433.1250", 0, 0), "331.2500", 0, 3312500);
    ExpectRow(DeleteInRow("433.1250", 3, 0), "433.1250", 3, 4331250); // the point returns
    ExpectRow(DeleteInRow("433.1250", 4, 0), "433.2500", 4, 4332500);
    ExpectRow(DeleteInRow("433.1250", 8, 0), "433.1250", 8, 4331250); // nothing right of it
    // With a selection the selection goes.
    ExpectRow(DeleteInRow("433.1250", 5, 3), "433.1000", 5, 4331000);
    ExpectRow(DeleteInRow("433.1250", 0, 8), "000.0000", 0, 0);
    ExpectRow(DeleteInRow("433.1250", 1, 2), "412.5000", 1, 4125000);
}

// ---- Frequency editor: filling empty entries -------------------------------

class PageFill : public ::testing::Test {
protected:
    void SetUp() override {
        map_.tab_anf_frequenz = 316; // registers 1216..1343
        map_.tab_anf_fraster = 444;  // registers 1344..1471
    }
    void SetEntry(int i, uint32_t channel, uint32_t step) {
        image_[static_cast<size_t>(316 + i)] = channel;
        image_[static_cast<size_t>(444 + i)] = step;
    }
    uint32_t Channel(int i) const { return image_[static_cast<size_t>(316 + i)]; }
    uint32_t Step(int i) const { return image_[static_cast<size_t>(444 + i)]; }
    TRegisterImage image_{};
    TRegisterMap map_;
};

TEST_F(PageFill, EmptyEntriesTakeThePrecedingValidOne) {
    SetEntry(0, 34650, 12500);
    SetEntry(1, 43312, 10000);
    SetEntry(2, 34700, 12500);
    FillEmptyEntries(image_, map_, {});
    EXPECT_EQ(Channel(0), 34650u);
    EXPECT_EQ(Channel(1), 43312u);
    EXPECT_EQ(Step(1), 10000u);
    for (int i = 2; i < FrequencyTableEntries; ++i) {
        EXPECT_EQ(Channel(i), 34700u) << i;
        EXPECT_EQ(Step(i), 12500u) << i;
    }
    // Nothing outside the tables is written.
    EXPECT_EQ(image_[315], 0u);
    EXPECT_EQ(image_[572], 0u);
}

TEST_F(PageFill, RunsEndAtTheNextValidEntry) {
    SetEntry(0, 34650, 12500);
    SetEntry(1, 999, 0); // a channel without a step is empty
    SetEntry(4, 43312, 10000);
    SetEntry(6, 0, 12500); // a step without a channel too
    FillEmptyEntries(image_, map_, {});
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(Channel(i), 34650u) << i;
        EXPECT_EQ(Step(i), 12500u) << i;
    }
    for (int i = 5; i < FrequencyTableEntries; ++i) {
        EXPECT_EQ(Channel(i), 43312u) << i;
        EXPECT_EQ(Step(i), 10000u) << i;
    }
}

TEST_F(PageFill, LeadingEmptyEntriesStayEmpty) {
    SetEntry(2, 34650, 12500);
    FillEmptyEntries(image_, map_, {});
    EXPECT_EQ(Channel(0), 0u);
    EXPECT_EQ(Channel(1), 0u);
    EXPECT_EQ(Step(1), 0u);
    EXPECT_EQ(Channel(127), 34650u);
}

TEST_F(PageFill, KeptEntriesAreNotOverwritten) {
    SetEntry(0, 34650, 12500);
    FillEmptyEntries(image_, map_, {3});
    EXPECT_EQ(Channel(2), 34650u);
    // The kept entry stays invalid and, being empty, is not copied on.
    for (int i = 3; i < FrequencyTableEntries; ++i) {
        EXPECT_EQ(Channel(i), 0u) << i;
        EXPECT_EQ(Step(i), 0u) << i;
    }
    // A kept entry that holds a value is a source as any other.
    SetEntry(10, 36000, 12500);
    FillEmptyEntries(image_, map_, {3, 10});
    EXPECT_EQ(Channel(10), 36000u);
    EXPECT_EQ(Channel(11), 36000u);
    EXPECT_EQ(Channel(127), 36000u);
    EXPECT_EQ(Channel(5), 0u);
}

TEST_F(PageFill, ProductsDoNotWrap) {
    // 65536 x 65536 is 0 in 32 bits, yet the entry is not empty.
    SetEntry(0, 0x10000, 0x10000);
    FillEmptyEntries(image_, map_, {});
    EXPECT_EQ(Channel(1), 0x10000u);
    EXPECT_EQ(Step(127), 0x10000u);
}

TEST_F(PageFill, TablesOutsideTheImageAreLeftAlone) {
    map_.tab_anf_fraster = RegisterImageSize - FrequencyTableEntries + 1; // one cell too far
    image_[316] = 34650;
    image_[static_cast<size_t>(map_.tab_anf_fraster)] = 12500;
    const TRegisterImage before = image_;
    FillEmptyEntries(image_, map_, {});
    EXPECT_EQ(image_, before);

    map_.tab_anf_fraster = 444;
    map_.tab_anf_frequenz = -1;
    const TRegisterImage before2 = image_;
    FillEmptyEntries(image_, map_, {});
    EXPECT_EQ(image_, before2);

    // A table ending on the image's last cell is inside.
    map_.tab_anf_frequenz = 316;
    map_.tab_anf_fraster = RegisterImageSize - FrequencyTableEntries;
    image_[static_cast<size_t>(map_.tab_anf_fraster)] = 12500;
    FillEmptyEntries(image_, map_, {});
    EXPECT_EQ(image_[RegisterImageSize - 1], 12500u);
    EXPECT_EQ(Channel(127), 34650u);
}

} // namespace
