// The register browser of the service mode: any device register read and
// written by number, its value in four views and 16 bit boxes, stepping with
// the arrow keys, a scan that re-reads continuously (or mirrors the device's
// inputs and outputs on the input/output tab), symbolic names per device
// type, and the service toggle that unlocks the protected registers.
//
// Every exchange of the browser is marked while it waits for its answer.
// What the user asks for meanwhile (a move, a write, the relock when the
// browser closes) runs once that answer is in, so that no exchange is ever
// started inside another one.
#include "device/RegisterBrowser.h"
#include "device/DeviceTypes.h"
#include "device/RegisterText.h"
#include "device/window/Transfers.h"
#include "link/window/RegisterCommands.h"
#include "pages/window/LedBalken.h"
#include "pages/window/MLed.h"
#include "platform/Application.h"
#include "platform/Numbers.h"
#include "platform/Text.h"
#include "platform/Timer.h"
#include "platform/window/Dialogs.h"
#include "platform/window/TypedChar.h"
#include "shell/LogFile.h"
#include "shell/Sprache.h"
#include "shell/window/Form1.h"
#include "shell/window/Globals.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>

namespace {

// Browser exchanges waiting for their answer.
int exchangesWaiting = 0;
// Device work asked for while an exchange waited, in the order asked; work
// for the browser's view is dropped once the browser has closed.
struct DeferredWork {
    bool evenWhenClosed;
    std::function<void()> action;
};
std::deque<DeferredWork> deferred;
bool scanLoopRunning = false;

const char* const UnlockedText = "Schreiben in die gesperrten Register ist m\xF6glich.";
const char* const LockedText = "Schreiben in die gesperrten Register ist NICHT m\xF6glich.";
const char* const PendingEditText = "Sie haben Daten ge\xE4ndert!\nBitte mit Return best\xE4tigen!";

// Waits ms with the window answering (a nested event loop, no polling).
void Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void RunDeferred();

// Runs action now, or after the answer of the exchange that waits.
void RunWhenLinkFree(std::function<void()> action, bool evenWhenClosed = false) {
    if (exchangesWaiting == 0) {
        action();
        return;
    }
    deferred.push_back({evenWhenClosed, std::move(action)});
}

void RunDeferred() {
    if (!Form1 || !Form1->Mop)
        return;
    // A transfer that started meanwhile owns the link: the work follows it.
    if (exchangesWaiting == 0 && Form1->TransferRunning()) {
        QTimer::singleShot(100, Form1, [] { RunDeferred(); });
        return;
    }
    while (exchangesWaiting == 0 && !deferred.empty()) {
        DeferredWork work = std::move(deferred.front());
        deferred.pop_front();
        if (work.evenWhenClosed || Form1->ui.BrowserEnable->isChecked())
            work.action();
    }
}

// Marks one browser exchange: the window may not close meanwhile, and work
// asked for meanwhile follows once the last answer is in (from the event
// loop, after the code that waited has used its answer).
class BrowserExchange {
public:
    explicit BrowserExchange(TForm1& form) : form_(form) {
        ++exchangesWaiting;
        form_.TransferIdle = false;
    }
    ~BrowserExchange() {
        if (--exchangesWaiting > 0)
            return;
        form_.TransferIdle = true;
        if (!deferred.empty())
            QTimer::singleShot(0, &form_, [] { RunDeferred(); });
    }
    BrowserExchange(const BrowserExchange&) = delete;
    BrowserExchange& operator=(const BrowserExchange&) = delete;

private:
    TForm1& form_;
};

int ReadForBrowser(TForm1& form, uint32_t reg, bool& failed) {
    const BrowserExchange exchange(form);
    return ReadRegister(reg, &failed);
}

bool WriteForBrowser(TForm1& form, uint32_t reg, uint32_t value) {
    const BrowserExchange exchange(form);
    return WriteRegisterChecked(reg, static_cast<int>(value & HighestRegister)) == 0;
}

std::array<QCheckBox*, 16> BitBoxes(const Ui::TForm1& ui) {
    return {ui.CheckBox1,  ui.CheckBox2,  ui.CheckBox3,  ui.CheckBox4,
            ui.CheckBox5,  ui.CheckBox6,  ui.CheckBox7,  ui.CheckBox8,
            ui.CheckBox9,  ui.CheckBox10, ui.CheckBox11, ui.CheckBox12,
            ui.CheckBox13, ui.CheckBox14, ui.CheckBox15, ui.CheckBox16};
}

std::string TextOf(const QLineEdit* edit) {
    return FromQString(edit->text());
}

void SetText(QLineEdit* edit, const std::string& text) {
    edit->setText(ToQString(text));
}

void SetBackground(QLineEdit* edit, const QColor& colour) {
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, colour);
    edit->setPalette(p);
}

void Focus(QLineEdit* edit) {
    edit->setFocus();
    edit->selectAll();
}

// The address or value typed into edit, or its saved text when it is empty.
std::string TypedOrSaved(const QLineEdit* edit, const std::string& saved) {
    const std::string text = TextOf(edit);
    return text.empty() ? saved : text;
}

// An address or value above 65535 (or no number) is refused: the range
// message, the saved text back, nothing sent.
std::optional<uint32_t> TakeWord(TForm1& form, QLineEdit* edit, const std::string& saved) {
    const std::optional<uint32_t> v = ParseWordText(TypedOrSaved(edit, saved));
    if (!v) {
        Dialogs::ShowMessage(form.Sprache->GetText2Args("$T30018", "0", "65535"));
        SetText(edit, saved);
        Focus(edit);
    }
    return v;
}

// After a refused entry: an edit is pending only when the value edits no
// longer show what was read.
void RecheckPendingEdit(const Ui::TForm1& ui) {
    const RegisterViews read = ViewsOf(BrowserState.readValue);
    BrowserState.editPending =
        TextOf(ui.reg_dezi) != read.unsignedText || TextOf(ui.reg_hex) != read.hexText;
}

void SetServiceLabel(TForm1& form, bool unlocked) {
    QLabel* label = form.ui.browser_label;
    label->setText(ToQString(unlocked ? UnlockedText : LockedText));
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, unlocked ? QColor(255, 0, 0) : QColor(0, 128, 0));
    label->setPalette(p);
}

// The unlock sequence (a device that did not answer both codes is reported),
// or the relock (a device that took neither of its writes is reported).
void ApplyLockStep(TForm1& form, bool unlock) {
    RunWhenLinkFree(
        [&form, unlock] {
            if (unlock) {
                bool answered = false;
                {
                    const BrowserExchange exchange(form);
                    answered = UnlockDevice();
                }
                // The button stays down: leaving the browser still relocks a
                // device that took the first code.
                if (!answered)
                    ShowNoAnswerMessage();
                return;
            }
            bool locked = false;
            {
                const BrowserExchange exchange(form);
                locked = RelockDevice();
            }
            if (!locked) {
                // The label keeps telling the device may be unlocked.
                SetServiceLabel(form, true);
                form.ErrorBox(form.GetText("$T46004"));
            }
        },
        true);
}

// The window's pop-up menu and its function keys, which the browser's own
// keys (F1, F2, F5, F8, F9) replace while it is open.
void AttachPopupMenu(TForm1& form, bool attached) {
    if (!form.PopupMenu1)
        return;
    form.setContextMenuPolicy(attached ? Qt::CustomContextMenu : Qt::NoContextMenu);
    for (QAction* action : form.PopupMenu1->actions()) {
        if (attached)
            form.addAction(action);
        else
            form.removeAction(action);
    }
}

void StopScan(TForm1& form) {
    if (!form.ui.scanreg->isChecked())
        return;
    form.ui.scanreg->setChecked(false);
    form.scanregClick();
}

// The keys of the browser that the window's shortcuts must not take.
bool IsBrowserKey(int key) {
    switch (key) {
    case Qt::Key_F1:
    case Qt::Key_F2:
    case Qt::Key_F5:
    case Qt::Key_F8:
    case Qt::Key_F9:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        return true;
    default:
        return false;
    }
}

// Routes the events of the browser's edits, bit boxes and name list to the
// main window's handlers.
class BrowserInput : public QObject {
public:
    explicit BrowserInput(TForm1& form) : QObject(&form), form_(form) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto& ui = form_.ui;
        if (event->type() == QEvent::ShortcutOverride) {
            if (!IsBrowserKey(static_cast<QKeyEvent*>(event)->key()))
                return false;
            event->accept(); // the key goes to the browser, not to a shortcut
            return true;
        }
        if (watched == ui.RegText)
            return event->type() == QEvent::KeyPress &&
                   !static_cast<QKeyEvent*>(event)->text().isEmpty();
        const auto boxes = BitBoxes(ui);
        const auto box = std::find(boxes.begin(), boxes.end(), watched);
        if (box != boxes.end())
            return BitBoxEvent(static_cast<int>(box - boxes.begin()) + 1, event);
        auto* edit = qobject_cast<QLineEdit*>(watched);
        if (!edit)
            return false;
        switch (event->type()) {
        case QEvent::FocusIn:
            if (edit == ui.reg_name)
                form_.reg_nameEnter();
            else if (edit == ui.reg_dezi)
                form_.reg_deziEnter();
            else
                form_.reg_hexEnter();
            return false;
        case QEvent::KeyPress:
            return EditKeyPress(edit, *static_cast<QKeyEvent*>(event));
        case QEvent::KeyRelease: {
            const auto& e = *static_cast<QKeyEvent*>(event);
            if (e.isAutoRepeat())
                return false;
            if (edit == ui.reg_name)
                form_.reg_nameKeyUp(e.key(), e.modifiers());
            else if (edit == ui.reg_dezi)
                form_.reg_deziKeyUp(e.key(), e.modifiers());
            else
                form_.reg_hexKeyUp(e.key(), e.modifiers());
            return false;
        }
        default:
            return false;
        }
    }

private:
    // True when the key is used up here; a character the handler replaced
    // is typed in its stead. Tab, Delete, Ctrl+C and the other keys without
    // a character of their own work as the edit handles them.
    bool EditKeyPress(QLineEdit* edit, const QKeyEvent& e) {
        const std::optional<char> typed = TypedChar(e);
        if (!typed)
            return false;
        if (*typed == 0)
            return true;
        char key = *typed;
        if (edit == form_.ui.reg_name)
            form_.reg_nameKeyPress(key);
        else if (edit == form_.ui.reg_dezi)
            form_.reg_deziKeyPress(key);
        else
            form_.reg_hexKeyPress(key);
        if (key == *typed)
            return false;
        if (key != 0)
            edit->insert(ToQString(std::string(1, key)));
        return true;
    }

    bool BitBoxEvent(int box, QEvent* event) {
        if (event->type() == QEvent::KeyPress) {
            // The arrows step through the registers, not from box to box.
            const int key = static_cast<QKeyEvent*>(event)->key();
            return key == Qt::Key_Up || key == Qt::Key_Down;
        }
        if (event->type() == QEvent::KeyRelease) {
            const auto& e = *static_cast<QKeyEvent*>(event);
            if (!e.isAutoRepeat())
                form_.CheckBoxKeyUp(box, e.key(), e.modifiers());
        }
        return false;
    }

    TForm1& form_;
};

} // namespace

// ---- opening and closing ---------------------------------------------------------

void TForm1::BrowserEnableClick() {
    if (ui.BrowserEnable->isChecked()) {
        ui.scanreg->setVisible(true);
        ui.service->setVisible(true);
        ui.browser_label->setVisible(true);
        SetServiceLabel(*this, ui.service->isChecked());
        ui.PageControl1->setVisible(false);
        ui.PageControl2->setVisible(false);
        ui.funk->setChecked(false);
        ui.einstellung->setChecked(false);
        ui.Bild1->setVisible(false);
        ui.PageControl3->setVisible(true);
        ui.PageControl3->raise();
        StatusPanels[5]->setText("Browser aktiv!");
        Timer2->SetInterval(10);
        Timer2->SetEnabled(true);
        ui.Konverter->setVisible(true);
        AttachPopupMenu(*this, false);
        return;
    }
    // A keying test ends first; the browser closes once it has.
    if (!EndKeyingFirst([this] { LeaveBrowser(); })) {
        ui.BrowserEnable->setChecked(true);
        return;
    }
    // However the browser closes, the scan ends and an unlocked device is
    // locked again first.
    Timer2->SetEnabled(false);
    StopScan(*this);
    if (ui.service->isChecked()) {
        ui.service->setChecked(false);
        serviceClick();
    }
    BrowserState.editPending = 0;
    ui.Konverter->setVisible(false);
    AttachPopupMenu(*this, true);
    Beenden2Click();
    ui.ToolBar1->setFocus();
}

void TForm1::Beenden2Click() {
    ui.browser_label->setVisible(false);
    ui.PageControl3->setVisible(false);
    ui.service->setVisible(false);
    ui.scanreg->setVisible(false);
    ui.imp_ein->setEnabled(false);
    ui.einstellung->setChecked(false);
    ui.funk->setChecked(false);
    ui.PageControl1->setVisible(false);
    ui.PageControl2->setVisible(false);
    ui.Bild1->setVisible(true);
    update();
}

void TForm1::Timer2Timer() {
    Timer2->SetEnabled(false);
    ui.Label5->setVisible(false);
    if (!Mop)
        return;
    if (ServiceMode != 1) {
        UpdateStatusLine();
        ClearStatusPanels();
        return;
    }
    ui.PageControl3->SetActivePage(ui.Reg_Karte);
    PageControl3Change();
    if (ClosePending) {
        TransferIdle = true;
        return;
    }
    BrowserState.address = FirstImageRegister;
    GoToRegister(FirstImageRegister);
    activateWindow();
}

// ---- showing and writing a register --------------------------------------------------

void TForm1::GoToRegister(uint32_t address) {
    if (ClosePending) {
        TransferIdle = true;
        return;
    }
    if (exchangesWaiting > 0) {
        RunWhenLinkFree([this, address] { GoToRegister(address); });
        return;
    }
    for (QLineEdit* edit : {ui.reg_name, ui.reg_dezi, ui.reg_hex})
        edit->setPalette(QPalette());
    ui.reg_name->setText(QString::number(address));
    ShowRegister(address);
    BrowserState.editPending = 0;
    if (ui.BrowserEnable->isChecked())
        ui.reg_name->setFocus();
}

int TForm1::ShowRegister(uint32_t address) {
    if (ClosePending) {
        TransferIdle = true;
        return 0;
    }
    const std::string name = RegisterText->NameOf(address);
    ui.RegText->setCurrentIndex(name.empty() ? -1 : ui.RegText->findText(ToQString(name)));
    bool failed = true;
    const int read = ReadForBrowser(*this, address, failed);
    BrowserState.readFailed = failed;
    const uint32_t v = read < 0 ? 0 : static_cast<uint32_t>(read);
    BrowserState.value = v;
    BrowserState.readValue = v;
    const RegisterViews views = ViewsOf(v);
    SetText(ui.reg_dezi, views.unsignedText);
    SetText(ui.reg_ndezi, views.signedText);
    BrowserState.hexText = views.hexText;
    SetText(ui.reg_hex, BrowserState.hexText);
    BrowserState.bitText = HexTextToBinaryText(BrowserState.hexText);
    ShowBits(BrowserState.bitText);
    return static_cast<int>(v);
}

void TForm1::WriteBrowserRegister() {
    if (ui.service->isChecked()) {
        bool failed = false;
        if (ReadForBrowser(*this, UnlockRegister, failed) != static_cast<int>(UnlockedReadValue)) {
            const BrowserExchange exchange(*this);
            UnlockDevice();
        }
    }
    Wait(11);
    const bool written = WriteForBrowser(*this, BrowserState.address, BrowserState.value);
    SetBackground(ui.reg_name, written ? QColor(0, 255, 0) : QColor(255, 0, 0));
}

void TForm1::ShowBits(const std::string& bits) {
    const uint8_t before = ControlsUpdating;
    ControlsUpdating = 1;
    const auto boxes = BitBoxes(ui);
    for (size_t i = 0; i < boxes.size(); ++i)
        boxes[i]->setChecked(i < bits.size() && bits[i] != '0');
    ControlsUpdating = before;
}

void TForm1::ApplyBinaryText(const std::string& bits) {
    const std::string decimal = BinaryTextToDecimalText(bits);
    BrowserState.value = static_cast<uint32_t>(std::stoul(decimal)) & HighestRegister;
    const RegisterViews views = ViewsOf(BrowserState.value);
    SetText(ui.reg_dezi, views.unsignedText);
    BrowserState.hexText = views.hexText;
    SetText(ui.reg_hex, BrowserState.hexText);
}

namespace {

// Enter in a value edit or a bit box: the value goes to the device, and
// what the device then holds is shown.
void ConfirmValue(TForm1& form, bool fromBitBox) {
    RunWhenLinkFree([&form, fromBitBox] {
        if (!fromBitBox) {
            BrowserState.bitText = HexTextToBinaryText(BrowserState.hexText);
            form.ShowBits(BrowserState.bitText);
            form.ApplyBinaryText(BrowserState.bitText);
        }
        form.WriteBrowserRegister();
        form.ShowRegister(BrowserState.address);
        BrowserState.editPending = 0;
        if (fromBitBox)
            form.ui.reg_dezi->setFocus();
    });
}

// Esc in a value edit: the focus moves on, the edit's entry is dropped, and
// the register is read again.
void DropValueEdit(TForm1& form, QLineEdit* edit, const std::string& saved, QLineEdit* next) {
    next->setFocus();
    if (TextOf(edit) == saved) {
        const RegisterViews views = ViewsOf(BrowserState.readValue);
        SetText(form.ui.reg_dezi, views.unsignedText);
        SetText(form.ui.reg_hex, views.hexText);
    } else {
        SetText(edit, saved);
    }
    form.GoToRegister(BrowserState.address);
}

} // namespace

// ---- the edits -------------------------------------------------------------------

void TForm1::reg_nameEnter() {
    BrowserState.savedName = TextOf(ui.reg_name);
}

void TForm1::reg_deziEnter() {
    BrowserState.savedDezi = TextOf(ui.reg_dezi);
}

void TForm1::reg_hexEnter() {
    BrowserState.savedHex = TextOf(ui.reg_hex);
}

void TForm1::reg_deziChange() {
    if (!ui.scanreg->isChecked())
        BrowserState.editPending = 1;
}

void TForm1::reg_hexChange() {
    if (!ui.scanreg->isChecked())
        BrowserState.editPending = 1;
}

void TForm1::reg_nameKeyPress(char& key) {
    if (key == '\r') {
        key = 0;
        if (const auto address = TakeWord(*this, ui.reg_name, BrowserState.savedName)) {
            BrowserState.address = *address;
            GoToRegister(*address);
        }
        return;
    }
    if (key == 27) {
        key = 0;
        SetText(ui.reg_name, BrowserState.savedName);
        GoToRegister(BrowserState.address);
        ui.reg_dezi->setFocus();
        return;
    }
    key = FilterBrowserKey(BrowserField::Address, key);
}

void TForm1::reg_deziKeyPress(char& key) {
    if (key == '\r') {
        key = 0;
        if (const auto value = TakeWord(*this, ui.reg_dezi, BrowserState.savedDezi)) {
            BrowserState.value = *value;
            BrowserState.hexText = ViewsOf(*value).hexText;
            ConfirmValue(*this, false);
        } else {
            RecheckPendingEdit(ui);
        }
        return;
    }
    if (key == 27) {
        key = 0;
        DropValueEdit(*this, ui.reg_dezi, BrowserState.savedDezi, ui.reg_name);
        return;
    }
    key = FilterBrowserKey(BrowserField::Decimal, key);
}

void TForm1::reg_hexKeyPress(char& key) {
    if (key == '\r') {
        key = 0;
        BrowserState.hexText = PadHexText(TypedOrSaved(ui.reg_hex, BrowserState.savedHex));
        if (!ParseDigits(BrowserState.hexText, 16) || BrowserState.hexText.size() > 4) {
            Dialogs::ShowMessage(Sprache->GetText2Args("$T30018", "0", "65535"));
            SetText(ui.reg_hex, BrowserState.savedHex);
            Focus(ui.reg_hex);
            RecheckPendingEdit(ui);
            return;
        }
        ConfirmValue(*this, false);
        return;
    }
    if (key == 27) {
        key = 0;
        DropValueEdit(*this, ui.reg_hex, BrowserState.savedHex, ui.reg_dezi);
        return;
    }
    key = FilterBrowserKey(BrowserField::Hex, key);
}

void TForm1::reg_nameKeyUp(int key, Qt::KeyboardModifiers shift) {
    if (key == Qt::Key_Escape)
        return;
    if (TextOf(ui.reg_name) == BrowserState.savedName)
        BrowserState.editPending = 0;
    BrowserKeyCommand(key, shift);
}

void TForm1::reg_deziKeyUp(int key, Qt::KeyboardModifiers shift) {
    if (key == Qt::Key_Escape)
        return;
    if (TextOf(ui.reg_dezi) == BrowserState.savedDezi)
        BrowserState.editPending = 0;
    if (const auto v = ParseWordText(TypedOrSaved(ui.reg_dezi, BrowserState.savedDezi)))
        BrowserState.value = *v;
    BrowserKeyCommand(key, shift);
}

void TForm1::reg_hexKeyUp(int key, Qt::KeyboardModifiers shift) {
    if (key == Qt::Key_Escape)
        return;
    if (TextOf(ui.reg_hex) == BrowserState.savedHex)
        BrowserState.editPending = 0;
    BrowserState.hexText = TypedOrSaved(ui.reg_hex, BrowserState.savedHex);
    if (key != Qt::Key_Delete && key != Qt::Key_Backspace)
        BrowserState.hexText = PadHexText(BrowserState.hexText);
    BrowserKeyCommand(key, shift);
}

void TForm1::CheckBoxClick(int box) {
    if (ControlsUpdating)
        return;
    BrowserState.bitText = InvertBit(BrowserState.bitText, box - 1);
    ApplyBinaryText(BrowserState.bitText);
}

void TForm1::CheckBoxKeyUp(int, int key, Qt::KeyboardModifiers shift) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        ConfirmValue(*this, true);
    else
        BrowserKeyCommand(key, shift);
}

// ---- keys and moves --------------------------------------------------------------

void TForm1::BrowserKeyCommand(int key, Qt::KeyboardModifiers shift) {
    const bool shifted = shift & Qt::ShiftModifier;
    switch (key) {
    case Qt::Key_F1:
        Focus(ui.reg_dezi);
        break;
    case Qt::Key_F2:
        Focus(ui.reg_hex);
        break;
    case Qt::Key_F5:
        Focus(ui.reg_name);
        break;
    case Qt::Key_Down:
        if (shifted)
            MoveRegister(10);
        else
            NextRegister();
        break;
    case Qt::Key_Up:
        if (shifted)
            MoveRegister(-10);
        else
            PreviousRegister();
        break;
    case Qt::Key_F8:
        ui.scanreg->setChecked(!ui.scanreg->isChecked());
        scanregClick();
        break;
    case Qt::Key_F9:
        ui.service->setChecked(!ui.service->isChecked());
        serviceClick();
        break;
    default:
        break;
    }
}

void TForm1::NextRegister() {
    MoveRegister(1);
}

void TForm1::PreviousRegister() {
    MoveRegister(-1);
}

void TForm1::MoveRegister(int step) {
    if (BrowserState.editPending == 1) {
        Dialogs::ShowMessage(PendingEditText);
        ui.reg_dezi->setFocus();
        return;
    }
    if (ui.scanreg->isChecked()) {
        StopScan(*this);
        BrowserState.editPending = 0;
        Wait(100);
    }
    BrowserState.address = StepAddress(BrowserState.address, step);
    RunWhenLinkFree([this] {
        GoToRegister(BrowserState.address);
        ui.reg_dezi->setFocus();
    });
}

// ---- service toggle and scan ---------------------------------------------------------

void TForm1::serviceClick() {
    const bool unlock = ui.service->isChecked();
    SetServiceLabel(*this, unlock);
    ApplyLockStep(*this, unlock);
    Wait(100);
}

void TForm1::scanregClick() {
    if (!ui.scanreg->isChecked()) {
        ui.Scan->setVisible(false);
        BrowserState.editPending = 0;
        return;
    }
    ui.Scan->setVisible(true);
    ui.mLED1->SetState(TLEDState::lsON);
    ui.mLED2->SetState(TLEDState::lsOFF);
    BrowserState.editPending = 0;
    // A scan already under way goes on; one asked for while an answer is
    // awaited starts after it.
    if (scanLoopRunning)
        return;
    if (exchangesWaiting > 0) {
        RunWhenLinkFree([this] { scanregClick(); });
        return;
    }
    scanLoopRunning = true;
    while (ui.scanreg->isChecked() && !Application().Terminated() && Mop && !ClosePending) {
        BrowserState.editPending = 0;
        QWidget* page = ui.PageControl3->ActivePage();
        if (page == ui.Reg_Karte) {
            ShowRegister(BrowserState.address);
            // A failed read was reported once; the scan ends there.
            if (BrowserState.readFailed) {
                StopScan(*this);
                break;
            }
            const TLEDState first = ui.mLED1->State();
            ui.mLED1->SetState(ui.mLED2->State());
            ui.mLED2->SetState(first);
        } else if (page == ui.InOutput) {
            bool failed = true;
            const int inputs = ReadForBrowser(*this, 2, failed);
            if (!failed)
                LedBalken2->SetValue(static_cast<uint16_t>(inputs & 0xFFFF));
            if (failed || !WriteForBrowser(*this, 300, LedBalken1->GetValue())) {
                LedBalken2->SetValue(0);
                StopScan(*this);
                break;
            }
            ui.mLED4->SetState(ui.mLED4->State() == TLEDState::lsON ? TLEDState::lsOFF
                                                                    : TLEDState::lsON);
        } else {
            Wait(20); // nothing to read on this tab
        }
        if (Application().Terminated())
            break;
        Application().ProcessMessages();
    }
    scanLoopRunning = false;
}

// ---- device identity and names ---------------------------------------------------

void TForm1::Button6Click() {
    if (exchangesWaiting > 0) {
        RunWhenLinkFree([this] { Button6Click(); });
        return;
    }
    bool failed = true;
    const int type = ReadForBrowser(*this, DeviceTypeRegister, failed);
    if (failed)
        return;
    uint32_t index = 255;
    FindDeviceType(static_cast<uint32_t>(type), index);
    StatusPanels[5]->setText(ToQString(ModelNames[index]));
    TStringList names;
    ListRegisterNames(names, static_cast<uint32_t>(type));
    QStringList items;
    for (const std::string& name : names.Lines())
        items.push_back(ToQString(name));
    items.sort(Qt::CaseInsensitive);
    ui.RegText->clear();
    ui.RegText->addItems(items);
    ui.RegText->setCurrentIndex(-1);
    GoToRegister(BrowserState.address);
}

void TForm1::RegTextSelect() {
    const uint32_t n = RegisterText->NumberOf(FromQString(ui.RegText->currentText()));
    if (n == TRegisterText::NoRegister)
        return;
    BrowserState.address = n;
    GoToRegister(n);
}

void TForm1::ListRegisterNames(TStringList& names, uint32_t deviceType) {
    RegisterText->ListNames(names, deviceType);
    const ReadRefusal refusal = RegisterText->TakeRefusal();
    if (refusal == ReadRefusal::None)
        return;
    const std::string file = (std::filesystem::path(ProgramDir) / RegisterTextFile).string();
    ErrorBox(ReadRefusalText(*Sprache, refusal, file));
    if (LogFile)
        LogFile->Write("Read " + PathText(file) + ": " +
                       (refusal == ReadRefusal::TooLarge ? std::strerror(EFBIG)
                                                         : NotRegularFileText));
}

bool TForm1::BrowserExchangeWaiting() const {
    return exchangesWaiting > 0;
}

// ---- wiring ------------------------------------------------------------------------

void TForm1::ConnectBrowser() {
    BrowserState = TBrowserState{};
    exchangesWaiting = 0;
    deferred.clear();
    scanLoopRunning = false;
    RegisterText =
        std::make_unique<TRegisterText>(std::filesystem::path(ProgramDir) / RegisterTextFile);
    Timer2 = std::make_unique<TTimer>(true);
    Timer2->SetInterval(10);
    Timer2->SetOnTimer([this] { Timer2Timer(); });
    ui.Scan->setVisible(false);

    auto* input = new BrowserInput(*this);
    for (QObject* o : {static_cast<QObject*>(ui.reg_name), static_cast<QObject*>(ui.reg_dezi),
                       static_cast<QObject*>(ui.reg_hex), static_cast<QObject*>(ui.RegText)})
        o->installEventFilter(input);
    const auto boxes = BitBoxes(ui);
    for (size_t i = 0; i < boxes.size(); ++i) {
        boxes[i]->installEventFilter(input);
        const int box = static_cast<int>(i) + 1;
        connect(boxes[i], &QCheckBox::toggled, this, [this, box] { CheckBoxClick(box); });
    }
    connect(ui.reg_dezi, &QLineEdit::textChanged, this, [this] { reg_deziChange(); });
    connect(ui.reg_hex, &QLineEdit::textChanged, this, [this] { reg_hexChange(); });
    connect(ui.RegText, &QComboBox::activated, this, [this] { RegTextSelect(); });
    connect(ui.Button6, &QPushButton::clicked, this, [this] { Button6Click(); });
}
