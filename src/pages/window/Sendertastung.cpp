#include "pages/window/Sendertastung.h"

#include "link/Mop.h"
#include "link/ParameterSet.h"
#include "link/window/RegisterCommands.h"
#include "pages/KeyingLogic.h"
#include "platform/Timer.h"
#include "platform/window/Dialogs.h"
#include "shell/LogFile.h"
#include "shell/Sprache.h"
#include "shell/window/Form1.h"

#include <QProgressBar>

#include <algorithm>
#include <string>

namespace {

bool Write(int reg, int value) {
    return WriteRegisterChecked(reg, value) == 0;
}

// Quiet: what failed is told once the device is put back.
bool Read(int reg, int& value) {
    uint32_t v = 0;
    if (ReadRegisterQuiet(reg, v) != 0)
        return false;
    value = static_cast<int>(v);
    return true;
}

// The saved power back in register 912, with a second try as the relock.
bool RestorePower(int power) {
    return WriteRegisterWithSecondTry(keying::PowerRegister, power);
}

std::string Text(const std::string& id, int arg) {
    return Form1->Sprache->GetText1Arg(id, std::to_string(arg));
}

void Tell(const std::string& text) {
    if (Form1->LogFile)
        Form1->LogFile->Write("Keying test: " + text);
    Form1->ErrorBox(text);
}

} // namespace

TSendertastung::TSendertastung(QProgressBar* bar) : timer_(std::make_unique<TTimer>()), bar_(bar) {
    timer_->SetInterval(pollMs_);
    timer_->SetOnTimer([this] { Tick(); });
}

TSendertastung::~TSendertastung() = default;

void TSendertastung::SetDuration(int duration) {
    bar_->setMaximum(duration);
}

bool TSendertastung::SetPowerLevel(unsigned index) {
    const std::optional<int> value = KeyingPowerValue(highPower_, index);
    if (!value) {
        Dialogs::ShowMessage(PowerLevelRefusal(index));
        return false;
    }
    powerValue_ = value;
    return true;
}

bool TSendertastung::IsRunning() const {
    return timer_->Enabled();
}

void TSendertastung::SetPollInterval(int ms) {
    pollMs_ = ms;
    timer_->SetInterval(ms);
}

bool TSendertastung::Start() {
    if (stopRequest_ && !IsRunning())
        stopRequest_ = false;
    if (IsRunning() || stopRequest_ || !idle_ || !powerValue_ || !Form1)
        return false;
    idle_ = false;
    int failed = 0; // the register whose exchange failed first
    const auto step = [&failed](int reg, bool done) {
        if (!done)
            failed = reg;
        return done;
    };
    bool powerWritten = false;
    bool keyingWritten = false;
    if (step(UnlockRegister, UnlockDevice()) &&
        step(keying::PowerOnPowerRegister, Read(keying::PowerOnPowerRegister, savedPower_))) {
        powerWritten = true;
        if (step(keying::PowerRegister, Write(keying::PowerRegister, *powerValue_))) {
            bar_->setValue(bar_->maximum());
            keyingWritten = true;
            if (step(keying::TimeRegister, Write(keying::TimeRegister, bar_->maximum())))
                step(UnlockRegister, RelockDevice());
        }
    }
    if (failed == 0) {
        timer_->SetEnabled(true);
        return true;
    }
    // Whatever may have reached the device goes back, and the device is
    // locked again.
    const bool keyingEnded = !keyingWritten || Write(keying::TimeRegister, 0);
    const bool powerBack = !powerWritten || RestorePower(savedPower_);
    const bool locked = RelockDevice();
    bar_->setValue(bar_->minimum());
    idle_ = true;
    std::string text = Text("$T47001", failed);
    if (!keyingEnded || !powerBack)
        text += "\n" + Text("$T47005", savedPower_);
    else if (powerWritten)
        text += "\n" + Text("$T47003", savedPower_);
    text += "\n" + Form1->GetText(locked ? "$T47004" : "$T46004");
    Tell(text);
    return false;
}

void TSendertastung::Tick() {
    timer_->SetEnabled(false);
    // An exchange that waits for its answer is not interrupted: the poll
    // follows it.
    if (Form1->Mop && Form1->Mop->Busy()) {
        timer_->SetEnabled(true);
        return;
    }
    if (stopRequest_ || bar_->value() <= bar_->minimum() + 1) {
        stopRequest_ = false;
        End(false);
        return;
    }
    int left = 0;
    if (!Read(keying::TimeRegister, left)) {
        End(true);
        return;
    }
    bar_->setValue(std::clamp(left, bar_->minimum(), bar_->maximum()));
    timer_->SetEnabled(true);
}

void TSendertastung::End(bool pollFailed) {
    bar_->setValue(bar_->minimum());
    const bool keyingEnded = Write(keying::TimeRegister, 0);
    const bool powerBack = RestorePower(savedPower_);
    idle_ = true;
    std::string text = pollFailed ? Form1->GetText("$T47002") : std::string();
    if (!keyingEnded || !powerBack)
        text += (text.empty() ? "" : "\n") + Text("$T47005", savedPower_);
    else if (pollFailed)
        text += "\n" + Text("$T47003", savedPower_);
    if (!text.empty())
        Tell(text);
}
