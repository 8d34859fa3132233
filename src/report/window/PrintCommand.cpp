// The print command: refuses a parameter set that cannot be printed, asks for
// the device's interface (and in service mode for the report's language) and
// prints the configuration report. Nothing of the pages or the image changes.
#include "device/ChangeFlags.h"
#include "device/DeviceTypes.h"
#include "device/PowerTable.h"
#include "device/RegisterImage.h"
#include "device/RegisterMap.h"
#include "platform/Text.h"
#include "platform/Timer.h"
#include "platform/window/Dialogs.h"
#include "report/ReportImage.h"
#include "report/window/PrintSteuerung.h"
#include "report/window/Schnittstelle.h"
#include "shell/LogFile.h"
#include "shell/Sprache.h"
#include "shell/window/FileListDialog.h"
#include "shell/window/Form1.h"
#include "shell/window/Globals.h"

#include <QApplication>
#include <QWidget>

#include <optional>

namespace {

// The focus timer looks for the print dialog this many times per print.
constexpr int DruckerMaxTries = 6;

// Puts the program's language back when it goes, however the print ends.
class KeepProgramLanguage {
public:
    explicit KeepProgramLanguage(TSprache& s) : s_(s), code_(s.GetLanguage()) {}
    ~KeepProgramLanguage() { s_.SetLanguage(code_); }
    KeepProgramLanguage(const KeepProgramLanguage&) = delete;
    KeepProgramLanguage& operator=(const KeepProgramLanguage&) = delete;

private:
    TSprache& s_;
    std::string code_;
};

// Why a print with unsaved changes is refused, joined from two texts.
constexpr TextIdRange UnsavedChangesRefusal{38, 1, 2};

void RefusePrint(TForm1& f, const ReportOutcome& outcome) {
    std::string text;
    switch (outcome.refusal) {
    case RefusalMessage::UnsavedChanges:
        text = f.Sprache->GetTexts(UnsavedChangesRefusal);
        break;
    case RefusalMessage::NoData:
        text = f.GetText("$T30022");
        break;
    case RefusalMessage::Aborted:
        text = f.GetText("$T30026");
        break;
    }
    Dialogs::ShowMessage(text);
    if (!outcome.logDetail.empty() && f.LogFile)
        f.LogFile->WriteVisible(text + outcome.logDetail);
}

// The interface the user chose; nothing when the dialog was not confirmed.
std::optional<int> AskInterface(TForm1& f) {
    TpSchnittstelle dialog(&f);
    dialog.SetCaptionText(FromQString(f.windowTitle()));
    dialog.SetOkText(f.GetText("$T23003"));
    dialog.SetCancelText(f.GetText("$T23002"));
    dialog.SetGroupText(f.GetText("$T40003"));
    if (Dialogs::ShowModal(dialog) != Dialogs::Ok)
        return std::nullopt;
    return dialog.GetChoice();
}

// The language code of a service-mode report; nothing when the user cancels.
std::optional<std::string> AskReportLanguage(TForm1& f) {
    TSprache& s = *f.Sprache;
    TFileListDialog chooser(&f);
    chooser.setObjectName("PrintLanguageChooser");
    for (int i = 0; i < s.GetLanguageCount(); ++i)
        chooser.AddItem(s.GetLanguageName(i));
    const int current = s.GetLanguageIndex();
    chooser.SetItemIndex(current);
    if (Dialogs::ShowModal(chooser) != Dialogs::Ok)
        return std::nullopt;
    const int chosen = chooser.ChosenIndex();
    if (chosen == current)
        return s.GetLanguage();
    KeepProgramLanguage keep(s);
    s.SelectLanguage(chosen);
    return s.GetLanguage();
}

} // namespace

void TForm1::drucken1Click() {
    // The image is the reader's while a read runs.
    if (!PrintSteuerung || !Sprache || !TransferCommandAllowed() || !CommitFocusedEdit())
        return;
    const ReportOutcome outcome = ReportFromImage(
        {RegisterImage, RegisterMap, DeviceFamily, Has3964R != 0, LowPowerModule != 0, ModelNames,
         RadioSettingsChanged != 0 || DeviceSettingsChanged != 0});
    if (!outcome.printable) {
        RefusePrint(*this, outcome);
        return;
    }
    TPrintSteuerung& print = *PrintSteuerung;
    print.SetValues(outcome.values);
    print.SetModeTextId(outcome.modeTextId);
    print.SetLanguageFolder(ProgramDir);
    print.SetMinLangVersion(MinLangVersion);
    // The dialog is titled as the menu's command.
    print.SetDialogTitle(GetText("$T02001"));

    const std::optional<int> chosenInterface = AskInterface(*this);
    if (!chosenInterface) {
        Dialogs::ShowMessage(GetText("$T30026"));
        return;
    }
    print.SetInterfaceIndex(*chosenInterface);

    std::string language = Sprache->GetLanguage();
    if (ServiceMode == 1) {
        print.SetSignature(1);
        const std::optional<std::string> chosen = AskReportLanguage(*this);
        if (!chosen)
            return;
        language = *chosen;
    }
    print.LoadCaptions(language);
    if (ServiceMode == 1) {
        DruckerTries = 0;
        Drucker->SetEnabled(true);
    }
    if (DeviceFamily == FamilyDZF420)
        print.PrintShort();
    else
        print.PrintFull();
    setWindowState(windowState() & ~Qt::WindowMinimized);
}

void TForm1::DruckerTimer() {
    Drucker->SetEnabled(false);
    ++DruckerTries;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && PrintSteuerung &&
            FromQString(window->windowTitle()) == PrintSteuerung->DialogTitle()) {
            window->raise();
            window->activateWindow();
            window->setFocus();
            return;
        }
    }
    if (DruckerTries < DruckerMaxTries)
        Drucker->SetEnabled(true);
}
