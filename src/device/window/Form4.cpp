#include "device/window/Form4.h"

#include "platform/Text.h"
#include "shell/window/Globals.h"

#include <QApplication>
#include <QEvent>
#include <QPushButton>

TForm4::TForm4(QWidget* owner) : TFormBase(owner) {
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint);
    setModal(false);
    ui.Memo1->installEventFilter(this);
    connect(ui.Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

bool TForm4::eventFilter(QObject* watched, QEvent* event) {
    // Every key press in the log is swallowed: it cannot be edited.
    if (watched == ui.Memo1 &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease ||
         event->type() == QEvent::ShortcutOverride))
        return true;
    return TFormBase::eventFilter(watched, event);
}

void TForm4::SetButton1Caption(const std::string& text) {
    ui.Button1->setText(ToQString(text));
}

void TForm4::SetLabel1Caption(const std::string& text) {
    ui.Label1->setText(ToQString(text));
}

void TForm4::SetLabel2Caption(const std::string& text) {
    ui.Label2->setText(ToQString(text));
}

void TForm4::ClearLog() {
    ui.Memo1->clear();
}

void TForm4::AddLine(const std::string& line) {
    ui.Memo1->append(ToQString(line).toHtmlEscaped());
}

void TForm4::SetLogColor(const QColor& color) {
    QPalette p = ui.Memo1->palette();
    p.setColor(QPalette::Text, color);
    ui.Memo1->setPalette(p);
}

QColor TForm4::LogColor() const {
    return ui.Memo1->palette().color(QPalette::Text);
}

std::vector<std::string> TForm4::LogLines() const {
    std::vector<std::string> lines;
    const QString text = ui.Memo1->toPlainText();
    if (text.isEmpty())
        return lines;
    for (const QString& line : text.split('\n'))
        lines.push_back(FromQString(line));
    return lines;
}

void TForm4::BeginTransfer(int maximum, int position) {
    ui.ProgressBar1->setMinimum(0);
    ui.ProgressBar1->setMaximum(maximum);
    ui.ProgressBar1->SetPosition(position);
    SetLogColor(QApplication::palette().color(QPalette::Text));
    ui.Memo1->setEnabled(true);
    ClearLog();
    ShowOverMain();
    ui.Button1->setEnabled(false);
    update();
    activateWindow();
}

void TForm4::EndWithError(const std::string& line) {
    SetLogColor(Qt::red);
    AddLine(line);
    AddLine("***End***");
    update();
}

void TForm4::ShowOverMain() {
    setWindowTitle(ToQString(ProgramTitle));
    if (QWidget* main = parentWidget()) {
        const QRect r = main->frameGeometry();
        move(r.center() - rect().center());
    }
    if (!isVisible())
        show();
}
