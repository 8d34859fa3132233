// The presets tab with its hint dialog, the preset menu and the demo files
// of the file menu offscreen; a preset made, applied and written against the
// simulator; the shipped demo files.
#include "files/PreSets.h"
#include "device/ChangeFlags.h"
#include "device/PendingRegisters.h"
#include "device/window/ReadFixture.h"
#include "files/window/FileFixture.h"
#include "files/window/FormPreSets.h"
#include "pages/window/Bit8Feld.h"
#include "pages/window/InputFrame.h"
#include "platform/window/PageControl.h"

#include <QCheckBox>
#include <QMenu>

namespace {

std::string Text(const QLineEdit* edit) {
    return FromQString(edit->text());
}

void CopyProgramFile(const std::string& name, const fs::path& to) {
    fs::copy_file(fs::path(OSTARA_PROGRAM_DIR) / name, to / name,
                  fs::copy_options::overwrite_existing);
}

void ShowPresetsTab() {
    Form1->ui.PageControl3->SetActivePage(Form1->ui.PreSetsTab);
    Form1->PageControl3Change();
}

// Scripts the hint dialog: each hint is added in the language at its index
// of LaenderCodes.txt (0 English (USA), 2 German), then Weiter.
void QueueHints(const std::vector<std::pair<int, std::string>>& hints) {
    Dialogs::QueueModal([hints](QDialog& d) {
        auto& f = static_cast<TFormPreSets1&>(d);
        for (const auto& [language, text] : hints) {
            f.ui.SprachWahl->setCurrentIndex(language);
            f.SprachWahlSelect();
            Type(f.ui.Sprachtext, text);
        }
        f.ui.Button2->click();
        return f.result();
    });
}

// The caption and enabled state of each preset menu item.
Lines PresetMenu() {
    Lines items;
    for (QAction* a : Form1->ui.PreSets->actions())
        items.push_back(FromQString(a->text()) + (a->isEnabled() ? "" : " (off)"));
    return items;
}

QAction* MenuItem(QMenu* menu, const std::string& caption) {
    for (QAction* a : menu->actions())
        if (FromQString(a->text()) == caption)
            return a;
    return nullptr;
}

class PresetTest : public FileTest {
protected:
    void SetUp() override {
        FileTest::SetUp();
        CopyProgramFile("RegisterText.txt", dir_);
        CopyProgramFile("LaenderCodes.txt", dir_);
        image_ = RadioImage(5);
    }

    // The data of a radio modem opened, the presets tab shown.
    void StartWithData() {
        Start();
        WriteFile(dir_ / "in.qdv", CustomerFileOf(image_));
        Open(dir_ / "in.qdv");
        ShowPresetsTab();
    }

    TRegisterImage image_{};
};

TEST_F(PresetTest, ARegisterShowsThreeWaysAndIsAddedOnce) {
    StartWithData();
    auto& ui = Form1->ui;
    const uint32_t value = image_[1216 - 900];
    Type(ui.PreRegAdr, "1216");
    char hex[8];
    std::snprintf(hex, sizeof hex, "%04X", value);
    EXPECT_EQ(
        std::tuple(Text(ui.PreDezimal), Text(ui.PreHex),
                   FromQString(ui.PreRegisterTextAnz->currentText())),
        std::tuple(std::to_string(value), std::string(hex), std::string("Kanaltabelle Anfang")));
    EXPECT_EQ(Form1->Bit8Feld1->GetValue() * 256 + Form1->Bit8Feld2->GetValue(), value);
    ui.PreHinzu->click();
    Type(ui.PreRegAdr, "1216");
    EXPECT_FALSE(ui.PreHinzu->isEnabled());
    EXPECT_EQ(ui.PreSetListe->count(), 1);
    EXPECT_EQ(FromQString(ui.PreSetListe->item(0)->text()), "1216=$" + std::string(hex));
    // A value above 16 bits is refused; the value shown stays.
    Type(ui.PreDezimal, "70000");
    EXPECT_EQ(Messages(), Lines{"$T30018"});
    EXPECT_EQ(Text(ui.PreDezimal), std::to_string(value));
    // The arrows step through the registers; the low bit box edits the value.
    Key(ui.PreRegAdr, Qt::Key_Up);
    EXPECT_EQ(std::pair(Text(ui.PreRegAdr), ui.PreHinzu->isEnabled()),
              std::pair(std::string("1215"), true));
    Form1->Bit8Feld2->Box(7)->click();
    EXPECT_EQ(Text(ui.PreDezimal), std::to_string(image_[1215 - 900] ^ 1));
    // Nothing happens on empty edits; a lower-case hex digit is not taken.
    for (QLineEdit* e : {ui.PreRegAdr, ui.PreDezimal, ui.PreHex})
        Type(e, "");
    Key(ui.PreRegAdr, Qt::Key_Down);
    Type(ui.PreHex, "a", false);
    EXPECT_EQ(
        std::tuple(Text(ui.PreRegAdr), Text(ui.PreHex), ui.PreSetListe->count(), Messages().size()),
        std::tuple(std::string(), std::string(), 1, 1u));
    // The register edit's filter takes digits and Backspace; Delete is the edit's own key;
    // other characters, in Windows-1252 or not, are dropped. The caret stands after "9".
    const std::tuple<int, QString, const char*> cases[] = {{Qt::Key_5, "5", "9500"},
                                                           {Qt::Key_Backspace, "\b", "00"},
                                                           {Qt::Key_Delete, "\x7f", "90"},
                                                           {Qt::Key_A, "a", "900"},
                                                           {0, QString(QChar(0x3A9)), "900"}};
    for (const auto& [key, text, after] : cases) {
        ui.PreRegAdr->setText("900");
        ui.PreRegAdr->setCursorPosition(1);
        Key(ui.PreRegAdr, key, text);
        EXPECT_EQ(Text(ui.PreRegAdr), after) << key;
    }
}

TEST_F(PresetTest, HinzufuegenAddsTheValueTypedLastWithoutEnterOrRefusesItAsEnterDoes) {
    StartWithData();
    auto& ui = Form1->ui;
    const int old = static_cast<int>(image_[1216 - 900]);
    QLineEdit* const dec = ui.PreDezimal;
    QLineEdit* const hex = ui.PreHex;
    // Typed without Enter (nullptr: the lowest bit clicked); the value added
    // (-1: none), the messages, what Dezimal shows then.
    const struct {
        std::vector<std::pair<QLineEdit*, std::string>> typed;
        int added;
        Lines shown;
        std::string decimal;
    } cases[] = {
        {{{dec, "300"}}, 300, {}, "300"},
        {{{dec, "300"}, {hex, "0ABC"}}, 0xABC, {}, "2748"},
        {{{hex, "0ABC"}, {dec, "300"}}, 300, {}, "300"},
        {{{dec, "300"}, {nullptr, ""}}, old ^ 1, {}, std::to_string(old ^ 1)},
        {{{dec, "70000"}}, -1, {"$T30018"}, std::to_string(old)},
        {{{dec, ""}}, -1, {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.back().second + " " + std::to_string(c.added));
        ui.PreSetListe->clear();
        Type(ui.PreRegAdr, "1216");
        for (const auto& [edit, text] : c.typed)
            edit ? Type(edit, text, false) : Form1->Bit8Feld2->Box(7)->click();
        Dialogs::ClearHistory();
        ui.PreHinzu->click();
        char line[16];
        std::snprintf(line, sizeof line, "1216=$%04X", c.added);
        EXPECT_EQ(std::tuple(ui.PreSetListe->count() ? FromQString(ui.PreSetListe->item(0)->text())
                                                     : std::string(),
                             Messages(), Text(dec)),
                  std::tuple(c.added < 0 ? std::string() : std::string(line), c.shown, c.decimal));
    }
}

TEST_F(PresetTest, TheHintDialogWritesAPresetThatTheMenuApplies) {
    // The overwrite question shows its argument.
    std::string lang = ReadFile(dir_ / "default.lang");
    lang.replace(lang.find("$T30068GB=$T30068"), 17, "$T30068GB=$T30068 %S%");
    lang.replace(lang.find("$T30110GB=$T30110"), 17, "$T30110GB=$T30110 %S% %S%");
    WriteFile(dir_ / "default.lang", lang);
    WriteFile(dir_ / "half.pre",
              PresetFileBytes({"916=$0005", "1500=$0001"}, PresetText(0x21, 0, {"$P0409=Half"})));
    StartWithData();
    auto& ui = Form1->ui;
    Type(ui.PreRegAdr, "916");
    Type(ui.PreDezimal, "7"); // Enter adds the line
    Dialogs::QueueModal([](QDialog& d) {
        auto& f = static_cast<TFormPreSets1&>(d);
        Type(f.ui.Sprachtext, "a/b", false);
        f.ui.Sprachtext->insert("c\x01");
        EXPECT_EQ(Text(f.ui.Sprachtext), "ab");
        Type(f.ui.Sprachtext, "   ");
        f.ui.SprachWahl->setCurrentIndex(2);
        Type(f.ui.Sprachtext, "Betrieb 7");
        f.ui.SprachWahl->setCurrentIndex(0);
        f.SprachWahlSelect();
        Type(f.ui.Sprachtext, "Mode 7");
        EXPECT_EQ(f.Lines(), (Lines{"$P0407=Betrieb 7", "$P0409=Mode 7"}));
        EXPECT_TRUE(f.ui.Button2->isEnabled());
        f.ui.ListBox1->setCurrentRow(1);
        f.Loeschen1Click();
        EXPECT_FALSE(f.ui.Button2->isEnabled());
        Type(f.ui.Sprachtext, "Mode 7");
        f.ui.Button2->click();
        return f.result();
    });
    ui.PreNow->click();
    EXPECT_EQ(ui.PreSetListe->count(), 0);
    const std::string first = ReadFile(dir_ / "Mode 7.pre");
    EXPECT_EQ(ReadPresetBytes(first).registerLines, Lines{"916=$0007"});
    // A preset with a line that cannot be stored is refused whole.
    QAction* half = MenuItem(ui.PreSets, "Half");
    ASSERT_TRUE(half && half->isEnabled());
    Dialogs::ClearHistory();
    half->trigger();
    EXPECT_EQ(Messages(), Lines{"PreSet Error!\n$T30110 half.pre 2 (1500=$0001)"});
    EXPECT_TRUE(RegisterImage == image_ && !RadioSettingsChanged);
    EXPECT_NE(ReadFile(dir_ / "Error.txt").find("half.pre not applied: line 2 (1500=$0001)"),
              std::string::npos);

    // The same name again is written only with consent; a file that cannot
    // be written is told.
    fs::create_directory(dir_ / "Busy.pre");
    for (const char* name : {"Mode 7", "Busy"}) {
        Type(ui.PreRegAdr, "944");
        ui.PreHinzu->click();
        QueueHints({{0, name}});
        Dialogs::QueueAnswer(*name == 'M' ? Dialogs::No : Dialogs::Yes);
        Dialogs::ClearHistory();
        ui.PreNow->click();
        const Dialogs::Shown& question = Dialogs::History()[1];
        EXPECT_EQ(std::pair(question.text, question.caption),
                  std::pair("$T30068 " + (dir_ / (name + std::string(".pre"))).string(),
                            std::string("$T30021")));
    }
    EXPECT_EQ(ReadFile(dir_ / "Mode 7.pre"), first);
    EXPECT_EQ(Messages(), Lines{"PreSet Error!"});
    // Cancel and Esc write nothing and empty the list; without the languages'
    // file no language is offered.
    fs::remove(dir_ / "LaenderCodes.txt");
    for (int way = 0; way < 2; ++way) {
        Type(ui.PreRegAdr, "944");
        ui.PreHinzu->click();
        Dialogs::QueueModal([way](QDialog& d) {
            auto& f = static_cast<TFormPreSets1&>(d);
            EXPECT_EQ(std::pair(f.ui.SprachWahl->count(), f.ui.Hinzu->isEnabled()),
                      std::pair(0, false));
            way == 0 ? f.ui.Button1->click() : f.ui.Exit1->trigger();
            return f.result();
        });
        ui.PreNow->click();
        EXPECT_EQ(ui.PreSetListe->count(), 0);
    }
    EXPECT_EQ(ListPresetNames(dir_), (Lines{"Mode 7", "half"}));
    EXPECT_NE(ReadFile(dir_ / "Error.txt").find("Busy.pre not written"), std::string::npos);
}

TEST_F(PresetTest, MenusListTwentyPresetsAndEachDemoOnce) {
    for (int i = 0; i < 25; ++i)
        WriteFile(
            dir_ / ("p" + std::to_string(100 + i) + ".pre"),
            PresetFileBytes({"916=$1"}, PresetText(0x10, 0, {"$P0409=R&D " + std::to_string(i)})));
    Start();
    const Lines menu = PresetMenu();
    EXPECT_EQ(std::pair(menu.size(), menu.front()),
              std::pair(size_t(20), std::string("R&&D 0 (off)")));
    EXPECT_TRUE(Form1->ui.PreSets->menuAction()->isEnabled());

    QMenu* demos = Form1->ui.demomenue;
    emit Form1->ui.Datei1->aboutToShow();
    EXPECT_EQ(std::pair(demos->actions().size(), demos->actions()[0]->isEnabled()),
              std::pair(qsizetype(1), false));
    EXPECT_EQ(FromQString(demos->actions()[0]->text()), "No Files found!");
    WriteFile(dir_ / "Demos" / "A&B.qdv", CustomerFileOf(image_));
    WriteFile(dir_ / "Demos" / "A.qdv", "0000000000000001\r\n"); // fails its checksum
    emit Form1->ui.Datei1->aboutToShow();
    emit Form1->ui.Datei1->aboutToShow();
    ASSERT_EQ(demos->actions().size(), 2);
    // Declined over data opened from a file, a demo changes nothing.
    const TRegisterImage opened = RadioImage(6);
    WriteFile(dir_ / "in.qdv", CustomerFileOf(opened));
    Open(dir_ / "in.qdv");
    Dialogs::QueueModal([](QDialog&) { return int(Dialogs::No); });
    MenuItem(demos, "A")->trigger();
    EXPECT_TRUE(RegisterImage == opened && !Form1->DemoLoaded);
    Dialogs::QueueModal([](QDialog&) { return int(Dialogs::Yes); });
    MenuItem(demos, "A&&B")->trigger();
    EXPECT_TRUE(RegisterImage == image_);
    EXPECT_TRUE(Form1->DemoLoaded);
    EXPECT_EQ(fs::path(Form1->DemoFile).filename(), "A&B.qdv");
    Dialogs::QueueModal([](QDialog&) { return int(Dialogs::Yes); });
    Dialogs::ClearHistory();
    MenuItem(demos, "A")->trigger();
    EXPECT_EQ(Messages(), Lines{"$T34001"});
    EXPECT_FALSE(Form1->DemoLoaded);
}

TEST_F(PresetTest, EveryShippedDemoOpensAsItsFamilyAndSavesTheSame) {
    fs::copy(fs::path(OSTARA_PROGRAM_DIR) / "Demos", dir_ / "Demos");
    Start();
    emit Form1->ui.Datei1->aboutToShow();
    std::vector<int> families;
    for (QAction* item : Form1->ui.demomenue->actions()) {
        SCOPED_TRACE(FromQString(item->text()));
        Form1->ClearParameterSet();
        Dialogs::ClearHistory();
        item->trigger();
        families.push_back(DeviceFamily);
        EXPECT_TRUE(Dialogs::History().empty()); // no chooser, no message
        EXPECT_TRUE(Form1->ui.funk->isEnabled() && Form1->DemoLoaded);
        // A name already there is taken only with consent.
        Dialogs::QueueInput("again");
        if (families.size() > 1)
            Dialogs::QueueAnswer(Dialogs::Yes);
        Form1->savebuttonClick();
        EXPECT_EQ(ReadFile(dir_ / "Demos" / "again.qdv"), ReadFile(Form1->DemoFile));
    }
    std::sort(families.begin(), families.end());
    EXPECT_EQ(families, (std::vector<int>{0x10, 0x21, 0x30, 0x71, 0xD0}));
    // Without consent nothing is written.
    WriteFile(dir_ / "Demos" / "again.qdv", "old\r\n");
    Dialogs::ClearHistory();
    Dialogs::QueueInput("again");
    Dialogs::QueueAnswer(Dialogs::No);
    Form1->savebuttonClick();
    EXPECT_EQ(std::pair(ReadFile(dir_ / "Demos" / "again.qdv"), Messages()),
              std::pair(std::string("old\r\n"), Lines{}));
}

class PresetDeviceTest : public ReadTest {};

using Values = std::vector<std::pair<int, long>>;

// The tab on screen while a preset is applied (on the settings or the radio
// pages), and what it shows of the preset's registers.
enum class Tab { None, Station, Delays, Editor };

void ShowTab(Tab tab) {
    auto& ui = Form1->ui;
    (tab == Tab::Editor ? ui.funk : ui.einstellung)->trigger();
    if (tab == Tab::Editor)
        ui.PageControl1->setCurrentIndex(ui.PageControl1->indexOf(ui.FrequenzEditor));
    if (tab == Tab::Delays)
        ui.PageControl2->setCurrentIndex(ui.PageControl2->indexOf(ui.InputTabSheet));
}

std::string Shown(Tab tab) {
    auto& ui = Form1->ui;
    return tab == Tab::Station  ? FromQString(ui.StationAdr->text())
           : tab == Tab::Delays ? FromQString(Form1->InputFrames[0]->ui.TimerBox->currentText())
           : tab == Tab::Editor ? FromQString(ui.FEdit2->text())
                                : "";
}

// The device family (its type too), the preset, a register the device refuses
// at the first write (0: none), the device's values after the next; the tab on
// screen meanwhile and what it shows once the preset is applied.
struct PresetCase {
    int family;
    Lines preset;
    int refused;
    Values device;
    Tab tab;
    std::string shown;
};

class PresetWriteTest : public PresetDeviceTest,
                        public ::testing::WithParamInterface<PresetCase> {};

TEST_P(PresetWriteTest, TheNextWriteSendsEveryPresetRegisterOnce) {
    const auto& [family, preset, refused, device, tab, shown] = GetParam();
    const auto write = [] { Dialogs::QueueAnswer(Dialogs::Yes), Form1->up_loadClick(); };
    WriteFile(dir_ / "p.pre", PresetFileBytes(preset, PresetText(family, 0, {"$P0409=P"})));
    StartWithDevice({"--type", std::to_string(family)});
    ASSERT_TRUE(Read());
    InputDelayValues[3] = 35;
    InputDelaysChanged = true;
    if (tab != Tab::None)
        ShowTab(tab);
    const std::string before = Shown(tab);
    MenuItem(Form1->ui.PreSets, "P")->trigger();
    // The tab on screen shows the preset's values at once.
    EXPECT_EQ(Shown(tab), shown);
    EXPECT_TRUE(tab == Tab::None || before != shown) << before;
    if (refused) { // the writes after the refused one are skipped, the device locked again
        sim_->Command("fault ignore-writes@r" + std::to_string(refused));
        write();
        EXPECT_EQ(std::tuple(Form4->LogLines(), SimValue(1001) == 0x42, SimValue(1300) == 0x123,
                             sim_->Command("lock?")),
                  std::tuple(Lines{"$T30083", "$T30026", "***End***"}, refused != 1001, false,
                             std::string("locked")));
        EXPECT_NE(ProgramLog().find("Preset register " + std::to_string(refused)),
                  std::string::npos);
    }
    const size_t mark = SimLog().size();
    write();
    const std::vector<SimExchange> log = SimLog();
    for (const auto& [reg, value] : device) {
        const long writes = std::count_if(log.begin() + long(mark), log.end(), [r = reg](auto& e) {
            return e.writeFirst <= r && r < e.writeFirst + e.writeCount;
        });
        EXPECT_EQ(std::pair(SimValue(reg), writes), std::pair(value, 1L)) << reg;
    }
    EXPECT_EQ(std::tuple(Form4->LogLines(), sim_->Command("lock?"), PendingPresetRegisters.size()),
              std::tuple(Lines{"$T29003", "$T30003", "***End***"}, std::string("locked"), 0u));
}

// 916 goes with the writer of family 0x21, 1000 and 1001 do not, 1300 lies in the
// protected channel table. Family 0x10 keeps the delay edited before (1073).
const Lines radioPreset = {"916=$0007", "1000=$1234", "1001=$0042", "1300=$0123"};
const Values radioValues = {{916, 7}, {1000, 0x1234}, {1001, 0x42}, {1300, 0x123}};
const Lines ioPreset = {"954=$0A07", "1070=$0005", "1085=$0010"};
const Values ioValues = {{954, 0x0A07}, {1070, 5}, {1085, 16}, {1073, 35}};
// The delays tab on screen shows 1.6 s as 0, its choices being half seconds: 0 is written.
const Values ioValuesShown = {{954, 0x0A07}, {1070, 5}, {1085, 0}, {1073, 35}};
// The current channel, and the second channel's number (434.0 MHz in steps of 12.5 kHz).
const Lines channelPreset = {"910=$0002", "1217=$87A0"};
const Values channelValues = {{910, 2}, {1217, 0x87A0}};

INSTANTIATE_TEST_SUITE_P(
    Presets, PresetWriteTest,
    ::testing::Values(PresetCase{0x21, radioPreset, 1001, radioValues, Tab::None, ""},
                      PresetCase{0x21, radioPreset, 1300, radioValues, Tab::Station, "7"},
                      PresetCase{0x10, ioPreset, 0, ioValues, Tab::None, ""},
                      PresetCase{0x10, ioPreset, 0, ioValuesShown, Tab::Delays, "0.5"},
                      PresetCase{0x21, channelPreset, 0, channelValues, Tab::Editor, "434.0000"}));

TEST_F(PresetDeviceTest, APresetMadeOnADeviceIsAppliedAndWritten) {
    CopyProgramFile("RegisterText.txt", dir_);
    CopyProgramFile("LaenderCodes.txt", dir_);
    StartWithDevice({"--type", "0x21"});
    ASSERT_TRUE(Read());
    ShowPresetsTab();
    auto& ui = Form1->ui;
    Type(ui.PreRegAdr, "916");
    Type(ui.PreDezimal, "7");
    Type(ui.PreRegAdr, "944");
    Type(ui.PreHex, "0155");
    QueueHints({{0, "Station 7"}});
    ui.PreNow->click();
    ASSERT_EQ(PresetMenu(), Lines{"Station 7"});
    ui.PreSets->actions()[0]->trigger();
    Dialogs::QueueAnswer(Dialogs::Yes);
    Form1->up_loadClick();
    EXPECT_EQ(std::pair(SimValue(916), SimValue(944)), std::pair(7L, 0x155L));
    // A device of another family lists it, disabled.
    sim_->Command("set 906=16");
    Dialogs::QueueModal([](QDialog&) { return int(Dialogs::Yes); });
    ASSERT_TRUE(Read());
    EXPECT_EQ(DeviceFamily, 0x10);
    EXPECT_EQ(PresetMenu(), Lines{"Station 7 (off)"});
}

} // namespace
