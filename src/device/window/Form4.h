#pragma once
// Transfer window: title line, progress bar, second line and a log of the
// transfer that cannot be edited. Stays on top, centred on the main window.
// Its controls are its own: the transfers use the methods below.

#include "ui_TForm4.h"

#include <QDialog>

#include <string>
#include <vector>

struct TextWithPath;

class TForm4 : public QDialog {
public:
    explicit TForm4(QWidget* owner);

    void SetFormIcon(const QIcon& icon) { setWindowIcon(icon); }
    void SetButton1Caption(const std::string& text);
    void SetLabel1Caption(const std::string& text);
    void SetLabel2Caption(const std::string& text);
    std::string Button1Caption() const;
    std::string Label1Caption() const;
    std::string Label2Caption() const;
    void Button1Click() { close(); }

    // The log: lines in Windows-1252, one colour for all of them.
    void ClearLog();
    void AddLine(const std::string& line);
    // A line that names a file, shown with every letter of its path.
    void AddLine(const TextWithPath& line);
    void SetLogColor(const QColor& color);
    QColor LogColor() const;
    std::vector<std::string> LogLines() const;

    // The progress bar; a position outside its range is kept at its ends.
    void SetProgress(int position);
    void StepProgress(int registers);
    int Progress() const;
    int ProgressMaximum() const;

    // The close button, disabled while a transfer runs.
    void EnableClose(bool enabled);
    bool CloseEnabled() const;
    void FocusClose();

    // Shows the window over the main window (centred) unless it is shown.
    void ShowOverMain();

    // Prepares a transfer: progress range 0..maximum at position, an empty
    // log in the normal colour, the window shown and its button disabled.
    void BeginTransfer(int maximum, int position);
    // The end of a failed transfer: the log turns red and closes with line
    // and "***End***".
    void EndWithError(const std::string& line);
    void EndWithError(const TextWithPath& line);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AddText(const QString& line);
    Ui::TForm4 ui;
};
