#include "pages/window/LedBalken.h"

#include "pages/IoLogic.h"

#include <QMouseEvent>
#include <QPainter>

TShape::TShape(QWidget* parent, TLedBalken& row, int tag) : QWidget(parent), row_(row), tag_(tag) {
    setObjectName(QString("Led%1").arg(tag));
}

void TShape::SetBrushColor(const QColor& color) {
    brush_ = color;
    update();
}

void TShape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(brush_);
    painter.drawEllipse(rect().adjusted(0, 0, -1, -1));
}

void TShape::mousePressEvent(QMouseEvent* event) {
    row_.LedMouseDown(*this, event->button());
}

TLedBalken::TLedBalken(QWidget* parent) {
    for (int i = 0; i < 16; ++i) {
        auto* led = new TShape(parent, *this, i);
        led->setGeometry(0, top_, width_, height_);
        led->hide();
        leds_[static_cast<size_t>(i)] = led;
    }
    Layout();
}

TLedBalken::~TLedBalken() {
    for (QPointer<TShape>& led : leds_)
        delete led.data();
}

void TLedBalken::SetWidth(int16_t width) {
    width_ = width;
    for (TShape* led : leds_)
        if (led)
            led->resize(width_, led->height());
    Layout();
}

void TLedBalken::SetTop(int16_t top) {
    top_ = top;
    for (TShape* led : leds_)
        if (led)
            led->move(led->x(), top_);
}

void TLedBalken::SetLeft(int16_t left) {
    left_ = left;
    Layout();
}

void TLedBalken::SetHeight(int16_t height) {
    height_ = height;
    for (TShape* led : leds_)
        if (led)
            led->resize(led->width(), height_);
}

void TLedBalken::SetGap(int16_t gap) {
    gap_ = gap;
    Layout();
}

void TLedBalken::SetGroupGap(int16_t gap) {
    groupGap_ = gap;
    Layout();
}

void TLedBalken::SetOnColor(uint32_t color) {
    onColor_ = color;
    Repaint();
}

void TLedBalken::SetOffColor(uint32_t color) {
    offColor_ = color;
    Repaint();
}

void TLedBalken::SetValue(uint16_t value) {
    word_.SetValue(value);
    Repaint();
}

void TLedBalken::Show() {
    visible_ = true;
    ApplyVisible();
}

void TLedBalken::ApplyVisible() {
    for (TShape* led : leds_)
        if (led)
            led->setVisible(visible_);
}

void TLedBalken::Layout() {
    for (int i = 0; i < 16; ++i)
        if (TShape* led = leds_[static_cast<size_t>(i)])
            led->move(LedLeft(i, left_, width_, gap_, groupGap_), led->y());
}

void TLedBalken::Repaint() {
    for (int i = 0; i < 16; ++i)
        if (TShape* led = leds_[static_cast<size_t>(i)])
            led->SetBrushColor(
                ColorFromRef(word_.TestBit(static_cast<unsigned>(i)) ? onColor_ : offColor_));
}

void TLedBalken::LedMouseDown(const TShape& led, Qt::MouseButton button) {
    if (button != Qt::LeftButton || !editable_)
        return;
    word_.ToggleBit(static_cast<unsigned>(led.Tag()));
    Repaint();
}
