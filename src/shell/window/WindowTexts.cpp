#include "shell/window/WindowTexts.h"

#include "platform/Text.h"
#include "ui_TForm1.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>

namespace {

// The page control that shows page as one of its tabs; null for any other
// widget.
QTabWidget* PageControlOf(QWidget* page) {
    // A tab widget keeps its pages in a stack of its own.
    QWidget* stack = page->parentWidget();
    auto* pages = qobject_cast<QTabWidget*>(stack ? stack->parentWidget() : nullptr);
    return pages && pages->indexOf(page) >= 0 ? pages : nullptr;
}

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
    else if (auto* widget = qobject_cast<QWidget*>(control)) {
        if (QTabWidget* pages = PageControlOf(widget))
            pages->setTabText(pages->indexOf(widget), t);
        else if (widget->isWindow())
            widget->setWindowTitle(t);
    }
}

// The button of item i of a radio group.
QObject* GroupButton(QWidget* group, int i) {
    return group->findChild<QObject*>(group->objectName() + "_" + QString::number(i));
}

} // namespace

void ApplyTexts(const std::vector<TextRow>& rows, const TextLookup& text) {
    for (const auto& [control, id] : rows)
        SetCaption(control, text(id));
}

void ApplyChoices(const std::vector<ChoiceRow>& rows, const TextLookup& text) {
    for (const auto& [group, ids] : rows)
        for (size_t i = 0; i < ids.size(); ++i)
            SetCaption(GroupButton(group, static_cast<int>(i)), text(ids[i]));
}

std::vector<TextRow> MainWindowTexts(const Ui::TForm1& ui) {
    return {
        // The main menu; the preset menu shows the presets' own names.
        {ui.Datei1, "$T01001"},
        {ui.drucken1, "$T02001"},
        {ui.DateiinSteuerungladen1, "$T02002"},
        {ui.Beenden1, "$T02003"},
        {ui.demomenue, "$T02004"},
        {ui.Einstellungen1, "$T01002"},
        {ui.Sprache1, "$T03001"},
        {ui.Port1, "$T03002"},
        {ui.Userdaten, "$T03003"},
        {ui.Updatessuchen, "$T03004"},
        {ui.Info1, "$T01003"},
        {ui.Hilfe1, "$T04001"},
        {ui.nowUpdates, "$T04002"},
        {ui.ber1, "$T04003"},

        // The tool bar's captions; its hints are numbered texts of their own.
        {ui.ToolButton1, "$T44001"},
        {ui.ToolButton2, "$T44002"},
        {ui.openbutton, "$T44003"},
        {ui.savebutton, "$T44004"},
        {ui.down_load, "$T44005"},
        {ui.up_load, "$T44006"},
        {ui.funk, "$T44007"},
        {ui.einstellung, "$T44008"},
        {ui.SaveToStrg, "$T44009"},
        {ui.BrowserEnable, "$T44010"},
        {ui.scanreg, "$T44011"},
        {ui.service, "$T44012"},
        {ui.Konverter, "$T44013"},

        // The pop-up menu of the pages.
        {ui.Exit, "$T05001"},
        {ui.Clear1, "$T05002"},
        {ui.LoadFile1, "$T05003"},
        {ui.SaveFile1, "$T05004"},
        {ui.ReadDevice1, "$T05005"},
        {ui.SaveatDevice1, "$T05006"},
        {ui.HFParameter1, "$T05007"},
        {ui.DeviceParameter1, "$T05008"},
        {ui.SaveFileatDevice1, "$T05009"},
        {ui.Hilfe, "$T04001"},

        // Channel list.
        {ui.Frequenzliste, "$T06001"},
        {ui.frequenz1, "$T08001"},

        // Transmit power and time slot.
        {ui.Leistung_Zeitschlitz, "$T06002"},
        {ui.sendeleistung, "$T09001"},
        {ui.Zeitschlitz1, "$T09002"},
        {ui.SubSlot, "$T09003"},

        // Basic settings: the protocol options, the averaging and the
        // time-outs (the first time-out's caption is a joined text).
        {ui.Grundeinstellung, "$T06003"},
        {ui.GroupBox12, "$T14023"},
        {ui.reg917, "$T14002"},
        {ui.Durchschnitt, "$T14024"},
        {ui.Fadresse, "$T14025"},
        {ui.Counter, "$T14001"},
        {ui.DatenrateFunk, "$T14018"},
        {ui.GatewayFunktion, "$T14003"},
        {ui.GatewayMRTU, "$T14004"},
        {ui.MOP2deaktivieren, "$T14005"},
        {ui.MoPMastermode, "$T14006"},
        {ui.MoPtimeout, "$T14007"},
        {ui.Pipeline, "$T14008"},
        {ui.RTSaktivieren, "$T14009"},
        {ui.S7OPC, "$T14010"},
        {ui.ComRS4xx, "$T14019"},
        {ui.CounterWrite, "$T14020"},
        {ui.FeldstaerkenByte, "$T14021"},
        {ui.logische, "$T14011"},
        {ui.Label39, "$T14012"},
        {ui.Label3, "$T14013"},
        {ui.Label1, "$T14014"},
        {ui.Label2, "$T14015"},
        {ui.Label34, "$T14016"},
        {ui.x_Timeout11, "$T14017"},
        {ui.x_Timeout, "$T22001"},

        // Inputs 0-7 and 8-15; the check boxes between neighbouring inputs
        // carry both inputs' numbers and are captioned by the window's code.
        {ui.zaehler_a, "$T06004"},
        {ui.GroupBox5, "$T16001"},
        {ui.zaehler_b, "$T06005"},
        {ui.GroupBox7, "$T16001"},

        // I/O display.
        {ui.rtu_io, "$T06006"},
        {ui.io_anzeige, "$T15001"},
        {ui.Label8, "$T15002"},
        {ui.Label9, "$T15003"},
        {ui.Label10, "$T15004"},
        {ui.Label11, "$T15005"},
        {ui.Label12, "$T15006"},
        {ui.Label13, "$T15007"},

        // Operating mode.
        {ui.Betriebsart1, "$T06007"},

        // Serial interface.
        {ui.comport, "$T06008"},
        {ui.baudrate, "$T43001"},
        {ui.GroupBox13, "$T43002"},
        {ui.Parity, "$T43008"},
        {ui.Datenbits, "$T43003"},
        {ui.Stopbits, "$T43007"},

        // Counter and impulse output.
        {ui.Impulsausgabe1, "$T06009"},
        {ui.impuls, "$T19001"},
        {ui.imp_ein, "$T19002"},
        {ui.verbund_ein, "$T19005"},
        {ui.analog_out, "$T19006"},
        {ui.imp_out, "$T19007"},
        {ui.Label14, "$T19010"},
        {ui.GroupBox3, "$T19011"},
        {ui.Label16, "$T19012"},
        {ui.GroupBox2, "$T19013"},
        {ui.Label15, "$T19014"},

        // Modbus.
        {ui.Modbus, "$T06010"},
        {ui.Autoaktivierung, "$T20001"},
        {ui.Modbuszugriff, "$T20002"},
        {ui.sortieren, "$T20003"},
        {ui.Label33, "$T20004"},
        {ui.Label7, "$T20005"},
        {ui.Label6, "$T20006"},
        {ui.Label4, "$T20007"},
        {ui.timeoutdeaktivieren, "$T20008"},

        // Repeater.
        {ui.dzfEinstellung, "$T06012"},
        {ui.dzfBetrieb, "$T07001"},
        {ui.dzfAdr, "$T07002"},
        {ui.dzfLabGro, "$T07003"},
        {ui.dzfLabBegin, "$T07004"},
        {ui.dzfFunk, "$T07005"},

        // Input power-on delays; the heading and the frames are made at start-up.
        {ui.InputTabSheet, "$T06013"},

        // Frequency editor; its hints depend on the table it shows.
        {ui.FrequenzEditor, "$T06011"},
        {ui.Fbereich, "$T11001"},
        {ui.FAnzahlText, "$T11002"},
        {ui.FSetAendern, "$T11003"},
        {ui.FSetLaden, "$T11004"},
        {ui.FSetSpeichern, "$T11005"},
    };
}

std::vector<ChoiceRow> MainWindowChoices(const Ui::TForm1& ui) {
    // Every input offers the same two choices.
    const std::vector<const char*> input = {"$T16002", "$T16003"};
    const std::vector<const char*> impulse = {"$T19003", "$T19004"};
    return {
        // The sub-slot choices keep their buttons, so the choice stays.
        {ui.SubSlot, {"$T10001", "$T10002", "$T10003", "$T10004", "$T10005"}},

        {ui.za0, input},
        {ui.za1, input},
        {ui.za2, input},
        {ui.za3, input},
        {ui.za4, input},
        {ui.za5, input},
        {ui.za6, input},
        {ui.za7, input},
        {ui.zb8, input},
        {ui.zb9, input},
        {ui.zb10, input},
        {ui.zb11, input},
        {ui.zb12, input},
        {ui.zb13, input},
        {ui.zb14, input},
        {ui.zb15, input},

        {ui.Parity, {"$T43009", "$T43010", "$T43011"}},
        {ui.Datenbits, {"$T43004", "$T43005"}},
        {ui.Stopbits, {"$T43006"}},

        {ui.imp_ein, impulse},
        {ui.verbund_ein, impulse},
        {ui.analog_out, impulse},
        {ui.imp_out, {"$T19008", "$T19009"}},

        {ui.dzfBetrieb, {"$T07007", "$T07008"}},
    };
}
