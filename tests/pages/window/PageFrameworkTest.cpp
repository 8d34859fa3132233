// The tab-page frame of the main window against the simulator: which page
// control the two page buttons show, which settings tabs each family gets,
// and that showing a page neither talks to the device nor marks a change.
#include "device/ChangeFlags.h"
#include "device/RegisterMap.h"
#include "link/PortSettings.h"
#include "link/window/RegisterCommands.h"
#include "pages/window/PageFixture.h"
#include "platform/window/PageControl.h"
#include "platform/window/RadioGroup.h"

#include <QAction>
#include <QCheckBox>
#include <QColor>
#include <QDebug>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QTabBar>

#include <array>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

int CountAllMessages() {
    int n = 0;
    for (const Dialogs::Shown& s : Dialogs::History())
        if (s.kind == "message" || s.kind == "plain")
            ++n;
    return n;
}

// The device-settings tabs that the family profiles decide, in the page
// control's order.
std::array<QWidget*, 9> ProfileTabs() {
    Ui::TForm1& ui = Form1->ui;
    return {ui.Grundeinstellung, ui.rtu_io,         ui.zaehler_a, ui.zaehler_b,     ui.Betriebsart1,
            ui.comport,          ui.Impulsausgabe1, ui.Modbus,    ui.dzfEinstellung};
}

const char* const profileTabNames[9] = {"Grundeinstellung", "rtu_io",       "zaehler_a",
                                        "zaehler_b",        "Betriebsart1", "comport",
                                        "Impulsausgabe1",   "Modbus",       "dzfEinstellung"};

} // namespace

class PageFrameworkTest : public PageTest {
protected:
    // A new simulated device on a new port, as a user who plugs in another one.
    void SwitchDevice(const std::vector<std::string>& args) {
        StartSim(args);
        ClosePort();
        PortName = sim_->PtyPath();
        ASSERT_TRUE(OpenPort());
        Form1->Mop->SetResponseTimeout(shortTimeoutMs);
    }

    // The settings tabs as shown: one '1' or '0' per profile tab.
    static std::string ProfileShown() {
        std::string out;
        for (QWidget* tab : ProfileTabs())
            out += Form1->ui.PageControl2->TabShown(tab) ? '1' : '0';
        return out;
    }

    static std::string ProfileEnabled() {
        std::string out;
        TPageControl* pages = Form1->ui.PageControl2;
        for (QWidget* tab : ProfileTabs())
            out += tab->isEnabledTo(pages) ? '1' : '0';
        return out;
    }
};

// --- family profiles of the settings pages ----------------------------------

struct ProfileCase {
    const char* name;
    std::vector<std::string> args;
    int family;
    const char* tabs;     // '1' for every profile tab shown (and enabled), in page order
    int inputTab;         // InputTabSheet: 1 shown, 0 hidden, -1 left to others
    const char* logische; // caption of the address label; nullptr: not the page's business
    int fadresse;         // radio-address group: 1 shown, 0 hidden, -1 not checked
};

void PrintTo(const ProfileCase& c, std::ostream* os) {
    *os << c.name;
}

class SettingsProfileTest : public PageFrameworkTest,
                            public ::testing::WithParamInterface<ProfileCase> {};

TEST_P(SettingsProfileTest, SettingsButtonShowsTheFamilysTabsAndHidesThemAgain) {
    const ProfileCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(StartAndRead(c.args));
    ASSERT_EQ(DeviceFamily, c.family);
    const size_t exchanges = SimLog().size();
    Ui::TForm1& ui = Form1->ui;

    ui.einstellung->trigger();

    EXPECT_TRUE(ui.einstellung->isChecked());
    EXPECT_FALSE(ui.funk->isChecked());
    EXPECT_TRUE(Shown(ui.PageControl2));
    EXPECT_FALSE(Shown(ui.PageControl1));
    EXPECT_FALSE(Shown(ui.PageControl3));
    EXPECT_FALSE(Shown(ui.Bild1));
    for (size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(ui.PageControl2->TabShown(ProfileTabs()[i]), c.tabs[i] == '1')
            << profileTabNames[i];
    }
    EXPECT_EQ(ProfileEnabled(), c.tabs);
    QWidget* const first = c.family == 0x71 ? ui.dzfEinstellung : ui.Grundeinstellung;
    EXPECT_EQ(ui.PageControl2->ActivePage(), first);
    if (c.inputTab >= 0) {
        EXPECT_EQ(ui.PageControl2->TabShown(ui.InputTabSheet), c.inputTab == 1);
    }
    if (c.logische) {
        EXPECT_EQ(FromQString(ui.logische->text()), c.logische);
    }
    if (c.fadresse >= 0) {
        EXPECT_EQ(!ui.Fadresse->isHidden(), c.fadresse == 1);
    }
    if (c.family != 0x71) {
        EXPECT_EQ(FromQString(ui.StationAdr->text()),
                  std::to_string(RegisterImage[RegisterMap.defstationsadresse]));
    }
    if (c.family == 0xD0) {
        ASSERT_GT(RegisterMap.deffunkadresse, 0);
        EXPECT_EQ(FromQString(ui.Fadresse_edit->text()),
                  std::to_string(RegisterImage[RegisterMap.deffunkadresse]));
    }
    // Showing pages neither talks to the device nor marks a change.
    EXPECT_EQ(SimLog().size(), exchanges);
    EXPECT_EQ(RadioSettingsChanged, 0);
    EXPECT_EQ(DeviceSettingsChanged, 0);
    EXPECT_EQ(CountShown("$T30022"), 0);

    // The user visits every tab of the profile: the loaders fill them without
    // marking a change or talking to the device.
    for (size_t i = 0; i < 9; ++i) {
        QWidget* tab = ProfileTabs()[i];
        if (c.tabs[i] == '1' && ui.PageControl2->currentWidget() != tab) {
            UserSelects(ui.PageControl2, tab);
        }
        if (tab == ui.Betriebsart1 && c.tabs[i] == '1') {
            // The simulated devices: protocol word 0, operating mode 1, family
            // 0x21 with firmware 5.30, no 3964R and bit 0 of konf_geraet set.
            ASSERT_EQ(RegisterImage[RegisterMap.g_betriebsart] & 7, 1u);
            ASSERT_EQ(RegisterImage[RegisterMap.protokoll_com0], 0u);
            EXPECT_EQ(ui.schicht1->Count(), c.family == 0x21 ? 5 : 4);
            EXPECT_EQ(ui.schicht1->ItemIndex(), 0);
            EXPECT_EQ(ui.Betriebsart->Count(), c.family == 0x21 ? 4 : 7);
            EXPECT_EQ(ui.Betriebsart->ItemIndex(), c.family == 0x21 ? 1 : 3);
        }
    }
    if (c.inputTab == 1) {
        UserSelects(ui.PageControl2, ui.InputTabSheet);
    }
    EXPECT_EQ(RadioSettingsChanged, 0);
    EXPECT_EQ(DeviceSettingsChanged, 0);
    EXPECT_EQ(SimLog().size(), exchanges);

    // The second press hides the pages again.
    ui.einstellung->trigger();
    EXPECT_FALSE(ui.einstellung->isChecked());
    EXPECT_FALSE(Shown(ui.PageControl2));
    EXPECT_TRUE(Shown(ui.Bild1));
    EXPECT_EQ(SimLog().size(), exchanges);
}

INSTANTIATE_TEST_SUITE_P(
    Families, SettingsProfileTest,
    ::testing::Values(
        ProfileCase{"Family21", {"--type", "0x21"}, 0x21, "100011000", 0, "$T14011", 0},
        ProfileCase{"Family10Firmware0500",
                    {"--type", "0x10", "--set", "901=0x0500"},
                    0x10,
                    "111111100",
                    1,
                    "$T14022",
                    0},
        ProfileCase{"Family10Firmware04FF",
                    {"--type", "0x10", "--set", "901=0x04FF"},
                    0x10,
                    "111111100",
                    0,
                    "$T14022",
                    0},
        ProfileCase{"FamilyD0", {"--type", "0xD0"}, 0xD0, "100001010", 0, "$T06010", 1},
        ProfileCase{"Family30", {"--type", "0x30"}, 0x30, "100000000", 0, "$T14011", 0},
        ProfileCase{"Family71", {"--type", "0x71"}, 0x71, "000000001", -1, nullptr, -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PageFrameworkTest, SettingsOfAnotherDeviceAfterClearKeepNothingOfThePreviousOne) {
    ASSERT_NO_FATAL_FAILURE(StartAndRead({"--type", "0x21"}));
    Ui::TForm1& ui = Form1->ui;
    ui.einstellung->trigger();
    ASSERT_EQ(ProfileShown(), "100011000");
    ASSERT_EQ(FromQString(ui.logische->text()), "$T14011");

    Form1->ToolButton2Click();
    ASSERT_EQ(DeviceFamily, 0);
    ASSERT_NO_FATAL_FAILURE(SwitchDevice({"--type", "0x10", "--set", "901=0x0500"}));
    ASSERT_TRUE(Read());
    ASSERT_EQ(Status(), "$T29001");
    ASSERT_EQ(DeviceFamily, 0x10);
    EXPECT_FALSE(Shown(ui.PageControl2));
    EXPECT_FALSE(ui.einstellung->isChecked());

    ui.einstellung->trigger();
    EXPECT_TRUE(Shown(ui.PageControl2));
    EXPECT_EQ(ProfileShown(), "111111100");
    EXPECT_EQ(ProfileEnabled(), "111111100");
    EXPECT_TRUE(ui.PageControl2->TabShown(ui.InputTabSheet));
    EXPECT_EQ(ui.PageControl2->ActivePage(), ui.Grundeinstellung);
    EXPECT_EQ(FromQString(ui.logische->text()), "$T14022");
    EXPECT_TRUE(ui.Fadresse->isHidden());
}

// The settings pages' tab row and every shown tab's place in it.
static std::string ShownTabRow() {
    Form1->ui.einstellung->trigger();
    EXPECT_TRUE(Shown(Form1->ui.PageControl2));
    QApplication::processEvents();
    const QTabBar* bar = Form1->ui.PageControl2->tabBar();
    QString out;
    QDebug(&out) << bar->geometry();
    for (int i = 0; i < bar->count(); ++i)
        if (bar->isTabVisible(i))
            QDebug(&out) << bar->tabText(i) << bar->tabRect(i);
    return FromQString(out);
}

class FamilyAfterFamilyTest
    : public PageFrameworkTest,
      public ::testing::WithParamInterface<std::pair<const char*, const char*>> {};

// No tab stretched over, or cut to, the room the previous family's tabs took.
TEST_P(FamilyAfterFamilyTest, SettingsTabsLookAsAfterAFreshStart) {
    const auto [first, second] = GetParam();
    ASSERT_NO_FATAL_FAILURE(StartAndRead({"--type", second}));
    const std::string fresh = ShownTabRow();
    for (const char* type : {first, second}) {
        Form1->ToolButton2Click();
        ASSERT_NO_FATAL_FAILURE(SwitchDevice({"--type", type}));
        ASSERT_TRUE(Read());
        const std::string row = ShownTabRow();
        EXPECT_EQ(row == fresh, type == second) << type << ": " << row << "\nfresh: " << fresh;
    }
}

INSTANTIATE_TEST_SUITE_P(Families, FamilyAfterFamilyTest,
                         ::testing::Values(std::pair{"0x10", "0x21"}, std::pair{"0x10", "0xD0"},
                                           std::pair{"0xD0", "0x21"}, std::pair{"0x21", "0x10"}));

// --- the radio page button --------------------------------------------------

TEST_F(PageFrameworkTest, RadioButtonRefusesWithoutDataAndTogglesThePagesAfterARead) {
    ASSERT_NO_FATAL_FAILURE(StartShown({"--type", "0x21"}));
    Ui::TForm1& ui = Form1->ui;

    // Before any read the button is disabled; its handler still refuses.
    EXPECT_FALSE(ui.funk->isEnabled());
    ui.funk->setChecked(true);
    Form1->funkClick();
    EXPECT_EQ(CountShown("$T30020"), 1);
    ASSERT_FALSE(Dialogs::History().empty());
    EXPECT_EQ(Dialogs::History().back().caption, "$T30021");
    EXPECT_FALSE(ui.funk->isChecked());
    EXPECT_FALSE(Shown(ui.PageControl1));
    EXPECT_TRUE(Shown(ui.Bild1));

    // A family without data in the image: both page buttons refuse.
    DeviceFamily = 0x21;
    ui.funk->setChecked(true);
    Form1->funkClick();
    EXPECT_EQ(CountShown("$T30022"), 1);
    EXPECT_EQ(Dialogs::History().back().caption, "$T30021");
    EXPECT_FALSE(ui.funk->isChecked());
    EXPECT_FALSE(Shown(ui.PageControl1));
    EXPECT_TRUE(Shown(ui.Bild1));
    ui.einstellung->setChecked(true);
    Form1->einstellungClick();
    EXPECT_EQ(CountShown("$T30022"), 2);
    EXPECT_FALSE(ui.einstellung->isChecked());
    EXPECT_FALSE(Shown(ui.PageControl2));
    EXPECT_TRUE(Shown(ui.Bild1));
    DeviceFamily = 0;

    ASSERT_TRUE(Read());
    ASSERT_EQ(Status(), "$T29001");
    Dialogs::ClearHistory();

    // First press: the channel list.
    ui.funk->trigger();
    EXPECT_TRUE(ui.funk->isChecked());
    EXPECT_TRUE(Shown(ui.PageControl1));
    EXPECT_EQ(ui.PageControl1->ActivePage(), ui.Frequenzliste);
    EXPECT_FALSE(Shown(ui.Bild1));
    EXPECT_FALSE(Shown(ui.PageControl2));
    EXPECT_TRUE(Shown(ui.Label5));
    for (QWidget* tab : {ui.Frequenzliste, ui.Leistung_Zeitschlitz, ui.FrequenzEditor}) {
        EXPECT_TRUE(ui.PageControl1->TabShown(tab));
        EXPECT_TRUE(ui.PageControl1->isTabEnabled(ui.PageControl1->indexOf(tab)));
    }
    EXPECT_EQ(CountAllMessages(), 0);

    // Second press: hidden again, the background back.
    ui.funk->trigger();
    EXPECT_FALSE(ui.funk->isChecked());
    EXPECT_FALSE(Shown(ui.PageControl1));
    EXPECT_TRUE(Shown(ui.Bild1));

    // The two buttons take turns: each hides the other's pages.
    ui.funk->trigger();
    ASSERT_TRUE(Shown(ui.PageControl1));
    ui.einstellung->trigger();
    EXPECT_TRUE(ui.einstellung->isChecked());
    EXPECT_FALSE(ui.funk->isChecked());
    EXPECT_FALSE(Shown(ui.PageControl1));
    EXPECT_FALSE(Shown(ui.Label5));
    EXPECT_TRUE(Shown(ui.PageControl2));
    ui.funk->trigger();
    EXPECT_TRUE(ui.funk->isChecked());
    EXPECT_FALSE(ui.einstellung->isChecked());
    EXPECT_FALSE(Shown(ui.PageControl2));
    EXPECT_TRUE(Shown(ui.PageControl1));
    EXPECT_EQ(ui.PageControl1->ActivePage(), ui.Frequenzliste);
    EXPECT_EQ(CountAllMessages(), 0);
}

// --- the radio loaders ------------------------------------------------------

TEST_F(PageFrameworkTest, RadioLoadersFillEveryTabWithoutMarkingAChangeOrTalkingToTheDevice) {
    ASSERT_NO_FATAL_FAILURE(StartAndRead({"--type", "0x21"}));
    Ui::TForm1& ui = Form1->ui;
    const TRegisterImage before = RegisterImage;
    const size_t exchanges = SimLog().size();
    // The simulated device: four channels from 433.125 MHz every 25 kHz, the
    // second one active, power 50 (the tenth of sixteen levels), all ten
    // time slots on and no sub-slot.
    ASSERT_EQ(RegisterImage[250], 3u);
    ASSERT_EQ(RegisterImage[10], 1u);
    ASSERT_EQ(RegisterImage[12], 50u);
    ASSERT_EQ(RegisterImage[44], 0x03FFu);

    ui.funk->trigger();
    TRadioGroup* channels = ui.frequenz1;
    ASSERT_EQ(channels->Count(), 4);
    EXPECT_EQ(FromQString(channels->ItemCaption(0)), "f1 = 433.1250");
    EXPECT_EQ(FromQString(channels->ItemCaption(1)), "f2 = 433.1500");
    EXPECT_EQ(FromQString(channels->ItemCaption(2)), "f3 = 433.1750");
    EXPECT_EQ(FromQString(channels->ItemCaption(3)), "f4 = 433.2000");
    EXPECT_EQ(channels->ItemIndex(), 1);
    EXPECT_EQ(channels->Columns(), 4); // 4 div 1
    EXPECT_EQ(FromQString(ui.Label5->text()), "$T39001");
    EXPECT_EQ(Differences(before, RegisterImage), std::vector<std::string>{});

    UserSelects(ui.PageControl1, ui.Leistung_Zeitschlitz);
    TRadioGroup* power = ui.sendeleistung;
    ASSERT_EQ(power->Count(), 16);
    EXPECT_EQ(FromQString(power->ItemCaption(0)), "100 mW");
    EXPECT_EQ(FromQString(power->ItemCaption(9)), "3 W");
    EXPECT_EQ(FromQString(power->ItemCaption(15)), "6 W");
    EXPECT_EQ(power->ItemIndex(), 9);
    EXPECT_EQ(power->Columns(), 4);
    EXPECT_NE(power->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_FALSE(ui.Zeitschlitz1->isHidden());
    for (QCheckBox* box : {ui.Z1, ui.Z2, ui.Z3, ui.Z4, ui.Z5, ui.Z6, ui.Z7, ui.Z8, ui.Z9, ui.Z10})
        EXPECT_TRUE(box->isChecked()) << FromQString(box->objectName());
    EXPECT_EQ(ui.SubSlot->ItemIndex(), 0);
    EXPECT_EQ(Differences(before, RegisterImage), std::vector<std::string>{});

    UserSelects(ui.PageControl1, ui.FrequenzEditor);
    EXPECT_EQ(FromQString(ui.FBereichsInfo->text()), "350.0000 MHz  -  500.0000 MHz");
    const std::array<QLineEdit*, 12> rows = {ui.FEdit1, ui.FEdit2,  ui.FEdit3,  ui.FEdit4,
                                             ui.FEdit5, ui.FEdit6,  ui.FEdit7,  ui.FEdit8,
                                             ui.FEdit9, ui.FEdit10, ui.FEdit11, ui.FEdit12};
    EXPECT_EQ(FromQString(rows[0]->text()), "433.1250");
    EXPECT_EQ(FromQString(rows[1]->text()), "433.1500");
    EXPECT_EQ(FromQString(rows[2]->text()), "433.1750");
    EXPECT_EQ(FromQString(rows[3]->text()), "433.2000");
    for (size_t r = 0; r < rows.size(); ++r)
        EXPECT_FALSE(rows[r]->isEnabled()) << r; // read-only until the set is unlocked
    for (size_t r = 4; r < rows.size(); ++r)
        EXPECT_EQ(FromQString(rows[r]->text()), "") << r;
    EXPECT_FALSE(ui.FSetLaden->isEnabled());
    EXPECT_EQ(ui.FAnzahl->currentIndex(), 3);
    // Showing the editor fills the unused entries with the last used one;
    // nothing else of the image changes.
    for (int i = 0; i < RegisterImageSize; ++i) {
        const bool channelFill = i >= 320 && i <= 443;
        const bool stepFill = i >= 448 && i <= 571;
        const uint32_t expected = channelFill ? before[319] : stepFill ? before[447] : before[i];
        EXPECT_EQ(RegisterImage[i], expected) << i;
    }

    UserSelects(ui.PageControl1, ui.Frequenzliste);
    EXPECT_EQ(channels->Count(), 4);
    EXPECT_EQ(channels->ItemIndex(), 1);

    EXPECT_EQ(RadioSettingsChanged, 0);
    EXPECT_EQ(DeviceSettingsChanged, 0);
    EXPECT_EQ(CountAllMessages(), 0);
    EXPECT_EQ(SimLog().size(), exchanges);
}
