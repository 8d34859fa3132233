// The open and save commands offscreen: what each refused open tells, the
// kinds of file, the names a save completes, the atomic write, the demo
// files, the syntax check and the range dialog's keys.
#include "device/ChangeFlags.h"
#include "files/window/FileFixture.h"
#include "files/window/OKBottomDlg.h"
#include "shell/LogFile.h"
#include "support/Unprivileged.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace {

const std::string tooBig = "Error!\nParameter in RTU-Files are too big!";

TEST_F(FileTest, SaveOpenSaveGivesTheSameFile) {
    Start();
    const TRegisterImage image = RadioImage(7);
    const std::string first = CustomerFileOf(image);
    WriteFile(dir_ / "first.qdv", first);
    Dialogs::QueueFileName((dir_ / "first.qdv").string());
    Form1->ui.LoadFile1->trigger(); // F3
    EXPECT_EQ(FirstDifference(image), -1);
    EXPECT_EQ(DeviceFamily, FamilyKVL420);
    EXPECT_EQ(Status(), "$T29009");
    EXPECT_TRUE(Form1->LoadedFromCustomerFile);
    EXPECT_TRUE(Form1->ui.savebutton->isEnabled());
    EXPECT_TRUE(Form1->ui.openbutton->isEnabled());

    Dialogs::QueueFileName((dir_ / "second.qdv").string());
    Form1->ui.SaveFile1->trigger(); // F4
    EXPECT_EQ(Messages().back(), "$T30003");
    EXPECT_EQ(Status(), "$T29006");
    Open(dir_ / "second.qdv");
    Save(dir_ / "third.qdv");
    const std::string third = ReadFile(dir_ / "third.qdv");
    EXPECT_TRUE(ReadFile(dir_ / "second.qdv") == first);
    EXPECT_TRUE(third == first);
    EXPECT_EQ(third.size(), 20756u);
    EXPECT_EQ(third.substr(third.size() - 4), "\r\n\r\n");
    EXPECT_EQ(Dialogs::Unanswered(), 0);
}

TEST_F(FileTest, EachRefusedOpenTellsWhyAndLeavesNoData) {
    Start();
    const TRegisterImage image = RadioImage(3);
    std::string damaged = CustomerFileOf(image);
    damaged[40] = damaged[40] == '0' ? '1' : '0';
    const std::string shortLine = CustomerFileOf(image).erase(20, 1);
    auto customer = [](const testfiles::Lines& header) {
        return testfiles::FileBytes(testfiles::Stored(testfiles::Concat(
            header, {"0000100000000906", "0000200000000021", "0000900000000000"})));
    };
    struct Case {
        const char* why;
        std::string name; // "" for a file that is not there
        std::string bytes;
        std::vector<std::string> messages;
        std::string status;
    };
    const Case cases[] = {
        {"missing", "", "", {"$T30012"}, "$T29002"},
        {"checksum", "a.qdv", damaged, {"$T34001"}, "$T29008"},
        {"line of 17 characters", "a.qdv", shortLine, {"$T34001"}, "$T29008"},
        {"empty customer file", "a.qdv", "", {"$T30038"}, "$T29008"},
        {"empty register file", "a.rtu", "\r\n", {"$T30038"}, "$T29008"},
        {"not editable",
         "a.qdv",
         customer({"0000000100000064", "00000002FFFFFFFF", "00000003FFFFFFFF"}),
         {"$T33001"},
         "$T29007"},
        {"bound to a device",
         "a.qdv",
         customer({"0000000100000064", "0000000200000007", "00000003FFFFFFFF", "0000000900000001"}),
         {"$T30041"},
         "$T29008"},
        {"name of a customer file", "a.rtu", "r906=$0021\r\n900=$0001\r\n", {"$T30008"}, "$T29008"},
        {"value form", "a.rtu", "r906=$0021\r\nr901=#12\r\n", {"$T30039", tooBig}, "$T29008"},
        {"value too big", "a.rtu", "r906=$0021\r\nr901=$12345\r\n", {tooBig}, "$T29008"},
        {"blanks around =", "a.rtu", "r906 = $0021\r\n", {tooBig}, "$T29008"},
        {"comment lines only", "a.rtu", "; nothing\r\n\r\n", {"$T30038"}, "$T29008"},
        {"type not supported", "a.rtu", "r906=$0099\r\n", {"$T30002"}, "$T29008"},
    };
    ServiceMode = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        RegisterImage = image;
        DeviceFamily = FamilyKVL420;
        const fs::path file = dir_ / "refused" / (c.name.empty() ? "gone.qdv" : c.name);
        if (!c.name.empty())
            WriteFile(file, c.bytes);
        Dialogs::ClearHistory();
        Open(file);
        std::vector<std::string> messages = Messages();
        EXPECT_EQ(messages, c.messages);
        EXPECT_EQ(Status(), c.status);
        EXPECT_TRUE(ImageIsClear());
        EXPECT_EQ(DeviceFamily, FamilyNone);
        EXPECT_FALSE(Form1->LoadedFromCustomerFile);
        EXPECT_FALSE(Form1->ui.savebutton->isEnabled() && !ServiceMode);
        fs::remove_all(dir_ / "refused");
    }
    const std::string log = ReadFile(dir_ / "Error.txt");
    EXPECT_NE(log.find("Parameter in RTU-Files are wrong! (ADR) OpenFile"), std::string::npos);
    EXPECT_NE(log.find("not supported! (no BIN, HEX, Dezi-file)"), std::string::npos);
}

TEST_F(FileTest, TheFinalExtensionDecidesTheKindInAnyCase) {
    Start();
    const TRegisterImage image = RadioImage(11);
    const std::string dump = "; dump\r\n\r\n   \r\n" + DumpOf(image) + "; end\r\n";
    struct Case {
        bool service;
        std::string written; // the file on disk
        std::string chosen;  // the name given in the dialog
        std::string bytes;
    };
    const Case cases[] = {
        {true, "x.Rtu", "x.Rtu", dump},
        {true, "old.qdv/x.rtu", "old.qdv/x.rtu", dump},
        {true, "dump.RTU", "dump", dump},
        {true, "x.QdV", "x.QdV", CustomerFileOf(image)},
        {false, "set.QDV", "set", CustomerFileOf(image)},
        {false, "old.rtu/set.qdv", "old.rtu/set.qdv", CustomerFileOf(image)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        ServiceMode = c.service ? 1 : 0;
        Form1->ClearParameterSet();
        WriteFile(dir_ / "kinds" / c.written, c.bytes);
        Dialogs::ClearHistory();
        Open(dir_ / "kinds" / c.chosen);
        EXPECT_EQ(Messages(), std::vector<std::string>{});
        EXPECT_EQ(FirstDifference(image), -1);
        EXPECT_EQ(DeviceFamily, FamilyKVL420);
        fs::remove_all(dir_ / "kinds");
    }
}

TEST_F(FileTest, PowerVariantIsAskedWhenTheTableDoesNotTell) {
    Start();
    TRegisterImage image = RadioImage(5);
    TRegisterMap map;
    TStringList mapped;
    LoadRegisterMap(dir_ / "steuerung.cfg", FamilyKVL420, map, mapped);
    // 100 lies between two entries of the power table.
    for (int i = map.tab_anf_sendeleistung; i <= map.tab_end_sendeleistung; ++i)
        image[static_cast<size_t>(i)] = static_cast<uint32_t>(i - map.tab_anf_sendeleistung) * 15;
    WriteFile(dir_ / "p.qdv", CustomerFileOf(image));
    for (const int answer : {int(Dialogs::Ok), int(Dialogs::Cancel)}) {
        Form1->ClearParameterSet();
        Dialogs::QueueModal([answer](QDialog&) { return answer; });
        Open(dir_ / "p.qdv");
        EXPECT_EQ(DeviceFamily, answer == Dialogs::Ok ? FamilyKVL420 : FamilyNone);
        EXPECT_EQ(ImageIsClear(), answer != Dialogs::Ok);
    }
}

TEST_F(FileTest, SaveCompletesOnlyTheFileName) {
    Start();
    const TRegisterImage image = RadioImage(2);
    WriteFile(dir_ / "in.qdv", CustomerFileOf(image));
    Open(dir_ / "in.qdv");
    fs::create_directory(dir_ / "lower");
    // Outside the service mode every name becomes a customer file.
    Save(dir_ / "lower" / "set");
    EXPECT_TRUE(fs::exists(dir_ / "lower" / "SET.QDV"));
    // In service mode "No" to the register text file keeps the name's case.
    ServiceMode = 1;
    Dialogs::QueueAnswer(Dialogs::No);
    Save(dir_ / "lower" / "test");
    EXPECT_TRUE(ReadFile(dir_ / "lower" / "test.qdv") == CustomerFileOf(image));
    EXPECT_EQ(Dialogs::History()[Dialogs::History().size() - 2].caption, "File Format!");
    // A save without data refuses.
    ServiceMode = 0;
    Form1->ClearParameterSet();
    Dialogs::ClearHistory();
    Form1->savebuttonClick();
    ASSERT_EQ(Dialogs::History().size(), 1u);
    EXPECT_EQ(Dialogs::History()[0].text, "$T30022");
}

TEST_F(FileTest, ASaveThatCannotBeWrittenTellsWhyAndKeepsTheOldFile) {
    Start();
    const TRegisterImage image = RadioImage(4);
    WriteFile(dir_ / "in.qdv", CustomerFileOf(image));
    Open(dir_ / "in.qdv");
    const fs::path folder = dir_ / "locked";
    WriteFile(folder / "old.qdv", "old contents\r\n");
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read |
                                fs::perms::others_exec);
    const int code = RunUnprivileged([&] {
        Dialogs::ClearHistory();
        Save(folder / "old.qdv");
        const std::vector<std::string> shown = Messages();
        if (shown != std::vector<std::string>{"$T30071"})
            return 10;
        return Status() == "$T29002" ? 0 : 11;
    });
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadFile(folder / "old.qdv"), "old contents\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST_F(FileTest, DemoFilesOpenWithoutADialogAndSaveIntoTheirFolder) {
    Start();
    const TRegisterImage image = RadioImage(9);
    const fs::path demos = dir_ / "Demos";
    WriteFile(demos / "Station A.qdv", CustomerFileOf(image));
    Form1->DemoFile = (demos / "Station A.qdv").string();
    Form1->OpenDemoFile = true;
    Form1->openbuttonClick();
    Form1->OpenDemoFile = false;
    Form1->DemoLoaded = true;
    EXPECT_EQ(FirstDifference(image), -1);
    for (const Dialogs::Shown& s : Dialogs::History())
        EXPECT_NE(s.kind, "open");

    // The name is asked; an existing one only with consent.
    Dialogs::ClearHistory();
    Dialogs::QueueInput("Station A");
    Dialogs::QueueAnswer(Dialogs::No);
    Dialogs::QueueInput("Station B");
    Form1->savebuttonClick();
    EXPECT_TRUE(ReadFile(demos / "Station B.qdv") == CustomerFileOf(image));
    EXPECT_EQ(Messages(), (std::vector<std::string>{"$T30068", "$T30003"}));
    EXPECT_EQ(Dialogs::History()[0].caption, "$T30069");
    // Cancelled: nothing is written or said.
    Dialogs::ClearHistory();
    Form1->savebuttonClick();
    EXPECT_EQ(Messages(), std::vector<std::string>{});
    EXPECT_EQ(std::distance(fs::directory_iterator(demos), fs::directory_iterator()), 2);
}

TEST_F(FileTest, TheSyntaxCheckNamesEachFaultOfAValue) {
    Start();
    struct Case {
        std::vector<std::string> lines;
        bool invalid;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {{"; comment", "", "  r900=$0012 ; c", "901=%101", "R902=65535"}, false, {}},
        {{"r900=$0012", "r901=$12345", "r902=junk"}, true, {"$T30009"}},
        {{"r901=%102"}, true, {"$T30010"}},
        {{"r901=65536"}, true, {"$T30011"}},
        {{"r901=0x12"}, true, {"$T30011"}},
        {{"r901=#12"}, true, {}},
        {{"r=5"}, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines.back());
        Dialogs::ClearHistory();
        TStringList lines;
        lines.Lines() = c.lines;
        EXPECT_EQ(Form1->CheckParameterLines(lines), c.invalid);
        EXPECT_EQ(Messages(), c.messages);
    }
    TStringList cleaned;
    cleaned.Lines() = {"  r900=$0012 ; c"};
    Form1->CheckParameterLines(cleaned);
    EXPECT_EQ(cleaned[0], "r900=$0012");
}

TEST_F(FileTest, RangeEditsTakeDigitsOnlyAndTypingOverwrites) {
    Start();
    TOKBottomDlg& dialog = *OKBottomDlg;
    struct Case {
        std::string before;
        int caret;
        std::vector<int> keys; // Qt key codes; digits and letters as their characters
        std::string after;
    };
    const Case cases[] = {
        {"900", 0, {'1', '2'}, "120"},
        {"900", 3, {'5'}, "9005"},
        {"900", 1, {'A', '-', ' ', '7'}, "970"},
        {"1471", 4, {Qt::Key_Backspace}, "147"},
    };
    for (QLineEdit* edit : {dialog.ui.LabeledEdit1, dialog.ui.LabeledEdit2}) {
        for (const Case& c : cases) {
            edit->setText(ToQString(c.before));
            edit->setCursorPosition(c.caret);
            for (int key : c.keys) {
                const QString text = key == Qt::Key_Backspace ? QString() : QString(QChar(key));
                QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
                QCoreApplication::sendEvent(edit, &press);
            }
            EXPECT_EQ(FromQString(edit->text()), c.after) << c.before;
        }
    }
    dialog.show();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QCoreApplication::sendEvent(dialog.ui.LabeledEdit2, &enter);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

} // namespace
