#pragma once
// A row of 16 round LEDs showing the bits of a word (LED i shows bit i), in
// two groups of eight. An editable row toggles a bit when its LED is clicked
// with the left button. Colours are given as 0x00BBGGRR.

#include "device/RegisterClasses.h"

#include <QColor>
#include <QPointer>
#include <QWidget>

#include <array>
#include <cstdint>

// A colour given as 0x00BBGGRR (0xFF is red, 0xFF00 lime).
inline QColor ColorFromRef(uint32_t ref) {
    return QColor(static_cast<int>(ref & 0xFF), static_cast<int>((ref >> 8) & 0xFF),
                  static_cast<int>((ref >> 16) & 0xFF));
}

class TLedBalken;

// One LED: a filled circle without an outline.
class TShape : public QWidget {
public:
    TShape(QWidget* parent, TLedBalken& row, int tag);
    int Tag() const { return tag_; }
    QColor BrushColor() const { return brush_; }
    void SetBrushColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    TLedBalken& row_;
    int tag_;
    QColor brush_ = Qt::white;
};

class TLedBalken {
public:
    explicit TLedBalken(QWidget* parent);
    ~TLedBalken();
    TLedBalken(const TLedBalken&) = delete;
    TLedBalken& operator=(const TLedBalken&) = delete;

    void SetWidth(int16_t width);
    void SetTop(int16_t top);
    void SetLeft(int16_t left);
    void SetHeight(int16_t height);
    void SetGap(int16_t gap);
    void SetGroupGap(int16_t gap);
    void SetOnColor(uint32_t color);
    void SetOffColor(uint32_t color);
    void SetValue(uint16_t value);
    uint16_t GetValue() const { return static_cast<uint16_t>(word_.GetValue()); }
    void SetEditable(bool editable) { editable_ = editable; }
    bool Visible() const { return visible_; }
    void Show();
    void ApplyVisible();
    void Layout();
    void Repaint();
    void LedMouseDown(const TShape& led, Qt::MouseButton button);
    TShape* Led(int i) const { return leds_[static_cast<size_t>(i)]; }

private:
    int16_t width_ = 17;
    int16_t top_ = 10;
    int16_t left_ = 10;
    int16_t height_ = 17;
    int16_t gap_ = 5;
    int16_t groupGap_ = 25;
    bool visible_ = false;
    bool editable_ = true;
    uint32_t onColor_ = 0xFFFFFF;
    uint32_t offColor_ = 0xFFFFFF;
    GBits word_;
    std::array<QPointer<TShape>, 16> leds_{};
};
