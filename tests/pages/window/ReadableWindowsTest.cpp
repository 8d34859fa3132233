// Every window and page as the user reads it, in German and in English, with
// the language file we ship: no label, check box, radio item, button, group
// title or tab shows less than its whole text, and no text control lies over
// another. Set OSTARA_GRAB_DIR to a folder to get a picture of each view.
#include "device/window/Form4.h"
#include "device/window/Stwaehlen.h"
#include "files/window/Datenladen.h"
#include "link/window/Form2.h"
#include "pages/window/PageFixture.h"
#include "shell/window/Program.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string Name(const QWidget* w) {
    std::string path = FromQString(w->objectName());
    for (const QWidget* p = w->parentWidget(); p && path.empty(); p = p->parentWidget())
        path = FromQString(p->objectName()) + "/" + FromQString(w->metaObject()->className());
    return path;
}

// The part of w's width that its ancestors up to the window let show; a
// scroll area's contents count whole, since the user scrolls to them.
int ShownWidth(const QWidget* w) {
    QRect r = w->rect();
    const QWidget* child = w;
    for (const QWidget* p = w->parentWidget(); p && !child->isWindow(); p = p->parentWidget()) {
        if (qobject_cast<const QAbstractScrollArea*>(p->parentWidget()) &&
            static_cast<const QAbstractScrollArea*>(p->parentWidget())->viewport() == p)
            break;
        r = QRect(child->mapTo(p, r.topLeft()), r.size()).intersected(p->rect());
        r.moveTopLeft(child->mapFrom(p, r.topLeft()));
        child = p;
    }
    return r.isValid() ? r.width() : 0;
}

int TextWidth(const QWidget* w, const QString& text) {
    int widest = 0;
    for (const QString& line : QString(text).remove('&').split('\n'))
        widest = std::max(widest, w->fontMetrics().horizontalAdvance(line));
    return widest;
}

// The width w needs to show all of its text, and the text; 0 when w shows
// no text of its own.
std::pair<int, QString> Needed(const QWidget* w) {
    if (auto* label = qobject_cast<const QLabel*>(w)) {
        if (label->text().isEmpty() || label->wordWrap() || !label->pixmap().isNull())
            return {0, {}};
        const int frame = label->width() - label->contentsRect().width();
        return {TextWidth(w, label->text()) + frame + 2 * label->margin(), label->text()};
    }
    if (qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w)) {
        auto* b = static_cast<const QAbstractButton*>(w);
        return {b->text().isEmpty() ? 0 : b->sizeHint().width(), b->text()};
    }
    if (auto* b = qobject_cast<const QPushButton*>(w))
        return {b->text().isEmpty() ? 0 : TextWidth(w, b->text()) + 8, b->text()};
    if (auto* b = qobject_cast<const QToolButton*>(w)) {
        if (b->text().isEmpty() || b->toolButtonStyle() == Qt::ToolButtonIconOnly)
            return {0, {}};
        return {b->sizeHint().width(), b->text()};
    }
    if (auto* g = qobject_cast<const QGroupBox*>(w))
        return {g->title().isEmpty() ? 0 : TextWidth(w, g->title()) + 12, g->title()};
    return {0, {}};
}

// A word-wrapped label that needs more lines than it has room for.
bool WrappedTooShort(const QWidget* w) {
    auto* label = qobject_cast<const QLabel*>(w);
    return label && label->wordWrap() && !label->text().isEmpty() &&
           label->heightForWidth(label->width()) > label->height();
}

bool ShowsText(const QWidget* w) {
    return Needed(w).first > 0 || qobject_cast<const QLineEdit*>(w) ||
           qobject_cast<const QComboBox*>(w) ||
           (qobject_cast<const QLabel*>(w) && !static_cast<const QLabel*>(w)->text().isEmpty());
}

// What reads badly in the visible part of root, one line each.
std::vector<std::string> Unreadable(QWidget* root, const std::string& view) {
    std::vector<std::string> found;
    const QWidget* window = root->window();
    auto shown = [window](const QWidget* w) { return w->isVisibleTo(window); };
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!shown(w))
            continue;
        const auto [need, text] = Needed(w);
        const int have = std::min(w->width(), ShownWidth(w));
        if (need > have)
            found.push_back(view + ": " + Name(w) + " \"" + FromQString(text) + "\" needs " +
                            std::to_string(need) + " px, shows " + std::to_string(have));
        if (WrappedTooShort(w))
            found.push_back(view + ": " + Name(w) + " wraps into more lines than it shows");
        if (auto* tabs = qobject_cast<QTabBar*>(w)) {
            for (int i = 0; i < tabs->count(); ++i) {
                if (!tabs->isTabVisible(i))
                    continue;
                const QRect r = tabs->tabRect(i);
                if (r.left() < 0 || r.right() >= tabs->width() ||
                    r.width() < TextWidth(tabs, tabs->tabText(i)) + 8)
                    found.push_back(view + ": tab \"" + FromQString(tabs->tabText(i)) +
                                    "\" is cut off or behind the scroll arrows");
            }
        }
        if (auto* bar = qobject_cast<QToolBar*>(w)) {
            for (QAction* a : bar->actions()) {
                QWidget* button = bar->widgetForAction(a);
                if (a->isVisible() && !a->isSeparator() && (!button || !button->isVisible()))
                    found.push_back(view + ": tool button \"" + FromQString(a->text()) +
                                    "\" does not fit on the tool bar");
            }
        }
    }
    // Text controls side by side must not cover each other.
    for (QWidget* parent : root->findChildren<QWidget*>()) {
        std::vector<QWidget*> kids;
        for (QWidget* k : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (shown(k) && ShowsText(k))
                kids.push_back(k);
        for (size_t i = 0; i < kids.size(); ++i)
            for (size_t j = i + 1; j < kids.size(); ++j)
                if (kids[i]->geometry().intersects(kids[j]->geometry()))
                    found.push_back(view + ": " + Name(kids[i]) + " and " + Name(kids[j]) +
                                    " lie over each other");
    }
    return found;
}

std::string Lines(const std::vector<std::string>& lines) {
    std::ostringstream out;
    for (const std::string& l : lines)
        out << "  " << l << "\n";
    return out.str();
}

} // namespace

class ReadableWindowsTest : public PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        // The texts the user reads, not the test file of ids.
        std::filesystem::copy_file(std::filesystem::path(OSTARA_PROGRAM_DIR) / "default.lang",
                                   dir_ / "default.lang",
                                   std::filesystem::copy_options::overwrite_existing);
        if (const char* grab = std::getenv("OSTARA_GRAB_DIR"))
            grabDir_ = grab;
        font_ = QApplication::font();
    }

    void TearDown() override {
        PageTest::TearDown();
        QApplication::setFont(font_);
    }
    QFont font_;

    // Looks at what the window shows now.
    void Look(QWidget* root, const std::string& view) {
        QApplication::processEvents();
        const auto found = Unreadable(root, view);
        unreadable_.insert(unreadable_.end(), found.begin(), found.end());
        if (!grabDir_.empty())
            root->window()->grab().save(QString::fromStdString(grabDir_ + "/" + view + ".png"));
    }

    void LookAtTabs(TPageControl* pages, const std::string& view) {
        for (int i = 0; i < pages->count(); ++i) {
            if (!pages->isTabVisible(i))
                continue;
            QWidget* page = pages->widget(i);
            if (pages->currentWidget() != page)
                pages->setCurrentIndex(i);
            Look(Form1, view + "-" + FromQString(page->objectName()));
        }
    }

    // The radio and the device pages of the device read, in the current language.
    void LookAtPages(const std::string& view) {
        Ui::TForm1& ui = Form1->ui;
        Look(Form1, view + "-empty");
        ui.funk->trigger();
        ASSERT_TRUE(Shown(ui.PageControl1));
        LookAtTabs(ui.PageControl1, view);
        ui.einstellung->trigger();
        ASSERT_TRUE(Shown(ui.PageControl2));
        LookAtTabs(ui.PageControl2, view);
        ui.einstellung->trigger();
        ASSERT_FALSE(Shown(ui.PageControl2));
    }

    void LookAtDialog(QWidget* dialog, const std::string& view) {
        dialog->show();
        Look(dialog, view);
        dialog->hide();
    }

    void LookAtDialogs(const std::string& view) {
        Form1->TranslatePortSettingsDialog();
        LookAtDialog(Form2, view + "-Form2");
        Form1->TranslateReadProgress("$T27001");
        LookAtDialog(Form4, view + "-Form4");
        Form1->TranslateDatenladenDialog();
        LookAtDialog(datenladen1, view + "-datenladen1");
        Form1->TranslateModelChooser();
        LookAtDialog(stwaehlen, view + "-stwaehlen");
    }

    // Both languages of the file, German first.
    void InBothLanguages(const std::string& family,
                         const std::function<void(const std::string&)>& look) {
        for (const auto& [index, code] : {std::pair{0, "DE"}, std::pair{1, "GB"}}) {
            Form1->MenuClick(index);
            look(std::string(code) + "-" + family);
            if (HasFatalFailure())
                return;
        }
    }

    std::vector<std::string> unreadable_;
    std::string grabDir_;
};

// Each family's pages after a read, the 0x10 device with a full channel
// table; with the platform's font and with a wider one, as desktops have.
struct FamilyCase {
    const char* type;
    int points; // 0: the platform's font
};

class ReadableFamilyTest : public ReadableWindowsTest,
                           public ::testing::WithParamInterface<FamilyCase> {};

TEST_P(ReadableFamilyTest, PagesAndDialogsShowWholeTextsInBothLanguages) {
    const std::string type = GetParam().type;
    if (GetParam().points > 0) {
        QFont wide = font_;
        wide.setPointSize(GetParam().points);
        QApplication::setFont(wide);
    }
    std::vector<std::string> args = {"--type", type};
    if (type == "0x10")
        args.insert(args.end(), {"--channels", "128"});
    ASSERT_NO_FATAL_FAILURE(StartShown(args));
    ASSERT_TRUE(Read());
    const std::string view = type + "-" + std::to_string(GetParam().points) + "pt";
    InBothLanguages(view, [this, &type](const std::string& view) {
        LookAtPages(view);
        if (type == "0x10")
            LookAtDialogs(view);
    });
    EXPECT_TRUE(unreadable_.empty()) << Lines(unreadable_);
}

INSTANTIATE_TEST_SUITE_P(Families, ReadableFamilyTest,
                         ::testing::Values(FamilyCase{"0x10", 0}, FamilyCase{"0x10", 12},
                                           FamilyCase{"0x21", 0}, FamilyCase{"0x21", 12},
                                           FamilyCase{"0x70", 0}, FamilyCase{"0xD0", 0},
                                           FamilyCase{"0x30", 0}, FamilyCase{"0x71", 0}),
                         [](const auto& info) {
                             return std::string(info.param.type).substr(2) + "_" +
                                    std::to_string(info.param.points) + "pt";
                         });

// With a language file whose texts are their ids, every caption the pages
// show is an id: a caption the language file does not give stays in the
// design's language whatever the user chose. Numbers, units, names and the
// frequencies are the same in every language.
class CaptionsFromTheFileTest : public PageTest, public ::testing::WithParamInterface<const char*> {
protected:
    // What the client area and the tool bar show; the status line shows the
    // device's own names and numbers.
    std::vector<std::string> Fixed(const std::string& view) {
        auto found = Fixed(Form1->centralWidget(), view);
        const auto bar = Fixed(Form1->ui.ToolBar1, view);
        found.insert(found.end(), bar.begin(), bar.end());
        return found;
    }

    std::vector<std::string> Fixed(QWidget* root, const std::string& view) {
        static const std::regex same(
            R"(([0-9.,:=<>()! -]|mW|W|bps|ms|MHz|Hz|RS|3964R|[ABZf](?=[0-9]))*)");
        std::vector<std::string> found;
        for (QWidget* w : root->findChildren<QWidget*>()) {
            if (!w->isVisibleTo(root->window()))
                continue;
            QStringList texts;
            if (auto* label = qobject_cast<QLabel*>(w))
                texts << label->text();
            else if (auto* button = qobject_cast<QAbstractButton*>(w))
                texts << button->text();
            else if (auto* group = qobject_cast<QGroupBox*>(w))
                texts << group->title();
            else if (auto* tabs = qobject_cast<QTabWidget*>(w))
                for (int i = 0; i < tabs->count(); ++i)
                    if (tabs->isTabVisible(i))
                        texts << tabs->tabText(i);
            for (const QString& t : texts) {
                const std::string text = FromQString(t);
                if (text.find("$T") == std::string::npos && !std::regex_match(text, same))
                    found.push_back(view + ": " + Name(w) + " \"" + text + "\"");
            }
        }
        return found;
    }
};

TEST_P(CaptionsFromTheFileTest, EveryCaptionOfEveryPageComesFromTheLanguageFile) {
    ASSERT_NO_FATAL_FAILURE(StartShown({"--type", GetParam()}));
    ASSERT_TRUE(Read());
    Ui::TForm1& ui = Form1->ui;
    std::vector<std::string> fixed = Fixed("empty");
    for (QAction* show : {ui.funk, ui.einstellung}) {
        show->trigger();
        auto* pages = show == ui.funk ? ui.PageControl1 : ui.PageControl2;
        ASSERT_TRUE(Shown(pages));
        for (int i = 0; i < pages->count(); ++i) {
            if (!pages->isTabVisible(i))
                continue;
            pages->setCurrentIndex(i);
            const auto found = Fixed(FromQString(pages->widget(i)->objectName()));
            fixed.insert(fixed.end(), found.begin(), found.end());
        }
    }
    EXPECT_TRUE(fixed.empty()) << Lines(fixed);
}

INSTANTIATE_TEST_SUITE_P(Families, CaptionsFromTheFileTest,
                         ::testing::Values("0x10", "0x21", "0xD0", "0x71"));
