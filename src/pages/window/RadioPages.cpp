// The radio pages: the channel list, the transmit power, the time slots and
// the operating mode. Every handler edits the register image in place and
// raises a change flag; nothing goes to the device here.
#include "device/ChangeFlags.h"
#include "device/DeviceTypes.h"
#include "device/PowerTable.h"
#include "device/RegisterImage.h"
#include "device/RegisterMap.h"
#include "pages/PageLogic.h"
#include "pages/window/PageFill.h"
#include "pages/window/Pages.h"
#include "platform/Text.h"
#include "platform/window/Dialogs.h"
#include "shell/LogFile.h"
#include "shell/Sprache.h"
#include "shell/window/Form1.h"
#include "shell/window/Globals.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

std::array<QCheckBox*, TimeSlotCount> TimeSlotBoxes() {
    auto& ui = Form1->ui;
    return {ui.Z1, ui.Z2, ui.Z3, ui.Z4, ui.Z5, ui.Z6, ui.Z7, ui.Z8, ui.Z9, ui.Z10};
}

// Room around the channel list on its page, and inside the list's group.
constexpr int ChannelPageMargin = 8;
constexpr int ChannelGroupMargin = 16;
// The frame of a page control around its pages.
constexpr int PageFrame = 4;

// The channel list fills its page and scrolls down when a full table needs
// more rows than the page has.
void PutChannelListInScroller(Ui::TForm1& ui) {
    auto* area = new QScrollArea(ui.Frequenzliste);
    area->setObjectName("frequenz1Scroller");
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setWidget(ui.frequenz1);
    auto* layout = new QVBoxLayout(ui.Frequenzliste);
    layout->setContentsMargins(ChannelPageMargin, ChannelPageMargin, ChannelPageMargin,
                               ChannelPageMargin);
    layout->addWidget(area);
}

// Columns of the channel list: as many as the table wants, as long as every
// entry shows its whole text side by side.
int ChannelListColumns(int count) {
    TForm1& f = *Form1;
    TRadioGroup* group = f.ui.frequenz1;
    int itemWidth = 0;
    for (int i = 0; i < group->Count(); ++i)
        itemWidth = std::max(itemWidth, group->Button(i)->sizeHint().width());
    const auto* grid = qobject_cast<QGridLayout*>(group->layout());
    const int spacing = grid ? std::max(0, grid->horizontalSpacing()) : 0;
    const int scrollBar = f.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int room = f.ui.PageControl1->width() - 2 * PageFrame - 2 * ChannelPageMargin -
                     ChannelGroupMargin - scrollBar;
    return FittingColumns(ChannelColumns(count), itemWidth + spacing, room);
}

} // namespace

void TForm1::ReportOutOfRange(int cell) {
    ErrorBox(Sprache->GetText2Args("$T30053", std::to_string(FirstImageRegister + cell),
                                   std::to_string(ImageCell(cell))));
}

// ---- Transmit power --------------------------------------------------------

void FillPowerGroup(bool lowPower, uint32_t index, uint32_t value) {
    TForm1& f = *Form1;
    TRadioGroup* group = f.ui.sendeleistung;
    FillingControls filling;
    QStringList captions;
    for (const std::string& caption : PowerCaptions(lowPower))
        captions << ToQString(caption);
    group->SetItems(captions);
    group->SetColumns(PowerColumns(lowPower));
    const bool inGroup = index < static_cast<uint32_t>(group->Count());
    if (f.PowerExactMatch) {
        group->SetFontColor(QColor());
    } else {
        const std::string text =
            f.GetText("$T30021") + "\n" + f.Sprache->GetText1Arg("$T30048", std::to_string(value));
        Dialogs::ShowMessage(text);
        if (f.LogFile)
            f.LogFile->WriteVisible(text + (lowPower ? "Medium P." : "High P."));
        group->SetFontColor(QColor(255, 0, 0));
        if (inGroup)
            group->SetItemCaption(static_cast<int>(index),
                                  ToQString(MarkedPowerCaption(
                                      FromQString(group->ItemCaption(static_cast<int>(index))))));
    }
    // A level this module does not have selects nothing, and says so.
    if (!inGroup) {
        f.ErrorBox(f.Sprache->GetText1Arg("$T30054", std::to_string(value)));
        group->SetItemIndex(-1);
        return;
    }
    group->SetItemIndex(static_cast<int>(index));
}

void TForm1::sendeleistungClick() {
    if (ControlsUpdating)
        return;
    const TRegisterMap& m = RegisterMap;
    const int item = ui.sendeleistung->ItemIndex();
    const uint32_t k = FindNearestIndex(m.tab_anf_sendeleistung, m.tab_end_sendeleistung,
                                        ImageCell(m.aktu_sendeleistung));
    // A level past the device's own table has no value to write.
    if (item < 0 || item >= PowerTableLength(m, LowPowerModule != 0).value ||
        static_cast<uint32_t>(item) == k)
        return;
    const uint32_t value = ImageCell(m.tab_anf_sendeleistung + item);
    SetImageCell(m.aktu_sendeleistung, value);
    SetImageCell(m.aktu_sendeleistung + 1, value);
    ui.sendeleistung->SetFontColor(QColor());
    RadioSettingsChanged = 1;
}

// ---- Channel list ------------------------------------------------------------

void FillFrequencyGroup(int count, int current) {
    TRadioGroup* group = Form1->ui.frequenz1;
    const TRegisterMap& m = RegisterMap;
    FillingControls filling;
    count = ClampEntryCount(count < 1 ? 1 : count);
    QStringList captions;
    for (int i = 0; i < count; ++i)
        captions << ToQString(ChannelItemText(i, ImageCell(m.tab_anf_frequenz + i),
                                              ImageCell(m.tab_anf_fraster + i)));
    group->SetItems(captions);
    group->SetItemIndex(current);
    group->SetColumns(ChannelListColumns(count));
}

void TForm1::frequenz1Click() {
    if (ControlsUpdating)
        return;
    const TRegisterMap& m = RegisterMap;
    const int item = ui.frequenz1->ItemIndex();
    if (item < 0)
        return;
    if (static_cast<uint32_t>(item) != ImageCell(m.aktu_funkkanal)) {
        SetImageCell(m.aktu_funkkanal, static_cast<uint32_t>(item));
        SetImageCell(m.aktu_funkkanal + 1, static_cast<uint32_t>(item));
        RadioSettingsChanged = 1;
    }
    ShowRadioHint("$T39002", std::to_string(ImageCell(m.tab_anf_fraster + item)));
}

void TForm1::ShowRadioHint(const char* id, const std::string& arg) {
    radioHintId_ = id;
    radioHintArg_ = arg;
    ui.Label5->setText(ToQString(Sprache->GetText1Arg(id, arg)));
}

void TForm1::RetranslateRadioHint() {
    // An empty line stays empty: the hint was cleared, or never given.
    if (!radioHintId_.empty() && !ui.Label5->text().isEmpty())
        ui.Label5->setText(ToQString(Sprache->GetText1Arg(radioHintId_, radioHintArg_)));
}

// ---- Time slots --------------------------------------------------------------

void ShowTimeSlots() {
    TForm1& f = *Form1;
    FillingControls filling;
    f.ui.Zeitschlitz1->setVisible(true);
    const uint32_t word = ImageCell(RegisterMap.aktiv_zeit);
    f.Bits.SetValue(word);
    const auto boxes = TimeSlotBoxes();
    for (int slot = 1; slot <= TimeSlotCount; ++slot)
        boxes[static_cast<size_t>(slot - 1)]->setChecked(TimeSlotActive(word, slot));
    f.TimeSlotsFilling = true;
    f.ui.SubSlot->SetItemIndex(SubSlotItem(word));
    f.TimeSlotsFilling = false;
}

void TForm1::ZClick(int slot) {
    if (ControlsUpdating || slot < 1 || slot > TimeSlotCount)
        return;
    const int cell = RegisterMap.aktiv_zeit;
    Bits.SetValue(ImageCell(cell));
    const bool on = TimeSlotBoxes()[static_cast<size_t>(slot - 1)]->isChecked();
    if (on == TimeSlotActive(Bits.GetValue(), slot))
        return;
    Bits.SetValue(WithTimeSlot(Bits.GetValue(), slot, on));
    SetImageCell(cell, Bits.GetValue());
    RadioSettingsChanged = 1;
}

void TForm1::SubSlotClick() {
    if (TimeSlotsFilling || ControlsUpdating)
        return;
    const int item = ui.SubSlot->ItemIndex();
    const int cell = RegisterMap.aktiv_zeit;
    Bits.SetValue(ImageCell(cell));
    if ((Bits.GetValue() >> 12) == SubSlotCode(item))
        return;
    Bits.SetValue(WithSubSlot(Bits.GetValue(), item));
    SetImageCell(cell, Bits.GetValue());
    DeviceSettingsChanged = 1;
}

// ---- Operating mode ----------------------------------------------------------

void TForm1::BetriebsartClick() {
    if (ControlsUpdating)
        return;
    if (DeviceFamily == FamilyKVL420 || DeviceFamily == FamilyWBS420) {
        const OperatingModeVariant variant{DeviceFamily, KonfGeraetBit0 == 1, Has3964R != 0};
        const int cell = RegisterMap.g_betriebsart;
        const int item = ui.Betriebsart->ItemIndex();
        const std::optional<uint32_t> code =
            item < 0 ? std::nullopt : OperatingModeCode(variant, item);
        if (code && (ImageCell(cell) & 7) != *code) {
            SetImageCell(cell, WithOperatingMode(ImageCell(cell), *code));
            DeviceSettingsChanged = 1;
        }
    }
    UpdateStatusLine();
}

void TForm1::ConnectRadioPages() {
    PutChannelListInScroller(ui);
    ui.frequenz1->OnClick = [this] { frequenz1Click(); };
    ui.sendeleistung->OnClick = [this] { sendeleistungClick(); };
    ui.SubSlot->OnClick = [this] { SubSlotClick(); };
    ui.Betriebsart->OnClick = [this] { BetriebsartClick(); };
    const auto boxes = TimeSlotBoxes();
    for (int slot = 1; slot <= TimeSlotCount; ++slot)
        connect(boxes[static_cast<size_t>(slot - 1)], &QCheckBox::toggled, this,
                [this, slot] { ZClick(slot); });
    ConnectFrequencyEditor();
}
