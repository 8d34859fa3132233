// The open and save commands offscreen: what each refused open tells, the
// kinds of file, the names a save completes, a save that cannot be written,
// and the range dialog's keys.
#include "files/window/Datenladen.h"
#include "files/window/FileFixture.h"
#include "files/window/OKBottomDlg.h"
#include "support/Unprivileged.h"

#include <QTest>

#include <cerrno>
#include <cstring>

namespace {

const std::string tooBig = "Error!\nParameter in RTU-Files are too big!";

TEST_F(FileTest, EachRefusedOpenTellsWhyAndLeavesNoData) {
    Start();
    const TRegisterImage image = RadioImage(3);
    std::string damaged = CustomerFileOf(image);
    damaged[40] = damaged[40] == '0' ? '1' : '0';
    TRegisterImage noVariant = image; // 100 lies between two power entries
    for (int i = map_.tab_anf_sendeleistung; i <= map_.tab_end_sendeleistung; ++i)
        noVariant[static_cast<size_t>(i)] =
            static_cast<uint32_t>(i - map_.tab_anf_sendeleistung) * 15;
    auto customer = [](const Lines& header) {
        return CustomerText(testfiles::Plus(header, {"0000100000000906", "0000200000000021"}));
    };
    struct Case {
        const char* name; // "" for a file that is not there, "/" for a folder
        std::string bytes;
        Lines messages;
        std::string status;
    };
    const Case cases[] = {
        {"", "", {"$T30012"}, "$T29002"},
        {"/", "", {"$T34003"}, "$T29008"},
        {"a.qdv", damaged, {"$T34001"}, "$T29008"},
        {"a.qdv", "", {"$T30038"}, "$T29008"},
        {"a.qdv", "\r\n \r\n\r\n", {"$T30038"}, "$T29008"},
        {"a.rtu", "; nothing\r\n\r\n", {"$T30038"}, "$T29008"},
        {"a.qdv", customer({"00000002FFFFFFFF"}), {"$T33001"}, "$T29007"},
        {"a.qdv", customer({"0000000200000007", "0000000900000001"}), {"$T30041"}, "$T29008"},
        {"a.rtu", "r906=$0021\r\n900=$0001\r\n", {"$T30008"}, "$T29008"},
        {"a.rtu", "r906=$0021\r\nr901=#12\r\n", {"$T30039", tooBig}, "$T29008"},
        {"a.rtu", "r906 = $0021\r\n", {tooBig}, "$T29008"},
        {"a.rtu", "r906=$0099\r\n", {"$T30002"}, "$T29008"},
        {"a.qdv", CustomerFileOf(noVariant), {}, "$T29008"}, // the chooser is cancelled
        {"big.qdv", std::string(MaxFileBytes + 1, '\0'), {"$T34002"}, "$T29008"},
    };
    ServiceMode = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + std::string(" ") + c.bytes.substr(0, 30));
        RegisterImage = image;
        DeviceFamily = FamilyKVL420;
        const fs::path file = dir_ / "refused" / (*c.name && *c.name != '/' ? c.name : "x.qdv");
        if (*c.name == '/')
            fs::create_directories(file);
        else if (*c.name)
            WriteFile(file, c.bytes);
        Dialogs::ClearHistory();
        Open(file);
        EXPECT_EQ(std::pair(Messages(), Status()), std::pair(c.messages, c.status));
        EXPECT_TRUE(RegisterImage == TRegisterImage{});
        EXPECT_EQ(std::pair(DeviceFamily, Form1->LoadedFromCustomerFile), std::pair(0, false));
        fs::remove_all(dir_ / "refused");
    }
    const std::string log = ReadFile(dir_ / "Error.txt");
    EXPECT_NE(log.find("Parameter in RTU-Files are wrong! (ADR) OpenFile"), std::string::npos);
    EXPECT_NE(log.find("not supported! (no BIN, HEX, Dezi-file)"), std::string::npos);
    EXPECT_NE(log.find("big.qdv: " + std::string(std::strerror(EFBIG))), std::string::npos);
}

TEST_F(FileTest, TheFinalExtensionDecidesTheKindInAnyCase) {
    Start();
    const TRegisterImage image = RadioImage(11);
    std::string dump = "; dump\r\n\r\n";
    for (uint32_t reg = 900; reg <= 1471; ++reg)
        dump += DumpLine(reg, image[reg - 900]) + " ; c\r\n";
    const std::string customer = CustomerFileOf(image);
    // service mode, the file on disk, the name chosen, its contents
    const std::tuple<int, const char*, const char*, std::string> cases[] = {
        {1, "x.Rtu", "x.Rtu", dump},     {1, "old.qdv/x.rtu", "old.qdv/x.rtu", dump},
        {1, "dump.RTU", "dump", dump},   {1, "x.QdV", "x.QdV", customer},
        {0, "set.QDV", "set", customer}, {0, "old.rtu/s.qdv", "old.rtu/s.qdv", customer}};
    for (const auto& [service, written, chosen, bytes] : cases) {
        SCOPED_TRACE(chosen);
        ServiceMode = static_cast<uint8_t>(service);
        Form1->ClearParameterSet();
        WriteFile(dir_ / "kinds" / written, bytes);
        Dialogs::ClearHistory();
        Open(dir_ / "kinds" / chosen);
        EXPECT_EQ(Messages(), Lines{});
        EXPECT_TRUE(RegisterImage == image);
        fs::remove_all(dir_ / "kinds");
    }
}

TEST_F(FileTest, SaveCompletesTheFileNameOnlyAndRefusesOrFailsVisibly) {
    Start();
    const TRegisterImage image = RadioImage(2);
    WriteFile(dir_ / "in.qdv", CustomerFileOf(image));
    Dialogs::QueueFileName((dir_ / "in.qdv").string());
    Form1->ui.LoadFile1->trigger(); // F3
    EXPECT_TRUE(RegisterImage == image);
    EXPECT_EQ(std::tuple(DeviceFamily, Status(), Form1->LoadedFromCustomerFile),
              std::tuple(FamilyKVL420, std::string("$T29009"), true));
    fs::create_directory(dir_ / "lower");
    Dialogs::QueueFileName((dir_ / "lower" / "set").string());
    Form1->ui.SaveFile1->trigger(); // F4
    EXPECT_EQ(std::pair(Messages(), Status()), std::pair(Lines{"$T30003"}, std::string("$T29006")));
    EXPECT_TRUE(ReadFile(dir_ / "lower" / "SET.QDV") == CustomerFileOf(image));
    // In service mode "No" to a register text file keeps the name's case.
    ServiceMode = 1;
    Dialogs::QueueFileName((dir_ / "lower" / "test").string());
    Dialogs::QueueAnswer(Dialogs::No);
    Form1->savebuttonClick();
    EXPECT_TRUE(ReadFile(dir_ / "lower" / "test.qdv") == CustomerFileOf(image));
    // A channel outside the band stops the save outside the service mode.
    ServiceMode = 0;
    RegisterImage[static_cast<size_t>(map_.tab_anf_frequenz)] = 1;
    Dialogs::ClearHistory();
    Form1->savebuttonClick();
    EXPECT_EQ(Messages(), Lines{"$T30021\n$T30042\n$T30044"});
    EXPECT_EQ(Status(), "$T29002");
    Form1->ClearParameterSet();
    Dialogs::ClearHistory();
    Form1->savebuttonClick();
    EXPECT_EQ(Messages(), Lines{"$T30022"});
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "lower"), fs::directory_iterator()), 2);
    // A folder the user may not write: the reason is told, the old file stays.
    Open(dir_ / "in.qdv");
    WriteFile(dir_ / "locked" / "old.qdv", "old\r\n");
    fs::permissions(dir_, fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(dir_ / "locked", fs::perms::owner_write, fs::perm_options::remove);
    // The log stays writable for the unprivileged user: the failure's log line lands there.
    if (!fs::exists(dir_ / "Error.txt"))
        WriteFile(dir_ / "Error.txt", "");
    fs::permissions(dir_ / "Error.txt", fs::perms::others_read | fs::perms::others_write,
                    fs::perm_options::add);
    const int code = RunUnprivileged([&] {
        Dialogs::ClearHistory();
        Dialogs::QueueFileName((dir_ / "locked" / "old.qdv").string());
        Form1->savebuttonClick();
        return Messages() == Lines{"$T30071"} && Status() == "$T29002" ? 0 : 10;
    });
    fs::permissions(dir_ / "locked", fs::perms::owner_all, fs::perm_options::add);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadFile(dir_ / "locked" / "old.qdv"), "old\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "locked"), fs::directory_iterator()), 1);
}

TEST_F(FileTest, RangeEditsTakeDigitsOnlyAndTypingOverwrites) {
    Start();
    QLineEdit* edit = OKBottomDlg->ui.LabeledEdit2;
    // text, caret, keys typed, text after
    const std::tuple<const char*, int, std::vector<int>, const char*> cases[] = {
        {"900", 0, {'1', '2'}, "120"},
        {"900", 1, {'A', '-', ' ', '7'}, "970"},
        {"1471", 4, {Qt::Key_Backspace}, "147"}};
    for (const auto& [before, caret, keys, after] : cases) {
        edit->setText(before);
        edit->setCursorPosition(caret);
        for (int key : keys)
            Key(edit, key, key == Qt::Key_Backspace ? QString() : QString(QChar(key)));
        EXPECT_EQ(FromQString(edit->text()), after) << before;
    }
    Key(edit, Qt::Key_Return, "\r");
    EXPECT_EQ(OKBottomDlg->result(), QDialog::Accepted);
}

// Tab and Esc are the range dialog's own; Return answers the load question
// with Cancel however it was answered before.
TEST_F(FileTest, DialogKeysKeepTheirDefaults) {
    Start();
    Form1->TranslateDatenladenDialog();
    TOKBottomDlg& range = *OKBottomDlg;
    range.show();
    QApplication::setActiveWindow(&range);
    range.ui.LabeledEdit1->setFocus();
    QTest::keyClick(range.ui.LabeledEdit1, Qt::Key_Tab);
    EXPECT_EQ(range.focusWidget(), range.ui.LabeledEdit2);
    QTest::keyClick(range.ui.LabeledEdit2, Qt::Key_Escape);
    EXPECT_FALSE(range.isVisible()) << "Esc reaches the dialog";
    Tdatenladen1& load = *datenladen1;
    load.show();
    QApplication::setActiveWindow(&load);
    QTest::mouseClick(load.ui.Laden1, Qt::LeftButton);
    ASSERT_EQ(load.result(), Dialogs::Yes);
    load.show();
    QApplication::setActiveWindow(&load);
    QTest::keyClick(load.focusWidget(), Qt::Key_Return);
    EXPECT_EQ(load.result(), QDialog::Rejected);
}

} // namespace
