#include "report/window/Schnittstelle.h"

#include "platform/Text.h"

#include <QPushButton>

TpSchnittstelle::TpSchnittstelle(QWidget* owner) : TFormBase(owner) {
    ui.RadioGroup1->AdoptButtons();
    QObject::connect(ui.Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    QObject::connect(ui.Button2, &QPushButton::clicked, this, &QDialog::reject);
}

void TpSchnittstelle::SetCaptionText(const std::string& text) {
    setWindowTitle(ToQString(text));
}

void TpSchnittstelle::SetOkText(const std::string& text) {
    ui.Button1->setText(ToQString(text));
}

void TpSchnittstelle::SetCancelText(const std::string& text) {
    ui.Button2->setText(ToQString(text));
}

void TpSchnittstelle::SetGroupText(const std::string& text) {
    ui.RadioGroup1->setTitle(ToQString(text));
}

void TpSchnittstelle::Button1Click() {
    choice_ = ui.RadioGroup1->ItemIndex();
    accept();
}
