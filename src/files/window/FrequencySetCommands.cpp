// The frequency page's two file buttons: the device's frequency table alone
// saved to a file of its own, and loaded back into the register image.
// Customer files (*.qdv) always, plain register text files (*.rtu) in the
// service mode.
#include "device/ChangeFlags.h"
#include "device/DeviceTypes.h"
#include "device/RegisterImage.h"
#include "device/RegisterMap.h"
#include "files/FileNames.h"
#include "files/FrequencySet.h"
#include "files/KundenFile.h"
#include "files/window/Datenladen.h"
#include "files/window/FileCommands.h"
#include "pages/window/FrequenzEditor.h"
#include "pages/window/Pages.h"
#include "platform/StringList.h"
#include "platform/Text.h"
#include "platform/window/Dialogs.h"
#include "shell/LogFile.h"
#include "shell/Sprache.h"
#include "shell/window/Form1.h"
#include "shell/window/Globals.h"
#include "shell/window/Program.h"

#include <QComboBox>
#include <QPushButton>

#include <algorithm>
#include <filesystem>
#include <string>

namespace {

constexpr std::size_t unlockCell = UnlockRegister - FirstImageRegister;
// A customer file that holds no frequency set.
constexpr TextIdRange NoFrequencySet{35, 1, 2};

bool ParameterSetPresent() {
    return DeviceFamily != FamilyNone && RegisterImage[DeviceTypeCell] != 0;
}

// A load that ended without taking anything.
void NotLoaded(TForm1& f) {
    f.SetTransferStatus("$T29008");
}

} // namespace

void TForm1::FSetSpeichernClick() {
    if (!TransferCommandAllowed())
        return;
    if (!ParameterSetPresent()) {
        ErrorBox(GetText("$T30022"));
        return;
    }
    std::vector<std::string> lines =
        FrequencySetLines(RegisterImage, RegisterMap.max_anzahl_funkkanal);
    if (lines.empty()) {
        // The tables have 128 entries: a larger count cannot be carried.
        ErrorBox(Sprache->GetText1Arg(
            "$T30101", std::to_string(ImageCell(RegisterMap.max_anzahl_funkkanal) + 1ULL)));
        return;
    }
    std::string filter;
    std::string name =
        Dialogs::SaveFileName(GetText("$T11005"), StartFolder(*this), ParameterFileFilter(),
                              PreselectedFileFilter(), &filter);
    if (name.empty())
        return;
    const std::string checked = name;
    if (DeviceFamily == FamilyWBS420)
        MergeIoWorkingCopies();
    RegisterImage[unlockCell] = 0;

    std::string bytes;
    if (filter != RegisterTextFileFilter) {
        if (FileKindOf(name) != ParameterFileKind::Customer)
            name = UpperNameWithExtension(name, ".QDV");
        bytes = FrequencySetCustomerFile(*KundenFile, lines);
    } else {
        if (FileKindOf(name) == ParameterFileKind::Customer) {
            Dialogs::ShowMessage(Sprache->GetText1Arg("$T30041", ".Qdv"));
            return;
        }
        if (FileKindOf(name) != ParameterFileKind::RegisterText)
            name = UpperNameWithExtension(name, ".RTU");
        bytes = FrequencySetRegisterText(lines);
    }
    if (!MayReplace(*this, name, checked))
        return;
    if (!SaveParameterFile(*this, name, bytes)) {
        SetTransferStatus("$T29002");
        return;
    }
    Dialogs::ShowMessage(GetText("$T30003"));
    SetTransferStatus("$T29006");
}

void TForm1::FSetLadenClick() {
    if (!TransferCommandAllowed())
        return;
    if (ParameterSetPresent()) {
        TranslateDatenladenDialog();
        if (!datenladen1 || Dialogs::ShowModal(*datenladen1) != Dialogs::Yes)
            return;
    }
    std::string name = Dialogs::OpenFileName(GetText("$T11004"), StartFolder(*this),
                                             ParameterFileFilter(), PreselectedFileFilter());
    if (name.empty()) {
        ui.Bild1->setVisible(true);
        return;
    }
    SetTransferStatus("$T29007");
    repaint();
    name = CompleteReadName(name);
    std::error_code ec;
    if (!std::filesystem::exists(name, ec)) {
        Dialogs::ShowMessage(Sprache->GetTextWithPath("$T30012", name));
        SetTransferStatus("$T29002");
        ui.Bild1->setVisible(true);
        return;
    }
    TStringList lines;
    if (!LoadParameterFile(*this, name, lines.Lines()))
        return NotLoaded(*this);

    // The header of the file being loaded, not of the data on the pages.
    TKundenFile file;
    const bool customer = FileKindOf(name) == ParameterFileKind::Customer;
    if (customer) {
        file.ReadMain(lines);
        if (file.TakeError()) {
            Dialogs::ShowMessage(GetText("$T34001"));
            return NotLoaded(*this);
        }
        if (!file.Editable && !file.FrequencySet) {
            Dialogs::ShowMessage(Sprache->GetTexts(NoFrequencySet));
            return NotLoaded(*this);
        }
        if (file.Serial != -1 || file.ControllerType != -1) {
            Dialogs::ShowMessage(Sprache->GetTextWithPath("$T30041", name));
            return NotLoaded(*this);
        }
    }
    if (std::none_of(lines.Lines().begin(), lines.Lines().end(),
                     [](const std::string& line) { return !CleanRegisterLine(line).empty(); })) {
        Dialogs::ShowMessage(GetText("$T30038"));
        return NotLoaded(*this);
    }

    // The set goes into a copy: the image takes it only when the whole file
    // was read.
    const bool syntaxFault = CheckParameterLines(lines);
    const FrequencySetLoad load = DecodeFrequencySet(
        lines.Lines(), customer ? NameForm::Bare : NameForm::Prefixed, RegisterImage,
        RegisterMap.max_anzahl_funkkanal, RegisterMap.aktu_funkkanal);
    if (syntaxFault || load.fault != LineFault::None || load.countTooLarge) {
        // The syntax check told the faults of the value forms it knows.
        if (load.fault == LineFault::WrongKind || load.fault == LineFault::BadName)
            Dialogs::ShowMessage(GetText("$T30008"));
        else if (load.fault == LineFault::UnknownForm)
            Dialogs::ShowMessage(Sprache->GetTextWithPath("$T30039", name));
        else if (load.fault == LineFault::None && load.countTooLarge)
            ErrorBox(Sprache->GetText1Arg(
                "$T30102",
                std::to_string(
                    load.image[static_cast<std::size_t>(RegisterMap.max_anzahl_funkkanal)] +
                    1ULL)));
        return NotLoaded(*this);
    }
    for (int i = 0; i < load.activeChannelChanges; ++i)
        Dialogs::ShowMessage(GetText("$T30021") + "\n" + GetText("$T30050"));
    RegisterImage = load.image;
    if (customer) {
        LoadedFromCustomerFile = true;
        CustomerFileServiceFlag = file.ServiceFlag;
    }
    SetTransferStatus("$T29009");
    InitFrequencyEditor();
    ShowEditorPage();
    ui.FAnzahl->setCurrentIndex(static_cast<int>(ImageCell(RegisterMap.max_anzahl_funkkanal)));
    RadioSettingsChanged = 1;
    repaint();
}
