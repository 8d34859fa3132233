#pragma once
// Serial settings dialog.

#include "platform/FormBase.h"
#include "ui_TForm2.h"

class TForm2 : public TFormBase<Ui::TForm2> {
public:
    explicit TForm2(QWidget* owner) : TFormBase(owner) {}
};
