// The write command: sends the edited parameter set back into the device
// through the writer of its family, each register with read-back, the
// frequency tables behind the unlock sequence of the unlock register.
#include "device/ChangeFlags.h"
#include "device/DeviceTypes.h"
#include "device/FrequencyLimits.h"
#include "device/LinkFault.h"
#include "device/RegisterImage.h"
#include "device/RegisterMap.h"
#include "device/window/Form4.h"
#include "device/window/PendingRegisterWrite.h"
#include "device/window/Transfers.h"
#include "link/Mop.h"
#include "link/window/RegisterCommands.h"
#include "pages/window/Pages.h"
#include "platform/Application.h"
#include "platform/Text.h"
#include "platform/window/Dialogs.h"
#include "shell/LogFile.h"
#include "shell/window/Form1.h"
#include "shell/window/Program.h"

#include <QApplication>
#include <QLabel>
#include <QToolBar>

#include <optional>
#include <utility>

namespace {

constexpr int tableEntries = 128;

// Set by the write command when data of a service customer file is written:
// the device was unlocked before the family writer, whose run takes the
// relock at its end over.
bool serviceUnlocked = false;

long long RegisterOf(int index) {
    return static_cast<long long>(index) + FirstImageRegister;
}

// One run of a family writer: single writes with read-back in the device's
// order, where the first failure skips every later write, the progress in the
// transfer window, and the lock state of the device, which is always locked
// again on the way out. A relock the device does not take fails the run.
class WriterRun {
public:
    WriterRun(TForm1& form, int maximum)
        : form_(form), service_(std::exchange(serviceUnlocked, false)), unlocked_(service_) {
        form_.TranslateWriteProgress("");
        Form4->BeginTransfer(maximum, 0);
        StartWriteRecording();
    }

    ~WriterRun() { Relock(); }

    // Writes value to reg unless an earlier write failed; false on failure.
    bool Write(long long reg, uint32_t value) {
        if (!ok_)
            return false;
        // A value that does not fit a register comes back different: failed.
        if (WriteRegisterChecked(reg, static_cast<int>(value)) != 0)
            Failed();
        return ok_;
    }
    bool WriteCell(long long reg) {
        return Write(reg, ImageCell(static_cast<int>(reg - FirstImageRegister)));
    }
    bool WriteKey(int index) { return Write(RegisterOf(index), ImageCell(index)); }

    // A step of two registers taking the same value (current and power-on
    // channel or power).
    void WriteBoth(long long first, long long second, uint32_t value) {
        if (Write(first, value) && Write(second, value))
            Advance(2);
    }

    // Progress of a step that went through.
    void Advance(int registers) {
        if (ok_)
            Form4->StepProgress(registers);
    }

    // The unlock sequence; a device that does not answer it ends the run
    // (which still relocks on its way out).
    void Unlock() {
        unlocked_ = true;
        if (ok_ && !UnlockDevice())
            Failed();
    }

    // Locks the device again after an unlock. A relock the device took
    // neither time (not taken, no answer, port gone) ends the run: nothing
    // more is written to a device that may still be unlocked.
    void Relock() {
        if (!unlocked_)
            return;
        unlocked_ = false;
        if (RelockDevice()) {
            relockFailed_ = false; // a later relock (a service file's) took
            return;
        }
        if (!relockFailed_)
            ReportRelockFailure(form_);
        relockFailed_ = true;
        if (ok_)
            Failed();
    }

    // The frequency tables, when they were edited: unlock, channel count,
    // both tables as blocks, relock.
    void FrequencyTables() {
        if (!ok_)
            return;
        if (form_.FrequencyTableChanged) {
            const uint32_t m = ImageCell(RegisterMap.max_anzahl_funkkanal);
            Unlock();
            if (!WriteKey(RegisterMap.max_anzahl_funkkanal)) {
                Relock();
                return;
            }
            Form4->StepProgress(1);
            // A block whose exchange failed tells why at once; later
            // exchanges may go through.
            std::optional<LinkFault> blockFault;
            const auto exchangeFailed = [&blockFault] {
                if (!blockFault)
                    blockFault = LastLinkFault();
            };
            int mismatches = form_.WriteRegisterBlock(Form4, 1216, 1216 + m, exchangeFailed);
            if (mismatches == 0)
                mismatches = form_.WriteRegisterBlock(Form4, 1344, 1344 + m, exchangeFailed);
            if (mismatches != 0) {
                ok_ = false;
                fault_ = blockFault.value_or(LinkFault::WrongAnswer);
            }
            Relock();
            if (!ok_)
                return;
        }
        Form4->SetProgress(Form4->ProgressMaximum());
    }

    // Success and failure lines, the end of the run: decided once the
    // device is locked again, after the unlock of a service customer file
    // too.
    void Finish() {
        // A preset's registers that this writer does not send go after it.
        if (ok_ && !WritePendingPresetRegisters(fault_, relockFailed_))
            ok_ = false;
        if (service_)
            unlocked_ = true;
        Relock();
        if (ok_) {
            form_.SetTransferStatus("$T29003");
            Form4->AddLine(form_.GetText("$T29003"));
            Form4->AddLine(form_.GetText("$T30003"));
            RadioSettingsChanged = 0;
            DeviceSettingsChanged = 0;
        } else {
            Form4->AddLine(form_.GetText(LinkFaultTextId(fault_)));
            if (relockFailed_) {
                Form4->SetLogColor(Qt::red);
                Form4->AddLine(form_.GetText("$T30099"));
            }
            Form4->AddLine(form_.GetText("$T30026"));
            form_.SetTransferStatus("$T29002");
            if (form_.LogFile)
                form_.LogFile->Write(std::string("Write failed: ") + LinkFaultLogText(fault_));
        }
        Form4->AddLine("***End***");
        Form4->EnableClose(true);
        Form4->update();
        Form4->FocusClose();
    }

private:
    // What the protocol object's last exchange tells about a failed step.
    static LinkFault LastLinkFault() {
        const TMop& mop = *Form1->Mop;
        return LinkFaultOf(mop.LastFailure(), mop.Error());
    }
    void Failed() {
        ok_ = false;
        fault_ = LastLinkFault();
    }

    TForm1& form_;
    bool ok_ = true;
    LinkFault fault_ = LinkFault::NoAnswer; // why ok_ went false
    const bool service_;                    // unlocked by the write command for the whole run
    bool unlocked_;                         // a relock is due
    bool relockFailed_ = false;             // a relock was taken neither time
};

bool AnyChange() {
    return RadioSettingsChanged || DeviceSettingsChanged;
}

// Ends a refused write: the button comes back.
void EnableUpload(TForm1& form) {
    form.ui.up_load->setEnabled(true);
    form.ui.up_load->setChecked(false);
}

void RefuseWithCommError(TForm1& form) {
    form.SetTransferStatus("");
    ShowCommError();
    EnableUpload(form);
}

} // namespace

void ReportRelockFailure(TForm1& form) {
    if (form.LogFile)
        form.LogFile->WriteVisible("Register " + std::to_string(UnlockRegister) +
                                   ": relock failed");
    form.ErrorBox(form.GetText("$T30052"));
}

void WriteSpecialRegisters33() {
    if (!Form1 || !AnyChange())
        return;
    TForm1& f = *Form1;
    const TRegisterMap& m = RegisterMap;
    WriterRun run(f, 313);
    run.WriteBoth(910, 911, ImageCell(m.aktu_funkkanal));
    if (run.Write(916, ImageCell(m.defstationsadresse)) &&
        run.Write(917, ImageCell(m.g_betriebsart)))
        run.Advance(2);
    // Register 918 exists from firmware 5.30 on; it does not count as progress.
    if (f.FirmwareHundredths >= 530)
        run.WriteCell(918);
    run.WriteBoth(912, 913, ImageCell(m.aktu_sendeleistung));
    if (run.Write(944, ImageCell(m.aktiv_zeit)) && run.Write(934, ImageCell(m.protokoll_com0)))
        run.Advance(2);
    // The interface format and the 3964R delays.
    if (run.WriteKey(m.konf_com0) && run.WriteCell(933) && run.WriteCell(932))
        run.Advance(3);
    run.FrequencyTables();
    // The 3964R time-out of a type-0x70 device.
    if (f.Has3964R && run.WriteCell(936))
        run.Advance(1);
    run.Finish();
}

void WriteSpecialRegisters16() {
    if (!Form1 || !(AnyChange() || InputDelaysChanged))
        return;
    TForm1& f = *Form1;
    const TRegisterMap& m = RegisterMap;
    WriterRun run(f, 316);
    run.WriteBoth(910, 911, ImageCell(m.aktu_funkkanal));
    run.WriteBoth(912, 913, ImageCell(m.aktu_sendeleistung));
    if (run.Write(944, ImageCell(m.aktiv_zeit)) && run.WriteKey(m.offset))
        run.Advance(2);
    // The impulse word's switches and the input delays come from the
    // input/output page's working copies.
    if (run.WriteKey(m.gain)) {
        MergeIoWorkingCopies();
        if (run.WriteKey(m.konf_impulsausgabe))
            run.Advance(2);
    }
    if (run.WriteKey(m.abtastrate) && run.WriteKey(m.konf_int_eing))
        run.Advance(2);
    if (run.WriteCell(917) && run.Write(916, ImageCell(m.defstationsadresse)))
        run.Advance(2);
    if (run.WriteKey(m.benachbarte_zaehler) && run.WriteKey(m.t_time))
        run.Advance(2);
    // The interface protocol is protected.
    if (run.WriteKey(m.x_time) && run.WriteKey(m.konf_com0)) {
        run.Unlock();
        const bool written = run.WriteKey(m.protokoll_com0);
        run.Relock();
        if (written)
            run.Advance(3);
    }
    run.FrequencyTables();
    // The input power-on delays, when edited.
    if (InputDelaysChanged) {
        for (int i = 0; i < 16 && run.Write(1070 + i, static_cast<uint32_t>(InputDelayValues[i]));
             ++i) {
        }
    }
    run.Finish();
}

void WriteSpecialRegisters() {
    if (!Form1 || !AnyChange())
        return;
    TForm1& f = *Form1;
    const TRegisterMap& m = RegisterMap;
    WriterRun run(f, 317);
    run.WriteBoth(910, 911, ImageCell(m.aktu_funkkanal));
    // The HNQ-130's radio address follows; the HNQ-120 has none (its map
    // names none, and index 0 would be register 900).
    const bool radioAddress = DeviceFamily == FamilyHNQ130 && m.deffunkadresse != 0;
    if (run.Write(916, ImageCell(m.defstationsadresse)) && run.WriteCell(918) &&
        (!radioAddress || run.WriteKey(m.deffunkadresse)))
        run.Advance(radioAddress ? 3 : 2);
    run.WriteBoth(912, 913, ImageCell(m.aktu_sendeleistung));
    // The protocol register only where the family's map names one (HNQ-130);
    // index 0 would be register 900.
    const bool protocol = m.protokoll_com0 != 0;
    if (run.Write(944, ImageCell(m.aktiv_zeit)) && (!protocol || run.WriteKey(m.protokoll_com0)))
        run.Advance(protocol ? 2 : 1);
    if (DeviceFamily == FamilyHNQ130 && run.WriteKey(m.konf_com0))
        run.Advance(1);
    for (const auto& [a, b] : {std::pair{915, 958}, {959, 960}, {961, 962}, {963, 964}})
        if (run.WriteCell(a) && run.WriteCell(b))
            run.Advance(2);
    run.FrequencyTables();
    run.Finish();
}

void WriteSpecialRegisters113() {
    if (!Form1 || !AnyChange())
        return;
    TForm1& f = *Form1;
    const TRegisterMap& m = RegisterMap;
    WriterRun run(f, 306);
    run.WriteBoth(910, 911, ImageCell(m.aktu_funkkanal));
    run.WriteBoth(912, 913, ImageCell(m.aktu_sendeleistung));
    if (run.Write(917, ImageCell(m.g_betriebsart)) && run.WriteCell(935) && run.WriteCell(936))
        run.Advance(3);
    run.FrequencyTables();
    run.Finish();
}

void TForm1::up_loadClick() {
    if (!TransferCommandAllowed() || !CommitFocusedEdit())
        return;
    const RunningCommand running(*this);
    ui.up_load->setEnabled(false);
    LeaveBrowser();
    // Only read or opened data that was changed is written, and only within
    // the table and the device's frequency limits.
    if (ImageCell(RegisterMap.geraete_id) == 0 || !(AnyChange() || InputDelaysChanged)) {
        ErrorBox(GetText("$T30022"));
        RefuseWithCommError(*this);
        return;
    }
    // A channel count past the table would write foreign registers.
    if (ImageCell(RegisterMap.max_anzahl_funkkanal) >= tableEntries) {
        ErrorBox(GetText("$T30051"));
        RefuseWithCommError(*this);
        return;
    }
    if (CheckFrequencyLimits(RegisterImage, RegisterMap)) {
        Dialogs::ShowMessage(GetText("$T30021") + "\n" + GetText("$T30042") + "\n" +
                             GetText("$T30043"));
        RefuseWithCommError(*this);
        return;
    }
    // A port closed or lost since is opened again; without one nothing is
    // asked or written.
    if (!EnsurePortOpen()) {
        RefuseWithCommError(*this);
        return;
    }
    if (Dialogs::MessageBox(GetText("$T30027"), GetText("$T30021"), Dialogs::YesNoCancel,
                            Dialogs::Error) != Dialogs::Yes) {
        ui.up_load->setEnabled(true);
        return;
    }
    // From here the write owns the link: nothing else may start meanwhile.
    // The button is back (enabled, released) on every way out once the
    // commands return.
    ui.up_load->setEnabled(true);
    ui.up_load->setChecked(false);
    TransferIdle = false;
    LockTransferCommands(true);
    struct Unlocked {
        TForm1& form;
        ~Unlocked() {
            form.LockTransferCommands(false);
            form.TransferIdle = true;
        }
    } idleAgain{*this};
    // The device connected must be of the type the data belongs to.
    uint32_t type = 0;
    if (ReadRegisterQuiet(DeviceTypeRegister, type) != 0) {
        if (LogFile)
            LogFile->Write(std::string("Write failed: ") +
                           LinkFaultLogText(LinkFaultOf(Mop->LastFailure(), Mop->Error())));
        ErrorBox(GetText("$T30028"));
        SetTransferStatus("");
        ShowCommError();
        return;
    }
    if (type != ImageCell(RegisterMap.geraete_id)) {
        ErrorBox(GetText("$T30029"));
        return;
    }
    // A customer file with the service flag writes protected registers; the
    // family writer's run relocks at its end and counts that relock in.
    const bool serviceFile = LoadedFromCustomerFile && CustomerFileServiceFlag;
    if (serviceFile)
        UnlockDevice();
    serviceUnlocked = serviceFile;
    switch (DeviceFamily) {
    case FamilyWBS420:
        WriteSpecialRegisters16();
        break;
    case FamilyKVL420:
        WriteSpecialRegisters33();
        break;
    case FamilyHNQ130:
    case FamilyHNQ120:
        WriteSpecialRegisters();
        break;
    case FamilyDZF420:
        WriteSpecialRegisters113();
        break;
    default:
        break;
    }
    // No writer ran (a family without one, or nothing for its writer to
    // write): the device is locked again here.
    if (std::exchange(serviceUnlocked, false) && !RelockDevice()) {
        ReportRelockFailure(*this);
        SetTransferStatus("$T29002");
    }
}
