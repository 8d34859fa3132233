#pragma once
// Load confirmation: "Laden" answers Yes, "Abbrechen" cancels.

#include "platform/window/Dialogs.h"
#include "platform/window/FormBase.h"
#include "ui_Tdatenladen1.h"

#include <QPushButton>

class Tdatenladen1 : public TFormBase<Ui::Tdatenladen1> {
public:
    explicit Tdatenladen1(QWidget* owner) : TFormBase(owner) {
        connect(ui.Laden1, &QPushButton::clicked, this, [this] { done(Dialogs::Yes); });
        connect(ui.Button2, &QPushButton::clicked, this, &QDialog::reject);
    }

protected:
    // The dialog is shown again and again: each time Return answers
    // "Abbrechen", whichever button was pressed the time before.
    void showEvent(QShowEvent* event) override {
        TFormBase::showEvent(event);
        ui.Button2->setDefault(true);
        ui.Button2->setFocus();
    }
};
