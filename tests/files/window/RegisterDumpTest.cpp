// The register dump end to end against the simulator, whose request log
// shows what was asked, and the dump opened again.
#include "device/window/ReadFixture.h"
#include "files/window/FileFixture.h"
#include "files/window/OKBottomDlg.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>

namespace {

using Requests = std::vector<std::pair<int, int>>; // first register, count

class DumpTest : public ReadTest {
protected:
    // A save in service mode to name (a register text file, answered Yes
    // when asked) with the range dialog answering OK.
    static void Dump(const fs::path& name, int from, int to, bool unlock = true,
                     bool append = false) {
        ServiceMode = 1;
        Dialogs::ClearHistory();
        Dialogs::QueueFileName(name.string());
        Dialogs::QueueAnswer(Dialogs::Yes);
        Dialogs::QueueModal([=](QDialog& d) {
            auto& dialog = dynamic_cast<TOKBottomDlg&>(d);
            dialog.ui.LabeledEdit1->setText(QString::number(from));
            dialog.ui.LabeledEdit2->setText(QString::number(to));
            dialog.ui.ServiceMode->setChecked(unlock);
            dialog.ui.anhaengen->setChecked(append);
            return int(Dialogs::Ok);
        });
        Form1->savebuttonClick();
    }

    Lines SimDump(int first, int last, Lines before = {}) {
        for (int reg = first; reg <= last; ++reg)
            before.push_back(
                DumpLine(static_cast<uint32_t>(reg), static_cast<uint32_t>(SimValue(reg))));
        return before;
    }

    // The requests of the simulator's log from the nth on.
    Requests Asked(size_t from = 0) const {
        Requests r;
        const std::vector<SimExchange> log = SimLog();
        for (size_t i = from; i < log.size(); ++i)
            r.emplace_back(log[i].first, log[i].count);
        return r;
    }

    static Lines FileLines(const fs::path& file) { return SplitLines(ReadFile(file)); }

    const Lines unlock_ = {UnlockLineFirst, UnlockLineSecond};
};

TEST_F(DumpTest, ARangeIsReadInChunksOf25AndAppendedWithoutSecondUnlockLines) {
    StartWithDevice({"--type", "0x21"});
    for (const auto& [from, to] : {std::pair(951, 950), std::pair(900, 65536)}) {
        Dump(dir_ / "x.rtu", from, to);
        EXPECT_EQ(Messages(), Lines{"$T30004"}); // refused before anything is read
    }
    fs::create_directory(dir_ / "lower");
    Dump(dir_ / "lower" / "test", 900, 950);
    const fs::path file = dir_ / "lower" / "TEST.RTU";
    EXPECT_EQ(Asked(), (Requests{{900, 25}, {925, 25}, {950, 1}}));
    EXPECT_EQ(FileLines(file), SimDump(900, 950, unlock_));
    EXPECT_EQ(std::pair(Messages(), Status()), std::pair(Lines{"$T30003"}, std::string("$T29006")));
    EXPECT_EQ(Form4->LogLines(),
              (Lines{"Daten geladen!", "Daten geschrieben in \"" + file.string() + "\"!"}));
    Dump(file, 951, 960, true, true);
    EXPECT_EQ(FileLines(file), SimDump(951, 960, SimDump(900, 950, unlock_)));
}

TEST_F(DumpTest, AWrongAnswerLeavesItsChunkOutAndSilenceEndsTheDump) {
    struct Case {
        const char* fault;
        Requests asked;
        Lines file;
        Lines messages;
    };
    const Case cases[] = {
        {"wrong-register@r925:always",
         {{900, 25}, {925, 25}, {925, 25}, {925, 25}, {950, 1}},
         {"900-924", "950-950"},
         {"Error!\nWriteTimeDatenSatz (pruefAdr)!!!"}},
        {"silence@2:always",
         {{900, 25}, {925, 25}, {925, 25}, {925, 25}},
         {"900-924"},
         {"Error!\nWriteTimeDatenSatz!!!"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        StartWithDevice({"--type", "0x21", "--fault", c.fault});
        const size_t before = SimLog().size();
        Dump(dir_ / "part.rtu", 900, 950, false);
        EXPECT_EQ(Asked(before), c.asked);
        Lines expected;
        for (const std::string& range : c.file)
            expected = SimDump(std::stoi(range), std::stoi(range.substr(4)), expected);
        EXPECT_EQ(FileLines(dir_ / "part.rtu"), expected);
        EXPECT_EQ(std::pair(Messages(), Status()), std::pair(c.messages, std::string("$T29002")));
        EXPECT_EQ(Form4->LogLines().front(), "$T30073");
        EXPECT_EQ(Form4->LogLines().back(), "***End***");
        DestroyForms();
    }
}

TEST_F(DumpTest, WhileADumpRunsNoTransferStartsAndTheWindowStaysOpen) {
    StartWithDevice({"--type", "0x21", "--pace", "9600"});
    AllowSlowLine();
    bool checked = false;
    QTimer::singleShot(200, [&] {
        checked = !Form1->TransferIdle && !Form1->ui.down_load->isEnabled() &&
                  !Form1->ui.openbutton->isEnabled() && !Form1->close() && Form1->ClosePending;
    });
    Dump(dir_ / "busy.rtu", 900, 1471);
    Form1->ClosePending = false;
    EXPECT_TRUE(checked);
    EXPECT_TRUE(Form1->TransferIdle && Form1->ui.openbutton->isEnabled());
    EXPECT_EQ(Status(), "$T29006");
}

// A device read, saved into a lower-case folder, cleared and opened again
// shows what the device holds; so does its dump of the whole parameter set.
TEST_F(DumpTest, ASavedSetAndADumpOfTheDeviceOpenAsTheDeviceHoldsThem) {
    StartWithDevice({"--type", "0x21"});
    ASSERT_TRUE(Read());
    fs::create_directory(dir_ / "lower");
    ServiceMode = 0;
    Dialogs::QueueFileName((dir_ / "lower" / "set").string());
    Form1->ui.SaveFile1->trigger();
    ASSERT_TRUE(fs::exists(dir_ / "lower" / "SET.QDV"));
    Form1->ui.Clear1->trigger();
    ASSERT_EQ(DeviceFamily, FamilyNone);
    Open(dir_ / "lower" / "set");
    EXPECT_EQ(std::pair(Status(), DeviceFamily), std::pair(std::string("$T29009"), 0x21));
    EXPECT_EQ(FirstDifferenceFromSim(), -1);

    Dump(dir_ / "lower" / "all", 900, 1471);
    Open(dir_ / "lower" / "all");
    EXPECT_EQ(std::pair(Status(), DeviceFamily), std::pair(std::string("$T29009"), 0x21));
    EXPECT_EQ(RegisterImage[999 - 900], 0x20AAu); // the first line of 999: unlock
    RegisterImage[999 - 900] = static_cast<uint32_t>(SimValue(999));
    EXPECT_EQ(FirstDifferenceFromSim(), -1);
}

} // namespace
