#pragma once
// Load confirmation.

#include "platform/FormBase.h"
#include "ui_Tdatenladen1.h"

class Tdatenladen1 : public TFormBase<Ui::Tdatenladen1> {
public:
    explicit Tdatenladen1(QWidget* owner) : TFormBase(owner) {}
};
