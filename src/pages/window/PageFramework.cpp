// The frame all tab pages share: which page control is shown, which tabs a
// family gets, what runs when a tab is chosen, and the protocol and
// operating-mode groups of the operating-mode tab.
#include "device/ChangeFlags.h"
#include "device/DeviceTypes.h"
#include "device/PowerTable.h"
#include "device/RegisterImage.h"
#include "device/RegisterMap.h"
#include "pages/PageLogic.h"
#include "pages/window/FrequenzEditor.h"
#include "pages/window/PageAnAusVisible.h"
#include "pages/window/PageFill.h"
#include "pages/window/Pages.h"
#include "platform/Text.h"
#include "shell/Sprache.h"
#include "shell/window/Form1.h"
#include "shell/window/Globals.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolBar>

int KonfGeraetBit0 = 0;

namespace {

// The protocols of the radio modems; the last one only with newer firmware.
constexpr TextIdRange ProtocolItems33{17, 2, 5};

QWidget* SettingsTabPage(SettingsTab tab) {
    auto& ui = Form1->ui;
    switch (tab) {
    case SettingsTab::Grundeinstellung:
        return ui.Grundeinstellung;
    case SettingsTab::rtu_io:
        return ui.rtu_io;
    case SettingsTab::zaehler_a:
        return ui.zaehler_a;
    case SettingsTab::zaehler_b:
        return ui.zaehler_b;
    case SettingsTab::Betriebsart1:
        return ui.Betriebsart1;
    case SettingsTab::comport:
        return ui.comport;
    case SettingsTab::Impulsausgabe1:
        return ui.Impulsausgabe1;
    case SettingsTab::Modbus:
        return ui.Modbus;
    case SettingsTab::dzfEinstellung:
        return ui.dzfEinstellung;
    }
    return nullptr;
}

void ApplyProfile(uint32_t family) {
    for (const TabShown& t : SettingsProfile(family))
        Form1->ui.PageControl2->SetTabShown(SettingsTabPage(t.tab), t.shown);
}

void RefreshKonfGeraetBit0() {
    KonfGeraetBit0 =
        KonfGeraetBit0For(static_cast<uint32_t>(DeviceFamily), ImageCell(RegisterMap.konf_geraet));
}

std::string Decimal(uint32_t value) {
    return std::to_string(value);
}

// The 3964R group and its four controls.
std::array<QWidget*, 5> P3964RControls() {
    auto& ui = Form1->ui;
    return {ui.P3964R, ui.ZeichenVerzug1, ui.ZeichenVer1, ui.QuittungsVersuch1, ui.QuittungVer1};
}

// The 3964R group is usable only with the first protocol, and then only in
// service mode; with another protocol it is disabled.
void Apply3964REnabling(int item) {
    auto& ui = Form1->ui;
    if (item != 0) {
        for (QWidget* w : P3964RControls())
            w->setEnabled(false);
    } else if (ServiceMode) {
        for (QWidget* w : P3964RControls())
            w->setEnabled(true);
    }
    ui.P3964R->update();
}

} // namespace

// ---- Profiles ----------------------------------------------------------------

void ShowPagesFamily33() {
    ApplyProfile(FamilyKVL420);
}

void ShowPagesFamily208() {
    ApplyProfile(static_cast<uint32_t>(DeviceFamily) == FamilyHNQ120 ? FamilyHNQ120 : FamilyHNQ130);
}

void ShowPagesFamily113() {
    ApplyProfile(FamilyDZF420);
}

void ShowPagesFamily16() {
    ShowIoOverview();
    ApplyProfile(FamilyWBS420);
}

int WidestSettingsTabRow() {
    auto& ui = Form1->ui;
    int widest = 0;
    for (int family : {FamilyKVL420, FamilyWBS420, FamilyHNQ120, FamilyHNQ130, FamilyDZF420}) {
        QList<QWidget*> row;
        for (const TabShown& t : SettingsProfile(static_cast<uint32_t>(family)))
            if (t.shown)
                row.push_back(SettingsTabPage(t.tab));
        // Remote terminals with newer firmware add the input delays.
        if (family == FamilyWBS420)
            row.push_back(ui.InputTabSheet);
        widest = std::max(widest, ui.PageControl2->TabRowWidth(row));
    }
    return widest;
}

void ShowAddressCaption() {
    // A remote terminal names its station address, family 0xD0 its Modbus
    // address, every other device its logical address.
    const char* id = DeviceFamily == FamilyWBS420   ? "$T14022"
                     : DeviceFamily == FamilyHNQ130 ? "$T06010"
                                                    : "$T14011";
    Form1->ui.logische->setText(ToQString(Form1->GetText(id)));
}

void ShowIoOverview() {
    auto& ui = Form1->ui;
    const TRegisterMap& m = RegisterMap;
    ui.an_in->setText(ToQString(Decimal(ImageCell(m.analogeingaenge))));
    ui.an_out->setText(ToQString(Decimal(ImageCell(m.analogausgaenge))));
    ui.bin_in->setText(ToQString(Decimal(ImageCell(m.binaereingaenge))));
    ui.bin_out->setText(ToQString(Decimal(ImageCell(m.binaerausgaenge))));
    // A clear bit of register 918 is a time counter, a set bit an event counter.
    const uint32_t kinds = ImageCell(18) & 0xFFFF;
    const int events = __builtin_popcount(kinds);
    ui.timer->setText(QString::number(16 - events));
    ui.zaehler->setText(QString::number(events));
}

// ---- Protocol and operating-mode groups --------------------------------------

void ShowProtocolGroup() {
    TForm1& f = *Form1;
    auto& ui = f.ui;
    FillingControls filling;
    ui.schicht1->ClearItems();
    ui.schicht1->setEnabled(true);
    ui.schicht1->resize(ui.schicht1->width(), 282);
    ui.P3964R->setVisible(false);
    if (DeviceFamily == FamilyKVL420) {
        ui.schicht1->setTitle(ToQString(f.GetText("$T17001")));
        const int items = ProtocolItemCount33(f.FirmwareHundredths, f.Has3964R != 0);
        for (int i = 0; i < items; ++i)
            ui.schicht1->AddItem(ToQString(f.GetText(ProtocolItems33.Id(i))));
        const int item = static_cast<int>(ImageCell(RegisterMap.protokoll_com0) & 7);
        ui.schicht1->SetItemIndex(item);
        ui.schicht1->resize(ui.schicht1->width(), 209);
        ui.P3964R->setVisible(true);
        Apply3964REnabling(item);
        ui.ZeichenVerzug1->setText(ToQString(f.GetText("$T17011")));
        ui.QuittungsVersuch1->setText(ToQString(f.GetText("$T17012")));
        ui.QuittungVer1->setCurrentIndex(static_cast<int>(ImageCell(33)) - 1);
        ui.ZeichenVer1->setCurrentIndex(static_cast<int>(ImageCell(32)) - 1);
    } else if (DeviceFamily == FamilyWBS420) {
        ui.schicht1->setTitle(ToQString(f.GetText("$T17013") + f.GetText("$T17001")));
        for (const char* id : {"$T17007", "$T17008", "$T17009", "$T17010"})
            ui.schicht1->AddItem(ToQString(f.GetText(id)));
        ui.schicht1->SetItemIndex(ProtocolItem16(ImageCell(RegisterMap.protokoll_com0)));
        ui.schicht1->setEnabled(true);
    }
}

void TForm1::schicht1Click() {
    if (ControlsUpdating)
        return;
    const int item = ui.schicht1->ItemIndex();
    if (item < 0)
        return;
    const int cell = RegisterMap.protokoll_com0;
    if (DeviceFamily == FamilyKVL420) {
        // The writer sends the protocol register from this cell, so the
        // choice is compared with and stored into the same cell.
        if (static_cast<uint32_t>(item) != ImageCell(cell)) {
            SetImageCell(cell, static_cast<uint32_t>(item));
            DeviceSettingsChanged = 1;
        }
        if (!ui.P3964R->isHidden())
            Apply3964REnabling(item);
    } else if (DeviceFamily == FamilyWBS420) {
        const uint32_t word = ProtocolWord16(item);
        if (ImageCell(cell) != word) {
            SetImageCell(cell, word);
            DeviceSettingsChanged = 1;
        }
    }
}

void ShowOperatingModes(int mode) {
    TForm1& f = *Form1;
    auto& ui = f.ui;
    FillingControls filling;
    ui.Betriebsart->setTitle(ToQString(f.GetText("$T18001")));
    ui.Betriebsart->ClearItems();
    std::vector<std::string> ids;
    if (DeviceFamily == FamilyKVL420) {
        if (KonfGeraetBit0 == 1)
            ids = {"$T18002", "$T18003", "$T18004", "$T18005"};
        else if (f.Has3964R)
            ids = {"$T18016", "$T18017"};
        else
            ids = {"$T18006", "$T18007", "$T18008"};
    } else if (DeviceFamily == FamilyWBS420) {
        ids = {"$T18009", "$T18010", "$T18011", "$T18012", "$T18013", "$T18014", "$T18015"};
    } else {
        return;
    }
    for (const std::string& id : ids)
        ui.Betriebsart->AddItem(ToQString(f.GetText(id)));
    const OperatingModeVariant variant{DeviceFamily, KonfGeraetBit0 == 1, f.Has3964R != 0};
    ui.Betriebsart->SetItemIndex(OperatingModeItem(variant, static_cast<uint32_t>(mode)));
}

// ---- The page buttons ----------------------------------------------------------

void TForm1::funkClick() {
    // Leaving the service pages ends a keying test first.
    if (!EndKeyingFirst([this] { ui.funk->trigger(); })) {
        ui.funk->setChecked(!ui.funk->isChecked());
        return;
    }
    ui.PageControl2->setVisible(false);
    ui.einstellung->setChecked(false);
    ui.ToolBar1->setFocus();
    if (ui.BrowserEnable->isChecked()) {
        ui.BrowserEnable->setChecked(false);
        BrowserEnableClick();
        ui.funk->setChecked(true);
    }
    ui.Label5->clear();
    ui.Label5->setVisible(true);
    const char* refusal = DeviceFamily == FamilyNone               ? "$T30020"
                          : ImageCell(RegisterMap.geraete_id) == 0 ? "$T30022"
                                                                   : nullptr;
    if (refusal) {
        ErrorBox(GetText(refusal));
        ui.funk->setChecked(false);
        ui.Bild1->setVisible(true);
        return;
    }
    ui.Bild1->setVisible(false);
    if (!ui.PageControl1->isHidden()) {
        ui.PageControl1->setVisible(false);
        ui.funk->setChecked(false);
        UpdateStatusLine();
        ui.Bild1->setVisible(true);
        return;
    }
    ShowRadioPages();
}

void TForm1::ShowRadioPages() {
    ui.funk->setChecked(true);
    ui.PageControl1->SetActivePage(ui.Frequenzliste);
    PageControl1Change();
    ui.PageControl1->setVisible(true);
    ui.PageControl1->update();
    ui.Bild1->setVisible(false);
    for (QWidget* page : {ui.Frequenzliste, ui.Leistung_Zeitschlitz, ui.FrequenzEditor})
        PageVisibility->Apply(page);
}

void TForm1::einstellungClick() {
    // Leaving the service pages ends a keying test first.
    if (!EndKeyingFirst([this] { ui.einstellung->trigger(); })) {
        ui.einstellung->setChecked(!ui.einstellung->isChecked());
        return;
    }
    ui.PageControl1->setVisible(false);
    ui.funk->setChecked(false);
    ui.Label5->setVisible(false);
    ui.ToolBar1->setFocus();
    if (ui.BrowserEnable->isChecked()) {
        ui.BrowserEnable->setChecked(false);
        BrowserEnableClick();
        ui.einstellung->setChecked(true);
    }
    if (ImageCell(RegisterMap.geraete_id) == 0) {
        ErrorBox(GetText("$T30022"));
        ui.einstellung->setChecked(false);
        ui.Bild1->setVisible(true);
        return;
    }
    if (!ui.PageControl2->isHidden()) {
        ui.PageControl2->setVisible(false);
        UpdateStatusLine();
        ui.Bild1->setVisible(true);
        ui.einstellung->setChecked(false);
        return;
    }
    ui.einstellung->setChecked(true);
    ui.Bild1->setVisible(false);
    auto apply = [this](std::initializer_list<QWidget*> pages) {
        for (QWidget* page : pages)
            PageVisibility->Apply(page);
    };
    switch (DeviceFamily) {
    case FamilyKVL420:
        ShowPagesFamily33();
        ui.PageControl2->SetActivePage(ui.Grundeinstellung);
        PageControl2Change();
        ui.PageControl2->setVisible(true);
        apply({ui.Grundeinstellung, ui.Betriebsart1, ui.comport});
        break;
    case FamilyWBS420:
        ShowPagesFamily16();
        ui.PageControl2->SetActivePage(ui.Grundeinstellung);
        PageControl2Change();
        ui.StationAdr->setText(QString::number(ImageCell(RegisterMap.defstationsadresse)));
        ShowSettingsPage();
        LoadIoPage();
        ui.PageControl2->setVisible(true);
        apply({ui.Grundeinstellung, ui.rtu_io, ui.zaehler_a, ui.zaehler_b, ui.Betriebsart1,
               ui.comport, ui.Impulsausgabe1});
        break;
    case FamilyHNQ130:
    case FamilyHNQ120:
        ShowPagesFamily208();
        ui.PageControl2->SetActivePage(ui.Grundeinstellung);
        PageControl2Change();
        if (DeviceFamily == FamilyHNQ130)
            ui.Fadresse_edit->setText(QString::number(ImageCell(RegisterMap.deffunkadresse)));
        ui.StationAdr->setText(QString::number(ImageCell(RegisterMap.defstationsadresse)));
        ShowSettingsPage();
        ui.PageControl2->setVisible(true);
        apply({ui.Grundeinstellung});
        if (DeviceFamily == FamilyHNQ130)
            apply({ui.Modbus, ui.comport});
        break;
    case FamilyDZF420:
        ShowPagesFamily113();
        ui.PageControl2->SetActivePage(ui.dzfEinstellung);
        apply({ui.dzfEinstellung});
        ShowRepeaterPage();
        ui.PageControl2->setVisible(true);
        break;
    default:
        // A family without pages of its own shows none.
        ui.einstellung->setChecked(false);
        ui.Bild1->setVisible(true);
        break;
    }
}

// ---- The page loaders ----------------------------------------------------------

void TForm1::PageControl1Change() {
    ui.Label5->clear();
    if (!RadioSettingsChanged)
        RefreshKonfGeraetBit0();
    QWidget* page = ui.PageControl1->ActivePage();
    const TRegisterMap& m = RegisterMap;
    if (page == ui.Leistung_Zeitschlitz) {
        const uint32_t value = ImageCell(m.aktu_sendeleistung);
        const uint32_t k =
            FindNearestIndex(m.tab_anf_sendeleistung, m.tab_end_sendeleistung, value);
        FillPowerGroup(LowPowerModule != 0, k, value);
        if (TimeSlotsShown(KonfGeraetBit0, static_cast<uint32_t>(DeviceFamily), ImageCell(17)))
            ShowTimeSlots();
        else
            ui.Zeitschlitz1->setVisible(false);
    } else if (page == ui.Frequenzliste) {
        const ClampedValue last = LastEntryIndex(RegisterImage, m);
        const ClampedValue current = CurrentChannelIndex(RegisterImage, m);
        if (last.outOfRange)
            ReportOutOfRange(m.max_anzahl_funkkanal);
        else if (current.outOfRange)
            ReportOutOfRange(m.aktu_funkkanal);
        FillFrequencyGroup(last.value + 1, current.outOfRange ? -1 : current.value);
        ShowRadioHint("$T39001", Decimal(ImageCell(m.frequenzraster)));
    } else if (page == ui.FrequenzEditor) {
        ShowFrequencyEditorTab();
    }
    FitWindowToTexts();
}

void TForm1::PageControl2Change() {
    ShowAddressCaption();
    QWidget* page = ui.PageControl2->ActivePage();
    const TRegisterMap& m = RegisterMap;
    if (page == ui.Grundeinstellung) {
        ui.StationAdr->setText(QString::number(ImageCell(m.defstationsadresse)));
        ShowSettingsPage();
    }
    if (!DeviceSettingsChanged)
        RefreshKonfGeraetBit0();
    if (DeviceFamily == FamilyKVL420) {
        ui.Label5->clear();
        for (QWidget* w : {ui.Durchschnitt, ui.t_Timeout, ui.x_Timeout, ui.Fadresse})
            w->setVisible(false);
        ui.PageControl2->SetTabVisibleOnly(ui.InputTabSheet, false);
        if (page == ui.Betriebsart1) {
            ShowProtocolGroup();
            ShowOperatingModes(static_cast<int>(ImageCell(m.g_betriebsart) & 7));
        } else if (page == ui.comport) {
            ShowProtocolPage();
        }
    } else if (DeviceFamily == FamilyWBS420) {
        for (QWidget* w : {ui.Durchschnitt, ui.t_Timeout, ui.x_Timeout})
            w->setVisible(true);
        ui.Fadresse->setVisible(false);
        ui.PageControl2->SetTabVisibleOnly(ui.InputTabSheet, ImageCell(m.firmware) >= 0x500);
        if (!DeviceSettingsChanged)
            LoadIoPage();
        ShowGainOffset();
        if (page == ui.Grundeinstellung) {
            ShowImpulsePage();
            EnableGainOffset(true);
            ui.StationAdr->setVisible(false);
            FillingControls filling;
            ui.OffsetAdrRTU->setVisible(true);
            ui.OffsetAdrRTU->setChecked((ImageCell(16) & 0x80) != 0);
        } else if (page == ui.zaehler_a) {
            ShowCountersA();
        } else if (page == ui.rtu_io) {
            ShowIoOverview();
        } else if (page == ui.zaehler_b) {
            ShowCountersB();
        } else if (page == ui.comport) {
            ShowProtocolPage();
        } else if (page == ui.Betriebsart1) {
            ShowProtocolGroup();
            ShowOperatingModes(static_cast<int>(ImageCell(m.g_betriebsart) & 7));
        } else if (page == ui.Impulsausgabe1) {
            ShowImpulsePage();
        } else if (page == ui.InputTabSheet) {
            ShowInputDelays();
        }
    } else if (DeviceFamily == FamilyHNQ130 || DeviceFamily == FamilyHNQ120) {
        for (QWidget* w : {ui.Durchschnitt, ui.t_Timeout, ui.x_Timeout})
            w->setVisible(false);
        ui.PageControl2->SetTabVisibleOnly(ui.InputTabSheet, false);
        ui.Fadresse->setVisible(DeviceFamily == FamilyHNQ130);
        if (page == ui.comport) {
            ShowProtocolPage();
        } else if (page == ui.Grundeinstellung) {
            ui.StationAdr->setText(QString::number(ImageCell(m.defstationsadresse)));
            if (DeviceFamily == FamilyHNQ130)
                ui.Fadresse_edit->setText(QString::number(ImageCell(m.deffunkadresse)));
            ShowSettingsPage();
        } else if (page == ui.Modbus) {
            ShowModbusPage();
        }
        PageVisibility->Apply(ui.Grundeinstellung);
        if (DeviceFamily == FamilyHNQ130)
            PageVisibility->Apply(ui.Modbus);
    }
    StatusPanels[5]->clear();
    FitWindowToTexts();
}

void TForm1::RefillShownPages() {
    FillingControls filling;
    if (ui.PageControl1->isVisibleTo(this))
        PageControl1Change();
    if (!ui.PageControl2->isVisibleTo(this))
        return;
    // The repeater's tab is filled by the settings button, not by a tab change.
    if (ui.PageControl2->ActivePage() == ui.dzfEinstellung)
        ShowRepeaterPage();
    else
        PageControl2Change();
}

void TForm1::PageControl3Change() {
    if (KeyingPageBusy) {
        ui.PageControl3->SetActivePage(ui.Sendertastung);
        return;
    }
    if (BrowserPageBusy) {
        ui.PageControl3->SetActivePage(ui.Reg_Karte);
        return;
    }
    if (ui.scanreg->isChecked()) {
        ui.scanreg->setChecked(false);
        scanregClick();
    }
    ui.browser_label->setVisible(true);
    QWidget* page = ui.PageControl3->ActivePage();
    if (page == ui.Reg_Karte) {
        BrowserPageBusy = true;
        Button6Click();
        BrowserPageBusy = false;
    } else if (page == ui.Sendertastung) {
        KeyingPageBusy = true;
        newParameterClick();
        KeyingPageBusy = false;
    } else if (page == ui.PreSetsTab) {
        const bool device = ImageCell(DeviceTypeCell) != 0;
        ui.PreSetsTab->setEnabled(device);
        if (device) {
            ui.PreSetListe->clear();
            FillPresetRegisterNames();
            ui.PreRegAdr->setFocus();
            ui.PreNow->setEnabled(false);
        }
    } else if (page == ui.InOutput) {
        ui.browser_label->setVisible(false);
        SetupLedRows();
    }
}

// ---- Wiring ------------------------------------------------------------------

void TForm1::ConnectPages() {
    PageVisibility = std::make_unique<TPageAnAusVisible>();
    FrequenzEditor = std::make_unique<TFrequenzEditor>();
    for (TRadioGroup* group : findChildren<TRadioGroup*>())
        group->AdoptButtons();
    ui.PageControl1->OnChange = [this] { PageControl1Change(); };
    ui.PageControl2->OnChange = [this] { PageControl2Change(); };
    ui.PageControl3->OnChange = [this] { PageControl3Change(); };
    ui.schicht1->OnClick = [this] { schicht1Click(); };
    ConnectRadioPages();
    ConnectSettingsPages(*this);
    ConnectIoPages(*this);
    ConnectNumericEdits(*this);
    ConnectKeying();
}

void TForm1::SetPageVisibility(bool visible) {
    PageVisibility->SetVisible(visible);
}

void TForm1::ResetPageGating() {
    // Nothing a page decided for the previous device carries over to the next.
    KonfGeraetBit0 = 0;
    ui.PageControl2->SetTabVisibleOnly(ui.InputTabSheet, false);
    for (QWidget* w : P3964RControls())
        w->setEnabled(true);
    FrequencyPage = 1;
}
