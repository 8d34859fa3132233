// The validated numeric edits of the settings pages. Each lets only its
// characters be typed, selects its whole text when clicked, and stores its
// number into the register image either when the focus leaves it for another
// control of the main window (exit) or after every key released in it (key
// up). An entry that is no number or lies outside the limits never reaches
// the image: the range message is shown, the text comes back from the cell
// and the edit keeps the focus with its text selected.
#include "device/ChangeFlags.h"
#include "device/DeviceTypes.h"
#include "device/RegisterImage.h"
#include "device/RegisterMap.h"
#include "pages/EditLogic.h"
#include "pages/window/Pages.h"
#include "platform/Numbers.h"
#include "platform/Text.h"
#include "platform/window/Dialogs.h"
#include "platform/window/TypedChar.h"
#include "shell/Sprache.h"
#include "shell/window/Form1.h"
#include "shell/window/Globals.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace {

enum class Trigger { Exit, KeyUp };

// The characters an edit lets through (besides editing keys and shortcuts,
// which are not typed characters).
enum class Keys { Digits, Interval, Gain, Offset, None };

bool Allowed(Keys keys, char16_t c) {
    const bool digit = c >= '0' && c <= '9';
    switch (keys) {
    case Keys::Digits:
        return digit || c == '\b';
    case Keys::Interval:
        return digit || c == '\b' || c == '\r';
    case Keys::Gain:
        return digit || c == '\b' || c == '.';
    case Keys::Offset:
        return digit || c == '\b' || c == '-';
    case Keys::None:
        return false;
    }
    return false;
}

struct EditRow {
    QLineEdit* edit;
    Trigger trigger;
    Keys keys;
    bool selectOnClick;
    std::function<int()> cell;
    std::function<NumericEdit()> rule;
};

bool IsStationAddress(const EditRow& row) {
    return row.edit == Form1->ui.StationAdr;
}

std::string RangeMessage(const NumericEdit& rule) {
    return Form1->Sprache->GetText2Args(rule.messageId, EditLimitText(rule, rule.minimum),
                                        EditLimitText(rule, rule.maximum));
}

void SetEditText(QLineEdit* edit, const std::string& text) {
    edit->setText(ToQString(text));
}

void Reject(const EditRow& row, const std::string& message, const std::string& cellText) {
    Dialogs::ShowMessage(message);
    SetEditText(row.edit, cellText);
    row.edit->setFocus();
    row.edit->selectAll();
}

void Store(int cell, uint32_t value) {
    SetImageCell(cell, value);
    DeviceSettingsChanged = 1;
}

// The focus left the edit for another control of the main window. False
// when the entry was rejected (the edit has the focus again).
bool EditExit(const EditRow& row) {
    const NumericEdit rule = row.rule();
    const std::string message = RangeMessage(rule);
    // Text that the pages put there is the cell's already: leaving it stores
    // nothing, so tabbing through the page changes nothing.
    if (!row.edit->isModified())
        return true;
    const int cell = row.cell();
    if (row.edit->text().isEmpty()) {
        SetEditText(row.edit, rule.encoding == EditEncoding::Hundredths
                                  ? EditDisplayText(rule, ImageCell(cell))
                                  : EditLimitText(rule, rule.minimum));
        row.edit->selectAll();
    }
    const std::optional<uint32_t> value =
        EncodeEditText(rule, FromQString(row.edit->text()), ImageCell(cell));
    if (!value) {
        Reject(row, message, EditDisplayText(rule, ImageCell(cell)));
        return false;
    }
    Store(cell, *value);
    row.edit->setModified(false);
    return true;
}

// A key was released in the edit.
void EditKeyUp(const EditRow& row) {
    const NumericEdit rule = row.rule();
    const int cell = row.cell();
    const bool station = IsStationAddress(row);
    // A remote terminal's address is chosen on another page: the edit shows
    // register 916 whatever is typed.
    if (station && DeviceFamily == FamilyWBS420)
        SetEditText(row.edit, std::to_string(ImageCell(16)));
    const std::string message = RangeMessage(rule);
    if (row.edit->text().isEmpty()) {
        SetEditText(row.edit, EditLimitText(rule, rule.minimum));
        row.edit->selectAll();
    }
    const std::string text = FromQString(row.edit->text());
    const std::optional<uint32_t> value = EncodeEditText(rule, text, ImageCell(cell));
    if (!value) {
        Dialogs::ShowMessage(message);
        TForm1& f = *Form1;
        if (station && !ParseInt(text) && !f.ui.einstellung->isChecked())
            f.einstellungClick();
        SetEditText(row.edit, std::to_string(ImageCell(cell)));
        row.edit->setFocus();
        row.edit->selectAll();
        return;
    }
    if (!station || *value != ImageCell(cell))
        Store(cell, *value);
}

// Key filter, key-up and select-all of one edit or combo box.
class EditEvents : public QObject {
public:
    EditEvents(QObject* parent, std::shared_ptr<const EditRow> row, Keys keys)
        : QObject(parent), row_(std::move(row)), keys_(keys) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            pressed_.insert(key->key());
            // Esc and the keys without a character of their own (Tab, Delete,
            // Ctrl+V and the like) are the edit's and the window's.
            const std::optional<char> typed = TypedChar(*key);
            if (typed && *typed != 27 && !Allowed(keys_, static_cast<unsigned char>(*typed)))
                return true;
            break;
        }
        case QEvent::KeyRelease: {
            auto* key = static_cast<QKeyEvent*>(event);
            // Only a key pressed in this edit: the Tab that brought the focus
            // here was pressed elsewhere.
            if (key->isAutoRepeat() || pressed_.erase(key->key()) == 0)
                break;
            if (row_ && row_->trigger == Trigger::KeyUp)
                EditKeyUp(*row_);
            break;
        }
        case QEvent::FocusOut:
            pressed_.clear();
            break;
        case QEvent::MouseButtonRelease:
            if (row_ && row_->selectOnClick && !row_->edit->hasSelectedText())
                row_->edit->selectAll();
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::shared_ptr<const EditRow> row_;
    Keys keys_;
    std::set<int> pressed_;
};

// The edits of the main window that store when they are left.
std::vector<std::shared_ptr<const EditRow>> exitRows;

} // namespace

bool TForm1::CommitFocusedEdit() {
    // The entry being typed is taken as leaving the edit takes it; the focus
    // then rests on the tool bar, so that the edit is left once only.
    QWidget* const focused = focusWidget();
    if (Sprache)
        for (const auto& row : exitRows)
            if (row->edit == focused && !EditExit(*row))
                return false;
    ui.ToolBar1->setFocus();
    return true;
}

void ConnectNumericEdits(TForm1& form) {
    auto& ui = form.ui;
    const TRegisterMap& m = RegisterMap;
    auto fixedCell = [](int cell) { return [cell] { return cell; }; };
    auto mapped = [&m](const int32_t TRegisterMap::*key) { return [&m, key] { return m.*key; }; };
    auto fixed = [](const NumericEdit& s) { return [s] { return s; }; };
    const std::vector<EditRow> rows = {
        {ui.x_Timeout_Edit, Trigger::Exit, Keys::Digits, false, fixedCell(64),
         fixed(Edits::Timeout16)},
        {ui.t_Timeout_Edit, Trigger::Exit, Keys::Digits, false, fixedCell(63),
         fixed(Edits::Timeout16)},
        {ui.Interleaving_edit, Trigger::Exit, Keys::Digits, false, fixedCell(62),
         fixed(Edits::Interleaving)},
        {ui.Modbus_Timeout, Trigger::Exit, Keys::Digits, false, fixedCell(60),
         fixed(Edits::ModbusTimeout)},
        {ui.mess_int, Trigger::Exit, Keys::Interval, true,
         mapped(&TRegisterMap::konf_impulsausgabe), fixed(Edits::MeasuringInterval)},
        {ui.offset_reg, Trigger::Exit, Keys::Offset, true, mapped(&TRegisterMap::offset),
         fixed(Edits::Offset)},
        {ui.gain_reg, Trigger::Exit, Keys::Gain, true, mapped(&TRegisterMap::gain),
         fixed(Edits::Gain)},
        {ui.StationAdr, Trigger::KeyUp, Keys::Digits, true,
         mapped(&TRegisterMap::defstationsadresse),
         [] { return StationAddressEdit(DeviceFamily, ImageCell(35)); }},
        {ui.Fadresse_edit, Trigger::KeyUp, Keys::Digits, true,
         mapped(&TRegisterMap::deffunkadresse), fixed(Edits::RadioAddress)},
        {ui.timeout_t, Trigger::KeyUp, Keys::Digits, true, mapped(&TRegisterMap::t_time),
         fixed(Edits::Timeout16)},
        {ui.timeout_x, Trigger::KeyUp, Keys::Digits, true, mapped(&TRegisterMap::x_time),
         fixed(Edits::Timeout16)},
        {ui.ab_rate_analog, Trigger::KeyUp, Keys::Digits, true, mapped(&TRegisterMap::abtastrate),
         fixed(Edits::Timeout16)},
    };
    exitRows.clear();
    for (const EditRow& r : rows) {
        auto row = std::make_shared<const EditRow>(r);
        r.edit->installEventFilter(new EditEvents(r.edit, row, r.keys));
        if (r.trigger == Trigger::Exit)
            exitRows.push_back(row);
    }
    // The time-out and address lists are chosen from, never typed into.
    for (QComboBox* box : {ui.MoPtimeoutBox1, ui.ZeichenVer1, ui.QuittungVer1, ui.TimeoutZ2,
                           ui.dzfBeginAdr, ui.dzfGrossAdr})
        box->installEventFilter(new EditEvents(box, nullptr, Keys::None));
    // An exit is the focus moving to another control of the same window; a
    // message box or another window taking it is none.
    QObject::connect(qApp, &QApplication::focusChanged, &form, [](QWidget* old, QWidget* now) {
        if (!Form1 || !Form1->Sprache || !old || !now || now == old ||
            now->window() != old->window())
            return;
        for (const auto& row : exitRows)
            if (row->edit == old) {
                EditExit(*row);
                return;
            }
    });
}
