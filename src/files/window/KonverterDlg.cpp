// The file converter dialog and the main window's command that opens it.
#include "files/window/KonverterDlg.h"

#include "device/DeviceTypes.h"
#include "files/Converter.h"
#include "files/FileNames.h"
#include "files/KundenFile.h"
#include "files/window/FileCommands.h"
#include "platform/Numbers.h"
#include "platform/Text.h"
#include "platform/window/Dialogs.h"
#include "platform/window/TypedChar.h"
#include "shell/Sprache.h"
#include "shell/window/Form1.h"
#include "shell/window/Globals.h"
#include "shell/window/Program.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include <cstdio>
#include <optional>

namespace {

const char* const sourceFilter = "alte Files (*.rtu *.RTU)";
const char* const targetFilter = "Kunden Files (*.qdv *.QDV)";
const char* const serialRange = "Bitte nur Zahlen von 0-65535!";

std::string Text(const QLineEdit* edit) {
    return FromQString(edit->text());
}

// The two file edits show paths, in the file system's encoding.
std::string PathOf(const QLineEdit* edit) {
    return PathFromQString(edit->text());
}

// A list entry: the model name and its type code.
std::string EntryText(std::size_t entry) {
    uint32_t index = 0;
    std::string name;
    if (FindDeviceType(ConverterTypeCodes[entry], index))
        name = ModelNames[index];
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    char code[16];
    std::snprintf(code, sizeof code, "0x%02X", ConverterTypeCodes[entry]);
    return name.empty() ? code : name + " (" + code + ")";
}

} // namespace

TKonverterDlg1::TKonverterDlg1(QWidget* owner)
    : TFormBase(owner), codec_(std::make_unique<TKundenFile>()) {
    ui.orgfile->clear();
    ui.kdfile->clear();
    connect(ui.orgbutton, &QPushButton::clicked, this, [this] { orgbuttonClick(); });
    connect(ui.kbutton, &QPushButton::clicked, this, [this] { kbuttonClick(); });
    connect(ui.OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(ui.CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    // A box set by code runs its handler as a click does.
    connect(ui.SNummer, &QCheckBox::toggled, this, [this] { SNummerClick(); });
    connect(ui.StrTyp, &QCheckBox::toggled, this, [this] { StrTypClick(); });
    ui.ComboBox1->setEditable(false);
    for (QWidget* w : std::initializer_list<QWidget*>{ui.Edit1, ui.ComboBox1})
        w->installEventFilter(this);
}

TKonverterDlg1::~TKonverterDlg1() = default;

void TKonverterDlg1::showEvent(QShowEvent* event) {
    TFormBase::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TKonverterDlg1::FormShow() {
    setWindowTitle(ToQString(ProgramTitle));
    if (ui.ComboBox1->count() == 0) {
        if (ModelNames[0].empty())
            FillModelNameTable();
        for (std::size_t i = 0; i < ConverterTypeCodes.size(); ++i)
            ui.ComboBox1->addItem(ToQString(EntryText(i)));
        // No type is chosen until the user chooses one.
        ui.ComboBox1->setCurrentIndex(-1);
    }
    ui.orgfile->clear();
    ui.kdfile->clear();
    ui.servmode->setChecked(false);
    ui.StrTyp->setChecked(false);
    ui.SNummer->setChecked(false);
    lines_.Clear();
}

void TKonverterDlg1::orgbuttonClick() {
    std::string name = Dialogs::OpenFileName(FromQString(ui.orgbutton->text()), folder_,
                                             sourceFilter, sourceFilter);
    if (name.empty())
        return;
    if (FileKindOf(name) != ParameterFileKind::RegisterText)
        name = UpperNameWithExtension(name, ".RTU");
    ui.orgfile->setText(PathToQString(name));
    // The customer file goes beside it, under the same name.
    checkedTarget_.clear();
    ui.kdfile->setText(PathToQString(UpperNameWithExtension(ReplaceExtension(name, ""), ".QDV")));
}

void TKonverterDlg1::kbuttonClick() {
    std::string name =
        Dialogs::SaveFileName(FromQString(ui.kbutton->text()), folder_, targetFilter, targetFilter);
    if (name.empty())
        return;
    checkedTarget_ = name;
    if (FileKindOf(name) != ParameterFileKind::Customer)
        name = UpperNameWithExtension(name, ".QDV");
    ui.kdfile->setText(PathToQString(name));
}

void TKonverterDlg1::Refuse(const std::string& text, QWidget* control) {
    Dialogs::ShowMessage(text);
    if (control)
        control->setFocus();
}

void TKonverterDlg1::Refuse(const TextWithPath& text) {
    Dialogs::ShowMessage(text);
}

void TKonverterDlg1::OKBtnClick() {
    const std::string source = PathOf(ui.orgfile);
    const std::string target = PathOf(ui.kdfile);
    if (source.empty() || target.empty())
        return Refuse("Bitte die Dateinamen angeben!");
    if (ui.SNummer->isChecked() && ui.Edit1->text().isEmpty()) {
        ui.Edit1->setText("0");
        return Refuse("Bitte die SerienNummer pr\xFC"
                      "fen!",
                      ui.Edit1);
    }
    if (!LoadParameterFile(*Form1, source, lines_.Lines()))
        return;
    const ConvertedLines converted = ConvertRegisterText(
        lines_.Lines(), FileKindOf(source) == ParameterFileKind::RegisterText ? NameForm::Prefixed
                                                                              : NameForm::Bare);
    if (converted.fault == ConvertFault::NoData)
        return Refuse(Form1->GetText("$T30038"));
    if (converted.fault != ConvertFault::None)
        return Refuse(TextWithPath{ConvertFaultMessage(converted.fault, PathSlot), source});
    lines_.Lines() = converted.lines;

    CustomerBinding binding;
    binding.service = ui.servmode->isChecked();
    if (ui.SNummer->isChecked()) {
        const auto serial = ParseDigits(Text(ui.Edit1), 10);
        if (!serial || *serial > 0xFFFF)
            return Refuse(serialRange, ui.Edit1);
        binding.serial = static_cast<int32_t>(*serial);
    }
    binding.version = version_;
    if (ui.StrTyp->isChecked()) {
        const int entry = ui.ComboBox1->currentIndex();
        if (entry < 0 || entry >= static_cast<int>(ConverterTypeCodes.size()))
            return Refuse(Form1->GetText("$T30103"), ui.ComboBox1);
        binding.controllerType = static_cast<int32_t>(ConverterTypeCodes[entry]);
    }
    const std::string text = WriteConvertedFile(*codec_, lines_.Lines(), binding);
    if (text.empty())
        return Form1->ErrorBox(Form1->Sprache->GetTextWithPath("$T30071", target, "version 0"));
    if (!MayReplace(*Form1, target, checkedTarget_))
        return;
    if (!SaveParameterFile(*Form1, target, text))
        return;
    Dialogs::ShowMessage("Datei wurde geschrieben!");
    accept();
}

void TKonverterDlg1::SNummerClick() {
    ui.Edit1->setEnabled(ui.SNummer->isChecked());
    if (ui.Edit1->text().isEmpty())
        ui.Edit1->setText("0");
}

void TKonverterDlg1::StrTypClick() {
    ui.ComboBox1->setEnabled(ui.StrTyp->isChecked());
}

void TKonverterDlg1::Edit1Click() {
    if (!ui.Edit1->hasSelectedText())
        ui.Edit1->selectAll();
}

void TKonverterDlg1::Edit1Exit() {
    const auto serial = ParseDigits(Text(ui.Edit1), 10);
    if (serial && *serial <= 0xFFFF)
        return;
    // Set before the message, so that the box taking the focus finds a
    // valid number.
    ui.Edit1->setText("0");
    Refuse(serialRange, ui.Edit1);
}

bool TKonverterDlg1::Edit1KeyPress(char key) {
    return !(key >= '0' && key <= '9') && key != '\b';
}

bool TKonverterDlg1::ComboBox1KeyPress(char) {
    return true;
}

bool TKonverterDlg1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui.Edit1 && event->type() == QEvent::MouseButtonRelease) {
        Edit1Click();
    } else if (watched == ui.Edit1 && event->type() == QEvent::FocusOut) {
        // Leaving for another control of the dialog, not for another window.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            Edit1Exit();
    } else if (event->type() == QEvent::KeyPress) {
        // Return and Esc are the dialog's (OK and Cancel); Tab and the other
        // keys without a character go to the control as they are.
        const std::optional<char> key = TypedChar(*static_cast<QKeyEvent*>(event));
        if (key && *key != '\r' && *key != 27 &&
            (*key == 0 || (watched == ui.Edit1 ? Edit1KeyPress(*key) : ComboBox1KeyPress(*key))))
            return true;
    }
    return TFormBase::eventFilter(watched, event);
}

void TForm1::KonverterClick() {
    if (!KonverterDlg1)
        return;
    KonverterDlg1->SetFolder(StartFolder(*this));
    KonverterDlg1->SetVersion(FileFormatVersion);
    Dialogs::ShowModal(*KonverterDlg1);
}
