// The status line's texts composed from the register image: firmware text and
// version, serial, model with power variant, frequency of the active channel,
// radio address, and the two failure cases.
#include "device/StatusLine.h"
#include "device/DeviceTypes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class StatusLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        FillModelNameTable();
        names_ = ModelNames;
        image_.fill(0);
        // Distinct indexes, none of them 0 or the type cell.
        map_.firmware = 1;
        map_.seriennr = 2;
        map_.adr_funklayer = 3;
        map_.aktu_funkkanal = 10;
        map_.konf_impulsausgabe = 20;
        map_.tab_anf_frequenz = 316;
        map_.tab_anf_fraster = 444;
        image_[DeviceTypeCell] = 0x21;
        image_[1] = 0x0530;
        image_[2] = 39;
        image_[3] = 0x1234;
    }

    StatusLineTexts Compose(int family = 0x21, uint8_t lowPower = 0) const {
        return ComposeStatusLine(image_, map_, names_, family, lowPower);
    }

    TRegisterImage image_{};
    TRegisterMap map_;
    std::array<std::string, 256> names_;
};

TEST_F(StatusLineTest, FirmwareIsReadAsTheDecimalNumberOfItsHexDigits) {
    struct Case {
        uint32_t value;
        const char* text;
        double version;
        int hundredths;
    };
    const Case cases[] = {
        {0x0412, "04.12", 4.12, 412}, {0x0530, "05.30", 5.3, 530}, {0x0502, "05.02", 5.02, 502},
        {0x0501, "05.01", 5.01, 501}, {0x0000, "00.00", 0.0, 0},   {0x9999, "99.99", 99.99, 9999},
        {0x0100, "01.00", 1.0, 100},
    };
    for (const Case& c : cases) {
        image_[1] = c.value;
        const StatusLineTexts s = Compose();
        ASSERT_TRUE(s.FirmwareValid) << c.text;
        EXPECT_EQ(s.FirmwareText, c.text);
        EXPECT_EQ(s.FirmwareVersion, c.version) << c.text;
        EXPECT_EQ(s.FirmwareHundredths, c.hundredths) << c.text;
        EXPECT_EQ(s.Panels[4], std::string(" SoftVers.: ") + c.text);
    }
    // Version thresholds compare exactly in hundredths: 5.02 includes 0x0502 only from there.
    image_[1] = 0x0502;
    EXPECT_GE(Compose().FirmwareHundredths, 502);
    image_[1] = 0x0501;
    EXPECT_LT(Compose().FirmwareHundredths, 502);
}

TEST_F(StatusLineTest, FirmwareWithHexLettersFailsAndFillsNothingElse) {
    for (uint32_t value : {0x05A0u, 0xAB12u, 0x0F00u, 0x050Fu, 0x0E12u}) {
        image_[1] = value;
        const StatusLineTexts s = Compose();
        EXPECT_FALSE(s.FirmwareValid) << s.FirmwareText;
        EXPECT_TRUE(s.SerialText.empty());
        EXPECT_TRUE(s.UnknownTypeMessage.empty());
        for (const std::string& panel : s.Panels)
            EXPECT_TRUE(panel.empty()) << panel;
    }
    image_[1] = 0x05A0;
    EXPECT_EQ(Compose().FirmwareText, "05.A0");
}

TEST_F(StatusLineTest, FirmwareConversionTakesAnExponentAsTheNumberConversionDoes) {
    image_[1] = 0x05E1; // "05.E1" is 5.0 x 10
    const StatusLineTexts s = Compose();
    ASSERT_TRUE(s.FirmwareValid);
    EXPECT_EQ(s.FirmwareVersion, 50.0);
    EXPECT_EQ(s.FirmwareHundredths, 5000);
}

TEST_F(StatusLineTest, ParseLeavesTheOutputsAloneOnFailure) {
    double version = 7.5;
    int hundredths = 750;
    EXPECT_FALSE(ParseFirmwareText("05.A0", version, hundredths));
    EXPECT_FALSE(ParseFirmwareText("", version, hundredths));
    EXPECT_FALSE(ParseFirmwareText("0A.12", version, hundredths));
    EXPECT_EQ(version, 7.5);
    EXPECT_EQ(hundredths, 750);
    EXPECT_TRUE(ParseFirmwareText("12.345", version, hundredths));
    EXPECT_EQ(version, 12.345);
    EXPECT_EQ(FirmwareTextOf(0x12345), "12.345"); // more than 4 digits keep them all
}

TEST_F(StatusLineTest, SerialIsPaddedWithZerosToFourDigits) {
    const std::pair<uint32_t, const char*> cases[] = {
        {27, "0027"}, {0, "0000"}, {7, "0007"}, {999, "0999"}, {1000, "1000"}, {65535, "65535"}};
    for (const auto& [value, text] : cases) {
        image_[2] = value;
        const StatusLineTexts s = Compose();
        EXPECT_EQ(s.SerialText, text);
        EXPECT_EQ(s.Panels[2], std::string(" S/N: ") + text);
    }
}

TEST_F(StatusLineTest, RadioAddressIsFourUpperCaseHexDigits) {
    const std::pair<uint32_t, const char*> cases[] = {
        {0x00A3, "00A3"}, {0x1234, "1234"}, {0xBEEF, "BEEF"}, {0, "0000"}};
    for (const auto& [value, text] : cases) {
        image_[3] = value;
        EXPECT_EQ(Compose().Panels[3], std::string(" Kd-Adr.: ") + text);
    }
}

TEST_F(StatusLineTest, FrequencyIsChannelNumberTimesStepOfTheActiveChannel) {
    // Channel 0 holds another frequency: only the active channel counts.
    image_[316] = 1000;
    image_[444] = 12500;
    image_[10] = 3;
    image_[316 + 3] = 17000;
    image_[444 + 3] = 25000;
    StatusLineTexts s = Compose();
    EXPECT_EQ(s.FrequencyText, "425.0000");
    EXPECT_EQ(s.Panels[1], " 425.0000 MHz");

    image_[316 + 3] = 34652;
    image_[444 + 3] = 12500;
    EXPECT_EQ(Compose().Panels[1], " 433.1500 MHz");

    image_[316 + 3] = 34651; // 433.1375 MHz
    EXPECT_EQ(Compose().Panels[1], " 433.1375 MHz");

    // The full 16-bit range does not overflow.
    image_[316 + 3] = 65535;
    image_[444 + 3] = 65535;
    EXPECT_EQ(Compose().Panels[1], " 4294.8362 MHz");

    image_[316 + 3] = 0;
    EXPECT_EQ(Compose().Panels[1], " 0.0000 MHz");
}

TEST_F(StatusLineTest, ActiveChannelBeyondTheImageReadsAsZero) {
    image_[10] = 60000;
    EXPECT_EQ(Compose().Panels[1], " 0.0000 MHz");
}

TEST_F(StatusLineTest, ModelTextCarriesThePowerVariantAfterTheModelWord) {
    EXPECT_EQ(Compose(0x21, 0).Panels[0], " TYP: KVL-420 H / GN");
    EXPECT_EQ(Compose(0x21, 1).Panels[0], " TYP: KVL-420 M / GN");

    image_[DeviceTypeCell] = 0xD0;
    EXPECT_EQ(Compose(0xD0, 0).ModelText, "HNQ-130 H / ");
    image_[DeviceTypeCell] = 0x1C;
    EXPECT_EQ(Compose(0x10, 0).ModelText, "WBS-420 H / KX5");
}

TEST_F(StatusLineTest, PulseOutputMarksOnlyFamily16) {
    image_[DeviceTypeCell] = 0x10;
    image_[20] = 0x0A05; // bit 0 set
    EXPECT_EQ(Compose(0x10, 1).Panels[0], " TYP: WBS-420 M / MQ2 MI");
    EXPECT_EQ(Compose(0x10, 0).ModelText, "WBS-420 H / MQ2 MI");
    // The flag of another family's word means nothing.
    image_[DeviceTypeCell] = 0x21;
    EXPECT_EQ(Compose(0x21, 1).ModelText, "KVL-420 M / GN");
    // Bit 0 clear: no mark.
    image_[DeviceTypeCell] = 0x10;
    image_[20] = 0x0A04;
    EXPECT_EQ(Compose(0x10, 1).ModelText, "WBS-420 M / MQ2");
}

TEST_F(StatusLineTest, UnknownTypeIsReportedAndTheModelIsBlank) {
    image_[DeviceTypeCell] = 0x15;
    image_[2] = 27;
    image_[1] = 0x0412;
    const StatusLineTexts s = Compose();
    ASSERT_TRUE(s.FirmwareValid);
    EXPECT_FALSE(s.TypeKnown);
    EXPECT_EQ(s.UnknownTypeMessage, "Error in \"FunkId=21\" number!\n FW:04.12\n SN:0027");
    EXPECT_EQ(s.UnknownTypeLogLine, "Error in \"FunkId=21\" number! FW:04.12 SN:0027");
    // Eight blanks with the variant after the seventh; the other panels are still filled.
    EXPECT_EQ(s.Panels[0], " TYP:         H / ");
    EXPECT_EQ(s.Panels[2], " S/N: 0027");
    EXPECT_EQ(s.Panels[3], " Kd-Adr.: 1234");
    EXPECT_EQ(s.Panels[4], " SoftVers.: 04.12");

    // A known type has neither text.
    image_[DeviceTypeCell] = 0x21;
    const StatusLineTexts known = Compose();
    EXPECT_TRUE(known.TypeKnown);
    EXPECT_TRUE(known.UnknownTypeMessage.empty());
    EXPECT_TRUE(known.UnknownTypeLogLine.empty());
}

TEST_F(StatusLineTest, UnknownTypeWithPulseMarkKeepsTheMarkBeforeTheVariant) {
    image_[DeviceTypeCell] = 0x15;
    image_[20] = 1;
    EXPECT_EQ(Compose(0x10, 1).ModelText, " MI M /");
}

} // namespace
