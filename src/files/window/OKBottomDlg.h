#pragma once
// Register range of a register dump: start and end register (digits only,
// typing overwrites), whether the dump starts with the unlock lines, and
// whether it is appended to the file.

#include "platform/window/FormBase.h"
#include "ui_TOKBottomDlg.h"

class QLineEdit;

class TOKBottomDlg : public TFormBase<Ui::TOKBottomDlg> {
public:
    explicit TOKBottomDlg(QWidget* owner);

    // The key filters of the two edits: Enter presses OK; digits and
    // Backspace pass, every other key is dropped (0 is returned); a digit
    // first removes the character after the caret, so typing overwrites.
    char LabeledEdit1KeyPress(char key) { return KeyPress(ui.LabeledEdit1, key); }
    char LabeledEdit2KeyPress(char key) { return KeyPress(ui.LabeledEdit2, key); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    char KeyPress(QLineEdit* edit, char key);
};
