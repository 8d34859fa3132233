// Loading a parameter file straight into the device: a customer file (in the
// service mode also a register text file) is checked as a whole, bound to
// the connected device when its header says so, and written register by
// register and in runs, with progress and a log in the transfer window. The
// register image is the block writes' buffer and is left empty.
#include "device/ChangeFlags.h"
#include "device/RegisterImage.h"
#include "device/window/Form4.h"
#include "device/window/Transfers.h"
#include "files/DeviceLoad.h"
#include "files/FileNames.h"
#include "files/KundenFile.h"
#include "files/window/Datenladen.h"
#include "files/window/FileCommands.h"
#include "link/Mop.h"
#include "link/window/RegisterCommands.h"
#include "platform/Application.h"
#include "platform/StringList.h"
#include "platform/Text.h"
#include "platform/window/Dialogs.h"
#include "shell/LogFile.h"
#include "shell/Sprache.h"
#include "shell/window/Form1.h"
#include "shell/window/Globals.h"
#include "shell/window/Program.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <filesystem>

namespace {

constexpr uint32_t serialRegister = 908;
constexpr int silentBlock = 1000;
constexpr int progressIntervalMs = 100;

// The device gave no answer at all (or the port is gone), as opposed to an
// answer that did not confirm the value.
bool ExchangeFailed(const TForm1& f) {
    return !f.Mop || f.Mop->LastFailure() != TMop::Failure::None;
}

void PauseAnswering(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The device read for the binding checks did not answer.
void ReportSilentDevice(TForm1& f) {
    f.ErrorBox(f.GetText("$T30028"));
    f.SetTransferStatus("");
    ShowCommError();
}

// False when the customer file is bound to another device (or the device
// cannot tell); the user was told and nothing was written.
bool BindingFits(TForm1& f, const TKundenFile& file) {
    uint32_t value = 0;
    if (file.Serial >= 0) {
        if (ReadRegisterQuiet(serialRegister, value) != 0) {
            ReportSilentDevice(f);
            return false;
        }
        if (value != static_cast<uint32_t>(file.Serial)) {
            Dialogs::ShowMessage(f.Sprache->GetText2Args("$T30036", std::to_string(file.Serial),
                                                         std::to_string(value)));
            f.SetTransferStatus("$T29008");
            return false;
        }
    }
    if (file.ControllerType >= 0) {
        if (ReadRegisterQuiet(DeviceTypeRegister, value) != 0) {
            ReportSilentDevice(f);
            return false;
        }
        if (value != static_cast<uint32_t>(file.ControllerType)) {
            Dialogs::ShowMessage(f.Sprache->GetText2Args(
                "$T30037", DeviceTypeName(static_cast<uint32_t>(file.ControllerType)),
                DeviceTypeName(value)));
            f.SetTransferStatus("$T29008");
            return false;
        }
    }
    return true;
}

void PrepareTransferWindow(TForm1& f, std::size_t lines) {
    f.TranslateWriteProgress("");
    Form4->SetLabel2Caption("");
    Form4->BeginTransfer(static_cast<int>(lines), 1);
}

// The end of every transfer: the status, the last lines of the log and the
// close button back.
void FinishTransfer(TForm1& f, bool ok, bool silent) {
    if (ok) {
        f.SetTransferStatus("$T29010");
        Form4->SetProgress(Form4->ProgressMaximum());
    } else {
        f.SetTransferStatus("$T29012");
    }
    if (silent)
        Form4->EndWithError("Timeout Error!");
    else
        Form4->AddLine("***End***");
    Form4->EnableClose(true);
    Form4->FocusClose();
}

// A file that does not pass the check as a whole: nothing is sent. The
// syntax check has shown and logged its own faults.
void ReportFileError(TForm1& f, const LoadLines& loaded, const TStringList& lines,
                     bool syntaxFault) {
    if (loaded.fault == LineFault::WrongKind)
        Dialogs::ShowMessage(f.GetText("$T30008"));
    else if (!syntaxFault && f.LogFile)
        f.LogFile->WriteVisible("Invalid register in line " + std::to_string(loaded.line + 1) +
                                ": " + lines[loaded.line]);
    PrepareTransferWindow(f, lines.Count());
    Form4->AddLine("File Error!");
    FinishTransfer(f, false, false);
}

struct LoadResult {
    int unconfirmed = 0; // data registers the device did not confirm
    bool silent = false; // a write got no answer: the rest was not sent
    bool locked = false; // the device took the relock
};

class LoadRun {
public:
    explicit LoadRun(TForm1& form) : form_(form) {}

    // Unlocks first when asked to, then runs every step up to the first one
    // the device does not answer; the relock always runs.
    LoadResult Run(const std::vector<LoadStep>& steps, bool unlock) {
        if (unlock && !UnlockDevice())
            result_.silent = true;
        // The bar repaints at once whenever it moves: it follows the lines
        // that went out at most every 100 ms and ends where the load stopped.
        QElapsedTimer sinceProgress;
        sinceProgress.start();
        std::size_t reached = 0;
        for (const LoadStep& step : steps) {
            if (step.kind == LoadStepKind::Relock) {
                result_.locked = RelockDevice();
                continue;
            }
            if (result_.silent)
                continue;
            Do(step);
            if (result_.silent)
                continue;
            reached = step.line;
            if (sinceProgress.hasExpired(progressIntervalMs)) {
                Form4->SetProgress(static_cast<int>(reached));
                sinceProgress.restart();
            }
        }
        Form4->SetProgress(static_cast<int>(reached));
        return result_;
    }

private:
    void Do(const LoadStep& step) {
        switch (step.kind) {
        case LoadStepKind::Write:
            // The unlock register reads back what the device makes of it:
            // only an answer counts there.
            if (WriteRegisterChecked(step.reg, static_cast<int>(step.values.front())) != 0) {
                if (ExchangeFailed(form_))
                    Silent(step);
                else if (step.reg != UnlockRegister)
                    Unconfirmed(step, step.reg);
            }
            break;
        case LoadStepKind::Block: {
            // The run travels in the first cells of the image, which bring
            // back the registers that differ.
            const int count = static_cast<int>(step.values.size());
            for (int i = 0; i < count; ++i)
                RegisterImage[static_cast<size_t>(i)] = step.values[static_cast<size_t>(i)];
            const int differing = WriteAndVerifyRegisters(step.reg, 0, count);
            if (differing >= silentBlock) {
                Silent(step);
                break;
            }
            for (int i = 0; i < differing; ++i)
                if (RegisterImage[static_cast<size_t>(i)] != UnlockRegister)
                    Unconfirmed(step, RegisterImage[static_cast<size_t>(i)]);
            break;
        }
        case LoadStepKind::Pause:
            PauseAnswering(UnlockPauseMs);
            break;
        case LoadStepKind::Skip:
            Form4->AddLine(form_.Sprache->GetText1Arg("$T30090", std::to_string(step.line + 1)));
            break;
        case LoadStepKind::Relock:
            break; // Run's own
        }
    }

    void Unconfirmed(const LoadStep& step, uint32_t reg) {
        Form4->AddLine((step.registerMemo ? "Register: " : "Error Reg.Nr.: ") +
                       std::to_string(reg));
        ++result_.unconfirmed;
    }

    void Silent(const LoadStep& step) {
        if (step.closing)
            Form4->AddLine("Timeout!");
        result_.silent = true;
    }

    TForm1& form_;
    LoadResult result_;
};

// The device is written: the image is emptied first (its cells carry the
// runs), the commands stay locked and the busy cursor shows until the end.
void SendToDevice(TForm1& f, const std::vector<LoadStep>& steps, bool serviceFlag,
                  std::size_t lines) {
    f.ClearParameterSet();
    const TransferLock lock(f);
    PrepareTransferWindow(f, lines);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Application().ProcessMessages();
    const LoadResult result = LoadRun(f).Run(steps, serviceFlag);
    if (!result.locked) {
        // The memo turns red; "***End***" or the time-out follows.
        const std::string text = f.GetText("$T30099");
        Form4->SetLogColor(Qt::red);
        Form4->AddLine(text);
        if (f.LogFile)
            f.LogFile->WriteVisible(text);
    }
    FinishTransfer(f, result.unconfirmed == 0 && !result.silent && result.locked, result.silent);
    RegisterImage.fill(0);
    QApplication::restoreOverrideCursor();
    Application().ProcessMessages();
}

} // namespace

void TForm1::SaveToStrgClick() {
    if (!TransferCommandAllowed())
        return;
    ui.SaveToStrg->setEnabled(false);
    DateiinSteuerungladen1Click();
    ui.SaveToStrg->setEnabled(true);
}

void TForm1::DateiinSteuerungladen1Click() {
    if (!TransferCommandAllowed() || !CommitFocusedEdit())
        return;
    const RunningCommand running(*this);
    // Changes not yet written or saved are dropped only when the user agrees.
    if (RadioSettingsChanged == 1 || DeviceSettingsChanged == 1) {
        TranslateDatenladenDialog();
        if (!datenladen1 || Dialogs::ShowModal(*datenladen1) != Dialogs::Yes)
            return;
    }
    std::string name = Dialogs::OpenFileName(GetText("$T02002"), StartFolder(*this),
                                             ParameterFileFilter(), PreselectedFileFilter());
    if (name.empty())
        return;
    name = CompleteReadName(name);
    std::error_code ec;
    if (!std::filesystem::exists(name, ec)) {
        Dialogs::ShowMessage(Sprache->GetTextWithPath("$T30012", name));
        SetTransferStatus("$T29002");
        if (!ui.BrowserEnable->isChecked())
            ui.Bild1->setVisible(true);
        return;
    }
    TStringList lines;
    if (!LoadParameterFile(*this, name, lines.Lines())) {
        SetTransferStatus("$T29008");
        return;
    }
    // The header of the file being loaded, not of the data on the pages.
    TKundenFile file;
    const bool customer = FileKindOf(name) == ParameterFileKind::Customer;
    if (customer) {
        file.ReadMain(lines);
        if (file.TakeError()) {
            const std::string text = GetText("$T34001");
            Dialogs::ShowMessage(text);
            if (LogFile)
                LogFile->WriteVisible(text);
            return;
        }
    }
    // The whole file is checked before the device is touched.
    const LoadLines loaded =
        ReadLoadLines(lines.Lines(), customer ? NameForm::Bare : NameForm::Prefixed);
    if (loaded.fault == LineFault::None && loaded.lines.empty()) {
        Dialogs::ShowMessage(GetText("$T30038"));
        SetTransferStatus("$T29008");
        return;
    }
    const bool syntaxFault = CheckParameterLines(lines);
    if (syntaxFault || loaded.fault != LineFault::None) {
        ReportFileError(*this, loaded, lines, syntaxFault);
        return;
    }
    // A port lost or closed since the start is opened again first.
    if (!EnsurePortOpen())
        return;
    if (customer && !BindingFits(*this, file))
        return;
    SendToDevice(*this, PlanDeviceLoad(loaded.lines), customer && file.ServiceFlag, lines.Count());
}
