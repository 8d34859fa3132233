// The write command: sends the edited parameter set back into the device
// through the writer of its family, each register with read-back, the
// frequency tables behind the unlock sequence of register 999.
#include "device/ChangeFlags.h"
#include "device/FrequencyLimits.h"
#include "device/RegisterImage.h"
#include "device/RegisterMap.h"
#include "device/window/Form4.h"
#include "device/window/Transfers.h"
#include "link/Mop.h"
#include "link/window/RegisterCommands.h"
#include "platform/Application.h"
#include "platform/Text.h"
#include "platform/window/Dialogs.h"
#include "platform/window/ProgressBar.h"
#include "shell/LogFile.h"
#include "shell/window/Form1.h"
#include "shell/window/Program.h"

#include <QApplication>
#include <QLabel>
#include <QToolBar>

namespace {

constexpr int tableEntries = 128;

long long RegisterOf(int index) {
    return static_cast<long long>(index) + FirstImageRegister;
}

void ReportRelockFailure(TForm1& form) {
    if (form.LogFile)
        form.LogFile->WriteVisible("Register 999: relock failed");
    form.ErrorBox(form.GetText("$T30052"));
}

// One run of a family writer: single writes with read-back that stop at the
// first failure, the progress in the transfer window, and the lock state of
// the device, which is always locked again on the way out.
class WriterRun {
public:
    WriterRun(TForm1& form, int maximum) : form_(form), bar_(Form4->ui.ProgressBar1) {
        form_.TranslateWriteProgress("");
        Form4->BeginTransfer(maximum, 0);
    }

    ~WriterRun() { Relock(); }

    // Writes value to reg unless an earlier write failed; false on failure.
    bool Write(long long reg, uint32_t value) {
        if (!ok_)
            return false;
        // A value that does not fit a register comes back different: failed.
        if (WriteRegisterChecked(reg, static_cast<int>(value)) != 0)
            ok_ = false;
        return ok_;
    }
    bool WriteCell(long long reg) { return Write(reg, ImageCell(static_cast<int>(reg - 900))); }
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
            bar_->StepBy(registers);
    }

    void Unlock() {
        UnlockDevice();
        unlocked_ = true;
    }

    // Locks the device again after an unlock; a relock that fails is shown.
    void Relock() {
        if (!unlocked_)
            return;
        unlocked_ = false;
        if (!RelockDevice())
            ReportRelockFailure(form_);
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
            bar_->StepBy(1);
            int mismatches = form_.WriteRegisterBlock(Form4->ui.Memo1, bar_, 1216, 1216 + m);
            if (mismatches == 0)
                mismatches = form_.WriteRegisterBlock(Form4->ui.Memo1, bar_, 1344, 1344 + m);
            if (mismatches != 0)
                ok_ = false;
            Relock();
            if (!ok_)
                return;
        }
        bar_->SetPosition(bar_->maximum());
    }

    // Success and failure lines, the end of the run.
    void Finish() {
        if (ok_) {
            form_.SetTransferStatus("$T29003");
            Form4->AddLine(form_.GetText("$T29003"));
            Form4->AddLine(form_.GetText("$T30003"));
            RadioSettingsChanged = 0;
            DeviceSettingsChanged = 0;
        } else {
            Form4->AddLine(form_.GetText("$T30026"));
        }
        Form4->AddLine("***End***");
        Form4->ui.Button1->setEnabled(true);
        Form4->update();
        Form4->ui.Button1->setFocus();
    }

private:
    TForm1& form_;
    TProgressBar* bar_;
    bool ok_ = true;
    bool unlocked_ = false;
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

void WriteSpecialRegisters33() {
    if (!Form1 || !AnyChange())
        return;
    TForm1& f = *Form1;
    const TRegisterMap& m = RegisterMap;
    WriterRun run(f, 313);
    // 1
    run.WriteBoth(910, 911, ImageCell(m.aktu_funkkanal));
    // 2
    if (run.Write(916, ImageCell(m.defstationsadresse)) &&
        run.Write(917, ImageCell(m.g_betriebsart)))
        run.Advance(2);
    // 3
    if (f.FirmwareHundredths >= 530)
        run.WriteCell(918);
    run.WriteBoth(912, 913, ImageCell(m.aktu_sendeleistung));
    // 4
    if (run.Write(944, ImageCell(m.aktiv_zeit)) && run.Write(934, ImageCell(m.protokoll_com0)))
        run.Advance(2);
    // 5
    if (run.WriteKey(m.konf_com0) && run.WriteCell(933) && run.WriteCell(932))
        run.Advance(3);
    // 6
    run.FrequencyTables();
    // 7
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
    // 1
    run.WriteBoth(910, 911, ImageCell(m.aktu_funkkanal));
    // 2
    run.WriteBoth(912, 913, ImageCell(m.aktu_sendeleistung));
    // 3
    if (run.Write(944, ImageCell(m.aktiv_zeit)) && run.WriteKey(m.offset))
        run.Advance(2);
    // 4: the impulse word's low byte comes from the input/output page.
    if (run.WriteKey(m.gain)) {
        SetImageCell(m.konf_impulsausgabe,
                     (ImageCell(m.konf_impulsausgabe) & 0xFF00) | (f.ImpulseWord & 0xFF));
        if (run.WriteKey(m.konf_impulsausgabe))
            run.Advance(2);
    }
    // 5
    if (run.WriteKey(m.abtastrate) && run.WriteKey(m.konf_int_eing))
        run.Advance(2);
    // 6
    if (run.WriteCell(917) && run.Write(916, ImageCell(m.defstationsadresse)))
        run.Advance(2);
    // 7
    if (run.WriteKey(m.benachbarte_zaehler) && run.WriteKey(m.t_time))
        run.Advance(2);
    // 8: the interface protocol is protected.
    if (run.WriteKey(m.x_time) && run.WriteKey(m.konf_com0)) {
        run.Unlock();
        const bool written = run.WriteKey(m.protokoll_com0);
        run.Relock();
        if (written)
            run.Advance(3);
    }
    // 9
    run.FrequencyTables();
    // 10
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
    // 1
    run.WriteBoth(910, 911, ImageCell(m.aktu_funkkanal));
    // 2
    if (run.Write(916, ImageCell(m.defstationsadresse)) && run.WriteCell(918))
        run.Advance(2);
    // 3
    run.WriteBoth(912, 913, ImageCell(m.aktu_sendeleistung));
    // 4
    // The protocol register only where the family's map names one (HNQ-130);
    // index 0 would be register 900.
    const bool protocol = m.protokoll_com0 != 0;
    if (run.Write(944, ImageCell(m.aktiv_zeit)) && (!protocol || run.WriteKey(m.protokoll_com0)))
        run.Advance(protocol ? 2 : 1);
    // 5
    if (DeviceFamily == 0xD0 && run.WriteKey(m.konf_com0))
        run.Advance(1);
    // 6 to 9
    for (const auto& [a, b] : {std::pair{915, 958}, {959, 960}, {961, 962}, {963, 964}})
        if (run.WriteCell(a) && run.WriteCell(b))
            run.Advance(2);
    // 10
    run.FrequencyTables();
    run.Finish();
}

void WriteSpecialRegisters113() {
    if (!Form1 || !AnyChange())
        return;
    TForm1& f = *Form1;
    const TRegisterMap& m = RegisterMap;
    WriterRun run(f, 306);
    // 1
    run.WriteBoth(910, 911, ImageCell(m.aktu_funkkanal));
    // 2
    run.WriteBoth(912, 913, ImageCell(m.aktu_sendeleistung));
    // 3
    if (run.Write(917, ImageCell(m.g_betriebsart)) && run.WriteCell(935) && run.WriteCell(936))
        run.Advance(3);
    // 4
    run.FrequencyTables();
    run.Finish();
}

void TForm1::up_loadClick() {
    if (!TransferCommandAllowed())
        return;
    const RunningCommand running(*this);
    // 1
    ui.up_load->setEnabled(false);
    ui.ToolBar1->setFocus();
    LeaveBrowser();
    // 2
    if (ImageCell(RegisterMap.geraete_id) == 0 || !(AnyChange() || InputDelaysChanged)) {
        ErrorBox(GetText("$T30022"));
        RefuseWithCommError(*this);
        return;
    }
    // 3: a channel count past the table would write foreign registers.
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
    // 4
    if (Dialogs::MessageBox(GetText("$T30027"), GetText("$T30021"), Dialogs::YesNoCancel,
                            Dialogs::Error) != Dialogs::Yes) {
        ui.up_load->setEnabled(true);
        return;
    }
    // 5 to 9 own the link: nothing else may start meanwhile. The button is
    // back (enabled, released) on every way out once the commands return.
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
    // 5
    uint32_t type = 0;
    if (ReadRegisterQuiet(906, type) != 0) {
        ErrorBox(GetText("$T30028"));
        SetTransferStatus("");
        ShowCommError();
        return;
    }
    // 6
    if (type != ImageCell(RegisterMap.geraete_id)) {
        ErrorBox(GetText("$T30029"));
        return;
    }
    // 7
    const bool serviceFile = LoadedFromCustomerFile && CustomerFileServiceFlag;
    if (serviceFile)
        UnlockDevice();
    // 8
    switch (DeviceFamily) {
    case 0x10:
        WriteSpecialRegisters16();
        break;
    case 0x21:
        WriteSpecialRegisters33();
        break;
    case 0xD0:
    case 0x30:
        WriteSpecialRegisters();
        break;
    case 0x71:
        WriteSpecialRegisters113();
        break;
    default:
        break;
    }
    // 9
    if (serviceFile) {
        const bool first = RelockDevice();
        const bool second = RelockDevice();
        if (!first && !second)
            ReportRelockFailure(*this);
    }
    // 10: up_load comes back with the other commands.
}
