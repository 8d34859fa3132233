// The device-settings tabs: the settings group of register 917 with its
// companions, the device's serial interface, the 3964R timing, Modbus and
// the repeater. Every handler edits the register image only and raises
// DeviceSettingsChanged; the family writers send the cells.
#include "device/ChangeFlags.h"
#include "device/DeviceTypes.h"
#include "device/RegisterImage.h"
#include "device/RegisterMap.h"
#include "pages/SettingsLogic.h"
#include "pages/window/PageFill.h"
#include "pages/window/Pages.h"
#include "platform/Text.h"
#include "shell/window/Form1.h"
#include "shell/window/Globals.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <functional>
#include <optional>
#include <vector>

namespace {

// ---- Applying a decided state ---------------------------------------------------

void Apply(QCheckBox* box, const OptionState& s) {
    box->setVisible(s.visible);
    box->setEnabled(s.enabled);
    box->setChecked(s.checked);
}

void Apply(TRadioGroup* group, const ChoiceState& s) {
    group->setVisible(s.visible);
    group->setEnabled(s.enabled);
    group->SetItemIndex(s.item);
}

void FillMopTimeoutBox(QComboBox* box, int items) {
    if (box->count() == items)
        return;
    box->clear();
    for (int i = 1; i <= items; ++i)
        box->addItem(QString::number(i * 10) + " ms");
}

// ---- Bit handlers ------------------------------------------------------------------

// How a control stands for its bit.
enum class Sense { CheckedSet, CheckedClear, Item0Set, Item1Set };

struct BitRow {
    QWidget* control;
    int reg; // device register of the cell
    unsigned bit;
    Sense sense;
    int family = FamilyNone; // the only family it applies to; none: all
    // Runs after the comparison, whether the bit changed or not.
    std::function<void()> after = nullptr;
    // Runs only when the bit changed.
    std::function<void()> changed = nullptr;
};

// The bit the control asks for; nothing while a group has no item.
std::optional<bool> Wanted(const BitRow& row) {
    if (auto* box = qobject_cast<QCheckBox*>(row.control))
        return row.sense == Sense::CheckedClear ? !box->isChecked() : box->isChecked();
    const int item = static_cast<TRadioGroup*>(row.control)->ItemIndex();
    if (item < 0)
        return std::nullopt;
    return row.sense == Sense::Item1Set ? item == 1 : item == 0;
}

void BitClick(const BitRow& row) {
    if (ControlsUpdating)
        return;
    if (row.family != FamilyNone && DeviceFamily != row.family)
        return;
    const std::optional<bool> wanted = Wanted(row);
    if (!wanted)
        return;
    GBits& bits = Form1->Bits;
    const int cell = static_cast<int>(row.reg - FirstImageRegister);
    bits.SetValue(ImageCell(cell));
    if (bits.TestBit(row.bit) != *wanted) {
        if (*wanted)
            bits.SetBit(row.bit);
        else
            bits.ClearBit(row.bit);
        SetImageCell(cell, bits.GetValue());
        DeviceSettingsChanged = 1;
        if (row.changed)
            row.changed();
    }
    if (row.after)
        row.after();
}

// Family 0x21: the S7 OPC option is open only while the gateway function is off.
void GateS7Opc() {
    Form1->ui.S7OPC->setEnabled((ImageCell(17) & 0x08u) == 0);
}

std::vector<BitRow> BitRows(Ui::TForm1& ui) {
    return {
        {ui.GatewayFunktion, 917, 3, Sense::CheckedSet, FamilyNone,
         [] {
             if (DeviceFamily == FamilyKVL420)
                 GateS7Opc();
         }},
        {ui.GatewayMRTU, 917, 4, Sense::CheckedSet, FamilyNone, nullptr,
         [&ui] { ui.MoPtimeoutBox1->setEnabled(ui.GatewayMRTU->isChecked()); }},
        {ui.S7OPC, 917, 5, Sense::CheckedSet, FamilyNone,
         [] {
             if (DeviceFamily == FamilyKVL420)
                 GateS7Opc();
         }},
        {ui.Counter, 917, 3, Sense::CheckedSet},
        {ui.Pipeline, 917, 8, Sense::CheckedSet},
        {ui.MoPMastermode, 917, 10, Sense::CheckedSet},
        {ui.DatenrateFunk, 917, 9, Sense::Item0Set},
        {ui.dzfFunk, 917, 9, Sense::Item0Set},
        {ui.ComRS4xx, 917, 10, Sense::Item0Set, FamilyKVL420},
        {ui.ComRS4xx, 917, 11, Sense::Item0Set, FamilyWBS420},
        {ui.CounterWrite, 917, 12, Sense::CheckedSet},
        {ui.FeldstaerkenByte, 917, 11, Sense::CheckedSet},
        {ui.OffsetAdrRTU, 916, 7, Sense::CheckedSet, FamilyWBS420},
        {ui.MOP2deaktivieren, 915, 0, Sense::CheckedClear},
        {ui.Modbuszugriff, 958, 0, Sense::CheckedSet},
        {ui.sortieren, 959, 0, Sense::CheckedSet},
        {ui.Autoaktivierung, 961, 0, Sense::CheckedSet},
        {ui.dzfBetrieb, 917, 0, Sense::Item1Set},
    };
}

// ---- Value handlers ----------------------------------------------------------------

void RTSaktivierenClick() {
    if (ControlsUpdating)
        return;
    // Register 934 holds 3 with RTS on; the box shows and compares exactly that.
    const bool on = Form1->ui.RTSaktivieren->isChecked();
    if (on != (ImageCell(34) == 3)) {
        SetImageCell(34, on ? 3u : 0u);
        DeviceSettingsChanged = 1;
    }
}

void timeoutdeaktivierenClick() {
    if (ControlsUpdating)
        return;
    auto& ui = Form1->ui;
    const bool off = ui.timeoutdeaktivieren->isChecked();
    SetImageCell(60, off ? 65535u : 600u);
    ui.Modbus_Timeout->setEnabled(!off);
    ui.Modbus_Timeout->setText(off ? "65535" : "600");
    DeviceSettingsChanged = 1;
}

void StoreIfChanged(int cell, uint32_t value) {
    if (ImageCell(cell) != value) {
        SetImageCell(cell, value);
        DeviceSettingsChanged = 1;
    }
}

void baudrateClick() {
    if (ControlsUpdating)
        return;
    const int item = Form1->ui.baudrate->ItemIndex();
    const int cell = RegisterMap.konf_com0;
    if (item >= 0 && item != BaudRateItem(ImageCell(cell)))
        StoreIfChanged(cell, WithBaudRate(ImageCell(cell), item));
}

// Seven data bits without parity cannot be chosen: each group closes the
// other's button that would make it.
void ApplyFormatRule() {
    auto& ui = Form1->ui;
    ui.Datenbits->Button(DataBitsSeven)->setEnabled(ui.Parity->ItemIndex() != ParityNone);
    ui.Parity->Button(ParityNone)->setEnabled(ui.Datenbits->ItemIndex() != DataBitsSeven);
}

void FormatClick() {
    if (ControlsUpdating)
        return;
    auto& ui = Form1->ui;
    ApplyFormatRule();
    const int parity = ui.Parity->ItemIndex();
    const int dataBits = ui.Datenbits->ItemIndex();
    if (parity < 0 || dataBits < 0)
        return;
    const int cell = RegisterMap.konf_com0;
    StoreIfChanged(cell, WithFormat(ImageCell(cell), parity, dataBits));
}

void StoreChoice(int cell, uint32_t value) {
    SetImageCell(cell, value);
    DeviceSettingsChanged = 1;
}

} // namespace

// ---- The loaders -------------------------------------------------------------------

void ShowSettingsPage() {
    TForm1& f = *Form1;
    auto& ui = f.ui;
    SettingsInput in;
    in.family = DeviceFamily;
    in.firmware = f.FirmwareHundredths;
    in.typeCode = ImageCell(DeviceTypeCell);
    in.reg917 = ImageCell(17);
    in.reg918 = ImageCell(18);
    in.reg915 = ImageCell(15);
    in.reg934 = ImageCell(34);
    in.operating = ImageCell(RegisterMap.g_betriebsart);
    const SettingsPageState s = SettingsPageFor(in);
    FillingControls filling;
    ui.reg917->setVisible(s.groupVisible);
    ui.Fadresse->setVisible(s.FadresseVisible);
    Apply(ui.GatewayFunktion, s.GatewayFunktion);
    Apply(ui.GatewayMRTU, s.GatewayMRTU);
    Apply(ui.S7OPC, s.S7OPC);
    Apply(ui.FeldstaerkenByte, s.FeldstaerkenByte);
    Apply(ui.Counter, s.Counter);
    Apply(ui.CounterWrite, s.CounterWrite);
    Apply(ui.Pipeline, s.Pipeline);
    Apply(ui.MoPMastermode, s.MoPMastermode);
    Apply(ui.MOP2deaktivieren, s.MOP2deaktivieren);
    Apply(ui.RTSaktivieren, s.RTSaktivieren);
    ui.MoPtimeout->setVisible(s.MoPtimeout.visible);
    ui.MoPtimeout->setEnabled(s.MoPtimeout.enabled);
    FillMopTimeoutBox(ui.MoPtimeoutBox1, s.mopTimeoutItems);
    ui.MoPtimeoutBox1->setVisible(s.MoPtimeoutBox1.visible);
    ui.MoPtimeoutBox1->setEnabled(s.MoPtimeoutBox1.enabled);
    ui.MoPtimeoutBox1->setCurrentIndex(s.MoPtimeoutBox1.item);
    Apply(ui.DatenrateFunk, s.DatenrateFunk);
    Apply(ui.ComRS4xx, s.ComRS4xx);
}

void TForm1::ShowProtocolPage() {
    // The interface shown never changes the image: the handlers stay quiet.
    FillingControls filling;
    const uint32_t cell = ImageCell(RegisterMap.konf_com0);
    ui.baudrate->SetItemIndex(BaudRateItem(cell));
    if (Has3964R) {
        ui.baudrate->resize(ui.baudrate->width(), 209);
        ui.TimeoutZ1->setVisible(true);
        ui.TimeoutZ1->setTitle(ToQString(GetText("$T18008")));
        ui.TimeoutZ2->setCurrentIndex(TimeoutZ2Item(ImageCell(36)));
    } else {
        ui.baudrate->resize(ui.baudrate->width(), 282);
        ui.TimeoutZ1->setVisible(false);
    }
    const FormatItems items = FormatItemsOf(cell);
    ui.Parity->SetItemIndex(items.parity);
    ui.Datenbits->SetItemIndex(items.dataBits);
    ApplyFormatRule();
}

void ShowModbusPage() {
    auto& ui = Form1->ui;
    FillingControls filling;
    ui.Modbuszugriff->setChecked((ImageCell(58) & 1u) != 0);
    ui.sortieren->setChecked((ImageCell(59) & 1u) != 0);
    ui.Autoaktivierung->setChecked((ImageCell(61) & 1u) != 0);
    const uint32_t timeout = ImageCell(60);
    ui.Modbus_Timeout->setText(QString::number(timeout));
    ui.timeoutdeaktivieren->setChecked(timeout == 65535);
    ui.Modbus_Timeout->setEnabled(timeout != 65535);
    ui.Interleaving_edit->setText(QString::number(ImageCell(62)));
    ui.x_Timeout_Edit->setText(QString::number(ImageCell(64)));
    ui.t_Timeout_Edit->setText(QString::number(ImageCell(63)));
}

void TForm1::ShowRepeaterPage() {
    FillingControls filling;
    ui.dzfBeginAdr->setCurrentIndex(RepeaterStartItem(ImageCell(35)));
    ui.dzfGrossAdr->setCurrentIndex(RepeaterSizeItem(ImageCell(36)));
    ui.dzfBetrieb->SetItemIndex(static_cast<int>(ImageCell(17) & 1u));
    ui.dzfFunk->SetItemIndex((ImageCell(17) & 0x200u) ? 0 : 1);
}

// ---- Wiring ------------------------------------------------------------------------

void ConnectSettingsPages(TForm1& form) {
    auto& ui = form.ui;
    for (const BitRow& row : BitRows(ui)) {
        if (auto* box = qobject_cast<QCheckBox*>(row.control))
            QObject::connect(box, &QCheckBox::toggled, &form, [row] { BitClick(row); });
    }
    // A group bound to several rows (one per family) runs each of them.
    auto groupRows = [&ui](TRadioGroup* group) {
        std::vector<BitRow> rows;
        for (const BitRow& row : BitRows(ui))
            if (row.control == group)
                rows.push_back(row);
        group->OnClick = [rows] {
            for (const BitRow& row : rows)
                BitClick(row);
        };
    };
    for (TRadioGroup* group : {ui.DatenrateFunk, ui.dzfFunk, ui.ComRS4xx, ui.dzfBetrieb})
        groupRows(group);
    QObject::connect(ui.RTSaktivieren, &QCheckBox::toggled, &form, [] { RTSaktivierenClick(); });
    QObject::connect(ui.timeoutdeaktivieren, &QCheckBox::toggled, &form,
                     [] { timeoutdeaktivierenClick(); });
    ui.baudrate->OnClick = [] { baudrateClick(); };
    ui.Parity->OnClick = [] { FormatClick(); };
    ui.Datenbits->OnClick = [] { FormatClick(); };

    // The combo boxes change on the user's choice only.
    auto onChoice = [&form](QComboBox* box, std::function<void(int)> handler) {
        QObject::connect(box, &QComboBox::activated, &form, [handler](int item) {
            if (item >= 0)
                handler(item);
        });
    };
    onChoice(ui.MoPtimeoutBox1, [](int item) { StoreChoice(18, static_cast<uint32_t>(item + 1)); });
    onChoice(ui.ZeichenVer1, [](int item) { StoreChoice(32, static_cast<uint32_t>(item + 1)); });
    onChoice(ui.QuittungVer1, [](int item) { StoreChoice(33, static_cast<uint32_t>(item + 1)); });
    onChoice(ui.TimeoutZ2, [](int item) { StoreChoice(36, TimeoutZ2Value(item)); });
    onChoice(ui.dzfBeginAdr,
             [](int item) { StoreChoice(35, WithRepeaterStart(ImageCell(35), item)); });
    onChoice(ui.dzfGrossAdr,
             [](int item) { StoreChoice(36, WithRepeaterSize(ImageCell(36), item)); });
}
