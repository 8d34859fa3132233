// File names with umlauts, "&" and blanks through every file command: the
// file dialog hands its QString back as the real one does, the file lands
// under its UTF-8 name, and the command that reads it takes it again. A name
// inside a message is shown as the text it is.
#include "device/window/ReadFixture.h"
#include "files/window/FileFixture.h"
#include "files/window/FormPreSets.h"
#include "files/window/KonverterDlg.h"
#include "files/window/OKBottomDlg.h"

#include <QMenu>

namespace {

using FileNameTest = ReadTest;

// Makes a preset of register 916 whose English hint is the one given.
void CreatePreset(const char16_t* englishHint) {
    Type(Form1->ui.PreRegAdr, "916");
    Dialogs::QueueModal([englishHint](QDialog& d) {
        auto& f = static_cast<TFormPreSets1&>(d);
        f.ui.Sprachtext->setText(QString::fromUtf16(englishHint));
        f.HinzuClick();
        f.ui.Button2->click();
        return f.result();
    });
    Form1->ui.PreNow->click();
}

QAction* Item(QMenu* menu, const char16_t* caption) {
    for (QAction* a : menu->actions())
        if (a->text() == QString::fromUtf16(caption))
            return a;
    return nullptr;
}

TEST_F(FileNameTest, EveryCommandWritesAndReadsUmlautNamesAsTheFileSystemHasThem) {
    // The missing-file message shows its argument.
    std::string lang = ReadFile(dir_ / "default.lang");
    WriteFile(dir_ / "default.lang",
              lang.replace(lang.find("$T30012GB=$T30012"), 17, "$T30012GB=$T30012 %S%"));
    fs::copy_file(fs::path(OSTARA_PROGRAM_DIR) / "LaenderCodes.txt", dir_ / "LaenderCodes.txt");
    const fs::path customers = dir_ / u"Kunden \u00C4nderung";
    fs::create_directories(customers);
    fs::create_directories(dir_ / "Demos");
    StartWithDevice({"--type", "0x21"});
    ASSERT_TRUE(Read());
    const TRegisterImage device = RegisterImage;
    // The dialog's answer: name in the customer folder, converted by the standard library.
    const auto chosen = [&](const char16_t* name) {
        return QString::fromStdU16String((customers / name).u16string());
    };
    const auto choose = [&](const char16_t* name, void (TForm1::*command)()) {
        Dialogs::QueueFileName(chosen(name));
        (Form1->*command)();
    };
    const auto agree = [] { // to drop the data shown
        Dialogs::ClearHistory();
        if (DeviceFamily != FamilyNone && RegisterImage[DeviceTypeCell] != 0)
            Dialogs::QueueModal([](QDialog&) { return int(Dialogs::Yes); });
    };
    // No message, status told and, when asked, the device's data shown.
    const auto opened = [&](bool same = true, const char* status = "$T29009") {
        return testing::AssertionResult((!same || RegisterImage == device) && Messages().empty() &&
                                        Status() == status)
               << (Messages().empty() ? Status() : Messages()[0]);
    };
    const auto open = [&](const char16_t* name, void (TForm1::*command)(), bool same = true) {
        agree();
        choose(name, command);
        return opened(same);
    };
    const auto demo = [&](const char16_t* caption) {
        emit Form1->ui.Datei1->aboutToShow();
        agree();
        QAction* item = Item(Form1->ui.demomenue, caption);
        return item ? (item->trigger(), opened()) : testing::AssertionFailure();
    };
    choose(u"N\u00FCsse & co", &TForm1::savebuttonClick); // the save completes the name
    EXPECT_TRUE(fs::is_regular_file(customers / u"N\u00DCSSE & CO.QDV"));
    EXPECT_TRUE(open(u"N\u00FCsse & co", &TForm1::openbuttonClick));
    choose(u"Pl\u00E4ne & Kan\u00E4le.qdv", &TForm1::FSetSpeichernClick);
    EXPECT_TRUE(open(u"Pl\u00E4ne & Kan\u00E4le.qdv", &TForm1::FSetLadenClick, false));

    ServiceMode = 1;
    Dialogs::QueueModal([](QDialog& d) { // a register dump
        static_cast<TOKBottomDlg&>(d).ui.ServiceMode->setChecked(false);
        return int(Dialogs::Ok);
    });
    choose(u"Pr\u00FCf & Dump.rtu", &TForm1::savebuttonClick);
    // The converter makes a customer file of the dump, loaded into the device.
    Dialogs::QueueFileName(chosen(u"Pr\u00FCf & Dump.rtu"));
    Dialogs::QueueFileName(chosen(u"\u00DCbertrag & Kunde.qdv"));
    Dialogs::QueueModal([](QDialog& d) {
        auto& dialog = static_cast<TKonverterDlg1&>(d);
        dialog.orgbuttonClick(), dialog.kbuttonClick(), dialog.OKBtnClick();
        return dialog.result();
    });
    Form1->KonverterClick();
    Dialogs::ClearHistory();
    RadioSettingsChanged = 0;
    choose(u"\u00DCbertrag & Kunde.qdv", &TForm1::SaveToStrgClick);
    EXPECT_TRUE(opened(false, "$T29010"));

    fs::copy_file(customers / u"N\u00DCSSE & CO.QDV", dir_ / "Demos" / u"N\u00DCSSE & CO.QDV");
    EXPECT_TRUE(demo(u"N\u00DCSSE && CO"));
    Dialogs::QueueInput("N\xFCsse & Demo"); // the input box's text
    Form1->savebuttonClick();
    EXPECT_TRUE(demo(u"N\u00FCsse && Demo"));

    // A preset is named by its English hint, listed by its file while it does
    // not fit the device.
    CreatePreset(u"Pr\u00FCf & Test");
    DeviceFamily = FamilyWBS420;
    Form1->FillPresetMenuForDevice();
    EXPECT_TRUE(Item(Form1->ui.PreSets, u"Pr\u00FCf && Test"));
    EXPECT_EQ(std::distance(fs::directory_iterator(customers), fs::directory_iterator()), 4);

    agree();
    choose(u"N\u00FCsse \u20AC.qdv", &TForm1::openbuttonClick);
    EXPECT_EQ(Messages(),
              Lines{"$T30012 " + dir_.string() + "/Kunden \xC4nderung/N\xFCsse \x80.qdv"});
}

// A text of the test's language file with the argument after its id.
void ShowArgument(const fs::path& folder, const std::string& id) {
    std::string lang = ReadFile(folder / "default.lang");
    WriteFile(folder / "default.lang",
              lang.replace(lang.find(id + "GB="), 17, id + "GB=" + id + " %S%"));
}

// Save command 0..3 (the save, the register dump, the frequency-set save,
// the converter from a dump beside the target) with the name its file dialog
// hands back; answer (unless None) goes to the question after its own.
void Save(int command, const fs::path& chosen, int answer) {
    ServiceMode = command == 1;
    if (command == 3)
        Dialogs::QueueFileName((chosen.parent_path() / "QUELLE.RTU").string());
    Dialogs::QueueFileName(chosen.string());
    if (command == 1) // a register text file of registers 906 to 910
        Dialogs::QueueAnswer(Dialogs::Yes), Dialogs::QueueModal([](QDialog& d) {
            auto& dialog = static_cast<TOKBottomDlg&>(d);
            dialog.ui.LabeledEdit1->setText("906"), dialog.ui.LabeledEdit2->setText("910");
            return int(Dialogs::Ok);
        });
    if (answer != Dialogs::None)
        Dialogs::QueueAnswer(answer);
    if (command == 3)
        Dialogs::QueueModal([](QDialog& d) {
            auto& dialog = static_cast<TKonverterDlg1&>(d);
            dialog.orgbuttonClick(), dialog.kbuttonClick(), dialog.OKBtnClick();
            return dialog.result();
        });
    command == 2   ? Form1->FSetSpeichernClick()
    : command == 3 ? Form1->KonverterClick()
                   : Form1->savebuttonClick();
}

// Each save writes the typed name upper-cased in every letter, in the folder
// as it is spelt; over a file of that name it asks first, No the default.
TEST_F(FileNameTest, CompletedSaveNamesAreUpperCaseAndAskBeforeReplacingAFile) {
    StartWithDevice({"--type", "0x21"});
    ASSERT_TRUE(Read());
    const fs::path folder = dir_ / u8"Kunden \u00e4";
    fs::create_directories(folder);
    Save(1, folder / "quelle", Dialogs::None);
    const struct {
        int command;
        const char *typed, *written;
    } rows[] = {{0, "Ma\u00df \u0142\u00f3d\u017a", "MASS \u0141\u00d3D\u0179.QDV"},
                {1, "S\u00e4ge", "S\u00c4GE.RTU"},
                {2, "Frequenz \u00fc", "FREQUENZ \u00dc.QDV"},
                {3, "\u00fcbertrag", "\u00dcBERTRAG.QDV"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.written);
        const fs::path file = folder / row.written;
        Save(row.command, folder / row.typed, Dialogs::None);
        EXPECT_TRUE(fs::is_regular_file(file));
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2);
        for (const int answer : {int(Dialogs::No), int(Dialogs::Yes)}) {
            WriteFile(file, "old");
            Dialogs::ClearHistory();
            Save(row.command, folder / row.typed, answer);
            const auto& shown = Dialogs::History();
            const auto asked = std::find_if(shown.begin(), shown.end(),
                                            [](const auto& s) { return s.text == "$T30112"; });
            ASSERT_NE(asked, shown.end());
            EXPECT_EQ(asked->defaultButton, Dialogs::No);
            EXPECT_EQ(ReadFile(file) == "old", answer == Dialogs::No);
            EXPECT_TRUE(answer == Dialogs::Yes || Messages().empty()) << "a No says no more";
        }
        fs::remove(file);
    }
}

TEST_F(FileNameTest, NamesProposedDerivedAndShownKeepEveryLetter) {
    ShowArgument(dir_, "$T30012");
    ShowArgument(dir_, "$T30068");
    fs::copy_file(fs::path(OSTARA_PROGRAM_DIR) / "LaenderCodes.txt", dir_ / "LaenderCodes.txt");
    fs::create_directories(dir_ / "Demos");
    StartWithDevice({"--type", "0x21"});
    ASSERT_TRUE(Read());
    const fs::path demo = dir_ / "Demos" / u8"\u03a9mega \u0141\u00f3d\u017a.QDV";
    Dialogs::QueueFileName(demo.string());
    Form1->savebuttonClick();
    ASSERT_TRUE(fs::is_regular_file(demo));

    // The demo save proposes the demo's name and writes under it; a preset is
    // created under its English hint as typed; a message shows the path.
    emit Form1->ui.Datei1->aboutToShow();
    Dialogs::QueueModal([](QDialog&) { return int(Dialogs::Yes); });
    Item(Form1->ui.demomenue, u"\u03a9mega \u0141\u00f3d\u017a")->trigger();
    Dialogs::ClearHistory();
    Dialogs::QueueInputName(QString::fromUtf16(u"\u03a9mega \u0141\u00f3d\u017a"));
    Dialogs::QueueAnswer(Dialogs::Yes); // it exists
    Form1->savebuttonClick();
    const auto& shown = Dialogs::History();
    EXPECT_EQ(shown[0].screen, "\u03a9mega \u0141\u00f3d\u017a");
    EXPECT_EQ(shown[1].screen, "$T30068 " + demo.string());
    EXPECT_EQ(shown[2].text, "$T30003");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "Demos"), fs::directory_iterator()), 1);

    CreatePreset(u"\u0141\u00f3d\u017a \u010cech");
    EXPECT_TRUE(fs::is_regular_file(dir_ / u8"\u0141\u00f3d\u017a \u010cech.pre"));

    const fs::path missing = dir_ / u8"\u0141\u00f3d\u017a" / u8"\u0141\u00f3\u017aw.qdv";
    Dialogs::ClearHistory();
    Dialogs::QueueModal([](QDialog&) { return int(Dialogs::Yes); });
    Dialogs::QueueFileName(missing.string());
    Form1->openbuttonClick();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Dialogs::History().back().screen, "$T30012 " + missing.string());
}

} // namespace
