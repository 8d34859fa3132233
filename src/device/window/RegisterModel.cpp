// The main window's register model: the register-map load, the family
// set-up routines, the Clear command and the lookups on the image.
#include "device/ChangeFlags.h"
#include "device/DeviceTypes.h"
#include "device/PendingRegisters.h"
#include "device/PowerTable.h"
#include "device/RegisterImage.h"
#include "device/RegisterMap.h"
#include "device/window/Transfers.h"
#include "link/Mop.h"
#include "pages/window/Pages.h"
#include "platform/StringList.h"
#include "platform/window/Dialogs.h"
#include "shell/window/Form1.h"

#include <QLabel>

#include <filesystem>

void LoadSteuerungConfig() {
    if (!Form1)
        return;
    std::error_code ec;
    std::filesystem::current_path(Form1->ProgramDir, ec);
    const std::filesystem::path file = std::filesystem::path(Form1->ProgramDir) / "steuerung.cfg";
    TStringList mapped;
    const MapLoadResult result = LoadRegisterMap(file, DeviceFamily, RegisterMap, mapped);
    if (result == MapLoadResult::Loaded)
        return;
    const std::string id = result == MapLoadResult::FileMissing ? "$T30030" : "$T30031";
    Form1->ErrorBox(Form1->GetText(id));
    DeviceFamily = FamilyNone;
}

namespace {

void SetupFamily(int family) {
    if (family != FamilyNone)
        DeviceFamily = family;
    if (Form1) {
        Form1->ui.funk->setEnabled(true);
        Form1->ui.einstellung->setEnabled(true);
        Form1->ui.savebutton->setEnabled(true);
        Form1->ui.up_load->setEnabled(true);
        Form1->ui.PageControl1->setVisible(false);
        Form1->ui.PageControl2->setVisible(false);
    }
    RegisterImage[DeviceTypeCell] = 0;
    LoadSteuerungConfig();
}

} // namespace

void SetupFamily33() {
    SetupFamily(FamilyKVL420);
}

void SetupFamily16() {
    SetupFamily(FamilyWBS420);
}

void SetupFamilyAsSet() {
    SetupFamily(FamilyNone);
}

bool TForm1::FindDeviceType(uint32_t code, uint32_t& index) const {
    return ::FindDeviceType(code, index);
}

uint32_t TForm1::FindNearestIndex(int lo, int hi, uint32_t value) {
    return ::FindNearestIndex(RegisterImage, lo, hi, value, PowerExactMatch);
}

void TForm1::FillModelNames() {
    FillModelNameTable();
}

void TForm1::LeaveBrowser() {
    if (!ui.BrowserEnable->isChecked())
        return;
    ui.BrowserEnable->setChecked(false);
    BrowserEnableClick();
}

void ClearStatusPanels() {
    if (!Form1)
        return;
    for (QLabel* panel : Form1->StatusPanels)
        panel->clear();
}

void TForm1::ToolButton2Click() {
    // A keying test ends first (Clear leaves the service pages).
    if (!EndKeyingFirst([this] { ToolButton2Click(); }))
        return;
    // Nothing is cleared under a running transfer: it owns the image. A
    // register-browser read owns neither image nor pages: Clear closes the
    // browser all the same (its relock follows that read's answer).
    if (!(commandsRunning_ == 0 && BrowserExchangeWaiting()) && !TransferCommandAllowed())
        return;
    ClearParameterSet();
}

void TForm1::ClearParameterSet() {
    ui.ToolButton2->setEnabled(false);
    LeaveBrowser();
    // The pages and the commands that need data go.
    ui.funk->setChecked(false);
    ui.einstellung->setChecked(false);
    ui.PageControl1->setVisible(false);
    ui.funk->setEnabled(false);
    ui.einstellung->setEnabled(false);
    ui.savebutton->setEnabled(false);
    ui.up_load->setEnabled(false);
    ui.StationAdr->setVisible(true);
    ui.OffsetAdrRTU->setVisible(false);
    // The data and everything known about where it came from.
    RegisterImage.fill(0);
    DeviceFamily = FamilyNone;
    Has3964R = 0;
    ResetCustomerFileHeader();
    LoadedFromCustomerFile = false;
    FrequencyTableChanged = false;
    FrequencyEditorPending = true;
    ClearStatusPanels();
    ui.Bild1->setVisible(true);
    if (Mop)
        Mop->ClearReceiveBuffer();
    // Nothing is left to write.
    InputDelaysChanged = false;
    PendingPresetRegisters.clear();
    ReloadIoWorkingCopies();
    RadioSettingsChanged = 0;
    DeviceSettingsChanged = 0;
    FillPresetMenu();
    ui.PageControl1->setVisible(false);
    ui.PageControl2->setVisible(false);
    ui.ToolButton2->setEnabled(true);
    TimeSlotsFilling = false;
    DemoLoaded = false;
    ResetPageGating();
}
