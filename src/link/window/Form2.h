#pragma once
// Serial settings dialog: the PC's serial port, and the baud rate, data bits
// and parity kept in the settings. The line itself always runs at 9600 baud,
// 8 data bits, no parity, 1 stop bit.

#include "platform/window/FormBase.h"
#include "ui_TForm2.h"

#include <string>

class QKeyEvent;
class QRadioButton;
class QShowEvent;

class TForm2 : public TFormBase<Ui::TForm2> {
public:
    explicit TForm2(QWidget* owner);

    // Takes over the choices, saves them and reopens the port; the dialog
    // stays open when the port does not open.
    void okClick();
    // Closes the dialog without changes.
    void abbrechenClick();

    // Texts in the chosen language (Windows-1252).
    void SetFormCaption(const std::string& text);
    void SetLabel1Caption(const std::string& text);
    void SetLabel2Caption(const std::string& text);

    // The list entry a stored port name selects: "COMn" for "COMn" and
    // "\\.\COMn", the name itself for a device path beginning with "/",
    // "" for anything else.
    static std::string ListEntryFor(const std::string& portName);
    // The port name an entry or typed text stands for: "COM1" for "", a
    // device path beginning with "/" as typed, anything else in upper case
    // and with "\\.\" in front for port numbers of 10 and above.
    static std::string PortNameFor(const std::string& entry);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FillPortList();
    void ShowSettings();
    static int CheckedIndex(QRadioButton* const* buttons, int count);
    static void Check(QRadioButton* const* buttons, int count, int index);

    QRadioButton* dataBits_[2] = {};
    QRadioButton* parity_[3] = {};
};
