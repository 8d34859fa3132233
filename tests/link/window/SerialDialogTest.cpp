// The serial settings dialog behind the menu command Port1: the port list,
// the stored choices, OK (reopens the port, saves) and Cancel (changes nothing).
#include "link/ComPort.h"
#include "link/Mop.h"
#include "link/PortSettings.h"
#include "link/window/Form2.h"
#include "link/window/RegisterCommands.h"
#include "platform/IniFile.h"
#include "platform/Text.h"
#include "support/Devsim.h"
#include "support/WindowFixture.h"

#include <QKeyEvent>
#include <QRadioButton>

#include <fstream>
#include <memory>

namespace {

constexpr int stayedOpen = -1;

class SerialDialogTest : public WindowTest {
protected:
    // Opens the dialog through the menu command; act works the controls.
    // Returns how the dialog ended (QDialog's result) or stayedOpen.
    int RunDialog(const std::function<void(TForm2&)>& act) {
        int finished = stayedOpen;
        Dialogs::QueueModal([&](QDialog& dialog) {
            auto& form = dynamic_cast<TForm2&>(dialog);
            const auto c =
                QObject::connect(&form, &QDialog::finished, [&](int r) { finished = r; });
            act(form);
            QObject::disconnect(c);
            return finished == stayedOpen ? int(Dialogs::None) : finished;
        });
        Form1->ui.Port1->trigger();
        EXPECT_EQ(Dialogs::Pending(), 0) << "the menu command did not show the dialog";
        return finished;
    }

    void WriteIni(const std::string& mainKeys) {
        std::ofstream(dir_ / "ostra.ini", std::ios::binary | std::ios::trunc) << "[Main]\r\n"
                                                                              << mainKeys;
    }

    static std::string Text(const QString& s) { return FromQString(s); }

    static int Checked(QRadioButton* const (&buttons)[3]) {
        for (int i = 0; i < 3; ++i)
            if (buttons[i]->isChecked())
                return i;
        return -1;
    }

    static void ChooseText(TForm2& f, const std::string& text) {
        f.ui.combox1->setEditText(ToQString(text));
    }

    void StartSim() {
        sim_ = std::make_unique<testsupport::Devsim>(OSTARA_DEVSIM, std::vector<std::string>{});
        ASSERT_TRUE(sim_->Ready()) << sim_->Failure();
    }

    std::unique_ptr<testsupport::Devsim> sim_;
};

TEST_F(SerialDialogTest, ThePortListSelectsTheStoredPortAndShowsTheStoredChoices) {
    Start();
    struct Case {
        std::string stored;
        int index;
        std::string text;
    };
    for (const Case& c :
         {Case{"COM9", 8, "COM9"}, Case{"\\\\.\\COM12", 11, "COM12"}, Case{"COM16", 15, "COM16"},
          Case{"LPT1", -1, ""}, Case{"/dev/ttyUSB0", -1, "/dev/ttyUSB0"},
          Case{"/dev/serial/by-id/Ostara-Link", -1, "/dev/serial/by-id/Ostara-Link"}}) {
        SCOPED_TRACE(c.stored);
        WriteIni("Schnittstelle=" + c.stored + "\r\nBoudrate=4800\r\nParity=2\r\n");
        PortDataBits = 7;
        RunDialog([&](TForm2& f) {
            ASSERT_EQ(f.ui.combox1->count(), 16);
            EXPECT_EQ(Text(f.ui.combox1->itemText(0)), "COM1");
            EXPECT_EQ(Text(f.ui.combox1->itemText(15)), "COM16");
            EXPECT_EQ(f.ui.combox1->currentIndex(), c.index);
            EXPECT_EQ(Text(f.ui.combox1->currentText()), c.text);
            EXPECT_EQ(Text(f.ui.boudratebox->currentText()), "4800");
            EXPECT_TRUE(f.ui.datenbitsgroup_0->isChecked());
            EXPECT_EQ(Checked({f.ui.paritygroup_0, f.ui.paritygroup_1, f.ui.paritygroup_2}), 2);
            f.abbrechenClick();
        });
        // The list is filled afresh each time: nothing typed stays in it.
        EXPECT_EQ(Form2->ui.combox1->count(), 16);
    }

    // A baud rate the list does not have leaves the selection as it was;
    // a parity out of range selects no item.
    WriteIni("Schnittstelle=COM2\r\nBoudrate=57600\r\nParity=7\r\n");
    RunDialog([&](TForm2& f) {
        EXPECT_EQ(Text(f.ui.boudratebox->currentText()), "4800");
        EXPECT_EQ(Checked({f.ui.paritygroup_0, f.ui.paritygroup_1, f.ui.paritygroup_2}), -1);
        f.abbrechenClick();
    });
}

TEST_F(SerialDialogTest, Com12IsStoredWithTheDevicePrefixAndCom9Without) {
    Start();
    RunDialog([](TForm2& f) {
        f.ui.combox1->setCurrentIndex(11);
        f.ui.ok->click();
    });
    EXPECT_EQ(PortName, "\\\\.\\COM12");
    RunDialog([](TForm2& f) {
        EXPECT_EQ(Text(f.ui.combox1->currentText()), "COM12");
        f.ui.combox1->setCurrentIndex(8);
        f.ui.ok->click();
    });
    EXPECT_EQ(PortName, "COM9");
    // Typed names go to upper case; a typed prefix is not doubled.
    for (const auto& [typed, stored] :
         {std::pair<std::string, std::string>{"com3", "COM3"}, {"\\\\.\\com10", "\\\\.\\COM10"}}) {
        SCOPED_TRACE(typed);
        RunDialog([&](TForm2& f) {
            ChooseText(f, typed);
            f.ui.ok->click();
        });
        EXPECT_EQ(PortName, stored);
    }
    // An empty choice stands for COM1 (not opened here: it may be a real port).
    EXPECT_EQ(TForm2::PortNameFor(""), "COM1");
    EXPECT_EQ(TForm2::PortNameFor("  "), "COM1");
}

TEST_F(SerialDialogTest, APortThatDoesNotOpenKeepsTheDialogOpenAndSavesNothing) {
    Start();
    const std::string path = (dir_ / "NoSuchPort").string();
    WriteIni("Schnittstelle=/nonexistent/ostara-test-port\r\nParity=9\r\n");
    const int result = RunDialog([&](TForm2& f) {
        ChooseText(f, path);
        f.ui.boudratebox->setCurrentIndex(3);
        f.ui.ok->click();
    });
    EXPECT_EQ(result, stayedOpen);
    EXPECT_EQ(PortName, path);
    EXPECT_EQ(PortBaudRate, 19200);
    // No parity was selected: corrected to none with a message.
    EXPECT_EQ(PortParity, 0);
    ASSERT_FALSE(Dialogs::History().empty());
    bool parityMessage = false;
    for (const auto& shown : Dialogs::History())
        parityMessage |= shown.text == "Fehler in den Parity!\n Auf None gestellt!";
    EXPECT_TRUE(parityMessage);
    EXPECT_FALSE(Form1->Mop->IsOpen());
    const TMemIniFile ini(dir_ / "ostra.ini");
    EXPECT_EQ(ini.ReadString("Main", "Schnittstelle", ""), "/nonexistent/ostara-test-port");
    EXPECT_EQ(ini.ReadInteger("Main", "Parity", -1), 9);
}

TEST_F(SerialDialogTest, OkOnTheSimulatorsPortOpensItAndRemembersTheTypedPath) {
    StartSim();
    Start();
    ASSERT_FALSE(Form1->Mop->IsOpen());
    Form1->ui.down_load->setEnabled(false);
    Form1->ui.up_load->setEnabled(false);
    // A device path with upper-case letters, leading to the simulator's pty.
    const std::string path = (dir_ / "ttyUSB-Ostara").string();
    std::filesystem::create_symlink(sim_->PtyPath(), path);

    const int result = RunDialog([&](TForm2& f) {
        ChooseText(f, path);
        f.ui.boudratebox->setCurrentIndex(3);
        f.ui.datenbitsgroup_0->setChecked(true);
        f.ui.paritygroup_1->setChecked(true);
        f.ui.ok->click();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    ASSERT_TRUE(Form1->Mop->IsOpen());
    EXPECT_EQ(PortName, path);
    EXPECT_EQ(PortBaudRate, 19200);
    EXPECT_EQ(PortDataBits, 7);
    EXPECT_EQ(PortParity, 1);
    EXPECT_TRUE(Form1->ui.down_load->isEnabled());
    EXPECT_TRUE(Form1->ui.up_load->isEnabled());

    const TMemIniFile ini(dir_ / "ostra.ini");
    EXPECT_EQ(ini.ReadString("Main", "Schnittstelle", ""), path);
    EXPECT_EQ(ini.ReadInteger("Main", "Boudrate", 0), 19200);
    EXPECT_EQ(ini.ReadInteger("Main", "Parity", -1), 1);

    // The line itself stays at 9600 baud, 8 data bits, no parity, and the
    // device answers on it.
    auto* port = dynamic_cast<TCustomComPort*>(&Form1->Mop->Port());
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(port->GetBaudRate(), br9600);
    EXPECT_EQ(port->GetDataBits(), db8);
    EXPECT_EQ(port->GetParity(), paNone);
    Form1->Mop->SetResponseTimeout(300);
    uint32_t value = 0;
    EXPECT_EQ(ReadRegisterQuiet(906, value), 0);

    // Reopening shows the remembered path as typed.
    PortName = "COM1";
    RunDialog([&](TForm2& f) {
        EXPECT_EQ(Text(f.ui.combox1->currentText()), path);
        EXPECT_EQ(Text(f.ui.boudratebox->currentText()), "19200");
        EXPECT_TRUE(f.ui.paritygroup_1->isChecked());
        f.abbrechenClick();
    });
}

TEST_F(SerialDialogTest, EscOrCancelLeavesThePortAndTheSettingsAsTheyWere) {
    StartSim();
    PortName = sim_->PtyPath();
    PortBaudRate = 9600;
    PortParity = 0;
    Start();
    ASSERT_TRUE(Form1->Mop->IsOpen());

    // Esc in the port list, Esc on the form, and the Cancel button.
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way);
        const int result = RunDialog([&](TForm2& f) {
            ChooseText(f, "COM5");
            f.ui.boudratebox->setCurrentIndex(0);
            f.ui.paritygroup_2->setChecked(true);
            if (way == 2) {
                f.ui.abbrechen->click();
                return;
            }
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QWidget* target = way == 0 ? static_cast<QWidget*>(f.ui.combox1) : &f;
            QCoreApplication::sendEvent(target, &esc);
        });
        EXPECT_EQ(result, QDialog::Rejected);
        EXPECT_EQ(PortName, sim_->PtyPath());
        EXPECT_EQ(PortBaudRate, 9600);
        EXPECT_EQ(PortParity, 0);
        EXPECT_TRUE(Form1->Mop->IsOpen());
        EXPECT_FALSE(std::filesystem::exists(dir_ / "ostra.ini"));
    }
}

} // namespace

namespace {

TEST_F(SerialDialogTest, AnUnknownStoredBaudRateSelectsNothingAndOkMeans9600) {
    StartSim();
    WriteIni("Schnittstelle=" + sim_->PtyPath() + "\r\nBoudrate=115200\r\n");
    Start();
    int shownIndex = 0;
    const int result = RunDialog([&](TForm2& f) {
        shownIndex = f.ui.boudratebox->currentIndex();
        f.okClick();
    });
    EXPECT_EQ(shownIndex, -1);
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(PortBaudRate, 9600);
    EXPECT_EQ(TMemIniFile(dir_ / "ostra.ini").ReadInteger("Main", "Boudrate", 0), 9600);
}

} // namespace
