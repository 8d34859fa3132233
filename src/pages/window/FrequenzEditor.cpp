// The frequency editor: the paged view of the device's frequency table and
// the main window's handlers of its tab.
#include "pages/window/FrequenzEditor.h"

#include "device/ChangeFlags.h"
#include "device/FrequencyLimits.h"
#include "device/RegisterImage.h"
#include "device/RegisterMap.h"
#include "pages/PageLogic.h"
#include "platform/Text.h"
#include "platform/window/Dialogs.h"
#include "platform/window/TypedChar.h"
#include "shell/window/Form1.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPalette>

#include <optional>

namespace {

const QColor InvalidColor(255, 0, 0);

// The platform's text colour, faded halfway towards its ground: what the
// read-only and unused rows are written in.
QColor InactiveText() {
    const QPalette platform;
    const QColor text = platform.color(QPalette::Active, QPalette::Text);
    const QColor ground = platform.color(QPalette::Active, QPalette::Window);
    return QColor((text.red() + ground.red()) / 2, (text.green() + ground.green()) / 2,
                  (text.blue() + ground.blue()) / 2);
}

// A row that cannot be edited: inactive text on the light window ground, so
// that its value still reads easily.
void SetInactive(QWidget* w) {
    if (!w)
        return;
    QPalette p = w->palette();
    p.setColor(QPalette::Base, QPalette().color(QPalette::Window));
    p.setColor(QPalette::Disabled, QPalette::Text, InactiveText());
    p.setColor(QPalette::Disabled, QPalette::WindowText, InactiveText());
    w->setPalette(p);
}

void SetBase(QWidget* edit, const QColor& color) {
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, color.isValid() ? color : QPalette().color(QPalette::Base));
    edit->setPalette(p);
}

// Routes the keys typed into a row edit to the editor's key handlers; the
// edit's own editing never runs. Caret movement and focus keys pass.
class RowKeyFilter : public QObject {
public:
    explicit RowKeyFilter(TForm1* form) : QObject(form), form_(form) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        // A middle-click paste would change the text behind the editor's back.
        if ((event->type() == QEvent::MouseButtonPress ||
             event->type() == QEvent::MouseButtonRelease) &&
            static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton)
            return true;
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* edit = qobject_cast<QLineEdit*>(watched);
        auto* key = static_cast<QKeyEvent*>(event);
        if (!edit)
            return false;
        switch (key->key()) {
        case Qt::Key_Delete:
            form_->FEdit1KeyDown(edit);
            return true;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return false;
        default:
            break;
        }
        // The caret keys move as usual; any other key that types something
        // (Ctrl+V and the like too) changes the text only through the editor.
        const std::optional<char> typed = TypedChar(*key);
        if (!typed || *typed == 0)
            return !key->text().isEmpty();
        form_->FEdit1KeyPress(edit, *typed);
        return true;
    }

private:
    TForm1* form_;
};

// The count is chosen from the list only: typed characters, which would
// jump to a matching item, are discarded.
class CountKeyFilter : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject*, QEvent* event) override {
        return event->type() == QEvent::KeyPress &&
               !static_cast<QKeyEvent*>(event)->text().isEmpty();
    }
};

} // namespace

// ---- TFrequenzEditor -----------------------------------------------------------

void TFrequenzEditor::Bind(const std::array<QLineEdit*, Rows>& edits,
                           const std::array<QLabel*, Rows>& numbers,
                           const std::array<QLabel*, Rows>& units, QComboBox* pages,
                           QComboBox* count) {
    edits_ = edits;
    numbers_ = numbers;
    units_ = units;
    pages_ = pages;
    count_ = count;
}

int TFrequenzEditor::EntryCount() const {
    return ClampEntryCount(static_cast<int64_t>(ImageCell(countCell_)) + 1);
}

int TFrequenzEditor::TableCell(int table, int entry) const {
    const long long cell = static_cast<long long>(table) + entry;
    return table >= 0 && entry >= 0 && entry < FrequencyTableEntries && IsImageIndex(cell)
               ? static_cast<int>(cell)
               : -1;
}

unsigned TFrequenzEditor::GetPageCount() {
    RebuildPageList();
    return pageCount_;
}

void TFrequenzEditor::RebuildPageList() {
    const int n = EntryCount();
    pageCount_ = static_cast<unsigned>(PageCount(n));
    if (!pages_)
        return;
    pages_->clear();
    for (unsigned p = 1; p <= pageCount_; ++p)
        pages_->addItem(ToQString(PageRangeText(n, static_cast<int>(p))));
}

void TFrequenzEditor::FillEmptyEntries() {
    TRegisterMap tables;
    tables.tab_anf_frequenz = channelTable_;
    tables.tab_anf_fraster = stepTable_;
    ::FillEmptyEntries(RegisterImage, tables, userInvalid_);
}

bool TFrequenzEditor::IsValidFrequency(int64_t units) {
    lastStep_ = RasterStep(units, FrequencyRange{minimum_, maximum_, false});
    return lastStep_ != 0;
}

int TFrequenzEditor::ShowPage(int n) {
    if (n < 1)
        return -1;
    RebuildPageList();
    FillEmptyEntries();
    if (static_cast<unsigned>(n) > pageCount_)
        return -1;
    const int k = n - 1;
    const int e0 = k * Rows;
    const int count = EntryCount();
    if (pages_)
        pages_->setCurrentIndex(k);
    int shown = 0;
    for (int r = 0; r < Rows; ++r) {
        QLineEdit* edit = edits_[static_cast<size_t>(r)];
        QLabel* number = numbers_[static_cast<size_t>(r)];
        QLabel* unit = units_[static_cast<size_t>(r)];
        if (!edit)
            continue;
        const int e = e0 + r;
        if (number)
            number->setText(QString::number(e + 1));
        usedRow_[static_cast<size_t>(r)] = e < count;
        if (e < count) {
            ++shown;
            const int64_t v = EntryFrequencyUnits(ImageCell(TableCell(channelTable_, e)),
                                                  ImageCell(TableCell(stepTable_, e)));
            const bool valid = IsValidFrequency(v);
            invalidRow_[static_cast<size_t>(r)] = !valid;
            SetBase(edit, valid ? QColor() : InvalidColor);
            edit->setToolTip(valid ? QString() : ToQString(Form1->GetText("$T13001")));
            edit->setText(ToQString(FrequencyText(v)));
            edit->setEnabled(true);
            if (unit)
                unit->setEnabled(true);
        } else {
            invalidRow_[static_cast<size_t>(r)] = false;
            edit->setEnabled(false);
            edit->clear();
            SetInactive(edit);
            if (number)
                number->setEnabled(false);
            if (unit)
                unit->setEnabled(false);
        }
    }
    if (pages_) {
        pages_->setItemText(k,
                            ToQString(std::to_string(e0 + 1) + " - " + std::to_string(e0 + shown)));
        pages_->setCurrentIndex(k);
    }
    ApplyEditMode();
    return shown;
}

void TFrequenzEditor::ApplyEditMode() {
    for (int r = 0; r < Rows; ++r) {
        QLineEdit* edit = edits_[static_cast<size_t>(r)];
        if (!edit)
            continue;
        QLabel* number = numbers_[static_cast<size_t>(r)];
        QLabel* unit = units_[static_cast<size_t>(r)];
        const bool used = usedRow_[static_cast<size_t>(r)];
        if (!editMode_) {
            // Read-only: grey, and no red marking.
            edit->setEnabled(false);
            if (number)
                number->setEnabled(false);
            if (unit)
                unit->setEnabled(false);
            SetInactive(edit);
            SetInactive(number);
            SetInactive(unit);
        } else if (used) {
            edit->setEnabled(true);
            if (number)
                number->setEnabled(true);
            if (unit)
                unit->setEnabled(true);
            SetBase(edit, invalidRow_[static_cast<size_t>(r)] ? InvalidColor : QColor());
        }
    }
    for (QComboBox* chooser : {pages_, count_})
        if (chooser)
            chooser->setEnabled(editMode_);
}

void TFrequenzEditor::RefreshRowHints(const QString& hint) {
    for (int r = 0; r < Rows; ++r)
        if (QLineEdit* edit = edits_[static_cast<size_t>(r)])
            edit->setToolTip(usedRow_[static_cast<size_t>(r)] && invalidRow_[static_cast<size_t>(r)]
                                 ? hint
                                 : QString());
}

bool TFrequenzEditor::StoreRow(int page, int row, int64_t units) {
    const int entry = (page - 1) * Rows + row;
    const int channelCell = TableCell(channelTable_, entry);
    const int stepCell = TableCell(stepTable_, entry);
    if (page < 1 || row < 0 || row >= Rows || channelCell < 0 || stepCell < 0)
        return false;
    const bool valid = IsValidFrequency(units);
    const EntryCells cells =
        valid ? EntryCellsFor(units, FrequencyRange{minimum_, maximum_, false}) : EntryCells{};
    SetImageCell(channelCell, cells.channel);
    SetImageCell(stepCell, cells.stepHz);
    const bool stored = cells.stepHz != 0;
    if (stored)
        userInvalid_.erase(entry);
    else
        userInvalid_.insert(entry);
    invalidRow_[static_cast<size_t>(row)] = !stored;
    return stored;
}

// ---- The editor's tab ----------------------------------------------------------

namespace {

std::array<QLineEdit*, TFrequenzEditor::Rows> RowEdits() {
    auto& ui = Form1->ui;
    return {ui.FEdit1, ui.FEdit2, ui.FEdit3, ui.FEdit4,  ui.FEdit5,  ui.FEdit6,
            ui.FEdit7, ui.FEdit8, ui.FEdit9, ui.FEdit10, ui.FEdit11, ui.FEdit12};
}

int RowOf(QLineEdit* edit) {
    const auto edits = RowEdits();
    for (size_t r = 0; r < edits.size(); ++r)
        if (edits[r] == edit)
            return static_cast<int>(r);
    return -1;
}

} // namespace

void TForm1::InitFrequencyEditor() {
    TFrequenzEditor& editor = *FrequenzEditor;
    const TRegisterMap& m = RegisterMap;
    editor.SetCountCell(m.max_anzahl_funkkanal);
    editor.SetChannelTable(m.tab_anf_frequenz);
    editor.SetStepTable(m.tab_anf_fraster);
    const FrequencyRange range = EditorFrequencyRange(RegisterImage);
    if (range.isDefault)
        Dialogs::ShowMessage(GetText("$T12001"));
    ui.FBereichsInfo->setText(ToQString(FrequencyRangeText(range)));
    QPalette p = ui.FBereichsInfo->palette();
    p.setColor(QPalette::WindowText,
               range.isDefault ? InvalidColor : QPalette().color(QPalette::WindowText));
    ui.FBereichsInfo->setPalette(p);
    ui.FBereichsInfo->setToolTip(range.isDefault ? ToQString(GetText("$T12001")) : QString());
    editor.SetDefaultRange(range.isDefault);
    editor.SetMinimum(range.minimum);
    editor.SetMaximum(range.maximum);
    editor.Bind(RowEdits(),
                {ui.FEdit1Label, ui.FEdit2Label, ui.FEdit3Label, ui.FEdit4Label, ui.FEdit5Label,
                 ui.FEdit6Label, ui.FEdit7Label, ui.FEdit8Label, ui.FEdit9Label, ui.FEdit10Label,
                 ui.FEdit11Label, ui.FEdit12Label},
                {ui.FLabel1, ui.FLabel2, ui.FLabel3, ui.FLabel4, ui.FLabel5, ui.FLabel6, ui.FLabel7,
                 ui.FLabel8, ui.FLabel9, ui.FLabel10, ui.FLabel11, ui.FLabel12},
                ui.FSeiten, ui.FAnzahl);
    editor.ForgetUserMarks();
    FrequencyPage = 1;
    SetEditorArrows(static_cast<int>(editor.GetPageCount()));
    FrequencyEditorPending = false;
}

void TForm1::ShowFrequencyEditorTab() {
    TFrequenzEditor& editor = *FrequenzEditor;
    if (FrequencyEditorPending) {
        InitFrequencyEditor();
        for (QLineEdit* edit : RowEdits())
            edit->setToolTip(ToQString(GetText("$T13001")));
    }
    ui.FSetLaden->setEnabled(FrequencyTableChanged);
    const ClampedValue last = LastEntryIndex(RegisterImage, RegisterMap);
    if (last.outOfRange)
        ReportOutOfRange(RegisterMap.max_anzahl_funkkanal);
    ui.FAnzahl->setCurrentIndex(last.value);
    editor.SetEditMode(FrequencyTableChanged);
    ShowEditorPage();
    if (CheckFrequencyLimits(RegisterImage, RegisterMap))
        Dialogs::ShowMessage(GetText("$T30021") + "\n" + GetText("$T30042"));
}

// Shows FrequencyPage, moved back to the last page when the table got
// shorter, and sets the arrows to match.
void TForm1::ShowEditorPage() {
    TFrequenzEditor& editor = *FrequenzEditor;
    const int pages = static_cast<int>(editor.GetPageCount());
    if (FrequencyPage > pages)
        FrequencyPage = pages;
    if (FrequencyPage < 1)
        FrequencyPage = 1;
    SetEditorArrows(pages);
    editor.ShowPage(FrequencyPage);
}

void TForm1::SetEditorArrows(int pages) {
    ui.FLeftButton->setEnabled(FrequencyPage > 1);
    ui.FRightButton->setEnabled(FrequencyPage < pages);
}

void TForm1::TakeRowResult(QLineEdit* edit, const RowKeyResult& result) {
    const int row = RowOf(edit);
    if (row < 0)
        return;
    // A valid frequency goes into the entry's cells, any other empties them.
    const bool valid = FrequenzEditor->StoreRow(FrequencyPage, row, result.units);
    SetBase(edit, valid ? QColor() : InvalidColor);
    edit->setToolTip(valid ? QString() : ToQString(GetText("$T13001")));
    RadioSettingsChanged = 1;
    edit->setText(ToQString(result.text));
    edit->setCursorPosition(result.caret);
}

void TForm1::FEdit1KeyPress(QLineEdit* edit, char key) {
    const int selection = edit->hasSelectedText() ? edit->selectedText().size() : 0;
    const int caret = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    TakeRowResult(edit, TypeRowKey(FromQString(edit->text()), caret, selection, key));
}

void TForm1::FEdit1KeyDown(QLineEdit* edit) {
    const int selection = edit->hasSelectedText() ? edit->selectedText().size() : 0;
    const int caret = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    TakeRowResult(edit, DeleteInRow(FromQString(edit->text()), caret, selection));
}

void TForm1::FLeftButtonClick() {
    if (FrequencyPage <= 1)
        return;
    --FrequencyPage;
    ShowEditorPage();
}

void TForm1::FRightButtonClick() {
    if (static_cast<int>(FrequenzEditor->GetPageCount()) <= FrequencyPage)
        return;
    ++FrequencyPage;
    ShowEditorPage();
}

void TForm1::FSeitenSelect() {
    // The page chosen becomes the page typed into, so a row always edits the
    // entry it shows.
    FrequencyPage = ui.FSeiten->currentIndex() + 1;
    ShowEditorPage();
}

void TForm1::FAnzahlSelect() {
    const int item = ui.FAnzahl->currentIndex();
    const int cell = RegisterMap.max_anzahl_funkkanal;
    if (item < 0 || static_cast<uint32_t>(item) == ImageCell(cell))
        return;
    SetImageCell(cell, static_cast<uint32_t>(item));
    RadioSettingsChanged = 1;
    ShowEditorPage();
}

void TForm1::FSetAendernClick() {
    FrequencyTableChanged = true;
    FrequenzEditor->SetEditMode(true);
    ShowEditorPage();
    ui.FSetLaden->setEnabled(true);
}

void TForm1::ConnectFrequencyEditor() {
    auto* filter = new RowKeyFilter(this);
    for (QLineEdit* edit : RowEdits()) {
        edit->installEventFilter(filter);
        edit->setContextMenuPolicy(Qt::NoContextMenu);
        edit->setDragEnabled(false);
        edit->setAcceptDrops(false);
    }
    ui.FAnzahl->setEditable(false);
    ui.FAnzahl->installEventFilter(new CountKeyFilter(this));
    connect(ui.FAnzahl, &QComboBox::activated, this, [this] { FAnzahlSelect(); });
    connect(ui.FSeiten, &QComboBox::activated, this, [this] { FSeitenSelect(); });
    connect(ui.FLeftButton, &QPushButton::clicked, this, [this] { FLeftButtonClick(); });
    connect(ui.FRightButton, &QPushButton::clicked, this, [this] { FRightButtonClick(); });
    connect(ui.FSetAendern, &QPushButton::clicked, this, [this] { FSetAendernClick(); });
    connect(ui.FSetSpeichern, &QPushButton::clicked, this, [this] { FSetSpeichernClick(); });
    connect(ui.FSetLaden, &QPushButton::clicked, this, [this] { FSetLadenClick(); });
}
