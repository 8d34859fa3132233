#pragma once
// The fixed texts of the windows as tables: each row names a control and the
// id of the text it shows in the current language. Retranslating a window
// applies its tables; what cannot be a plain row (texts with arguments,
// joined texts, hints by running number) stays with the window's code.
// A new page of the main window adds its rows here.

#include <functional>
#include <string>
#include <vector>

class QObject;
class QWidget;
namespace Ui {
class TForm1;
}

// A control and the id of its text. The text is the caption of a label,
// button, group box or menu entry, the tab text of a page, or the title of a
// window.
struct TextRow {
    QObject* control;
    const char* id;
};

// A group of radio buttons and the ids of its items' texts, in the order of
// its buttons <group>_0, <group>_1, ...
struct ChoiceRow {
    QWidget* group;
    std::vector<const char*> ids;
};

// Gives the text of an id in the current language.
using TextLookup = std::function<std::string(const std::string& id)>;

void ApplyTexts(const std::vector<TextRow>& rows, const TextLookup& text);
void ApplyChoices(const std::vector<ChoiceRow>& rows, const TextLookup& text);

// The main window's texts, page by page.
std::vector<TextRow> MainWindowTexts(const Ui::TForm1& ui);
// The items of the main window's radio groups.
std::vector<ChoiceRow> MainWindowChoices(const Ui::TForm1& ui);
