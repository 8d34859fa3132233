// The program with the register map it ships against the simulator in the
// device's own layout (no map given to it): a read shows what the device
// holds, and a power change on the radio page reaches exactly the device's
// power registers.
#include "pages/window/PageFixture.h"
#include "platform/window/RadioGroup.h"

#include <QLabel>

#include <string>
#include <vector>

namespace {

// Every register an image cell can name.
constexpr int firstRegister = 900;
constexpr int lastRegister = 1499;

} // namespace

class DeviceLayoutTest : public PageTest {
protected:
    // The simulator's registers firstRegister..lastRegister.
    std::vector<long> SimRegisters() {
        std::vector<long> values;
        for (int reg = firstRegister; reg <= lastRegister; ++reg)
            values.push_back(SimValue(reg));
        return values;
    }

    // The registers in which two snapshots differ, as "reg:old->new".
    static std::vector<std::string> Changed(const std::vector<long>& before,
                                            const std::vector<long>& after) {
        std::vector<std::string> out;
        for (size_t i = 0; i < before.size() && i < after.size(); ++i)
            if (before[i] != after[i])
                out.push_back(std::to_string(firstRegister + static_cast<int>(i)) + ":" +
                              std::to_string(before[i]) + "->" + std::to_string(after[i]));
        return out;
    }
};

TEST_F(DeviceLayoutTest, ShippedMapReadsChangesAPowerLevelAndWritesOnlyThePowerRegisters) {
    // Six channels in use, not a family default; a serial number of its own.
    ASSERT_NO_FATAL_FAILURE(
        StartAndRead({"--type", "0x21", "--channels", "6", "--set", "908=4711"}));
    Ui::TForm1& ui = Form1->ui;
    ASSERT_EQ(SimValue(1150), 5);

    EXPECT_EQ(FromQString(Form1->StatusPanels[2]->text()), " S/N: 4711");

    ui.funk->trigger();
    ASSERT_TRUE(Shown(ui.PageControl1));
    ASSERT_EQ(ui.PageControl1->currentWidget(), ui.Frequenzliste);
    EXPECT_EQ(ui.frequenz1->Count(), 6);
    EXPECT_EQ(ui.frequenz1->ItemIndex(), SimValue(910));
    EXPECT_EQ(FromQString(ui.frequenz1->ItemCaption(5)), "f6 = 433.2500");

    // The device's current power (912) is level 9 of its table (1200..1215).
    UserSelects(ui.PageControl1, ui.Leistung_Zeitschlitz);
    ASSERT_EQ(SimValue(912), SimValue(1209));
    EXPECT_EQ(ui.sendeleistung->ItemIndex(), 9);
    const long level12 = SimValue(1212);
    ASSERT_NE(level12, SimValue(912));
    ui.sendeleistung->Button(12)->click();
    ASSERT_EQ(RadioSettingsChanged, 1);

    const std::vector<long> before = SimRegisters();
    Dialogs::QueueAnswer(Dialogs::Yes);
    Form1->up_loadClick();
    EXPECT_EQ(CountShown("$T30027"), 1); // the question, nothing refused
    EXPECT_EQ(Status(), "$T29003");
    EXPECT_EQ(RadioSettingsChanged, 0);

    const std::string from = std::to_string(before[912 - firstRegister]);
    const std::string to = std::to_string(level12);
    EXPECT_EQ(Changed(before, SimRegisters()),
              (std::vector<std::string>{"912:" + from + "->" + to, "913:" + from + "->" + to}));
    EXPECT_EQ(sim_->Command("lock?"), "locked");
}
