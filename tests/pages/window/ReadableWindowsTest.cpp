// Every page of each family and the dialogs as the user reads them, in German
// and in English: no label, check box, radio item, button, group title, tab
// or tool button shows less than its whole text, no text control lies over
// another, and every caption comes from the language file. Set
// OSTARA_GRAB_DIR to a folder to get a picture of each view.
#include "device/window/Form4.h"
#include "device/window/Stwaehlen.h"
#include "files/window/Datenladen.h"
#include "files/window/KonverterDlg.h"
#include "link/window/Form2.h"
#include "pages/window/PageFixture.h"
#include "shell/window/Program.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QToolBar>

#include <cstdlib>
#include <regex>

namespace {

std::string Name(const QWidget* w) {
    return w->objectName().isEmpty() ? FromQString(w->parentWidget()->objectName()) + "/child"
                                     : FromQString(w->objectName());
}

// The width of w that its ancestors let show; what a scroll area holds
// counts whole, since the user scrolls to it.
int ShownWidth(const QWidget* w) {
    QRect r(w->mapTo(w->window(), QPoint()), w->size());
    for (const QWidget* p = w->parentWidget(); p && !p->isWindow(); p = p->parentWidget()) {
        auto* area = qobject_cast<const QAbstractScrollArea*>(p->parentWidget());
        if (area && area->viewport() == p)
            break;
        r = r.intersected(QRect(p->mapTo(p->window(), QPoint()), p->size()));
    }
    return std::min(r.width(), w->window()->width() - r.left());
}

// The caption a control shows, if any.
QString Caption(const QWidget* w) {
    if (auto* label = qobject_cast<const QLabel*>(w))
        return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(w))
        return button->text();
    if (auto* group = qobject_cast<const QGroupBox*>(w))
        return group->title();
    return {};
}

// The width a control needs for its whole caption, measured with its font.
int Need(const QWidget* w) {
    const QString caption = QString(Caption(w)).remove('&');
    auto* label = qobject_cast<const QLabel*>(w);
    if (caption.isEmpty() || (label && label->wordWrap()))
        return 0;
    int text = 0;
    for (const QString& line : caption.split('\n'))
        text = std::max(text, w->fontMetrics().horizontalAdvance(line));
    if (label)
        return text + label->width() - label->contentsRect().width();
    if (qobject_cast<const QPushButton*>(w))
        return text + 8;
    if (qobject_cast<const QGroupBox*>(w))
        return text + 12;
    return w->sizeHint().width(); // check box, radio item, tool button: with their box or picture
}

} // namespace

class ReadableWindowsTest : public PageTest {
protected:
    // Looks at the visible part of root's window now.
    void Look(QWidget* root, const std::string& view) {
        QApplication::processEvents();
        const QWidget* window = root->window();
        const QList<QWidget*> all = root->findChildren<QWidget*>() << root;
        for (QWidget* w : all) {
            if (!w->isVisibleTo(window))
                continue;
            const int need = Need(w);
            if (need > std::min(w->width(), ShownWidth(w)))
                Found(view, Name(w) + " \"" + FromQString(Caption(w)) + "\" needs " +
                                std::to_string(need) + " px");
            if (auto* tabs = qobject_cast<QTabBar*>(w))
                for (int i = 0; i < tabs->count(); ++i)
                    if (tabs->isTabVisible(i) &&
                        (tabs->tabRect(i).left() < 0 || tabs->tabRect(i).right() >= tabs->width()))
                        Found(view, "tab \"" + FromQString(tabs->tabText(i)) + "\" is hidden");
            if (auto* bar = qobject_cast<QToolBar*>(w))
                for (QAction* a : bar->actions())
                    if (a->isVisible() && !a->isSeparator() &&
                        (!bar->widgetForAction(a)->isVisible() ||
                         !bar->rect().contains(bar->widgetForAction(a)->geometry())))
                        Found(view, "tool button \"" + FromQString(a->text()) + "\" is hidden");
            if (same_ && !Caption(w).contains("$T") &&
                !std::regex_match(FromQString(Caption(w)), *same_))
                Found(view, Name(w) + " \"" + FromQString(Caption(w)) + "\" is in no language");
            // Controls side by side do not cover each other.
            std::vector<QWidget*> kids;
            for (QWidget* k : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                if (k->isVisibleTo(window) &&
                    (!Caption(k).isEmpty() || qobject_cast<QLineEdit*>(k) ||
                     qobject_cast<QComboBox*>(k)))
                    kids.push_back(k);
            for (size_t i = 0; i < kids.size(); ++i)
                for (size_t j = i + 1; j < kids.size(); ++j)
                    if (kids[i]->geometry().intersects(kids[j]->geometry()))
                        Found(view, Name(kids[i]) + " lies over " + Name(kids[j]));
        }
        if (const char* grab = std::getenv("OSTARA_GRAB_DIR"))
            root->window()->grab().save(
                QString::fromStdString(std::string(grab) + "/" + view + ".png"));
    }

    void Found(const std::string& view, const std::string& what) {
        found_ += "  " + view + ": " + what + "\n";
    }

    // The empty window, then every tab of the radio and the device pages.
    void LookAtPages(const std::string& view, QWidget* root) {
        Ui::TForm1& ui = Form1->ui;
        Look(root, view + "-empty");
        for (QAction* show : {ui.funk, ui.einstellung}) {
            show->trigger();
            TPageControl* pages = show == ui.funk ? ui.PageControl1 : ui.PageControl2;
            ASSERT_TRUE(Shown(pages));
            for (int i = 0; i < pages->count(); ++i) {
                if (!pages->isTabVisible(i))
                    continue;
                pages->setCurrentIndex(i);
                Look(root, view + "-" + FromQString(pages->widget(i)->objectName()));
            }
        }
        ui.einstellung->trigger();
    }

    void LookAtDialog(QWidget* dialog, const std::string& view) {
        dialog->show();
        Look(dialog, view + "-" + FromQString(dialog->objectName()));
        dialog->hide();
    }

    std::string found_; // what was found, a line each
    // When set, every caption is an id or matches it.
    const std::regex* same_ = nullptr;
};

// With the platform's font and a wider one, as desktops have.
struct FamilyCase {
    const char* type;
    int points; // 0: the platform's font
};

class ReadableFamilyTest : public ReadableWindowsTest,
                           public ::testing::WithParamInterface<FamilyCase> {};

TEST_P(ReadableFamilyTest, PagesAndDialogsShowWholeTextsInBothLanguages) {
    UseShippedTexts();
    const QFont platform = QApplication::font();
    QFont font = platform;
    if (GetParam().points > 0)
        font.setPointSize(GetParam().points);
    QApplication::setFont(font);
    const std::string type = GetParam().type;
    // A full channel table on the remote terminal.
    std::vector<std::string> args = {"--type", type};
    if (type == "0x10")
        args.insert(args.end(), {"--channels", "128"});
    ASSERT_NO_FATAL_FAILURE(StartShown(args));
    ASSERT_TRUE(Read());
    for (int language : {0, 1}) {
        Form1->MenuClick(language);
        const std::string view = (language ? "GB-" : "DE-") + type;
        ASSERT_NO_FATAL_FAILURE(LookAtPages(view, Form1));
        Form1->TranslatePortSettingsDialog();
        LookAtDialog(Form2, view);
        Form1->TranslateDatenladenDialog();
        LookAtDialog(datenladen1, view);
        Form1->TranslateModelChooser();
        LookAtDialog(stwaehlen, view);
        Form1->TranslateReadProgress("$T27001");
        LookAtDialog(Form4, view);
        LookAtDialog(KonverterDlg1, view);
    }
    QApplication::setFont(platform);
    EXPECT_TRUE(found_.empty()) << found_;
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

// With a language file whose texts are their ids, every caption of the
// client area and the tool bar is an id, or a number, unit or name that
// reads the same in every language.
class CaptionsFromTheFileTest : public ReadableWindowsTest,
                                public ::testing::WithParamInterface<const char*> {};

TEST_P(CaptionsFromTheFileTest, EveryCaptionOfEveryPageComesFromTheLanguageFile) {
    ASSERT_NO_FATAL_FAILURE(StartShown({"--type", GetParam()}));
    ASSERT_TRUE(Read());
    const std::regex same(R"(([0-9.,:=<>()! -]|mW|W|bps|ms|MHz|Hz|RS|3964R|[ABZf](?=[0-9]))*)");
    same_ = &same;
    // The client area; the status line shows the device's own names.
    ASSERT_NO_FATAL_FAILURE(LookAtPages(GetParam(), Form1->centralWidget()));
    Look(Form1->ui.ToolBar1, std::string(GetParam()) + "-toolbar");
    EXPECT_TRUE(found_.empty()) << found_;
}

INSTANTIATE_TEST_SUITE_P(Families, CaptionsFromTheFileTest,
                         ::testing::Values("0x10", "0x21", "0xD0", "0x71"));

// In service mode with the browser open no button waits in the bar's overflow menu.
TEST_F(ReadableWindowsTest, TheServiceToolBarShowsEveryButtonInBothLanguages) {
    UseShippedTexts();
    TForm1::FirstArgument = "/qdvservice";
    ASSERT_NO_FATAL_FAILURE(StartShown({"--type", "0x21"}));
    Form1->FormActivate();
    for (int language : {1, 0}) {
        Form1->MenuClick(language);
        if (!Form1->ui.BrowserEnable->isChecked())
            Form1->ui.BrowserEnable->trigger();
        ASSERT_TRUE(RunUntil([] { return !Form1->Timer2->Enabled() && Form1->TransferIdle; }));
        ASSERT_TRUE(Form1->ui.Konverter->isVisible());
        Look(Form1->ui.ToolBar1, std::string(language ? "GB" : "DE") + "-service");
    }
    EXPECT_TRUE(found_.empty()) << found_;
}
