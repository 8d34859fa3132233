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
    EXPECT_TRUE(fs::is_regular_file(customers / u"N\u00FCSSE & CO.QDV"));
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

    fs::copy_file(customers / u"N\u00FCSSE & CO.QDV", dir_ / "Demos" / u"N\u00FCSSE & CO.QDV");
    EXPECT_TRUE(demo(u"N\u00FCSSE && CO"));
    Dialogs::QueueInput("N\xFCsse & Demo"); // the input box's text
    Form1->savebuttonClick();
    EXPECT_TRUE(demo(u"N\u00FCsse && Demo"));

    // A preset is named by its English hint, listed by its file while it does
    // not fit the device.
    Type(Form1->ui.PreRegAdr, "916");
    Dialogs::QueueModal([](QDialog& d) {
        auto& f = static_cast<TFormPreSets1&>(d);
        f.ui.Sprachtext->setText(QString::fromUtf16(u"Pr\u00FCf & Test"));
        f.HinzuClick();
        f.ui.Button2->click();
        return f.result();
    });
    Form1->ui.PreNow->click();
    DeviceFamily = FamilyWBS420;
    Form1->FillPresetMenuForDevice();
    EXPECT_TRUE(Item(Form1->ui.PreSets, u"Pr\u00FCf && Test"));
    EXPECT_EQ(std::distance(fs::directory_iterator(customers), fs::directory_iterator()), 4);

    agree();
    choose(u"N\u00FCsse \u20AC.qdv", &TForm1::openbuttonClick);
    EXPECT_EQ(Messages(),
              Lines{"$T30012 " + dir_.string() + "/Kunden \xC4nderung/N\xFCsse \x80.qdv"});
}

} // namespace
