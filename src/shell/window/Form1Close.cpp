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

namespace {

// Once the window lets go of its helpers, what the user still types or
// clicks into it (and into its dialogs) reaches none of its handlers.
class ClosedWindowInput : public QObject {
public:
    explicit ClosedWindowInput(QObject& window) : QObject(&window), window_(window) {
        qApp->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::InputMethod:
            for (const QObject* o = watched; o; o = o->parent())
                if (o == &window_)
                    return true;
            return false;
        default:
            return false;
        }
    }

private:
    QObject& window_;
};

} // namespace

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
    // No command runs from here on, by its key, its menu or a queued call:
    // the helpers they use are about to go, and handling the messages still
    // waiting (a key pressed during a slow close) must run none of them.
    for (QAction* command : findChildren<QAction*>())
        command->setEnabled(false);
    if (qApp)
        new ClosedWindowInput(*this);
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
