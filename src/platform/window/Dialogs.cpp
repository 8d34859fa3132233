#include "platform/window/Dialogs.h"

#include <QCoreApplication>
#include <QShowEvent>

#include "platform/Application.h"
#include "platform/Text.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

#include <cstdio>
#include <deque>

namespace {

struct Script {
    bool active = false;
    std::deque<int> answers;
    std::deque<std::function<int(QDialog&)>> modals;
    std::deque<std::pair<QString, std::string>> fileNames; // name, filter chosen
    std::deque<std::string> printFiles;
    std::deque<std::string> inputs;
    std::vector<Dialogs::Shown> history;
    int unanswered = 0;
};

Script& script() {
    static Script s;
    return s;
}

QWidget* activeParent() {
    return QApplication::activeWindow();
}

int DefaultAnswer(Dialogs::Buttons buttons) {
    switch (buttons) {
    case Dialogs::OK:
        return Dialogs::Ok;
    case Dialogs::YesNo:
        return Dialogs::No;
    case Dialogs::AbortRetryIgnore:
        return Dialogs::Abort;
    default:
        return Dialogs::Cancel;
    }
}

void Record(Dialogs::Shown shown) {
    script().history.push_back(std::move(shown));
    if (std::getenv("OSTARA_SCRIPTED_DIALOGS")) {
        const auto& s = script().history.back();
        std::fprintf(stderr, "dialog %s: %s | %s -> %d\n", s.kind.c_str(), s.caption.c_str(),
                     s.text.c_str(), s.result);
    }
}

// The name a scripted chooser hands back, as the real one would.
QString ScriptedFileName(const char* kind, const std::string& caption,
                         std::string* filter = nullptr) {
    Script& s = script();
    QString name;
    if (!s.fileNames.empty()) {
        name = s.fileNames.front().first;
        if (filter && !s.fileNames.front().second.empty())
            *filter = s.fileNames.front().second;
        s.fileNames.pop_front();
    } else {
        ++s.unanswered;
    }
    Record({kind, PathFromQString(name), caption, 0, 0,
            name.isEmpty() ? Dialogs::Cancel : Dialogs::Ok});
    return name;
}

} // namespace

int Dialogs::MessageBox(const std::string& text, const std::string& caption, Buttons buttons,
                        Icon icon, int defaultButton) {
    Script& s = script();
    if (s.active) {
        int result;
        if (buttons == OK) {
            result = Ok;
        } else if (!s.answers.empty()) {
            result = s.answers.front();
            s.answers.pop_front();
        } else {
            result = DefaultAnswer(buttons);
            ++s.unanswered;
        }
        Record({"message", text, caption, buttons, icon, result, defaultButton});
        return result;
    }
    QMessageBox box(activeParent());
    box.setText(ToQString(text));
    box.setWindowTitle(ToQString(caption));
    switch (icon) {
    case Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Information:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    QMessageBox::StandardButtons set;
    switch (buttons) {
    case OK:
        set = QMessageBox::Ok;
        break;
    case OKCancel:
        set = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case AbortRetryIgnore:
        set = QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
        break;
    case YesNoCancel:
        set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    case YesNo:
        set = QMessageBox::Yes | QMessageBox::No;
        break;
    case RetryCancel:
        set = QMessageBox::Retry | QMessageBox::Cancel;
        break;
    }
    box.setStandardButtons(set);
    switch (defaultButton) {
    case Ok:
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case Cancel:
        box.setDefaultButton(QMessageBox::Cancel);
        break;
    case Yes:
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case No:
        box.setDefaultButton(QMessageBox::No);
        break;
    default:
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Ok;
    case QMessageBox::Yes:
        return Yes;
    case QMessageBox::No:
        return No;
    case QMessageBox::Abort:
        return Abort;
    case QMessageBox::Retry:
        return Retry;
    case QMessageBox::Ignore:
        return Ignore;
    default:
        return Cancel;
    }
}

void Dialogs::ShowMessage(const std::string& text) {
    if (script().active) {
        Record({"plain", text, Application().Title(), OK, NoIcon, Ok});
        return;
    }
    QMessageBox box(activeParent());
    box.setText(ToQString(text));
    box.setWindowTitle(ToQString(Application().Title()));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

int Dialogs::ShowModal(QDialog& dialog) {
    Script& s = script();
    if (s.active) {
        int result = Cancel;
        // The dialog's own show handling runs as it would on screen.
        QShowEvent shown;
        QCoreApplication::sendEvent(&dialog, &shown);
        if (!s.modals.empty()) {
            auto answer = std::move(s.modals.front());
            s.modals.pop_front();
            result = answer(dialog);
        } else {
            ++s.unanswered;
        }
        Record({"modal", FromQString(dialog.objectName()), FromQString(dialog.windowTitle()), 0, 0,
                result});
        return result;
    }
    const int r = dialog.exec();
    if (r == QDialog::Accepted)
        return Ok;
    if (r == QDialog::Rejected)
        return Cancel;
    return r;
}

std::string Dialogs::SelectDirectory(const std::string& caption, const std::string& start) {
    const QString folder = script().active
                               ? ScriptedFileName("folder", caption)
                               : QFileDialog::getExistingDirectory(
                                     activeParent(), ToQString(caption), PathToQString(start));
    return PathFromQString(folder);
}

std::string Dialogs::OpenFileName(const std::string& caption, const std::string& folder,
                                  const std::string& filter, const std::string& selected) {
    QString chosen = ToQString(selected);
    const QString name = script().active
                             ? ScriptedFileName("open", caption)
                             : QFileDialog::getOpenFileName(
                                   activeParent(), ToQString(caption), PathToQString(folder),
                                   ToQString(filter), selected.empty() ? nullptr : &chosen);
    return PathFromQString(name);
}

std::string Dialogs::SaveFileName(const std::string& caption, const std::string& folder,
                                  const std::string& filter, const std::string& selected,
                                  std::string* chosen) {
    if (chosen)
        *chosen = selected;
    if (script().active)
        return PathFromQString(ScriptedFileName("save", caption, chosen));
    QString entry = ToQString(selected);
    const QString name = QFileDialog::getSaveFileName(
        activeParent(), ToQString(caption), PathToQString(folder), ToQString(filter), &entry);
    if (chosen)
        *chosen = FromQString(entry);
    return PathFromQString(name);
}

bool Dialogs::InputQuery(const std::string& caption, const std::string& prompt,
                         std::string& value) {
    Script& s = script();
    if (s.active) {
        bool answered = !s.inputs.empty();
        if (answered) {
            value = s.inputs.front();
            s.inputs.pop_front();
        } else {
            ++s.unanswered;
        }
        Record({"input", prompt, caption, OKCancel, NoIcon, answered ? Ok : Cancel});
        return answered;
    }
    bool ok = false;
    const QString text =
        QInputDialog::getText(activeParent(), ToQString(caption), ToQString(prompt),
                              QLineEdit::Normal, ToQString(value), &ok);
    if (ok)
        value = FromQString(text);
    return ok;
}

bool Dialogs::PrintDialog(QPrinter& printer, const std::string& title) {
    Script& s = script();
    if (s.active) {
        std::string file;
        if (!s.printFiles.empty()) {
            file = s.printFiles.front();
            s.printFiles.pop_front();
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(ToQString(file));
        } else {
            ++s.unanswered;
        }
        Record({"print", file, title, 0, 0, file.empty() ? Cancel : Ok});
        return !file.empty();
    }
    QPrintDialog dialog(&printer, activeParent());
    dialog.setWindowTitle(ToQString(title));
    return dialog.exec() == QDialog::Accepted;
}

void Dialogs::BeginScript() {
    EndScript();
    script().active = true;
}

void Dialogs::EndScript() {
    Script& s = script();
    s.active = false;
    s.answers.clear();
    s.modals.clear();
    s.fileNames.clear();
    s.printFiles.clear();
    s.inputs.clear();
    s.history.clear();
    s.unanswered = 0;
}

bool Dialogs::Scripted() {
    return script().active;
}
void Dialogs::QueueAnswer(int result) {
    script().answers.push_back(result);
}
void Dialogs::QueueModal(std::function<int(QDialog&)> answer) {
    script().modals.push_back(std::move(answer));
}
void Dialogs::QueueFileName(const QString& name, const std::string& filter) {
    script().fileNames.emplace_back(name, filter);
}
void Dialogs::QueueFileName(const std::string& path, const std::string& filter) {
    QueueFileName(PathToQString(path), filter);
}
void Dialogs::QueuePrintFile(const std::string& pdfPath) {
    script().printFiles.push_back(pdfPath);
}
void Dialogs::QueueInput(const std::string& text) {
    script().inputs.push_back(text);
}
const std::vector<Dialogs::Shown>& Dialogs::History() {
    return script().history;
}
void Dialogs::ClearHistory() {
    script().history.clear();
}
int Dialogs::Unanswered() {
    return script().unanswered;
}
int Dialogs::Pending() {
    const Script& s = script();
    return static_cast<int>(s.answers.size() + s.modals.size() + s.fileNames.size() +
                            s.printFiles.size() + s.inputs.size());
}
