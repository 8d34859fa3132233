#include "pages/window/MLed.h"

#include <QPainter>
#include <QPixmap>
#include <QRadialGradient>

#include <map>

namespace {

int Diameter(TLEDSize size) {
    switch (size) {
    case TLEDSize::lzSmall:
        return 10;
    case TLEDSize::lzBig:
        return 22;
    default:
        return 15;
    }
}

QColor Hue(TLEDColor color) {
    switch (color) {
    case TLEDColor::lcYellow:
        return QColor(255, 220, 0);
    case TLEDColor::lcGreen:
        return QColor(0, 200, 0);
    case TLEDColor::lcBlue:
        return QColor(0, 90, 255);
    default:
        return QColor(230, 0, 0);
    }
}

// The picture of one look: a lit LED shines, an unlit one is dark.
QPixmap DrawPicture(TLEDSize size, TLEDColor color, TLEDState state) {
    const int d = Diameter(size);
    QPixmap pixmap(d, d);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor hue = Hue(color);
    const QColor body = state == TLEDState::lsON ? hue : hue.darker(300);
    QRadialGradient light(d * 0.35, d * 0.35, d * 0.6);
    light.setColorAt(0, state == TLEDState::lsON ? body.lighter(170) : body.lighter(130));
    light.setColorAt(1, body);
    painter.setPen(QPen(hue.darker(400), 1));
    painter.setBrush(light);
    painter.drawEllipse(QRectF(0.5, 0.5, d - 1.0, d - 1.0));
    return pixmap;
}

// The 24 pictures, drawn once each.
const QPixmap& LedPicture(TLEDSize size, TLEDColor color, TLEDState state) {
    static std::map<std::string, QPixmap> pictures;
    const std::string name = TmLED::PictureName(size, color, state);
    auto it = pictures.find(name);
    if (it == pictures.end())
        it = pictures.emplace(name, DrawPicture(size, color, state)).first;
    return it->second;
}

} // namespace

TmLED::TmLED(QWidget* owner) : QLabel(owner) {
    setAttribute(Qt::WA_TranslucentBackground);
    setVisible(true);
    DrawLED(size_, color_, state_);
}

std::string TmLED::PictureName(TLEDSize size, TLEDColor color, TLEDState state) {
    static const char* const letters[] = {"Y", "R", "G", "B"};
    static const char* const sizes[] = {"S", "", "B"};
    return std::string(letters[static_cast<int>(color)]) +
           (state == TLEDState::lsON ? "ON" : "OFF") + sizes[static_cast<int>(size)];
}

void TmLED::DrawLED(TLEDSize size, TLEDColor color, TLEDState state) {
    setPixmap(LedPicture(size, color, state));
    // The picture sizes the component.
    resize(pixmap().size());
    update();
}

void TmLED::SetState(TLEDState state) {
    state_ = state;
    DrawLED(size_, color_, state_);
}
