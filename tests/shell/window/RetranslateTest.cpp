// The main window in the user's language: the language check at start-up,
// the language menu, the retranslation of the window and the texts of the
// small dialogs. The language service runs for real on files written into
// the program folder.
#include "support/WindowFixture.h"

#include "pages/window/PageFixture.h"
#include "report/window/Schnittstelle.h"
#include "shell/window/AboutBox.h"
#include "support/ScopedEnv.h"

#include "device/window/Form4.h"
#include "device/window/Stwaehlen.h"
#include "files/window/Datenladen.h"
#include "link/window/Form2.h"
#include "platform/IniFile.h"
#include "platform/StringList.h"
#include "platform/Text.h"
#include "shell/Sprache.h"
#include "shell/window/WindowTexts.h"
#include "support/NamedPipe.h"

#include <QAbstractButton>
#include <QAction>
#include <QDialogButtonBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolBar>

#include <array>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* const kTitle = "Ostara V. 2.23";

std::string ReadBytes(const fs::path& file) {
    std::string bytes, error;
    if (!ReadFileBytes(file, bytes, error))
        return {};
    return bytes;
}

void WriteBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::istringstream in(bytes);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines)
        out += l + "\r\n";
    return out;
}

// The language file of dir with every line passed through edit (which
// returns the lines to write in its place).
template <class Edit> void EditLanguageFile(const fs::path& dir, Edit edit) {
    std::vector<std::string> out;
    for (const auto& line : Lines(ReadBytes(dir / "default.lang")))
        for (auto& l : edit(line))
            out.push_back(l);
    WriteBytes(dir / "default.lang", Joined(out));
}

bool IsTextLine(const std::string& line) {
    return line.size() > 9 && line.compare(0, 2, "$T") == 0 && line[2] >= '0' && line[2] <= '9' &&
           line[9] == '=';
}

// The shipped file turned into three languages DE, GB and FR, each text
// being "<id> <code>". FR is chosen for the LANGIDs 3084, 1036 and 2060.
std::string ThreeLanguageFile() {
    std::vector<std::string> out;
    std::string section;
    for (const auto& line : Lines(ReadBytes(fs::path(OSTARA_PROGRAM_DIR) / "default.lang"))) {
        if (!line.empty() && line[0] == '[')
            section = line;
        if (line == "Sprachen=2") {
            out.push_back("Sprachen=3");
        } else if (IsTextLine(line)) {
            const std::string id = line.substr(0, 7), code = line.substr(7, 2);
            out.push_back(id + code + "=" + id + " " + code);
            if (code == "GB")
                out.push_back(id + "FR=" + id + " FR");
        } else if (section == "[WinLanguage]" && line.compare(0, 3, "GB=") == 0) {
            out.push_back(line);
            out.push_back("FR=Francais,3084,1036,2060");
        } else if (line == "[Language]") {
            out.push_back(line);
            for (const char* code : {"DE", "GB", "FR"})
                for (int i = 0; i < 3; ++i)
                    out.push_back("$TM" + std::to_string(i) + code + "=name" + std::to_string(i) +
                                  "-" + code);
            section = "[Language] (written)";
        } else if (section != "[Language] (written)") {
            out.push_back(line);
        }
    }
    return Joined(out);
}

// The tab caption of a page of one of the window's page controls.
std::string TabText(QWidget* page) {
    for (QWidget* w = page->parentWidget(); w; w = w->parentWidget())
        if (auto* tabs = qobject_cast<QTabWidget*>(w))
            return FromQString(tabs->tabText(tabs->indexOf(page)));
    return "<no page control>";
}

// Replaces the %S% placeholders of text by a1, then a2 for every later one.
std::string Fill2(std::string text, const std::string& a1, const std::string& a2) {
    bool first = true;
    for (size_t p = text.find("%S%"); p != std::string::npos; p = text.find("%S%", p)) {
        const std::string& a = first ? a1 : a2;
        text.replace(p, 3, a);
        p += a.size();
        first = false;
    }
    return text;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (size_t p = text.find(from); p != std::string::npos; p = text.find(from, p + to.size()))
        text.replace(p, from.size(), to);
    return text;
}

std::vector<std::string> LogMessagesStartingWith(const fs::path& dir, const std::string& start) {
    std::vector<std::string> found;
    for (const auto& line : Lines(ReadBytes(dir / "Error.txt"))) {
        // date, time, " * ", message, " * "
        const size_t p = line.find(" * ");
        if (p != std::string::npos && line.compare(p + 3, start.size(), start) == 0)
            found.push_back(line.substr(p + 3));
    }
    return found;
}

} // namespace

// --- the language check at start-up -----------------------------------

class LanguageCheckTest : public WindowTest {
protected:
    // The window closes itself when shown and the program ends.
    void ExpectTheProgramEnds() {
        ASSERT_NE(Form1, nullptr);
        EXPECT_TRUE(Form1->QuitAtStart);
        // Nothing was translated: the design texts and an empty language menu.
        EXPECT_TRUE(Form1->LanguageMenuItems.empty());
        EXPECT_TRUE(Form1->ui.Sprache1->actions().isEmpty());
        EXPECT_EQ(FromQString(Form1->ui.Datei1->title()), "Datei");
        Form1->show();
        EXPECT_TRUE(RunUntil([] { return Application().Terminated(); }));
    }
    // Shown once as damaged, logged with why, and the program ends.
    void ExpectDamaged(const std::string& why) {
        EXPECT_EQ(CountShown("Your language file is damaged!"), 1);
        EXPECT_EQ(LogMessagesStartingWith(dir_, "Lang"),
                  std::vector<std::string>{"Lang<-76>File damaged: " +
                                           (dir_ / "default.lang").string() + ": " + why + " * "});
        ExpectTheProgramEnds();
    }
};

TEST_F(LanguageCheckTest, NoLanguageFileIsReportedLoggedAndEndsTheProgram) {
    ASSERT_TRUE(fs::remove(dir_ / "default.lang"));
    Start();
    EXPECT_EQ(CountShown("No language file was found!"), 1);
    const auto lines = LogMessagesStartingWith(dir_, "Lang");
    ASSERT_EQ(lines.size(), 1u) << ReadBytes(dir_ / "Error.txt");
    // The accent between "Lang" and "File" is made visible as a signed byte.
    EXPECT_EQ(lines[0].rfind("Lang<-76>File gesucht in: " + FromQString(QDir::currentPath()) +
                                 "\\" + Form1->ProgramDir,
                             0),
              0u)
        << lines[0];
    ExpectTheProgramEnds();
}

TEST_F(LanguageCheckTest, AFileWithoutLanguagesCountsAsNoFile) {
    EditLanguageFile(dir_, [](const std::string& l) {
        return std::vector<std::string>{l == "Sprachen=2" ? "Sprachen=0" : l};
    });
    Start();
    EXPECT_EQ(CountShown("No language file was found!"), 1);
    EXPECT_EQ(LogMessagesStartingWith(dir_, "Lang").size(), 1u);
    ExpectTheProgramEnds();
}

TEST_F(LanguageCheckTest, AFileCutShortIsReportedAsDamagedLoggedAndEndsTheProgram) {
    const std::string whole = ReadBytes(dir_ / "default.lang");
    WriteBytes(dir_ / "default.lang", whole.substr(0, whole.size() / 2));
    Start();
    ExpectDamaged("0 [WinLanguage] lines for 2 languages");
}

// A named pipe in the file's place is not waited for: damaged.
TEST_F(LanguageCheckTest, APipeForTheFileIsReportedAsDamagedWithoutWaiting) {
    ASSERT_TRUE(fs::remove(dir_ / "default.lang"));
    HeldPipe pipe(dir_ / "default.lang");
    Start();
    EXPECT_TRUE(pipe.Untouched());
    ExpectDamaged("not a regular file");
}

TEST_F(LanguageCheckTest, AnOldFileAsksForANewOneWithoutALogLine) {
    EditLanguageFile(dir_, [](const std::string& l) {
        return std::vector<std::string>{l == "Version=122" ? "Version=121" : l};
    });
    Start();
    EXPECT_EQ(CountShown("Your Program required a new language file!"), 1);
    EXPECT_EQ(CountShown("No language file was found!"), 0);
    EXPECT_TRUE(LogMessagesStartingWith(dir_, "Lang").empty());
    ExpectTheProgramEnds();
}

TEST_F(LanguageCheckTest, AFileWithoutVersionIsTooOld) {
    // A missing version counts as 0, which is below the 122 the program asks for.
    EditLanguageFile(dir_, [](const std::string& l) {
        return l == "Version=122" ? std::vector<std::string>{} : std::vector<std::string>{l};
    });
    Start();
    EXPECT_EQ(CountShown("Your Program required a new language file!"), 1);
    EXPECT_EQ(CountShown("Your language file contains no valid version number!"), 0);
    ExpectTheProgramEnds();
}

TEST_F(LanguageCheckTest, TheFileOfVersion122IsAccepted) {
    Start();
    EXPECT_FALSE(Form1->QuitAtStart);
    EXPECT_EQ(CountShown("No language file was found!"), 0);
    EXPECT_EQ(Form1->LanguageMenuItems.size(), 2u);
    EXPECT_EQ(FromQString(Form1->ui.Datei1->title()), "$T01001");
}

// --- the language menu -------------------------------------------------

TEST_F(WindowTest, AMenuChangeToABrokenFileReportsItAndTheProgramGoesOn) {
    Start();
    ASSERT_FALSE(Form1->QuitAtStart);
    ASSERT_EQ(Form1->LanguageMenuItems.size(), 2u);
    Form1->ui.Datei1->setTitle("kept");

    EditLanguageFile(dir_, [](const std::string& l) {
        return std::vector<std::string>{l == "Version=122" ? "Version=121" : l};
    });
    Form1->LanguageMenuItems[0]->trigger();
    EXPECT_EQ(CountShown("Your Program required a new language file!"), 1);
    EXPECT_FALSE(Form1->QuitAtStart);
    EXPECT_EQ(ControlsUpdating, 0);
    // The menu and the texts stay as they were.
    EXPECT_EQ(Form1->ui.Sprache1->actions().size(), 2);
    EXPECT_EQ(FromQString(Form1->ui.Datei1->title()), "kept");

    ASSERT_TRUE(fs::remove(dir_ / "default.lang"));
    ASSERT_EQ(Form1->LanguageMenuItems.size(), 2u);
    Form1->LanguageMenuItems[1]->trigger();
    EXPECT_EQ(CountShown("No language file was found!"), 1);
    EXPECT_EQ(LogMessagesStartingWith(dir_, "Lang").size(), 1u);
    EXPECT_FALSE(Form1->QuitAtStart);
    EXPECT_EQ(ControlsUpdating, 0);

    Form1->show();
    EXPECT_FALSE(RunUntil([] { return Application().Terminated(); }, 150));
}

class ThreeLanguagesTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        WriteBytes(dir_ / "default.lang", ThreeLanguageFile());
    }

    static std::vector<std::string> MenuNames() {
        std::vector<std::string> names;
        for (QAction* a : Form1->ui.Sprache1->actions())
            names.push_back(FromQString(a->text()));
        return names;
    }

    static int CheckedEntry() {
        int checked = -1;
        for (size_t i = 0; i < Form1->LanguageMenuItems.size(); ++i)
            if (Form1->LanguageMenuItems[i]->isChecked())
                checked = checked == -1 ? static_cast<int>(i) : -2;
        return checked;
    }
};

TEST_F(ThreeLanguagesTest, TheMenuListsEveryLanguageAndChecksTheCurrentOne) {
    Start();
    ASSERT_FALSE(Form1->QuitAtStart);
    ASSERT_EQ(Form1->LanguageMenuItems.size(), 3u);
    // The names in the current language (English, for LANGID 2057).
    EXPECT_EQ(MenuNames(), (std::vector<std::string>{"name0-GB", "name1-GB", "name2-GB"}));
    EXPECT_EQ(CheckedEntry(), 1);
    EXPECT_EQ(FromQString(Form1->ui.Datei1->title()), "$T01001 GB");
}

TEST_F(ThreeLanguagesTest, ChoosingALanguageStoresItsIdWritesTheSettingsAndRetranslates) {
    Start();
    ASSERT_EQ(Form1->LanguageMenuItems.size(), 3u);
    ASSERT_FALSE(fs::exists(dir_ / "ostra.ini"));
    // The entry point had set the application title to another name.
    ProgramTitle = "Vantu";
    Application().SetTitle("Vantu");
    std::vector<int> updatingSeen;
    // The watch ends with the test, before the window goes and changes its actions.
    QObject watch;
    QObject::connect(Form1->ui.Datei1->menuAction(), &QAction::changed, &watch,
                     [&updatingSeen] { updatingSeen.push_back(ControlsUpdating); });

    Form1->LanguageMenuItems[2]->trigger();

    EXPECT_EQ(Form1->LanguageId, 1036); // the smallest of 3084, 1036, 2060
    EXPECT_EQ(TMemIniFile(dir_ / "ostra.ini").ReadInteger("Main", "Sprache", -1), 1036);
    EXPECT_EQ(FromQString(Form1->ui.Datei1->title()), "$T01001 FR");
    EXPECT_EQ(TabText(Form1->ui.Frequenzliste), "$T06001 FR");
    EXPECT_EQ(FromQString(Form1->ui.ToolButton1->toolTip()), "$T05001 FR");
    ASSERT_FALSE(updatingSeen.empty());
    for (int u : updatingSeen)
        EXPECT_EQ(u, 1);
    EXPECT_EQ(ControlsUpdating, 0);
    // The old entries are gone, the new ones name the languages in French.
    ASSERT_EQ(Form1->LanguageMenuItems.size(), 3u);
    EXPECT_EQ(MenuNames(), (std::vector<std::string>{"name0-FR", "name1-FR", "name2-FR"}));
    EXPECT_EQ(CheckedEntry(), 2);
    // The title stays the program's.
    EXPECT_EQ(FromQString(Form1->windowTitle()), kTitle);
    EXPECT_EQ(ProgramTitle, kTitle);
    EXPECT_EQ(Application().Title(), kTitle);
    EXPECT_FALSE(Form1->QuitAtStart);

    // And back to German: a second change works on the rebuilt menu.
    Form1->LanguageMenuItems[0]->trigger();
    EXPECT_EQ(Form1->LanguageId, 1031);
    EXPECT_EQ(TMemIniFile(dir_ / "ostra.ini").ReadInteger("Main", "Sprache", -1), 1031);
    EXPECT_EQ(FromQString(Form1->ui.Datei1->title()), "$T01001 DE");
    EXPECT_EQ(MenuNames(), (std::vector<std::string>{"name0-DE", "name1-DE", "name2-DE"}));
    EXPECT_EQ(CheckedEntry(), 0);
    EXPECT_EQ(FromQString(Form1->windowTitle()), kTitle);
}

TEST_F(ThreeLanguagesTest, TheSubSlotChoiceKeepsItsSelectionAndPlaceAcrossAChange) {
    Start();
    QRadioButton* const buttons[] = {Form1->ui.SubSlot_0, Form1->ui.SubSlot_1, Form1->ui.SubSlot_2,
                                     Form1->ui.SubSlot_3, Form1->ui.SubSlot_4};
    std::array<int, 5> x{};
    for (int i = 0; i < 5; ++i) {
        x[i] = buttons[i]->x();
        EXPECT_EQ(buttons[i]->width(), 150);
    }
    buttons[3]->setChecked(true);
    Form1->LanguageMenuItems[2]->trigger();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(FromQString(buttons[i]->text()), TSprache::MakeId(10, i + 1) + " FR");
        EXPECT_EQ(buttons[i]->x(), x[i]) << i;
        EXPECT_EQ(buttons[i]->width(), 150) << i;
    }
    EXPECT_TRUE(buttons[3]->isChecked());
}

// --- the shipped language file -----------------------------------------

struct ShippedCase {
    const char* locale;
    const char* code;
};

class ShippedLanguageTest : public WindowTest, public ::testing::WithParamInterface<ShippedCase> {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(fs::copy_file(fs::path(OSTARA_PROGRAM_DIR) / "default.lang",
                                  dir_ / "default.lang", fs::copy_options::overwrite_existing));
        setenv("LC_ALL", GetParam().locale, 1);
        file_ = TMemIniFile(dir_ / "default.lang");
    }

    // The raw text of id in the case's language, as the file holds it.
    std::string Text(const std::string& id) const {
        return file_.ReadString("Global", id + GetParam().code, "<missing " + id + ">");
    }

    TMemIniFile file_;
};

TEST_P(ShippedLanguageTest, TheWindowShowsTheFilesTextsWithoutLookupFailures) {
    Start();
    ASSERT_FALSE(Form1->QuitAtStart);
    for (const auto& s : Dialogs::History()) {
        EXPECT_EQ(s.text.find("Text not found"), std::string::npos) << s.text;
        EXPECT_EQ(s.text.find("Bad StringID"), std::string::npos) << s.text;
    }
    EXPECT_EQ(Form1->Sprache->GetLanguage(), GetParam().code);

    EXPECT_EQ(FromQString(Form1->ui.Datei1->title()), Text("$T01001"));
    EXPECT_EQ(FromQString(Form1->ui.Einstellungen1->title()), Text("$T01002"));
    EXPECT_EQ(FromQString(Form1->ui.Beenden1->text()), Text("$T02003"));
    EXPECT_EQ(TabText(Form1->ui.Frequenzliste), Text("$T06001"));
    EXPECT_EQ(TabText(Form1->ui.FrequenzEditor), Text("$T06011"));
    EXPECT_EQ(TabText(Form1->ui.dzfEinstellung), Text("$T06012"));

    // The first eleven tool-bar entries: nine buttons with a hint, two separators.
    QAction* const hinted[] = {Form1->ui.ToolButton1, Form1->ui.ToolButton2, Form1->ui.openbutton,
                               Form1->ui.savebutton,  Form1->ui.down_load,   Form1->ui.up_load,
                               Form1->ui.funk,        Form1->ui.einstellung, Form1->ui.SaveToStrg};
    for (int n = 0; n < 9; ++n)
        EXPECT_EQ(FromQString(hinted[n]->toolTip()), Text(TSprache::MakeId(5, n + 1)))
            << hinted[n]->objectName().toStdString();
    const std::pair<QAction*, const char*> designHints[] = {
        {Form1->ui.scanreg, "[F8] Scan Register"},
        {Form1->ui.service, "[F9] Service Mode"},
        {Form1->ui.BrowserEnable, "Register Browser"},
        {Form1->ui.Konverter, "Konverter"}};
    for (const auto& [button, hint] : designHints)
        EXPECT_EQ(FromQString(button->toolTip()), hint) << button->objectName().toStdString();

    QRadioButton* const subSlots[] = {Form1->ui.SubSlot_0, Form1->ui.SubSlot_1, Form1->ui.SubSlot_2,
                                      Form1->ui.SubSlot_3, Form1->ui.SubSlot_4};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(FromQString(subSlots[i]->text()), Text(TSprache::MakeId(10, i + 1)));

    EXPECT_EQ(FromQString(Form1->ui.za0_a1->text()), Fill2(Text("$T16004"), "0", "1"));
    EXPECT_EQ(FromQString(Form1->ui.za7_b8->text()), Fill2(Text("$T16005"), "7", "8"));
    EXPECT_EQ(FromQString(Form1->ui.zb14_b15->text()), Fill2(Text("$T16006"), "14", "15"));
    EXPECT_EQ(FromQString(Form1->ui.t_Timeout->title()), Text("$T21001") + Text("$T21002"));
    EXPECT_EQ(FromQString(Form1->windowTitle()), kTitle);

    // The load confirmation's question: group 24 joined, its line breaks filled in.
    Form1->TranslateDatenladenDialog();
    EXPECT_EQ(FromQString(datenladen1->ui.Label2->text()),
              Replace(Text("$T24001") + Text("$T24002") + Text("$T24003"), "%NL%", "\n"));
}

INSTANTIATE_TEST_SUITE_P(Languages, ShippedLanguageTest,
                         ::testing::Values(ShippedCase{"de_DE.UTF-8", "DE"},
                                           ShippedCase{"en_GB.UTF-8", "GB"}),
                         [](const auto& info) { return std::string(info.param.code); });

// --- the small dialogs -------------------------------------------------

TEST_F(WindowTest, TheSmallDialogsReceiveTheirTexts) {
    Start();

    ASSERT_NE(stwaehlen, nullptr);
    Form1->TranslateModelChooser();
    EXPECT_EQ(FromQString(stwaehlen->ui.Label1->text()), "$T28001");
    EXPECT_EQ(FromQString(stwaehlen->ui.OkButton->text()), "$T23003");
    EXPECT_EQ(FromQString(stwaehlen->ui.Button2->text()), "$T23002");

    ASSERT_NE(datenladen1, nullptr);
    Form1->TranslateDatenladenDialog();
    EXPECT_EQ(FromQString(datenladen1->ui.Label2->text()), "$T24001$T24002$T24003");
    EXPECT_EQ(FromQString(datenladen1->ui.Laden1->text()), "$T23001");
    EXPECT_EQ(FromQString(datenladen1->ui.Button2->text()), "$T23002");

    ASSERT_NE(Form2, nullptr);
    Form1->TranslatePortSettingsDialog();
    EXPECT_EQ(FromQString(Form2->windowTitle()), "$T25001");
    EXPECT_EQ(FromQString(Form2->ui.Label1->text()), "$T25002");
    EXPECT_EQ(FromQString(Form2->ui.Label2->text()), "$T25003");
    EXPECT_EQ(FromQString(Form2->ui.datenbitsgroup->title()), "$T25004");
    EXPECT_EQ(FromQString(Form2->ui.ok->text()), "$T23003");
    EXPECT_EQ(FromQString(Form2->ui.abbrechen->text()), "$T23002");
    // The parity choice lists none, odd, even.
    EXPECT_EQ(FromQString(Form2->ui.paritygroup->title()), "$T43008");
    EXPECT_EQ(FromQString(Form2->ui.paritygroup_0->text()), "$T43011");
    EXPECT_EQ(FromQString(Form2->ui.paritygroup_1->text()), "$T43009");
    EXPECT_EQ(FromQString(Form2->ui.paritygroup_2->text()), "$T43010");

    EXPECT_TRUE(Dialogs::History().empty());
}

TEST_F(WindowTest, TheTransferWindowsTextsForReadAndWrite) {
    Start();
    ASSERT_NE(Form4, nullptr);
    auto label1 = [] { return Form4->Label1Caption(); };
    auto label2 = [] { return Form4->Label2Caption(); };
    auto button = [] { return Form4->Button1Caption(); };

    Form4->SetLabel2Caption("second line");
    Form1->TranslateReadProgress("$T27001");
    EXPECT_EQ(label1(), "$T27001");
    EXPECT_EQ(label2(), "");
    EXPECT_EQ(button(), "$T23004");
    EXPECT_EQ(Form4->windowIcon().cacheKey(), Form1->windowIcon().cacheKey());

    // Without a title id the first line stays.
    Form4->SetLabel1Caption("first line");
    Form4->SetLabel2Caption("second line");
    Form1->TranslateReadProgress("");
    EXPECT_EQ(label1(), "first line");
    EXPECT_EQ(label2(), "");

    // Without a second-line id the second line stays.
    Form4->SetLabel2Caption("second line");
    Form4->SetButton1Caption("x");
    Form1->TranslateWriteProgress("");
    EXPECT_EQ(label1(), "$T26001");
    EXPECT_EQ(label2(), "second line");
    EXPECT_EQ(button(), "$T23004");

    Form1->TranslateWriteProgress("$T29003");
    EXPECT_EQ(label2(), "$T29003");

    EXPECT_TRUE(Dialogs::History().empty());
}

// A button without a hint of its own (Qt then shows its text as tool tip)
// keeps it and uses no number of the hint texts.
TEST_F(ThreeLanguagesTest, AToolBarButtonWithoutHintKeepsItAndUsesNoNumber) {
    Start();
    // ToolButton2 as if its form gave it no hint.
    Form1->ui.ToolButton2->setToolTip("");
    Form1->LanguageMenuItems[2]->trigger();
    EXPECT_EQ(FromQString(Form1->ui.ToolButton1->toolTip()), "$T05001 FR");
    EXPECT_EQ(FromQString(Form1->ui.openbutton->toolTip()), "$T05002 FR");
    EXPECT_EQ(FromQString(Form1->ui.SaveToStrg->toolTip()), "$T05008 FR");
    EXPECT_NE(FromQString(Form1->ui.ToolButton2->toolTip()).rfind("$T05", 0), 0u);
}

// --- the main window's tables ------------------------------------------

namespace {

// The text a control of a table row shows: the caption of a label, button,
// group box, menu entry or menu, or the tab text of a page.
std::string ShownText(QObject* control) {
    if (auto* label = qobject_cast<QLabel*>(control))
        return FromQString(label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        return FromQString(button->text());
    if (auto* group = qobject_cast<QGroupBox*>(control))
        return FromQString(group->title());
    if (auto* action = qobject_cast<QAction*>(control))
        return FromQString(action->text());
    if (auto* menu = qobject_cast<QMenu*>(control))
        return FromQString(menu->title());
    if (auto* page = qobject_cast<QWidget*>(control))
        return TabText(page);
    return "<no text>";
}

} // namespace

// After a change of language every row of the tables shows its text: no
// control of a kind the rows cannot caption, no page outside a page
// control, no radio group without the button of an item, and no row
// overwritten by a later one or by the window's own code.
TEST_F(ThreeLanguagesTest, EveryRowOfTheMainWindowsTablesShowsItsText) {
    Start();
    ASSERT_EQ(Form1->LanguageMenuItems.size(), 3u);
    Form1->LanguageMenuItems[2]->trigger();

    const std::vector<TextRow> texts = MainWindowTexts(Form1->ui);
    ASSERT_FALSE(texts.empty());
    std::set<QObject*> captioned;
    for (const auto& [control, id] : texts) {
        ASSERT_NE(control, nullptr) << id;
        const std::string name = FromQString(control->objectName());
        EXPECT_TRUE(captioned.insert(control).second) << name << " has two rows";
        EXPECT_EQ(ShownText(control), std::string(id) + " FR") << name;
    }

    const std::vector<ChoiceRow> choices = MainWindowChoices(Form1->ui);
    ASSERT_FALSE(choices.empty());
    std::set<QWidget*> groups;
    for (const auto& [group, ids] : choices) {
        ASSERT_NE(group, nullptr);
        const QString name = group->objectName();
        EXPECT_TRUE(groups.insert(group).second) << FromQString(name) << " has two rows";
        ASSERT_FALSE(ids.empty()) << FromQString(name);
        for (size_t i = 0; i < ids.size(); ++i) {
            const QString item = name + "_" + QString::number(i);
            const auto found = group->findChildren<QAbstractButton*>(item);
            ASSERT_EQ(found.size(), 1) << FromQString(item);
            EXPECT_EQ(FromQString(found[0]->text()), std::string(ids[i]) + " FR")
                << FromQString(item);
        }
    }
}

// The buttons speak the starting language; each change names the device family anew.
TEST_F(ThreeLanguagesTest, MessageBoxButtonsAndTheAddressLabelFollowTheLanguage) {
    Start();
    const std::tuple<int, std::string, int, std::string> steps[] = {{1, " GB", 0, ""},
                                                                    {2, " FR", 0x10, "$T14022"},
                                                                    {0, " DE", 0xD0, "$T06010"},
                                                                    {2, " FR", 0x30, "$T14011"},
                                                                    {0, " DE", 0x21, "$T14011"}};
    for (const auto& [language, code, family, address] : steps) {
        if (family) {
            DeviceFamily = family;
            Form1->LanguageMenuItems[language]->trigger();
            EXPECT_EQ(FromQString(Form1->ui.logische->text()), address + code) << family;
        }
        Dialogs::ClearHistory();
        Dialogs::MessageBox("q", "c", Dialogs::YesNoCancel, Dialogs::Question);
        Dialogs::ShowMessage("m");
        EXPECT_EQ(Dialogs::History().at(0).buttonTexts,
                  (std::vector<std::string>{"$T23002" + code, "$T23005" + code, "$T23006" + code}));
        EXPECT_EQ(Dialogs::History().at(1).buttonTexts, std::vector<std::string>{"$T23003" + code});
    }
}

// --- Qt's own dialogs and the texts outside the tables -----------------

namespace {

// A language's menu entry, Qt's Cancel button, the print dialog's title, the
// about box's rights line and the start of the radio pages' hint line.
struct ProgramLanguage {
    size_t menuEntry;
    const char *cancel, *printTitle, *rights, *hint;
};
const ProgramLanguage German{0, "Abbrechen", "Drucken", "Alle Rechte vorbehalten.",
                             "Frequenzraster: "};
const ProgramLanguage English{1, "Cancel", "Print", "All rights reserved.", "Channel spacing: "};

} // namespace

class QtLanguageTest : public PageTest,
                       public ::testing::WithParamInterface<
                           std::tuple<const char*, ProgramLanguage, ProgramLanguage>> {
protected:
    static void ExpectSpeaks(const ProgramLanguage& l) {
        QDialogButtonBox buttons(QDialogButtonBox::Cancel);
        EXPECT_EQ(FromQString(buttons.button(QDialogButtonBox::Cancel)->text()), l.cancel);
        Dialogs::QueueModal([](QDialog& d) {
            dynamic_cast<TpSchnittstelle&>(d).Button1Click();
            return static_cast<int>(Dialogs::Ok);
        });
        Form1->drucken1Click(); // the print dialog cancelled
        EXPECT_EQ(Dialogs::History().back().caption, l.printTitle);
        std::string rights;
        Dialogs::QueueModal([&rights](QDialog&) {
            rights = FromQString(AboutBox->ui.Label2->text());
            return static_cast<int>(Dialogs::Ok);
        });
        Form1->ber1Click();
        EXPECT_EQ(rights, l.rights);
        EXPECT_EQ(FromQString(Form1->ui.Label5->text()).rfind(l.hint, 0), 0u);
    }
};

// Whatever the desktop's language, at start and after each change Qt's own
// dialogs and the program speak the program's language; the shown radio
// page's hint follows without the frequency editor refilled.
TEST_P(QtLanguageTest, QtsDialogsAndTheOtherTextsSpeakTheProgramsLanguage) {
    const auto& [desktop, start, chosen] = GetParam();
    ScopedEnv lang("LANG", desktop), all("LC_ALL", desktop);
    UseShippedTexts();
    ASSERT_NO_FATAL_FAILURE(StartShown({"--type", "0x21"}));
    ASSERT_TRUE(Read());
    Ui::TForm1& ui = Form1->ui;
    ui.funk->trigger();
    ExpectSpeaks(start);
    Form1->LanguageMenuItems.at(chosen.menuEntry)->trigger();
    ExpectSpeaks(chosen);

    UserSelects(ui.PageControl1, ui.FrequenzEditor);
    ui.FEdit1->setText("433.9");
    Form1->LanguageMenuItems.at(start.menuEntry)->trigger();
    EXPECT_EQ(FromQString(ui.FEdit1->text()), "433.9");
}

INSTANTIATE_TEST_SUITE_P(Desktops, QtLanguageTest,
                         ::testing::Values(std::tuple("en_GB.UTF-8", English, German),
                                           std::tuple("de_DE.UTF-8", German, English)),
                         [](const auto& info) { return std::string(std::get<0>(info.param), 2); });
