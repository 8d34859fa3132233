// The read command: identifies the device by its type register, sets up its
// family, lets the reader thread fetch the parameter set and completes the
// set-up on the main thread when the reader is done.
#include "device/ChangeFlags.h"
#include "device/DeviceTypes.h"
#include "device/LinkFault.h"
#include "device/PowerTable.h"
#include "device/RegisterImage.h"
#include "device/RegisterMap.h"
#include "device/window/Form4.h"
#include "device/window/Stwaehlen.h"
#include "device/window/Transfers.h"
#include "files/window/Datenladen.h"
#include "link/Mop.h"
#include "link/Reader.h"
#include "link/window/RegisterCommands.h"
#include "pages/window/Pages.h"
#include "platform/Application.h"
#include "platform/Text.h"
#include "platform/Timer.h"
#include "platform/window/Dialogs.h"
#include "shell/LogFile.h"
#include "shell/window/Form1.h"
#include "shell/window/Globals.h"
#include "shell/window/Program.h"

#include <QActionGroup>
#include <QApplication>
#include <QLabel>
#include <QStatusBar>

namespace {

constexpr int progressMaximum = 571;

// Runs the family set-up of a known type code.
void SetUpFamilyOf(uint32_t type) {
    const DeviceTypeInfo info = DeviceTypeInfoOf(type);
    Form1->Has3964R = 0;
    switch (info.setup) {
    case FamilySetup::Family33:
        SetupFamily33();
        break;
    case FamilySetup::Family16:
        SetupFamily16();
        break;
    case FamilySetup::AsSet:
        DeviceFamily = info.family;
        SetupFamilyAsSet();
        break;
    case FamilySetup::None:
        break;
    }
    if (info.has3964R)
        Form1->Has3964R = 1;
}

// The way out of the read command until its reader takes over: the normal
// cursor back once the busy one was shown, and the Read button enabled.
class ReadCommandExit {
public:
    explicit ReadCommandExit(TForm1& form) : form_(form) {}
    ~ReadCommandExit() {
        if (handedOver_)
            return;
        if (busyCursor_)
            QApplication::restoreOverrideCursor();
        form_.ui.down_load->setEnabled(true);
    }
    ReadCommandExit(const ReadCommandExit&) = delete;
    ReadCommandExit& operator=(const ReadCommandExit&) = delete;

    void ShowBusyCursor() {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        busyCursor_ = true;
    }
    // The reader runs: its continuation ends the busy cursor.
    void HandOverToReader() { handedOver_ = true; }

private:
    TForm1& form_;
    bool busyCursor_ = false;
    bool handedOver_ = false;
};

// The end of a read that failed on the link: what failed, as the last line
// of the transfer window (red, then "***End***") and in the log. No answer
// keeps the read's own "Timeout Error!".
void EndReadWithLinkFault(TForm1& form) {
    const LinkFault fault = LinkFaultOf(form.Mop->LastFailure(), form.Mop->Error());
    Form4->EndWithError(fault == LinkFault::NoAnswer ? std::string("Timeout Error!")
                                                     : form.GetText(LinkFaultTextId(fault)));
    if (form.LogFile)
        form.LogFile->Write(std::string("Read failed: ") + LinkFaultLogText(fault));
}

} // namespace

void ShowCommError() {
    QApplication::restoreOverrideCursor();
    Application().ProcessMessages();
    if (Form1)
        Form1->SetTransferStatus("$T29002");
    if (Form1)
        Form1->repaint();
}

void TForm1::LockTransferCommands(bool locked) {
    if (!transferCommands_) {
        transferCommands_ = new QActionGroup(this);
        transferCommands_->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
        for (QAction* a : {ui.down_load,
                           ui.ReadDevice1,
                           ui.up_load,
                           ui.SaveatDevice1,
                           ui.ToolButton2,
                           ui.Clear1,
                           ui.openbutton,
                           ui.LoadFile1,
                           ui.savebutton,
                           ui.SaveFile1,
                           ui.SaveToStrg,
                           ui.SaveFileatDevice1,
                           ui.DateiinSteuerungladen1,
                           ui.drucken1,
                           ui.funk,
                           ui.einstellung,
                           ui.HFParameter1,
                           ui.DeviceParameter1,
                           ui.BrowserEnable,
                           ui.scanreg,
                           ui.Port1,
                           ui.Konverter,
                           ui.Sprache1->menuAction(),
                           ui.PreSets->menuAction(),
                           ui.demomenue->menuAction()})
            transferCommands_->addAction(a);
    }
    // A command shown or enabled meanwhile stays disabled until the end;
    // then each command is as it was last set, hidden ones included.
    transferCommands_->setEnabled(!locked);
    if (locked) {
        for (QWidget* pages : {ui.PageControl1, ui.PageControl2, ui.PageControl3})
            if (pages->isEnabled()) {
                pages->setEnabled(false);
                lockedPages_.push_back(pages);
            }
        return;
    }
    for (QWidget* pages : lockedPages_)
        pages->setEnabled(true);
    lockedPages_.clear();
}

void TForm1::SetTransferStatus(const std::string& id) {
    StatusPanels[5]->setText(id.empty() ? QString() : ToQString(GetText(id)));
}

void TForm1::ErrorBox(const std::string& text) {
    Dialogs::MessageBox(text, GetText("$T30021"), Dialogs::OK, Dialogs::Error);
}

void TForm1::ErrorBox(const TextWithPath& text) {
    Dialogs::MessageBox(text, GetText("$T30021"), Dialogs::OK, Dialogs::Error);
}

bool TForm1::TransferCommandAllowed() {
    if (!TransferRunning())
        return true;
    if (KeyingRunning()) {
        ErrorBox(GetText("$T47006"));
        return false;
    }
    SetTransferStatus("$T29004");
    return false;
}

void TForm1::down_loadClick() {
    if (!TransferCommandAllowed())
        return;
    // The identification exchange waits with the window answering: nothing
    // else may start or close the window meanwhile.
    const RunningCommand running(*this);
    ReadCommandExit exit(*this);
    ui.down_load->setEnabled(false);
    LeaveBrowser();
    // A port closed or lost since is opened again; without one there is
    // nothing to read.
    if (!EnsurePortOpen()) {
        SetTransferStatus("");
        ShowCommError();
        return;
    }
    // Data on the pages is replaced only when the user agrees.
    if (DeviceFamily != FamilyNone && RegisterImage[DeviceTypeCell] != 0) {
        TranslateDatenladenDialog();
        if (!datenladen1 || Dialogs::ShowModal(*datenladen1) != Dialogs::Yes) {
            SetTransferStatus("");
            return;
        }
    }
    ClearParameterSet();
    ui.PageControl1->setVisible(false);
    ui.PageControl2->setVisible(false);
    ui.einstellung->setChecked(false);
    ui.funk->setChecked(false);
    // Painted while the type read waits for its answer: nothing is painted
    // between the key and the request.
    update();
    exit.ShowBusyCursor();
    TranslateReadProgress("$T27001");
    Form4->BeginTransfer(progressMaximum, 1);
    RegisterImage[DeviceTypeCell] = 0;
    ClearStatusPanels();

    // The device tells its type; only a supported one is read.
    uint32_t type = 0;
    if (ReadRegisterQuiet(DeviceTypeRegister, type) != 0) {
        SetTransferStatus("");
        ShowCommError();
        Form4->EnableClose(true);
        EndReadWithLinkFault(*this);
        Application().ProcessMessages();
        Form4->ShowOverMain();
        Form4->FocusClose();
        return;
    }
    uint32_t index = 0;
    if (!FindDeviceType(type, index)) {
        ErrorBox(GetText("$T30013"));
        Form4->EnableClose(true);
        Form4->FocusClose();
        Application().ProcessMessages();
        return;
    }
    Form4->EnableClose(true);
    Form4->FocusClose();
    Application().ProcessMessages();
    // Read is enabled again before the transfer lock takes it away, so that
    // it comes back with the other commands once the reader is done.
    ui.down_load->setEnabled(true);
    // The family set-up loads the register map before the reader starts.
    SetUpFamilyOf(type);
    if (DeviceFamily == FamilyNone) {
        // The map could not be loaded (the message is shown): no read into
        // an unmapped family.
        SetTransferStatus("");
        return;
    }

    // The reader fetches the parameter set on its own thread; Timer1 takes
    // over on the main thread when it is done.
    TransferIdle = false;
    ReadFailed = 0;
    LockTransferCommands(true);
    Reader = std::make_unique<haupt>(*Mop, RegisterImage, ReadFailed);
    TForm4* window = Form4;
    Reader->SetOnProgress([window](int n) {
        QMetaObject::invokeMethod(
            window, [window, n] { window->StepProgress(n); }, Qt::QueuedConnection);
    });
    Reader->SetOnDone([this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!Timer1) // the window let go of its helpers meanwhile
                    return;
                Timer1->SetInterval(50);
                Timer1->SetEnabled(true);
            },
            Qt::QueuedConnection);
    });
    Reader->Start();
    exit.HandOverToReader();
    ui.Bild1->setVisible(true);
    SetTransferStatus("$T29004");
}

void TForm1::Timer1Timer() {
    const RunningCommand running(*this);
    // The reader is done: the commands and the normal cursor come back.
    Has3964R = 0;
    Timer1->SetEnabled(false);
    if (Reader)
        Reader->Wait();
    TransferIdle = true;
    LockTransferCommands(false);
    QApplication::restoreOverrideCursor();
    Application().ProcessMessages();
    SetTransferStatus(Form4->Progress() == Form4->ProgressMaximum() ? "$T29001" : "$T29002");

    // A failed read leaves nothing behind. An exchange that failed ended it
    // on the link; otherwise the readings did not agree or fit.
    Form4->EnableClose(true);
    if (ReadFailed && Mop->LastFailure() != TMop::Failure::None) {
        EndReadWithLinkFault(*this);
        Form4->ShowOverMain();
        ClearParameterSet();
        Application().ProcessMessages();
        return;
    }
    if (ReadFailed) {
        Form4->EndWithError("Read Error!");
        if (LogFile)
            LogFile->WriteVisible("RS232 Read Error!");
        Form4->ShowOverMain();
        ClearParameterSet();
        Application().ProcessMessages();
        return;
    }

    // The family is set up again for the type read, with the model-variant
    // chooser prepared for it.
    Form4->Button1Click();
    const uint32_t type = RegisterImage[DeviceTypeCell];
    PrepareModelChooser(type);
    SetUpFamilyOf(type);
    if (DeviceFamily == FamilyNone) {
        // The register map could not be loaded again: the data cannot be shown.
        ClearParameterSet();
        return;
    }
    RegisterImage[DeviceTypeCell] = type;
    RadioSettingsChanged = 0;
    // The input/output page's working copies start from the device's words,
    // so a write before the page was shown keeps them.
    ReloadIoWorkingCopies();

    if (!ChoosePowerVariant())
        return;
    UpdateStatusLine();
    FillPresetMenuForDevice();
}

void TForm1::PrepareModelChooser(uint32_t type) {
    stwaehlen->SetFormCaption(ProgramTitle);
    TranslateModelChooser();
    stwaehlen->ResetResult();
    stwaehlen->SetItemIndex(PowerChoice);
    stwaehlen->SetTextNumber(DeviceTypeInfoOf(type).chooserList);
}

bool TForm1::ChoosePowerVariant() {
    // Where the power table holds 100 tells the radio's power variant: at its
    // 4th entry a low-power radio, at its 16th a high-power one. Otherwise
    // the user chooses; without a choice the data is dropped.
    const uint32_t k =
        FindNearestIndex(RegisterMap.tab_anf_sendeleistung, RegisterMap.tab_end_sendeleistung, 100);
    if (k == 3) {
        LowPowerModule = 1;
    } else if (k == 15) {
        LowPowerModule = 0;
    } else if (Dialogs::ShowModal(*stwaehlen) == Dialogs::Ok) {
        LowPowerModule = stwaehlen->IsLowPower() ? 1 : 0;
    } else {
        ClearParameterSet();
        return false;
    }
    PowerChoice = stwaehlen->ItemIndex();
    return true;
}
