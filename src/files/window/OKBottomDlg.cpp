#include "files/window/OKBottomDlg.h"

#include "platform/window/TypedChar.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include <optional>

TOKBottomDlg::TOKBottomDlg(QWidget* owner) : TFormBase(owner) {
    connect(ui.OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui.CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    ui.LabeledEdit1->installEventFilter(this);
    ui.LabeledEdit2->installEventFilter(this);
}

char TOKBottomDlg::KeyPress(QLineEdit* edit, char key) {
    if (key == '\r') {
        ui.OKBtn->click();
        return 0;
    }
    const bool digit = key >= '0' && key <= '9';
    if (!digit && key != '\b')
        return 0;
    if (digit && !edit->hasSelectedText() && edit->cursorPosition() < edit->text().size()) {
        const int at = edit->cursorPosition();
        edit->setText(edit->text().remove(at, 1));
        edit->setCursorPosition(at);
    }
    return key;
}

bool TOKBottomDlg::eventFilter(QObject* watched, QEvent* event) {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (!edit || (edit != ui.LabeledEdit1 && edit != ui.LabeledEdit2) ||
        event->type() != QEvent::KeyPress)
        return TFormBase::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    // Tab and Esc are the dialog's: to the next control, and cancel.
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab ||
        key->key() == Qt::Key_Escape)
        return TFormBase::eventFilter(watched, event);
    const std::optional<char> typed = TypedChar(*key);
    if (!typed || *typed == 0)
        // Caret moves and the other keys without text work as the edit
        // handles them; the others are dropped.
        return key->text().isEmpty() ? TFormBase::eventFilter(watched, event) : true;
    const char c = *typed;
    const char passed = edit == ui.LabeledEdit1 ? LabeledEdit1KeyPress(c) : LabeledEdit2KeyPress(c);
    return passed == 0; // a passing key goes on to the edit
}
