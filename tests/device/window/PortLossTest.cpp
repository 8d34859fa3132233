// A port that goes away while nothing uses it, and the read and write
// commands on a port that is closed: told once, opened again when possible,
// the start-up's closed-port message when not.
#include "device/ChangeFlags.h"
#include "device/window/ReadFixture.h"
#include "link/PortSettings.h"

namespace {

enum class Command { Read, Write };

class PortLossTest : public ReadTest, public ::testing::WithParamInterface<Command> {
protected:
    // A device read, with a change waiting to be written.
    void StartReadAndChange() {
        StartWithDevice({"--type", "0x21"});
        ASSERT_TRUE(Read());
        ASSERT_EQ(Status(), "$T29001");
        RegisterImage[944 - FirstImageRegister] ^= 1;
        RadioSettingsChanged = 1;
        Dialogs::ClearHistory();
    }

    // Runs the command under test; replacing the data read and the write's
    // question are answered Yes when they are asked.
    void RunCommand() {
        if (GetParam() == Command::Read) {
            Dialogs::QueueModal([](QDialog&) { return Dialogs::Yes; });
            ASSERT_TRUE(Read());
        } else {
            Dialogs::QueueAnswer(Dialogs::Yes);
            Form1->up_loadClick();
        }
    }

    static int CountCaptioned(const std::string& text, const std::string& caption) {
        int n = 0;
        for (const Dialogs::Shown& s : Dialogs::History())
            n += s.kind == "message" && s.text == text && s.caption == caption;
        return n;
    }
};

} // namespace

TEST_P(PortLossTest, IdleLossIsToldOnceAndTheCommandShowsTheClosedPortMessage) {
    StartReadAndChange();
    const std::string port = sim_->PtyPath();

    ASSERT_EQ(sim_->Command("hangup"), "ok");
    ASSERT_TRUE(RunUntil([] { return CountMessages("$T30081") > 0; }));
    EXPECT_EQ(CountCaptioned("$T30081", "$T30024"), 1);
    EXPECT_NE(ProgramLog().find("Serial port " + port + ": connection lost"), std::string::npos);
    ASSERT_TRUE(RunUntil([] { return !Form1->Mop->IsOpen(); }));

    // The device's name is gone (the pty's may belong to another test's
    // simulator by now).
    PortName = "/nonexistent/ostara-vanished-port";
    Form4->hide();
    RunCommand();
    EXPECT_EQ(CountCaptioned("$T30023", "$T30024"), 1);
    EXPECT_FALSE(Form4->isVisible()) << "an empty transfer window";
    EXPECT_EQ(CountMessages("$T30027"), 0) << "the write asked although it cannot write";
    EXPECT_EQ(CountMessages("$T30081"), 1) << "the loss is told once";
    EXPECT_EQ(Status(), "$T29002");
    EXPECT_TRUE(Form1->TransferIdle);
    EXPECT_TRUE(Form1->ui.down_load->isEnabled());
    EXPECT_TRUE(Form1->ui.up_load->isEnabled());
}

TEST_P(PortLossTest, CommandOnAClosedPortOpensItAgain) {
    StartReadAndChange();
    ClosePort();
    ASSERT_FALSE(Form1->Mop->IsOpen());

    RunCommand();
    EXPECT_TRUE(Form1->Mop->IsOpen());
    EXPECT_EQ(Status(), GetParam() == Command::Read ? "$T29001" : "$T29003");
    EXPECT_EQ(CountMessages("$T30023"), 0);
}

INSTANTIATE_TEST_SUITE_P(Commands, PortLossTest, ::testing::Values(Command::Read, Command::Write),
                         [](const auto& info) {
                             return std::string(info.param == Command::Read ? "Read" : "Write");
                         });
