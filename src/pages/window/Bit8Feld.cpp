#include "pages/window/Bit8Feld.h"

#include <QCheckBox>

namespace {
const char* const bitProperty = "bit";
}

TBit8Feld::TBit8Feld(QWidget* parent, int top, int left) {
    for (int j = 0; j < 8; ++j) {
        auto* box = new QCheckBox(parent);
        box->setObjectName(QString("Bit%1").arg(7 - j));
        box->setProperty(bitProperty, 7 - j);
        box->setGeometry(left + 15 * j + (j >= 4 ? 10 : 0), top, 25, 25);
        box->setFocusPolicy(Qt::ClickFocus);
        QObject::connect(box, &QCheckBox::toggled, box, [this, box] { BoxClick(box); });
        boxes_[static_cast<size_t>(j)] = box;
    }
}

TBit8Feld::~TBit8Feld() {
    for (QPointer<QCheckBox>& box : boxes_)
        delete box.data();
}

void TBit8Feld::BoxClick(QCheckBox* box) {
    if (filling_)
        return;
    const unsigned bit = box->property(bitProperty).toUInt();
    if (box->isChecked())
        value_.SetBit(bit);
    else
        value_.ClearBit(bit);
    if (onChange_)
        onChange_(this);
}

void TBit8Feld::SetValue(uint32_t value) {
    value_.SetValue(value);
    filling_ = true;
    for (int i = 0; i < 8; ++i)
        if (QCheckBox* box = boxes_[static_cast<size_t>(7 - i)])
            box->setChecked(((value >> i) & 1u) != 0);
    filling_ = false;
}
