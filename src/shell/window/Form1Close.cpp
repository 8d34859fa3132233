// The main window's close rules: refused while a transfer or the register
// scan runs and retried at the next idle moment; the save question for
// changed data; the helpers destroyed exactly once.
#include "device/ChangeFlags.h"
#include "shell/window/Form1.h"

#include "files/KundenFile.h"
#include "link/Mop.h"
#include "link/Reader.h"
#include "link/window/RegisterCommands.h"
#include "pages/window/InputFrame.h"
#include "pages/window/Sendertastung.h"
#include "platform/Application.h"
#include "platform/Timer.h"
#include "platform/window/Dialogs.h"
#include "platform/window/SingleInstance.h"
#include "report/window/PrintSteuerung.h"
#include "report/window/WebDownload.h"
#include "shell/LogFile.h"
#include "shell/Sprache.h"
#include "shell/window/Program.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>

SingleInstance* InstanceMutex = nullptr;

bool TForm1::ScanRunning() const {
    return ui.scanreg->isChecked();
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (helpersDestroyed_) {
        event->accept();
        return;
    }
    bool canClose = true;
    FormCloseQuery(canClose);
    if (!canClose) {
        event->ignore();
        return;
    }
    // The close is decided now, one way or the other: nothing is pending.
    ClosePending = false;
    if (!FormClose()) {
        event->ignore();
        return;
    }
    event->accept();
}

void TForm1::FormCloseQuery(bool& canClose) {
    if (ScanRunning()) {
        ui.scanreg->setChecked(false);
        scanregClick();
        canClose = false;
    } else {
        // A keying test ends first, so that the device is back at its power.
        canClose = EndKeyingFirst(nullptr) && !TransferRunning();
    }
    if (!canClose)
        ClosePending = true;
}

void TForm1::CloseIfPending() {
    // Retried only once it can succeed; the idle moments in between cost nothing.
    if (!ClosePending || helpersDestroyed_ || TransferRunning() || ScanRunning())
        return;
    QMetaObject::invokeMethod(
        this, [this] { close(); }, Qt::QueuedConnection);
}

bool TForm1::FormClose() {
    if (!CommitFocusedEdit())
        return false;
    if (RadioSettingsChanged == 1 || DeviceSettingsChanged == 1) {
        const int answer = Dialogs::MessageBox(GetText("$T32001"), GetText("$T30034"),
                                               Dialogs::YesNo, Dialogs::Question);
        if (answer == Dialogs::Yes) {
            up_loadClick();
            if (RadioSettingsChanged == 1 || DeviceSettingsChanged == 1)
                return false; // the write did not complete: keep the data
        }
    }
    // The browser closes as its button closes it: scan stopped, device relocked.
    LeaveBrowser();
    DestroyHelpers();
    Application().Terminate();
    Application().ProcessMessages();
    return true;
}

void TForm1::DestroyHelpers() {
    if (helpersDestroyed_)
        return;
    helpersDestroyed_ = true;
    Application().SetOnIdle(nullptr);
    // A running reader uses the link and the image: it stops at its next
    // exchange and is waited for before anything it uses goes away.
    if (Reader) {
        Reader->RequestStop();
        Reader->Wait();
    }
    // The read's continuation, which ends the busy cursor, will not run.
    if (!TransferIdle)
        QApplication::restoreOverrideCursor();
    Timer1.reset();
    Drucker.reset();
    SendertastungEnde.reset();
    Sendertastung.reset();
    ClosePort();
    WriteSettingsFile();
    for (QAction* item : LanguageMenuItems)
        delete item;
    LanguageMenuItems.clear();
    for (TInputFrame*& frame : InputFrames) {
        delete frame; // a frame that failed to be created is null
        frame = nullptr;
    }
    Reader.reset();
    Mop.reset();
    WebDownload.reset();
    PrintSteuerung.reset();
    KundenFile.reset();
    Krypto.reset();
    Sprache.reset();
    delete InputLabel;
    InputLabel = nullptr;
    if (Form1 == this)
        TLogFile::SetFailureReporter(nullptr); // no boxes once the window is gone
    LogFile.reset();
    if (InstanceMutex)
        InstanceMutex->Release();
}
