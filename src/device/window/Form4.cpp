#include "device/window/Form4.h"

#include "platform/Text.h"
#include "shell/window/Globals.h"

#include <QApplication>
#include <QEvent>
#include <QPushButton>
#include <QTextCursor>

TForm4::TForm4(QWidget* owner) : QDialog(owner) {
    ui.setupUi(this);
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
    return QDialog::eventFilter(watched, event);
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

std::string TForm4::Button1Caption() const {
    return FromQString(ui.Button1->text());
}

std::string TForm4::Label1Caption() const {
    return FromQString(ui.Label1->text());
}

std::string TForm4::Label2Caption() const {
    return FromQString(ui.Label2->text());
}

void TForm4::SetProgress(int position) {
    ui.ProgressBar1->SetPosition(position);
}

void TForm4::StepProgress(int registers) {
    ui.ProgressBar1->StepBy(registers);
}

int TForm4::Progress() const {
    return ui.ProgressBar1->Position();
}

int TForm4::ProgressMaximum() const {
    return ui.ProgressBar1->maximum();
}

void TForm4::EnableClose(bool enabled) {
    ui.Button1->setEnabled(enabled);
}

bool TForm4::CloseEnabled() const {
    return ui.Button1->isEnabled();
}

void TForm4::FocusClose() {
    ui.Button1->setFocus();
}

void TForm4::ClearLog() {
    ui.Memo1->clear();
}

void TForm4::AddLine(const std::string& line) {
    AddText(ToQString(line));
}

void TForm4::AddLine(const TextWithPath& line) {
    AddText(ToQString(line));
}

void TForm4::AddText(const QString& line) {
    // As plain text: quotes and angle brackets stay what they are.
    QTextCursor end(ui.Memo1->document());
    end.movePosition(QTextCursor::End);
    if (!ui.Memo1->document()->isEmpty())
        end.insertBlock();
    end.insertText(line);
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
    EndWithError(TextWithPath{line, {}});
}

void TForm4::EndWithError(const TextWithPath& line) {
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
