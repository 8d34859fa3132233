// The about box and the access-code dialog of the service mode.
#include "shell/window/AboutBox.h"

#include "platform/Text.h"
#include "shell/window/Globals.h"
#include "shell/window/PasswordDlg.h"

#include <QPushButton>

TAboutBox::TAboutBox(QWidget* owner) : TFormBase(owner) {
    ui.ProductName->setText(ToQString(ProgramTitle));
    QObject::connect(ui.OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

TPasswordDlg::TPasswordDlg(QWidget* owner) : TFormBase(owner) {
    QObject::connect(ui.OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    QObject::connect(ui.CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TPasswordDlg::OKBtnClick() {
    PasswordAccepted = 1;
    accept();
}
