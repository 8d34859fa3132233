// The remote-terminal pages: impulse output with gain and offset, the two
// counter tabs, the input power-on delays, and the LED rows of the
// input/output test tab. The impulse switches and the delays are edited in
// working copies that reach the image through MergeIoWorkingCopies.
#include "device/ChangeFlags.h"
#include "device/DeviceTypes.h"
#include "device/RegisterImage.h"
#include "device/RegisterMap.h"
#include "pages/EditLogic.h"
#include "pages/IoLogic.h"
#include "pages/window/Bit8Feld.h"
#include "pages/window/InputFrame.h"
#include "pages/window/LedBalken.h"
#include "pages/window/PageFill.h"
#include "pages/window/Pages.h"
#include "shell/window/Form1.h"
#include "shell/window/Globals.h"

#include <QCheckBox>
#include <QLineEdit>

#include <array>

namespace {

// The item each impulse switch showed last (imp_ein, imp_out, analog_out,
// verbund_ein).
std::array<int, ImpulseSwitches> lastImpulseItems{};

std::array<TRadioGroup*, ImpulseSwitches> ImpulseGroups() {
    auto& ui = Form1->ui;
    return {ui.imp_ein, ui.imp_out, ui.analog_out, ui.verbund_ein};
}

// The counter controls in the order of CounterBitOf.
std::array<QWidget*, CounterControls> CounterWidgets() {
    auto& ui = Form1->ui;
    return {ui.za0,      ui.za1,      ui.za2,     ui.za3,    ui.za4,     ui.za5,      ui.za6,
            ui.za7,      ui.zb8,      ui.zb9,     ui.zb10,   ui.zb11,    ui.zb12,     ui.zb13,
            ui.zb14,     ui.zb15,     ui.za0_a1,  ui.za1_a2, ui.za2_a3,  ui.za3_a4,   ui.za4_a5,
            ui.za5_a6,   ui.za6_a7,   ui.za7_b8,  ui.zb8_b9, ui.zb9_b10, ui.zb10_b11, ui.zb11_b12,
            ui.zb12_b13, ui.zb13_b14, ui.zb14_b15};
}

int CounterCell(const CounterBit& c) {
    return c.pairing ? RegisterMap.benachbarte_zaehler : RegisterMap.konf_int_eing;
}

// A counter type's item or a pairing's tick as a bit; nothing without an item.
int CounterState(QWidget* control) {
    if (auto* box = qobject_cast<QCheckBox*>(control))
        return box->isChecked() ? 1 : 0;
    return static_cast<TRadioGroup*>(control)->ItemIndex();
}

void ShowCounterRange(int first, int last) {
    const auto widgets = CounterWidgets();
    FillingControls filling;
    for (int i = first; i <= last; ++i) {
        const CounterBit c = CounterBitOf(i);
        const int bit = static_cast<int>((ImageCell(CounterCell(c)) >> c.bit) & 1u);
        QWidget* w = widgets[static_cast<size_t>(i)];
        if (auto* box = qobject_cast<QCheckBox*>(w))
            box->setChecked(bit != 0);
        else
            static_cast<TRadioGroup*>(w)->SetItemIndex(bit);
    }
}

void CounterClick(int control) {
    if (ControlsUpdating)
        return;
    const CounterBit c = CounterBitOf(control);
    const int state = CounterState(CounterWidgets()[static_cast<size_t>(control)]);
    if (state < 0)
        return;
    GBits& bits = Form1->Bits;
    const int cell = CounterCell(c);
    bits.SetValue(ImageCell(cell));
    if (bits.TestBit(static_cast<unsigned>(c.bit)) == (state != 0))
        return;
    if (state)
        bits.SetBit(static_cast<unsigned>(c.bit));
    else
        bits.ClearBit(static_cast<unsigned>(c.bit));
    SetImageCell(cell, bits.GetValue());
    DeviceSettingsChanged = 1;
}

void ImpulseClick(int bit) {
    if (ControlsUpdating)
        return;
    TForm1& f = *Form1;
    if (bit == 0)
        EnableImpulseControls();
    const int item = ImpulseGroups()[static_cast<size_t>(bit)]->ItemIndex();
    int& last = lastImpulseItems[static_cast<size_t>(bit)];
    if (item >= 0 && item != last) {
        DeviceSettingsChanged = 1;
        last = item;
        f.ImpulseWord = WithImpulseItem(f.ImpulseWord, bit, item);
    }
    if (bit == 0 || bit == 2)
        EnableGainOffset(f.ui.analog_out->ItemIndex() == 0);
}

} // namespace

// ---- Impulse output ----------------------------------------------------------------

void LoadIoPage() {
    TForm1& f = *Form1;
    auto& ui = f.ui;
    const TRegisterMap& m = RegisterMap;
    // The switches stay as edited since the image was loaded; the measuring
    // interval is the cell's.
    f.ImpulseWord = (ImageCell(m.konf_impulsausgabe) & 0xFF00u) | (f.ImpulseWord & 0xFFu);
    ShowImpulsePage();
    ShowCountersA();
    ShowCountersB();
    ui.ab_rate_analog->setText(QString::number(ImageCell(m.abtastrate)));
    ui.timeout_t->setText(QString::number(ImageCell(m.t_time)));
    ui.timeout_x->setText(QString::number(ImageCell(m.x_time)));
}

void ShowImpulsePage() {
    TForm1& f = *Form1;
    FillingControls filling;
    f.ui.mess_int->setText(QString::fromStdString(
        EditDisplayText(Edits::MeasuringInterval, ImageCell(RegisterMap.konf_impulsausgabe))));
    const auto groups = ImpulseGroups();
    for (int bit = 0; bit < ImpulseSwitches; ++bit) {
        const int item = ImpulseItem(f.ImpulseWord, bit);
        groups[static_cast<size_t>(bit)]->SetItemIndex(item);
        lastImpulseItems[static_cast<size_t>(bit)] = item;
    }
    EnableImpulseControls();
}

void EnableImpulseControls() {
    auto& ui = Form1->ui;
    ui.imp_ein->setEnabled(true);
    const bool on = ui.imp_ein->ItemIndex() == 0;
    for (QWidget* w :
         std::initializer_list<QWidget*>{ui.imp_out, ui.analog_out, ui.verbund_ein, ui.mess_int})
        w->setEnabled(on);
}

void EnableGainOffset(bool analogOn) {
    auto& ui = Form1->ui;
    const bool enabled = analogOn && ui.imp_ein->ItemIndex() != 1;
    ui.gain_reg->setEnabled(enabled);
    ui.offset_reg->setEnabled(enabled);
}

void ShowGainOffset() {
    auto& ui = Form1->ui;
    ui.offset_reg->setText(
        QString::fromStdString(EditDisplayText(Edits::Offset, ImageCell(RegisterMap.offset))));
    ui.gain_reg->setText(
        QString::fromStdString(EditDisplayText(Edits::Gain, ImageCell(RegisterMap.gain))));
}

// ---- Counters ----------------------------------------------------------------------

void ShowCountersA() {
    ShowCounterRange(0, 7);   // za0..za7
    ShowCounterRange(16, 23); // za0_a1..za7_b8
}

void ShowCountersB() {
    ShowCounterRange(8, 15);  // zb8..zb15
    ShowCounterRange(24, 30); // zb8_b9..zb14_b15
}

// ---- Input delays ------------------------------------------------------------------

void TForm1::ShowInputDelays() {
    // Delays edited since the image was loaded stay until they are merged.
    if (!InputDelaysChanged)
        for (int i = 0; i < InputDelayCount; ++i)
            InputDelayValues[i] = static_cast<int>(ImageCell(FirstInputDelayCell + i));
    for (int i = 0; i < InputDelayCount; ++i)
        if (InputFrames[static_cast<size_t>(i)])
            InputFrames[static_cast<size_t>(i)]->Bind(&InputDelayValues[i]);
}

// ---- Working copies ----------------------------------------------------------------

void MergeIoWorkingCopies() {
    if (Form1)
        MergeWorkingCopies(RegisterImage, RegisterMap, DeviceFamily, Form1->ImpulseWord,
                           InputDelayValues, InputDelaysChanged);
}

void ReloadIoWorkingCopies() {
    if (!Form1)
        return;
    const int cell = RegisterMap.konf_impulsausgabe;
    Form1->ImpulseWord = DeviceFamily == FamilyWBS420 && cell != 0 ? ImageCell(cell) : 0;
    for (int i = 0; i < InputDelayCount; ++i)
        InputDelayValues[i] = static_cast<int>(ImageCell(FirstInputDelayCell + i));
}

// ---- LED rows ----------------------------------------------------------------------

void TForm1::SetupLedRows() {
    if (!LedBalken1 || !LedBalken2 || LedBalken1->Visible())
        return;
    struct Row {
        TLedBalken& row;
        int16_t top, left;
        uint32_t on, off;
        int16_t groupGap;
    };
    for (const Row& r :
         {Row{*LedBalken1, 231, 7, 0xFF, 0x80, 77}, Row{*LedBalken2, 8, 6, 0xFF00, 0x8000, 85}}) {
        r.row.SetTop(r.top);
        r.row.SetLeft(r.left);
        r.row.SetWidth(20);
        r.row.SetHeight(20);
        r.row.SetOnColor(r.on);
        r.row.SetOffColor(r.off);
        r.row.SetValue(0);
        r.row.SetGroupGap(r.groupGap);
        r.row.SetGap(14);
    }
    // The inputs are the device's: only the outputs are clicked.
    LedBalken2->SetEditable(false);
    LedBalken1->Show();
    LedBalken2->Show();
}

// ---- Wiring ------------------------------------------------------------------------

void ConnectIoPages(TForm1& form) {
    auto& ui = form.ui;
    form.LedBalken1 = std::make_unique<TLedBalken>(ui.InOutput);
    form.LedBalken2 = std::make_unique<TLedBalken>(ui.InOutput);
    form.Bit8Feld1 = std::make_unique<TBit8Feld>(ui.PreSetsTab, 156, 40);
    form.Bit8Feld2 = std::make_unique<TBit8Feld>(ui.PreSetsTab, 156, 182);
    const auto groups = ImpulseGroups();
    for (int bit = 0; bit < ImpulseSwitches; ++bit)
        groups[static_cast<size_t>(bit)]->OnClick = [bit] { ImpulseClick(bit); };
    const auto widgets = CounterWidgets();
    for (int i = 0; i < CounterControls; ++i) {
        QWidget* w = widgets[static_cast<size_t>(i)];
        if (auto* box = qobject_cast<QCheckBox*>(w))
            QObject::connect(box, &QCheckBox::toggled, &form, [i] { CounterClick(i); });
        else {
            auto* group = static_cast<TRadioGroup*>(w);
            group->SetColumns(2); // the two counter types side by side
            group->OnClick = [i] { CounterClick(i); };
        }
    }
}
