// The radio pages of the main window against the simulator: the channel
// list, the power and time-slot choices and the frequency editor edit exactly
// their cells of the register image, and the write brings them to the device.
#include "device/ChangeFlags.h"
#include "device/PowerTable.h"
#include "device/RegisterMap.h"
#include "pages/window/PageFixture.h"
#include "platform/window/PageControl.h"
#include "platform/window/RadioGroup.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

#include <array>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Register-map cells of the shipped map (register - 900).
constexpr int channelCell = 10;   // aktu_funkkanal, + 1 the power-on channel
constexpr int countCell = 250;    // max_anzahl_funkkanal
constexpr int powerCell = 12;     // aktu_sendeleistung, + 1 the power-on power
constexpr int timeSlotCell = 44;  // aktiv_zeit
constexpr int powerTable = 300;   // tab_anf_sendeleistung .. 315
constexpr int channelTable = 316; // tab_anf_frequenz .. 443
constexpr int stepTable = 444;    // tab_anf_fraster .. 571
constexpr int lastTableCell = 571;

const QColor red(255, 0, 0);

// Messages of two texts joined by a line break.
int CountTwoLines(const std::string& first, const std::string& second) {
    return CountShown(first + "\n" + second) + CountShown(first + "\r\n" + second);
}

// The differences expected when exactly the given cells take the given values.
std::vector<std::string> Expected(const TRegisterImage& before,
                                  const std::map<int, uint32_t>& cells) {
    TRegisterImage after = before;
    for (const auto& [cell, value] : cells)
        after[cell] = value;
    return Differences(before, after);
}

std::string Text(const QWidget* w) {
    if (auto* edit = qobject_cast<const QLineEdit*>(w))
        return FromQString(edit->text());
    if (auto* label = qobject_cast<const QLabel*>(w))
        return FromQString(label->text());
    return {};
}

// A row edit marked invalid (red).
bool MarkedInvalid(const QLineEdit* edit) {
    return edit->palette().color(QPalette::Base) == red;
}

// The user types one digit into a row edit.
void TypeDigit(QLineEdit* edit, char digit) {
    SendKey(edit, Qt::Key_0 + (digit - '0'), QString(QChar(digit)));
}

std::array<QLineEdit*, 12> Rows() {
    Ui::TForm1& ui = Form1->ui;
    return {ui.FEdit1, ui.FEdit2, ui.FEdit3, ui.FEdit4,  ui.FEdit5,  ui.FEdit6,
            ui.FEdit7, ui.FEdit8, ui.FEdit9, ui.FEdit10, ui.FEdit11, ui.FEdit12};
}

std::array<QLabel*, 12> RowNumbers() {
    Ui::TForm1& ui = Form1->ui;
    return {ui.FEdit1Label, ui.FEdit2Label,  ui.FEdit3Label,  ui.FEdit4Label,
            ui.FEdit5Label, ui.FEdit6Label,  ui.FEdit7Label,  ui.FEdit8Label,
            ui.FEdit9Label, ui.FEdit10Label, ui.FEdit11Label, ui.FEdit12Label};
}

// Register words of a frequency limit in Hz, for --set.
std::vector<std::string> Limits(uint32_t loHz, uint32_t hiHz) {
    return {"--set", "990=" + std::to_string(loHz >> 16),
            "--set", "991=" + std::to_string(loHz & 0xFFFF),
            "--set", "992=" + std::to_string(hiHz >> 16),
            "--set", "993=" + std::to_string(hiHz & 0xFFFF)};
}

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

class RadioPagesTest : public PageTest {
protected:
    // Shows the radio pages on the given tab, as the user gets there.
    static void OpenRadioTab(QWidget* tab) {
        Ui::TForm1& ui = Form1->ui;
        ui.funk->trigger();
        ASSERT_TRUE(Shown(ui.PageControl1));
        if (tab != ui.Frequenzliste)
            UserSelects(ui.PageControl1, tab);
    }

    // Opens the frequency editor and unlocks the set for editing.
    static void UnlockFrequencySet() {
        OpenRadioTab(Form1->ui.FrequenzEditor);
        Form1->ui.FSetAendern->click();
        ASSERT_TRUE(Form1->FrequencyTableChanged);
    }

    // Selects the whole row and types the digits: the first replaces the
    // selection (the rest becomes zeros), the others overwrite from the start.
    static void TypeOverRow(QLineEdit* edit, const std::string& digits) {
        edit->setFocus();
        edit->selectAll();
        for (char d : digits)
            TypeDigit(edit, d);
    }

    static void ClearFlags() {
        RadioSettingsChanged = 0;
        DeviceSettingsChanged = 0;
    }
};

// --- edits --------------------------------------------------------------

TEST_F(RadioPagesTest, EachEditChangesExactlyItsCellsAndTheWriteBringsThemToTheDevice) {
    // Sub-slot: the first one (bit 15); time slots 1 and 2.
    ASSERT_NO_FATAL_FAILURE(StartAndRead({"--type", "0x21", "--set", "944=0x8003"}));
    Ui::TForm1& ui = Form1->ui;
    ASSERT_EQ(RegisterImage[timeSlotCell], 0x8003u);

    ASSERT_NO_FATAL_FAILURE(OpenRadioTab(ui.Leistung_Zeitschlitz));
    ASSERT_FALSE(ui.Zeitschlitz1->isHidden());
    EXPECT_EQ(ui.SubSlot->ItemIndex(), 1);
    EXPECT_TRUE(ui.Z1->isChecked());
    EXPECT_TRUE(ui.Z2->isChecked());
    EXPECT_FALSE(ui.Z3->isChecked());
    ASSERT_EQ(RadioSettingsChanged, 0);
    ASSERT_EQ(DeviceSettingsChanged, 0);

    // Sub-slot "zweiter Subzeitschlitz": bit 14 instead of 15, a device setting.
    TRegisterImage before = RegisterImage;
    ui.SubSlot->Button(2)->click();
    EXPECT_EQ(ui.SubSlot->ItemIndex(), 2);
    EXPECT_EQ(Differences(before, RegisterImage), Expected(before, {{timeSlotCell, 0x4003}}));
    EXPECT_EQ(DeviceSettingsChanged, 1);
    EXPECT_EQ(RadioSettingsChanged, 0);

    // Power: the thirteenth level writes the table's value into both cells.
    ClearFlags();
    before = RegisterImage;
    const uint32_t level12 = RegisterImage[powerTable + 12];
    ASSERT_NE(level12, RegisterImage[powerCell]);
    ui.sendeleistung->Button(12)->click();
    EXPECT_EQ(ui.sendeleistung->ItemIndex(), 12);
    EXPECT_EQ(Differences(before, RegisterImage),
              Expected(before, {{powerCell, level12}, {powerCell + 1, level12}}));
    EXPECT_EQ(RadioSettingsChanged, 1);
    EXPECT_EQ(DeviceSettingsChanged, 0);

    // Time slot 3: bit 2.
    ClearFlags();
    before = RegisterImage;
    ui.Z3->click();
    EXPECT_TRUE(ui.Z3->isChecked());
    EXPECT_EQ(Differences(before, RegisterImage), Expected(before, {{timeSlotCell, 0x4007}}));
    EXPECT_EQ(RadioSettingsChanged, 1);
    EXPECT_EQ(DeviceSettingsChanged, 0);

    // Channel: the fourth entry becomes the current and the power-on channel.
    ClearFlags();
    UserSelects(ui.PageControl1, ui.Frequenzliste);
    ASSERT_EQ(ui.frequenz1->Count(), 4);
    before = RegisterImage;
    ui.frequenz1->Button(3)->click();
    EXPECT_EQ(ui.frequenz1->ItemIndex(), 3);
    EXPECT_EQ(Differences(before, RegisterImage),
              Expected(before, {{channelCell, 3}, {channelCell + 1, 3}}));
    EXPECT_EQ(Text(ui.Label5), "$T39002");
    EXPECT_EQ(RadioSettingsChanged, 1);
    EXPECT_EQ(DeviceSettingsChanged, 0);

    // Frequency editor: 433.1250 becomes 434.0000 MHz, channel 34720 x 12.5 kHz.
    UserSelects(ui.PageControl1, ui.FrequenzEditor);
    // Read-only, the table still reads easily: faded text on a light ground.
    ASSERT_FALSE(ui.FEdit1->isEnabled());
    const QPalette readOnly = ui.FEdit1->palette();
    const QColor ground = readOnly.color(QPalette::Disabled, QPalette::Base);
    EXPECT_GE(ground.lightness(), 200);
    EXPECT_GE(ground.lightness() - readOnly.color(QPalette::Disabled, QPalette::Text).lightness(),
              80);
    ui.FSetAendern->click();
    EXPECT_TRUE(Form1->FrequencyTableChanged);
    EXPECT_TRUE(ui.FSetLaden->isEnabled());
    EXPECT_TRUE(ui.FEdit1->isEnabled());
    EXPECT_FALSE(ui.FEdit5->isEnabled()); // unused entry
    ClearFlags();
    before = RegisterImage;
    ASSERT_EQ(Text(ui.FEdit1), "433.1250");
    ui.FEdit1->setFocus();
    ui.FEdit1->selectAll();
    TypeDigit(ui.FEdit1, '4');
    EXPECT_EQ(Text(ui.FEdit1), "400.0000");
    for (char d : std::string("434"))
        TypeDigit(ui.FEdit1, d);
    EXPECT_EQ(Text(ui.FEdit1), "434.0000");
    EXPECT_FALSE(MarkedInvalid(ui.FEdit1));
    EXPECT_EQ(Differences(before, RegisterImage),
              Expected(before, {{channelTable, 34720}, {stepTable, 12500}}));
    EXPECT_EQ(RadioSettingsChanged, 1);
    EXPECT_EQ(DeviceSettingsChanged, 0);

    // Write: the device takes every change.
    Dialogs::QueueAnswer(Dialogs::Yes);
    Form1->up_loadClick();
    EXPECT_EQ(CountShown("$T30027"), 1); // the question, nothing else refused
    EXPECT_EQ(SimValue(910), 3);
    EXPECT_EQ(SimValue(911), 3);
    EXPECT_EQ(SimValue(912), static_cast<long>(level12));
    EXPECT_EQ(SimValue(913), static_cast<long>(level12));
    EXPECT_EQ(SimValue(944), 0x4007);
    EXPECT_EQ(SimValue(1216), 34720);
    EXPECT_EQ(SimValue(1344), 12500);
    EXPECT_EQ(RadioSettingsChanged, 0);
    EXPECT_EQ(DeviceSettingsChanged, 0);

    // A new read shows them.
    Dialogs::QueueModal([](QDialog&) { return Dialogs::Yes; });
    ASSERT_TRUE(Read());
    ASSERT_EQ(Status(), "$T29001");
    EXPECT_EQ(FirstDifferenceFromSim(), -1);
    EXPECT_EQ(RegisterImage[channelCell], 3u);
    EXPECT_EQ(RegisterImage[channelCell + 1], 3u);
    EXPECT_EQ(RegisterImage[powerCell], level12);
    EXPECT_EQ(RegisterImage[timeSlotCell], 0x4007u);
    EXPECT_EQ(RegisterImage[channelTable], 34720u);
    ASSERT_NO_FATAL_FAILURE(OpenRadioTab(ui.Frequenzliste));
    EXPECT_EQ(ui.frequenz1->ItemIndex(), 3);
    EXPECT_EQ(FromQString(ui.frequenz1->ItemCaption(0)), "f1 = 434.0000");
}

// --- power values outside the table --------------------------------------

TEST_F(RadioPagesTest, PowerValueOutsideTheTableIsMarkedOnTheNearestLevelNotCorrected) {
    // 53 lies between level 9 (50) and level 10 (54), nearer to level 10.
    ASSERT_NO_FATAL_FAILURE(StartAndRead({"--type", "0x21", "--set", "912=53"}));
    Ui::TForm1& ui = Form1->ui;
    ASSERT_EQ(LowPowerModule, 0);
    ASSERT_EQ(RegisterImage[powerTable + 9], 50u);
    ASSERT_EQ(RegisterImage[powerTable + 10], 54u);
    const TRegisterImage before = RegisterImage;

    ASSERT_NO_FATAL_FAILURE(OpenRadioTab(ui.Leistung_Zeitschlitz));
    EXPECT_EQ(CountTwoLines("$T30021", "$T30048"), 1);
    TRadioGroup* power = ui.sendeleistung;
    ASSERT_EQ(power->Count(), 16);
    EXPECT_EQ(power->ItemIndex(), 10);
    EXPECT_EQ(FromQString(power->ItemCaption(10)), "(- 3,5 W -)");
    EXPECT_EQ(FromQString(power->ItemCaption(9)), "3 W");
    EXPECT_EQ(FromQString(power->ItemCaption(11)), "4 W");
    EXPECT_EQ(power->palette().color(QPalette::WindowText), red);
    EXPECT_EQ(Differences(before, RegisterImage), std::vector<std::string>{});
    EXPECT_EQ(RadioSettingsChanged, 0);
    // The error log names the variant.
    std::ifstream log(std::filesystem::path(Form1->ProgramDir) / Form1->LogFileName,
                      std::ios::binary);
    std::ostringstream logText;
    logText << log.rdbuf();
    EXPECT_NE(logText.str().find("$T30048High P."), std::string::npos) << logText.str();

    // Choosing a level writes the table's value and drops the marking colour.
    power->Button(9)->click();
    EXPECT_EQ(Differences(before, RegisterImage),
              Expected(before, {{powerCell, 50}, {powerCell + 1, 50}}));
    EXPECT_EQ(RadioSettingsChanged, 1);
    EXPECT_NE(power->palette().color(QPalette::WindowText), red);
}

TEST_F(RadioPagesTest, LowPowerModuleWithTheNearestLevelPastItsFourItemsSelectsNothing) {
    // The power table 0, 28, 50, 100, 100, ...: a low-power module. 200 lies
    // past the last level, so the nearest search answers the last offset, 15.
    ASSERT_NO_FATAL_FAILURE(StartAndRead({"--type", "0x10", "--set", "912=200"}));
    Ui::TForm1& ui = Form1->ui;
    ASSERT_EQ(LowPowerModule, 1);
    const TRegisterImage before = RegisterImage;

    ASSERT_NO_FATAL_FAILURE(OpenRadioTab(ui.Leistung_Zeitschlitz));
    EXPECT_EQ(CountTwoLines("$T30021", "$T30048"), 1);
    TRadioGroup* power = ui.sendeleistung;
    ASSERT_EQ(power->Count(), 4);
    EXPECT_EQ(power->Columns(), 2);
    EXPECT_EQ(FromQString(power->ItemCaption(0)), "10 mW");
    EXPECT_EQ(FromQString(power->ItemCaption(1)), "100 mW");
    EXPECT_EQ(FromQString(power->ItemCaption(2)), "250 mW");
    EXPECT_EQ(FromQString(power->ItemCaption(3)), "500 mW");
    EXPECT_EQ(power->ItemIndex(), -1);
    // It says so instead of selecting an item the module does not have.
    EXPECT_EQ(CountShown("$T30054"), 1);
    EXPECT_EQ(Differences(before, RegisterImage), std::vector<std::string>{});
    EXPECT_EQ(RadioSettingsChanged, 0);
}

// --- frequency editor ----------------------------------------------------

TEST_F(RadioPagesTest, TypedFrequencyOutsideTheLimitsOrOffTheRasterEmptiesTheEntry) {
    ASSERT_NO_FATAL_FAILURE(StartAndRead(Join({"--type", "0x21"}, Limits(430000000, 440000000))));
    Ui::TForm1& ui = Form1->ui;
    ASSERT_NO_FATAL_FAILURE(UnlockFrequencySet());
    EXPECT_EQ(Text(ui.FBereichsInfo), "430.0000 MHz  -  440.0000 MHz");
    EXPECT_EQ(CountShown("$T12001"), 0);
    EXPECT_EQ(CountTwoLines("$T30021", "$T30042"), 0); // 433.125 .. 433.2 MHz lie inside
    EXPECT_FALSE(MarkedInvalid(ui.FEdit1));
    RadioSettingsChanged = 0;

    // 445.0000 MHz, typed over the whole row: each step leaves the entry
    // either empty or holding what the row shows inside the range.
    ui.FEdit1->setFocus();
    ui.FEdit1->selectAll();
    for (char d : std::string("4445")) {
        TypeDigit(ui.FEdit1, d);
        const uint64_t hz = uint64_t{RegisterImage[channelTable]} * RegisterImage[stepTable];
        if (hz != 0) {
            EXPECT_GE(hz, 430000000u) << Text(ui.FEdit1);
            EXPECT_LE(hz, 440000000u) << Text(ui.FEdit1);
        }
    }
    EXPECT_EQ(Text(ui.FEdit1), "445.0000");
    EXPECT_TRUE(MarkedInvalid(ui.FEdit1));
    EXPECT_EQ(FromQString(ui.FEdit1->toolTip()), "$T13001");
    EXPECT_EQ(RegisterImage[channelTable], 0u);
    EXPECT_EQ(RegisterImage[stepTable], 0u);
    EXPECT_EQ(RadioSettingsChanged, 1);

    // The write refuses a table with an empty entry; the device keeps its own.
    const long deviceChannel = SimValue(1216);
    Form1->up_loadClick();
    EXPECT_EQ(SimValue(1216), deviceChannel);
    EXPECT_EQ(CountShown("$T30027"), 0);

    // Row 2: 433.1200 MHz lies on the 10 kHz raster only; a digit typed at the
    // point's position goes to the first decimal.
    TypeOverRow(ui.FEdit2, "44331");
    EXPECT_EQ(Text(ui.FEdit2), "433.1000");
    TypeDigit(ui.FEdit2, '2');
    EXPECT_EQ(Text(ui.FEdit2), "433.1200");
    EXPECT_FALSE(MarkedInvalid(ui.FEdit2));
    EXPECT_EQ(RegisterImage[channelTable + 1], 43312u);
    EXPECT_EQ(RegisterImage[stepTable + 1], 10000u);
    // 433.1230 MHz lies on neither raster.
    TypeDigit(ui.FEdit2, '3');
    EXPECT_EQ(Text(ui.FEdit2), "433.1230");
    EXPECT_TRUE(MarkedInvalid(ui.FEdit2));
    EXPECT_EQ(RegisterImage[channelTable + 1], 0u);
    EXPECT_EQ(RegisterImage[stepTable + 1], 0u);

    // Delete right of the caret: 433.1750 loses its "1" and is padded again
    // to 433.7500 MHz (channel 34700 x 12.5 kHz); the caret stays.
    ASSERT_EQ(Text(ui.FEdit3), "433.1750");
    ui.FEdit3->setFocus();
    ui.FEdit3->deselect();
    ui.FEdit3->setCursorPosition(4);
    SendKey(ui.FEdit3, Qt::Key_Delete, QString());
    EXPECT_EQ(Text(ui.FEdit3), "433.7500");
    EXPECT_EQ(ui.FEdit3->cursorPosition(), 4);
    EXPECT_FALSE(MarkedInvalid(ui.FEdit3));
    EXPECT_EQ(RegisterImage[channelTable + 2], 34700u);
    EXPECT_EQ(RegisterImage[stepTable + 2], 12500u);

    // Backspace over the whole row leaves no frequency.
    ASSERT_EQ(Text(ui.FEdit4), "433.2000");
    ui.FEdit4->setFocus();
    ui.FEdit4->selectAll();
    SendKey(ui.FEdit4, Qt::Key_Backspace, QString(QChar('\b')));
    EXPECT_EQ(Text(ui.FEdit4), "000.0000");
    EXPECT_TRUE(MarkedInvalid(ui.FEdit4));
    EXPECT_EQ(RegisterImage[channelTable + 3], 0u);
    EXPECT_EQ(RegisterImage[stepTable + 3], 0u);
}

TEST_F(RadioPagesTest, TableOutsideTheLimitsIsReportedWhenTheEditorIsShown) {
    // Entry 0: channel 35600 x 12.5 kHz = 445 MHz, above the 440 MHz limit.
    ASSERT_NO_FATAL_FAILURE(StartAndRead(
        Join({"--type", "0x21", "--set", "1216=35600"}, Limits(430000000, 440000000))));
    Ui::TForm1& ui = Form1->ui;
    ASSERT_NO_FATAL_FAILURE(OpenRadioTab(ui.Frequenzliste));
    EXPECT_EQ(FromQString(ui.frequenz1->ItemCaption(0)), "f1 = 445.0000");
    EXPECT_EQ(CountTwoLines("$T30021", "$T30042"), 0);

    UserSelects(ui.PageControl1, ui.FrequenzEditor);
    EXPECT_EQ(CountTwoLines("$T30021", "$T30042"), 1);
    EXPECT_TRUE(Shown(ui.PageControl1));
    EXPECT_EQ(ui.PageControl1->ActivePage(), ui.FrequenzEditor);
    EXPECT_EQ(Text(ui.FEdit1), "445.0000");
    EXPECT_EQ(RegisterImage[channelTable], 35600u); // nothing is corrected
    EXPECT_EQ(RegisterImage[stepTable], 12500u);
    EXPECT_EQ(RadioSettingsChanged, 0);

    // Each showing of the tab checks again.
    UserSelects(ui.PageControl1, ui.Frequenzliste);
    UserSelects(ui.PageControl1, ui.FrequenzEditor);
    EXPECT_EQ(CountTwoLines("$T30021", "$T30042"), 2);
}

TEST_F(RadioPagesTest, MissingDeviceLimitsGiveTheDefaultRangeWithAWarningOnce) {
    ASSERT_NO_FATAL_FAILURE(StartAndRead({"--type", "0x21", "--set", "990=65535"}));
    Ui::TForm1& ui = Form1->ui;
    ASSERT_NO_FATAL_FAILURE(OpenRadioTab(ui.FrequenzEditor));
    EXPECT_EQ(CountShown("$T12001"), 1);
    EXPECT_EQ(Text(ui.FBereichsInfo), "!! 350.0000 MHz  -  500.0000 MHz !!");
    EXPECT_EQ(ui.FBereichsInfo->palette().color(QPalette::WindowText), red);
    // 433.125 .. 433.2 MHz lie inside the default range.
    EXPECT_EQ(CountTwoLines("$T30021", "$T30042"), 0);

    // The editor is set up once per image.
    UserSelects(ui.PageControl1, ui.Frequenzliste);
    UserSelects(ui.PageControl1, ui.FrequenzEditor);
    EXPECT_EQ(CountShown("$T12001"), 1);
}

TEST_F(RadioPagesTest, ThirteenEntriesGiveTwoPagesAndTheArrowsFollowThePage) {
    ASSERT_NO_FATAL_FAILURE(StartAndRead({"--type", "0x21"}));
    Ui::TForm1& ui = Form1->ui;
    ASSERT_NO_FATAL_FAILURE(UnlockFrequencySet());
    EXPECT_FALSE(ui.FRightButton->isEnabled()); // four entries: one page
    EXPECT_FALSE(ui.FLeftButton->isEnabled());
    RadioSettingsChanged = 0;
    const TRegisterImage before = RegisterImage;

    ui.FAnzahl->setCurrentIndex(12);
    emit ui.FAnzahl->activated(12);
    EXPECT_EQ(Differences(before, RegisterImage), Expected(before, {{countCell, 12}}));
    EXPECT_EQ(RadioSettingsChanged, 1);
    ASSERT_EQ(ui.FSeiten->count(), 2);
    EXPECT_EQ(FromQString(ui.FSeiten->itemText(0)), "1 - 12");
    EXPECT_EQ(FromQString(ui.FSeiten->itemText(1)), "13 - 13");
    EXPECT_TRUE(ui.FRightButton->isEnabled());
    EXPECT_FALSE(ui.FLeftButton->isEnabled());
    // Entries 4..11 were filled with entry 3's frequency when the editor showed.
    for (QLineEdit* row : Rows())
        EXPECT_TRUE(row->isEnabled()) << FromQString(row->objectName());
    EXPECT_EQ(Text(ui.FEdit12), "433.2000");

    ui.FRightButton->click();
    EXPECT_EQ(Form1->FrequencyPage, 2);
    EXPECT_EQ(ui.FSeiten->currentIndex(), 1);
    EXPECT_EQ(Text(RowNumbers()[0]), "13");
    EXPECT_EQ(Text(ui.FEdit1), "433.2000");
    EXPECT_TRUE(ui.FEdit1->isEnabled());
    for (size_t r = 1; r < 12; ++r) {
        EXPECT_FALSE(Rows()[r]->isEnabled()) << r;
        EXPECT_EQ(Text(Rows()[r]), "") << r;
    }
    EXPECT_FALSE(ui.FRightButton->isEnabled());
    EXPECT_TRUE(ui.FLeftButton->isEnabled());

    ui.FLeftButton->click();
    EXPECT_EQ(Form1->FrequencyPage, 1);
    EXPECT_EQ(Text(RowNumbers()[0]), "1");
    EXPECT_EQ(Text(ui.FEdit1), "433.1250");
    EXPECT_TRUE(ui.FRightButton->isEnabled());
    EXPECT_FALSE(ui.FLeftButton->isEnabled());
}

// --- a hostile image -----------------------------------------------------

TEST_F(RadioPagesTest, HostileChannelCountAndChannelStayInsideTheImage) {
    ASSERT_NO_FATAL_FAILURE(
        StartAndRead({"--type", "0x21", "--set", "1150=65535", "--set", "910=65535"}));
    Ui::TForm1& ui = Form1->ui;
    ASSERT_EQ(RegisterImage[countCell], 65535u);
    ASSERT_EQ(RegisterImage[channelCell], 65535u);
    const TRegisterImage before = RegisterImage;

    ASSERT_NO_FATAL_FAILURE(OpenRadioTab(ui.Frequenzliste));
    // The count is kept to the table's 128 entries, and the user is told.
    EXPECT_EQ(ui.frequenz1->Count(), 128);
    EXPECT_EQ(ui.frequenz1->ItemIndex(), -1);
    EXPECT_EQ(CountShown("$T30053"), 1);
    EXPECT_EQ(Differences(before, RegisterImage), std::vector<std::string>{});

    UserSelects(ui.PageControl1, ui.Leistung_Zeitschlitz);
    EXPECT_EQ(Differences(before, RegisterImage), std::vector<std::string>{});

    // The editor may fill unused entries of its tables, nothing else.
    UserSelects(ui.PageControl1, ui.FrequenzEditor);
    ui.FSetAendern->click();
    EXPECT_EQ(ui.FSeiten->count(), 11);
    EXPECT_EQ(ui.FAnzahl->currentIndex(), 127);
    for (int i = 0; i < 20 && ui.FRightButton->isEnabled(); ++i)
        ui.FRightButton->click();
    EXPECT_FALSE(ui.FRightButton->isEnabled());
    EXPECT_LE(Form1->FrequencyPage, 11);
    for (int i = 0; i < RegisterImageSize; ++i) {
        if (i < channelTable || i > lastTableCell) {
            EXPECT_EQ(RegisterImage[i], before[i]) << i;
        }
    }
    EXPECT_EQ(RadioSettingsChanged, 0);
    EXPECT_EQ(DeviceSettingsChanged, 0);
}

// --- the time-slot group -------------------------------------------------

TEST_F(RadioPagesTest, TimeSlotGroupFollowsTheLayoutSelectorAndAPendingEditFreezesIt) {
    // Family 0x21 with bit 0 of konf_geraet clear: no time slots.
    ASSERT_NO_FATAL_FAILURE(StartAndRead({"--type", "0x21", "--set", "937=0"}));
    Ui::TForm1& ui = Form1->ui;
    ASSERT_NO_FATAL_FAILURE(OpenRadioTab(ui.Leistung_Zeitschlitz));
    EXPECT_TRUE(ui.Zeitschlitz1->isHidden());

    // A pending radio edit keeps the layout it was made in.
    ui.sendeleistung->Button(12)->click();
    ASSERT_EQ(RadioSettingsChanged, 1);
    RegisterImage[RegisterMap.konf_geraet] = 1;
    UserSelects(ui.PageControl1, ui.Frequenzliste);
    UserSelects(ui.PageControl1, ui.Leistung_Zeitschlitz);
    EXPECT_TRUE(ui.Zeitschlitz1->isHidden());
    // Once no edit is pending the layout follows the image again.
    RadioSettingsChanged = 0;
    UserSelects(ui.PageControl1, ui.Frequenzliste);
    UserSelects(ui.PageControl1, ui.Leistung_Zeitschlitz);
    EXPECT_FALSE(ui.Zeitschlitz1->isHidden());
}

TEST_F(RadioPagesTest, TimeSlotGroupOfFamily10FollowsTheOperatingMode) {
    // Mode 4 has no time slots.
    ASSERT_NO_FATAL_FAILURE(StartAndRead({"--type", "0x10", "--set", "917=4"}));
    Ui::TForm1& ui = Form1->ui;
    ASSERT_NO_FATAL_FAILURE(OpenRadioTab(ui.Leistung_Zeitschlitz));
    EXPECT_TRUE(ui.Zeitschlitz1->isHidden());

    // Mode 1 has them (the image as a file load could leave it).
    RegisterImage[17] = 1;
    UserSelects(ui.PageControl1, ui.Frequenzliste);
    UserSelects(ui.PageControl1, ui.Leistung_Zeitschlitz);
    EXPECT_FALSE(ui.Zeitschlitz1->isHidden());
    EXPECT_EQ(RadioSettingsChanged, 0);
}

// --- what the editor keeps from the user's hands ----------------------------

TEST_F(RadioPagesTest, EditorKeepsEmptiedEntriesAndTypedCountsAndEditsThePageItShows) {
    ASSERT_NO_FATAL_FAILURE(StartAndRead({"--type", "0x21", "--channels", "20"}));
    Ui::TForm1& ui = Form1->ui;
    ASSERT_NO_FATAL_FAILURE(UnlockFrequencySet());
    const TRegisterImage before = RegisterImage;

    // An entry the user empties stays empty: the fill of empty entries that
    // every page change runs does not copy its neighbour back into it.
    TypeOverRow(ui.FEdit2, "9");
    ASSERT_TRUE(MarkedInvalid(ui.FEdit2));
    ASSERT_EQ(RegisterImage[channelTable + 1], 0u);
    ui.FRightButton->click();
    ui.FLeftButton->click();
    EXPECT_EQ(RegisterImage[channelTable + 1], 0u);
    EXPECT_EQ(RegisterImage[stepTable + 1], 0u);
    EXPECT_TRUE(MarkedInvalid(ui.FEdit2));
    EXPECT_EQ(Text(ui.FEdit2), "000.0000");

    // Typed characters do not change the count; only the list does.
    const uint32_t count = RegisterImage[countCell];
    ClearFlags();
    SendKey(ui.FAnzahl, Qt::Key_5, "5");
    EXPECT_EQ(RegisterImage[countCell], count);
    EXPECT_EQ(RadioSettingsChanged, 0);

    // A page chosen in the page list is the page typed into.
    ui.FSeiten->setCurrentIndex(1);
    emit ui.FSeiten->activated(1);
    EXPECT_EQ(Form1->FrequencyPage, 2);
    EXPECT_EQ(Text(RowNumbers()[0]), "13");
    TypeOverRow(ui.FEdit1, "4434");
    EXPECT_EQ(RegisterImage[channelTable + 12], 34720u);
    EXPECT_EQ(RegisterImage[channelTable], before[channelTable]);
    // Rows past the table's end are off, numbers included.
    EXPECT_FALSE(RowNumbers()[11]->isEnabled());
    EXPECT_FALSE(Rows()[11]->isEnabled());

    // A shorter table moves a page past its end back to the last page.
    ui.FAnzahl->setCurrentIndex(4);
    emit ui.FAnzahl->activated(4);
    EXPECT_EQ(RegisterImage[countCell], 4u);
    EXPECT_EQ(Form1->FrequencyPage, 1);
    EXPECT_EQ(Text(RowNumbers()[0]), "1");
    EXPECT_FALSE(ui.FRightButton->isEnabled());
    EXPECT_FALSE(ui.FLeftButton->isEnabled());
}
