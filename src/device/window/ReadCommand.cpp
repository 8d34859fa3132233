// The read command: identifies the device by its type register, sets up its
// family, lets the reader thread fetch the parameter set and completes the
// set-up on the main thread when the reader is done.
#include "device/ChangeFlags.h"
#include "device/DeviceTypes.h"
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
#include "platform/Application.h"
#include "platform/Text.h"
#include "platform/Timer.h"
#include "platform/window/Dialogs.h"
#include "platform/window/ProgressBar.h"
#include "shell/LogFile.h"
#include "shell/window/Form1.h"
#include "shell/window/Globals.h"
#include "shell/window/Program.h"

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
    if (locked) {
        lockedCommands_.clear();
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
                           ui.demomenue->menuAction()}) {
            lockedCommands_.emplace_back(a, a->isEnabled());
            a->setEnabled(false);
        }
        for (QWidget* pages : {ui.PageControl1, ui.PageControl2, ui.PageControl3})
            pages->setEnabled(false);
        return;
    }
    for (auto& [action, wasEnabled] : lockedCommands_)
        action->setEnabled(wasEnabled);
    lockedCommands_.clear();
    for (QWidget* pages : {ui.PageControl1, ui.PageControl2, ui.PageControl3})
        pages->setEnabled(true);
}

void TForm1::SetTransferStatus(const std::string& id) {
    StatusPanels[5]->setText(id.empty() ? QString() : ToQString(GetText(id)));
}

void TForm1::ErrorBox(const std::string& text) {
    Dialogs::MessageBox(text, GetText("$T30021"), Dialogs::OK, Dialogs::Error);
}

bool TForm1::TransferCommandAllowed() {
    if (!TransferRunning())
        return true;
    SetTransferStatus("$T29004");
    return false;
}

void TForm1::down_loadClick() {
    if (!TransferCommandAllowed())
        return;
    // The identification exchange waits with the window answering: nothing
    // else may start or close the window meanwhile.
    const RunningCommand running(*this);
    // 1
    ui.down_load->setEnabled(false);
    LeaveBrowser();
    // 2
    if (DeviceFamily != 0 && RegisterImage[DeviceTypeCell] != 0) {
        TranslateDatenladenDialog();
        if (!datenladen1 || Dialogs::ShowModal(*datenladen1) != Dialogs::Yes) {
            SetTransferStatus("");
            ui.down_load->setEnabled(true);
            return;
        }
    }
    // 3
    ClearParameterSet();
    ui.PageControl1->setVisible(false);
    ui.PageControl2->setVisible(false);
    ui.einstellung->setChecked(false);
    ui.funk->setChecked(false);
    update();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Application().ProcessMessages();
    // 4
    TProgressBar* bar = Form4->ui.ProgressBar1;
    TranslateReadProgress("$T27001");
    Form4->BeginTransfer(progressMaximum, 1);
    // 5
    RegisterImage[DeviceTypeCell] = 0;
    ClearStatusPanels();
    // 6
    uint32_t type = 0;
    const int failed = ReadRegisterQuiet(906, type);
    // 7
    if (failed) {
        SetTransferStatus("");
        ShowCommError();
        Form4->ui.Button1->setEnabled(true);
        if (Mop->Status() == TMop::StatusTimeout) {
            Form4->EndWithError("Timeout Error!");
            Application().ProcessMessages();
        }
        Form4->ShowOverMain();
        QApplication::restoreOverrideCursor();
        Form4->ui.Button1->setFocus();
        ui.down_load->setEnabled(true);
        return;
    }
    // 8
    uint32_t index = 0;
    if (!FindDeviceType(type, index)) {
        ErrorBox(GetText("$T30013"));
        QApplication::restoreOverrideCursor();
        Form4->ui.Button1->setEnabled(true);
        Form4->ui.Button1->setFocus();
        Application().ProcessMessages();
        ui.down_load->setEnabled(true);
        return;
    }
    // 9: down_load comes back with the other commands once the reader is done.
    Form4->ui.Button1->setEnabled(true);
    Form4->ui.Button1->setFocus();
    Application().ProcessMessages();
    ui.down_load->setEnabled(true);
    // 10: the set-up loads the register map before the reader starts.
    SetUpFamilyOf(type);
    if (DeviceFamily == 0) {
        // The map could not be loaded (the message is shown): no read into
        // an unmapped family.
        QApplication::restoreOverrideCursor();
        SetTransferStatus("");
        ui.down_load->setEnabled(true);
        return;
    }
    // 11
    TransferIdle = false;
    ReadFailed = 0;
    LockTransferCommands(true);
    Reader = std::make_unique<haupt>(*Mop, MappedRegisters, RegisterImage, ReadFailed);
    Reader->SetOnProgress([bar](int n) {
        QMetaObject::invokeMethod(
            bar, [bar, n] { bar->StepBy(n); }, Qt::QueuedConnection);
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
    // 12
    ui.Bild1->setVisible(true);
    SetTransferStatus("$T29004");
}

void TForm1::Timer1Timer() {
    const RunningCommand running(*this);
    // 1
    Has3964R = 0;
    Timer1->SetEnabled(false);
    if (Reader)
        Reader->Wait();
    TransferIdle = true;
    LockTransferCommands(false);
    QApplication::restoreOverrideCursor();
    Application().ProcessMessages();
    // 2
    TProgressBar* bar = Form4->ui.ProgressBar1;
    SetTransferStatus(bar->Position() == bar->maximum() ? "$T29001" : "$T29002");
    // 3
    if (Mop->Status() == TMop::StatusTimeout) {
        Form4->ui.Button1->setEnabled(true);
        Form4->EndWithError("Timeout Error!");
        Form4->ShowOverMain();
        ClearParameterSet();
        Application().ProcessMessages();
        return;
    }
    // 4
    Form4->ui.Button1->setEnabled(true);
    if (ReadFailed) {
        Form4->EndWithError("Read Error!");
        if (LogFile)
            LogFile->WriteVisible("RS232 Read Error!");
        Form4->ShowOverMain();
        ClearParameterSet();
        Application().ProcessMessages();
        return;
    }
    // 5
    Form4->Button1Click();
    const uint32_t type = RegisterImage[DeviceTypeCell];
    stwaehlen->SetFormCaption(ProgramTitle);
    TranslateModelChooser();
    stwaehlen->ResetResult();
    stwaehlen->SetItemIndex(PowerChoice);
    // 6
    stwaehlen->SetTextNumber(DeviceTypeInfoOf(type).chooserList);
    SetUpFamilyOf(type);
    if (DeviceFamily == 0) {
        // The register map could not be loaded again: the data cannot be shown.
        ClearParameterSet();
        return;
    }
    // 7
    RegisterImage[DeviceTypeCell] = type;
    RadioSettingsChanged = 0;
    // The impulse page's working copy starts from the device's word, so a
    // write before the page was shown keeps it.
    if (IsImageIndex(RegisterMap.konf_impulsausgabe))
        ImpulseWord = RegisterImage[RegisterMap.konf_impulsausgabe];
    // 8
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
        return;
    }
    // 9
    UpdateStatusLine();
    PowerChoice = stwaehlen->ItemIndex();
    FillPresetMenuForDevice();
}
