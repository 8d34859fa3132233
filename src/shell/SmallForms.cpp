// The program's dialogs other than the main window. Every form description
// is named here so that its generated header exists for the whole library.
#include "ui_TAboutBox.h"
#include "ui_TFileListDialog.h"
#include "ui_TForm2.h"
#include "ui_TForm4.h"
#include "ui_TForm5.h"
#include "ui_TFormPreSets1.h"
#include "ui_TKonverterDlg1.h"
#include "ui_TOKBottomDlg.h"
#include "ui_TPasswordDlg.h"
#include "ui_Tdatenladen1.h"
#include "ui_TpSchnittstelle.h"
#include "ui_Tstwaehlen.h"

#include "shell/AboutBox.h"
#include "shell/Globals.h"
#include "shell/PasswordDlg.h"

#include "platform/Text.h"

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
