#pragma once
// The access-code dialog of the service mode.

#include "platform/window/FormBase.h"
#include "ui_TPasswordDlg.h"

class TPasswordDlg : public TFormBase<Ui::TPasswordDlg> {
public:
    explicit TPasswordDlg(QWidget* owner);
    void OKBtnClick();
};
