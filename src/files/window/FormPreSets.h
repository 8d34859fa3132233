#pragma once
// Hint texts of a new preset.

#include "platform/window/FormBase.h"
#include "ui_TFormPreSets1.h"

class TFormPreSets1 : public TFormBase<Ui::TFormPreSets1> {
public:
    explicit TFormPreSets1(QWidget* owner) : TFormBase(owner) {}
};
