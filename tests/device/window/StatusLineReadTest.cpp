// The status line after a read from the simulator, and the main window's
// handling of the two failure cases.
#include "device/RegisterMap.h"
#include "device/window/ReadFixture.h"

#include <QLabel>

#include <fstream>
#include <sstream>

namespace {

std::string Panel(int i) {
    return FromQString(Form1->StatusPanels[i]->text());
}

std::string ErrorLog(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST_F(ReadTest, StatusLineShowsTheIdentityOfTheDeviceJustRead) {
    StartWithDevice({"--type", "0x21"});
    ASSERT_TRUE(Read());
    ASSERT_EQ(Status(), "$T29001");

    // The simulator's radio modem: firmware 0x0530, serial 0x27, radio address 0x1234, channel
    // 1 active at 433.150 MHz (channel number 34652 x 12.5 kHz), the 6 W power table.
    EXPECT_EQ(SimValue(901), 0x0530);
    EXPECT_EQ(Panel(0), " TYP: KVL-420 H / GN");
    EXPECT_EQ(Panel(1), " 433.1500 MHz");
    EXPECT_EQ(Panel(2), " S/N: 0039");
    EXPECT_EQ(Panel(3), " Kd-Adr.: 1234");
    EXPECT_EQ(Panel(4), " SoftVers.: 05.30");
    EXPECT_EQ(Status(), "$T29001"); // the transfer panel is not touched
    EXPECT_EQ(Form1->FirmwareVersion, 5.3);
    EXPECT_EQ(Form1->FirmwareHundredths, 530);
    EXPECT_EQ(CountMessages("$T30005"), 0);
}

TEST_F(ReadTest, StatusLineRefusesFirmwareThatIsNoNumberAndKeepsThePanels) {
    StartWithDevice({"--type", "0x21"});
    ASSERT_TRUE(Read());
    ASSERT_EQ(Panel(4), " SoftVers.: 05.30");
    const std::string before[] = {Panel(0), Panel(1), Panel(2), Panel(3), Panel(4)};

    RegisterImage[RegisterMap.firmware] = 0x05A0;
    RegisterImage[RegisterMap.seriennr] = 27;
    Form1->UpdateStatusLine();

    EXPECT_EQ(CountMessages("$T30005"), 1);
    EXPECT_EQ(RegisterImage[RegisterMap.firmware], 0u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(Panel(i), before[i]) << i;
    EXPECT_EQ(Form1->FirmwareVersion, 5.3);
    EXPECT_EQ(Form1->FirmwareHundredths, 530);
    EXPECT_NE(ErrorLog(dir_ / Form1->LogFileName).find(" * $T30005 * "), std::string::npos);

    // The cleared firmware reads as 00.00 the next time.
    Form1->UpdateStatusLine();
    EXPECT_EQ(Panel(4), " SoftVers.: 00.00");
    EXPECT_EQ(Panel(2), " S/N: 0027");
    EXPECT_EQ(Form1->FirmwareHundredths, 0);
}

TEST_F(ReadTest, StatusLineReportsAnUnknownTypeAndStillFillsThePanels) {
    StartWithDevice({"--type", "0x21"});
    ASSERT_TRUE(Read());
    RegisterImage[DeviceTypeCell] = 0x15;
    Dialogs::ClearHistory();
    Form1->UpdateStatusLine();

    const std::string message = "Error in \"FunkId=21\" number!\n FW:05.30\n SN:0039";
    int shown = 0;
    for (const Dialogs::Shown& s : Dialogs::History())
        shown += s.text == message ? 1 : 0;
    EXPECT_EQ(shown, 1);
    EXPECT_NE(ErrorLog(dir_ / Form1->LogFileName)
                  .find(" * Error in \"FunkId=21\" number! FW:05.30 SN:0039 * "),
              std::string::npos);
    EXPECT_EQ(Panel(0), " TYP:         H / ");
    EXPECT_EQ(Panel(1), " 433.1500 MHz");
    EXPECT_EQ(Panel(4), " SoftVers.: 05.30");
}
