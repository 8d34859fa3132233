#pragma once
// The about box: program title, maker's data and logo; a click on the web
// address opens it in the browser; Esc closes; Ctrl+F12 is the service entry.

#include "platform/window/FormBase.h"
#include "ui_TAboutBox.h"

class TAboutBox : public TFormBase<Ui::TAboutBox> {
public:
    explicit TAboutBox(QWidget* owner);

    void Label4Click();
    // Esc closes the box; Ctrl+F12 switches service mode on (asking for the
    // access code once). False for every other key.
    bool FormKeyDown(int key, Qt::KeyboardModifiers shift);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ServiceEntry();
};
