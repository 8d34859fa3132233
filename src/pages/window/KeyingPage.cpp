// The keying test's tab on the service pages: the power level and the
// current frequency read from the device, the start and stop button, and
// the watch that returns the button to its start state once the test ends.
//
// While the test is busy the tab stays selected, the commands that use the
// link refuse (TransferRunning), the browser's scan and service toggle are
// disabled, and leaving the service pages or closing the window ends the
// test first. No exchange starts while another waits for its answer: what
// is asked for meanwhile follows that answer.
#include "link/Mop.h"
#include "link/window/RegisterCommands.h"
#include "pages/KeyingLogic.h"
#include "pages/window/Sendertastung.h"
#include "platform/Text.h"
#include "platform/Timer.h"
#include "platform/window/Dialogs.h"
#include "platform/window/RadioGroup.h"
#include "shell/window/Form1.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <array>
#include <functional>

namespace {

const char* const StartCaption = "Sendertastung Start";
const char* const EndCaption = "Sendertastung ENDE!";
constexpr int LinkRetryMs = 20;
constexpr int IdleRetryMs = 50;

// Button4's mode: 1 starts the test, 0 ends it.
int Tag(const TForm1& f) {
    return f.ui.Button4->property("Tag").toInt();
}

void SetButtonMode(TForm1& f, int tag) {
    f.ui.Button4->setProperty("Tag", tag);
    f.ui.Button4->setText(tag == 1 ? StartCaption : EndCaption);
}

bool LinkBusy(const TForm1& f) {
    return f.Mop && f.Mop->Busy();
}

void WhenKeyingIdle(TForm1& f, const std::function<void()>& action) {
    QTimer::singleShot(IdleRetryMs, &f, [&f, action] {
        if (f.KeyingRunning())
            WhenKeyingIdle(f, action);
        else
            action();
    });
}

} // namespace

bool TForm1::KeyingRunning() const {
    return Sendertastung && !Sendertastung->IsIdle();
}

bool TForm1::EndKeyingFirst(const std::function<void()>& again) {
    if (!KeyingRunning())
        return true;
    if (Tag(*this) == 0)
        Button4Click(); // as the user's stop
    // Between two polls nothing of the test waits: its end is written now.
    if (Sendertastung->IsRunning())
        Sendertastung->Tick();
    if (!KeyingRunning()) {
        SendertastungEndeTimer();
        return true;
    }
    if (again)
        WhenKeyingIdle(*this, again);
    return false;
}

void TForm1::Button4Click() {
    if (!Sendertastung)
        return;
    // Running is the test's state, not its timer's: a stop clicked during a
    // poll is kept for the next one.
    if (KeyingRunning()) {
        Sendertastung->SetStopRequest(true);
        SetButtonMode(*this, 1);
        // Back with the start caption once the end is written.
        ui.Button4->setEnabled(false);
        return;
    }
    if (Tag(*this) == 0)
        return;
    if (LinkBusy(*this)) {
        QTimer::singleShot(LinkRetryMs, this, [this] { Button4Click(); });
        return;
    }
    Sendertastung->SetDuration(keying::Duration);
    ui.Button4->setEnabled(false);
    const bool high = ui.HighPower->isVisibleTo(ui.Sendertastung);
    Sendertastung->SetHighPower(high);
    TRadioGroup* group = high ? ui.HighPower : ui.LowPower;
    if (!Sendertastung->SetPowerLevel(static_cast<unsigned>(group->ItemIndex()))) {
        ui.Button4->setEnabled(true);
        return;
    }
    ui.newParameter->setEnabled(false);
    ui.scanreg->setEnabled(false);
    ui.service->setEnabled(false);
    SetButtonMode(*this, 0);
    KeyingPageBusy = true;
    Sendertastung->Start();
    SendertastungEnde->SetEnabled(true);
}

void TForm1::SendertastungEndeTimer() {
    if (!Sendertastung)
        return;
    if (KeyingRunning()) {
        // Keying: the button stops it. A stop waits for its end to be written.
        ui.Button4->setEnabled(Tag(*this) == 0);
        return;
    }
    SendertastungEnde->SetEnabled(false);
    SetButtonMode(*this, 1);
    ui.Button4->setEnabled(true);
    ui.newParameter->setEnabled(true);
    ui.scanreg->setEnabled(true);
    ui.service->setEnabled(true);
    KeyingPageBusy = false;
}

void TForm1::HighPowerClick() {}

void TForm1::newParameterClick() {
    if (!Sendertastung || KeyingRunning())
        return;
    ui.Button4->setEnabled(false);
    ui.newParameter->setEnabled(false);
    // Chosen while an exchange waits: read once its answer is in, if the
    // tab is still shown.
    if (LinkBusy(*this)) {
        QTimer::singleShot(LinkRetryMs, this, [this] {
            if (ui.PageControl3->isVisible() && ui.PageControl3->ActivePage() == ui.Sendertastung)
                newParameterClick();
            else
                ui.newParameter->setEnabled(true);
        });
        return;
    }
    KeyingPageBusy = true;
    ui.LowPower->setVisible(false);
    ui.HighPower->setVisible(false);
    ui.FSaktuFrequenz->clear();
    // A failed read ends here (the read told it); Start waits for a
    // successful one.
    const auto done = [this] {
        ui.newParameter->setEnabled(true);
        KeyingPageBusy = false;
    };
    bool failed = false;
    const int power = ReadRegister(keying::PowerRegister, &failed);
    if (failed)
        return done();
    // The power table, each level read once and only as far as needed.
    std::array<int, keying::HighPowerLevels> table{};
    int read = 0;
    const auto readLevels = [&](int levels) {
        for (; read < levels && !failed; ++read)
            table[read] = ReadRegister(keying::PowerTableRegister + read, &failed);
        return !failed;
    };
    int levelOf100 = -1;
    while (levelOf100 < 0 && read < keying::HighPowerLevels) {
        if (!readLevels(read + 1))
            return done();
        if (table[read - 1] == 100)
            levelOf100 = read - 1;
    }
    bool high = false;
    switch (VariantOf(levelOf100)) {
    case KeyingVariant::LowPower:
        break;
    case KeyingVariant::HighPower:
        high = true;
        break;
    case KeyingVariant::Ask:
        high = Dialogs::MessageBox("Ist die Steuerungs-HF ein HighPower Modul?",
                                   "Frage:", Dialogs::YesNo, Dialogs::Question) == Dialogs::Yes;
        break;
    }
    TRadioGroup* group = high ? ui.HighPower : ui.LowPower;
    group->setVisible(true);
    const int levels = high ? keying::HighPowerLevels : keying::LowPowerLevels;
    if (!readLevels(levels))
        return done();
    const KeyingLevel level = FindKeyingLevel(std::span(table).first(levels), power);
    if (level.nearest)
        Dialogs::ShowMessage(GetText("$T30021") + "\n" + GetText("$T30049"));
    group->SetItemIndex(level.level);
    // The frequency of the current channel; a channel outside the table has
    // none.
    const int channel = ReadRegister(keying::ChannelRegister, &failed);
    if (failed)
        return done();
    if (IsTableEntry(channel)) {
        const int number = ReadRegister(keying::ChannelNumberRegister + channel, &failed);
        if (failed)
            return done();
        const int step = ReadRegister(keying::ChannelStepRegister + channel, &failed);
        if (failed)
            return done();
        ui.FSaktuFrequenz->setText(ToQString(
            KeyingFrequencyText(static_cast<uint32_t>(number), static_cast<uint32_t>(step))));
    }
    ui.Button4->setEnabled(true);
    done();
}

void TForm1::ConnectKeying() {
    Sendertastung = std::make_unique<TSendertastung>(ui.SenderBar);
    SendertastungEnde = std::make_unique<TTimer>();
    SendertastungEnde->SetInterval(333);
    SendertastungEnde->SetOnTimer([this] { SendertastungEndeTimer(); });
    SetButtonMode(*this, 1);
    ui.SenderBar->setRange(0, keying::Duration);
    ui.SenderBar->setValue(0);
    connect(ui.Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
    connect(ui.newParameter, &QPushButton::clicked, this, [this] { newParameterClick(); });
    ui.HighPower->OnClick = [this] { HighPowerClick(); };
}
