#pragma once
// A dialog built from its Designer description. The controls are reached
// through ui, by the names the form description gives them.

#include <QDialog>

template <class UiForm> class TFormBase : public QDialog {
public:
    explicit TFormBase(QWidget* owner) : QDialog(owner) { ui.setupUi(this); }
    UiForm ui;
};
