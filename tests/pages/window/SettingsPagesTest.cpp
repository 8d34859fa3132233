// The device-settings and input/output pages against the simulator: showing
// them changes nothing, every handler changes exactly its bit or value, the
// numeric edits reject what lies outside their limits, and the working copies
// reach the device. Also the bit widgets of the pages.
#include "device/ChangeFlags.h"
#include "pages/SettingsLogic.h"
#include "pages/window/Bit8Feld.h"
#include "pages/window/LedBalken.h"
#include "pages/window/PageFixture.h"
#include "pages/window/Pages.h"
#include "platform/window/RadioGroup.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTabBar>

#include <fstream>
#include <functional>
#include <iterator>
#include <regex>

namespace {

using namespace std::string_literals;

// The user selects the edit's text, types over it ('\b' deletes) and, when
// given another control, leaves the edit for it.
void Type(QLineEdit* edit, const std::string& text, QWidget* leaveFor = nullptr) {
    edit->setFocus();
    edit->selectAll();
    for (char c : text)
        SendKey(edit,
                c >= '0' && c <= '9' ? Qt::Key_0 + (c - '0')
                : c == '\b'          ? Qt::Key_Backspace
                                     : Qt::Key_unknown,
                QString(QChar(c)));
    if (leaveFor)
        leaveFor->setFocus();
}

std::string Text(const QLineEdit* edit) {
    return FromQString(edit->text());
}

// A handler's case: what the user does and the one register it changes.
struct Row {
    const char* name;
    std::function<void()> act;
    int reg;
    uint32_t value;
};

} // namespace

class SettingsPagesTest : public PageTest {
protected:
    // Range messages carry their limits: "$T30018 0..20".
    void StartDevice(const std::vector<std::string>& args) {
        std::ifstream in(dir_ / "default.lang", std::ios::binary);
        const std::string text(std::istreambuf_iterator<char>(in), {});
        in.close();
        std::ofstream(dir_ / "default.lang", std::ios::binary) << std::regex_replace(
            text, std::regex("(\\$T3001[89](DE|GB)=\\$T3001[89])"), "$1 %S%..%S%");
        ASSERT_NO_FATAL_FAILURE(StartAndRead(args));
        QApplication::setActiveWindow(Form1);
        Form1->ui.einstellung->trigger();
        ASSERT_TRUE(Shown(Form1->ui.PageControl2));
    }

    // Every tab of the family shown once: the image and the flags stay.
    void VisitEveryTab() {
        const TRegisterImage before = RegisterImage;
        TPageControl* pages = Form1->ui.PageControl2;
        for (int i = pages->count() - 1; i >= 0; --i)
            if (pages->isTabVisible(i) && pages->currentIndex() != i)
                UserSelects(pages, pages->widget(i));
        EXPECT_EQ(Differences(before, RegisterImage), std::vector<std::string>{});
        EXPECT_EQ(DeviceSettingsChanged, 0);
        EXPECT_EQ(RadioSettingsChanged, 0);
    }

    static void RunRows(const std::vector<Row>& rows) {
        for (const Row& r : rows) {
            DeviceSettingsChanged = 0;
            const TRegisterImage before = RegisterImage;
            TRegisterImage expected = before;
            expected[r.reg - 900] = r.value;
            r.act();
            EXPECT_EQ(Differences(before, RegisterImage), Differences(before, expected)) << r.name;
            EXPECT_EQ(DeviceSettingsChanged, 1) << r.name;
        }
    }
};

TEST_F(SettingsPagesTest, RemoteTerminalEditsReachTheDeviceAndAreReadBack) {
    // Gain 0 (shown 1.000), offset -0, impulse word 0x0A05, no parity.
    ASSERT_NO_FATAL_FAILURE(StartDevice({"--type", "0x10", "--set", "955=0", "--set", "956=0x8000",
                                         "--set", "954=0x0A05", "--set", "930=3", "--set", "917=0",
                                         "--set", "918=0", "--set", "953=0"}));
    Ui::TForm1& ui = Form1->ui;
    VisitEveryTab();
    // Tabbing through the impulse page changes nothing.
    UserSelects(ui.PageControl2, ui.Impulsausgabe1);
    for (QLineEdit* e : {ui.mess_int, ui.gain_reg, ui.offset_reg, ui.mess_int})
        e->setFocus();
    EXPECT_EQ(DeviceSettingsChanged, 0);
    EXPECT_EQ(std::pair(RegisterImage[55], RegisterImage[56]), std::pair(0u, 0x8000u));

    RunRows({
        {"Counter", [&] { ui.Counter->setChecked(!ui.Counter->isChecked()); }, 917, 0x0008},
        {"Pipeline", [&] { ui.Pipeline->setChecked(true); }, 917, 0x0108},
        {"MoPMastermode", [&] { ui.MoPMastermode->setChecked(true); }, 917, 0x0508},
        {"ComRS4xx", [&] { ui.ComRS4xx->SetItemIndex(0); }, 917, 0x0D08},
        {"CounterWrite", [&] { ui.CounterWrite->setChecked(true); }, 917, 0x1D08},
        {"DatenrateFunk", [&] { ui.DatenrateFunk->SetItemIndex(0); }, 917, 0x1F08},
        {"OffsetAdrRTU", [&] { ui.OffsetAdrRTU->setChecked(true); }, 916, RegisterImage[16] | 0x80},
        {"za3", [&] { ui.za3->SetItemIndex(1); }, 918, RegisterImage[18] | 0x0800},
        {"zb8", [&] { ui.zb8->SetItemIndex(1); }, 918, RegisterImage[18] | 0x0801},
        {"za7_b8", [&] { ui.za7_b8->setChecked(true); }, 953, RegisterImage[53] | 0x0080},
        {"zb14_b15", [&] { ui.zb14_b15->setChecked(true); }, 953, RegisterImage[53] | 0x4080},
        {"Parity", [&] { ui.Parity->SetItemIndex(1); }, 930, 0x002B},
        {"gain_reg", [&] { Type(ui.gain_reg, "0.29", ui.offset_reg); }, 955, 29},
        {"mess_int", [&] { Type(ui.mess_int, "7", ui.gain_reg); }, 954, 0x0705},
    });
    // The switches and the input delays stay in their working copies until
    // the write, also when the pages are hidden and shown again; the
    // measuring interval shows the cell's.
    ui.analog_out->SetItemIndex(1);
    ui.analog_out->SetItemIndex(0);
    ui.verbund_ein->SetItemIndex(0);
    UserSelects(ui.PageControl2, ui.InputTabSheet);
    emit Form1->InputFrames[3]->ui.TimerBox->activated(4); // 2.0 s
    ui.einstellung->trigger();
    ui.einstellung->trigger();
    UserSelects(ui.PageControl2, ui.InputTabSheet);
    EXPECT_EQ(std::tuple(Form1->ImpulseWord & 0xFF, RegisterImage[54], InputDelayValues[3]),
              std::tuple(0x0Du, 0x0705u, 20));
    UserSelects(ui.PageControl2, ui.Impulsausgabe1);
    EXPECT_EQ(Text(ui.mess_int), "7");

    Dialogs::QueueAnswer(Dialogs::Yes);
    Form1->up_loadClick();
    EXPECT_EQ(CountShown("$T30027"), 1); // the question, nothing refused
    EXPECT_EQ(DeviceSettingsChanged, 0);
    for (const auto& [reg, value] :
         {std::pair(917, 0x1F08L), {930, 0x002BL}, {954, 0x070DL}, {955, 29L}, {1073, 20L}})
        EXPECT_EQ(SimValue(reg), value) << reg;

    // Read back from a device whose switches changed meanwhile: the page shows
    // what was entered, and the working copy the device's own switches, so
    // that a later write keeps them.
    ASSERT_EQ(sim_->Command("set 954=0x0C0A"), "ok");
    Dialogs::QueueModal([](QDialog&) { return Dialogs::Yes; });
    ASSERT_TRUE(Read());
    ui.einstellung->trigger();
    UserSelects(ui.PageControl2, ui.Impulsausgabe1);
    EXPECT_EQ(std::tuple(Text(ui.gain_reg), ui.analog_out->ItemIndex(), Form1->ImpulseWord),
              std::tuple("0.290"s, 1, 0x0C0Au));
}

TEST_F(SettingsPagesTest, SavedFilesKeepTheIoEditsAndEachNewImageReloadsTheCopies) {
    ASSERT_NO_FATAL_FAILURE(
        StartDevice({"--type", "0x10", "--set", "954=0x0A05", "--set", "1073=0"}));
    Ui::TForm1& ui = Form1->ui;
    UserSelects(ui.PageControl2, ui.Impulsausgabe1);
    ui.verbund_ein->SetItemIndex(0);
    UserSelects(ui.PageControl2, ui.InputTabSheet);
    emit Form1->InputFrames[3]->ui.TimerBox->activated(4); // 2.0 s
    Dialogs::QueueFileName((dir_ / "io.qdv").string());
    Form1->savebuttonClick();
    ASSERT_EQ(CountShown("$T30003"), 1);
    // Copies another image left behind give way to the file's, and to
    // nothing after Clear.
    Form1->ImpulseWord = 0xFFFF;
    InputDelayValues[3] = 7;
    Dialogs::QueueModal([](QDialog&) { return Dialogs::Yes; });
    Dialogs::QueueFileName((dir_ / "io.qdv").string());
    Form1->openbuttonClick();
    EXPECT_EQ(
        std::tuple(RegisterImage[54], RegisterImage[173], Form1->ImpulseWord, InputDelayValues[3]),
        std::tuple(0x0A0Du, 20u, 0x0A0Du, 20));
    Form1->ToolButton2Click();
    EXPECT_EQ(std::pair(Form1->ImpulseWord, InputDelayValues[3]), std::pair(0u, 0));
}

// A change of language refills the shown tab's groups at once, as showing it again would.
TEST_F(SettingsPagesTest, ALanguageChangeRefillsTheShownTab) {
    UseShippedTexts();
    ASSERT_NO_FATAL_FAILURE(StartShown({"--type", "0x21"}));
    ASSERT_TRUE(Read());
    Ui::TForm1& ui = Form1->ui;
    ui.einstellung->trigger();
    UserSelects(ui.PageControl2, ui.Betriebsart1);
    const TRegisterImage before = RegisterImage;
    const auto items = [&] { return std::pair(ui.schicht1->title(), ui.Betriebsart->title()); };
    const auto old = items();
    Form1->LanguageMenuItems.at(0)->trigger();
    const auto changed = items();
    UserSelects(ui.PageControl2, ui.comport);
    UserSelects(ui.PageControl2, ui.Betriebsart1);
    EXPECT_TRUE(changed != old && items() == changed);
    EXPECT_TRUE(RegisterImage == before && DeviceSettingsChanged + RadioSettingsChanged == 0);
}

TEST_F(SettingsPagesTest, RadioModemShowsOddValuesUnchangedAndStoresItsEdits) {
    // Type 0x28 at 5.41 in operating mode 2; a baud-rate code and time-outs
    // past their lists, a format code outside the table.
    ASSERT_NO_FATAL_FAILURE(
        StartDevice({"--type", "0x28", "--set", "901=0x0541", "--set", "917=2", "--set", "918=251",
                     "--set", "930=0x0017", "--set", "932=151", "--set", "933=201"}));
    Ui::TForm1& ui = Form1->ui;
    VisitEveryTab();
    UserSelects(ui.PageControl2, ui.comport);
    EXPECT_EQ(std::tuple(ui.baudrate->ItemIndex(), ui.Parity->ItemIndex(),
                         ui.MoPtimeoutBox1->currentIndex(), ui.ZeichenVer1->currentIndex(),
                         ui.QuittungVer1->currentIndex()),
              std::tuple(-1, ParityNone, -1, -1, -1));
    UserSelects(ui.PageControl2, ui.Grundeinstellung);
    RunRows({
        {"GatewayMRTU", [&] { ui.GatewayMRTU->setChecked(true); }, 917, 0x0012},
        {"GatewayFunktion", [&] { ui.GatewayFunktion->setChecked(true); }, 917, 0x001A},
        {"S7OPC", [&] { ui.S7OPC->setChecked(true); }, 917, 0x003A},
        {"FeldstaerkenByte", [&] { ui.FeldstaerkenByte->setChecked(true); }, 917, 0x083A},
        {"ComRS4xx", [&] { ui.ComRS4xx->SetItemIndex(0); }, 917, 0x0C3A},
        {"MoPtimeoutBox1", [&] { emit ui.MoPtimeoutBox1->activated(4); }, 918, 5},
        {"baudrate", [&] { ui.baudrate->SetItemIndex(5); }, 930, 0x0015},
        {"Datenbits", [&] { ui.Parity->SetItemIndex(0), ui.Datenbits->SetItemIndex(1); }, 930,
         0x001D},
        {"ZeichenVer1", [&] { emit ui.ZeichenVer1->activated(149); }, 932, 150},
        {"QuittungVer1", [&] { emit ui.QuittungVer1->activated(0); }, 933, 1},
    });
    // The gateway function on closes S7 OPC; seven data bits close "no parity".
    EXPECT_EQ(std::tuple(ui.S7OPC->isEnabled(), ui.MoPtimeoutBox1->isEnabled(),
                         ui.Parity->Button(ParityNone)->isEnabled()),
              std::tuple(false, true, false));

    // A 3964R device's time-out: 7500 shows 30 ms; 260 ms stores 65000.
    ASSERT_EQ(sim_->Command("set 906=0x70"), "ok");
    ASSERT_EQ(sim_->Command("set 936=7500"), "ok");
    Dialogs::QueueModal([](QDialog&) { return Dialogs::Yes; });
    ASSERT_TRUE(Read());
    ui.einstellung->trigger();
    UserSelects(ui.PageControl2, ui.comport);
    EXPECT_EQ(ui.TimeoutZ2->currentIndex(), 2);
    RunRows({{"TimeoutZ2", [&] { emit ui.TimeoutZ2->activated(25); }, 936, 65000}});
}

TEST_F(SettingsPagesTest, HnqModbusEditsAreValidatedAndStored) {
    ASSERT_NO_FATAL_FAILURE(StartDevice({"--type", "0xD0", "--set", "958=3", "--set", "959=3",
                                         "--set", "961=5", "--set", "934=1", "--set", "962=2"}));
    Ui::TForm1& ui = Form1->ui;
    VisitEveryTab();
    UserSelects(ui.PageControl2, ui.Modbus);
    // Out of range on leaving: message with the limits, the cell's text back,
    // the focus kept, nothing stored.
    for (const auto& [edit, text, message, shown] :
         {std::tuple(ui.Interleaving_edit, "21", "$T30018 0..20", "2"),
          {ui.Modbus_Timeout, "65535", "$T30018 0..65534", "600"}}) {
        Dialogs::ClearHistory();
        Type(edit, text, ui.x_Timeout_Edit);
        EXPECT_EQ(CountShown(message), 1) << message;
        EXPECT_EQ(Text(edit), shown);
        EXPECT_EQ(QApplication::focusWidget(), edit);
        EXPECT_EQ(edit->selectedText(), edit->text());
        EXPECT_EQ(DeviceSettingsChanged, 0);
    }
    RunRows({
        {"Modbuszugriff", [&] { ui.Modbuszugriff->setChecked(false); }, 958, 2},
        {"sortieren", [&] { ui.sortieren->setChecked(false); }, 959, 2},
        {"Autoaktivierung", [&] { ui.Autoaktivierung->setChecked(false); }, 961, 4},
        {"timeoutdeaktivieren", [&] { ui.timeoutdeaktivieren->setChecked(true); }, 960, 65535},
        {"Interleaving_edit", [&] { Type(ui.Interleaving_edit, "20", ui.t_Timeout_Edit); }, 962,
         20},
        // Emptied, it takes its lowest value.
        {"Interleaving_edit emptied", [&] { Type(ui.Interleaving_edit, "\b", ui.t_Timeout_Edit); },
         962, 0},
        {"RTSaktivieren",
         [&] {
             UserSelects(ui.PageControl2, ui.Grundeinstellung), ui.RTSaktivieren->setChecked(true);
         },
         934, 3},
        {"MOP2deaktivieren",
         [&] { ui.MOP2deaktivieren->setChecked(!ui.MOP2deaktivieren->isChecked()); }, 915,
         RegisterImage[15] ^ 1},
        {"StationAdr", [&] { Type(ui.StationAdr, "239"); }, 916, 239},
    });
    EXPECT_FALSE(ui.Modbus_Timeout->isEnabled());
    Dialogs::ClearHistory();
    Type(ui.StationAdr, "0");
    EXPECT_EQ(CountShown("$T30018 1..239"), 1);
    EXPECT_EQ(Text(ui.StationAdr), "239");
}

TEST_F(SettingsPagesTest, RepeaterChoicesAreStored) {
    ASSERT_NO_FATAL_FAILURE(StartDevice({"--type", "0x71", "--set", "935=0x0123"}));
    Ui::TForm1& ui = Form1->ui;
    VisitEveryTab();
    const uint32_t w = RegisterImage[17];
    RunRows({
        {"dzfBetrieb", [&] { ui.dzfBetrieb->SetItemIndex(w & 1 ? 0 : 1); }, 917, w ^ 1},
        {"dzfFunk", [&] { ui.dzfFunk->SetItemIndex(w & 0x200 ? 1 : 0); }, 917, w ^ 0x201},
        {"dzfBeginAdr", [&] { emit ui.dzfBeginAdr->activated(8); }, 935, 0x0128},
        {"dzfGrossAdr", [&] { emit ui.dzfGrossAdr->activated(7); }, 936,
         (RegisterImage[36] & 0xFFF8) | 7},
    });
}

TEST_F(WindowTest, SettingsGroupShowsEachDeviceWhateverTheOneBefore) {
    Start();
    Ui::TForm1& ui = Form1->ui;
    RegisterMap = TRegisterMap{};
    RegisterMap.g_betriebsart = 17;
    const struct {
        int family, firmware;
        uint32_t type, reg917;
    } devices[] = {{0x21, 541, 0x28, 0x0E3A}, {0x10, 400, 0x10, 0x1D08}, {0xD0, 105, 0xD0, 0},
                   {0x21, 79, 0x21, 0},       {0x21, 520, 0x21, 0x0C00}, {0x30, 300, 0x30, 0}};
    for (const auto& d : devices) {
        DeviceFamily = d.family;
        Form1->FirmwareHundredths = d.firmware;
        RegisterImage[6] = d.type;
        RegisterImage[17] = d.reg917;
        ShowSettingsPage();
        const SettingsPageState s =
            SettingsPageFor({d.family, d.firmware, d.type, d.reg917, 0, 0, 0, d.reg917});
        const std::string at = std::to_string(d.family) + "/" + std::to_string(d.firmware);
        EXPECT_EQ(!ui.reg917->isHidden(), s.groupVisible) << at;
        for (const auto& [box, o] : {std::pair(ui.GatewayFunktion, s.GatewayFunktion),
                                     {ui.FeldstaerkenByte, s.FeldstaerkenByte},
                                     {ui.CounterWrite, s.CounterWrite},
                                     {ui.Counter, s.Counter},
                                     {ui.RTSaktivieren, s.RTSaktivieren}})
            EXPECT_EQ(std::tuple(!box->isHidden(), box->isEnabled(), box->isChecked()),
                      std::tuple(o.visible, o.enabled, o.checked))
                << at << " " << FromQString(box->objectName());
        for (const auto& [group, c] :
             {std::pair(ui.ComRS4xx, s.ComRS4xx), {ui.DatenrateFunk, s.DatenrateFunk}})
            EXPECT_EQ(std::tuple(!group->isHidden(), group->isEnabled(), group->ItemIndex()),
                      std::tuple(c.visible, c.enabled, c.item))
                << at << " " << FromQString(group->objectName());
        EXPECT_EQ(ControlsUpdating, 0);
        EXPECT_EQ(DeviceSettingsChanged, 0);
    }
}

TEST_F(WindowTest, BitWidgetsShowAndEditTheirWords) {
    Start();
    // The default row puts LED 8 after the group gap; a click toggles a bit
    // of an editable row only.
    QWidget parent;
    TLedBalken row(&parent);
    EXPECT_EQ(row.Led(8)->x(), 206);
    Form1->SetupLedRows();
    TLedBalken& outputs = *Form1->LedBalken1;
    TLedBalken& inputs = *Form1->LedBalken2;
    outputs.SetValue(0x0001);
    EXPECT_EQ(outputs.Led(0)->BrushColor(), QColor(255, 0, 0));
    EXPECT_EQ(outputs.Led(1)->BrushColor(), QColor(128, 0, 0));
    EXPECT_EQ(std::pair(outputs.Led(0)->x(), outputs.Led(0)->y()), std::pair(7, 231));
    outputs.LedMouseDown(*outputs.Led(3), Qt::LeftButton);
    outputs.LedMouseDown(*outputs.Led(4), Qt::RightButton);
    inputs.LedMouseDown(*inputs.Led(3), Qt::LeftButton);
    EXPECT_EQ(outputs.GetValue(), 0x0009);
    EXPECT_EQ(inputs.GetValue(), 0);

    // The bit field ticks the leftmost and rightmost box for 0x81 and tells
    // nobody; a box the user ticks tells its owner.
    TBit8Feld& field = *Form1->Bit8Feld1;
    int told = 0;
    field.SetOnChange([&told](TBit8Feld*) { ++told; });
    field.SetValue(0x81);
    for (int j = 0; j < 8; ++j)
        EXPECT_EQ(field.Box(j)->isChecked(), j == 0 || j == 7) << j;
    EXPECT_EQ(told, 0);
    field.Box(1)->click();
    EXPECT_EQ(field.GetValue(), 0xC1u);
    EXPECT_EQ(told, 1);
}

// The key of a command given with the focus still in the edit typed into (0:
// the print menu item), and what it asks next once it has taken the entry.
using PendingCommand = std::tuple<int, std::string, std::string>;

class PendingEntryTest : public SettingsPagesTest,
                         public ::testing::WithParamInterface<PendingCommand> {};

TEST_P(PendingEntryTest, TheCommandTakesTheEntryAndARejectedOneStopsIt) {
    const auto& [key, kind, text] = GetParam();
    const auto give = [key] {
        key ? SendKey(QApplication::focusWidget(), key, {}) : Form1->ui.drucken1->trigger();
    };
    ASSERT_NO_FATAL_FAILURE(StartDevice({"--type", "0xD0", "--set", "962=5"}));
    Ui::TForm1& ui = Form1->ui;
    UserSelects(ui.PageControl2, ui.Modbus);
    // Out of range: the range message, the cell's text back with the focus, no more.
    Type(ui.Interleaving_edit, "21");
    give();
    EXPECT_EQ(std::tuple(Text(ui.Interleaving_edit), int{DeviceSettingsChanged},
                         QApplication::focusWidget() == ui.Interleaving_edit,
                         Application().Terminated(), Dialogs::History().size(),
                         CountShown("$T30018 0..20")),
              std::tuple("5"s, 0, true, false, size_t{1}, 1));
    Dialogs::ClearHistory();
    Type(ui.Interleaving_edit, "7");
    give();
    EXPECT_EQ(std::tuple(RegisterImage[62], int{DeviceSettingsChanged},
                         Dialogs::History().at(0).kind, Dialogs::History().at(0).text),
              std::tuple(7u, 1, kind, text));
}

INSTANTIATE_TEST_SUITE_P(Commands, PendingEntryTest,
                         ::testing::Values(PendingCommand{Qt::Key_F4, "save", ""},
                                           PendingCommand{Qt::Key_F6, "message", "$T30027"},
                                           // The entry is a change not yet written: no printout.
                                           PendingCommand{0, "plain", "$T38001$T38002"},
                                           PendingCommand{Qt::Key_F9, "modal", "Tdatenladen1"},
                                           PendingCommand{Qt::Key_F1, "message", "$T32001"}));
