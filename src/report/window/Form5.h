#pragma once
// Download progress window.

#include "platform/window/FormBase.h"
#include "ui_TForm5.h"

class TForm5 : public TFormBase<Ui::TForm5> {
public:
    explicit TForm5(QWidget* owner) : TFormBase(owner) {}
};
