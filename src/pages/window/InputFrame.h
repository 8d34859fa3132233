#pragma once
// One input's power-on delay: number label, input name and a list of delays
// from 0.0 to 12.5 s in steps of 0.5 s (the bound value is in tenths).

#include "ui_TInputFrame.h"

#include <QFrame>

#include <string>

class TInputFrame : public QFrame {
public:
    explicit TInputFrame(QWidget* owner);

    void SetText(const std::string& text);
    void SetChangedFlag(bool* flag) { changed_ = flag; }
    // Shows *value (tenths) in the list; a value above 125 becomes 125, one
    // that is not a multiple of 5 becomes 0 (both stored back, flag set).
    void Bind(int* value);
    // Sets the changed flag and stores v into the bound value.
    void SetValue(int v);

    // The item text of a delay in tenths: "0.0", "0.5", ... "12.5".
    static std::string DelayText(int tenths);

    Ui::TInputFrame ui;

private:
    int number_;
    bool filling_ = false;
    bool* changed_ = nullptr;
    int* bound_ = nullptr;
};
