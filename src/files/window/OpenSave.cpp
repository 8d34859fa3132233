// The open and save commands of parameter files: customer files (*.qdv)
// through the codec, register text files (*.rtu) line by line; the set-up of
// the window for the data an open brought.
#include "device/ChangeFlags.h"
#include "device/DeviceTypes.h"
#include "device/FrequencyLimits.h"
#include "device/PowerTable.h"
#include "device/RegisterImage.h"
#include "device/RegisterMap.h"
#include "device/window/Form4.h"
#include "device/window/Stwaehlen.h"
#include "device/window/Transfers.h"
#include "files/FileNames.h"
#include "files/KundenFile.h"
#include "files/RegisterLines.h"
#include "files/window/Datenladen.h"
#include "files/window/FileCommands.h"
#include "pages/window/Pages.h"
#include "platform/Application.h"
#include "platform/StringList.h"
#include "platform/Text.h"
#include "platform/window/Dialogs.h"
#include "shell/LogFile.h"
#include "shell/Sprache.h"
#include "shell/window/Form1.h"
#include "shell/window/Globals.h"
#include "shell/window/Program.h"

#include <algorithm>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

// The button of a command is disabled while the command runs and comes back
// as it was on every way out.
class CommandButton {
public:
    explicit CommandButton(QAction* button) : button_(button), enabled_(button->isEnabled()) {
        button_->setEnabled(false);
    }
    ~CommandButton() { button_->setEnabled(enabled_); }
    CommandButton(const CommandButton&) = delete;
    CommandButton& operator=(const CommandButton&) = delete;

private:
    QAction* button_;
    bool enabled_;
};

bool ParameterSetPresent() {
    return DeviceFamily != FamilyNone && RegisterImage[DeviceTypeCell] != 0;
}

void HidePages(TForm1& f) {
    f.ui.PageControl1->setVisible(false);
    f.ui.PageControl2->setVisible(false);
    f.ui.PageControl3->setVisible(false);
    f.ui.funk->setChecked(false);
    f.ui.einstellung->setChecked(false);
}

// Tells a header that forbids the open; true when the file may be opened.
bool AcceptCustomerHeader(TForm1& f, const TKundenFile& file, const std::string& name) {
    if (!file.Editable) {
        Dialogs::ShowMessage(f.GetText("$T33001"));
        return false;
    }
    if (file.Serial != -1 || file.ControllerType != -1) {
        Dialogs::ShowMessage(f.Sprache->GetTextWithPath("$T30041", name));
        f.SetTransferStatus("$T29008");
        return false;
    }
    return true;
}

// The name of the save into the demo folder, asked with an input box; "" when
// the user cancels.
std::string AskDemoSaveName(TForm1& f) {
    const fs::path demo(f.DemoFile);
    const fs::path folder = fs::path(f.ProgramDir) / f.DemoFolder;
    const std::string extension = FinalExtension(f.DemoFile);
    // The box shows and takes the name as the file system has it.
    std::string value = demo.stem().string();
    for (;;) {
        if (!Dialogs::InputName(f.GetText("$T30069"), f.GetText("$T30070"), value))
            return {};
        if (value.empty())
            continue;
        const std::string name = (folder / (value + extension)).string();
        std::error_code ec;
        if (!fs::exists(name, ec))
            return name;
        if (Dialogs::MessageBox(f.Sprache->GetTextWithPath("$T30068", name), f.GetText("$T30021"),
                                Dialogs::YesNo, Dialogs::Question, Dialogs::No) == Dialogs::Yes)
            return name;
    }
}

SaveOutcome SaveCustomerFile(TForm1& f, std::string name, const std::string& checked) {
    if (!ParameterSetPresent()) {
        f.ErrorBox(f.GetText("$T30022"));
        return SaveOutcome::Stopped;
    }
    if (FileKindOf(name) != ParameterFileKind::Customer)
        name = UpperNameWithExtension(name, ".QDV");
    if (!MayReplace(f, name, checked))
        return SaveOutcome::Stopped;
    const std::string bytes = CustomerSaveBytes(*f.KundenFile, RegisterImage);
    if (bytes.empty()) {
        f.ErrorBox(f.Sprache->GetTextWithPath("$T30071", name, "no data"));
        return SaveOutcome::Failed;
    }
    return SaveParameterFile(f, name, bytes) ? SaveOutcome::Saved : SaveOutcome::Failed;
}

} // namespace

const char* const CustomerFileFilter = "QDV Files (*.qdv *.QDV)";
const char* const RegisterTextFileFilter = "RTU Files (*.rtu *.RTU)";

std::string ParameterFileFilter() {
    return ServiceMode ? std::string(CustomerFileFilter) + ";;" + RegisterTextFileFilter
                       : std::string(CustomerFileFilter);
}

std::string PreselectedFileFilter() {
    return ServiceMode ? RegisterTextFileFilter : CustomerFileFilter;
}

std::string CompleteReadName(std::string name) {
    const ParameterFileKind kind = FileKindOf(name);
    const char* extension = nullptr;
    if (ServiceMode && kind == ParameterFileKind::Other)
        extension = ".RTU";
    else if (!ServiceMode && kind != ParameterFileKind::Customer)
        extension = ".QDV";
    if (!extension)
        return name;
    // The saves write the file name upper-cased; a file named as typed is
    // taken when there is none of that name.
    const std::string upper = UpperNameWithExtension(name, extension);
    std::error_code ec;
    if (!std::filesystem::exists(upper, ec) && std::filesystem::exists(name + extension, ec))
        return name + extension;
    return upper;
}

std::string StartFolder(TForm1& f) {
    if (f.WorkDir.empty())
        f.WorkDir = f.ProgramDir;
    return f.WorkDir;
}

TransferLock::TransferLock(TForm1& form) : form_(form) {
    form_.TransferIdle = false;
    form_.LockTransferCommands(true);
}

TransferLock::~TransferLock() {
    form_.LockTransferCommands(false);
    form_.TransferIdle = true;
}

bool LoadParameterFile(TForm1& f, const std::string& name, std::vector<std::string>& lines) {
    std::string bytes, error;
    ReadRefusal refusal = ReadRefusal::None;
    if (!ReadFileBytes(name, bytes, error, &refusal)) {
        // A file far beyond any parameter file, and a named pipe, a device or
        // a folder, are refused before they are read.
        f.ErrorBox(refusal != ReadRefusal::None
                       ? ReadRefusalText(*f.Sprache, refusal, name)
                       : f.Sprache->GetTextWithPath("$T30072", name, error));
        if (f.LogFile)
            f.LogFile->Write("Read " + PathText(name) + ": " + error);
        return false;
    }
    lines = SplitLines(bytes);
    return true;
}

bool MayReplace(TForm1& f, const std::string& name, const std::string& checked) {
    std::error_code ec;
    return name == checked || !fs::exists(name, ec) ||
           Dialogs::MessageBox(f.Sprache->GetTextWithPath("$T30112", name), f.GetText("$T30021"),
                               Dialogs::YesNo, Dialogs::Question, Dialogs::No) == Dialogs::Yes;
}

bool SaveParameterFile(TForm1& f, const std::string& name, const std::string& bytes) {
    std::string error;
    if (WriteFileAtomic(name, bytes, &error))
        return true;
    f.ErrorBox(f.Sprache->GetTextWithPath("$T30071", name, error));
    if (f.LogFile)
        f.LogFile->Write("Save " + PathText(name) + ": " + error);
    return false;
}

void TForm1::ResetCustomerFileHeader() {
    if (KundenFile)
        KundenFile->Reset();
    CustomerFileServiceFlag = false;
}

void TForm1::openbuttonClick() {
    // A register-browser read (a scan) owns neither image nor pages: the open
    // command closes the browser all the same (its relock follows that read's
    // answer).
    if (!(commandsRunning_ == 0 && BrowserExchangeWaiting()) && !TransferCommandAllowed())
        return;
    const RunningCommand running(*this);
    const CommandButton button(ui.openbutton);
    // Data on the pages is replaced only when the user agrees.
    if (ParameterSetPresent()) {
        TranslateDatenladenDialog();
        if (!datenladen1 || Dialogs::ShowModal(*datenladen1) != Dialogs::Yes)
            return;
    }
    if (stwaehlen)
        stwaehlen->SetFormCaption(ProgramTitle);
    HidePages(*this);
    LeaveBrowser();
    std::string name = DemoFile;
    if (!OpenDemoFile) {
        name = Dialogs::OpenFileName(GetText("$T05003"), StartFolder(*this), ParameterFileFilter(),
                                     PreselectedFileFilter());
        if (name.empty())
            return;
    }
    ClearParameterSet();
    SetTransferStatus("$T29007");

    name = CompleteReadName(name);
    const bool customer = FileKindOf(name) == ParameterFileKind::Customer;
    std::error_code ec;
    if (!fs::exists(name, ec)) {
        Dialogs::ShowMessage(Sprache->GetTextWithPath("$T30012", name));
        SetTransferStatus("$T29002");
        return;
    }
    TStringList lines;
    if (!LoadParameterFile(*this, name, lines.Lines())) {
        SetTransferStatus("$T29008");
        return;
    }
    if (customer) {
        KundenFile->ReadMain(lines);
        if (KundenFile->TakeError()) {
            Dialogs::ShowMessage(GetText("$T34001"));
            SetTransferStatus("$T29008");
            return;
        }
    }
    // Blank and comment lines alone are no data either.
    if (std::none_of(lines.Lines().begin(), lines.Lines().end(),
                     [](const std::string& line) { return !CleanRegisterLine(line).empty(); })) {
        Dialogs::ShowMessage(GetText("$T30038"));
        SetTransferStatus("$T29008");
        return;
    }
    if (customer) {
        if (!AcceptCustomerHeader(*this, *KundenFile, name))
            return;
        LoadedFromCustomerFile = true;
        CustomerFileServiceFlag = KundenFile->ServiceFlag;
    }

    // The lines go into a copy: the image takes them only when all are valid.
    TRegisterImage loaded{};
    const LinesFault fault =
        ParseRegisterLines(lines, customer ? NameForm::Bare : NameForm::Prefixed, loaded);
    if (fault.fault == LineFault::WrongKind) {
        Dialogs::ShowMessage(GetText("$T30008"));
        if (LogFile)
            LogFile->WriteVisible("Parameter in RTU-Files are wrong! (ADR) OpenFile");
        ClearParameterSet();
        SetTransferStatus("$T29008");
        return;
    }
    if (fault.fault != LineFault::None) {
        if (fault.fault == LineFault::UnknownForm) {
            Dialogs::ShowMessage(Sprache->GetTextWithPath("$T30039", name));
            if (LogFile)
                LogFile->WriteVisible("File * " + PathText(name) +
                                      " * not supported! (no BIN, HEX, Dezi-file)");
        }
        ClearParameterSet();
        Dialogs::ShowMessage("Error!\nParameter in RTU-Files are too big!");
        SetTransferStatus("$T29008");
        return;
    }
    RegisterImage = loaded;
    SetTransferStatus("$T29009");
    ApplyLoadedParameterSet();
    if (DeviceFamily == FamilyNone) // refused: type, register map or power variant
        SetTransferStatus("$T29008");
    // Only data that came from a demo file is saved into the demo folder.
    DemoLoaded = OpenDemoFile && DeviceFamily != FamilyNone;
    repaint();
}

void TForm1::ApplyLoadedParameterSet() {
    const int previousFamily = DeviceFamily;
    HidePages(*this);
    RadioSettingsChanged = 0;
    DeviceSettingsChanged = 0;
    ui.service->setVisible(false);
    ui.scanreg->setVisible(false);

    const uint32_t type = RegisterImage[DeviceTypeCell];
    uint32_t index = 0;
    if (!FindDeviceType(type, index)) {
        Dialogs::ShowMessage(GetText("$T30002"));
        ClearParameterSet();
        return;
    }
    const DeviceTypeInfo info = DeviceTypeInfoOf(type);
    PrepareModelChooser(type);

    // Data of the other radio family than before: every page looks different.
    if ((info.family == FamilyKVL420 && previousFamily == FamilyWBS420) ||
        (info.family == FamilyWBS420 && previousFamily == FamilyKVL420))
        Dialogs::MessageBox(GetText("$T30032"), GetText("$T30021"), Dialogs::OK, Dialogs::Warning);
    DeviceFamily = info.family;
    Has3964R = info.has3964R ? 1 : 0;
    // The pages find their registers through the family's map.
    LoadSteuerungConfig();
    if (DeviceFamily == FamilyNone) {
        ClearParameterSet();
        return;
    }
    switch (DeviceFamily) {
    case FamilyKVL420:
        ShowPagesFamily33();
        break;
    case FamilyWBS420:
        ShowPagesFamily16();
        break;
    case FamilyDZF420:
        ShowPagesFamily113();
        break;
    default:
        ShowPagesFamily208();
        break;
    }

    if (!ChoosePowerVariant())
        return;
    ReloadIoWorkingCopies();
    ui.funk->setEnabled(true);
    ui.einstellung->setEnabled(true);
    ui.up_load->setEnabled(true);
    ui.savebutton->setEnabled(true);
    ui.Bild1->setVisible(true);
    UpdateStatusLine();
}

void TForm1::savebuttonClick() {
    if (!TransferCommandAllowed() || !CommitFocusedEdit())
        return;
    const RunningCommand running(*this);
    const CommandButton button(ui.savebutton);
    if (!ServiceMode && !ParameterSetPresent()) {
        ErrorBox(GetText("$T30022"));
        return;
    }
    if (CheckFrequencyLimits(RegisterImage, RegisterMap) && !ServiceMode) {
        Dialogs::ShowMessage(GetText("$T30021") + "\n" + GetText("$T30042") + "\n" +
                             GetText("$T30044"));
        ShowCommError();
        return;
    }
    HidePages(*this);
    ui.Bild1->setVisible(true);
    std::string name;
    if (DemoLoaded) {
        name = AskDemoSaveName(*this);
    } else {
        name = Dialogs::SaveFileName(GetText("$T05004"), StartFolder(*this), ParameterFileFilter(),
                                     CustomerFileFilter);
    }
    if (name.empty())
        return;
    // The name the user was asked about: the demo's by the input box, any
    // other by the file dialog.
    const std::string checked = name;
    if (DeviceFamily == FamilyWBS420)
        MergeIoWorkingCopies();
    KundenFile->Reset();
    KundenFile->SetFlag9(true);
    KundenFile->Info().SetVersion(FileFormatVersion);

    if (ServiceMode && FileKindOf(name) == ParameterFileKind::Other &&
        Dialogs::MessageBox("M\xF6"
                            "chten Sie ein RTU-File schreiben?",
                            "File Format!", Dialogs::YesNo, Dialogs::Question) != Dialogs::Yes)
        name = ReplaceExtension(name, ".qdv");
    const SaveOutcome outcome = ServiceMode && FileKindOf(name) != ParameterFileKind::Customer
                                    ? RunRegisterDump(*this, name, checked)
                                    : SaveCustomerFile(*this, name, checked);
    if (outcome == SaveOutcome::Saved) {
        Dialogs::ShowMessage(GetText("$T30003"));
        SetTransferStatus("$T29006");
    } else if (outcome == SaveOutcome::Failed) {
        SetTransferStatus("$T29002");
    }
}

bool TForm1::CheckParameterLines(TStringList& lines) {
    const bool showProgress = ServiceMode && Form4;
    if (showProgress) {
        // The window tells what it shows now, not what it showed last.
        TranslateReadProgress("$T27002");
        Form4->BeginTransfer(static_cast<int>(lines.Count()), 0);
        Form4->EnableClose(true);
    }
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        if (showProgress) {
            Form4->ClearLog();
            Form4->AddLine("Teste Zeile: " + std::to_string(i + 1));
            Form4->SetProgress(static_cast<int>(i + 1));
        }
        if (i % 20 == 0)
            Application().ProcessMessages();
        lines[i] = CleanRegisterLine(lines[i]);
        const RegisterLine line = ParseRegisterLine(lines[i], NameForm::Either);
        if (line.fault == LineFault::None || line.fault == LineFault::Blank)
            continue;
        // A value form the check knows has its message; other faults only
        // make the line invalid.
        const std::string id = FaultTextId(line.fault);
        if (!id.empty() && line.fault != LineFault::UnknownForm) {
            const std::string text = GetText(id);
            Dialogs::ShowMessage(text);
            if (LogFile)
                LogFile->WriteVisible(text);
        } else if (LogFile) {
            LogFile->WriteVisible("Invalid parameter line " + std::to_string(i + 1) + ": " +
                                  lines[i]);
        }
        return true;
    }
    return false;
}
