// The presets tab of the service pages: registers picked by number or name,
// values set in decimal, hex or bit by bit, collected in a list and written
// as a preset file with hint texts per language; the preset menu that offers
// the presets and applies them to the register image; the demo files of the
// file menu.
#include "device/ChangeFlags.h"
#include "device/DeviceTypes.h"
#include "device/PendingRegisters.h"
#include "device/PowerTable.h"
#include "device/RegisterImage.h"
#include "device/RegisterText.h"
#include "files/FileNames.h"
#include "files/PreSets.h"
#include "files/window/FormPreSets.h"
#include "pages/window/Bit8Feld.h"
#include "pages/window/Pages.h"
#include "platform/Numbers.h"
#include "platform/StringList.h"
#include "platform/Text.h"
#include "platform/window/Dialogs.h"
#include "platform/window/TypedChar.h"
#include "shell/LogFile.h"
#include "shell/Sprache.h"
#include "shell/window/Form1.h"
#include "shell/window/Globals.h"

#include <QKeyEvent>
#include <QMenu>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

const char* const presetError = "PreSet Error!";
constexpr int presetMenuItems = 20;

std::string TextOf(const QLineEdit* edit) {
    return FromQString(edit->text());
}

// A menu caption shows "&" as written, not as a key mark.
QString MenuCaption(const std::string& text) {
    return ToQString(text).replace('&', "&&");
}

// The same for a file's name, which is in the file system's encoding.
QString FileMenuCaption(const std::string& name) {
    return PathToQString(name).replace('&', "&&");
}

// The register of a line "number=$value" of the page's list.
std::optional<uint64_t> LineRegister(const QString& line) {
    return ParseDigits(FromQString(line.left(line.indexOf('='))), 10);
}

// The keys of the page: the pop-up menu's shortcuts (F1, F2, F4, F5 and the
// arrows) go to the page, not to the window's commands, and the edits' key
// filters; the edits select their text when clicked.
class PresetInput : public QObject {
public:
    PresetInput(TForm1& form, QMenu* menu) : QObject(&form), form_(form), menu_(menu) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* edit = qobject_cast<QLineEdit*>(watched);
        if (event->type() == QEvent::MouseButtonRelease && edit) {
            QTimer::singleShot(0, edit, &QLineEdit::selectAll);
            return false;
        }
        if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
            return false;
        // The browser's edits only select their text here.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || !form_.ui.PreSetsTab->isAncestorOf(widget))
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (QAction* action = MenuAction(*key)) {
            key->accept();
            if (event->type() == QEvent::KeyPress)
                action->trigger();
            return true;
        }
        if (event->type() != QEvent::KeyPress || !edit)
            return false;
        // Tab, Delete, Ctrl+C and the other keys without a character of
        // their own work as the edit handles them.
        const std::optional<char> typed = TypedChar(*key);
        if (!typed)
            return false;
        char c = *typed;
        auto& ui = form_.ui;
        if (edit == ui.PreRegAdr)
            form_.PreRegAdrKeyPress(c);
        else if (edit == ui.PreDezimal)
            form_.PreDezimalKeyPress(c);
        else if (edit == ui.PreHex)
            form_.PreHexKeyPress(c);
        return c == 0 || c != *typed;
    }

private:
    QAction* MenuAction(const QKeyEvent& e) const {
        const QKeySequence pressed(e.keyCombination());
        for (QAction* a : menu_->actions())
            if (!a->shortcut().isEmpty() && a->shortcut() == pressed)
                return a;
        return nullptr;
    }

    TForm1& form_;
    QMenu* menu_;
};

bool ParameterSetLoaded() {
    return RegisterImage[DeviceTypeCell] != 0;
}

// "PreSet Error!" with the file and the line refused, also in the log.
void ReportPresetRefusal(TForm1& f, const PresetRefusal& refusal) {
    const std::string name = fs::path(refusal.file).filename().string();
    const std::string line = std::to_string(refusal.line) + " (" + refusal.text + ")";
    Dialogs::ShowMessage(std::string(presetError) + "\n" +
                         (refusal.line > 0 ? f.Sprache->GetText2Args("$T30110", name, line)
                                           : f.Sprache->GetText1Arg("$T30111", name)));
    if (f.LogFile)
        f.LogFile->Write("PreSet " + refusal.file + " not applied: " +
                         (refusal.line > 0       ? "line " + line
                          : refusal.text.empty() ? std::string("damaged or empty")
                                                 : refusal.text));
}

} // namespace

void TForm1::ConnectPresetsPage() {
    PreSets = std::make_unique<TPreSets>(ProgramDir, RegisterImage, [this](const std::string& m) {
        if (LogFile)
            LogFile->Write(m);
    });
    PreSets->SetChangedFlag(&RadioSettingsChanged);
    PreSets->SetPendingRegisters(&PendingPresetRegisters);
    Bit8Feld1->SetOnChange([this](TBit8Feld*) { PresetBitsChanged(); });
    Bit8Feld2->SetOnChange([this](TBit8Feld*) { PresetBitsChanged(); });

    auto* preMenue = new QMenu(this);
    preMenue->setObjectName("PreMenue");
    preMenue->addActions({ui.RegisterAdresse1, ui.RegisterText1, ui.DezimalInput1, ui.Hexadizimal1,
                          ui.Minus1, ui.Plus1});
    auto* preListe = new QMenu(this);
    preListe->setObjectName("PreListe");
    preListe->addAction(ui.Loeschen1);
    connect(ui.PreSetsTab, &QWidget::customContextMenuRequested, this,
            [this, preMenue](const QPoint& p) { preMenue->popup(ui.PreSetsTab->mapToGlobal(p)); });
    connect(ui.PreSetListe, &QWidget::customContextMenuRequested, this, [this, preListe](QPoint p) {
        preListe->popup(ui.PreSetListe->viewport()->mapToGlobal(p));
    });
    auto* input = new PresetInput(*this, preMenue);
    for (QWidget* w : ui.PreSetsTab->findChildren<QWidget*>())
        w->installEventFilter(input);
    for (QLineEdit* e : {ui.reg_name, ui.reg_dezi, ui.reg_hex})
        e->installEventFilter(input);

    const std::pair<QAction*, QWidget*> focus[] = {{ui.RegisterAdresse1, ui.PreRegAdr},
                                                   {ui.RegisterText1, ui.PreRegisterTextAnz},
                                                   {ui.DezimalInput1, ui.PreDezimal},
                                                   {ui.Hexadizimal1, ui.PreHex}};
    for (const auto& [action, widget] : focus)
        connect(action, &QAction::triggered, widget, [w = widget] { w->setFocus(); });
    connect(ui.Minus1, &QAction::triggered, this, [this] { Minus1Click(); });
    connect(ui.Plus1, &QAction::triggered, this, [this] { Plus1Click(); });
    connect(ui.Loeschen1, &QAction::triggered, this, [this] { Loeschen1Click(); });
    connect(ui.Clear, &QPushButton::clicked, this, [this] { Loeschen1Click(); });
    connect(ui.PreHinzu, &QPushButton::clicked, this, [this] { PreHinzuClick(); });
    // The form typed into last holds the value: typing into one drops what
    // was typed into the other and not taken.
    connect(ui.PreDezimal, &QLineEdit::textEdited, ui.PreHex,
            [this] { ui.PreHex->setModified(false); });
    connect(ui.PreHex, &QLineEdit::textEdited, ui.PreDezimal,
            [this] { ui.PreDezimal->setModified(false); });
    connect(ui.PreNow, &QPushButton::clicked, this, [this] { PreNowClick(); });
    connect(ui.PreRegisterTextAnz, &QComboBox::activated, this,
            [this] { PreRegisterTextAnzSelect(); });
}

// ---- The page ------------------------------------------------------------------

void TForm1::FillPresetRegisterNames() {
    TStringList names;
    ListRegisterNames(names, RegisterImage[DeviceTypeCell]);
    ui.PreRegisterTextAnz->clear();
    for (const std::string& name : names.Lines())
        ui.PreRegisterTextAnz->addItem(ToQString(name));
    ui.PreRegisterTextAnz->setCurrentIndex(-1);
}

void TForm1::ShowPresetDecimal(uint32_t value) {
    ui.PreDezimal->setText(QString::number(value));
}

void TForm1::ShowPresetHex(uint32_t value) {
    ui.PreHex->setText(ToQString(Hex4(value)));
}

void TForm1::ShowPresetBits(uint32_t value) {
    Bit8Feld1->SetValue((value >> 8) & 0xFF);
    Bit8Feld2->SetValue(value & 0xFF);
}

void TForm1::PresetBitsChanged() {
    const uint32_t value = Bit8Feld1->GetValue() * 256 + Bit8Feld2->GetValue();
    ShowPresetDecimal(value);
    ShowPresetHex(value);
}

void TForm1::ShowPresetRegister(uint32_t reg) {
    uint32_t value = 0;
    if (reg >= FirstImageRegister && reg <= LastImageRegister) {
        value = static_cast<uint32_t>(SpeicherRegister->Get(reg));
        ui.PreRegisterTextAnz->setCurrentIndex(
            ui.PreRegisterTextAnz->findText(ToQString(RegisterText->NameOf(reg))));
        bool listed = false;
        for (int i = 0; i < ui.PreSetListe->count(); ++i)
            listed = listed || LineRegister(ui.PreSetListe->item(i)->text()) == reg;
        ui.PreHinzu->setEnabled(!listed);
    } else {
        ui.PreHinzu->setEnabled(false);
    }
    ShowPresetDecimal(value);
    ShowPresetHex(value);
    ShowPresetBits(value);
}

void TForm1::PreRegisterTextAnzSelect() {
    const uint32_t reg = RegisterText->NumberOf(FromQString(ui.PreRegisterTextAnz->currentText()));
    if (reg == TRegisterText::NoRegister)
        return;
    ui.PreRegAdr->setText(QString::number(reg));
    ShowPresetRegister(reg);
}

void TForm1::Minus1Click() {
    const auto reg = ParseDigits(TextOf(ui.PreRegAdr), 10);
    if (!reg)
        return;
    const uint32_t next = *reg == 0 ? 0 : static_cast<uint32_t>(*reg - 1);
    ui.PreRegAdr->setText(QString::number(next));
    ShowPresetRegister(next);
}

void TForm1::Plus1Click() {
    const auto reg = ParseDigits(TextOf(ui.PreRegAdr), 10);
    if (!reg)
        return;
    const uint32_t next = *reg >= 65535 ? 65535 : static_cast<uint32_t>(*reg + 1);
    ui.PreRegAdr->setText(QString::number(next));
    ShowPresetRegister(next);
}

void TForm1::PreRegAdrKeyPress(char& key) {
    if (key == '\r') {
        key = 0;
        if (const auto reg = ParseDigits(TextOf(ui.PreRegAdr), 10))
            ShowPresetRegister(static_cast<uint32_t>(*reg));
    } else if (!(key >= '0' && key <= '9') && key != 8) {
        key = 0;
    }
}

void TForm1::PreDezimalKeyPress(char& key) {
    if (key != '\r') {
        if (!(key >= '0' && key <= '9') && key != 8)
            key = 0;
        return;
    }
    key = 0;
    if (TakePresetDecimal() && ui.PreHinzu->isEnabled())
        ui.PreHinzu->click();
}

bool TForm1::TakePresetDecimal() {
    const auto value = ParseDigits(TextOf(ui.PreDezimal), 10);
    if (!value)
        return false;
    if (*value > 0xFFFF) {
        // A register holds 16 bits: the value shown before comes back.
        Dialogs::ShowMessage(Sprache->GetText2Args("$T30018", "0", "65535"));
        const auto shown = ParseDigits(TextOf(ui.PreHex), 16);
        ui.PreDezimal->setText(shown ? QString::number(*shown) : QString());
        ui.PreDezimal->setFocus();
        ui.PreDezimal->selectAll();
        return false;
    }
    ui.PreDezimal->setModified(false);
    ShowPresetHex(static_cast<uint32_t>(*value));
    ShowPresetBits(static_cast<uint32_t>(*value));
    return true;
}

void TForm1::PreHexKeyPress(char& key) {
    if (key != '\r') {
        if (key == 0 || !std::strchr("0123456789ABCDEF\b", key))
            key = 0;
        return;
    }
    key = 0;
    if (TakePresetHex() && ui.PreHinzu->isEnabled())
        ui.PreHinzu->click();
}

bool TForm1::TakePresetHex() {
    const auto value = ParseDigits(TextOf(ui.PreHex), 16);
    if (!value)
        return false;
    ui.PreHex->setModified(false);
    ShowPresetDecimal(static_cast<uint32_t>(*value));
    ShowPresetBits(static_cast<uint32_t>(*value));
    return true;
}

void TForm1::PreHinzuClick() {
    // A value typed but not entered is taken first, as Enter would take it.
    if ((ui.PreDezimal->isModified() && !TakePresetDecimal()) ||
        (ui.PreHex->isModified() && !TakePresetHex()))
        return;
    const std::string text = TextOf(ui.PreRegAdr);
    if (text.empty()) {
        Dialogs::ShowMessage("Registernummer leer!");
        return;
    }
    const auto reg = ParseDigits(text, 10);
    if (!reg || *reg < FirstImageRegister || *reg > LastImageRegister) {
        Dialogs::ShowMessage("Registernummer nicht zw. 900 - 1471!");
        return;
    }
    const auto value = ParseDigits(TextOf(ui.PreHex), 16);
    if (!value || !ui.PreSetListe->findItems(QString("%1=").arg(*reg), Qt::MatchStartsWith).empty())
        return;
    ui.PreSetListe->addItem(QString("%1=$").arg(*reg) + ui.PreHex->text());
    ui.PreNow->setEnabled(true);
    ui.PreHinzu->setEnabled(false);
    ui.PreRegAdr->setFocus();
}

void TForm1::Loeschen1Click() {
    QListWidgetItem* item = ui.PreSetListe->currentItem();
    if (!item) {
        Dialogs::ShowMessage("Kein Eintrag ausgew\xE4hlt!");
        return;
    }
    if (LineRegister(item->text()) == ParseDigits(TextOf(ui.PreRegAdr), 10))
        ui.PreHinzu->setEnabled(true);
    delete item;
    ui.PreNow->setEnabled(ui.PreSetListe->count() > 0);
}

void TForm1::PreNowClick() {
    TFormPreSets1 dialog(this);
    dialog.SetTitle(ProgramTitle);
    dialog.LoadCountryCodes((fs::path(ProgramDir) / "LaenderCodes.txt").string());
    if (Dialogs::ShowModal(dialog) == Dialogs::Ok) {
        std::vector<std::string> registers;
        for (int i = 0; i < ui.PreSetListe->count(); ++i)
            registers.push_back(FromQString(ui.PreSetListe->item(i)->text()));
        const std::string bytes =
            PresetFileBytes(registers, PresetText(DeviceFamily, LowPowerModule, dialog.Lines()));
        // The English hint names the file: its text becomes a file name.
        const std::string file =
            (fs::path(ProgramDir) / (dialog.EnglishHintName() + ".pre")).string();
        std::error_code ec;
        const bool write =
            !fs::exists(file, ec) ||
            Dialogs::MessageBox(Sprache->GetTextWithPath("$T30068", file), GetText("$T30021"),
                                Dialogs::YesNo, Dialogs::Question, Dialogs::No) == Dialogs::Yes;
        std::string error = "no register lines";
        if (write && (bytes.empty() || !WriteFileAtomic(file, bytes, &error))) {
            Dialogs::ShowMessage(presetError);
            if (LogFile)
                LogFile->Write("PreSet " + PathText(file) + " not written: " + error);
        }
    }
    ui.PreRegAdr->clear();
    ui.PreDezimal->clear();
    ui.PreHex->clear();
    ui.PreRegisterTextAnz->setCurrentIndex(-1);
    ui.PreHinzu->setEnabled(true);
    ui.PreSetListe->clear();
    ui.PreNow->setEnabled(false);
    ShowPresetBits(0);
    // The new preset is offered at once, enabled when it fits the data.
    if (ParameterSetLoaded())
        FillPresetMenuForDevice();
    else
        FillPresetMenu();
}

// ---- The preset menu -------------------------------------------------------------

void TForm1::ClearPresetMenu() {
    ui.PreSets->clear();
    ui.PreSets->menuAction()->setEnabled(false);
}

void TForm1::FillPresetMenu() {
    ClearPresetMenu();
    if (!PreSets)
        return;
    std::vector<std::string> damaged;
    const std::vector<std::string> hints = PreSets->GetPresetList(LanguageId, &damaged);
    for (const std::string& name : damaged)
        Dialogs::ShowMessage(
            TextWithPath{std::string("PreSet CRC-Error in File \"") + PathSlot + "\" !", name});
    const int count = std::min(static_cast<int>(hints.size()), presetMenuItems);
    ui.PreSets->menuAction()->setEnabled(count > 0);
    for (int i = 0; i < count; ++i) {
        QAction* item = ui.PreSets->addAction(MenuCaption(hints[static_cast<size_t>(i)]));
        item->setData(i);
        item->setEnabled(false);
    }
}

void TForm1::FillPresetMenuForDevice() {
    ClearPresetMenu();
    if (!PreSets)
        return;
    PreSets->Scan(DeviceFamily, LanguageId);
    const int matches = PreSets->MatchCount();
    const int count = std::min(matches + PreSets->OtherCount(), presetMenuItems);
    ui.PreSets->menuAction()->setEnabled(count > 0);
    for (int i = 0; i < count; ++i) {
        const bool match = i < matches;
        // A preset of another family is named by its file.
        QAction* item = ui.PreSets->addAction(match ? MenuCaption(PreSets->GetMatchName(i))
                                                    : FileMenuCaption(PreSets->GetOtherName(i - matches)));
        item->setData(i);
        item->setEnabled(match);
        if (match)
            connect(item, &QAction::triggered, this, [this, i] { ApplyPresetClick(i); });
    }
}

void TForm1::ApplyPresetClick(int index) {
    // An entry being typed is taken first, so the preset's values replace it
    // where the preset sets that register.
    if (!CommitFocusedEdit())
        return;
    PresetRefusal refusal;
    // The pages' edits of the working copies are kept where the preset sets
    // nothing; the preset's values then replace the copies.
    if (!PreSets->ApplyPreset(index, &refusal, [] { MergeIoWorkingCopies(); })) {
        ReportPresetRefusal(*this, refusal);
        return;
    }
    ReloadIoWorkingCopies();
    // The page on screen shows what the next write sends.
    RefillShownPages();
}

// ---- The demo files --------------------------------------------------------------

void TForm1::RebuildDemoMenu() {
    ui.demomenue->clear();
    BuildDemoMenu();
}

void TForm1::BuildDemoMenu() {
    const std::vector<NamedFile> files =
        ListDemoFiles(fs::path(ProgramDir) / DemoFolder, FileExtension);
    if (files.empty())
        ui.demomenue->addAction("No Files found!")->setEnabled(false);
    for (size_t i = 0; i < files.size(); ++i) {
        QAction* item = ui.demomenue->addAction(FileMenuCaption(files[i].name));
        item->setData(static_cast<int>(i));
        connect(item, &QAction::triggered, this,
                [this, path = files[i].path] { DemoFileClick(path); });
    }
}

void TForm1::DemoFileClick(const std::string& path) {
    DemoFile = path;
    OpenDemoFile = true;
    openbuttonClick();
    OpenDemoFile = false;
}
