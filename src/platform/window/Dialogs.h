#pragma once
// Every message box, question, modal dialog and file dialog of the program
// goes through this service. Tests switch it to scripted mode: answers come
// from a queue, nothing is shown, and what would have been shown is recorded.

#include <functional>
#include <string>
#include <vector>

class QDialog;
class QPrinter;
class QString;
class QWidget;
struct TextWithPath;

class Dialogs {
public:
    enum Buttons { OK, OKCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
    enum Icon { NoIcon, Error, Question, Warning, Information };
    enum Result { None = 0, Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

    // A message box with text and caption (Windows-1252 bytes); returns the
    // button pressed (Result). defaultButton (a Result) is the button that
    // Enter presses; None leaves the choice to the box.
    static int MessageBox(const std::string& text, const std::string& caption, Buttons buttons,
                          Icon icon, int defaultButton = None);
    // A box whose text names a file: the path is shown with every letter the
    // file system has.
    static int MessageBox(const TextWithPath& text, const std::string& caption, Buttons buttons,
                          Icon icon, int defaultButton = None);
    // The plain box for fixed texts that must work without a language file:
    // caption = the application's title, one OK button.
    static void ShowMessage(const std::string& text);
    static void ShowMessage(const TextWithPath& text);
    // Shows a dialog modally; returns its result (QDialog::Accepted = Ok, Rejected = Cancel,
    // or the code passed to done()).
    static int ShowModal(QDialog& dialog);
    // Folder chooser; "" when cancelled.
    static std::string SelectDirectory(const std::string& caption, const std::string& start);
    // File choosers; "" when cancelled. filter in Qt's "Text (*.txt)" form,
    // entries separated by ";;"; selected names the entry chosen at first.
    // The folders given and the paths returned by the three choosers are in
    // the file system's encoding (UTF-8), not Windows-1252 like the texts.
    static std::string OpenFileName(const std::string& caption, const std::string& folder,
                                    const std::string& filter, const std::string& selected = "");
    // chosen (when given) receives the filter entry the user left chosen.
    static std::string SaveFileName(const std::string& caption, const std::string& folder,
                                    const std::string& filter, const std::string& selected = "",
                                    std::string* chosen = nullptr);
    // A one-line input box prefilled with value; false when cancelled (value
    // is then unchanged).
    static bool InputQuery(const std::string& caption, const std::string& prompt,
                           std::string& value);
    // The same for a file name: name in the file system's encoding.
    static bool InputName(const std::string& caption, const std::string& prompt, std::string& name);
    // The print dialog for printer, titled title; true when the user chose to
    // print (printer then holds the choice).
    static bool PrintDialog(QPrinter& printer, const std::string& title);
    // The caption of a standard button (Ok, Cancel, Yes, No ...) in message
    // boxes, questions and input boxes, in the program's language
    // (Windows-1252); an empty text leaves the toolkit's own caption.
    static void SetButtonText(Result button, const std::string& text);

    // --- scripted mode -------------------------------------------------
    struct Shown {
        std::string kind; // "message", "plain", "modal", "folder", "open", "save", "input", "print"
        std::string text;
        std::string caption;
        int buttons = 0;
        int icon = 0;
        int result = 0;
        int defaultButton = None;
        // The captions of the box's buttons, in the order of Result.
        std::vector<std::string> buttonTexts = {};
        // What the widget shows, UTF-8: a box's text, an input box's
        // proposed value.
        std::string screen = {};
    };
    // Scripted mode: nothing is shown. A box with one OK button answers Ok
    // by itself; every other box takes the next queued answer, and when none
    // is queued answers Cancel (No for Yes/No) and counts as unanswered.
    static void BeginScript();
    static void EndScript();
    static bool Scripted();
    static void QueueAnswer(int result);
    // The function sees the dialog (fills its controls) and returns its result.
    static void QueueModal(std::function<int(QDialog&)> answer);
    // The next folder or file chooser hands name back as the real one does;
    // filter: the entry the user chooses in a save dialog ("" keeps the
    // preselected one). The second form takes a path in the file system's
    // encoding.
    static void QueueFileName(const QString& name, const std::string& filter = "");
    static void QueueFileName(const std::string& path, const std::string& filter = "");
    // The next print dialog answers "print to this PDF file"; without one
    // queued it is cancelled.
    static void QueuePrintFile(const std::string& pdfPath);
    // The next input box's answer; an input box without one is cancelled.
    static void QueueInput(const std::string& text);
    static void QueueInputName(const QString& name);
    static const std::vector<Shown>& History();
    static void ClearHistory();
    static int Unanswered();
    static int Pending(); // queued answers not used yet
};
