#pragma once
// The about box: program title, maker's data; Ctrl+F12 is the service entry.

#include "platform/window/FormBase.h"
#include "ui_TAboutBox.h"

class TAboutBox : public TFormBase<Ui::TAboutBox> {
public:
    explicit TAboutBox(QWidget* owner);
};
