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
#include "platform/Application.h"
#include "platform/Text.h"
#include "platform/window/Dialogs.h"
#include "shell/LogFile.h"
#include "shell/Sprache.h"
#include "shell/window/Form1.h"
#include "shell/window/Globals.h"
#include "shell/window/Program.h"

#include <QAbstractButton>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolBar>

namespace {

constexpr int MinLangVersion = 122;

// Sets the visible text of a label, button, group or menu.
void SetCaption(QObject* control, const std::string& text) {
    const QString t = ToQString(text);
    if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(t);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(t);
    else if (auto* group = qobject_cast<QGroupBox*>(control))
        group->setTitle(t);
    else if (auto* action = qobject_cast<QAction*>(control))
        action->setText(t);
    else if (auto* menu = qobject_cast<QMenu*>(control))
        menu->setTitle(t);
}

// The button i of a radio group (its children are named <group>_<i>).
QObject* GroupButton(QWidget* group, int i) {
    return group->findChild<QObject*>(group->objectName() + "_" + QString::number(i));
}

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

} // namespace

void TForm1::ApplyLanguage() {
    // 1, 2
    Sprache->SetDirectory(ProgramDir);
    Sprache->SetMinVersion(MinLangVersion);
    const bool askUser = LanguageId == -1;
    Sprache->SetAskUser(askUser);
    // 3
    if (Sprache->Load(LanguageId)) {
        switch (Sprache->Status()) {
        case 4:
            Dialogs::ShowMessage("Your language file contains no valid version number!");
            break;
        case 5:
            Dialogs::ShowMessage("Your Program required a new language file!");
            break;
        default:
            Dialogs::ShowMessage("No language file was found!");
            if (LogFile)
                LogFile->WriteVisible("Lang\xB4"
                                      "File gesucht in: " +
                                      FromQString(QDir::currentPath()) + "\\" + ProgramDir);
            break;
        }
        if (ControlsUpdating == 0)
            QuitAtStart = true;
        return;
    }
    // 4
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
    // 1, 2
    LanguageId = Sprache->GetLanguageId(tag);
    Sprache->SelectLanguage(tag);
    // 3
    ControlsUpdating = 1;
    ApplyLanguage();
    ControlsUpdating = 0;
    // 4
    StatusPanels[5]->clear();
    // 5
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
    auto text = [&s](const char* id) { return s.GetText(id); };
    // 1
    SetMainCaption(ProgramTitle);
    // 2
    SetCaption(ui.Datei1, text("$T01001"));
    SetCaption(ui.drucken1, text("$T02001"));
    SetCaption(ui.DateiinSteuerungladen1, text("$T02002"));
    SetCaption(ui.Beenden1, text("$T02003"));
    SetCaption(ui.Einstellungen1, text("$T01002"));
    SetCaption(ui.Sprache1, text("$T03001"));
    SetCaption(ui.Port1, text("$T03002"));
    SetCaption(ui.Userdaten, text("$T03003"));
    SetCaption(ui.Updatessuchen, text("$T03004"));
    SetCaption(ui.Info1, text("$T01003"));
    SetCaption(ui.Hilfe1, text("$T04001"));
    SetCaption(ui.nowUpdates, text("$T04002"));
    SetCaption(ui.ber1, text("$T04003"));
    // 3: the first 11 tool-bar buttons; those with a hint take the next text.
    const QList<QAction*> buttons = ui.ToolBar1->actions();
    int n = 1;
    for (int i = 0; i < buttons.size() && i < 11; ++i) {
        if (!HasOwnHint(buttons[i]))
            continue;
        buttons[i]->setToolTip(ToQString(s.GetTexts(5, n, 1)));
        ++n;
    }
    // 4
    const std::pair<QWidget*, const char*> tabs[] = {
        {ui.Frequenzliste, "$T06001"},    {ui.Leistung_Zeitschlitz, "$T06002"},
        {ui.Grundeinstellung, "$T06003"}, {ui.zaehler_a, "$T06004"},
        {ui.zaehler_b, "$T06005"},        {ui.rtu_io, "$T06006"},
        {ui.Betriebsart1, "$T06007"},     {ui.comport, "$T06008"},
        {ui.Impulsausgabe1, "$T06009"},   {ui.Modbus, "$T06010"},
        {ui.dzfEinstellung, "$T06012"},   {ui.FrequenzEditor, "$T06011"}};
    for (const auto& [tab, id] : tabs) {
        auto* pages = qobject_cast<QTabWidget*>(
            tab->parentWidget() ? tab->parentWidget()->parentWidget() : nullptr);
        if (pages && pages->indexOf(tab) >= 0)
            pages->setTabText(pages->indexOf(tab), ToQString(text(id)));
    }
    // 5: the sub-slot choices keep their selection.
    for (int i = 0; i < 5; ++i)
        SetCaption(GroupButton(ui.SubSlot, i), s.GetText(TSprache::MakeId(10, i + 1)));
    // 6, 7
    SetCaption(ui.frequenz1, text("$T08001"));
    SetCaption(ui.sendeleistung, text("$T09001"));
    SetCaption(ui.Zeitschlitz1, text("$T09002"));
    SetCaption(ui.SubSlot, text("$T09003"));
    // 8
    const std::pair<QWidget*, const char*> options[] = {
        {ui.Counter, "$T14001"},          {ui.DatenrateFunk, "$T14018"},
        {ui.GatewayFunktion, "$T14003"},  {ui.GatewayMRTU, "$T14004"},
        {ui.MOP2deaktivieren, "$T14005"}, {ui.MoPMastermode, "$T14006"},
        {ui.MoPtimeout, "$T14007"},       {ui.Pipeline, "$T14008"},
        {ui.RTSaktivieren, "$T14009"},    {ui.S7OPC, "$T14010"},
        {ui.ComRS4xx, "$T14019"},         {ui.CounterWrite, "$T14020"},
        {ui.FeldstaerkenByte, "$T14021"}};
    for (const auto& [control, id] : options)
        SetCaption(control, text(id));
    for (QWidget* w :
         {static_cast<QWidget*>(ui.Counter), static_cast<QWidget*>(ui.GatewayFunktion),
          static_cast<QWidget*>(ui.GatewayMRTU), static_cast<QWidget*>(ui.MOP2deaktivieren),
          static_cast<QWidget*>(ui.MoPMastermode), static_cast<QWidget*>(ui.Pipeline),
          static_cast<QWidget*>(ui.RTSaktivieren), static_cast<QWidget*>(ui.S7OPC),
          static_cast<QWidget*>(ui.FeldstaerkenByte)})
        w->resize(220, w->height());
    ui.MoPtimeout->resize(66, ui.MoPtimeout->height());
    SetCaption(ui.logische, text("$T14011"));
    SetCaption(ui.Label39, text("$T14012"));
    SetCaption(ui.Label3, text("$T14013"));
    SetCaption(ui.Label1, text("$T14014"));
    SetCaption(ui.Label2, text("$T14015"));
    SetCaption(ui.Label34, text("$T14016"));
    SetCaption(ui.x_Timeout11, text("$T14017"));
    // 9
    SetCaption(ui.io_anzeige, text("$T15001"));
    const std::pair<QWidget*, const char*> io[] = {
        {ui.Label8, "$T15002"},  {ui.Label9, "$T15003"},  {ui.Label10, "$T15004"},
        {ui.Label11, "$T15005"}, {ui.Label12, "$T15006"}, {ui.Label13, "$T15007"}};
    for (const auto& [label, id] : io)
        SetCaption(label, text(id));
    // 10
    SetCaption(ui.GroupBox5, text("$T16001"));
    for (int k = 0; k < 8; ++k) {
        QWidget* group = findChild<QWidget*>(QString("za%1").arg(k));
        if (group) {
            SetCaption(GroupButton(group, 0), text("$T16002"));
            SetCaption(GroupButton(group, 1), text("$T16003"));
        }
        const QString pair = k < 7 ? QString("za%1_a%2").arg(k).arg(k + 1) : QString("za7_b8");
        SetCaption(findChild<QObject*>(pair),
                   s.GetText2Args(k < 7 ? "$T16004" : "$T16005", std::to_string(k),
                                  std::to_string(k + 1)));
    }
    // 11
    SetCaption(ui.GroupBox7, text("$T16001"));
    for (int k = 8; k < 16; ++k) {
        if (QWidget* group = findChild<QWidget*>(QString("zb%1").arg(k))) {
            SetCaption(GroupButton(group, 0), text("$T16002"));
            SetCaption(GroupButton(group, 1), text("$T16003"));
        }
        if (k < 15)
            SetCaption(findChild<QObject*>(QString("zb%1_b%2").arg(k).arg(k + 1)),
                       s.GetText2Args("$T16006", std::to_string(k), std::to_string(k + 1)));
    }
    // 12
    SetCaption(ui.baudrate, text("$T43001"));
    SetCaption(ui.GroupBox13, text("$T43002"));
    SetCaption(ui.Datenbits, text("$T43003"));
    SetCaption(GroupButton(ui.Datenbits, 0), text("$T43004"));
    SetCaption(GroupButton(ui.Datenbits, 1), text("$T43005"));
    SetCaption(ui.Stopbits, text("$T43007"));
    SetCaption(GroupButton(ui.Stopbits, 0), text("$T43006"));
    // 13
    SetCaption(ui.impuls, text("$T19001"));
    for (const auto& [group, id] : {std::pair<QWidget*, const char*>{ui.imp_ein, "$T19002"},
                                    {ui.verbund_ein, "$T19005"},
                                    {ui.analog_out, "$T19006"}}) {
        SetCaption(group, text(id));
        SetCaption(GroupButton(group, 0), text("$T19003"));
        SetCaption(GroupButton(group, 1), text("$T19004"));
    }
    SetCaption(ui.imp_out, text("$T19007"));
    SetCaption(GroupButton(ui.imp_out, 0), text("$T19008"));
    SetCaption(GroupButton(ui.imp_out, 1), text("$T19009"));
    SetCaption(ui.Label14, text("$T19010"));
    SetCaption(ui.GroupBox3, text("$T19011"));
    SetCaption(ui.Label16, text("$T19012"));
    SetCaption(ui.GroupBox2, text("$T19013"));
    SetCaption(ui.Label15, text("$T19014"));
    // 14
    const std::pair<QWidget*, const char*> modbus[] = {
        {ui.Autoaktivierung, "$T20001"}, {ui.Modbuszugriff, "$T20002"},
        {ui.sortieren, "$T20003"},       {ui.Label33, "$T20004"},
        {ui.Label7, "$T20005"},          {ui.Label6, "$T20006"},
        {ui.Label4, "$T20007"},          {ui.timeoutdeaktivieren, "$T20008"}};
    for (const auto& [control, id] : modbus)
        SetCaption(control, text(id));
    // 15, 16
    SetCaption(ui.t_Timeout, s.GetTexts(21, 1, 2));
    SetCaption(ui.x_Timeout, text("$T22001"));
    // 17
    SetCaption(ui.dzfBetrieb, text("$T07001"));
    SetCaption(ui.dzfAdr, text("$T07002"));
    SetCaption(ui.dzfLabGro, text("$T07003"));
    SetCaption(ui.dzfLabBegin, text("$T07004"));
    SetCaption(ui.dzfFunk, text("$T07005"));
    SetCaption(GroupButton(ui.dzfBetrieb, 0), text("$T07007"));
    SetCaption(GroupButton(ui.dzfBetrieb, 1), text("$T07008"));
    // 18
    SetCaption(ui.Fbereich, text("$T11001"));
    SetCaption(ui.FAnzahlText, text("$T11002"));
    SetCaption(ui.FSetAendern, text("$T11003"));
    SetCaption(ui.FSetLaden, text("$T11004"));
    SetCaption(ui.FSetSpeichern, text("$T11005"));
    const QString rangeHint = ToQString(text("$T12001"));
    ui.FBereichsInfo->setToolTip(rangeHint);
    for (int i = 1; i <= 12; ++i)
        if (auto* edit = findChild<QWidget*>(QString("FEdit%1").arg(i)))
            edit->setToolTip(rangeHint);
    // An editor already showing a table keeps its hints where they apply:
    // on the range only without device limits, on the invalid rows only.
    if (!FrequencyEditorPending && FrequenzEditor) {
        if (!FrequenzEditor->DefaultRange())
            ui.FBereichsInfo->setToolTip(QString());
        FrequenzEditor->RefreshRowHints(ToQString(text("$T13001")));
    }
    // 19
    const std::pair<QAction*, const char*> popup[] = {{ui.Exit, "$T05001"},
                                                      {ui.Clear1, "$T05002"},
                                                      {ui.LoadFile1, "$T05003"},
                                                      {ui.SaveFile1, "$T05004"},
                                                      {ui.ReadDevice1, "$T05005"},
                                                      {ui.SaveatDevice1, "$T05006"},
                                                      {ui.HFParameter1, "$T05007"},
                                                      {ui.DeviceParameter1, "$T05008"},
                                                      {ui.SaveFileatDevice1, "$T05009"},
                                                      {ui.Hilfe, "$T04001"}};
    for (const auto& [action, id] : popup)
        SetCaption(action, text(id));
    // 20
    if (InputLabel)
        InputLabel->setText(ToQString(text("$T08002")));
    for (TInputFrame* frame : InputFrames)
        if (frame)
            frame->SetText(text("$T08003"));
    SetCaption(ui.demomenue, text("$T02004"));
}

void TForm1::TranslateDatenladenDialog() {
    if (!datenladen1)
        return;
    datenladen1->setWindowTitle(ToQString(ProgramTitle));
    datenladen1->ui.Label2->setText(ToQString(Sprache->GetTexts(24, 1, 3)));
    datenladen1->ui.Laden1->setText(ToQString(GetText("$T23001")));
    datenladen1->ui.Button2->setText(ToQString(GetText("$T23002")));
}

void TForm1::TranslatePortSettingsDialog() {
    if (!Form2)
        return;
    Form2->SetFormCaption(GetText("$T25001"));
    Form2->SetLabel1Caption(GetText("$T25002"));
    Form2->SetLabel2Caption(GetText("$T25003"));
    Form2->SetDatenbitsgroupCaption(GetText("$T25004"));
    Form2->SetOkCaption(GetText("$T23003"));
    Form2->SetAbbrechenCaption(GetText("$T23002"));
}

void TForm1::TranslateWriteProgress(const std::string& secondLine) {
    if (!Form4)
        return;
    Form4->SetFormIcon(windowIcon());
    Form4->SetLabel1Caption(GetText("$T26001"));
    if (!secondLine.empty())
        Form4->SetLabel2Caption(GetText(secondLine));
    Form4->SetButton1Caption(GetText("$T23004"));
}

void TForm1::TranslateReadProgress(const std::string& titleId) {
    if (!Form4)
        return;
    Form4->SetFormIcon(windowIcon());
    if (!titleId.empty())
        Form4->SetLabel1Caption(GetText(titleId));
    Form4->SetLabel2Caption("");
    Form4->SetButton1Caption(GetText("$T23004"));
}

void TForm1::TranslateModelChooser() {
    if (!stwaehlen)
        return;
    stwaehlen->SetLabel1Caption(GetText("$T28001"));
    stwaehlen->SetOkButtonCaption(GetText("$T23003"));
    stwaehlen->SetButton2Caption(GetText("$T23002"));
}
