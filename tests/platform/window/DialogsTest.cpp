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

#include <set>
#include <string>
#include <utility>

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

// The real choosers, closed by a timer once up, show the very same icons (and
// file-list header decoration, taken twice as two paints take it) the second
// time: new ones each time grew the pixmap cache with every open.
using ShowChooser = void (*)();
class RealChoosersTest : public ::testing::TestWithParam<std::pair<const char*, ShowChooser>> {};

static std::set<qint64> IconsShown(ShowChooser show) {
    std::set<qint64> icons;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        for (const QAbstractButton* button : dialog->findChildren<QAbstractButton*>())
            if (!button->icon().isNull())
                icons.insert(button->icon().cacheKey());
        for (const QHeaderView* header : dialog->findChildren<QHeaderView*>())
            for (int paint = 0; paint < 2 && header->model(); ++paint) {
                const QVariant shown =
                    header->model()->headerData(0, Qt::Horizontal, Qt::DecorationRole);
                QIcon icon = qvariant_cast<QIcon>(shown);
                if (icon.isNull())
                    icon = QIcon(qvariant_cast<QPixmap>(shown));
                if (!icon.isNull())
                    icons.insert(icon.cacheKey());
            }
        dialog->reject();
    });
    closer.start(0);
    show();
    return icons;
}

TEST_P(RealChoosersTest, ShowTheSameIconsEachTime) {
    ASSERT_FALSE(Dialogs::Scripted());
    const std::set<qint64> first = IconsShown(GetParam().second);
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(IconsShown(GetParam().second), first);
}

INSTANTIATE_TEST_SUITE_P(
    Dialogs, RealChoosersTest,
    ::testing::Values(
        std::pair<const char*, ShowChooser>{
            "Open", [] { Dialogs::OpenFileName("open", "/tmp", "Data (*.qdv)"); }},
        std::pair<const char*, ShowChooser>{
            "Save", [] { Dialogs::SaveFileName("save", "/tmp", "Data (*.qdv)"); }},
        std::pair<const char*, ShowChooser>{"Folder",
                                            [] { Dialogs::SelectDirectory("folder", "/tmp"); }}),
    [](const auto& info) { return std::string(info.param.first); });
