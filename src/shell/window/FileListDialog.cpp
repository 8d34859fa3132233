#include "shell/window/FileListDialog.h"

#include "platform/Text.h"
#include "platform/window/Dialogs.h"
#include "shell/Sprache.h"
#include "shell/window/Globals.h"

#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QShowEvent>

TFileListDialog::TFileListDialog(QWidget* owner) : TFormBase(owner) {
    QObject::connect(ui.OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    QObject::connect(ui.CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TFileListDialog::AddItem(const std::string& text) {
    ui.ListBox1->addItem(ToQString(text));
}

void TFileListDialog::ClearItems() {
    ui.ListBox1->clear();
}

int TFileListDialog::ItemCount() const {
    return ui.ListBox1->count();
}

void TFileListDialog::SetItemIndex(int i) {
    if (i < -1 || i >= ui.ListBox1->count())
        return;
    if (i == -1) {
        ui.ListBox1->clearSelection();
        ui.ListBox1->setCurrentRow(-1);
        return;
    }
    ui.ListBox1->setCurrentRow(i);
}

void TFileListDialog::OKBtnClick() {
    const QList<QListWidgetItem*> selected = ui.ListBox1->selectedItems();
    chosenIndex_ = selected.isEmpty() ? -1 : ui.ListBox1->row(selected.first());
    if (chosenIndex_ < 0)
        reject();
    else
        accept();
}

void TFileListDialog::FormShow() {
    setWindowTitle(ToQString(ProgramTitle));
}

void TFileListDialog::showEvent(QShowEvent* event) {
    TFormBase::showEvent(event);
    FormShow();
}

void ConnectLanguageDialogs(TSprache& sprache, TFileListDialog* chooser) {
    sprache.SetMessageHook([](const std::string& text) { Dialogs::ShowMessage(text); });
    if (!chooser) {
        sprache.SetChooserHook(nullptr);
        return;
    }
    sprache.SetChooserHook(
        [dialog = QPointer<TFileListDialog>(chooser)](const std::vector<std::string>& names) {
            if (!dialog)
                return -1;
            dialog->ClearItems();
            for (const std::string& name : names)
                dialog->AddItem(name);
            if (Dialogs::ShowModal(*dialog) != Dialogs::Ok || !dialog)
                return -1;
            const int chosen = dialog->ChosenIndex();
            return chosen >= 0 && chosen < static_cast<int>(names.size()) ? chosen : -1;
        });
}
