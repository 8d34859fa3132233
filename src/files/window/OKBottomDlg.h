#pragma once
// Register range of a register dump.

#include "platform/window/FormBase.h"
#include "ui_TOKBottomDlg.h"

class TOKBottomDlg : public TFormBase<Ui::TOKBottomDlg> {
public:
    explicit TOKBottomDlg(QWidget* owner) : TFormBase(owner) {}
};
