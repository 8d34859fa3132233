#include "files/window/FormPreSets.h"

#include "platform/Numbers.h"
#include "platform/StringList.h"
#include "platform/Text.h"
#include "platform/window/Dialogs.h"

#include <QMenu>
#include <QValidator>

#include <algorithm>
#include <optional>

namespace {

// A hint text becomes part of a file name and a line of the preset: "/" and
// control characters are refused, typed or pasted.
class HintValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        for (const QChar c : input)
            if (c == '/' || c.unicode() < 0x20 || c.unicode() == 0x7F)
                return Invalid;
        return Acceptable;
    }
};

std::string Trimmed(const QString& text) {
    return FromQString(text.trimmed());
}

// The language id of a hint line "$P0409=...": the name's hex digits.
std::optional<int> LineLanguage(const std::string& line) {
    const std::string name = line.substr(0, line.find('='));
    if (name.size() < 3)
        return std::nullopt;
    const auto id = ParseDigits(name.substr(2), 16);
    return id && *id <= 0xFFFF ? std::optional<int>(static_cast<int>(*id)) : std::nullopt;
}

} // namespace

TFormPreSets1::TFormPreSets1(QWidget* owner) : TFormBase(owner) {
    setWindowTitle(QString());
    ui.Sprachtext->setValidator(new HintValidator(ui.Sprachtext));
    // Enter adds a line; no button of the form takes it.
    for (QPushButton* b : {ui.Hinzu, ui.Button1, ui.Button2}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    popupMenu1_ = new QMenu(this);
    popupMenu1_->addAction(ui.Loeschen1);
    popupMenu1_->addAction(ui.Bearbeiten1);
    popupMenu2_ = new QMenu(this);
    popupMenu2_->addAction(ui.Exit1);
    addAction(ui.Exit1); // Esc
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { popupMenu2_->popup(mapToGlobal(p)); });
    connect(ui.ListBox1, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        popupMenu1_->popup(ui.ListBox1->viewport()->mapToGlobal(p));
    });
    connect(ui.SprachWahl, &QComboBox::activated, this, [this] { SprachWahlSelect(); });
    connect(ui.Sprachtext, &QLineEdit::returnPressed, this, [this] {
        char key = '\r';
        SprachtextKeyPress(key);
    });
    connect(ui.Hinzu, &QPushButton::clicked, this, [this] { HinzuClick(); });
    connect(ui.Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(ui.Button1, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui.Loeschen1, &QAction::triggered, this, [this] { Loeschen1Click(); });
    connect(ui.Bearbeiten1, &QAction::triggered, this, [this] { Bearbeiten1Click(); });
    connect(ui.Exit1, &QAction::triggered, this, [this] { Exit1Click(); });
}

void TFormPreSets1::SetTitle(const std::string& text) {
    setWindowTitle(ToQString(text));
}

void TFormPreSets1::LoadCountryCodes(const std::string& path) {
    countryCodeFile_ = path;
    std::string bytes, error;
    if (ReadFileBytes(path, bytes, error)) {
        codes_ = ParseCountryCodes(bytes);
        ui.SprachWahl->clear();
        for (const CountryCode& code : codes_)
            ui.SprachWahl->addItem(ToQString(code.name));
        ui.SprachWahl->setCurrentIndex(codes_.empty() ? -1 : 0);
    }
    // Without a language no line can be added.
    ui.Hinzu->setEnabled(!codes_.empty());
}

std::vector<std::string> TFormPreSets1::Lines() const {
    std::vector<std::string> lines;
    for (int i = 0; i < ui.ListBox1->count(); ++i)
        lines.push_back(FromQString(ui.ListBox1->item(i)->text()));
    return lines;
}

std::string TFormPreSets1::GetText() const {
    std::string text;
    for (const std::string& line : Lines())
        text += line + "\r\n";
    return text;
}

void TFormPreSets1::showEvent(QShowEvent* event) {
    TFormBase::showEvent(event);
    FormShow();
}

void TFormPreSets1::FormShow() {
    if (countryCodeFile_.empty())
        setEnabled(false);
    else
        ui.Sprachtext->setFocus();
}

void TFormPreSets1::SprachWahlSelect() {
    ui.Hinzu->setEnabled(ui.SprachWahl->currentIndex() >= 0);
}

void TFormPreSets1::SprachtextKeyPress(char& key) {
    if (key != '\r')
        return;
    key = 0;
    if (ui.Hinzu->isEnabled())
        ui.Hinzu->click();
}

void TFormPreSets1::HinzuClick() {
    const int index = ui.SprachWahl->currentIndex();
    const std::string text = FromQString(ui.Sprachtext->text());
    if (index < 0 || index >= static_cast<int>(codes_.size()) ||
        Trimmed(ui.Sprachtext->text()).empty())
        return;
    const int id = codes_[static_cast<size_t>(index)].id;
    if (id == PresetEnglishId) {
        ui.Button2->setEnabled(true);
        englishHintName_ = PathFromQString(ui.Sprachtext->text());
    }
    ui.ListBox1->addItem(ToQString(PresetHintKey(id) + "=" + text));
    ui.Hinzu->setEnabled(false);
    ui.Sprachtext->clear();
}

bool TFormPreSets1::HasLine(int languageId) const {
    for (const std::string& line : Lines())
        if (LineLanguage(line) == languageId)
            return true;
    return false;
}

void TFormPreSets1::Loeschen1Click() {
    QListWidgetItem* item = ui.ListBox1->currentItem();
    if (!item) {
        Dialogs::ShowMessage("Kein Eintrag ausgew\xE4hlt!");
        return;
    }
    const auto id = LineLanguage(FromQString(item->text()));
    if (!id)
        return;
    const auto code = std::find_if(codes_.begin(), codes_.end(),
                                   [&](const CountryCode& c) { return c.id == *id; });
    if (code == codes_.end())
        return;
    const int selected = ui.SprachWahl->currentIndex();
    if (selected == static_cast<int>(code - codes_.begin()))
        ui.Hinzu->setEnabled(true);
    delete item;
    // The same language may stand twice: Weiter needs one English line.
    if (*id == PresetEnglishId && !HasLine(PresetEnglishId))
        ui.Button2->setEnabled(false);
}

void TFormPreSets1::Bearbeiten1Click() {
    QListWidgetItem* item = ui.ListBox1->currentItem();
    if (item) {
        const QString line = item->text();
        ui.Sprachtext->setText(line.mid(line.indexOf('=') + 1));
    }
    Loeschen1Click();
}

void TFormPreSets1::Button2Click() {
    ui.ListBox1->insertItem(0, "\n\r[Language]");
    done(Dialogs::Ok);
}

void TFormPreSets1::Exit1Click() {
    ui.ListBox1->clear();
    reject();
}
