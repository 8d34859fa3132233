// File names with umlauts, "&" and blanks through every file command: the
// file dialog hands its QString back as the real one does, the file lands
// under its UTF-8 name, and the command that reads it takes it again. A name
// inside a message is shown as the text it is.
#include "device/window/ReadFixture.h"
#include "files/window/FileFixture.h"
#include "files/window/FormPreSets.h"
#include "files/window/KonverterDlg.h"
#include "files/window/OKBottomDlg.h"

#include <QCheckBox>
#include <QMenu>

#include <algorithm>
#include <functional>

namespace {

QString Q(const char16_t* text) {
    return QString::fromUtf16(text);
}

QAction* Item(QMenu* menu, const QString& caption) {
    for (QAction* a : menu->actions())
        if (a->text() == caption)
            return a;
    return nullptr;
}

class FileNameTest : public ReadTest {
protected:
    void SetUp() override {
        ReadTest::SetUp();
        // The missing-file message shows its argument.
        std::string lang = ReadFile(dir_ / "default.lang");
        lang.replace(lang.find("$T30012GB=$T30012"), 17, "$T30012GB=$T30012 %S%");
        WriteFile(dir_ / "default.lang", lang);
        fs::copy_file(fs::path(OSTARA_PROGRAM_DIR) / "LaenderCodes.txt", dir_ / "LaenderCodes.txt");
        fs::create_directories(customers_);
    }

    // The dialog's answer: name in the customer folder.
    QString Chosen(const char16_t* name) const {
        return PathToQString(dir_.string()) + Q(u"/Kunden \u00C4nderung/") + Q(name);
    }

    static void Agree() {
        if (DeviceFamily != FamilyNone && RegisterImage[DeviceTypeCell] != 0)
            Dialogs::QueueModal([](QDialog&) { return int(Dialogs::Yes); });
    }

    static void Choose(const QString& path, void (TForm1::*command)()) {
        Dialogs::QueueFileName(path);
        (Form1->*command)();
    }

    // The customer folder as the file system names it, built without the program.
    const fs::path customers_ = dir_ / "Kunden \xC3\x84nderung";
};

TEST_F(FileNameTest, EveryCommandWritesAndReadsUmlautNamesAsTheFileSystemHasThem) {
    StartWithDevice({"--type", "0x21"});
    ASSERT_TRUE(Read());
    const TRegisterImage device = RegisterImage;
    const uint32_t used = ImageCell(RegisterMap.max_anzahl_funkkanal); // channels - 1
    const auto opened = [this, &device] {
        return RegisterImage == device && Messages().empty() && Status() == "$T29009";
    };
    const auto open = [&](const QString& path) {
        Agree();
        Choose(path, &TForm1::openbuttonClick);
        return opened();
    };
    struct Case {
        const char* command;
        fs::path file; // the file written, as the file system names it
        std::function<void()> write;
        std::function<bool()> readsAgain;
    };
    const Case cases[] = {
        {"save, open", customers_ / "Pr\xC3\xBC" "f & Test datei.qdv",
         [&] { Choose(Chosen(u"Pr\u00FCf & Test datei.qdv"), &TForm1::savebuttonClick); },
         [&] { return open(Chosen(u"Pr\u00FCf & Test datei.qdv")); }},
        {"save completing the name", customers_ / "N\xC3\xBC" "SSE & CO.QDV",
         [&] { Choose(Chosen(u"N\u00FCsse & co"), &TForm1::savebuttonClick); },
         [&] { return open(Chosen(u"N\u00FCsse & co")); }},
        {"register dump", customers_ / "Pr\xC3\xBC" "f & Dump.rtu",
         [&] {
             ServiceMode = 1;
             Dialogs::QueueModal([](QDialog& d) {
                 static_cast<TOKBottomDlg&>(d).ui.ServiceMode->setChecked(false);
                 return int(Dialogs::Ok);
             });
             Choose(Chosen(u"Pr\u00FCf & Dump.rtu"), &TForm1::savebuttonClick);
         },
         [&] {
             ServiceMode = 1;
             return open(Chosen(u"Pr\u00FCf & Dump.rtu"));
         }},
        {"frequency set", customers_ / "Pl\xC3\xA4ne & Kan\xC3\xA4le.qdv",
         [&] { Choose(Chosen(u"Pl\u00E4ne & Kan\u00E4le.qdv"), &TForm1::FSetSpeichernClick); },
         [&, used] {
             std::fill(RegisterImage.begin() + 1216 - 900, RegisterImage.end(), 0);
             Agree();
             Choose(Chosen(u"Pl\u00E4ne & Kan\u00E4le.qdv"), &TForm1::FSetLadenClick);
             // The channels in use came back into tables cleared before.
             bool same = Messages().empty() && Status() == "$T29009";
             for (uint32_t i = 0; i <= used; ++i)
                 same = same && RegisterImage[1216 - 900 + i] == device[1216 - 900 + i] &&
                        RegisterImage[1344 - 900 + i] == device[1344 - 900 + i];
             return same;
         }},
        {"converter, load into the device", customers_ / "\xC3\x9C" "bertrag & Kunde.qdv",
         [&] {
             Dialogs::QueueModal([&](QDialog& d) {
                 auto& dialog = static_cast<TKonverterDlg1&>(d);
                 Dialogs::QueueFileName(Chosen(u"Pr\u00FCf & Dump.rtu"));
                 dialog.orgbuttonClick();
                 Dialogs::QueueFileName(Chosen(u"\u00DCbertrag & Kunde.qdv"));
                 dialog.kbuttonClick();
                 dialog.OKBtnClick();
                 return dialog.result();
             });
             Form1->KonverterClick();
         },
         [&] {
             RadioSettingsChanged = 0;
             Choose(Chosen(u"\u00DCbertrag & Kunde.qdv"), &TForm1::SaveToStrgClick);
             return Messages().empty() && Status() == "$T29010";
         }},
        {"preset, preset menu", dir_ / "Pr\xC3\xBC" "f & Test.pre",
         [&] {
             Form1->ui.PageControl3->SetActivePage(Form1->ui.PreSetsTab);
             Form1->PageControl3Change();
             Type(Form1->ui.PreRegAdr, "916");
             Type(Form1->ui.PreDezimal, "7");
             Dialogs::QueueModal([](QDialog& d) {
                 auto& f = static_cast<TFormPreSets1&>(d);
                 f.ui.SprachWahl->setCurrentIndex(0); // English
                 f.SprachWahlSelect();
                 f.ui.Sprachtext->setText(Q(u"Pr\u00FCf & Test"));
                 f.HinzuClick();
                 f.ui.Button2->click();
                 return f.result();
             });
             Form1->ui.PreNow->click();
         },
         [&] {
             // Listed by its file while it does not fit the device.
             DeviceFamily = FamilyWBS420;
             Form1->FillPresetMenuForDevice();
             DeviceFamily = FamilyKVL420;
             return Item(Form1->ui.PreSets, Q(u"Pr\u00FCf && Test")) != nullptr;
         }},
        {"demo menu and its save", dir_ / "Demos" / "N\xC3\xBC" "sse & Demo.qdv",
         [&] {
             fs::create_directories(dir_ / "Demos");
             fs::copy_file(customers_ / "Pr\xC3\xBC" "f & Test datei.qdv",
                           dir_ / "Demos" / "Pr\xC3\xBC" "f & Test datei.qdv");
             emit Form1->ui.Datei1->aboutToShow();
             Agree();
             QAction* demo = Item(Form1->ui.demomenue, Q(u"Pr\u00FCf && Test datei"));
             ASSERT_TRUE(demo);
             demo->trigger();
             ASSERT_TRUE(opened() && Form1->DemoLoaded);
             Dialogs::QueueInput("N\xFCsse & Demo"); // the input box's text
             Form1->savebuttonClick();
         },
         [&] {
             emit Form1->ui.Datei1->aboutToShow();
             Agree();
             QAction* demo = Item(Form1->ui.demomenue, Q(u"N\u00FCsse && Demo"));
             return demo && (demo->trigger(), opened());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        ServiceMode = 0;
        Dialogs::ClearHistory();
        c.write();
        ServiceMode = 0;
        EXPECT_TRUE(fs::is_regular_file(c.file));
        Dialogs::ClearHistory();
        EXPECT_TRUE(c.readsAgain()) << (Messages().empty() ? Status() : Messages()[0]);
        // The next command starts from the device's data.
        RegisterImage = device;
        DeviceFamily = FamilyKVL420;
        Form1->DemoLoaded = false;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(customers_), fs::directory_iterator()), 5);

    // A name in a message is its text.
    Dialogs::ClearHistory();
    Agree();
    Choose(Chosen(u"N\u00FCsse \u20AC.qdv"), &TForm1::openbuttonClick);
    EXPECT_EQ(Messages(),
              Lines{"$T30012 " + FromQString(Chosen(u"N\u00FCsse \u20AC.qdv"))});
    EXPECT_NE(Messages()[0].find("N\xFCsse \x80.qdv"), std::string::npos);
}

} // namespace
