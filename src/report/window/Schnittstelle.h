#pragma once
// Interface choice of the printout.

#include "platform/window/FormBase.h"
#include "ui_TpSchnittstelle.h"

class TpSchnittstelle : public TFormBase<Ui::TpSchnittstelle> {
public:
    explicit TpSchnittstelle(QWidget* owner) : TFormBase(owner) {}
};
