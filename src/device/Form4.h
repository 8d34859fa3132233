#pragma once
// Transfer progress and log window.

#include "platform/FormBase.h"
#include "ui_TForm4.h"

class TForm4 : public TFormBase<Ui::TForm4> {
public:
    explicit TForm4(QWidget* owner) : TFormBase(owner) {}
};
