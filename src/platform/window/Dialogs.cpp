#include "platform/window/Dialogs.h"

#include <QCoreApplication>
#include <QShowEvent>

#include "platform/Application.h"
#include "platform/Text.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QIdentityProxyModel>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProxyStyle>
#include <QUrl>

#include <cstdio>
#include <deque>
#include <map>
#include <utility>
#include <vector>

namespace {

struct Script {
    bool active = false;
    std::deque<int> answers;
    std::deque<std::function<int(QDialog&)>> modals;
    std::deque<std::pair<QString, std::string>> fileNames; // name, filter chosen
    std::deque<std::string> printFiles;
    std::deque<QString> inputs;
    std::vector<Dialogs::Shown> history;
    int unanswered = 0;
};

Script& script() {
    static Script s;
    return s;
}

// Qt's pixmap cache files each icon pixmap it paints under a key made from
// that pixmap's identity. A dialog built anew makes new icons for its buttons
// and files, so each box or chooser shown added entries, and the cache keeps
// the key of every entry it drops: the heap grew with each open and save.
// The application's style therefore hands out one icon per standard pixmap
// for the whole run, and the file lists one header decoration.
class SharedIconStyle : public QProxyStyle {
public:
    explicit SharedIconStyle(const QString& base) : QProxyStyle(base) {}

    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option,
                       const QWidget* widget) const override {
        if (option)
            return QProxyStyle::standardIcon(standardIcon, option, widget);
        const std::pair key{standardIcon, QGuiApplication::layoutDirection()};
        auto found = icons_.find(key);
        if (found == icons_.end())
            found = icons_.emplace(key, QProxyStyle::standardIcon(standardIcon, nullptr, widget))
                        .first;
        return found->second;
    }

    // One icon for each image handed out as a view's header decoration.
    QIcon HeaderIcon(const QImage& image) {
        for (const auto& [shown, icon] : headerIcons_)
            if (shown == image)
                return icon;
        headerIcons_.emplace_back(image, QIcon(QPixmap::fromImage(image)));
        return headerIcons_.back().second;
    }

private:
    mutable std::map<std::pair<StandardPixmap, Qt::LayoutDirection>, QIcon> icons_;
    std::vector<std::pair<QImage, QIcon>> headerIcons_;
};

SharedIconStyle* SharedIcons() {
    if (auto* style = dynamic_cast<SharedIconStyle*>(QApplication::style()))
        return style;
    auto* style = new SharedIconStyle(QApplication::style()->name());
    QApplication::setStyle(style); // the application owns it
    return style;
}

// The file list's model makes a new image for the name column's header
// decoration each time the header is painted; this hands out one icon for it.
class SteadyHeader : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        QVariant value = QIdentityProxyModel::headerData(section, orientation, role);
        if (role == Qt::DecorationRole && value.typeId() == QMetaType::QImage)
            return SharedIcons()->HeaderIcon(value.value<QImage>());
        return value;
    }
};

QWidget* activeParent() {
    SharedIcons();
    return QApplication::activeWindow();
}

// A file or folder chooser built as QFileDialog's static functions build it;
// "" when cancelled. selectedFilter: the entry chosen at first, and after it
// the one the user left chosen.
QString RunFileDialog(const QString& caption, const QString& folder, const QString& filter,
                      QFileDialog::FileMode mode, QFileDialog::AcceptMode accept,
                      QFileDialog::Options options, QString* selectedFilter = nullptr) {
    QFileDialog dialog(activeParent(), caption, folder, filter);
    dialog.setFileMode(mode);
    dialog.setOptions(options);
    dialog.setAcceptMode(accept);
    dialog.setSupportedSchemes({QStringLiteral("file")});
    dialog.setProxyModel(new SteadyHeader(&dialog)); // the dialog owns it
    if (selectedFilter && !selectedFilter->isEmpty())
        dialog.selectNameFilter(*selectedFilter);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    if (selectedFilter)
        *selectedFilter = dialog.selectedNameFilter();
    return dialog.selectedUrls().value(0).toLocalFile();
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

// The standard buttons by their answer, in the order of Result.
struct StandardButton {
    Dialogs::Result result;
    QMessageBox::StandardButton button;
};
constexpr StandardButton standardButtons[] = {
    {Dialogs::Ok, QMessageBox::Ok},         {Dialogs::Cancel, QMessageBox::Cancel},
    {Dialogs::Abort, QMessageBox::Abort},   {Dialogs::Retry, QMessageBox::Retry},
    {Dialogs::Ignore, QMessageBox::Ignore}, {Dialogs::Yes, QMessageBox::Yes},
    {Dialogs::No, QMessageBox::No}};

// The captions set for the standard buttons, by Result; empty: the toolkit's.
std::string buttonTexts[Dialogs::No + 1];

QMessageBox::StandardButtons ButtonSet(Dialogs::Buttons buttons) {
    switch (buttons) {
    case Dialogs::OK:
        return QMessageBox::Ok;
    case Dialogs::OKCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Dialogs::AbortRetryIgnore:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case Dialogs::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Dialogs::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Dialogs::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon BoxIcon(Dialogs::Icon icon) {
    switch (icon) {
    case Dialogs::Error:
        return QMessageBox::Critical;
    case Dialogs::Question:
        return QMessageBox::Question;
    case Dialogs::Warning:
        return QMessageBox::Warning;
    case Dialogs::Information:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

// The box as it is shown, its buttons captioned in the program's language.
void Prepare(QMessageBox& box, const QString& text, const std::string& caption,
             Dialogs::Buttons buttons, Dialogs::Icon icon, int defaultButton) {
    box.setText(text);
    box.setWindowTitle(ToQString(caption));
    box.setIcon(BoxIcon(icon));
    box.setStandardButtons(ButtonSet(buttons));
    for (const StandardButton& b : standardButtons) {
        QAbstractButton* button = box.button(b.button);
        if (!button)
            continue;
        if (!buttonTexts[b.result].empty())
            button->setText(ToQString(buttonTexts[b.result]));
        if (b.result == defaultButton)
            box.setDefaultButton(b.button);
    }
}

std::vector<std::string> Captions(const QMessageBox& box) {
    std::vector<std::string> captions;
    for (const StandardButton& b : standardButtons)
        if (const QAbstractButton* button = box.button(b.button))
            captions.push_back(FromQString(button->text()));
    return captions;
}

// A message box with its text as the widget takes it; the history records
// the text as Windows-1252.
int ShowBox(const QString& text, const std::string& caption, Dialogs::Buttons buttons,
            Dialogs::Icon icon, int defaultButton) {
    QMessageBox box(script().active ? nullptr : activeParent());
    Prepare(box, text, caption, buttons, icon, defaultButton);
    Script& s = script();
    if (s.active) {
        int result;
        if (buttons == Dialogs::OK) {
            result = Dialogs::Ok;
        } else if (!s.answers.empty()) {
            result = s.answers.front();
            s.answers.pop_front();
        } else {
            result = DefaultAnswer(buttons);
            ++s.unanswered;
        }
        Record({"message", FromQString(text), caption, buttons, icon, result, defaultButton,
                Captions(box), text.toStdString()});
        return result;
    }
    const int pressed = box.exec();
    for (const StandardButton& b : standardButtons)
        if (pressed == b.button)
            return b.result;
    return Dialogs::Cancel;
}

void ShowPlain(const QString& text) {
    QMessageBox box(script().active ? nullptr : activeParent());
    Prepare(box, text, Application().Title(), Dialogs::OK, Dialogs::NoIcon, Dialogs::None);
    if (script().active) {
        Record({"plain", FromQString(text), Application().Title(), Dialogs::OK, Dialogs::NoIcon,
                Dialogs::Ok, Dialogs::None, Captions(box), text.toStdString()});
        return;
    }
    box.exec();
}

// An input box prefilled with value; false when cancelled.
bool Input(const std::string& caption, const std::string& prompt, QString& value) {
    Script& s = script();
    if (s.active) {
        const std::string proposed = value.toStdString();
        bool answered = !s.inputs.empty();
        if (answered) {
            value = s.inputs.front();
            s.inputs.pop_front();
        } else {
            ++s.unanswered;
        }
        Record({"input",
                prompt,
                caption,
                Dialogs::OKCancel,
                Dialogs::NoIcon,
                answered ? Dialogs::Ok : Dialogs::Cancel,
                Dialogs::None,
                {},
                proposed});
        return answered;
    }
    QInputDialog dialog(activeParent());
    dialog.setWindowTitle(ToQString(caption));
    dialog.setLabelText(ToQString(prompt));
    dialog.setTextValue(value);
    if (!buttonTexts[Dialogs::Ok].empty())
        dialog.setOkButtonText(ToQString(buttonTexts[Dialogs::Ok]));
    if (!buttonTexts[Dialogs::Cancel].empty())
        dialog.setCancelButtonText(ToQString(buttonTexts[Dialogs::Cancel]));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    value = dialog.textValue();
    return true;
}

} // namespace

int Dialogs::MessageBox(const std::string& text, const std::string& caption, Buttons buttons,
                        Icon icon, int defaultButton) {
    return ShowBox(ToQString(text), caption, buttons, icon, defaultButton);
}

int Dialogs::MessageBox(const TextWithPath& text, const std::string& caption, Buttons buttons,
                        Icon icon, int defaultButton) {
    return ShowBox(ToQString(text), caption, buttons, icon, defaultButton);
}

void Dialogs::ShowMessage(const std::string& text) {
    ShowPlain(ToQString(text));
}

void Dialogs::ShowMessage(const TextWithPath& text) {
    ShowPlain(ToQString(text));
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
                               : RunFileDialog(ToQString(caption), PathToQString(start), {},
                                               QFileDialog::Directory, QFileDialog::AcceptOpen,
                                               QFileDialog::ShowDirsOnly);
    return PathFromQString(folder);
}

std::string Dialogs::OpenFileName(const std::string& caption, const std::string& folder,
                                  const std::string& filter, const std::string& selected) {
    QString chosen = ToQString(selected);
    const QString name = script().active
                             ? ScriptedFileName("open", caption)
                             : RunFileDialog(ToQString(caption), PathToQString(folder),
                                             ToQString(filter), QFileDialog::ExistingFile,
                                             QFileDialog::AcceptOpen, {}, &chosen);
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
    const QString name =
        RunFileDialog(ToQString(caption), PathToQString(folder), ToQString(filter),
                      QFileDialog::AnyFile, QFileDialog::AcceptSave, {}, &entry);
    if (chosen)
        *chosen = FromQString(entry);
    return PathFromQString(name);
}

bool Dialogs::InputQuery(const std::string& caption, const std::string& prompt,
                         std::string& value) {
    QString text = ToQString(value);
    if (!Input(caption, prompt, text))
        return false;
    value = FromQString(text);
    return true;
}

bool Dialogs::InputName(const std::string& caption, const std::string& prompt, std::string& name) {
    QString text = PathToQString(name);
    if (!Input(caption, prompt, text))
        return false;
    name = PathFromQString(text);
    return true;
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

void Dialogs::SetButtonText(Result button, const std::string& text) {
    if (button > None && button <= No)
        buttonTexts[button] = text;
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
    script().inputs.push_back(ToQString(text));
}
void Dialogs::QueueInputName(const QString& name) {
    script().inputs.push_back(name);
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
