// The read command end to end: the real serial path against the simulator.
#include "device/ReadFixture.h"

#include <QLabel>

#include <cstdlib>

namespace {

// The simulator's value of a register, through its control input.
long SimValue(testsupport::Devsim& sim, int reg) {
    const std::string answer = sim.Command("get " + std::to_string(reg));
    const size_t eq = answer.find('=');
    const std::string number = eq == std::string::npos ? answer : answer.substr(eq + 1);
    char* end = nullptr;
    const long v = std::strtol(number.c_str(), &end, 0);
    return end && end != number.c_str() ? v : -1;
}

} // namespace

TEST_F(ReadTest, CleanReadOfARadioModemFillsTheImageAsTheDeviceHoldsIt) {
    StartWithDevice({"--type", "0x21"});
    ASSERT_TRUE(Read());
    EXPECT_EQ(Status(), "$T29001");
    EXPECT_EQ(Form4->ui.ProgressBar1->Position(), 571);
    EXPECT_EQ(DeviceFamily, 0x21);
    EXPECT_EQ(RegisterImage[6], 0x21u);
    for (int reg = 900; reg <= 1471; ++reg)
        ASSERT_EQ(static_cast<long>(RegisterImage[reg - 900]), SimValue(*sim_, reg)) << reg;
    EXPECT_TRUE(Form1->ui.funk->isEnabled());
    EXPECT_TRUE(Form1->ui.up_load->isEnabled());
    EXPECT_TRUE(Form1->ui.down_load->isEnabled());
}
