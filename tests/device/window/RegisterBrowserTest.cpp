// The register browser end to end against the simulator: reading, editing
// and writing registers by keyboard, the service toggle, the scan on both
// tabs and every way of closing while the device is unlocked and scanned.
#include "device/RegisterBrowser.h"
#include "device/window/ReadFixture.h"
#include "link/window/Form2.h"
#include "pages/window/LedBalken.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <functional>

namespace {

void Key(QWidget* w, int key, const QString& text = {}, Qt::KeyboardModifiers m = {}) {
    QKeyEvent press(QEvent::KeyPress, key, m, text);
    QCoreApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, m, text);
    QCoreApplication::sendEvent(w, &release);
}

// The user enters the edit (its text is kept for Esc), clears it and types.
void Type(QLineEdit* edit, const std::string& text) {
    QFocusEvent in(QEvent::FocusIn);
    QCoreApplication::sendEvent(edit, &in);
    edit->clear();
    for (char c : text)
        Key(edit, c <= '9' ? Qt::Key_0 + (c - '0') : Qt::Key_A + (c - 'a'), QString(QChar(c)));
}

void Enter(QWidget* w) {
    Key(w, Qt::Key_Return, "\r");
}

std::string Text(const QLineEdit* edit) {
    return edit->text().toStdString();
}

long PlainMessages() {
    const auto& h = Dialogs::History();
    return std::count_if(h.begin(), h.end(), [](const auto& s) { return s.kind == "plain"; });
}

} // namespace

class BrowserTest : public ReadTest {
protected:
    // Service mode by the start switch, the browser open on the simulator.
    void OpenBrowser(uint32_t timeoutMs = 1000) {
        TForm1::FirstArgument = "/qdvservice";
        StartSim({"--type", "0x21"});
        CopyMap();
        std::filesystem::copy_file(std::filesystem::path(OSTARA_PROGRAM_DIR) / "RegisterText.txt",
                                   dir_ / "RegisterText.txt");
        PortName = sim_->PtyPath();
        Start();
        ASSERT_TRUE(Form1->Mop->IsOpen());
        AllowSlowLine();
        Form1->Mop->SetResponseTimeout(timeoutMs);
        Form1->show();
        Form1->FormActivate();
        Form1->ui.BrowserEnable->trigger();
        ASSERT_TRUE(RunUntil([] { return !Form1->Timer2->Enabled() && Form1->TransferIdle; }));
    }

    // Runs the scan: its button's action returns when the scan has ended
    // (stopped after 10 s whatever happens).
    static void Scan() {
        QTimer::singleShot(10000, Form1, [] { Form1->ui.scanreg->setChecked(false); });
        Form1->ui.scanreg->trigger();
    }

    std::vector<SimExchange> Since(size_t mark) const {
        const auto log = SimLog();
        return {log.begin() + static_cast<long>(std::min(mark, log.size())), log.end()};
    }

    // A write of value to reg with its read-back, then a plain read of reg.
    static bool WroteAndReread(const std::vector<SimExchange>& log, int reg, uint32_t value) {
        return log.size() == 2 && log[0].writeFirst == reg && log[0].first == reg &&
               log[0].written == std::vector<uint32_t>{value} && log[1].first == reg &&
               log[1].writeCount == 0;
    }

    bool Locked() { return sim_->Command("lock?") == "locked"; }
};

TEST_F(BrowserTest, ReadsEditsAndWritesRegistersByKeyboardAndUnlocks) {
    OpenBrowser();
    auto& ui = Form1->ui;
    // The device type gives the names; a chosen name shows its register.
    ui.RegText->clear();
    ui.Button6->click();
    ASSERT_GT(ui.RegText->count(), 20);
    const int channel = ui.RegText->findText("Aktueller Kanal");
    ui.RegText->setCurrentIndex(channel);
    emit ui.RegText->activated(channel);
    EXPECT_EQ(Text(ui.reg_name), "910");
    EXPECT_EQ(Text(ui.reg_dezi), std::to_string(SimValue(910)));

    Type(ui.reg_name, "911");
    Enter(ui.reg_name);
    EXPECT_EQ(Text(ui.reg_dezi), std::to_string(SimValue(911)));
    // Enter in each value edit and in a bit box writes with read-back and reads again.
    struct Step {
        std::function<void()> edit;
        QWidget* confirm;
        uint32_t written;
    };
    for (const Step& s : {Step{[&] { Type(ui.reg_dezi, "3"); }, ui.reg_dezi, 3},
                          Step{[&] { Type(ui.reg_hex, "ff"); }, ui.reg_hex, 0xFF},
                          Step{[&] { ui.CheckBox16->click(); }, ui.CheckBox16, 0xFE}}) {
        s.edit();
        const size_t mark = SimLog().size();
        Enter(s.confirm);
        EXPECT_TRUE(WroteAndReread(Since(mark), 911, s.written)) << s.written;
        EXPECT_EQ(Text(ui.reg_dezi), std::to_string(s.written));
        EXPECT_EQ(ui.reg_name->palette().color(QPalette::Base), QColor(0, 255, 0));
    }
    // An unconfirmed change keeps the browser on its register.
    ui.CheckBox1->click();
    EXPECT_EQ(Text(ui.reg_dezi), std::to_string(0x80FE));
    Key(ui.reg_dezi, Qt::Key_Down);
    EXPECT_EQ(PlainMessages(), 1);
    EXPECT_EQ(BrowserState.address, 911u);
    // Esc drops the entry and reads the register again.
    Type(ui.reg_dezi, "77");
    size_t mark = SimLog().size();
    Key(ui.reg_dezi, Qt::Key_Escape);
    EXPECT_EQ(Text(ui.reg_dezi), "254");
    EXPECT_EQ(Since(mark).size(), 1u);
    EXPECT_EQ(Since(mark).at(0).first, 911);
    // Above 65535 nothing is sent: the range message and the text as it was.
    for (QLineEdit* edit : {ui.reg_name, ui.reg_dezi}) {
        const std::string before = Text(edit);
        Type(edit, "70000");
        mark = SimLog().size();
        Enter(edit);
        EXPECT_EQ(Dialogs::History().back().text, "$T30018");
        EXPECT_EQ(Text(edit), before);
        EXPECT_TRUE(Since(mark).empty());
    }
    Key(ui.reg_name, Qt::Key_Down);
    Key(ui.reg_name, Qt::Key_Up, {}, Qt::ShiftModifier);
    EXPECT_EQ(Text(ui.reg_name), "902");
    EXPECT_EQ(Text(ui.reg_dezi), std::to_string(SimValue(902)));

    // Service mode unlocks; with 999 reading 65535 a write sends no unlock.
    ui.service->trigger();
    EXPECT_FALSE(Locked());
    Type(ui.reg_name, "1216");
    Enter(ui.reg_name);
    Type(ui.reg_dezi, "4711");
    mark = SimLog().size();
    Enter(ui.reg_dezi);
    EXPECT_EQ(SimValue(1216), 4711);
    for (const SimExchange& ex : Since(mark))
        EXPECT_NE(ex.writeFirst, 999) << "register 999 reads 65535: no unlock";
    ui.service->trigger();
    EXPECT_TRUE(Locked());
}

class BrowserCloseTest : public BrowserTest, public ::testing::WithParamInterface<const char*> {};

// However the browser closes while the device is unlocked and scanned, the
// scan ends and the device is locked again, the service toggle is up with
// its locked (green) label, and nothing more is sent.
TEST_P(BrowserCloseTest, LeavesTheDeviceLockedAndIdle) {
    OpenBrowser();
    const std::string how = GetParam();
    Form1->ui.service->trigger();
    ASSERT_FALSE(Locked());
    QTimer::singleShot(300, Form1, [how] {
        if (how == "button")
            Form1->ui.BrowserEnable->trigger();
        else if (how == "clear")
            Form1->ToolButton2Click();
        else if (how == "open")
            Form1->openbuttonClick(); // the file choice is then cancelled
        else
            Form1->close();
    });
    Scan();
    EXPECT_TRUE(RunUntil([this] { return Locked(); }));
    if (how == "quit")
        EXPECT_TRUE(RunUntil([] { return Application().Terminated(); }));
    else
        EXPECT_FALSE(Form1->ui.PageControl3->isVisibleTo(Form1));
    const size_t exchanges = SimLog().size();
    RunUntil([] { return false; }, 300);
    EXPECT_EQ(SimLog().size(), exchanges);
    EXPECT_EQ(PlainMessages(), 0);
    EXPECT_FALSE(Form1->ui.service->isChecked());
    EXPECT_EQ(Form1->ui.browser_label->palette().color(QPalette::WindowText), QColor(0, 128, 0));
}

INSTANTIATE_TEST_SUITE_P(Ways, BrowserCloseTest,
                         ::testing::Values("button", "clear", "open", "quit"));

// Leaving the port leaves the browser: the device unlocked on the old port is
// locked again there before the new port opens; the new port's device gets no relock.
TEST_F(BrowserTest, PortChangeLocksTheDeviceOnTheOldPort) {
    OpenBrowser();
    Form1->ui.service->trigger();
    ASSERT_FALSE(Locked());
    const std::filesystem::path secondLog = dir_ / "second.log";
    testsupport::Devsim second(OSTARA_DEVSIM, {"--log", secondLog.string(), "--type", "0x21"});
    ASSERT_TRUE(second.Ready()) << second.Failure();
    Dialogs::QueueModal([&second](QDialog&) {
        Form2->ui.combox1->setEditText(ToQString(second.PtyPath()));
        Form2->okClick();
        return Form2->result();
    });
    Form1->ui.Port1->trigger();
    EXPECT_TRUE(Locked());
    Form1->LeaveBrowser();
    RunUntil([] { return false; }, 300);
    for (const SimExchange& ex : SimLogOf(secondLog))
        EXPECT_NE(ex.writeFirst, 999) << "exchange " << ex.number;
}

struct RelockRow {
    const char* fault; // armed once the device is unlocked
    bool locked;       // the device after the close; unlocked is reported
};

class RelockTest : public BrowserTest, public ::testing::WithParamInterface<RelockRow> {};

// A device left unlocked is reported: neither write of 0 to register 999
// reads back 0. A second write that takes it has locked the device. The
// label stays red over a device that may be unlocked.
TEST_P(RelockTest, ADeviceLeftUnlockedIsShown) {
    OpenBrowser();
    Form1->ui.service->trigger();
    ASSERT_FALSE(Locked());
    sim_->Command(std::string("fault ") + GetParam().fault);
    Form1->ui.service->trigger();
    EXPECT_TRUE(RunUntil([] { return Form1->TransferIdle; }));
    EXPECT_EQ(Locked(), GetParam().locked);
    EXPECT_EQ(CountMessages("$T46004"), GetParam().locked ? 0 : 1);
    EXPECT_EQ(Form1->ui.browser_label->palette().color(QPalette::WindowText),
              GetParam().locked ? QColor(0, 128, 0) : QColor(255, 0, 0));
}

INSTANTIATE_TEST_SUITE_P(Writes, RelockTest,
                         ::testing::Values(RelockRow{"ignore-writes@r999:always", false},
                                           RelockRow{"ignore-writes@r999", true}));

// An unanswered unlock is reported; the button stays down so that leaving still relocks.
TEST_F(BrowserTest, AnUnansweredUnlockIsReported) {
    OpenBrowser(shortTimeoutMs);
    sim_->Command("fault silence@r999:always");
    Form1->ui.service->trigger();
    EXPECT_TRUE(RunUntil([] { return Form1->TransferIdle; }));
    EXPECT_EQ(PlainMessages(), 1);
    EXPECT_NE(Dialogs::History().back().text.find("Kommunikationsfehler"), std::string::npos);
    EXPECT_TRUE(Form1->ui.service->isChecked());
    sim_->Command("clear");
}

class ScanFaultTest : public BrowserTest, public ::testing::WithParamInterface<const char*> {};

// A read of the scan that fails (no answer, or only answers for another
// register, which the link waits past) is reported once and ends the scan.
TEST_P(ScanFaultTest, EndsTheScanWithOneMessage) {
    OpenBrowser(shortTimeoutMs);
    QTimer::singleShot(200, Form1, [this] { sim_->Command(std::string("fault ") + GetParam()); });
    Scan();
    EXPECT_FALSE(Form1->ui.scanreg->isChecked());
    EXPECT_FALSE(Form1->ui.Scan->isVisibleTo(Form1));
    EXPECT_EQ(PlainMessages(), 1);
    EXPECT_NE(Dialogs::History().back().text.find("Kommunikationsfehler"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Answers, ScanFaultTest,
                         ::testing::Values("silence@next:always", "wrong-register@next:always"));

TEST_F(BrowserTest, InputOutputScanMirrorsRegisterTwoAndWritesRegisterThreeHundred) {
    OpenBrowser(400);
    ASSERT_EQ(sim_->Command("set 2=165"), "ok");
    Form1->ui.PageControl3->SetActivePage(Form1->ui.InOutput);
    Form1->PageControl3Change();
    Form1->LedBalken1->SetValue(0x0F0F);
    bool mirrored = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!mirrored && Form1->LedBalken2->GetValue() == 165 && SimValue(300) == 0x0F0F) {
            mirrored = true;
            sim_->Command("fault silence@next:always");
        }
    });
    poll.start(50);
    Scan();
    EXPECT_TRUE(mirrored);
    EXPECT_EQ(Form1->LedBalken2->GetValue(), 0); // a failure clears the input row
    EXPECT_FALSE(Form1->ui.scanreg->isChecked());
}
