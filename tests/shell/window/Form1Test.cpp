// The main window's life cycle, driven offscreen with scripted dialogs.
#include "device/ChangeFlags.h"
#include "device/RegisterMap.h"
#include "platform/Text.h"
#include "shell/window/FileListDialog.h"
#include "support/WindowFixture.h"

#include "link/Mop.h"
#include "shell/LogFile.h"
#include "shell/window/PasswordDlg.h"

#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPixmap>
#include <QRadioButton>
#include <QToolBar>

#include <fstream>

namespace {

int CountMessages(const std::string& text) {
    int n = 0;
    for (const auto& s : Dialogs::History())
        if (s.kind == "message" && s.text == text)
            ++n;
    return n;
}

int CountModals() {
    int n = 0;
    for (const auto& s : Dialogs::History())
        if (s.kind == "modal")
            ++n;
    return n;
}

} // namespace

TEST_F(WindowTest, StartUpCreatesTheThirteenFormsInOrder) {
    Start();
    ASSERT_NE(Form1, nullptr);
    EXPECT_EQ(Form1->objectName(), "TForm1");
    std::vector<std::string> dialogs;
    // The language service's own chooser is the main window's, not a form.
    for (QObject* child : Form1->children())
        if (auto* d = qobject_cast<QDialog*>(child);
            d && child != static_cast<QObject*>(Form1->LanguageChooser))
            dialogs.push_back(d->objectName().toStdString());
    ASSERT_EQ(dialogs.size(), 12u);
    for (size_t i = 0; i < dialogs.size(); ++i)
        EXPECT_EQ(dialogs[i], FormOrder[i + 1]) << "form " << i + 1;
    EXPECT_EQ(Form1->windowTitle().toStdString(), "Ostara V. 2.23");
    EXPECT_TRUE(Form1->TransferIdle);
    EXPECT_FALSE(Form1->ClosePending);
    EXPECT_TRUE(Form1->ServiceSwitchAllowed);
    EXPECT_FALSE(Form1->ui.PageControl1->isVisibleTo(Form1));
    EXPECT_FALSE(Form1->ui.up_load->isEnabled());
    EXPECT_FALSE(Form1->ui.funk->isEnabled());
}

TEST_F(WindowTest, ComboBoxesAreFilledInOneLoop) {
    Start();
    struct Expect {
        QComboBox* box;
        int count;
        const char* first;
        const char* last;
    } cases[] = {
        {Form1->ui.QuittungVer1, 200, "10 ms", "2000 ms"},
        {Form1->ui.ZeichenVer1, 150, "10 ms", "1500 ms"},
        {Form1->ui.TimeoutZ2, 26, "10 ms", "260 ms"},
        {Form1->ui.dzfBeginAdr, 32, "0", "248"},
        {Form1->ui.dzfGrossAdr, 8, "8", "64"},
        {Form1->ui.FAnzahl, 128, "1", "128"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(c.box->count(), c.count) << c.box->objectName().toStdString();
        EXPECT_EQ(c.box->itemText(0).toStdString(), c.first);
        EXPECT_EQ(c.box->itemText(c.count - 1).toStdString(), c.last);
    }
}

TEST_F(WindowTest, InputFramesArePlacedInTwoColumns) {
    Start();
    for (int i = 0; i < 16; ++i) {
        TInputFrame* f = Form1->InputFrames[i];
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->objectName().toStdString(), "InBox" + std::to_string(i));
        EXPECT_EQ(f->ui.NrLabel->text().toStdString(), (i < 8 ? "A" : "B") + std::to_string(i));
        // The frames' text comes from the language file.
        EXPECT_EQ(f->ui.TextLabel->text().toStdString(), "$T08003");
        EXPECT_EQ(f->ui.TimerBox->count(), 26);
        const int k = i % 8;
        EXPECT_EQ(f->x(), i < 8 ? 10 : f->width() + 160);
        EXPECT_EQ(f->y(), 25 + k * (f->height() + 5));
        EXPECT_EQ(f->parentWidget(), Form1->ui.InputTabSheet);
    }
    ASSERT_NE(Form1->InputLabel, nullptr);
    EXPECT_EQ(Form1->InputLabel->objectName(), "InputLabel1");
    EXPECT_EQ(Form1->InputLabel->pos(), QPoint(210, 10));

    // A user's choice in a frame marks the input delays as changed.
    EXPECT_FALSE(InputDelaysChanged);
    int value = 0;
    Form1->InputFrames[3]->Bind(&value);
    EXPECT_FALSE(InputDelaysChanged);
    emit Form1->InputFrames[3]->ui.TimerBox->activated(4);
    EXPECT_TRUE(InputDelaysChanged);
    EXPECT_EQ(value, 20);
}

TEST_F(WindowTest, InputFrameBindClampsAndRejectsOddValues) {
    Start();
    TInputFrame* f = Form1->InputFrames[0];
    bool changed = false;
    f->SetChangedFlag(&changed);
    int v = 200;
    f->Bind(&v);
    EXPECT_EQ(v, 125);
    EXPECT_EQ(f->ui.TimerBox->currentText().toStdString(), "12.5");
    changed = false;
    v = 7;
    f->Bind(&v);
    EXPECT_EQ(v, 0);
    EXPECT_TRUE(changed);
    v = 35;
    changed = false;
    f->Bind(&v);
    EXPECT_EQ(f->ui.TimerBox->currentText().toStdString(), "3.5");
    EXPECT_FALSE(changed);
}

TEST_F(WindowTest, SubSlotButtonsMoveRightAndWiden) {
    // The designed geometry, read from a window that has not started up.
    TForm1 designed;
    const QPoint before = designed.ui.SubSlot_2->pos();
    Start();
    EXPECT_EQ(Form1->ui.SubSlot_2->pos(), before + QPoint(60, 0));
    EXPECT_EQ(Form1->ui.SubSlot_2->width(), 150);
}

TEST_F(WindowTest, TheToolBarShowsPicturesBesideItsCaptions) {
    Start();
    Ui::TForm1& ui = Form1->ui;
    EXPECT_EQ(ui.ToolBar1->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    for (QAction* a : {ui.ToolButton1, ui.ToolButton2, ui.openbutton, ui.savebutton, ui.down_load,
                       ui.up_load, ui.funk, ui.einstellung, ui.SaveToStrg})
        EXPECT_FALSE(a->icon().pixmap(ui.ToolBar1->iconSize()).isNull())
            << FromQString(a->objectName());
}

TEST_F(WindowTest, TheEmptyWindowShowsItsPictureScaledToTheWindow) {
    Start();
    Form1->show();
    ASSERT_TRUE(RunUntil([] { return Form1->ui.Bild1->isVisible(); }));
    const QSize small = Form1->ui.Bild1->pixmap().deviceIndependentSize().toSize();
    ASSERT_FALSE(small.isEmpty());
    EXPECT_LE(small.width(), Form1->ui.Bild1->width());
    EXPECT_LE(small.height(), Form1->ui.Bild1->height());

    Form1->resize(Form1->size() * 3 / 2);
    ASSERT_TRUE(RunUntil([small] {
        return Form1->ui.Bild1->pixmap().deviceIndependentSize().width() > small.width();
    }));
    const QSizeF large = Form1->ui.Bild1->pixmap().deviceIndependentSize();
    // Its proportions stay.
    EXPECT_NEAR(large.width() / large.height(), double(small.width()) / small.height(), 0.02);
    // The pages take the same room as the picture.
    EXPECT_EQ(Form1->ui.PageControl2->geometry(), Form1->ui.Bild1->geometry());
}

TEST_F(WindowTest, DataFolderIsCreatedAndAStaleUpdateFileRemoved) {
    Start();
    EXPECT_TRUE(std::filesystem::is_directory(dir_ / "Data"));
    DestroyForms();

    std::ofstream(dir_ / "Data" / "info.qdv") << "[Datei]\r\n";
    std::ofstream(dir_ / "Data" / "keep.txt") << "x";
    ResetGlobals();
    Start();
    EXPECT_FALSE(std::filesystem::exists(dir_ / "Data" / "info.qdv"));
    EXPECT_TRUE(std::filesystem::exists(dir_ / "Data" / "keep.txt"));
}

TEST_F(WindowTest, FirstActivationReportsTheClosedPortOnce) {
    Start();
    ASSERT_FALSE(Form1->Mop->IsOpen());
    Form1->FormActivate();
    EXPECT_EQ(CountMessages("$T30023"), 1);
    EXPECT_EQ(Dialogs::History().back().caption, "$T30024");
    EXPECT_FALSE(Form1->ui.down_load->isEnabled());
    EXPECT_FALSE(Form1->ui.BrowserEnable->isEnabled());
    EXPECT_EQ(ActivationCount, 1);
    Form1->FormActivate();
    EXPECT_EQ(CountMessages("$T30023"), 1);
    EXPECT_EQ(ActivationCount, 2);

    ActivationCount = 99;
    Form1->FormActivate();
    EXPECT_EQ(ActivationCount, 1); // never 0 again
    EXPECT_EQ(CountMessages("$T30023"), 1);
}

TEST_F(WindowTest, ShowingTheWindowActivatesIt) {
    Start();
    Form1->show();
    Form1->activateWindow();
    EXPECT_TRUE(RunUntil([] { return ActivationCount > 0; }));
    EXPECT_EQ(CountMessages("$T30023"), 1);
}

TEST_F(WindowTest, ServiceSwitchUnlocksWithoutPassword) {
    TForm1::FirstArgument = "/qdvservice";
    Start();
    Form1->FormActivate();
    EXPECT_EQ(ServiceMode, 1);
    EXPECT_TRUE(Form1->ui.BrowserEnable->isVisible());
    EXPECT_TRUE(Form1->ui.savebutton->isEnabled());
    EXPECT_FALSE(Form1->ui.imp_ein->isEnabled());
    EXPECT_EQ(CountModals(), 0);
    // The switch holds at every activation.
    ServiceMode = 0;
    Form1->FormActivate();
    EXPECT_EQ(ServiceMode, 1);
    EXPECT_EQ(CountModals(), 0);
}

TEST_F(WindowTest, ServiceSwitchInCapitalsDoesNothing) {
    TForm1::FirstArgument = "/QDVSERVICE";
    Start();
    Form1->ui.PageControl3->setVisible(true);
    Form1->FormActivate();
    EXPECT_EQ(ServiceMode, 0);
    EXPECT_FALSE(Form1->ui.savebutton->isEnabled());
    EXPECT_FALSE(Form1->ui.PageControl3->isVisibleTo(Form1));
}

class AccessCodeTest : public WindowTest,
                       public ::testing::WithParamInterface<std::tuple<const char*, bool, bool>> {};

TEST_P(AccessCodeTest, AboutBoxEntryAsksForTheAccessCode) {
    const auto [code, pressOk, accepted] = GetParam();
    Start();
    Form1->FormActivate(); // the first activation
    Form1->ui.BrowserEnable->setVisible(false);
    ServiceMode = 1; // as Ctrl+F12 in the about box leaves it
    std::string textWhenShown = "untouched";
    PasswordDlg->ui.Password->setText("left over");
    Dialogs::QueueModal([&, code = std::string(code), pressOk = pressOk](QDialog& d) {
        auto& dlg = dynamic_cast<TPasswordDlg&>(d);
        textWhenShown = dlg.ui.Password->text().toStdString();
        dlg.ui.Password->setText(QString::fromLatin1(code.c_str()));
        if (pressOk) {
            dlg.OKBtnClick();
            return static_cast<int>(Dialogs::Ok);
        }
        return static_cast<int>(Dialogs::Cancel);
    });
    Form1->FormActivate();
    EXPECT_EQ(textWhenShown, "");
    EXPECT_EQ(Dialogs::Pending(), 0);
    EXPECT_EQ(ServiceMode, accepted ? 1 : 0);
    EXPECT_EQ(PasswordAccepted, accepted ? 1 : 0);
    EXPECT_EQ(Form1->ui.imp_ein->isEnabled(), accepted);
    EXPECT_EQ(Form1->ui.savebutton->isEnabled(), accepted);
    EXPECT_EQ(Form1->ui.BrowserEnable->isVisible(), accepted);
    EXPECT_EQ(Form1->ui.browserdiv1->isVisible(), accepted);
}

INSTANTIATE_TEST_SUITE_P(Codes, AccessCodeTest,
                         ::testing::Values(std::make_tuple("Kiesel mal", true, true),
                                           std::make_tuple("kiesel mal", true, false),
                                           std::make_tuple("Kiesel mal ", true, false),
                                           std::make_tuple("Kiesel mal", false, false)));

TEST_F(WindowTest, CloseIsRefusedDuringATransferAndCompletesAtTheNextIdleMoment) {
    Start();
    Form1->show();
    Form1->TransferIdle = false;
    EXPECT_FALSE(Form1->close());
    EXPECT_TRUE(Form1->ClosePending);
    EXPECT_NE(Form1->Mop, nullptr);
    // Idle moments while the transfer runs do not close and do not spin.
    EXPECT_FALSE(RunUntil([] { return Application().Terminated(); }, 100));
    Form1->TransferIdle = true;
    EXPECT_TRUE(RunUntil([] { return Application().Terminated(); }));
    EXPECT_EQ(Form1->Mop, nullptr);
    EXPECT_FALSE(Form1->ClosePending);
}

TEST_F(WindowTest, CloseDuringTheRegisterScanStopsTheScan) {
    Start();
    Form1->show();
    Form1->ui.scanreg->setCheckable(true);
    Form1->ui.scanreg->setChecked(true);
    EXPECT_FALSE(Form1->close());
    EXPECT_FALSE(Form1->ui.scanreg->isChecked());
    EXPECT_TRUE(RunUntil([] { return Application().Terminated(); }));
}

TEST_F(WindowTest, ChangedDataAnsweredNoCloses) {
    Start();
    Form1->show();
    RadioSettingsChanged = 1;
    Dialogs::QueueAnswer(Dialogs::No);
    EXPECT_TRUE(Form1->close());
    EXPECT_EQ(CountMessages("$T32001"), 1);
    EXPECT_EQ(Dialogs::History().back().buttons, Dialogs::YesNo);
    EXPECT_TRUE(Application().Terminated());
    EXPECT_EQ(Form1->Mop, nullptr);
}

TEST_F(WindowTest, ChangedDataWithAFailedWriteKeepsTheWindowOpen) {
    Start();
    Form1->show();
    DeviceSettingsChanged = 1;
    Dialogs::QueueAnswer(Dialogs::Yes);
    EXPECT_FALSE(Form1->close());
    EXPECT_FALSE(Application().Terminated());
    EXPECT_NE(Form1->Mop, nullptr);
    EXPECT_EQ(DeviceSettingsChanged, 1);
    // Kept by the user: no close is pending, idle moments ask nothing more.
    EXPECT_FALSE(Form1->ClosePending);
    RunUntil([] { return false; }, 100);
    EXPECT_EQ(CountMessages("$T32001"), 1);
    EXPECT_FALSE(Application().Terminated());
}

TEST_F(WindowTest, ExitCommandClosesTheWindow) {
    Start();
    Form1->show();
    Form1->ui.Exit->trigger();
    EXPECT_TRUE(Application().Terminated());
    EXPECT_TRUE(Form1->ui.ToolButton1->isEnabled());
}

TEST_F(WindowTest, KeysAndQueuedCommandsWaitingAtTheCloseRunNoHandler) {
    Start();
    Form1->show();
    QApplication::setActiveWindow(Form1);
    // Data to show: the radio and settings pages would open, needing the language service.
    DeviceFamily = RegisterImage[RegisterMap.geraete_id] = 0x21;
    Form1->ui.funk->setEnabled(true);
    Form1->ui.einstellung->setEnabled(true);
    Dialogs::ClearHistory();
    // Pressed during the close: handled with the messages still waiting.
    QCoreApplication::postEvent(Form1, new QKeyEvent(QEvent::KeyPress, Qt::Key_F7, Qt::NoModifier));
    QMetaObject::invokeMethod(
        Form1, [] { Form1->ui.DeviceParameter1->trigger(); }, Qt::QueuedConnection);
    EXPECT_TRUE(Form1->close());
    RunUntil([] { return false; }, 100);
    EXPECT_TRUE(Form1->ui.PageControl1->isHidden());
    EXPECT_TRUE(Form1->ui.PageControl2->isHidden());
    EXPECT_TRUE(Dialogs::History().empty());
}

TEST_F(WindowTest, QuitAtStartDestroysTheHelpersOnce) {
    Start();
    Form1->QuitAtStart = true;
    Form1->show();
    Form1->FormActivate();
    EXPECT_TRUE(RunUntil([] { return Application().Terminated(); }));
    RunUntil([] { return false; }, 100); // the second queued close finds nothing to do
    EXPECT_EQ(Form1->Mop, nullptr);
    EXPECT_EQ(Form1->LogFile, nullptr);
}

TEST_F(WindowTest, PopupMenuHoldsTheTenFunctionKeysInOrder) {
    Start();
    ASSERT_NE(Form1->PopupMenu1, nullptr);
    const auto actions = Form1->PopupMenu1->actions();
    ASSERT_EQ(actions.size(), 10);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(actions[i]->shortcut(), QKeySequence(Qt::Key_F1 + i));
    EXPECT_EQ(actions[0], Form1->ui.Exit);
    EXPECT_EQ(actions[6], Form1->ui.HFParameter1);
    EXPECT_EQ(actions[7], Form1->ui.DeviceParameter1);
    EXPECT_EQ(actions[9], Form1->ui.Hilfe);
    // No command of the menu bar takes one of these keys away from them.
    for (QAction* a : Form1->menuBar()->findChildren<QAction*>()) {
        if (actions.contains(a))
            continue;
        for (int i = 0; i < 10; ++i)
            EXPECT_NE(a->shortcut(), QKeySequence(Qt::Key_F1 + i)) << a->objectName().toStdString();
    }
}

TEST_F(WindowTest, SaveAtDeviceRunsTheWrite) {
    Start();
    Form1->show();
    // Nothing is loaded: the write refuses with its own message.
    Form1->ui.SaveatDevice1->trigger();
    EXPECT_EQ(CountMessages("$T30022"), 1);
}

TEST_F(WindowTest, LogLineThatCannotBeWrittenIsShownWhileTheWindowLives) {
    Start();
    // A folder in the log's place: every write fails, whoever runs the test.
    std::filesystem::remove(dir_ / "Error.txt");
    std::filesystem::create_directory(dir_ / "Error.txt");
    Form1->LogFile->Write("Read Error!");
    ASSERT_FALSE(Dialogs::History().empty());
    const Dialogs::Shown& shown = Dialogs::History().back();
    EXPECT_EQ(shown.kind, "plain");
    EXPECT_EQ(shown.text.rfind("Error:\n", 0), 0u) << shown.text;
    EXPECT_NE(shown.text.find(" * Read Error! * "), std::string::npos) << shown.text;

    DestroyForms();
    Dialogs::ClearHistory();
    TLogFile("Other.txt", dir_.string()).Write("written"); // no failure outstanding
    TLogFile("Error.txt", dir_.string()).Write("after the window");
    EXPECT_TRUE(Dialogs::History().empty());
}
