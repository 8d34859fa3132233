// The keying test end to end against the simulator, in service mode with
// the shipped texts.
#include "pages/KeyingLogic.h"
#include "pages/window/PageFixture.h"
#include "pages/window/Sendertastung.h"
#include "platform/window/RadioGroup.h"

#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

class KeyingTest : public PageTest {
protected:
    // The keying tab chosen by the user on a type 0x21 simulator whose
    // power after power-on (913, the power a test restores) is 43; read
    // first when the radio and settings pages are to be opened.
    void OpenKeyingTab(std::vector<std::string> args, bool read = false) {
        TForm1::FirstArgument = "/qdvservice";
        args.insert(args.begin(), {"--type", "0x21", "--set", "913=43"});
        UseShippedTexts();
        ASSERT_NO_FATAL_FAILURE(StartShown(args));
        Form1->FormActivate();
        if (read) {
            ASSERT_TRUE(Read());
        }
        Form1->ui.BrowserEnable->trigger();
        ASSERT_TRUE(RunUntil([] { return !Form1->Timer2->Enabled() && Form1->TransferIdle; }));
        Form1->Sendertastung->SetPollInterval(20);
        Form1->SendertastungEnde->SetInterval(20);
        Form1->ui.PageControl3->setCurrentWidget(Form1->ui.Sendertastung);
    }

    // Starts at level 12 (power 66); true when the transmitter is keyed.
    static bool Key() {
        Form1->ui.HighPower->SetItemIndex(12);
        Form1->ui.Button4->click();
        return Form1->KeyingRunning();
    }
    static bool Ended() {
        return RunUntil([] {
            return !Form1->KeyingRunning() && !Form1->SendertastungEnde->Enabled() &&
                   Form1->ui.Button4->isEnabled();
        });
    }
    static std::string LastMessage() { return Dialogs::History().back().text; }
    // The requests since mark: "w912=66" writes, "r939" reads.
    std::vector<std::string> Requests(size_t mark) const {
        std::vector<std::string> out;
        const auto log = SimLog();
        for (size_t i = mark; i < log.size(); ++i)
            out.push_back(log[i].writeCount > 0 ? "w" + std::to_string(log[i].writeFirst) + "=" +
                                                      std::to_string(log[i].written.at(0))
                                                : "r" + std::to_string(log[i].first));
        return out;
    }
    bool PowerBackAndLocked() { return SimValue(912) == 43 && sim_->Command("lock?") == "locked"; }
};

// One run to its end, then one stopped while a poll waits for its answer.
TEST_F(KeyingTest, KeysFollowsTheCountdownRefusesOtherCommandsAndRestores) {
    OpenKeyingTab({"--keying-speed", "6000"});
    auto& ui = Form1->ui;
    EXPECT_EQ(ui.HighPower->ItemIndex(), 9); // 912 holds 50
    EXPECT_EQ(ui.FSaktuFrequenz->text().toStdString(),
              KeyingFrequencyText(SimValue(1216 + SimValue(910)), SimValue(1344 + SimValue(910))));
    std::vector<int> bar;
    QObject::connect(ui.SenderBar, &QProgressBar::valueChanged,
                     [&bar](int v) { bar.push_back(v); });
    size_t mark = SimLog().size();
    ASSERT_TRUE(Key());
    EXPECT_EQ(ui.Button4->text().toStdString(), "Sendertastung ENDE!");
    // Meanwhile a read is refused, the tab stays, the scan and service wait.
    Form1->down_loadClick();
    EXPECT_NE(LastMessage().find("keying test is running"), std::string::npos);
    ui.PageControl3->setCurrentWidget(ui.Reg_Karte);
    EXPECT_EQ(ui.PageControl3->ActivePage(), ui.Sendertastung);
    EXPECT_FALSE(ui.service->isEnabled() || ui.scanreg->isEnabled());
    ASSERT_TRUE(Ended());
    std::vector<std::string> r = Requests(mark);
    const std::vector<std::string> start = {"w999=8362", "w999=9286", "r913",
                                            "w912=66",   "w939=3000", "w999=0"};
    ASSERT_GT(r.size(), start.size() + 4);
    EXPECT_EQ(std::vector(r.begin(), r.begin() + 6), start);
    EXPECT_EQ(std::count(r.begin() + 6, r.end() - 2, "r939"), r.end() - r.begin() - 8);
    EXPECT_EQ(std::vector(r.end() - 2, r.end()), (std::vector<std::string>{"w939=0", "w912=43"}));
    // The bar runs down with the device's count.
    EXPECT_TRUE(bar.size() > 4 && bar.front() == 3000 && bar.back() == 0);
    EXPECT_TRUE(std::is_sorted(bar.rbegin(), bar.rend()));
    EXPECT_TRUE(ui.service->isEnabled() && ui.newParameter->isEnabled());
    EXPECT_TRUE(PowerBackAndLocked());

    // A stop that comes during a poll shows the start caption at once and
    // ends the keying at the next poll.
    EXPECT_EQ(sim_->Command("keying-speed 0"), "ok");
    ASSERT_TRUE(Key());
    sim_->Command("fault late=60@r939:always");
    bool clicked = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!clicked && Form1->Mop->Busy()) {
            clicked = true;
            ui.Button4->click();
            EXPECT_EQ(ui.Button4->text().toStdString(), "Sendertastung Start");
            mark = SimLog().size();
        }
    });
    watch.start(2);
    ASSERT_TRUE(RunUntil([&] { return clicked; }) && Ended());
    r = Requests(mark);
    EXPECT_EQ(std::vector(r.end() - 2, r.end()), (std::vector<std::string>{"w939=0", "w912=43"}));
    EXPECT_EQ(sim_->Command("keyed?"), "not keyed");
}

// However the keying ends early, by a failure or by leaving the service
// pages or the program, the device is put back as far as the link allows,
// and a failure is told and logged.
struct KeyingEnd {
    const char* name;
    std::vector<const char*> faults;
    bool beforeStart;                  // faults armed before the start, else once keyed
    const char* leave;                 // "button", "funk", "einstellung", "clear", "quit" or ""
    std::vector<const char*> messages; // parts of the message that tells it
    int power;                         // 912 at the end, and locked; 0 once the link is gone
};

class KeyingEndTest : public KeyingTest, public ::testing::WithParamInterface<KeyingEnd> {};

TEST_P(KeyingEndTest, PutsTheDeviceBackAsFarAsTheLinkAllows) {
    const KeyingEnd& c = GetParam();
    const std::string how = c.leave;
    OpenKeyingTab({"--keying-speed", "0"}, how == "funk" || how == "einstellung");
    const auto arm = [&] {
        for (const char* fault : c.faults)
            sim_->Command(std::string("fault ") + fault);
    };
    if (c.beforeStart)
        arm();
    EXPECT_EQ(Key(), !c.beforeStart);
    if (!c.beforeStart)
        arm();
    const auto leave = [&how] {
        if (how == "button")
            Form1->ui.BrowserEnable->trigger();
        else if (how == "funk")
            Form1->ui.funk->trigger();
        else if (how == "einstellung")
            Form1->ui.einstellung->trigger();
        else if (how == "clear")
            Form1->ToolButton2Click();
        else if (how == "quit")
            Form1->close();
    };
    if (c.faults.empty() || how.empty()) {
        leave();
    } else {
        // Left while a poll waits for its (late) answer: the pages wait
        // for the end of the test.
        bool left = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (left || !Form1->Mop->Busy())
                return;
            left = true;
            leave();
            EXPECT_FALSE(Shown(Form1->ui.PageControl1) || Shown(Form1->ui.PageControl2));
        });
        watch.start(2);
        ASSERT_TRUE(RunUntil([&left] { return left; }));
    }
    ASSERT_TRUE(RunUntil([] { return !Form1->KeyingRunning(); }));
    std::string shown;
    for (const Dialogs::Shown& box : Dialogs::History())
        shown += box.text + "\n";
    for (const char* part : c.messages)
        EXPECT_NE(shown.find(part), std::string::npos) << shown;
    EXPECT_EQ(ProgramLog().find("Keying test: ") != std::string::npos, !c.messages.empty());
    if (c.power) {
        EXPECT_EQ(SimValue(912), c.power);
        EXPECT_EQ(sim_->Command("lock?"), "locked");
    }
    if (how == "quit") {
        EXPECT_TRUE(RunUntil([] { return Application().Terminated(); }));
    } else if (!how.empty()) {
        EXPECT_TRUE(RunUntil([] { return !Shown(Form1->ui.PageControl3); }));
        // The command that left runs once the test has ended.
        EXPECT_TRUE(how != "funk" || Shown(Form1->ui.PageControl1));
        EXPECT_TRUE(how != "einstellung" || Shown(Form1->ui.PageControl2));
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Ways, KeyingEndTest, ::testing::Values(
    // The unlock fails with the device unlocked, the saved power cannot be
    // read: nothing was written to put back but the lock.
    KeyingEnd{"UnlockSilent", {"silence@r999:always"}, true, "",
              {"register 999 failed", "could not be locked again"}, 50},
    KeyingEnd{"SavedPowerSilent", {"silence@r913:always"}, true, "",
              {"register 913 failed", "locked again"}, 50},
    KeyingEnd{"PowerRefused", {"ignore-writes@r912"}, true, "",
              {"register 912 failed", "back at 43", "locked again"}, 43},
    KeyingEnd{"TimeRefused", {"ignore-writes@r939"}, true, "",
              {"register 939 failed", "back at 43", "locked again"}, 43},
    // Three tries unanswered: the poll fails, the end is written.
    KeyingEnd{"PollSilent", {"silence@r939", "silence@r939", "silence@r939"}, false, "",
              {"939) could not", "back at 43"}, 43},
    // The end of the keying cannot be written either.
    KeyingEnd{"TimeRefusedFromNowOn", {"wrong-register@r939:always"}, false, "",
              {"939) could not", "back to 43"}, 43},
    KeyingEnd{"HangUp", {"hangup"}, false, "", {"939) could not", "back to 43"}, 0},
    KeyingEnd{"BrowserClosed", {}, false, "button", {}, 43},
    KeyingEnd{"PowerBackAtTheSecondWrite", {"ignore-writes=43@r912"}, false, "clear", {}, 43},
    // Left during a poll.
    KeyingEnd{"RadioPages", {"late=60@r939:always"}, false, "funk", {}, 43},
    KeyingEnd{"SettingsPages", {"late=60@r939:always"}, false, "einstellung", {}, 43},
    KeyingEnd{"Cleared", {}, false, "clear", {}, 43},
    KeyingEnd{"WindowClosed", {}, false, "quit", {}, 43}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// No 100 in the table: the user says which group; a power between two
// levels picks the nearer (with the message), one above the group its
// last; a channel outside the table shows no frequency; a silent device
// leaves the start button disabled.
TEST_F(KeyingTest, OpeningTheTabReadsAsFarAsTheDeviceAllows) {
    Dialogs::QueueAnswer(Dialogs::Yes);
    OpenKeyingTab({"--set", "1215=99", "--set", "912=45", "--set", "910=128"});
    auto& ui = Form1->ui;
    EXPECT_EQ(Dialogs::History().at(0).text, "Ist die Steuerungs-HF ein HighPower Modul?");
    EXPECT_EQ(ui.HighPower->ItemIndex(), 8);
    EXPECT_NE(LastMessage().find("nearest level"), std::string::npos);
    // 910 past the table (past register 65535 too): nothing more is read.
    sim_->Command("set 910=65535");
    Dialogs::QueueAnswer(Dialogs::No);
    const size_t mark = SimLog().size();
    ui.newParameter->click();
    EXPECT_TRUE(ui.LowPower->isVisibleTo(ui.Sendertastung) && ui.Button4->isEnabled());
    EXPECT_EQ(ui.LowPower->ItemIndex(), 3); // 45 lies above 0, 8, 15, 20
    EXPECT_TRUE(ui.FSaktuFrequenz->text().isEmpty());
    EXPECT_EQ(Requests(mark).back(), "r910");
    sim_->Command("fault silence@next:always");
    ui.newParameter->click();
    EXPECT_EQ(LastMessage(), "Error!\nKommunikationsfehler mit der Steuerung!!");
    EXPECT_FALSE(ui.Button4->isEnabled());
    EXPECT_TRUE(ui.newParameter->isEnabled() && !Form1->KeyingPageBusy);
}

// The power value starts unset, and the test keys only at a level the
// chosen group has: the 4-level group has no level 4.
TEST_F(KeyingTest, StartsOnlyAtALevelOfTheChosenGroup) {
    OpenKeyingTab({});
    TSendertastung& test = *Form1->Sendertastung;
    const size_t mark = SimLog().size();
    EXPECT_FALSE(test.PowerValue() || test.Start());
    test.SetHighPower(false);
    EXPECT_TRUE(test.SetPowerLevel(3));
    EXPECT_FALSE(test.SetPowerLevel(4));
    EXPECT_EQ(LastMessage(), PowerLevelRefusal(4));
    EXPECT_EQ(test.PowerValue(), KeyingPowerValue(false, 3));
    EXPECT_EQ(SimLog().size(), mark);
}
