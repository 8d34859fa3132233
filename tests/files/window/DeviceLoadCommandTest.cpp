// Loading a parameter file into the device end to end against the
// simulator: the writes and lock states of its log, what the device holds
// afterwards, the messages, the transfer window's log and the status. Also
// the files that travel from device to device: a frequency plan, and a dump
// the converter turned into a customer file bound to a serial number.
#include "device/RegisterMap.h"
#include "device/window/ReadFixture.h"
#include "files/window/FileCommands.h"
#include "files/window/FileFixture.h"
#include "files/window/KonverterDlg.h"

#include <QComboBox>
#include <QTimer>

#include <iterator>

namespace {

// The last n items, "|"-separated.
std::string Join(const Lines& items, size_t n = 100) {
    std::string out;
    for (size_t i = items.size() - std::min(n, items.size()); i < items.size(); ++i)
        out += (out.empty() ? "" : "|") + items[i];
    return out;
}

} // namespace

class LoadTest : public ReadTest {
protected:
    void SetUp() override {
        ReadTest::SetUp();
        // The messages with arguments show them.
        std::string lang = ReadFile(dir_ / "default.lang");
        for (const std::string id : {"$T30036", "$T30037", "$T30090"})
            lang.replace(lang.find(id + "GB="), 17,
                         id + "GB=" + id + " %S%" + (id == "$T30090" ? "" : "/%S%"));
        WriteFile(dir_ / "default.lang", lang);
    }

    void SwapDevice(const std::vector<std::string>& args) {
        ClosePort();
        StartSim(args);
        PortName = sim_->PtyPath();
        ASSERT_TRUE(OpenPort());
    }

    // The writes since Load: "reg=value" for one register, "first[count]" for
    // a block.
    std::string Writes() const {
        std::vector<std::string> out;
        const std::vector<SimExchange> log = SimLog();
        for (size_t i = mark_; i < log.size(); ++i)
            if (log[i].writeCount > 0)
                out.push_back(std::to_string(log[i].writeFirst) +
                              (log[i].writeCount == 1
                                   ? "=" + std::to_string(log[i].written[0])
                                   : "[" + std::to_string(log[i].writeCount) + "]"));
        return Join(out, out.size());
    }

    // F9 with the file chosen; the window is back as it was afterwards.
    void Load(const fs::path& file) {
        mark_ = SimLog().size();
        Dialogs::QueueFileName(file.string());
        Form1->SaveToStrgClick();
        EXPECT_TRUE(Form1->TransferIdle && Form1->ui.SaveToStrg->isEnabled());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }

    size_t mark_ = 0;
};

TEST_F(LoadTest, EditorSaveOfOneDeviceGoesIntoAnotherOfItsType) {
    StartWithDevice({"--type", "0x21"});
    ASSERT_TRUE(Read());
    RegisterImage[RegisterMap.defstationsadresse] ^= 0x15;
    DeviceSettingsChanged = 1;
    const TRegisterImage saved = RegisterImage;
    Dialogs::QueueFileName((dir_ / "set.qdv").string());
    Form1->savebuttonClick();

    SwapDevice({"--type", "0x21"});
    // The change was not written to the first device: the user is asked.
    Dialogs::QueueModal([](QDialog&) { return int(Dialogs::Yes); });
    Load(dir_ / "set.qdv");
    EXPECT_EQ(CountModals("Tdatenladen1"), 1);
    for (int reg = 900; reg <= 1471; ++reg)
        ASSERT_TRUE(reg == 999 || SimValue(reg) == saved[reg - 900]) << reg;
    EXPECT_TRUE(Writes().ends_with("|999=0"));
    EXPECT_EQ(Join(Form4->LogLines()), "$T30090 100|***End***"); // the data line of 999 skipped
    EXPECT_EQ(Status(), "$T29010");
    EXPECT_EQ(Form4->Progress(), Form4->ProgressMaximum());
    EXPECT_TRUE(ImageIsClear());
    EXPECT_EQ(sim_->Command("lock?"), "locked");
}

struct LoadCase {
    const char* name;
    std::string sim;   // the simulator's arguments
    std::string file;  // *.qdv: through the codec with the bindings below
    std::string lines; // "up": registers 900..959 of 1, in runs of 10
    int serial, type;
    bool service;
    int question; // the answer to the unsaved-edits question; 0: none asked
    std::string writes, log, shown, status;
};

void PrintTo(const LoadCase& c, std::ostream* os) {
    *os << c.name;
}

class LoadCaseTest : public LoadTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(LoadCaseTest, WritesWhatTheFileHoldsOrNothing) {
    const LoadCase& c = GetParam();
    std::istringstream words(c.sim);
    StartWithDevice({std::istream_iterator<std::string>(words), {}});
    ServiceMode = c.file.ends_with(".rtu");
    TStringList lines;
    for (int reg = 900; c.lines == "up" && reg < 960; ++reg)
        lines.Add("r" + std::to_string(reg) + "=1");
    if (c.lines != "up")
        lines.SetText(c.lines);
    TKundenFile header;
    header.SetSerial(c.serial);
    header.SetControllerType(c.type);
    header.SetServiceMode(c.service);
    header.Info().SetVersion(FileFormatVersion);
    std::ofstream(dir_ / c.file) << (c.file.ends_with(".qdv") ? header.Write(lines) : lines.Text());
    if (c.question) {
        RadioSettingsChanged = 1;
        Dialogs::QueueModal([&c](QDialog&) { return c.question; });
    }
    // While the unlock pause runs, no command reaches the link or the image
    // and the window does not close.
    QTimer pause;
    bool busy = false;
    QObject::connect(&pause, &QTimer::timeout, [&] {
        bool canClose = true;
        Form1->FormCloseQuery(canClose);
        Form1->ClosePending = false;
        busy = !canClose && !Form1->TransferIdle && !Form1->ui.openbutton->isEnabled() &&
               !Form1->ui.ToolButton2->isEnabled() && !Form1->ui.SaveFileatDevice1->isEnabled();
    });
    const bool unlockLines = c.lines.starts_with("; dump\nr999=$20AA");
    if (unlockLines)
        pause.start(100);
    Load(dir_ / c.file);
    pause.stop();

    EXPECT_EQ(Writes(), c.writes);
    EXPECT_EQ(Join(Form4->LogLines()), c.log);
    EXPECT_EQ(Join(Messages()), c.shown);
    EXPECT_EQ(Status(), c.status);
    EXPECT_EQ(sim_->Command("lock?"), c.sim.find("hangup") != std::string::npos ? ""
                                      : c.sim.ends_with("=0@r999:always")       ? "unlocked"
                                                                                : "locked");
    const bool relockFailed = c.log.find("$T30099") != std::string::npos; // red and logged
    EXPECT_EQ(ProgramLog().find("$T30099") != std::string::npos, relockFailed);
    EXPECT_EQ(Form4->LogColor() == QColor(Qt::red), relockFailed); // every timeout fails it too
    EXPECT_EQ(CountModals("Tdatenladen1"), c.question ? 1 : 0);
    if (c.status.starts_with("$T2901")) {
        EXPECT_EQ(Form4->Progress() < Form4->ProgressMaximum(), c.status == "$T29012");
    }
    if (c.lines == "up") { // the bar stops before the fifth run of 10, which got no answer
        EXPECT_EQ(Form4->Progress(), 40);
    }
    if (unlockLines) {
        const std::vector<SimExchange> log = SimLog();
        EXPECT_TRUE(busy);
        EXPECT_GE(log[mark_ + 1].atMs - log[mark_].atMs, 200.0);
        EXPECT_EQ(log[mark_ + 2].lock, "unlocked");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, LoadCaseTest,
    ::testing::Values(
        LoadCase{"UnlockLinesThenProtectedRegisters", "", "u.rtu",
                 "; dump\nr999=$20AA\nr999=$2446\nr1216=$11\nr1217=$12\nr1218=$13\nr905=$42", -1,
                 -1, false, 0, "999=8362|999=9286|999=9286|1216=17|1217[2]|905=66|999=0",
                 "***End***", "", "$T29010"},
        // The first code alone unlocks; the relock is not taken at either write.
        LoadCase{"RelockNotTaken", "--fault ignore-writes=0@r999:always", "v.rtu",
                 "r999=$20AA\nr1216=$11", -1, -1, false, 0, "999=8362|999=9286|1216=17|999=0|999=0",
                 "$T30099|***End***", "", "$T29012"},
        LoadCase{"ServiceFlagFileNamedInLowerCase", "", "x.qdv", "1216=11\n1217=12", -1, -1, true,
                 0, "999=8362|999=9286|1216[2]|999=0", "***End***", "", "$T29010"},
        LoadCase{"BoundToAnotherSerial", "--set 908=1235", "s.qdv", "900=1", 1234, -1, false, 0, "",
                 "", "$T30036 1234/1235", "$T29008"},
        LoadCase{"BoundToAnotherType", "", "t.qdv", "900=1", -1, 0x99, false, 0, "", "",
                 "$T30037 0099/KVL-420 GN", "$T29008"},
        LoadCase{"SilentAtTheBinding", "--fault silence@r908:always", "q.qdv", "900=1", 1234, -1,
                 false, 0, "", "", "$T30028", "$T29002"},
        LoadCase{"SilentAtTheTypeCheck", "--fault silence@r906:always", "y.qdv", "900=1", -1, 0x21,
                 false, 0, "", "", "$T30028", "$T29002"},
        LoadCase{"ServiceFlagFileWithoutRegisters", "", "n.qdv", "", -1, -1, true, 0, "", "",
                 "$T30038", "$T29008"},
        // A name in upper case is written as the lines are: blank lines only.
        LoadCase{"CustomerFileOfBlankLines", "", "w.QDV", "\n \n\n", -1, -1, false, 0, "", "",
                 "$T30038", "$T29008"},
        LoadCase{"ServiceFileWithASyntaxError", "", "e.qdv", "900=1\n901=12345", -1, -1, true, 0,
                 "", "File Error!|***End***", "$T30009", "$T29012"},
        LoadCase{"NameOfTheOtherKindLast", "", "k.rtu", "r900=$1\nr901=$2\n902=$3", -1, -1, false,
                 0, "", "File Error!|***End***", "$T30008", "$T29012"},
        LoadCase{"OneRegisterIgnored", "--fault ignore-writes@r957", "i.rtu",
                 "r957=4711\nr950=4711", -1, -1, false, 0, "957=4711|950=4711|999=0",
                 "Error Reg.Nr.: 957|***End***", "", "$T29012"},
        LoadCase{"OneRegisterOfABlockIgnored", "--protect 957-957", "p.rtu",
                 "r956=4711\nr957=4711\nr958=4711", -1, -1, false, 0, "956[3]|999=0",
                 "Error Reg.Nr.: 957|***End***", "", "$T29012"},
        // A device that stays locked shows in the protected register it refuses.
        LoadCase{"UnlockRegisterIgnored", "--fault ignore-writes@r999:always", "l.rtu",
                 "r999=$20AA\nr999=$2446\nr1216=$1", -1, -1, false, 0,
                 "999=8362|999=9286|999=9286|1216=1|999=0", "Error Reg.Nr.: 1216|***End***", "",
                 "$T29012"},
        // Three tries of the fifth block and of each write of the relock, nothing else.
        LoadCase{"SilentFromBlock5", "--fault silence@5:always", "b.rtu", "up", -1, -1, false, 0,
                 "900[10]|910[10]|920[10]|930[10]|940[10]|940[10]|940[10]|999=0|999=0|999=0|"
                 "999=0|999=0|999=0",
                 "$T30099|Timeout Error!|***End***", "", "$T29012"},
        LoadCase{"SilentAtASingleWrite", "--fault silence@2:always", "d.rtu", "r959=1\nr958=1", -1,
                 -1, false, 0, "959=1|958=1|958=1|958=1|999=0|999=0|999=0|999=0|999=0|999=0",
                 "$T30099|Timeout Error!|***End***", "", "$T29012"},
        // The line closes with the fifth block: nothing follows.
        LoadCase{"HangUpMidLoad", "--fault hangup@5", "h.rtu", "up", -1, -1, false, 0,
                 "900[10]|910[10]|920[10]|930[10]|940[10]", "$T30099|Timeout Error!|***End***", "",
                 "$T29012"},
        LoadCase{"UnsavedEditsKeptOnCancel", "", "c.rtu", "r900=$1", -1, -1, false, Dialogs::Cancel,
                 "", "", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LoadTest, AFrequencyPlanCarriedToAnotherModemIsWrittenBehindTheUnlock) {
    StartWithDevice({"--type", "0x21", "--channels", "20"});
    ASSERT_TRUE(Read());
    for (size_t i = 0; i < 20; ++i)
        RegisterImage[316 + i] = 34650 + 3 * static_cast<uint32_t>(i);
    const TRegisterImage plan = RegisterImage;
    ServiceMode = 1;
    Dialogs::QueueFileName((dir_ / "plan").string(), RegisterTextFileFilter);
    Form1->FSetSpeichernClick();
    // Two lines that move the active channel, each told.
    std::ofstream(dir_ / "PLAN.RTU", std::ios::app) << "r910=0\r\nr910=2\r\n";

    SwapDevice({"--type", "0x21", "--channels", "3"});
    ASSERT_TRUE(Read());
    Form1->FSetAendernClick();
    Dialogs::ClearHistory();
    Dialogs::QueueModal([](QDialog&) { return int(Dialogs::Yes); });
    Dialogs::QueueFileName((dir_ / "PLAN.RTU").string());
    Form1->FSetLadenClick();
    EXPECT_EQ(Join(Messages()) + "|" + Status(), "$T30021\n$T30050|$T30021\n$T30050|$T29009");
    EXPECT_EQ(Form1->ui.FAnzahl->currentIndex(), 19);
    mark_ = SimLog().size();
    Dialogs::QueueAnswer(Dialogs::Yes);
    Form1->up_loadClick();
    // The tables behind the unlock sequence, each followed by the active channel again.
    EXPECT_TRUE(Writes().ends_with("|999=8362|999=9286|1150=19|1216[15]|1231[5]|910=3|910=2|"
                                   "1344[15]|1359[5]|910=3|910=2|999=0"))
        << Writes();
    ASSERT_TRUE(Read());
    EXPECT_TRUE(std::equal(&RegisterImage[316], &RegisterImage[336], &plan[316]));
}

TEST_F(LoadTest, AConvertedDumpBoundToASerialLoadsOnlyIntoThatDevice) {
    StartWithDevice({"--type", "0x21", "--set", "908=1234"});
    const fs::path lower = dir_ / "lower";
    fs::create_directory(lower);
    std::ofstream(lower / "DUMP.RTU")
        << "r999=$20AA\r\nr999=$2446\r\nr1216=$1234\r\nr1217=$0005\r\n; end\r\nr999=$0000\r\n";
    TKonverterDlg1& d = *KonverterDlg1;
    const auto name = [](const fs::path& path) { return ToQString(path.string()); };
    // OK shows message; the dialog stays open with its entries until it converts:
    // a refusal neither accepts nor rejects it.
    int closed = 0;
    const auto closing = QObject::connect(&d, &QDialog::finished, [&closed] { ++closed; });
    const auto ok = [&d, &closed](const std::string& message) {
        Dialogs::ClearHistory();
        d.OKBtnClick();
        EXPECT_EQ(Join(Messages()), message);
        const bool written = message == "Datei wurde geschrieben!";
        EXPECT_EQ(std::pair(d.result() == QDialog::Accepted, closed),
                  std::pair(written, int(written)))
            << message;
    };
    Dialogs::QueueModal([&](QDialog&) {
        d.ui.orgfile->setText(name(lower / "none.rtu")), d.ui.kdfile->setText("x");
        ok("$T30072");
        Dialogs::QueueFileName((lower / "dump").string());
        d.orgbuttonClick(); // the source completed, the target beside it
        d.ui.StrTyp->setChecked(true);
        ok("$T30103");
        d.ui.StrTyp->setChecked(false);
        Dialogs::QueueFileName((dir_ / "no" / "x").string());
        d.kbuttonClick();
        EXPECT_EQ(d.ui.kdfile->text(), name(dir_ / "no" / "X.QDV"));
        ok("$T30071");
        d.ui.kdfile->setText(name(lower / "DUMP.QDV"));
        d.ui.servmode->setChecked(true), d.ui.SNummer->setChecked(true);
        d.ui.Edit1->setText("1234");
        ok("Datei wurde geschrieben!");
        return d.result();
    });
    Form1->KonverterClick();
    QObject::disconnect(closing);
    for (const char* serial : {"908=1234", "908=39"}) {
        if (serial[4] == '3')
            SwapDevice({"--type", "0x21", "--set", serial});
        Dialogs::ClearHistory();
        Load(lower / "DUMP.QDV");
        const bool bound = serial[4] == '1';
        EXPECT_EQ(Writes(), bound ? "999=8362|999=9286|1216[2]|999=0" : "");
        EXPECT_EQ(Join(Messages()), bound ? "" : "$T30036 1234/39");
    }
}
