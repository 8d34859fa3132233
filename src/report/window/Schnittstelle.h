#pragma once
// Interface choice of the printout: RS-232, RS-485 or RS-422, with OK and
// Cancel. Created for one print and deleted after it.

#include "platform/window/FormBase.h"
#include "ui_TpSchnittstelle.h"

#include <string>

class TpSchnittstelle : public TFormBase<Ui::TpSchnittstelle> {
public:
    explicit TpSchnittstelle(QWidget* owner);

    void SetCaptionText(const std::string& text);
    void SetOkText(const std::string& text);
    void SetCancelText(const std::string& text);
    void SetGroupText(const std::string& text);
    // The interface chosen by the last OK (0 before it).
    int GetChoice() const { return choice_; }
    // Stores the chosen item and closes the dialog with OK.
    void Button1Click();

private:
    int choice_ = 0;
};
