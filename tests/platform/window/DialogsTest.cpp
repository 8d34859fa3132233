// The dialog service in scripted mode: answers in order, nothing shown;
// and its real choosers, closed as soon as they are up.
#include "platform/window/Dialogs.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <set>

class DialogsTest : public ::testing::Test {
protected:
    void SetUp() override { Dialogs::BeginScript(); }
    void TearDown() override { Dialogs::EndScript(); }
};

TEST_F(DialogsTest, QuestionsTakeQueuedAnswersInOrder) {
    Dialogs::QueueAnswer(Dialogs::Yes);
    Dialogs::QueueAnswer(Dialogs::Cancel);
    EXPECT_EQ(Dialogs::MessageBox("q1", "c", Dialogs::YesNo, Dialogs::Question), Dialogs::Yes);
    // An OK box answers by itself and does not use up a queued answer.
    EXPECT_EQ(Dialogs::MessageBox("info", "c", Dialogs::OK, Dialogs::Information), Dialogs::Ok);
    EXPECT_EQ(Dialogs::MessageBox("q2", "c", Dialogs::YesNoCancel, Dialogs::Question),
              Dialogs::Cancel);
    EXPECT_EQ(Dialogs::Unanswered(), 0);
    ASSERT_EQ(Dialogs::History().size(), 3u);
    EXPECT_EQ(Dialogs::History()[1].text, "info");
    EXPECT_EQ(Dialogs::History()[2].buttons, Dialogs::YesNoCancel);
}

TEST_F(DialogsTest, AnUnansweredQuestionIsCountedAndDeclined) {
    EXPECT_EQ(Dialogs::MessageBox("q", "c", Dialogs::YesNo, Dialogs::Question), Dialogs::No);
    EXPECT_EQ(Dialogs::MessageBox("q", "c", Dialogs::OKCancel, Dialogs::Question), Dialogs::Cancel);
    EXPECT_EQ(Dialogs::SelectDirectory("folder", "/"), "");
    EXPECT_EQ(Dialogs::Unanswered(), 3);
}

TEST_F(DialogsTest, ModalDialogsAreFilledByTheScript) {
    QDialog dialog;
    dialog.setObjectName("Probe");
    dialog.setWindowTitle("Title");
    Dialogs::QueueModal([](QDialog& d) {
        d.setProperty("seen", true);
        return static_cast<int>(Dialogs::Ok);
    });
    EXPECT_EQ(Dialogs::ShowModal(dialog), Dialogs::Ok);
    EXPECT_TRUE(dialog.property("seen").toBool());
    EXPECT_EQ(Dialogs::History().back().text, "Probe");
    EXPECT_EQ(Dialogs::ShowModal(dialog), Dialogs::Cancel);
    EXPECT_EQ(Dialogs::Unanswered(), 1);
}

TEST_F(DialogsTest, FileNamesComeFromTheQueueAsFileSystemPaths) {
    // The chooser hands back a QString; the program gets the UTF-8 path.
    Dialogs::QueueFileName(QString::fromUtf16(u"/tmp/Pr\u00FCf & N\u00FCsse \u20AC.qdv"));
    EXPECT_EQ(Dialogs::OpenFileName("open", "/tmp", "*.qdv"),
              "/tmp/Pr\xC3\xBC" "f & N\xC3\xBC" "sse \xE2\x82\xAC.qdv");
    EXPECT_EQ(Dialogs::SaveFileName("save", "/tmp", "*.qdv"), "");
    EXPECT_EQ(Dialogs::Pending(), 0);
}

// The real choosers, closed by a timer as soon as they are up.
// Each icon a dialog paints takes a pixmap-cache entry under its pixmap's
// identity, and the cache keeps the key of every entry it drops: a dialog
// that makes new icons each time it is shown grows the heap with every use.
// A second showing must therefore show the very same icons as the first.
struct ShownDialog {
    const char* name;
    std::function<void()> show;
};

class RealDialogsTest : public ::testing::TestWithParam<ShownDialog> {};

namespace {

// The identities of the icons the dialog up now shows, the file list's
// header decoration taken twice as each paint of the header takes it.
std::set<qint64> IconsOfTheDialogUpNow() {
    std::set<qint64> icons;
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog)
        return icons;
    for (const QAbstractButton* button : dialog->findChildren<QAbstractButton*>())
        if (!button->icon().isNull())
            icons.insert(button->icon().cacheKey());
    for (const QHeaderView* header : dialog->findChildren<QHeaderView*>()) {
        if (!header->model() || header->model()->columnCount() == 0)
            continue;
        for (int paint = 0; paint < 2; ++paint) {
            const QVariant decoration = header->model()->headerData(0, Qt::Horizontal,
                                                                    Qt::DecorationRole);
            QIcon icon = qvariant_cast<QIcon>(decoration);
            if (icon.isNull())
                icon = QIcon(qvariant_cast<QPixmap>(decoration));
            if (!icon.isNull())
                icons.insert(icon.cacheKey());
        }
    }
    return icons;
}

// Shows the dialog through the service and returns its icons.
std::set<qint64> ShowAndClose(const std::function<void()>& show) {
    std::set<qint64> icons;
    bool seen = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            icons = IconsOfTheDialogUpNow();
            seen = true;
            dialog->reject();
        }
    });
    closer.start(0);
    show();
    EXPECT_TRUE(seen);
    return icons;
}

const std::string folder = std::filesystem::temp_directory_path().string();

} // namespace

TEST_P(RealDialogsTest, ShowsTheSameIconsEachTime) {
    ASSERT_FALSE(Dialogs::Scripted());
    const std::set<qint64> first = ShowAndClose(GetParam().show);
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(ShowAndClose(GetParam().show), first);
}

INSTANTIATE_TEST_SUITE_P(
    Dialogs, RealDialogsTest,
    ::testing::Values(
        ShownDialog{"Open", [] { Dialogs::OpenFileName("open", folder, "Data (*.qdv)"); }},
        ShownDialog{"Save", [] { Dialogs::SaveFileName("save", folder, "Data (*.qdv)"); }},
        ShownDialog{"Folder", [] { Dialogs::SelectDirectory("folder", folder); }}),
    [](const ::testing::TestParamInfo<ShownDialog>& info) { return info.param.name; });
