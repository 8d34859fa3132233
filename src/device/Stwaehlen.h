#pragma once
// Model-variant chooser.

#include "platform/FormBase.h"
#include "ui_Tstwaehlen.h"

class Tstwaehlen : public TFormBase<Ui::Tstwaehlen> {
public:
    explicit Tstwaehlen(QWidget* owner) : TFormBase(owner) {}
};
