// Serial settings dialog and the main window's command that opens it.
#include "link/window/Form2.h"

#include "link/PortSettings.h"
#include "link/window/RegisterCommands.h"
#include "platform/Numbers.h"
#include "platform/Text.h"
#include "platform/window/Dialogs.h"
#include "shell/window/Form1.h"
#include "shell/window/Program.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>

#include <cctype>
#include <optional>

namespace {

constexpr int portCount = 16;
constexpr const char* devicePrefix = "\\\\.\\"; // \\.\ in front of COM10 and above
constexpr int baudRates[] = {2400, 4800, 9600, 19200};

bool IsDevicePath(const std::string& name) {
    return !name.empty() && name[0] == '/';
}

std::string Trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

std::string UpperCase(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The number after the first "COM" when nothing else follows it; -1 otherwise.
int PortNumber(const std::string& name) {
    const auto pos = name.find("COM");
    if (pos == std::string::npos)
        return -1;
    const std::string digits = name.substr(pos + 3);
    const std::optional<std::uint64_t> number =
        digits.size() <= 6 ? ParseDigits(digits) : std::nullopt;
    return number ? static_cast<int>(*number) : -1;
}

} // namespace

TForm2::TForm2(QWidget* owner) : TFormBase(owner) {
    dataBits_[0] = ui.datenbitsgroup_0;
    dataBits_[1] = ui.datenbitsgroup_1;
    parity_[0] = ui.paritygroup_0;
    parity_[1] = ui.paritygroup_1;
    parity_[2] = ui.paritygroup_2;
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(size());
    // The list offers COM1 to COM16; a device path may be typed in as well.
    // Nothing selected until a known baud rate is shown (OK then means 9600),
    // so an unknown stored rate is never silently replaced by the first item.
    ui.boudratebox->setCurrentIndex(-1);
    ui.combox1->setEditable(true);
    ui.combox1->setInsertPolicy(QComboBox::NoInsert);
    FillPortList();
    connect(ui.ok, &QPushButton::clicked, this, [this] { okClick(); });
    connect(ui.abbrechen, &QPushButton::clicked, this, [this] { abbrechenClick(); });
}

void TForm2::FillPortList() {
    ui.combox1->clear();
    for (int i = 1; i <= portCount; ++i)
        ui.combox1->addItem(QStringLiteral("COM%1").arg(i));
}

std::string TForm2::ListEntryFor(const std::string& portName) {
    if (IsDevicePath(portName))
        return portName;
    // A name with the device prefix: the part from "COM" on.
    const auto pos = portName.find("COM");
    if (pos != std::string::npos && pos > 0)
        return portName.substr(pos);
    return portName;
}

std::string TForm2::PortNameFor(const std::string& entry) {
    std::string name = Trimmed(entry);
    if (name.empty())
        return "COM1";
    if (IsDevicePath(name))
        return name;
    name = UpperCase(name);
    if (name.rfind(devicePrefix, 0) == 0)
        name.erase(0, std::char_traits<char>::length(devicePrefix));
    if (name.empty())
        return "COM1";
    if (PortNumber(name) >= 10)
        name = devicePrefix + name;
    return name;
}

int TForm2::CheckedIndex(QRadioButton* const* buttons, int count) {
    for (int i = 0; i < count; ++i)
        if (buttons[i]->isChecked())
            return i;
    return -1;
}

void TForm2::Check(QRadioButton* const* buttons, int count, int index) {
    if (index >= 0 && index < count) {
        buttons[index]->setChecked(true);
        return;
    }
    // No item selected: the buttons let go of each other for a moment.
    for (int i = 0; i < count; ++i) {
        buttons[i]->setAutoExclusive(false);
        buttons[i]->setChecked(false);
        buttons[i]->setAutoExclusive(true);
    }
}

void TForm2::ShowSettings() {
    // Baud rate: an unknown value leaves the selection as it was.
    for (int i = 0; i < 4; ++i)
        if (PortBaudRate == baudRates[i])
            ui.boudratebox->setCurrentIndex(i);

    FillPortList();
    const std::string entry = ListEntryFor(PortName);
    const int index = IsDevicePath(entry) ? -1 : ui.combox1->findText(ToQString(entry));
    ui.combox1->setCurrentIndex(index);
    if (index < 0 && IsDevicePath(entry))
        ui.combox1->setEditText(ToQString(entry));

    if (PortDataBits == 7 || PortDataBits == 8)
        Check(dataBits_, 2, PortDataBits - 7);
    Check(parity_, 3, PortParity);
}

void TForm2::showEvent(QShowEvent* event) {
    // Not when the dialog comes back from being minimised.
    if (!event->spontaneous())
        ShowSettings();
    TFormBase::showEvent(event);
}

void TForm2::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        abbrechenClick();
        return;
    }
    TFormBase::keyPressEvent(event);
}

void TForm2::okClick() {
    // The port is left as every way out of the register browser leaves it:
    // the scan ends and an unlocked device is locked again while it is
    // still the one on the port.
    if (Form1)
        Form1->LeaveBrowser();
    ClosePort();
    PortName = PortNameFor(FromQString(ui.combox1->currentText()));
    const int baud = ui.boudratebox->currentIndex();
    PortBaudRate = (baud >= 0 && baud < 4) ? baudRates[baud] : 9600;
    PortDataBits = CheckedIndex(dataBits_, 2) + 7;
    if (PortDataBits < 7 || PortDataBits > 8) {
        Dialogs::ShowMessage("Fehler in den Datenbits!\n Auf 8 DatenBits gestellt!");
        PortDataBits = 8;
    }
    PortParity = CheckedIndex(parity_, 3);
    if (PortParity < 0 || PortParity > 2) {
        Dialogs::ShowMessage("Fehler in den Parity!\n Auf None gestellt!");
        PortParity = 0;
    }
    // The port that did not open has been reported by the protocol object;
    // the dialog stays open and nothing is saved.
    if (!OpenPort())
        return;
    if (Form1) {
        Form1->WriteSettingsFile();
        Form1->ui.down_load->setEnabled(true);
        Form1->ui.up_load->setEnabled(true);
        if (Form1->ui.BrowserEnable->isVisible())
            Form1->ui.BrowserEnable->setEnabled(true);
    }
    accept();
}

void TForm2::abbrechenClick() {
    reject();
}

void TForm2::SetFormCaption(const std::string& text) {
    setWindowTitle(ToQString(text));
}
void TForm2::SetLabel1Caption(const std::string& text) {
    ui.Label1->setText(ToQString(text));
}
void TForm2::SetLabel2Caption(const std::string& text) {
    ui.Label2->setText(ToQString(text));
}

void TForm1::Port1Click() {
    // A running read owns the port.
    if (!TransferCommandAllowed())
        return;
    ReadSettingsFile();
    TranslatePortSettingsDialog();
    if (!Form2)
        return;
    Form2->raise();
    Dialogs::ShowModal(*Form2);
}
