#include "pages/window/InputFrame.h"

#include "platform/Text.h"

#include <QKeyEvent>

namespace {
// The frames of a window are numbered 0, 1, ... in the order they are made;
// the count is kept on the window, so every main window has its A0..B15.
const char* const frameCountProperty = "inputFrameCount";

int NextFrameNumber(QWidget* owner) {
    QWidget* window = owner ? owner->window() : nullptr;
    if (!window)
        return 0;
    const int number = window->property(frameCountProperty).toInt();
    window->setProperty(frameCountProperty, number + 1);
    return number;
}

// The delay is chosen from the list only: every key is swallowed.
class SwallowKeys : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* event) override {
        return event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
    }
};
} // namespace

std::string TInputFrame::DelayText(int tenths) {
    std::string digits = std::to_string(tenths);
    if (digits.size() == 1)
        return "0." + digits;
    return digits.substr(0, digits.size() - 1) + "." + digits.back();
}

TInputFrame::TInputFrame(QWidget* owner) : QFrame(owner), number_(NextFrameNumber(owner)) {
    ui.setupUi(this);
    for (int v = 0; v <= 125; v += 5)
        ui.TimerBox->addItem(ToQString(DelayText(v)));
    ui.NrLabel->setText(ToQString((number_ < 8 ? "A" : "B") + std::to_string(number_)));
    ui.TimerBox->setCurrentIndex(0);
    ui.TimerBox->installEventFilter(new SwallowKeys(ui.TimerBox));
    QObject::connect(ui.TimerBox, &QComboBox::activated, this, [this](int index) {
        if (!filling_ && index >= 0)
            SetValue(index * 5);
    });
}

void TInputFrame::SetText(const std::string& text) {
    ui.TextLabel->setText(ToQString(text));
}

void TInputFrame::Bind(int* value) {
    bound_ = value;
    if (!value)
        return;
    if (*value > 125)
        SetValue(125);
    const int index = ui.TimerBox->findText(ToQString(DelayText(*value < 0 ? 1 : *value)));
    filling_ = true;
    ui.TimerBox->setCurrentIndex(index >= 0 ? index : 0);
    filling_ = false;
    if (index < 0)
        SetValue(0);
}

void TInputFrame::SetValue(int v) {
    if (changed_)
        *changed_ = true;
    if (bound_)
        *bound_ = v;
}
