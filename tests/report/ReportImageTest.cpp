// The report's values from the register image: what refuses a print, and how
// identity, mode, interface, channels, power and time slots are read, through
// the shipped register map's keys.
#include "report/ReportImage.h"
#include "device/DeviceTypes.h"
#include "device/RegisterMap.h"
#include "platform/StringList.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

// Members are public: the cases of a table change them.
struct ReportImageTest : ::testing::Test {
    void SetUp() override {
        FillModelNameTable();
        TStringList mapped;
        ASSERT_EQ(LoadRegisterMap(OSTARA_PROGRAM_DIR "/steuerung.cfg", 0x21, map, mapped),
                  MapLoadResult::Loaded);
        image.fill(0);
        image[DeviceTypeCell] = image[map.geraete_id] = 0x21;
        image[map.firmware] = 0x0530;
        image[map.seriennr] = 39;
        image[map.adr_funklayer] = 0x1234;
        image[map.max_anzahl_funkkanal] = 3;
        image[map.aktu_funkkanal] = 1;
        image[map.aktu_sendeleistung] = 50;
        for (int i = 0; i < 16; ++i)
            image[map.tab_anf_sendeleistung + i] = 10 * i;
        for (int i = 0; i < 128; ++i)
            SetChannel(i, 12500, 34650 + 2 * i); // from 433.1250 MHz every 25 kHz
        family = 0x21;
        changes = false;
    }
    void SetChannel(int i, uint32_t step, uint32_t channel) {
        image[map.tab_anf_fraster + i] = step;
        image[map.tab_anf_frequenz + i] = channel;
    }
    ReportOutcome Outcome() const {
        return ReportFromImage({image, map, family, has3964R, lowPower, ModelNames, changes});
    }
    ReportValues Values() const { return Outcome().values; }

    TRegisterMap map;
    TRegisterImage image{};
    int family = 0x21;
    bool has3964R = false, lowPower = false, changes = false;
};

using Change = std::function<void(ReportImageTest&)>;

} // namespace

TEST_F(ReportImageTest, WhatCannotBePrintedIsRefusedWithItsMessageAndLogDetail) {
    using enum RefusalMessage;
    const auto set = [](int32_t TRegisterMap::*key, uint32_t value) -> Change {
        return [key, value](ReportImageTest& t) { t.image[t.map.*key] = value; };
    };
    const std::tuple<Change, RefusalMessage, const char*> cases[] = {
        {[](auto& t) { t.changes = true; }, UnsavedChanges, ""},
        {[](auto& t) { t.image[DeviceTypeCell] = 0; }, NoData, ""},
        {[](auto& t) { t.family = 0; }, NoData, ""},
        {set(&TRegisterMap::geraete_id, 0x15), NoData, ""},
        {set(&TRegisterMap::adr_funklayer, 0), Aborted, " PRINT: adresse funklayer=NULL"},
        {set(&TRegisterMap::adr_funklayer, 0x4711), Aborted, " PRINT: adresse funklayer=0x4711"},
        {set(&TRegisterMap::adr_funklayer, 0x9999), Aborted, " PRINT: adresse funklayer=0x9999"},
        {set(&TRegisterMap::seriennr, 0), Aborted, " PRINT: SerienNr=NULL"},
        {set(&TRegisterMap::firmware, 0), Aborted, " PRINT: FirmwareNr=NULL"},
        {set(&TRegisterMap::max_anzahl_funkkanal, 128), Aborted,
         " PRINT: max_anzahl_funkkanal=128"},
        {set(&TRegisterMap::max_anzahl_funkkanal, 65535), Aborted,
         " PRINT: max_anzahl_funkkanal=65535"}};
    ASSERT_TRUE(Outcome().printable);
    for (const auto& [change, message, detail] : cases) {
        SetUp();
        change(*this);
        const ReportOutcome out = Outcome();
        EXPECT_FALSE(out.printable) << detail;
        EXPECT_EQ(out.refusal, message) << detail;
        EXPECT_EQ(out.logDetail, detail);
    }
}

TEST_F(ReportImageTest, IdentityInterfaceAndPower) {
    image[map.seriennr] = 7;
    image[map.firmware] = 0x0123;
    image[map.adr_funklayer] = 0x00AB;
    image[map.defstationsadresse] = 12;
    image[17] = 0x0200; // radio data rate bit
    ReportValues v = Values();
    EXPECT_EQ(v.serialText + " " + v.firmwareText + " " + v.radioAddressText + " " + v.stationText,
              "0007 01.23 00AB 12");
    EXPECT_EQ(v.modelText + v.dataRateText, "KVL-420H/ GN1200 bps");
    image[DeviceTypeCell] = image[map.geraete_id] = 0x10;
    family = 0x10;
    lowPower = true;
    EXPECT_EQ(Values().modelText, "WBS-420M/ MQ2");
    std::array<std::string, 256> names = ModelNames;
    names[6] = "WBS"; // too short for the power mark
    EXPECT_EQ(ReportFromImage({image, map, family, false, true, names, false}).values.modelText,
              "WBS");

    // Serial-interface word: baud index, data bits, parity.
    const std::tuple<uint32_t, int, int, int> formats[] = {
        {0x03, 3, 8, 0}, {0x09, 1, 7, 1}, {0x18, 0, 7, 2}, {0x2E, 6, 8, 1},
        {0x3F, 7, 8, 2}, {0x10, 0, 0, 0}, {0x20, 0, 0, 0}, {0x34, 4, 0, 0}};
    for (const auto& [word, baud, bits, parity] : formats) {
        image[map.konf_com0] = word;
        v = Values();
        EXPECT_EQ(std::make_tuple(v.baudIndex, v.dataBits, v.parityIndex),
                  std::make_tuple(baud, bits, parity))
            << word;
    }
    // Power: the nearest level of the table (0, 10, ..., 150).
    image[map.aktu_sendeleistung] = 46;
    EXPECT_EQ(Values().powerIndex, 5u);
}

TEST_F(ReportImageTest, ChannelListAndCurrentFrequency) {
    const Change none = [](auto&) {};
    const Change allEqual = [](auto& t) {
        for (int i = 0; i < 128; ++i)
            t.SetChannel(i, 12500, 34650);
    };
    const std::tuple<uint32_t, uint32_t, Change, const char*, const char*> cases[] = {
        {3, 1, none, "433.1250;433.1500;433.1750;433.2000;", "433.1500"},
        {3, 4, none, "433.1250;433.1500;433.1750;433.2000;", "433.1250 *!* "},
        {16, 2,
         [](auto& t) {
             t.SetChannel(5, 10000, 35000); // 350.0000
             t.SetChannel(9, 12500, 40000); // 500.0000
         },
         "350.0000 - 500.0000", "433.1750"},
        {16, 0, allEqual, "433.1250 - 433.1250", "433.1250"},
        {127, 200, allEqual, "433.1250 - 433.1250", "433.1250 *!* "},
        {0, 0, [](auto& t) { t.SetChannel(0, 3, 1000050); }, "3.0002;", "3.0002"}, // rounded
    };
    for (const auto& [last, current, change, list, frequency] : cases) {
        SetUp();
        image[map.max_anzahl_funkkanal] = last;
        image[map.aktu_funkkanal] = current;
        change(*this);
        const ReportValues v = Values();
        EXPECT_EQ(v.channelList, list);
        EXPECT_EQ(v.frequencyText, frequency);
    }
}

TEST_F(ReportImageTest, ModeTextAndTimeSlotsPerFamily) {
    struct Case {
        int family;
        uint32_t konfGeraet, mode; // mode: register 917
        bool has3964R;
        const char* id;
        uint16_t timeSlots;
    };
    const Case cases[] = {
        {0x21, 1, 3, false, "$T18005", 0x8203}, // bit 0 of konf_geraet first
        {0x21, 1, 1, true, "$T18003", 0x8203},  {0x21, 1, 4, false, "", 0x8203},
        {0x21, 0, 0, true, "$T18016", 0},       {0x21, 0, 5, true, "$T18017", 0},
        {0x21, 0, 2, false, "$T18008", 0},      {0x21, 0, 0x0B, false, "", 0},
        {0x10, 1, 0, false, "$T18009", 0},      {0x10, 0, 1, false, "$T18012", 0x8203},
        {0x10, 0, 2, false, "", 0x8203},        {0x10, 0, 4, false, "$T18011", 0},
        {0x10, 0, 6, false, "$T18010", 0},      {0x10, 0, 0x0F, false, "$T18015", 0x8203},
        {0x71, 0, 0, false, "$T07007", 0},      {0x71, 0, 3, false, "$T07008", 0},
        {0x30, 0, 1, false, "", 0x8203},        {0xD0, 0, 1, false, "", 0x8203}};
    image[44] = 0x8203;
    for (const Case& c : cases) {
        family = c.family;
        has3964R = c.has3964R;
        image[map.konf_geraet] = c.konfGeraet;
        image[map.g_betriebsart] = c.mode;
        const ReportOutcome out = Outcome();
        EXPECT_EQ(out.modeTextId, c.id) << c.family << " " << c.mode;
        EXPECT_EQ(out.values.timeSlots, c.timeSlots) << c.family << " " << c.mode;
    }
    family = 0x71;
    image[35] = 0x21;
    image[36] = 9;
    EXPECT_EQ(Values().shortValue1, 8);
    EXPECT_EQ(Values().shortValue2, 16);
}
