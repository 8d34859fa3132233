#pragma once
// A single LED picture in three sizes and four colours, on or off. Each look
// is a picture named by colour letter, state and size ("YON" .. "BOFFB");
// the pictures are drawn by the program.

#include <QLabel>

#include <string>

enum class TLEDSize { lzSmall, lzNormal, lzBig };
enum class TLEDState { lsON, lsOFF };
enum class TLEDColor { lcYellow, lcRed, lcGreen, lcBlue };

class TmLED : public QLabel {
public:
    explicit TmLED(QWidget* owner = nullptr);

    void DrawLED(TLEDSize size, TLEDColor color, TLEDState state);
    void SetState(TLEDState state);
    TLEDState State() const { return state_; }

    // "Y", "R", "G" or "B", then "ON" or "OFF", then "S", "" or "B".
    static std::string PictureName(TLEDSize size, TLEDColor color, TLEDState state);

private:
    TLEDSize size_ = TLEDSize::lzNormal;
    TLEDColor color_ = TLEDColor::lcRed;
    TLEDState state_ = TLEDState::lsOFF;
};
