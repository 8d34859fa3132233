// The read command end to end: the real serial path against the simulator.
#include "device/ChangeFlags.h"
#include "device/PowerTable.h"
#include "device/window/ReadFixture.h"
#include "device/window/Stwaehlen.h"
#include "link/LineSettings.h"
#include "link/PortSettings.h"
#include "link/Reader.h"
#include "platform/Application.h"

#include <QApplication>
#include <QColor>
#include <QComboBox>
#include <QLabel>

#include <algorithm>
#include <cctype>
#include <ostream>
#include <tuple>
#include <utility>

namespace {

using Request = std::pair<int, int>; // first register, count

// A clean read: the type register once, then every block twice.
std::vector<Request> CleanReadRequests() {
    std::vector<Request> r = {{906, 1}};
    for (int first = 900; first < 1450; first += 50) {
        r.emplace_back(first, 50);
        r.emplace_back(first, 50);
    }
    r.emplace_back(1450, 22);
    r.emplace_back(1450, 22);
    return r;
}

// The log's requests from exchange `from` on. A run of one request may hold extra repeats
// sent the gap limit after a clean answer (a busy machine held it up; giving up was right).
::testing::AssertionResult SameRequests(const std::vector<SimExchange>& log,
                                        const std::vector<Request>& expected, size_t from = 0) {
    std::vector<std::tuple<Request, size_t, size_t>> seen, wanted; // request, count, extras
    const auto add = [](auto& runs, const Request& request, bool forced) {
        if (runs.empty() || std::get<0>(runs.back()) != request)
            runs.emplace_back(request, 0, 0);
        auto& [r, count, extras] = runs.back();
        extras += count++ > 0 && forced;
    };
    for (size_t i = std::min(from, log.size()); i < log.size(); ++i)
        add(seen, {log[i].first, log[i].count},
            i > from && log[i - 1].answered && log[i - 1].faults.empty() &&
                log[i].atMs - log[i - 1].atMs >= mop::gapLimitMs);
    for (const Request& request : expected)
        add(wanted, request, false);
    if (std::equal(seen.begin(), seen.end(), wanted.begin(), wanted.end(),
                   [](const auto& s, const auto& w) {
                       const auto [request, count, extras] = s;
                       return request == std::get<0>(w) && count >= std::get<1>(w) &&
                              count - std::get<1>(w) <= extras;
                   }))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "runs seen: " << ::testing::PrintToString(seen);
}

std::string ReplaceOnce(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

const std::vector<std::string> timeoutLines = {"Timeout Error!", "***End***"};
const std::vector<std::string> readErrorLines = {"Read Error!", "***End***"};

} // namespace

// --- clean reads -------------------------------------------------------

struct FullReadCase {
    const char* name;
    uint32_t type;
    int family;
    uint8_t lowPower; // the shipped power tables need no chooser
    uint8_t has3964R;
};

void PrintTo(const FullReadCase& c, std::ostream* os) {
    *os << c.name;
}

class FullReadTest : public ReadTest, public ::testing::WithParamInterface<FullReadCase> {};

TEST_P(FullReadTest, FillsTheImageAsTheDeviceHoldsItInTwentyFiveExchanges) {
    const FullReadCase& c = GetParam();
    StartWithDevice({"--type", std::to_string(c.type)});
    LowPowerModule = c.lowPower ? 0 : 1;
    ASSERT_TRUE(Read());

    EXPECT_EQ(Status(), "$T29001");
    EXPECT_EQ(Form4->Progress(), 571);
    EXPECT_FALSE(Form4->isVisible()); // closes itself after a clean read
    EXPECT_EQ(DeviceFamily, c.family);
    EXPECT_EQ(RegisterImage[DeviceTypeCell], c.type);
    EXPECT_EQ(FirstDifferenceFromSim(), -1);
    for (int i = LastImageRegister - FirstImageRegister + 1; i < RegisterImageSize; ++i)
        ASSERT_EQ(RegisterImage[i], 0u) << i;

    const std::vector<SimExchange> log = SimLog();
    EXPECT_TRUE(SameRequests(log, CleanReadRequests()));
    for (const SimExchange& ex : log) {
        EXPECT_TRUE(ex.answered) << ex.number;
        EXPECT_EQ(ex.faults, "") << ex.number;
    }

    EXPECT_TRUE(Form1->ui.funk->isEnabled());
    EXPECT_TRUE(Form1->ui.einstellung->isEnabled());
    EXPECT_TRUE(Form1->ui.savebutton->isEnabled());
    EXPECT_TRUE(Form1->ui.up_load->isEnabled());
    EXPECT_TRUE(Form1->ui.down_load->isEnabled());
    EXPECT_TRUE(Form1->ui.ToolButton2->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    EXPECT_EQ(LowPowerModule, c.lowPower);
    EXPECT_EQ(CountModals("Tstwaehlen"), 0);
    EXPECT_EQ(Form1->Has3964R, c.has3964R);
    EXPECT_EQ(RadioSettingsChanged, 0);
}

INSTANTIATE_TEST_SUITE_P(Families, FullReadTest,
                         ::testing::Values(FullReadCase{"RadioModem", 0x21, 0x21, 0, 0},
                                           FullReadCase{"Telemetry", 0x10, 0x10, 1, 0},
                                           FullReadCase{"Telemetry13", 0x13, 0x10, 1, 0},
                                           FullReadCase{"Gateway", 0xD1, 0xD0, 0, 0},
                                           FullReadCase{"Radio3964R", 0x70, 0x21, 0, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReadTest, LastBlockReachesTheLastEntryOfAFullChannelTable) {
    StartWithDevice({"--type", "0x21", "--channels", "128"});
    ASSERT_TRUE(Read());
    ASSERT_EQ(Status(), "$T29001");
    EXPECT_EQ(RegisterImage[250], 127u); // channels in use minus 1, register 1150
    // Entry 127: channel number in register 1343, step in register 1471.
    EXPECT_NE(RegisterImage[443], 0u);
    EXPECT_EQ(static_cast<long>(RegisterImage[443]), SimValue(1343));
    EXPECT_NE(RegisterImage[571], 0u);
    EXPECT_EQ(static_cast<long>(RegisterImage[571]), SimValue(1471));
}

// --- identification failures -------------------------------------------

TEST_F(ReadTest, SilentDeviceEndsWithATimeOutAndAClearImage) {
    StartWithDevice({"--fault", "silence@1:always"});
    ASSERT_TRUE(Read(3000));

    EXPECT_EQ(Status(), "$T29002");
    EXPECT_EQ(Form4->LogLines(), timeoutLines);
    EXPECT_EQ(Form4->LogColor(), QColor(Qt::red));
    EXPECT_TRUE(Form4->isVisible());
    EXPECT_TRUE(Form4->CloseEnabled());
    EXPECT_TRUE(Form1->ui.down_load->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(ImageIsClear());
    EXPECT_EQ(DeviceFamily, 0);
    EXPECT_EQ(Form1->Reader, nullptr);
    EXPECT_NE(ProgramLog().find("Read failed: no answer from the device"), std::string::npos);
    // The type request, sent three times, never answered.
    const std::vector<SimExchange> log = SimLog();
    EXPECT_TRUE(SameRequests(log, {{906, 1}, {906, 1}, {906, 1}}));
    for (const SimExchange& ex : log)
        EXPECT_FALSE(ex.answered) << ex.number;
}

// A type read that fails other than by silence ends as above, saying what
// failed (a lost port is told by the same end: see
// PortThatVanishesDuringTheReadFailsCleanly).
TEST_F(ReadTest, OnlyWrongAnswersToTheTypeReadAreToldAndLogged) {
    StartWithDevice({"--fault", "wrong-echo@1:always"});
    ASSERT_TRUE(Read(3000));
    EXPECT_EQ(Form4->LogLines(), (std::vector<std::string>{"$T30083", "***End***"}));
    EXPECT_EQ(Status(), "$T29002");
    EXPECT_NE(ProgramLog().find("Read failed: wrong answer from the device"), std::string::npos);
}

TEST_F(ReadTest, UnknownTypeIsRefusedWithoutStartingTheReader) {
    StartWithDevice({"--set", "906=21"}); // 0x15
    ASSERT_TRUE(Read(3000));

    EXPECT_EQ(CountMessages("$T30013"), 1);
    EXPECT_EQ(Dialogs::History().back().caption, "$T30021");
    EXPECT_TRUE(ImageIsClear());
    EXPECT_EQ(DeviceFamily, 0);
    EXPECT_EQ(Form1->Reader, nullptr);
    EXPECT_TRUE(Form1->TransferIdle);
    EXPECT_TRUE(Form1->ui.down_load->isEnabled());
    EXPECT_FALSE(Form1->ui.funk->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(SameRequests(SimLog(), {{906, 1}}));
}

TEST_F(ReadTest, UnknownTypeAfterAReadDropsThePreviousData) {
    StartWithDevice({"--type", "0x21"});
    ASSERT_TRUE(Read());
    ASSERT_EQ(DeviceFamily, 0x21);
    const size_t first = SimLog().size();
    ASSERT_FALSE(sim_->Command("set 906=21").empty());

    Dialogs::QueueModal([](QDialog&) { return Dialogs::Yes; });
    ASSERT_TRUE(Read(3000));
    EXPECT_EQ(CountMessages("$T30013"), 1);
    EXPECT_TRUE(ImageIsClear());
    EXPECT_EQ(DeviceFamily, 0);
    EXPECT_FALSE(Form1->ui.funk->isEnabled());
    EXPECT_FALSE(Form1->ui.up_load->isEnabled());
    EXPECT_TRUE(Form1->ui.down_load->isEnabled());
    EXPECT_TRUE(SameRequests(SimLog(), {{906, 1}}, first)) << "only the type request";
}

// --- failures during the block read ------------------------------------

TEST_F(ReadTest, DeviceThatStopsAnsweringInBlock7ClearsTheDataAndTheNextReadWorks) {
    // Request 14 is the first reading of block 7 (registers 1200 to 1249).
    StartWithDevice({"--type", "0x21", "--fault", "silence@14:always"});
    ASSERT_TRUE(Read(3000));

    EXPECT_EQ(Form4->LogLines(), timeoutLines);
    EXPECT_EQ(Form4->LogColor(), QColor(Qt::red));
    EXPECT_TRUE(Form4->isVisible());
    // Blocks 1 to 6 had been accepted before the data was cleared.
    EXPECT_EQ(Form4->Progress(), 1 + 6 * 50);
    EXPECT_EQ(RegisterImage[DeviceTypeCell], 0u);
    EXPECT_TRUE(ImageIsClear());
    EXPECT_EQ(DeviceFamily, 0);
    EXPECT_FALSE(Form1->ui.funk->isEnabled());
    EXPECT_TRUE(Form1->ui.down_load->isEnabled());
    EXPECT_TRUE(Form1->TransferIdle);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    const std::vector<SimExchange> log = SimLog();
    const std::vector<Request> clean = CleanReadRequests();
    std::vector<Request> expected(clean.begin(), clean.begin() + 13);
    expected.insert(expected.end(), 3, Request(1200, 50));
    EXPECT_TRUE(SameRequests(log, expected));
    for (const SimExchange& ex : log)
        EXPECT_EQ(ex.answered, ex.number < 14) << ex.number;

    // The program is usable: the device answers again and is read.
    ASSERT_FALSE(sim_->Command("clear").empty());
    ASSERT_TRUE(Read());
    EXPECT_EQ(Status(), "$T29001");
    EXPECT_EQ(DeviceFamily, 0x21);
    EXPECT_EQ(FirstDifferenceFromSim(), -1);
    EXPECT_TRUE(SameRequests(SimLog(), CleanReadRequests(), log.size()));
}

TEST_F(ReadTest, BlockThatDisagreesOnceInAMappedRegisterIsReadFourTimes) {
    // Register 910 (cell 10, the active channel) is mapped.
    StartWithDevice({"--type", "0x21", "--fault", "alternate@r910"});
    ASSERT_TRUE(Read());

    EXPECT_EQ(Status(), "$T29001");
    EXPECT_EQ(FirstDifferenceFromSim(), -1);
    std::vector<Request> expected = CleanReadRequests();
    expected.insert(expected.begin() + 1, 2, Request(900, 50));
    const std::vector<SimExchange> log = SimLog();
    EXPECT_TRUE(SameRequests(log, expected));
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[2].faults, "alternate"); // the first compare reading
}

TEST_F(ReadTest, BlockThatDisagreesTwiceEndsInAReadError) {
    StartWithDevice({"--type", "0x21", "--fault", "alternate@r910:always"});
    ASSERT_TRUE(Read(3000));

    EXPECT_EQ(Form4->LogLines(), readErrorLines);
    EXPECT_EQ(Form4->LogColor(), QColor(Qt::red));
    EXPECT_TRUE(Form4->isVisible());
    EXPECT_TRUE(ImageIsClear());
    EXPECT_EQ(DeviceFamily, 0);
    EXPECT_FALSE(Form1->ui.funk->isEnabled());
    EXPECT_TRUE(Form1->ui.down_load->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // Block 1 read four times, nothing after it.
    EXPECT_TRUE(SameRequests(SimLog(), {{906, 1}, {900, 50}, {900, 50}, {900, 50}, {900, 50}}));
    const std::string errors = ProgramLog();
    EXPECT_NE(errors.find("RS232 Read Error!"), std::string::npos) << errors;
}

TEST_F(ReadTest, AnswerWithAWrongRegisterCountEndsTheReadAtOnce) {
    // Request 14, the first reading of block 7, is answered with 51 registers.
    StartWithDevice({"--type", "0x21", "--fault", "wrong-count@14"});
    ASSERT_TRUE(Read(3000));

    EXPECT_EQ(Form4->LogLines(), readErrorLines);
    EXPECT_EQ(Form4->LogColor(), QColor(Qt::red));
    EXPECT_EQ(Form4->Progress(), 1 + 6 * 50);
    EXPECT_TRUE(ImageIsClear());
    EXPECT_EQ(DeviceFamily, 0);
    const std::vector<SimExchange> log = SimLog();
    ASSERT_EQ(log.size(), 14u);
    EXPECT_EQ(log.back().faults, "wrong-count");
    EXPECT_TRUE(Form1->ui.down_load->isEnabled());
}

// Answers that arrive disturbed once are recovered: the read succeeds.
class DisturbedAnswerTest : public ReadTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(DisturbedAnswerTest, ReadSucceeds) {
    const std::string fault = GetParam();
    StartWithDevice({"--type", "0x21", "--fault", fault});
    ASSERT_TRUE(Read(3000));

    EXPECT_EQ(Status(), "$T29001");
    EXPECT_EQ(Form4->Progress(), 571);
    EXPECT_EQ(DeviceFamily, 0x21);
    EXPECT_EQ(FirstDifferenceFromSim(), -1);
    const std::vector<SimExchange> log = SimLog();
    const std::string name = fault.substr(0, fault.find_first_of("=@"));
    int fired = 0;
    for (const SimExchange& ex : log)
        fired += ex.faults == name;
    EXPECT_EQ(fired, 1);
    EXPECT_GE(log.size(), CleanReadRequests().size());
    EXPECT_LE(log.size(), CleanReadRequests().size() + 2);
}

INSTANTIATE_TEST_SUITE_P(Faults, DisturbedAnswerTest,
                         ::testing::Values("garbage-before@3", "garbage-before=20@6", "split-5@4",
                                           "split-120@5", "trailing-bytes@7", "wrong-echo@8",
                                           "silence@9", "late=200@4", "wrong-register@10"),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return name;
                         });

TEST_F(ReadTest, PortThatVanishesDuringTheReadFailsCleanly) {
    StartWithDevice({"--type", "0x21", "--fault", "hangup@10"});
    ASSERT_TRUE(Read(3000));

    // The line went away at the first reading of block 5.
    EXPECT_EQ(Form4->Progress(), 1 + 4 * 50);
    EXPECT_EQ(Form4->LogLines(), (std::vector<std::string>{"$T30084", "***End***"}));
    EXPECT_NE(ProgramLog().find("Read failed: connection to the device lost"), std::string::npos);
    EXPECT_EQ(Form4->LogColor(), QColor(Qt::red));
    EXPECT_TRUE(ImageIsClear());
    EXPECT_EQ(DeviceFamily, 0);
    EXPECT_TRUE(Form1->TransferIdle);
    EXPECT_TRUE(Form1->ui.down_load->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(sim_->WaitExit(1000));

    // Clear still works.
    Form1->ToolButton2Click();
    EXPECT_TRUE(Form1->ui.ToolButton2->isEnabled());
    EXPECT_TRUE(ImageIsClear());

    // The loss during the read is the read's to tell, not a notice's.
    EXPECT_EQ(CountMessages("$T30081"), 0);

    // Read on the vanished port fails at once: it cannot be opened again.
    // (The pty's name may belong to another test's simulator by now.)
    PortName = "/nonexistent/ostara-vanished-port";
    ASSERT_TRUE(Read(1000));
    EXPECT_EQ(Status(), "$T29002");
    EXPECT_TRUE(Form1->ui.down_load->isEnabled());
    EXPECT_TRUE(Form1->TransferIdle);

    // A new device on a new port is read.
    StartSim({"--type", "0x10"});
    PortName = sim_->PtyPath();
    ASSERT_TRUE(OpenPort());
    Form1->Mop->SetResponseTimeout(shortTimeoutMs);
    ASSERT_TRUE(Read());
    EXPECT_EQ(Status(), "$T29001");
    EXPECT_EQ(DeviceFamily, 0x10);
    EXPECT_EQ(FirstDifferenceFromSim(), -1);
}

// --- confirmation -----------------------------------------------------

TEST_F(ReadTest, ConfirmationAnsweredNoChangesNothingAndYesReadsAgain) {
    StartWithDevice({"--type", "0x21"});
    ASSERT_TRUE(Read());
    ASSERT_EQ(Status(), "$T29001");
    const TRegisterImage before = RegisterImage;
    const size_t exchanges = SimLog().size();
    // The device changes; only a read that runs can see it.
    ASSERT_FALSE(sim_->Command("set 903=0x4321").empty());

    for (int answer : {Dialogs::Cancel, Dialogs::No}) {
        Dialogs::QueueModal([answer](QDialog&) { return answer; });
        Form1->down_loadClick();
        RunUntil([] { return false; }, 100);
        EXPECT_EQ(Dialogs::Pending(), 0);
        EXPECT_EQ(CountModals("Tdatenladen1"), answer == Dialogs::Cancel ? 1 : 2);
        EXPECT_TRUE(RegisterImage == before);
        EXPECT_EQ(DeviceFamily, 0x21);
        EXPECT_EQ(SimLog().size(), exchanges);
        EXPECT_EQ(Status(), "");
        EXPECT_TRUE(Form1->TransferIdle);
        EXPECT_TRUE(Form1->ui.down_load->isEnabled());
        EXPECT_TRUE(Form1->ui.funk->isEnabled());
        EXPECT_TRUE(Form1->ui.up_load->isEnabled());
    }

    Dialogs::QueueModal([](QDialog&) { return Dialogs::Yes; });
    ASSERT_TRUE(Read());
    EXPECT_EQ(CountModals("Tdatenladen1"), 3);
    EXPECT_EQ(Status(), "$T29001");
    EXPECT_TRUE(SameRequests(SimLog(), CleanReadRequests(), exchanges));
    EXPECT_EQ(RegisterImage[3], 0x4321u);
    EXPECT_EQ(FirstDifferenceFromSim(), -1);
}

// --- power variant ----------------------------------------------------

struct ChooserCase {
    const char* name;
    uint32_t type;
    int family;
    const char* model; // the chooser offers "<model> 500mW" and "<model> 6W"
    int result;        // Dialogs::Ok or Dialogs::Cancel
    int item;          // selected before OK
    int lowPower;      // LowPowerModule after OK
};

void PrintTo(const ChooserCase& c, std::ostream* os) {
    *os << c.name;
}

class ChooserTest : public ReadTest, public ::testing::WithParamInterface<ChooserCase> {};

TEST_P(ChooserTest, PowerTableWithoutAKnownLayoutAsksForTheVariant) {
    const ChooserCase& c = GetParam();
    // A power table whose first value 100 is neither its 4th nor its 16th
    // entry, and with nothing nearer to 100 in those places.
    StartWithDevice({"--type", std::to_string(c.type), "--set", "1203=60", "--set", "1207=100"});
    LowPowerModule = c.lowPower ? 0 : 1;
    const int preselected = Form1->PowerChoice;
    std::vector<std::string> items;
    int shownIndex = -1;
    Dialogs::QueueModal([&](QDialog& dialog) -> int {
        auto& chooser = dynamic_cast<Tstwaehlen&>(dialog);
        for (int i = 0; i < chooser.ui.ComboBox1->count(); ++i)
            items.push_back(FromQString(chooser.ui.ComboBox1->itemText(i)));
        shownIndex = chooser.ui.ComboBox1->currentIndex();
        if (c.result != Dialogs::Ok)
            return c.result;
        chooser.ui.ComboBox1->setCurrentIndex(c.item);
        chooser.OkButtonClick();
        return Dialogs::Ok;
    });
    ASSERT_TRUE(Read());

    EXPECT_EQ(CountModals("Tstwaehlen"), 1);
    const std::string model = c.model;
    EXPECT_EQ(items, (std::vector<std::string>{model + " 500mW", model + " 6W"}));
    EXPECT_EQ(shownIndex, preselected);
    if (c.result == Dialogs::Ok) {
        EXPECT_EQ(LowPowerModule, c.lowPower);
        EXPECT_EQ(Form1->PowerChoice, c.item);
        EXPECT_EQ(DeviceFamily, c.family);
        EXPECT_EQ(RegisterImage[DeviceTypeCell], c.type);
        EXPECT_EQ(FirstDifferenceFromSim(), -1);
        EXPECT_TRUE(Form1->ui.funk->isEnabled());
        EXPECT_TRUE(Form1->ui.up_load->isEnabled());
    } else {
        EXPECT_TRUE(ImageIsClear());
        EXPECT_EQ(DeviceFamily, 0);
        EXPECT_EQ(Form1->PowerChoice, preselected);
        EXPECT_FALSE(Form1->ui.funk->isEnabled());
        EXPECT_FALSE(Form1->ui.up_load->isEnabled());
    }
    EXPECT_TRUE(Form1->ui.down_load->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ChooserTest,
    ::testing::Values(ChooserCase{"OkLowPower", 0x21, 0x21, "KVL-420", Dialogs::Ok, 0, 1},
                      ChooserCase{"OkHighPower", 0x21, 0x21, "KVL-420", Dialogs::Ok, 1, 0},
                      ChooserCase{"Cancel", 0x21, 0x21, "KVL-420", Dialogs::Cancel, 0, 0},
                      ChooserCase{"Telemetry13", 0x13, 0x10, "WBS-420", Dialogs::Ok, 0, 1},
                      ChooserCase{"Gateway860", 0xD1, 0xD0, "HNQ-860", Dialogs::Ok, 1, 0},
                      ChooserCase{"Radio3964R", 0x70, 0x21, "KVL-420/KXR", Dialogs::Ok, 0, 1}),
    [](const auto& info) { return std::string(info.param.name); });

// --- interlock and close ----------------------------------------------

TEST_F(ReadTest, CommandsThatTouchTheLinkOrTheImageWaitForTheReader) {
    StartWithDevice({"--type", "0x21", "--pace", "9600"});
    AllowSlowLine();
    const std::vector<QAction*> locked = {Form1->ui.down_load,   Form1->ui.up_load,
                                          Form1->ui.ToolButton2, Form1->ui.Clear1,
                                          Form1->ui.openbutton,  Form1->ui.BrowserEnable};
    std::vector<bool> before;
    for (QAction* a : locked)
        before.push_back(a->isEnabled());

    Form1->down_loadClick();
    ASSERT_FALSE(Form1->TransferIdle);
    // Block 1 is in the image.
    ASSERT_TRUE(RunUntil([] { return Form4->Progress() > 1; }, 3000));
    ASSERT_FALSE(Form1->TransferIdle) << "the read ended too early for this test";
    for (QAction* a : locked)
        EXPECT_FALSE(a->isEnabled()) << FromQString(a->objectName());
    EXPECT_EQ(Status(), "$T29004");

    Form1->ToolButton2Click();
    EXPECT_EQ(RegisterImage[DeviceTypeCell], 0x21u);
    EXPECT_EQ(DeviceFamily, 0x21);
    Form1->down_loadClick(); // refused: sends nothing
    EXPECT_EQ(CountModals("Tdatenladen1"), 0);

    ASSERT_TRUE(RunUntil([] { return Form1->TransferIdle && !Form1->Timer1->Enabled(); }, 8000));
    EXPECT_EQ(Status(), "$T29001");
    EXPECT_TRUE(SameRequests(SimLog(), CleanReadRequests()));
    EXPECT_EQ(FirstDifferenceFromSim(), -1);
    for (size_t i = 0; i < locked.size(); ++i) {
        const bool family = locked[i] == Form1->ui.up_load; // enabled by the read
        EXPECT_EQ(locked[i]->isEnabled(), family || before[i])
            << FromQString(locked[i]->objectName());
    }
    EXPECT_TRUE(Form1->ui.down_load->isEnabled());
    EXPECT_TRUE(Form1->ui.ToolButton2->isEnabled());
}

// Commands hidden during a transfer (the browser button before service mode, scan and converter
// while the browser is closed) come back enabled once shown; write and dump share the lock.
TEST_F(ReadTest, HiddenCommandsComeBackEnabledAfterATransfer) {
    StartWithDevice({"--type", "0x21"});
    ASSERT_TRUE(Read());
    TForm1::FirstArgument = "/qdvservice"; // shows the browser button
    Form1->FormActivate();
    EXPECT_TRUE(Form1->ui.BrowserEnable->isVisible() && Form1->ui.BrowserEnable->isEnabled());
    Form1->ui.BrowserEnable->trigger();
    ASSERT_TRUE(RunUntil([] { return !Form1->Timer2->Enabled() && Form1->TransferIdle; }));
    for (QAction* a : {Form1->ui.scanreg, Form1->ui.Konverter})
        EXPECT_TRUE(a->isVisible() && a->isEnabled()) << FromQString(a->objectName());
}

TEST_F(ReadTest, CloseDuringTheReadWaitsForTheReader) {
    StartWithDevice({"--type", "0x21", "--pace", "19200"});
    AllowSlowLine();
    Form1->show();
    Form1->down_loadClick();
    ASSERT_TRUE(RunUntil([] { return Form4->Progress() > 1; }, 3000));
    ASSERT_FALSE(Form1->TransferIdle) << "the read ended too early for this test";

    EXPECT_FALSE(Form1->close());
    EXPECT_TRUE(Form1->ClosePending);
    EXPECT_NE(Form1->Mop, nullptr);
    EXPECT_FALSE(Application().Terminated());

    ASSERT_TRUE(RunUntil([] { return Application().Terminated(); }, 8000));
    // The read ran to its end before the window let go of the link.
    EXPECT_TRUE(SameRequests(SimLog(), CleanReadRequests()));
    EXPECT_EQ(Form4->Progress(), 571);
    EXPECT_EQ(Status(), "$T29001");
    EXPECT_EQ(Form1->Mop, nullptr);
    EXPECT_FALSE(Form1->ClosePending);
}

// A close asked for during the read waits for the whole continuation,
// including the chooser's answer.
TEST_F(ReadTest, CloseRequestedDuringTheReadWaitsForTheChooser) {
    // The power table leaves the variant open: the chooser is shown at the end.
    StartWithDevice({"--type", "0x21", "--set", "1207=100", "--pace", "19200"});
    AllowSlowLine();
    Form1->show();
    bool linkDuringChooser = false;
    bool terminatedDuringChooser = true;
    Dialogs::QueueModal([&](QDialog& dialog) {
        // The user takes a moment: the chooser's own event loop runs, idle
        // moments included.
        RunUntil([] { return false; }, 100);
        linkDuringChooser = Form1->Mop != nullptr;
        terminatedDuringChooser = Application().Terminated();
        auto& chooser = dynamic_cast<Tstwaehlen&>(dialog);
        chooser.ui.ComboBox1->setCurrentIndex(0);
        chooser.OkButtonClick();
        return static_cast<int>(Dialogs::Ok);
    });
    Form1->down_loadClick();
    ASSERT_TRUE(RunUntil([] { return Form4->Progress() > 1; }, 3000));
    ASSERT_FALSE(Form1->TransferIdle) << "the read ended too early for this test";
    EXPECT_FALSE(Form1->close());
    EXPECT_TRUE(Form1->ClosePending);

    ASSERT_TRUE(RunUntil([] { return Application().Terminated(); }, 8000));
    EXPECT_EQ(CountModals("Tstwaehlen"), 1);
    EXPECT_TRUE(linkDuringChooser);
    EXPECT_FALSE(terminatedDuringChooser);
    EXPECT_EQ(LowPowerModule, 1);
    EXPECT_EQ(Form1->Mop, nullptr);
}

// --- register map failures --------------------------------------------

struct MapCase {
    const char* name;
    const char* find; // "" : no map file at all
    const char* replace;
    const char* message;
};

void PrintTo(const MapCase& c, std::ostream* os) {
    *os << c.name;
}

class MapFailureTest : public ReadTest, public ::testing::WithParamInterface<MapCase> {};

TEST_P(MapFailureTest, ReadStopsWithTheMapMessage) {
    const MapCase& c = GetParam();
    StartWithDevice({"--type", "0x21"});
    if (std::string(c.find).empty()) {
        std::filesystem::remove(dir_ / "steuerung.cfg");
    } else {
        const std::string shipped = ShippedMap();
        ASSERT_NE(shipped.find(c.find), std::string::npos);
        WriteMap(ReplaceOnce(shipped, c.find, c.replace));
    }
    ASSERT_TRUE(Read(3000));

    EXPECT_EQ(CountMessages(c.message), 1);
    ASSERT_FALSE(Dialogs::History().empty());
    EXPECT_EQ(Dialogs::History().back().caption, "$T30021");
    EXPECT_EQ(Form1->Reader, nullptr);
    EXPECT_EQ(DeviceFamily, 0);
    EXPECT_TRUE(Form1->TransferIdle);
    EXPECT_FALSE(Form1->Timer1->Enabled());
    EXPECT_TRUE(Form1->ui.down_load->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(SameRequests(SimLog(), {{906, 1}}));
}

INSTANTIATE_TEST_SUITE_P(
    Maps, MapFailureTest,
    ::testing::Values(MapCase{"Missing", "", "", "$T30030"},
                      MapCase{"NoWbs420Section", "\n[WBS420]", "\n[WBS42]", "$T30031"},
                      MapCase{"NoOwnSection", "\n[KVL420]", "\n[KVL42]", "$T30031"},
                      MapCase{"IndexOutsideTheImage", "\naktiv_zeit=44", "\naktiv_zeit=700",
                              "$T30031"}),
    [](const auto& info) { return std::string(info.param.name); });
