// The decisions of the device-settings and input/output pages without their
// windows: what the settings group shows per device and firmware, the
// interface format codes, the combo lists, the numeric edits' encodings and
// limits, and the merge of the pages' working copies.
#include "device/RegisterMap.h"
#include "pages/EditLogic.h"
#include "pages/IoLogic.h"
#include "pages/SettingsLogic.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

SettingsInput Device(int family, int firmware, uint32_t reg917 = 0, uint32_t type = 0x21) {
    return {
        .family = family, .firmware = firmware, .typeCode = type, .reg917 = reg917, .reg918 = 10};
}

SettingsInput With(SettingsInput in, uint32_t SettingsInput::*cell, uint32_t value) {
    in.*cell = value;
    return in;
}

std::string Show(const OptionState& s) {
    return std::to_string(s.visible) + std::to_string(s.enabled) + std::to_string(s.checked);
}

} // namespace

// Each threshold from both sides; "vec" is visible, enabled, checked.
TEST(SettingsPage, OptionsFollowFamilyAndFirmwareOnBothSidesOfEachThreshold) {
    constexpr uint32_t bits3_8_10 = 0x0508, bit11 = 0x0800, bit3 = 0x0008;
    const struct {
        SettingsInput in;
        OptionState SettingsPageState::*option;
        std::string vec;
    } cases[] = {
        // 4.1: the remanence option is shown ticked and closed before.
        {Device(0x10, 409), &SettingsPageState::Counter, "101"},
        {Device(0x10, 410), &SettingsPageState::Counter, "110"},
        // 4.7: master mode, shown off before.
        {Device(0x10, 469, bits3_8_10), &SettingsPageState::MoPMastermode, "100"},
        {Device(0x10, 470, bits3_8_10), &SettingsPageState::MoPMastermode, "111"},
        // 4.9: writable counters.
        {Device(0x10, 489, 0x1000), &SettingsPageState::CounterWrite, "101"},
        {Device(0x10, 490, 0x1000), &SettingsPageState::CounterWrite, "111"},
        // 5.3: gateway options; open for type 0x28 only.
        {Device(0x21, 529, bit3, 0x28), &SettingsPageState::GatewayFunktion, "100"},
        {Device(0x21, 530, bit3, 0x28), &SettingsPageState::GatewayFunktion, "111"},
        {Device(0x21, 530, bit3, 0x21), &SettingsPageState::GatewayFunktion, "101"},
        {Device(0x21, 530, 0, 0x28), &SettingsPageState::S7OPC, "110"},
        {Device(0x21, 530, bit3, 0x28), &SettingsPageState::S7OPC, "100"}, // gateway on
        // 5.41: field strength byte, open in operating mode 2 only; hidden below
        // 5.3 too.
        {Device(0x21, 529, bit11), &SettingsPageState::FeldstaerkenByte, "000"},
        {Device(0x21, 540, bit11), &SettingsPageState::FeldstaerkenByte, "000"},
        {With(Device(0x21, 541, bit11), &SettingsInput::operating, 2),
         &SettingsPageState::FeldstaerkenByte, "111"},
        {With(Device(0x21, 541, bit11), &SettingsInput::operating, 1),
         &SettingsPageState::FeldstaerkenByte, "101"},
        // HNQ: MoP2 off is a clear bit 0; RTS on is 3, on 0xD0 only.
        {Device(0xD0, 100), &SettingsPageState::MOP2deaktivieren, "111"},
        {With(Device(0xD0, 100), &SettingsInput::reg934, 3), &SettingsPageState::RTSaktivieren,
         "111"},
        {Device(0x30, 400), &SettingsPageState::RTSaktivieren, "000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Show(SettingsPageFor(c.in).*c.option), c.vec)
            << "family " << c.in.family << " firmware " << c.in.firmware;
}

TEST(SettingsPage, ChoicesGroupAndAddressFollowFamilyAndFirmware) {
    const struct {
        SettingsInput in;
        ChoiceState SettingsPageState::*choice;
        bool visible, enabled;
        int item;
    } cases[] = {
        // Data rate: bit 9 set is 1200 bps; forced to 2400 and closed before
        // 4.4 (0x10; 5.1 on 0x21); the HNQ families have none.
        {Device(0x10, 439, 0x200), &SettingsPageState::DatenrateFunk, true, false, 1},
        {Device(0x10, 440, 0x200), &SettingsPageState::DatenrateFunk, true, true, 0},
        {Device(0xD0, 510, 0x200), &SettingsPageState::DatenrateFunk, false, false, 0},
        // Interface: bit 10 on 0x21 (open from 5.4), bit 11 on 0x10 (from 4.9).
        {Device(0x21, 529, 0x400), &SettingsPageState::ComRS4xx, true, false, 0},
        {Device(0x21, 540, 0x400), &SettingsPageState::ComRS4xx, true, true, 0},
        {Device(0x10, 469, 0x800), &SettingsPageState::ComRS4xx, true, false, 0},
        {Device(0x10, 490, 0x400), &SettingsPageState::ComRS4xx, true, true, 1},
        // MoP time-out 10 ms .. 2500 ms: a value without an item selects none.
        {With(Device(0x21, 530, 0x10), &SettingsInput::reg918, 250),
         &SettingsPageState::MoPtimeoutBox1, true, true, 249},
        {With(Device(0x21, 530, 0x10), &SettingsInput::reg918, 0),
         &SettingsPageState::MoPtimeoutBox1, true, true, -1},
        {Device(0x10, 530), &SettingsPageState::MoPtimeoutBox1, false, false, -1},
    };
    for (const auto& c : cases) {
        const ChoiceState s = SettingsPageFor(c.in).*c.choice;
        EXPECT_EQ(std::tuple(s.visible, s.enabled, s.item),
                  std::tuple(c.visible, c.enabled, c.item))
            << "family " << c.in.family << " firmware " << c.in.firmware;
    }
    // Before 0.8 there is no group; the radio address belongs to 0xD0 alone.
    EXPECT_FALSE(SettingsPageFor(Device(0x10, 79)).groupVisible);
    EXPECT_TRUE(SettingsPageFor(Device(0x10, 80)).groupVisible);
    EXPECT_TRUE(SettingsPageFor(Device(0xD0, 79)).FadresseVisible);
    EXPECT_FALSE(SettingsPageFor(Device(0x30, 400)).FadresseVisible);
}

TEST(SettingsPage, InterfaceFormatCodesBothWays) {
    EXPECT_EQ(BaudRateItem(0x0007), -1); // code 7 has no item
    const struct {
        int parity, dataBits;
        uint32_t bits;
    } table[] = {
        {ParityNone, 0, 0}, {1, DataBitsSeven, 1}, {0, DataBitsSeven, 3}, {1, 0, 5}, {0, 0, 7}};
    for (const auto& t : table) {
        EXPECT_EQ(FormatCode(t.parity, t.dataBits), t.bits);
        const FormatItems back = FormatItemsOf(t.bits << 3);
        EXPECT_EQ(std::pair(back.parity, back.dataBits), std::pair(t.parity, t.dataBits));
    }
    // Codes outside the table (bit 3 clear) show as no parity with 8 bits.
    for (uint32_t code : {2u, 4u, 6u})
        EXPECT_EQ(FormatItemsOf(code << 3).parity, ParityNone) << code;
}

TEST(SettingsPage, ComboItemsOfRegisterValues) {
    // 3964R time-out in 4 us units <-> 10 ms items.
    const std::pair<uint32_t, int> timeouts[] = {{0, 0},     {4999, 0},   {7500, 2},
                                                 {12499, 3}, {67499, 25}, {65535, 25}};
    for (const auto& [value, item] : timeouts)
        EXPECT_EQ(TimeoutZ2Item(value), item) << value;
    // Registers 932/933: value = item + 1 within their lists only.
    EXPECT_EQ(ComboItemOf(150, 150), 149);
    EXPECT_EQ(ComboItemOf(151, 150), -1);
    EXPECT_EQ(ComboItemOf(0, 200), -1);
}

TEST(NumericEdits, TextsBecomeCellsWithinTheirLimitsOnly) {
    const std::optional<uint32_t> none;
    const struct {
        NumericEdit edit;
        std::string text;
        uint32_t oldCell;
        std::optional<uint32_t> cell;
    } cases[] = {
        {Edits::Gain, "0.29", 0, 29},
        {Edits::Gain, "4.35", 0, 435},
        {Edits::Gain, "0.299", 0, 29},
        {Edits::Gain, "100.000", 0, 10000},
        {Edits::Gain, "100.001", 0, none},
        {Edits::Gain, "-0.001", 0, none},
        {Edits::Gain, "1.2.3", 0, none},
        {Edits::Offset, "-12", 0, 0x800C},
        {Edits::Offset, "-4095", 0, 0x8FFF},
        {Edits::Offset, "-4096", 0, none},
        {Edits::Offset, "4096", 0, none},
        {Edits::Offset, "-", 0, none},
        {Edits::Offset, "--5", 0, none},
        {Edits::MeasuringInterval, "7", 0x000B, 0x070B},
        {Edits::MeasuringInterval, "256", 0, none},
        {Edits::Timeout16, "65535", 0, 65535},
        {Edits::Timeout16, "65536", 0, none},
        {Edits::Timeout16, "12345678901234567890", 0, none},
        {Edits::Timeout16, "abc", 0, none},
        {Edits::Timeout16, "", 0, none},
        {StationAddressEdit(0x21, 2), "239", 0, 239},
        {StationAddressEdit(0x21, 2), "240", 0, none},
        {StationAddressEdit(0x21, 1), "15", 0, none},
        {StationAddressEdit(0x10, 1), "200", 0, 200},
        {StationAddressEdit(0x30, 0), "0", 0, none},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EncodeEditText(c.edit, c.text, c.oldCell), c.cell) << "\"" << c.text << "\"";
}

TEST(NumericEdits, CellsShowInTheEditsFormat) {
    const struct {
        NumericEdit edit;
        uint32_t cell;
        const char* text;
    } cases[] = {
        {Edits::Gain, 0, "1.000"},       {Edits::Gain, 29, "0.290"},
        {Edits::Gain, 65535, "655.350"}, {Edits::Offset, 0x8123, "-291"},
        {Edits::Offset, 0x0FFF, "4095"}, {Edits::Offset, 0x8000, "-0"},
        {Edits::Offset, 65535, "-4095"}, {Edits::MeasuringInterval, 0x0A05, "10"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EditDisplayText(c.edit, c.cell), c.text) << c.cell;
    EXPECT_EQ(EditLimitText(Edits::Gain, Edits::Gain.maximum), "100.000");
    EXPECT_EQ(EditLimitText(Edits::Offset, Edits::Offset.minimum), "-4095");
}

TEST(IoPages, ImpulseSwitchesAndCounterBits) {
    // 0x0A05: impulse on (item 0), frequency-exact (1), analog on (0), no compound (1).
    for (const auto& [bit, item] : {std::pair(0, 0), {1, 1}, {2, 0}, {3, 1}})
        EXPECT_EQ(ImpulseItem(0x0A05, bit), item) << bit;
    // za3 is bit 11 of the types, zb8 bit 0; A7-B8 pairs bit 7, B14-B15 bit 14.
    const struct {
        int control;
        bool pairing;
        int bit;
    } counters[] = {{0, false, 8}, {3, false, 11}, {8, false, 0}, {15, false, 7},
                    {16, true, 0}, {23, true, 7},  {24, true, 8}, {30, true, 14}};
    for (const auto& c : counters) {
        const CounterBit b = CounterBitOf(c.control);
        EXPECT_EQ(std::pair(b.pairing, b.bit), std::pair(c.pairing, c.bit)) << c.control;
    }
}

TEST(IoPages, MergeBringsOnlyTheSwitchesAndChangedDelays) {
    TRegisterMap map;
    map.konf_impulsausgabe = 54;
    int delays[InputDelayCount] = {};
    delays[0] = 125;
    delays[15] = 5;
    TRegisterImage image{};
    image[54] = 0x0700; // measuring interval 7, switches off
    image[170] = 30;
    // The stale high byte of the working copy stays out; unchanged delays too.
    MergeWorkingCopies(image, map, 0x10, 0xAB0F, delays, false);
    EXPECT_EQ(std::pair(image[54], image[170]), std::pair(0x070Fu, 30u));
    MergeWorkingCopies(image, map, 0x10, 0x0F, delays, true);
    EXPECT_EQ(std::pair(image[170], image[185]), std::pair(125u, 5u));
    // Other families have no impulse word: register 900 is not touched.
    TRegisterImage other{};
    map.konf_impulsausgabe = 0;
    MergeWorkingCopies(other, map, 0x10, 0xFF, delays, false);
    MergeWorkingCopies(other, TRegisterMap{}, 0x21, 0xFF, delays, true);
    EXPECT_EQ(other, TRegisterImage{});
}
