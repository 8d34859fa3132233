#include "link/window/RegisterCommands.h"

#include "device/RegisterImage.h"
#include "device/RegisterMap.h"
#include "device/window/Form4.h"
#include "link/Mop.h"
#include "link/PortSettings.h"
#include "link/Registers.h"
#include "platform/Application.h"
#include "platform/Text.h"
#include "platform/window/Dialogs.h"
#include "shell/LogFile.h"
#include "shell/Sprache.h"
#include "shell/window/Form1.h"
#include "shell/window/Program.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <chrono>
#include <optional>

namespace {

TMop* LinkMop() {
    return Form1 ? Form1->Mop.get() : nullptr;
}

// Waits ms while the window keeps answering.
void PumpingWait(int ms) {
    Application().ProcessMessagesUntil(
        std::chrono::steady_clock::now() + std::chrono::milliseconds(ms), [] { return false; });
}

// The connection on the port went away while no exchange ran: said once,
// unless a command runs, which tells it itself when its exchange fails.
void TellLostConnection(const std::string& portName) {
    if (!Form1 || Form1->TransferRunning())
        return;
    if (Form1->LogFile)
        Form1->LogFile->Write("Serial port " + portName + ": connection lost");
    const std::string text =
        Form1->Sprache ? Form1->Sprache->GetText1Arg("$T30081", portName) : "$T30081";
    Dialogs::MessageBox(text, Form1->GetText("$T30024"), Dialogs::OK, Dialogs::Error);
}

// The registers written while a recording runs.
std::optional<std::set<long long>> writeRecording;

void RecordWrites(long long first, long long last) {
    if (writeRecording)
        for (long long reg = first; reg <= last; ++reg)
            writeRecording->insert(reg);
}

} // namespace

bool OpenPort() {
    TMop* mop = LinkMop();
    if (!mop)
        return false;
    // Reported on the port's thread; told on the main thread.
    mop->SetOnPortLost([](const std::string& portName, bool duringExchange) {
        if (duringExchange)
            return;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [portName] { TellLostConnection(portName); },
            Qt::QueuedConnection);
    });
    mop->SetPort(PortName);
    mop->Open();
    return mop->IsOpen();
}

bool EnsurePortOpen() {
    TMop* mop = LinkMop();
    if (!mop)
        return false;
    if ((mop->IsOpen() && !mop->PortLost()) || OpenPort())
        return true;
    Dialogs::MessageBox(Form1->GetText("$T30023"), Form1->GetText("$T30024"), Dialogs::OK,
                        Dialogs::NoIcon);
    return false;
}

void ClosePort() {
    if (TMop* mop = LinkMop())
        mop->Close();
}

void ShowNoAnswerMessage() {
    Dialogs::ShowMessage("Error!\nKommunikationsfehler mit der Steuerung!!");
}

int ReadRegister(long long reg, bool* failed) {
    TMop* mop = LinkMop();
    registers::ReadOutcome outcome = registers::ReadOutcome::LinkFailed;
    const int value = mop ? registers::ReadRegister(*mop, reg, outcome) : -1;
    if (outcome == registers::ReadOutcome::LinkFailed)
        ShowNoAnswerMessage();
    else if (outcome == registers::ReadOutcome::WrongRegister)
        Dialogs::ShowMessage(
            "Error!\nWriteTimeDatenSatz:\n\t(pruefAdr & DatensatzKennungEmpfang)!!!");
    if (failed)
        *failed = outcome != registers::ReadOutcome::Ok;
    return value;
}

int ReadRegisterQuiet(long long reg, uint32_t& value) {
    TMop* mop = LinkMop();
    if (!mop) {
        value = 0;
        return 1;
    }
    return registers::ReadRegisterQuiet(*mop, reg, value);
}

int WriteRegisterChecked(long long reg, int value) {
    RecordWrites(reg, reg);
    TMop* mop = LinkMop();
    return mop ? registers::WriteRegisterChecked(*mop, reg, value) : 1;
}

int WriteAndVerifyRegisters(long long firstRegister, int firstIndex, int endIndex) {
    TMop* mop = LinkMop();
    return mop ? registers::WriteAndVerifyRegisters(*mop, RegisterImage, firstRegister, firstIndex,
                                                    endIndex)
               : 1000;
}

bool WriteRegisterWithSecondTry(long long reg, int value) {
    TMop* mop = LinkMop();
    return mop && registers::WriteWithSecondTry(*mop, reg, value);
}

bool UnlockDevice() {
    TMop* mop = LinkMop();
    return mop && registers::Unlock(*mop);
}

bool RelockDevice() {
    TMop* mop = LinkMop();
    return mop && registers::Relock(*mop);
}

std::string RegistersToText(int firstIndex, int count) {
    return registers::RegistersToText(RegisterImage, firstIndex, count);
}

int TForm1::WriteRegisterBlock(TForm4* window, long long first, long long last,
                               const std::function<void()>& onExchangeFailed) {
    RecordWrites(first, last);
    if (!Mop)
        return static_cast<int>(last >= first ? last - first + 1 : 0);
    registers::BlockWriteHooks hooks;
    hooks.mismatch = [window](const std::string& line) {
        if (window)
            window->AddLine(line);
    };
    hooks.transferLine = [](const std::string& line) {
        if (Form4)
            Form4->AddLine(line);
    };
    hooks.advance = [window](int n) {
        if (window)
            window->StepProgress(n);
    };
    hooks.wait = PumpingWait;
    hooks.exchangeFailed = onExchangeFailed;
    const registers::ChannelCells channel{RegisterMap.aktu_funkkanal,
                                          RegisterMap.max_anzahl_funkkanal};
    return registers::WriteRegisterBlock(*Mop, RegisterImage, channel, first, last, hooks);
}

void StartWriteRecording() {
    writeRecording.emplace();
}

std::set<long long> TakeWrittenRegisters() {
    std::set<long long> written = writeRecording.value_or(std::set<long long>{});
    writeRecording.reset();
    return written;
}
