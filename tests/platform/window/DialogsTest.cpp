// The dialog service in scripted mode: answers in order, nothing shown.
#include "platform/window/Dialogs.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QString>

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
