#pragma once
// Eight check boxes editing bits 7..0 of a value, the highest bit leftmost.
// A box the user ticks changes its bit and tells the owner; filling the boxes
// from a value tells nobody.

#include "device/RegisterClasses.h"

#include <QPointer>

#include <array>
#include <cstdint>
#include <functional>

class QCheckBox;
class QWidget;

class TBit8Feld {
public:
    TBit8Feld(QWidget* parent, int top, int left);
    ~TBit8Feld();
    TBit8Feld(const TBit8Feld&) = delete;
    TBit8Feld& operator=(const TBit8Feld&) = delete;

    // Stores value and ticks the box of each set bit 0..7.
    void SetValue(uint32_t value);
    uint32_t GetValue() const { return value_.GetValue(); }
    void SetOnChange(std::function<void(TBit8Feld*)> onChange) { onChange_ = std::move(onChange); }
    void BoxClick(QCheckBox* box);
    // Box j from the left stands for bit 7 - j.
    QCheckBox* Box(int j) const { return boxes_[static_cast<size_t>(j)]; }

private:
    bool filling_ = false;
    std::function<void(TBit8Feld*)> onChange_;
    TRegister value_;
    std::array<QPointer<QCheckBox>, 8> boxes_{};
};
