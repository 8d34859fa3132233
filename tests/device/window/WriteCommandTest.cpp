// The write command end to end: a read from the simulator, an edit of the
// register image, and the write back through the family's writer.
#include "device/ChangeFlags.h"
#include "device/FrequencyLimits.h"
#include "device/RegisterMap.h"
#include "device/window/ReadFixture.h"
#include "link/PortSettings.h"
#include "platform/Application.h"

#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr int lockRegister = 999;
constexpr uint32_t unlockFirst = 8362;
constexpr uint32_t unlockSecond = 9286;
constexpr int channelTable = 1216;
constexpr int stepTable = 1344;
constexpr int blockSize = 15;

int Reg(int index) {
    return index + static_cast<int>(FirstImageRegister);
}

uint32_t& CellOf(int reg) {
    return RegisterImage[static_cast<size_t>(reg - static_cast<int>(FirstImageRegister))];
}

// The writes of the device's request log, one item per request: "reg=value"
// for a single register, "first[count]" for a block.
std::string Describe(const SimExchange& ex) {
    if (ex.writeCount == 1 && ex.written.size() == 1)
        return std::to_string(ex.writeFirst) + "=" + std::to_string(ex.written[0]);
    return std::to_string(ex.writeFirst) + "[" + std::to_string(ex.writeCount) + "]";
}

// What a write is expected to send, in the same notation.
class Expected {
public:
    void Single(int reg, uint32_t value) {
        items_.push_back(std::to_string(reg) + "=" + std::to_string(value & 0xFFFF));
    }
    void Cell(int reg) { Single(reg, CellOf(reg)); }
    void Key(int index) { Single(Reg(index), RegisterImage[static_cast<size_t>(index)]); }
    void Unlock() {
        Single(lockRegister, unlockFirst);
        Single(lockRegister, unlockSecond);
    }
    void Relock() { Single(lockRegister, 0); }
    // A table as blocks of up to 15 registers, then the active channel
    // applied again (a channel below the count: one up, then back).
    void Table(int first, int last) {
        for (int at = first; at <= last; at += blockSize)
            items_.push_back(std::to_string(at) + "[" +
                             std::to_string(std::min(blockSize, last - at + 1)) + "]");
        const uint32_t active = RegisterImage[static_cast<size_t>(RegisterMap.aktu_funkkanal)];
        Single(Reg(RegisterMap.aktu_funkkanal), active + 1);
        Single(Reg(RegisterMap.aktu_funkkanal), active);
    }
    // The frequency-table step of every writer.
    void FrequencyTables() {
        const int m = static_cast<int>(RegisterImage[RegisterMap.max_anzahl_funkkanal]);
        Unlock();
        Key(RegisterMap.max_anzahl_funkkanal);
        Table(channelTable, channelTable + m);
        Table(stepTable, stepTable + m);
        Relock();
    }
    // The single registers named so far (the lock register and the block
    // runs left out), each once.
    std::vector<int> Registers() const {
        std::vector<int> regs;
        for (const std::string& item : items_) {
            const size_t eq = item.find('=');
            if (eq == std::string::npos)
                continue;
            const int reg = std::stoi(item.substr(0, eq));
            if (reg != lockRegister && std::find(regs.begin(), regs.end(), reg) == regs.end())
                regs.push_back(reg);
        }
        return regs;
    }
    const std::vector<std::string>& Items() const { return items_; }

private:
    std::vector<std::string> items_;
};

// The single registers of a family writer, in order, for the image as it is
// (the frequency-table step and step 10 of family 0x10 are not included).
Expected FamilyWrites(int family, bool firmware53, bool has3964R, uint32_t impulseWord) {
    const TRegisterMap& m = RegisterMap;
    Expected e;
    e.Single(910, RegisterImage[m.aktu_funkkanal]);
    e.Single(911, RegisterImage[m.aktu_funkkanal]);
    switch (family) {
    case 0x21:
        e.Single(916, RegisterImage[m.defstationsadresse]);
        e.Single(917, RegisterImage[m.g_betriebsart]);
        if (firmware53)
            e.Cell(918);
        e.Single(912, RegisterImage[m.aktu_sendeleistung]);
        e.Single(913, RegisterImage[m.aktu_sendeleistung]);
        e.Single(944, RegisterImage[m.aktiv_zeit]);
        e.Single(934, RegisterImage[m.protokoll_com0]);
        e.Key(m.konf_com0);
        e.Cell(933);
        e.Cell(932);
        if (has3964R)
            e.Cell(936);
        break;
    case 0x10:
        e.Single(912, RegisterImage[m.aktu_sendeleistung]);
        e.Single(913, RegisterImage[m.aktu_sendeleistung]);
        e.Single(944, RegisterImage[m.aktiv_zeit]);
        e.Key(m.offset);
        e.Key(m.gain);
        e.Single(Reg(m.konf_impulsausgabe),
                 (RegisterImage[m.konf_impulsausgabe] & 0xFF00) | (impulseWord & 0xFF));
        e.Key(m.abtastrate);
        e.Key(m.konf_int_eing);
        e.Cell(917);
        e.Single(916, RegisterImage[m.defstationsadresse]);
        e.Key(m.benachbarte_zaehler);
        e.Key(m.t_time);
        e.Key(m.x_time);
        e.Key(m.konf_com0);
        e.Unlock();
        e.Key(m.protokoll_com0);
        e.Relock();
        break;
    case 0x30:
    case 0xD0:
        e.Single(916, RegisterImage[m.defstationsadresse]);
        e.Cell(918);
        // Only the HNQ-130 has a radio address.
        if (family == 0xD0)
            e.Key(m.deffunkadresse);
        e.Single(912, RegisterImage[m.aktu_sendeleistung]);
        e.Single(913, RegisterImage[m.aktu_sendeleistung]);
        e.Single(944, RegisterImage[m.aktiv_zeit]);
        // The HNQ-120's map names no protocol register: none is written (and
        // never register 900).
        if (family == 0xD0) {
            e.Key(m.protokoll_com0);
            e.Key(m.konf_com0);
        }
        for (int reg : {915, 958, 959, 960, 961, 962, 963, 964})
            e.Cell(reg);
        break;
    case 0x71:
        e.Single(912, RegisterImage[m.aktu_sendeleistung]);
        e.Single(913, RegisterImage[m.aktu_sendeleistung]);
        e.Single(917, RegisterImage[m.g_betriebsart]);
        e.Cell(935);
        e.Cell(936);
        break;
    default:
        break;
    }
    return e;
}

const std::vector<std::string> successLines = {"$T29003", "$T30003", "***End***"};
const std::vector<std::string> failureEnd = {"$T30026", "***End***"};

std::vector<std::string> LastLines(const std::vector<std::string>& lines, size_t n) {
    return std::vector<std::string>(lines.end() - static_cast<long>(std::min(n, lines.size())),
                                    lines.end());
}

} // namespace

class WriteTest : public ReadTest {
protected:
    void SetUp() override {
        ReadTest::SetUp();
        // The map as a freshly started program has it: keys a family's
        // section lacks read as index 0.
        RegisterMap = TRegisterMap{};
        std::fill(std::begin(InputDelayValues), std::end(InputDelayValues), 0);
    }

    // Starts the simulator, reads the parameter set and remembers where the
    // write's exchanges begin in the simulator's log.
    void StartAndRead(const std::vector<std::string>& args) {
        StartWithDevice(args);
        ASSERT_TRUE(Read());
        ASSERT_EQ(Status(), "$T29001");
        MarkLog();
    }

    void MarkLog() { mark_ = SimLog().size(); }

    // Presses Write with the question answered; returns the time it took.
    std::chrono::milliseconds Write(int answer = Dialogs::Yes) {
        Dialogs::QueueAnswer(answer);
        const auto start = std::chrono::steady_clock::now();
        Form1->up_loadClick();
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
    }

    // The simulator's exchanges since the mark.
    std::vector<SimExchange> Exchanges() const {
        std::vector<SimExchange> all = SimLog();
        if (all.size() <= mark_)
            return {};
        return std::vector<SimExchange>(all.begin() + static_cast<long>(mark_), all.end());
    }

    // The writes since the mark, as Expected describes them.
    std::vector<std::string> Writes() const {
        std::vector<std::string> out;
        for (const SimExchange& ex : Exchanges())
            if (ex.writeCount > 0)
                out.push_back(Describe(ex));
        return out;
    }

    // Registers 900..1471 in which the simulator and the image differ.
    std::vector<int> DifferencesFromSim() {
        std::vector<int> out;
        for (uint32_t reg = FirstImageRegister; reg <= LastImageRegister; ++reg)
            if (static_cast<long>(RegisterImage[reg - FirstImageRegister]) != SimValue(reg))
                out.push_back(static_cast<int>(reg));
        return out;
    }

    std::string Lock() { return sim_->Command("lock?"); }

    // Gives every listed register a value the device does not hold.
    static void ChangeAll(const std::vector<int>& regs) {
        uint32_t salt = 0x0101;
        for (int reg : regs)
            CellOf(reg) = (CellOf(reg) ^ salt++) & 0xFFFF;
    }

    static void MarkChanged() {
        RadioSettingsChanged = 1;
        DeviceSettingsChanged = 1;
    }

    static int Progress() { return Form4->Progress(); }
    static int ProgressMaximum() { return Form4->ProgressMaximum(); }

    static int CountQuestions() {
        int n = 0;
        for (const Dialogs::Shown& s : Dialogs::History())
            if (s.kind == "message" && s.text == "$T30027")
                ++n;
        return n;
    }

    // A refused write: nothing reached the device and the command is back.
    void ExpectNothingWritten() {
        EXPECT_EQ(Writes(), std::vector<std::string>{});
        EXPECT_TRUE(Form1->ui.up_load->isEnabled());
        EXPECT_FALSE(Form1->ui.up_load->isChecked());
        EXPECT_TRUE(Form1->TransferIdle);
        EXPECT_TRUE(Form1->ui.down_load->isEnabled());
    }

    // Writes a changed frequency table of a family 0x21 device and checks the
    // outcome: the family's writes and both tables, whose last blocks are the
    // two given (as "first[count]"), the device holding the image, relocked,
    // and the progress and log of a success.
    void WriteFrequencyTables(const std::string& lastChannelBlock,
                              const std::string& lastStepBlock) {
        Form1->FrequencyTableChanged = true;
        RadioSettingsChanged = 1;

        Write();

        Expected expected = FamilyWrites(0x21, true, false, 0);
        expected.FrequencyTables();
        const std::vector<std::string> writes = Writes();
        EXPECT_EQ(writes, expected.Items());
        EXPECT_NE(std::find(writes.begin(), writes.end(), lastChannelBlock), writes.end());
        EXPECT_NE(std::find(writes.begin(), writes.end(), lastStepBlock), writes.end());
        EXPECT_EQ(DifferencesFromSim(), std::vector<int>{});
        EXPECT_EQ(Lock(), "locked");
        EXPECT_EQ(Progress(), 313);
        EXPECT_EQ(Form4->LogLines(), successLines);
    }

    // Reads a family 0x21 device, changes one register as a parameter file
    // of a customer (with or without the service flag) does, and writes.
    void WriteAfterCustomerFile(bool serviceFlag) {
        StartAndRead({"--type", "0x21"});
        CellOf(944) ^= 0x0002;
        RadioSettingsChanged = 1;
        Form1->LoadedFromCustomerFile = true;
        Form1->CustomerFileServiceFlag = serviceFlag;

        Write();
    }

    size_t mark_ = 0;
};

// --- a full write per family --------------------------------------------

struct FamilyCase {
    const char* name;
    uint32_t type;
    int family;
    int maximum;
    bool has3964R;
};

void PrintTo(const FamilyCase& c, std::ostream* os) {
    *os << c.name;
}

class WriteFamilyTest : public WriteTest, public ::testing::WithParamInterface<FamilyCase> {};

TEST_P(WriteFamilyTest, WritesTheFamilyRegistersInOrderAndClearsTheFlags) {
    const FamilyCase& c = GetParam();
    StartAndRead({"--type", std::to_string(c.type)});
    ASSERT_EQ(DeviceFamily, c.family);
    ASSERT_EQ(Form1->Has3964R, c.has3964R ? 1 : 0);
    // The devices of the test hold firmware 5.3 or newer where it matters.
    const bool firmware53 = Form1->FirmwareHundredths >= 530;
    if (c.family == 0x21) {
        ASSERT_TRUE(firmware53);
    }

    // Every register the writer sends gets a new value; the impulse word's
    // low byte comes from the page's copy.
    const uint32_t impulseWord = 0xFFC3;
    ChangeAll(FamilyWrites(c.family, true, c.has3964R, 0).Registers());
    Form1->ImpulseWord = impulseWord;
    const Expected expected = FamilyWrites(c.family, firmware53, c.has3964R, impulseWord);
    // The page's copy of the impulse word is not the cell: the low byte
    // written must come from the copy.
    if (c.family == 0x10) {
        ASSERT_NE(RegisterImage[RegisterMap.konf_impulsausgabe] & 0xFF, impulseWord & 0xFF);
    }
    const uint32_t channel = RegisterImage[RegisterMap.aktu_funkkanal];
    const uint32_t power = RegisterImage[RegisterMap.aktu_sendeleistung];
    ASSERT_NE(CellOf(911), channel);
    ASSERT_NE(CellOf(913), power);
    MarkChanged();

    Write();

    EXPECT_EQ(Writes(), expected.Items());
    const std::vector<SimExchange> log = Exchanges();
    ASSERT_FALSE(log.empty());
    // The identity check comes first and writes nothing.
    EXPECT_EQ(log.front().first, 906);
    EXPECT_EQ(log.front().writeCount, 0);
    EXPECT_EQ(CountQuestions(), 1);

    // 911 and 913 take the current channel and power, not their own cells;
    // everything else on the device is the image.
    EXPECT_EQ(DifferencesFromSim(), (std::vector<int>{911, 913}));
    EXPECT_EQ(SimValue(911), static_cast<long>(channel));
    EXPECT_EQ(SimValue(913), static_cast<long>(power));
    if (c.family == 0x10) {
        EXPECT_EQ(RegisterImage[RegisterMap.konf_impulsausgabe] & 0xFF, impulseWord & 0xFF);
    }

    EXPECT_EQ(ProgressMaximum(), c.maximum);
    EXPECT_EQ(Progress(), c.maximum);
    EXPECT_EQ(Form4->LogLines(), successLines);
    EXPECT_TRUE(Form4->CloseEnabled());
    EXPECT_EQ(Status(), "$T29003");
    EXPECT_EQ(RadioSettingsChanged, 0);
    EXPECT_EQ(DeviceSettingsChanged, 0);
    EXPECT_EQ(Lock(), "locked");
    EXPECT_TRUE(Form1->ui.up_load->isEnabled());
    EXPECT_TRUE(Form1->ui.down_load->isEnabled());
    EXPECT_TRUE(Form1->TransferIdle);
}

INSTANTIATE_TEST_SUITE_P(Families, WriteFamilyTest,
                         ::testing::Values(FamilyCase{"RadioModem", 0x21, 0x21, 313, false},
                                           FamilyCase{"Telemetry", 0x10, 0x10, 316, false},
                                           FamilyCase{"Gateway130", 0xD0, 0xD0, 317, false},
                                           FamilyCase{"Gateway120", 0x30, 0x30, 317, false},
                                           FamilyCase{"Repeater", 0x71, 0x71, 306, false},
                                           FamilyCase{"Radio3964R", 0x70, 0x21, 313, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- what a write includes ----------------------------------------------

// Register 918 of family 0x21 exists from firmware 5.3 on.
struct FirmwareCase {
    const char* name;
    const char* value; // register 901
    int hundredths;    // the version the status line takes from it
    bool writes918;
};

void PrintTo(const FirmwareCase& c, std::ostream* os) {
    *os << c.name;
}

class WriteFirmwareTest : public WriteTest, public ::testing::WithParamInterface<FirmwareCase> {};

TEST_P(WriteFirmwareTest, RadioModemWrites918OnlyFromFirmware53On) {
    const FirmwareCase& c = GetParam();
    StartAndRead({"--type", "0x21", "--set", std::string("901=") + c.value});
    ASSERT_EQ(Form1->FirmwareHundredths, c.hundredths);
    const uint32_t device918 = CellOf(918);
    CellOf(918) = device918 + 7;
    CellOf(944) ^= 0x0001;
    RadioSettingsChanged = 1;

    Write();

    const std::vector<std::string> writes = Writes();
    const std::string item918 = "918=" + std::to_string(device918 + 7);
    EXPECT_EQ(std::count(writes.begin(), writes.end(), item918), c.writes918 ? 1 : 0);
    EXPECT_EQ(writes, FamilyWrites(0x21, c.writes918, false, 0).Items());
    EXPECT_EQ(SimValue(918), static_cast<long>(c.writes918 ? device918 + 7 : device918));
    EXPECT_EQ(SimValue(944), static_cast<long>(CellOf(944)));
    EXPECT_EQ(Progress(), 313);
    EXPECT_EQ(Form4->LogLines(), successLines);
    EXPECT_EQ(RadioSettingsChanged, 0);
}

INSTANTIATE_TEST_SUITE_P(Firmware, WriteFirmwareTest,
                         ::testing::Values(FirmwareCase{"V520", "0x0520", 520, false},
                                           FirmwareCase{"V529", "0x0529", 529, false},
                                           FirmwareCase{"V530", "0x0530", 530, true},
                                           FirmwareCase{"V600", "0x0600", 600, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WriteTest, OnlyInputDelaysChangedWritesAllStepsAndTheDelays) {
    StartAndRead({"--type", "0x10"});
    ASSERT_EQ(DeviceFamily, 0x10);
    for (int i = 0; i < 16; ++i)
        InputDelayValues[i] = 20 + 3 * i;
    InputDelaysChanged = true;
    ASSERT_EQ(RadioSettingsChanged, 0);
    ASSERT_EQ(DeviceSettingsChanged, 0);

    Write();

    Expected expected = FamilyWrites(0x10, true, false, Form1->ImpulseWord);
    for (int i = 0; i < 16; ++i)
        expected.Single(1070 + i, static_cast<uint32_t>(InputDelayValues[i]));
    EXPECT_EQ(Writes(), expected.Items());
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(SimValue(1070 + i), InputDelayValues[i]) << 1070 + i;
    EXPECT_EQ(Progress(), 316);
    EXPECT_EQ(Form4->LogLines(), successLines);
    // The writers leave the delays' flag alone.
    EXPECT_TRUE(InputDelaysChanged);
    EXPECT_EQ(Lock(), "locked");
}

TEST_F(WriteTest, ChangedFrequencyTableIsWrittenBehindTheUnlockAndRelocked) {
    StartAndRead({"--type", "0x21", "--channels", "11"});
    ASSERT_EQ(RegisterImage[RegisterMap.max_anzahl_funkkanal], 10u);
    // Entry 1 moves to a 10 kHz raster, entry 10 one channel up; both stay
    // inside the device's range.
    CellOf(1217) = 43315; // 433.150 MHz at 10 kHz
    CellOf(1345) = 10000;
    CellOf(1226) += 1;
    ASSERT_FALSE(CheckFrequencyLimits(RegisterImage, RegisterMap));
    // The tables end at entry M = 10.
    WriteFrequencyTables("1216[11]", "1344[11]");
    // The tables went in while the device was unlocked.
    for (const SimExchange& ex : Exchanges())
        if (ex.writeFirst >= channelTable && ex.writeCount > 1) {
            EXPECT_EQ(ex.lock, "unlocked") << ex.writeFirst;
        }
    EXPECT_EQ(RadioSettingsChanged, 0);
    EXPECT_TRUE(Form1->FrequencyTableChanged); // the writers leave it set
}

TEST_F(WriteTest, DataFromAServiceCustomerFileIsWrittenUnlockedAndRelocked) {
    WriteAfterCustomerFile(true);

    Expected expected;
    expected.Unlock();
    const Expected family = FamilyWrites(0x21, true, false, 0);
    for (const std::string& item : family.Items())
        expected.Single(std::stoi(item), std::stoul(item.substr(item.find('=') + 1)));
    expected.Relock();
    EXPECT_EQ(Writes(), expected.Items());
    for (const SimExchange& ex : Exchanges())
        if (ex.writeCount == 1 && ex.writeFirst == 910) {
            EXPECT_EQ(ex.lock, "unlocked");
        }
    EXPECT_EQ(Lock(), "locked");
    EXPECT_EQ(Form4->LogLines(), successLines);
    EXPECT_EQ(CountMessages("$T30052"), 0);
}

TEST_F(WriteTest, CustomerFileWithoutTheServiceFlagIsWrittenWithoutUnlock) {
    WriteAfterCustomerFile(false);

    EXPECT_EQ(Writes(), FamilyWrites(0x21, true, false, 0).Items());
    EXPECT_EQ(Lock(), "locked");
}

TEST_F(WriteTest, FullChannelTableIsAcceptedAndWrittenToItsLastEntry) {
    StartAndRead({"--type", "0x21", "--channels", "128"});
    ASSERT_EQ(RegisterImage[RegisterMap.max_anzahl_funkkanal], 127u);
    EXPECT_FALSE(CheckFrequencyLimits(RegisterImage, RegisterMap));
    // The last entry (436.3 MHz) moves to a 10 kHz raster.
    ASSERT_EQ(CellOf(1343) * CellOf(1471), 436300000u);
    CellOf(1343) = 43630;
    CellOf(1471) = 10000;
    // The last blocks end at registers 1343 and 1471.
    WriteFrequencyTables("1336[8]", "1464[8]");
    EXPECT_EQ(CountMessages("$T30051"), 0);
    EXPECT_EQ(SimValue(1343), 43630);
    EXPECT_EQ(SimValue(1471), 10000);
}

// --- refusals ------------------------------------------------------------

TEST_F(WriteTest, NothingChangedIsRefusedWithoutAQuestion) {
    StartAndRead({"--type", "0x21"});
    ASSERT_EQ(RadioSettingsChanged, 0);
    Write();
    EXPECT_EQ(CountMessages("$T30022"), 1);
    EXPECT_EQ(Dialogs::History().front().caption, "$T30021");
    EXPECT_EQ(CountQuestions(), 0);
    EXPECT_EQ(Exchanges().size(), 0u);
    EXPECT_EQ(Status(), "$T29002");
    ExpectNothingWritten();
}

TEST_F(WriteTest, EmptyImageIsRefusedEvenWithAFlagSet) {
    StartWithDevice({"--type", "0x21"});
    RadioSettingsChanged = 1; // no data read: the type cell is 0
    Write();
    EXPECT_EQ(CountMessages("$T30022"), 1);
    EXPECT_EQ(CountQuestions(), 0);
    EXPECT_TRUE(SimLog().empty());
    EXPECT_EQ(RadioSettingsChanged, 1);
    EXPECT_TRUE(Form1->ui.up_load->isEnabled());
}

TEST_F(WriteTest, FrequencyOutsideTheDeviceRangeIsRefused) {
    StartAndRead({"--type", "0x21"});
    CellOf(1216) = 45000; // 562.5 MHz at 12.5 kHz, above the 500 MHz limit
    RadioSettingsChanged = 1;
    Form1->FrequencyTableChanged = true;
    Write();
    int plain = 0;
    for (const Dialogs::Shown& s : Dialogs::History())
        plain += s.kind == "plain" && s.text == "$T30021\n$T30042\n$T30043";
    EXPECT_EQ(plain, 1);
    EXPECT_EQ(CountQuestions(), 0);
    EXPECT_EQ(Status(), "$T29002");
    EXPECT_EQ(Exchanges().size(), 0u);
    EXPECT_EQ(RadioSettingsChanged, 1);
    ExpectNothingWritten();
}

TEST_F(WriteTest, ChannelCountPastTheTableIsRefusedBeforeAnythingIsSent) {
    StartAndRead({"--type", "0x21"});
    for (uint32_t count : {128u, 200u}) {
        RegisterImage[RegisterMap.max_anzahl_funkkanal] = count;
        RadioSettingsChanged = 1;
        Form1->FrequencyTableChanged = true;
        Write();
    }
    EXPECT_EQ(CountMessages("$T30051"), 2);
    EXPECT_EQ(Exchanges().size(), 0u);
    EXPECT_EQ(RadioSettingsChanged, 1);
    ExpectNothingWritten();
}

TEST_F(WriteTest, QuestionAnsweredNoOrCancelWritesNothing) {
    StartAndRead({"--type", "0x21"});
    CellOf(944) ^= 1;
    RadioSettingsChanged = 1;
    for (int answer : {Dialogs::No, Dialogs::Cancel}) {
        Write(answer);
        EXPECT_EQ(Dialogs::History().back().text, "$T30027");
        EXPECT_EQ(Dialogs::History().back().buttons, Dialogs::YesNoCancel);
        EXPECT_EQ(Dialogs::History().back().result, answer);
    }
    EXPECT_EQ(CountQuestions(), 2);
    EXPECT_EQ(Exchanges().size(), 0u); // not even the identity check
    EXPECT_EQ(RadioSettingsChanged, 1);
    ExpectNothingWritten();
}

TEST_F(WriteTest, DeviceThatDoesNotAnswerTheIdentityCheckIsNotWritten) {
    StartAndRead({"--type", "0x21"});
    ASSERT_EQ(sim_->Command("fault silence@r906:always").rfind("ok", 0), 0u);
    CellOf(944) ^= 1;
    RadioSettingsChanged = 1;
    const auto took = Write();
    EXPECT_EQ(CountMessages("$T30028"), 1);
    EXPECT_EQ(Status(), "$T29002");
    const std::vector<SimExchange> log = Exchanges();
    ASSERT_FALSE(log.empty());
    for (const SimExchange& ex : log) {
        EXPECT_EQ(ex.first, 906);
        EXPECT_FALSE(ex.answered);
    }
    EXPECT_EQ(RadioSettingsChanged, 1);
    EXPECT_LT(took.count(), 1000);
    ExpectNothingWritten();
}

TEST_F(WriteTest, AnotherDeviceTypeIsNotWritten) {
    StartAndRead({"--type", "0x21"});
    ASSERT_EQ(sim_->Command("set 906=0x22"), "ok"); // same family, another type
    CellOf(944) ^= 1;
    RadioSettingsChanged = 1;
    Write();
    EXPECT_EQ(CountMessages("$T30029"), 1);
    const std::vector<SimExchange> log = Exchanges();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].first, 906);
    EXPECT_EQ(RadioSettingsChanged, 1);
    ExpectNothingWritten();
}

// --- failures during the write -------------------------------------------

TEST_F(WriteTest, RefusedWriteInStep4StopsTheWriterAndASecondWriteSucceeds) {
    StartAndRead({"--type", "0x21"});
    // Steps 1 to 5 of family 0x21 all carry new values.
    std::vector<int> regs = FamilyWrites(0x21, true, false, 0).Registers();
    regs.erase(std::remove_if(regs.begin(), regs.end(), [](int r) { return r == 911 || r == 913; }),
               regs.end());
    std::vector<long> device;
    for (int reg : regs)
        device.push_back(SimValue(reg));
    ChangeAll(regs);
    MarkChanged();
    const Expected all = FamilyWrites(0x21, true, false, 0);
    // The device ignores the write of 944, the first register of step 4.
    ASSERT_EQ(sim_->Command("fault ignore-writes@r944").rfind("ok", 0), 0u);

    const auto took = Write();

    const std::vector<std::string> written = Writes();
    const std::vector<std::string>& items = all.Items();
    const auto at944 = std::find_if(items.begin(), items.end(),
                                    [](const std::string& s) { return s.rfind("944=", 0) == 0; });
    ASSERT_NE(at944, items.end());
    EXPECT_EQ(written, std::vector<std::string>(items.begin(), at944 + 1));
    // Steps 1 to 3 stay written; 944 and everything after it is untouched.
    for (size_t i = 0; i < regs.size(); ++i) {
        const bool before944 = std::any_of(items.begin(), at944, [&](const std::string& s) {
            return s.rfind(std::to_string(regs[i]) + "=", 0) == 0;
        });
        EXPECT_EQ(SimValue(regs[i]), before944 ? static_cast<long>(CellOf(regs[i])) : device[i])
            << regs[i];
    }
    // The device took the write but read back the old value: a wrong answer.
    EXPECT_EQ(Form4->LogLines(), (std::vector<std::string>{"$T30083", "$T30026", "***End***"}));
    EXPECT_NE(ProgramLog().find("Write failed: wrong answer from the device"), std::string::npos);
    EXPECT_TRUE(Form4->CloseEnabled());
    EXPECT_EQ(Progress(), 6); // steps 1 to 3, 918 not counted
    EXPECT_EQ(RadioSettingsChanged, 1);
    EXPECT_EQ(DeviceSettingsChanged, 1);
    EXPECT_NE(Status(), "$T29003");
    EXPECT_TRUE(Form1->ui.up_load->isEnabled());
    EXPECT_TRUE(Form1->TransferIdle);
    EXPECT_LT(took.count(), 1000);

    // The fault fired once: the repeated write goes through.
    MarkLog();
    Write();
    EXPECT_EQ(Writes(), items);
    EXPECT_EQ(Form4->LogLines(), successLines);
    EXPECT_EQ(RadioSettingsChanged, 0);
    EXPECT_EQ(DeviceSettingsChanged, 0);
    EXPECT_EQ(DifferencesFromSim(), (std::vector<int>{911, 913}));
}

TEST_F(WriteTest, MismatchInTheSecondTableEndsTheWriterAndRelocks) {
    StartAndRead({"--type", "0x21", "--channels", "11"});
    CellOf(1217) = 43315;
    CellOf(1345) = 10000;
    ASSERT_FALSE(CheckFrequencyLimits(RegisterImage, RegisterMap));
    Form1->FrequencyTableChanged = true;
    RadioSettingsChanged = 1;
    const long device1345 = SimValue(1345);
    ASSERT_EQ(sim_->Command("fault ignore-writes@r1345").rfind("ok", 0), 0u);

    Write();

    Expected expected = FamilyWrites(0x21, true, false, 0);
    expected.FrequencyTables(); // complete: the relock follows the mismatch
    EXPECT_EQ(Writes(), expected.Items());
    EXPECT_EQ(SimValue(1217), 43315);
    EXPECT_EQ(SimValue(1345), device1345);
    EXPECT_EQ(Lock(), "locked");
    const std::vector<std::string> lines = Form4->LogLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Register NR: 1345"), lines.end());
    EXPECT_EQ(LastLines(lines, 3), (std::vector<std::string>{"$T30083", "$T30026", "***End***"}));
    EXPECT_EQ(RadioSettingsChanged, 1);
    EXPECT_EQ(CountMessages("$T30052"), 0);
    EXPECT_TRUE(Form1->TransferIdle);
}

TEST_F(WriteTest, DeviceThatFallsSilentMidWriteStopsTheWriter) {
    StartAndRead({"--type", "0x21"});
    CellOf(944) ^= 1;
    CellOf(934) ^= 1;
    RadioSettingsChanged = 1;
    ASSERT_EQ(sim_->Command("fault silence@r912:always").rfind("ok", 0), 0u);

    const auto took = Write();

    const Expected all = FamilyWrites(0x21, true, false, 0);
    const std::vector<std::string>& items = all.Items();
    const auto at912 = std::find_if(items.begin(), items.end(),
                                    [](const std::string& s) { return s.rfind("912=", 0) == 0; });
    ASSERT_NE(at912, items.end());
    std::vector<std::string> expected(items.begin(), at912 + 1);
    expected.insert(expected.end(), 2, *at912); // the exchange and its two retries
    EXPECT_EQ(Writes(), expected);
    EXPECT_EQ(LastLines(Form4->LogLines(), 3),
              (std::vector<std::string>{"$T30082", "$T30026", "***End***"}));
    EXPECT_NE(ProgramLog().find("Write failed: no answer from the device"), std::string::npos);
    EXPECT_NE(SimValue(944), static_cast<long>(CellOf(944)));
    EXPECT_EQ(RadioSettingsChanged, 1);
    EXPECT_TRUE(Form1->TransferIdle);
    EXPECT_LT(took.count(), 1000);
}

TEST_F(WriteTest, AnswerLostOnceIsRecoveredByTheRetry) {
    StartAndRead({"--type", "0x21"});
    CellOf(944) ^= 1;
    RadioSettingsChanged = 1;
    ASSERT_EQ(sim_->Command("fault silence@r912").rfind("ok", 0), 0u);

    Write();

    std::vector<std::string> expected = FamilyWrites(0x21, true, false, 0).Items();
    const auto at912 = std::find_if(expected.begin(), expected.end(),
                                    [](const std::string& s) { return s.rfind("912=", 0) == 0; });
    ASSERT_NE(at912, expected.end());
    expected.insert(at912, *at912);
    EXPECT_EQ(Writes(), expected);
    EXPECT_EQ(Form4->LogLines(), successLines);
    EXPECT_EQ(RadioSettingsChanged, 0);
    EXPECT_EQ(SimValue(944), static_cast<long>(CellOf(944)));
}

TEST_F(WriteTest, HangUpAfterTheUnlockEndsAtOnceAndReportsTheFailedRelock) {
    StartAndRead({"--type", "0x21", "--channels", "11"});
    CellOf(1226) += 1;
    Form1->FrequencyTableChanged = true;
    RadioSettingsChanged = 1;
    // The line goes away at the channel-count write, behind the unlock.
    ASSERT_EQ(sim_->Command("fault hangup@r1150").rfind("ok", 0), 0u);

    const auto took = Write();

    Expected expected = FamilyWrites(0x21, true, false, 0);
    expected.Unlock();
    expected.Key(RegisterMap.max_anzahl_funkkanal);
    EXPECT_EQ(Writes(), expected.Items());
    EXPECT_EQ(LastLines(Form4->LogLines(), 4),
              (std::vector<std::string>{"$T30084", "$T30099", "$T30026", "***End***"}));
    EXPECT_NE(ProgramLog().find("Write failed: connection to the device lost"), std::string::npos);
    EXPECT_EQ(CountMessages("$T30052"), 1);
    EXPECT_EQ(CountMessages("$T30081"), 0) << "the write tells the loss itself";
    EXPECT_EQ(RadioSettingsChanged, 1);
    // No exchange waited for a time-out after the line went away.
    EXPECT_LT(took.count(), 3 * static_cast<long>(shortTimeoutMs));
    EXPECT_TRUE(sim_->WaitExit(1000));
    EXPECT_TRUE(Form1->TransferIdle);
    EXPECT_TRUE(Form1->ui.up_load->isEnabled());
    EXPECT_TRUE(Form1->ui.down_load->isEnabled());
}

// A relock the device takes neither time fails the write where it happens;
// the changes stay for the next write.
struct RelockCase {
    const char* name;
    enum { Tables, Protocol, ServiceFile } edit;
    bool silent;      // the relock gets no answer (else: answered, not taken)
    int extraRelocks; // the relock's further tries
};

class WriteRelockTest : public WriteTest, public ::testing::WithParamInterface<RelockCase> {};

TEST_P(WriteRelockTest, RelockNotTakenFailsTheWriteAndKeepsTheChanges) {
    const RelockCase& c = GetParam();
    const bool telemetry = c.edit == RelockCase::Protocol,
               service = c.edit == RelockCase::ServiceFile;
    StartAndRead({"--type", telemetry ? "0x10" : "0x21", "--channels", "11"});
    // The 0x10 run would go on with the tables and the delays after the relock.
    CellOf(944) ^= 1;
    CellOf(1226) += 1;
    Form1->FrequencyTableChanged = !service;
    InputDelaysChanged = telemetry;
    Form1->LoadedFromCustomerFile = Form1->CustomerFileServiceFlag = service;
    MarkChanged();
    Expected expected;
    if (service)
        expected.Unlock();
    const Expected family = FamilyWrites(telemetry ? 0x10 : 0x21, true, false, Form1->ImpulseWord);
    for (const std::string& item : family.Items())
        expected.Single(std::stoi(item), std::stoul(item.substr(item.find('=') + 1)));
    if (c.edit == RelockCase::Tables)
        expected.FrequencyTables();
    else if (service)
        expected.Relock();
    // The relock is the write's last expected request (after the identity check).
    const std::string fault =
        c.silent ? "silence@" + std::to_string(SimLog().back().number + 1 +
                                               static_cast<int>(expected.Items().size()))
                 : std::string("ignore-writes=0@r999");
    ASSERT_EQ(sim_->Command("fault " + fault + ":always").rfind("ok", 0), 0u);

    Write();

    std::vector<std::string> all = expected.Items();
    all.insert(all.end(), static_cast<size_t>(c.extraRelocks), "999=0");
    EXPECT_EQ(Writes(), all);
    EXPECT_EQ(LastLines(Form4->LogLines(), 3),
              (std::vector<std::string>{"$T30099", "$T30026", "***End***"}));
    EXPECT_EQ(Status(), "$T29002");
    EXPECT_NE(ProgramLog().find("Register 999: relock failed"), std::string::npos);
    EXPECT_TRUE(RadioSettingsChanged && DeviceSettingsChanged);
    EXPECT_EQ(CountMessages("$T30052"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Relock, WriteRelockTest,
    ::testing::Values(RelockCase{"RadioModemTables", RelockCase::Tables, false, 1},
                      RelockCase{"TelemetryProtocol", RelockCase::Protocol, false, 1},
                      RelockCase{"ServiceFile", RelockCase::ServiceFile, false, 1},
                      RelockCase{"RadioModemTablesSilent", RelockCase::Tables, true, 5}),
    [](const auto& info) { return std::string(info.param.name); });

// --- while the write runs --------------------------------------------------

TEST_F(WriteTest, OtherCommandsAndCloseWaitForTheWrite) {
    StartAndRead({"--type", "0x21", "--channels", "11"});
    // The same device again, answering at the wire rate.
    StartSim({"--type", "0x21", "--channels", "11", "--pace", "9600"});
    ClosePort();
    PortName = sim_->PtyPath();
    ASSERT_TRUE(OpenPort());
    AllowSlowLine();
    MarkLog();
    Form1->show();
    CellOf(1226) += 1;
    Form1->FrequencyTableChanged = true;
    RadioSettingsChanged = 1;

    bool seen = false;
    bool transferIdle = true;
    bool closed = true;
    bool closePending = false;
    std::vector<std::pair<std::string, bool>> enabled;
    QTimer probe;
    probe.setInterval(5);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (seen || Progress() == 0)
            return;
        seen = true;
        transferIdle = Form1->TransferIdle;
        for (QAction* a : {Form1->ui.down_load, Form1->ui.ReadDevice1, Form1->ui.ToolButton2,
                           Form1->ui.Clear1, Form1->ui.up_load})
            enabled.emplace_back(FromQString(a->objectName()), a->isEnabled());
        // Clear and Read are refused by the commands themselves, too.
        Form1->ToolButton2Click();
        Form1->down_loadClick();
        closed = Form1->close();
        closePending = Form1->ClosePending;
    });
    probe.start();
    Write();
    probe.stop();

    ASSERT_TRUE(seen) << "the write ended before the probe ran";
    EXPECT_FALSE(transferIdle);
    for (const auto& [name, on] : enabled)
        EXPECT_FALSE(on) << name;
    EXPECT_FALSE(closed);
    EXPECT_TRUE(closePending);
    // The write ran to its end, untouched by the refused commands.
    Expected expected = FamilyWrites(0x21, true, false, 0);
    expected.FrequencyTables();
    EXPECT_EQ(Writes(), expected.Items());
    EXPECT_EQ(RegisterImage[DeviceTypeCell], 0x21u);
    EXPECT_EQ(CountModals("Tdatenladen1"), 0);
    EXPECT_EQ(Form4->LogLines(), successLines);
    EXPECT_EQ(RadioSettingsChanged, 0);

    // The pending close goes through once the write is over.
    ASSERT_TRUE(RunUntil([] { return Application().Terminated(); }, 3000));
    EXPECT_EQ(Form1->Mop, nullptr);
    EXPECT_FALSE(Form1->ClosePending);
}
