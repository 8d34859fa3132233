#pragma once
// The language chooser: a list of language names with OK and Cancel. The
// print-language choice uses the same dialog.

#include "platform/window/FormBase.h"
#include "ui_TFileListDialog.h"

#include <string>

class QShowEvent;
class TSprache;

class TFileListDialog : public TFormBase<Ui::TFileListDialog> {
public:
    explicit TFileListDialog(QWidget* owner);

    // Appends text (Windows-1252) to the list.
    void AddItem(const std::string& text);
    // Empties the list.
    void ClearItems();
    // Selects item i when -1 <= i < item count (-1: no item selected).
    void SetItemIndex(int i);
    // Stores the selected index as the chosen index and closes the dialog
    // with OK; with no item selected it closes as Cancel.
    void OKBtnClick();
    // Sets the caption to the program title.
    void FormShow();

    // The index stored by the last OK (0 before the first).
    int ChosenIndex() const { return chosenIndex_; }
    int ItemCount() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    int chosenIndex_ = 0;
};

// Connects the window side of the language service: missing texts are shown
// in the plain message box, and Load's language choice runs chooser modally
// (OK with a language selected: that language; anything else: cancelled).
// A null chooser leaves the choice unconnected. The chooser may be deleted
// before sprache; a choice asked for afterwards counts as cancelled.
void ConnectLanguageDialogs(TSprache& sprache, TFileListDialog* chooser);
