#pragma once
// File converter.

#include "platform/window/FormBase.h"
#include "ui_TKonverterDlg1.h"

class TKonverterDlg1 : public TFormBase<Ui::TKonverterDlg1> {
public:
    explicit TKonverterDlg1(QWidget* owner) : TFormBase(owner) {}
};
