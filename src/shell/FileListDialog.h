#pragma once
// Language chooser.

#include "platform/FormBase.h"
#include "ui_TFileListDialog.h"

class TFileListDialog : public TFormBase<Ui::TFileListDialog> {
public:
    explicit TFileListDialog(QWidget* owner) : TFormBase(owner) {}
};
