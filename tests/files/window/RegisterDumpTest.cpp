// The register dump of the service mode and the customer file of a device's
// parameter set, end to end against the simulator; the request log shows
// what the program asked.
#include "device/ChangeFlags.h"
#include "device/window/ReadFixture.h"
#include "files/RegisterLines.h"
#include "files/window/OKBottomDlg.h"
#include "platform/StringList.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>

#include <fstream>

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using Request = std::pair<int, int>; // first register, count

class DumpTest : public ReadTest {
protected:
    // The range dialog answers OK with these settings.
    static void QueueRange(const std::string& from, const std::string& to, bool unlockLines,
                           bool append) {
        Dialogs::QueueModal([=](QDialog& d) {
            auto& dialog = dynamic_cast<TOKBottomDlg&>(d);
            dialog.ui.LabeledEdit1->setText(ToQString(from));
            dialog.ui.LabeledEdit2->setText(ToQString(to));
            dialog.ui.ServiceMode->setChecked(unlockLines);
            dialog.ui.anhaengen->setChecked(append);
            return int(Dialogs::Ok);
        });
    }

    // A save in service mode to name; the question for a register text file
    // is answered Yes when it comes.
    void Dump(const fs::path& name, const std::string& from, const std::string& to,
              bool unlockLines = true, bool append = false) {
        ServiceMode = 1;
        Dialogs::QueueFileName(name.string());
        if (FinalExtensionIsRtu(name))
            Dialogs::ClearHistory();
        else
            Dialogs::QueueAnswer(Dialogs::Yes);
        QueueRange(from, to, unlockLines, append);
        Form1->savebuttonClick();
    }

    static bool FinalExtensionIsRtu(const fs::path& name) {
        const std::string ext = name.extension().string();
        return ext == ".rtu" || ext == ".RTU";
    }

    static Lines FileLines(const fs::path& file) {
        TStringList list;
        list.LoadFromFile(file);
        return list.Lines();
    }

    // The dump lines of the simulator's registers first..last.
    Lines SimDump(int first, int last) {
        Lines out;
        for (int reg = first; reg <= last; ++reg)
            out.push_back(
                DumpLine(static_cast<uint32_t>(reg), static_cast<uint32_t>(SimValue(reg))));
        return out;
    }

    std::vector<Request> Requests() const {
        std::vector<Request> r;
        for (const SimExchange& ex : SimLog())
            r.emplace_back(ex.first, ex.count);
        return r;
    }

    static std::vector<std::string> Messages() {
        std::vector<std::string> out;
        for (const Dialogs::Shown& s : Dialogs::History())
            if ((s.kind == "message" || s.kind == "plain") && s.buttons == Dialogs::OK)
                out.push_back(s.text);
        return out;
    }

    static Lines Concat(Lines a, const Lines& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }

    const Lines unlock_ = {UnlockLineFirst, UnlockLineSecond};
};

TEST_F(DumpTest, ARangeIsReadInChunksOf25AndAppendedWithoutSecondUnlockLines) {
    StartWithDevice({"--type", "0x21"});
    fs::create_directory(dir_ / "lower");
    Dump(dir_ / "lower" / "test", "900", "950");
    const fs::path file = dir_ / "lower" / "TEST.RTU";
    ASSERT_TRUE(fs::exists(file));
    EXPECT_EQ(Requests(), (std::vector<Request>{{900, 25}, {925, 25}, {950, 1}}));
    const Lines first = Concat(unlock_, SimDump(900, 950));
    EXPECT_EQ(FileLines(file), first);
    EXPECT_EQ(Messages(), Lines{"$T30003"});
    EXPECT_EQ(Status(), "$T29006");
    EXPECT_EQ(Form4->LogLines(),
              (Lines{"Daten geladen!", "Daten geschrieben in \"" + file.string() + "\"!"}));
    EXPECT_TRUE(Form4->CloseEnabled());

    // Appended: the old lines first, no second pair of unlock lines.
    Dump(file, "951", "960", true, true);
    EXPECT_EQ(FileLines(file), Concat(first, SimDump(951, 960)));
    EXPECT_TRUE(Form1->TransferIdle);
    EXPECT_TRUE(Form1->ui.down_load->isEnabled());
}

TEST_F(DumpTest, AWrongAnswerLeavesItsChunkOutAndTheDumpGoesOn) {
    StartWithDevice({"--type", "0x21", "--fault", "wrong-register@r925:always"});
    const fs::path file = dir_ / "part.rtu";
    Dump(file, "900", "950", false);
    EXPECT_EQ(Requests(),
              (std::vector<Request>{{900, 25}, {925, 25}, {925, 25}, {925, 25}, {950, 1}}));
    EXPECT_EQ(FileLines(file), Concat(SimDump(900, 924), SimDump(950, 950)));
    EXPECT_EQ(Messages(), Lines{"Error!\nWriteTimeDatenSatz (pruefAdr)!!!"});
    EXPECT_EQ(Status(), "$T29002");
    const Lines log = Form4->LogLines();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0], "$T30073");
    EXPECT_EQ(log[2], "***End***");
    EXPECT_EQ(Form4->LogColor(), QColor(Qt::red));
}

TEST_F(DumpTest, ASilentDeviceEndsTheDumpAfterOneMessage) {
    StartWithDevice({"--type", "0x21", "--fault", "silence@2:always"});
    const fs::path file = dir_ / "silent.rtu";
    Dump(file, "900", "1471");
    EXPECT_EQ(Requests(), (std::vector<Request>{{900, 25}, {925, 25}, {925, 25}, {925, 25}}));
    EXPECT_EQ(FileLines(file), Concat(unlock_, SimDump(900, 924)));
    EXPECT_EQ(Messages(), Lines{"Error!\nWriteTimeDatenSatz!!!"});
    EXPECT_EQ(Status(), "$T29002");
}

TEST_F(DumpTest, RangesAndNamesTheDumpRefuses) {
    StartWithDevice({"--type", "0x21"});
    struct Case {
        std::string from, to;
        std::string message;
    };
    for (const Case& c : {Case{"951", "950", "$T30004"}, Case{"900", "65536", "$T30004"},
                          Case{"99999", "100000", "$T30004"}}) {
        SCOPED_TRACE(c.from + ".." + c.to);
        Dialogs::ClearHistory();
        Dump(dir_ / "x.rtu", c.from, c.to);
        EXPECT_EQ(Messages(), Lines{c.message});
    }
    EXPECT_TRUE(SimLog().empty());
    EXPECT_FALSE(fs::exists(dir_ / "x.rtu"));
}

TEST_F(DumpTest, WhileADumpRunsNoTransferStartsAndTheWindowStaysOpen) {
    StartWithDevice({"--type", "0x21", "--pace", "9600"});
    AllowSlowLine();
    bool checked = false;
    QTimer::singleShot(200, [&] {
        if (Form1->TransferIdle)
            return; // the dump has not started, or is over
        checked = true;
        EXPECT_FALSE(Form1->TransferIdle);
        EXPECT_FALSE(Form1->ui.down_load->isEnabled());
        EXPECT_FALSE(Form1->ui.openbutton->isEnabled());
        EXPECT_FALSE(Form1->close());
        EXPECT_TRUE(Form1->ClosePending);
    });
    Dump(dir_ / "busy.rtu", "900", "1471");
    EXPECT_TRUE(checked);
    Form1->ClosePending = false;
    EXPECT_TRUE(Form1->TransferIdle);
    EXPECT_TRUE(Form1->ui.openbutton->isEnabled());
    EXPECT_EQ(Status(), "$T29006");
}

TEST_F(DumpTest, ADumpOpenedInServiceModeHoldsTheDevicesValues) {
    StartWithDevice({"--type", "0x21"});
    const fs::path file = dir_ / "all.rtu";
    Dump(file, "900", "1471");
    ASSERT_EQ(Status(), "$T29006");
    Dialogs::QueueFileName(file.string());
    Form1->openbuttonClick();
    EXPECT_EQ(Status(), "$T29009");
    EXPECT_EQ(DeviceFamily, 0x21);
    // Register 999 takes the first of its lines: the unlock code.
    EXPECT_EQ(RegisterImage[999 - 900], 0x20AAu);
    RegisterImage[999 - 900] = static_cast<uint32_t>(SimValue(999));
    EXPECT_EQ(FirstDifferenceFromSim(), -1);
}

TEST_F(DumpTest, AParameterSetReadSavedClearedAndOpenedIsTheSame) {
    StartWithDevice({"--type", "0x21"});
    ASSERT_TRUE(Read());
    ASSERT_EQ(FirstDifferenceFromSim(), -1);
    const TRegisterImage read = RegisterImage;
    fs::create_directory(dir_ / "kunden");
    Dialogs::QueueFileName((dir_ / "kunden" / "station").string());
    Form1->savebuttonClick();
    const fs::path file = dir_ / "kunden" / "STATION.QDV";
    ASSERT_TRUE(fs::exists(file));
    EXPECT_EQ(fs::file_size(file), 20756u);
    Form1->ToolButton2Click();
    ASSERT_EQ(DeviceFamily, 0);
    Dialogs::QueueFileName(file.string());
    Form1->openbuttonClick();
    EXPECT_TRUE(RegisterImage == read);
    EXPECT_EQ(DeviceFamily, 0x21);
    EXPECT_TRUE(Form1->LoadedFromCustomerFile);
    EXPECT_FALSE(Form1->CustomerFileServiceFlag);
    EXPECT_EQ(Dialogs::Unanswered(), 0);
}

} // namespace
