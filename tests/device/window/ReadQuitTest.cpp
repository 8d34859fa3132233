// The window lets go of its helpers while a read runs (the program is ended
// from outside): the reader stops at its next exchange and is waited for
// before the link goes; its late hand-over touches nothing.
#include "device/window/ReadFixture.h"
#include "link/Reader.h"

#include <QTimer>

#include <chrono>

TEST_F(ReadTest, EndingTheProgramDuringAReadWaitsForTheReader) {
    StartWithDevice({"--type", "0x21", "--pace", "9600"});
    AllowSlowLine();
    Form1->down_loadClick();
    ASSERT_TRUE(RunUntil([] { return Form4->Progress() > 1; }, 3000));
    ASSERT_TRUE(Form1->Reader && Form1->Reader->Running());

    const auto before = std::chrono::steady_clock::now();
    Form1->DestroyHelpers();
    const auto took = std::chrono::steady_clock::now() - before;
    // One exchange at most is finished first, never the rest of the read.
    EXPECT_LT(took, std::chrono::milliseconds(1500));
    EXPECT_EQ(Form1->Mop, nullptr);
    EXPECT_EQ(Form1->Reader, nullptr);
    EXPECT_EQ(Form1->Timer1, nullptr);
    EXPECT_EQ(Form1->ReadFailed.load(), 1);
    // The reader's queued hand-over arrives after the helpers are gone.
    RunUntil([] { return false; }, 100);
    EXPECT_LT(Form4->Progress(), 571);
}

TEST_F(ReadTest, ACloseDuringTheIdentificationWaitsForTheRead) {
    // The type register answers late: the window keeps answering meanwhile.
    StartWithDevice({"--type", "0x21", "--fault", "late=100@1"});
    AllowSlowLine();
    Form1->show();
    bool closedDuringIdentification = true;
    QTimer::singleShot(20, Form1, [&] {
        closedDuringIdentification = Form1->close();
        EXPECT_NE(Form1->Mop, nullptr);
        EXPECT_TRUE(Form1->ClosePending);
    });
    Form1->down_loadClick();
    EXPECT_FALSE(closedDuringIdentification);
    ASSERT_NE(Form1->Mop, nullptr);
    // The read goes on to its end; the window closes after it.
    ASSERT_TRUE(RunUntil([] { return Application().Terminated(); }, 8000));
    EXPECT_EQ(Form4->Progress(), 571);
    EXPECT_EQ(Status(), "$T29001");
}
