#pragma once
// Transfer window: title line, progress bar, second line and a log of the
// transfer that cannot be edited. Stays on top, centred on the main window.

#include "platform/window/FormBase.h"
#include "ui_TForm4.h"

#include <string>
#include <vector>

class TForm4 : public TFormBase<Ui::TForm4> {
public:
    explicit TForm4(QWidget* owner);

    void SetFormIcon(const QIcon& icon) { setWindowIcon(icon); }
    void SetButton1Caption(const std::string& text);
    void SetLabel1Caption(const std::string& text);
    void SetLabel2Caption(const std::string& text);
    void Button1Click() { close(); }

    // The log: lines in Windows-1252, one colour for all of them.
    void ClearLog();
    void AddLine(const std::string& line);
    void SetLogColor(const QColor& color);
    QColor LogColor() const;
    std::vector<std::string> LogLines() const;

    // Shows the window over the main window (centred) unless it is shown.
    void ShowOverMain();

    // Prepares a transfer: progress range 0..maximum at position, an empty
    // log in the normal colour, the window shown and its button disabled.
    void BeginTransfer(int maximum, int position);
    // The end of a failed transfer: the log turns red and closes with line
    // and "***End***".
    void EndWithError(const std::string& line);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
