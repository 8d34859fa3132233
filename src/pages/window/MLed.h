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
    void SetSize(TLEDSize size);
    void SetColor(TLEDColor color);
    void SetState(TLEDState state);
    void SetAbout(const std::string& about) { about_ = about; }

    TLEDSize Size() const { return size_; }
    TLEDColor Color() const { return color_; }
    TLEDState State() const { return state_; }
    const std::string& About() const { return about_; }
    // The name of the picture shown.
    const std::string& Picture() const { return picture_; }

    // "Y", "R", "G" or "B", then "ON" or "OFF", then "S", "" or "B".
    static std::string PictureName(TLEDSize size, TLEDColor color, TLEDState state);

private:
    TLEDSize size_ = TLEDSize::lzNormal;
    TLEDColor color_ = TLEDColor::lcRed;
    TLEDState state_ = TLEDState::lsOFF;
    std::string about_;
    std::string picture_;
};
