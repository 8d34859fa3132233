// Every text of the main window and the small dialogs in the current
// language: the language check at start-up, the language menu, and the
// retranslation of the windows.
#include "device/RegisterImage.h"
#include "device/window/Form4.h"
#include "device/window/Stwaehlen.h"
#include "files/window/Datenladen.h"
#include "link/window/Form2.h"
#include "pages/window/FrequenzEditor.h"
#include "pages/window/InputFrame.h"
#include "pages/window/Pages.h"
#include "platform/Application.h"
#include "platform/Text.h"
#include "platform/window/Dialogs.h"
#include "platform/window/FitText.h"
#include "shell/LogFile.h"
#include "shell/QtTranslation.h"
#include "shell/Sprache.h"
#include "shell/window/AboutBox.h"
#include "shell/window/Form1.h"
#include "shell/window/Globals.h"
#include "shell/window/Program.h"
#include "shell/window/WindowTexts.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolBar>

#include <algorithm>
#include <filesystem>
#include <initializer_list>

namespace {

// The hints of the tool bar's buttons, by running number.
constexpr TextIdRange ToolBarHints{5, 1, 9};
// The first time-out's group title, joined from two texts.
constexpr TextIdRange FirstTimeoutTitle{21, 1, 2};
// The question before loading, joined from three texts.
constexpr TextIdRange LoadQuestion{24, 1, 3};

// True when the action has a hint of its own: an action without one shows
// its text as its tool tip, so the tool tip follows a change of the text.
bool HasOwnHint(QAction* action) {
    if (action->isSeparator())
        return false;
    const QString text = action->text();
    const QString probe = text + QStringLiteral("\u0001");
    action->setText(probe);
    const bool own = action->toolTip() != probe;
    action->setText(text);
    return own && !action->toolTip().isEmpty();
}

// The first 11 buttons of the tool bar: each one with a hint of its own takes
// the next hint text, numbered from 1; the others use no number.
void SetToolBarHints(QToolBar* bar, TSprache& s) {
    const QList<QAction*> buttons = bar->actions();
    int n = 1;
    for (int i = 0; i < buttons.size() && i < 11; ++i) {
        if (!HasOwnHint(buttons[i]))
            continue;
        buttons[i]->setToolTip(ToQString(s.GetText(ToolBarHints.Id(n - 1))));
        ++n;
    }
}

} // namespace

void TForm1::ApplyLanguage() {
    Sprache->SetDirectory(ProgramDir);
    Sprache->SetMinVersion(MinLangVersion);
    const bool askUser = LanguageId == -1;
    Sprache->SetAskUser(askUser);
    // A file that fails the check leaves the menu and the texts as they are;
    // at start-up the program ends.
    if (Sprache->Load(LanguageId)) {
        switch (Sprache->Status()) {
        case 4:
            Dialogs::ShowMessage("Your language file contains no valid version number!");
            break;
        case 5:
            Dialogs::ShowMessage("Your Program required a new language file!");
            break;
        case TSprache::Damaged:
            // Fixed, since no text of the file can be trusted.
            Dialogs::ShowMessage("Your language file is damaged!");
            if (LogFile)
                LogFile->WriteVisible("Lang\xB4"
                                      "File damaged: " +
                                      PathText((std::filesystem::path(Sprache->GetDirectory()) /
                                                Sprache->GetFileName())
                                                   .string()) +
                                      ": " + Sprache->LoadError());
            break;
        default:
            Dialogs::ShowMessage("No language file was found!");
            if (LogFile)
                LogFile->WriteVisible("Lang\xB4"
                                      "File gesucht in: " +
                                      FromQString(QDir::currentPath()) + "\\" +
                                      PathText(ProgramDir));
            break;
        }
        if (ControlsUpdating == 0)
            QuitAtStart = true;
        return;
    }
    // The settings are written when the user chose the language, in the
    // chooser at start-up or from the menu.
    if (askUser || ControlsUpdating == 1)
        WriteSettingsFile();
    // Every entry of the old menu goes, however many the new file has.
    // The clicked entry itself may be among them: it goes once its click is over.
    for (QAction* item : LanguageMenuItems) {
        ui.Sprache1->removeAction(item);
        item->deleteLater();
    }
    LanguageMenuItems.clear();
    const int current = Sprache->GetLanguageIndex();
    for (int i = 0; i < Sprache->GetLanguageCount(); ++i) {
        QAction* item = ui.Sprache1->addAction(ToQString(Sprache->GetLanguageName(i)));
        item->setObjectName(QString("Language%1").arg(i));
        item->setData(i);
        item->setCheckable(true);
        item->setChecked(i == current);
        connect(item, &QAction::triggered, this, [this, i] { MenuClick(i); });
        LanguageMenuItems.push_back(item);
    }
    RetranslateMainForm();
}

void TForm1::MenuClick(int tag) {
    LanguageId = Sprache->GetLanguageId(tag);
    Sprache->SelectLanguage(tag);
    // The pages' handlers store nothing while their captions change.
    ControlsUpdating = 1;
    ApplyLanguage();
    ControlsUpdating = 0;
    StatusPanels[5]->clear();
    // The preset menu's texts are in the new language too.
    ClearPresetMenu();
    if (RegisterImage[DeviceTypeCell] != 0)
        FillPresetMenuForDevice();
    else
        FillPresetMenu();
}

void TForm1::SetMainCaption(const std::string& title) {
    if (!mainTitleKept_) {
        mainTitle_ = title;
        mainTitleKept_ = true;
    }
    setWindowTitle(ToQString(mainTitle_));
    ProgramTitle = mainTitle_;
    Application().SetTitle(ProgramTitle);
}

std::string TForm1::GetText(const std::string& id) {
    return Sprache ? Sprache->GetText(id) : id;
}

void TForm1::RetranslateMainForm() {
    TSprache& s = *Sprache;
    const TextLookup text = [&s](const std::string& id) { return s.GetText(id); };
    // Qt's own dialogs speak the same language as the program.
    UseQtTranslation(s.GetLanguageId(s.GetLanguageIndex()));
    SetMainCaption(ProgramTitle);
    ApplyTexts(MainWindowTexts(ui), text);
    ApplyChoices(MainWindowChoices(ui), text);
    SetToolBarHints(ui.ToolBar1, s);
    // The address label names the address the device family has.
    ShowAddressCaption();
    // The shown settings tab fills its groups and their items in the new
    // language too, as showing it again would.
    if (RegisterImage[DeviceTypeCell] != 0 && ui.PageControl2->isVisibleTo(this))
        PageControl2Change();
    // The radio pages' hint line too, without filling the pages again: the
    // frequency editor keeps what is being typed.
    RetranslateRadioHint();
    // Message boxes and questions answer with buttons in the same language.
    for (const auto& [button, id] :
         {std::pair(Dialogs::Ok, "$T23003"), std::pair(Dialogs::Cancel, "$T23002"),
          std::pair(Dialogs::Yes, "$T23005"), std::pair(Dialogs::No, "$T23006")})
        Dialogs::SetButtonText(button, text(id));

    // The options' fixed widths; fitting the window to its texts below widens
    // those whose text needs more and moves their neighbours aside.
    for (QWidget* option : std::initializer_list<QWidget*>{
             ui.Counter, ui.GatewayFunktion, ui.GatewayMRTU, ui.MOP2deaktivieren, ui.MoPMastermode,
             ui.Pipeline, ui.RTSaktivieren, ui.S7OPC, ui.FeldstaerkenByte})
        option->resize(220, option->height());
    ui.MoPtimeout->resize(66, ui.MoPtimeout->height());
    // The first time-out's caption is made of two texts.
    ui.t_Timeout->setTitle(ToQString(s.GetTexts(FirstTimeoutTitle)));

    // The check box between inputs k and k + 1 names both; the last input
    // of the first block pairs with the first of the second.
    QCheckBox* const pairs[] = {ui.za0_a1,   ui.za1_a2,   ui.za2_a3,   ui.za3_a4,   ui.za4_a5,
                                ui.za5_a6,   ui.za6_a7,   ui.za7_b8,   ui.zb8_b9,   ui.zb9_b10,
                                ui.zb10_b11, ui.zb11_b12, ui.zb12_b13, ui.zb13_b14, ui.zb14_b15};
    for (int k = 0; k < 15; ++k) {
        const char* id = k < 7 ? "$T16004" : k == 7 ? "$T16005" : "$T16006";
        pairs[k]->setText(ToQString(s.GetText2Args(id, std::to_string(k), std::to_string(k + 1))));
    }

    // The frequency editor: the range information and every row carry the
    // range hint, but an editor already showing a table keeps its hints
    // where they apply: on the range only without device limits, on the
    // invalid rows only.
    const QString rangeHint = ToQString(text("$T12001"));
    ui.FBereichsInfo->setToolTip(rangeHint);
    for (QLineEdit* edit : {ui.FEdit1, ui.FEdit2, ui.FEdit3, ui.FEdit4, ui.FEdit5, ui.FEdit6,
                            ui.FEdit7, ui.FEdit8, ui.FEdit9, ui.FEdit10, ui.FEdit11, ui.FEdit12})
        edit->setToolTip(rangeHint);
    if (!FrequencyEditorPending && FrequenzEditor) {
        if (!FrequenzEditor->DefaultRange())
            ui.FBereichsInfo->setToolTip(QString());
        FrequenzEditor->RefreshRowHints(ToQString(text("$T13001")));
    }

    // The input-delay heading and frames, made at start-up.
    if (InputLabel) {
        InputLabel->setText(ToQString(text("$T08002")));
        InputLabel->adjustSize();
    }
    for (TInputFrame* frame : InputFrames)
        if (frame)
            frame->SetText(text("$T08003"));

    FitWindowToTexts();
}

void TForm1::TranslateDatenladenDialog() {
    if (!datenladen1)
        return;
    datenladen1->setWindowTitle(ToQString(ProgramTitle));
    // The question is made of three texts.
    datenladen1->ui.Label2->setText(ToQString(Sprache->GetTexts(LoadQuestion)));
    ApplyTexts({{datenladen1->ui.Laden1, "$T23001"}, {datenladen1->ui.Button2, "$T23002"}},
               [this](const std::string& id) { return GetText(id); });
    FitToTexts(datenladen1);
}

void TForm1::TranslatePortSettingsDialog() {
    if (!Form2)
        return;
    const TextLookup text = [this](const std::string& id) { return GetText(id); };
    ApplyTexts({{Form2, "$T25001"},
                {Form2->ui.Label1, "$T25002"},
                {Form2->ui.Label2, "$T25003"},
                {Form2->ui.datenbitsgroup, "$T25004"},
                {Form2->ui.paritygroup, "$T43008"},
                {Form2->ui.ok, "$T23003"},
                {Form2->ui.abbrechen, "$T23002"}},
               text);
    ApplyChoices({{Form2->ui.paritygroup, {"$T43011", "$T43009", "$T43010"}}}, text);
    FitToTexts(Form2);
}

// The transfer window's texts are set before each transfer; its lines
// depend on the transfer.
void TForm1::TranslateWriteProgress(const std::string& secondLine) {
    if (!Form4)
        return;
    Form4->SetFormIcon(windowIcon());
    Form4->SetLabel1Caption(GetText("$T26001"));
    if (!secondLine.empty())
        Form4->SetLabel2Caption(GetText(secondLine));
    Form4->SetButton1Caption(GetText("$T23004"));
    FitToTexts(Form4);
}

void TForm1::TranslateReadProgress(const std::string& titleId) {
    if (!Form4)
        return;
    Form4->SetFormIcon(windowIcon());
    if (!titleId.empty())
        Form4->SetLabel1Caption(GetText(titleId));
    Form4->SetLabel2Caption("");
    Form4->SetButton1Caption(GetText("$T23004"));
    FitToTexts(Form4);
}

void TForm1::TranslateAboutBox() {
    if (!AboutBox)
        return;
    ApplyTexts({{AboutBox->ui.Label2, "$T48001"}},
               [this](const std::string& id) { return GetText(id); });
}

void TForm1::TranslateModelChooser() {
    if (!stwaehlen)
        return;
    ApplyTexts({{stwaehlen->ui.Label1, "$T28001"},
                {stwaehlen->ui.OkButton, "$T23003"},
                {stwaehlen->ui.Button2, "$T23002"}},
               [this](const std::string& id) { return GetText(id); });
    FitToTexts(stwaehlen);
}
