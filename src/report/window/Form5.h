#pragma once
// Download progress window: what is being done (Label1), the file being
// fetched (Label2), its progress, and a button that closes the window once
// the download is over. It stays above the main window while it is shown.

#include "platform/window/FormBase.h"
#include "ui_TForm5.h"

class TForm5 : public TFormBase<Ui::TForm5> {
public:
    explicit TForm5(QWidget* owner) : TFormBase(owner) {
        setWindowFlag(Qt::WindowStaysOnTopHint);
        connect(ui.Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    }
    void Button1Click() { close(); }
};
