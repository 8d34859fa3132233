// The print command after a read from the simulator, printed to PDF: the
// report shows the device on one page, nothing of the pages or the image
// changes, the dialogs' answers decide, and a service-mode print uses the
// language chosen for it and leaves the program's own.
#include "pages/window/PageFixture.h"
#include "platform/window/RadioGroup.h"
#include "report/window/PrintSteuerung.h"
#include "report/window/Schnittstelle.h"
#include "shell/Sprache.h"
#include "shell/window/FileListDialog.h"

#include <QDate>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <regex>

namespace {

// What a poppler tool writes about the file; the text without blanks, as a
// PDF's text keeps the words, not the spacing.
std::string Poppler(const std::string& tool, const std::filesystem::path& file, bool squeeze) {
    std::string out;
    const std::string to = squeeze ? " -" : ""; // pdftotext writes to its standard output
    if (FILE* p = popen((tool + " '" + file.string() + "'" + to + " 2>/dev/null").c_str(), "r")) {
        for (int c; (c = std::fgetc(p)) != EOF;)
            if (!squeeze || !std::isspace(c))
                out += static_cast<char>(c);
        pclose(p);
    }
    return out;
}

// Answers the interface dialog (Dialog = TpSchnittstelle) or the language
// chooser (TFileListDialog) with item.
template <class Dialog> void Choose(int item) {
    Dialogs::QueueModal([item](QDialog& d) {
        auto& dialog = dynamic_cast<Dialog&>(d);
        if constexpr (std::is_same_v<Dialog, TpSchnittstelle>) {
            dialog.ui.RadioGroup1->SetItemIndex(item);
            dialog.Button1Click();
        } else {
            dialog.SetItemIndex(item);
            dialog.OKBtnClick();
        }
        return static_cast<int>(Dialogs::Ok);
    });
}

std::vector<QString> Channels() {
    std::vector<QString> items;
    for (int i = 0; i < Form1->ui.frequenz1->Count(); ++i)
        items.push_back(Form1->ui.frequenz1->ItemCaption(i));
    return items;
}

struct PrintCase {
    std::vector<std::string> device;
    int interfaceItem;
    std::vector<std::string> shown; // without blanks
};

void PrintTo(const PrintCase& c, std::ostream* os) {
    *os << c.device[1];
}

} // namespace

class PrintCommandTest : public PageTest {
protected:
    std::filesystem::path Pdf() const { return dir_ / "report.pdf"; }

    // Prints with the print dialog answered with the PDF file; the report's
    // text without blanks ("" when nothing was printed).
    std::string PrintToPdf() {
        std::filesystem::remove(Pdf());
        Dialogs::QueuePrintFile(Pdf().string());
        Form1->drucken1Click();
        return Poppler("pdftotext -layout", Pdf(), true);
    }

    // The focus timer of a service-mode print run to its end: its tries.
    static int FocusTries() {
        EXPECT_TRUE(RunUntil([] { return !Form1->Drucker->Enabled(); }, 3000));
        return Form1->DruckerTries;
    }
};

class PrintedDeviceTest : public PrintCommandTest,
                          public ::testing::WithParamInterface<PrintCase> {};

TEST_P(PrintedDeviceTest, TheReportShowsTheDeviceOnOnePageAndChangesNothing) {
    ASSERT_NO_FATAL_FAILURE(StartAndRead(GetParam().device));
    Form1->ui.funk->trigger(); // the channel list shown, its current channel selected
    const std::vector<QString> channels = Channels();
    const int selected = Form1->ui.frequenz1->ItemIndex();
    const TRegisterImage image = RegisterImage;
    Choose<TpSchnittstelle>(GetParam().interfaceItem);
    const std::string text = PrintToPdf();
    const std::string today = FromQString(QDate::currentDate().toString("yyyy.MM.dd"));
    for (const std::string& part : GetParam().shown)
        EXPECT_NE(text.find(part), std::string::npos) << part << " in " << text;
    EXPECT_NE(text.find("$T40018" + today), std::string::npos);
    const std::string info = Poppler("pdfinfo", Pdf(), false);
    EXPECT_TRUE(std::regex_search(info, std::regex("Title: +Test Seite!!!\n"))) << info;
    EXPECT_TRUE(std::regex_search(info, std::regex("Pages: +1\n"))) << info;
    EXPECT_EQ(std::pair(Channels(), Form1->ui.frequenz1->ItemIndex()),
              std::pair(channels, selected));
    EXPECT_TRUE(Differences(image, RegisterImage).empty());
    EXPECT_EQ(Dialogs::Unanswered(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Families, PrintedDeviceTest,
    ::testing::Values(
        PrintCase{{"--type", "0x21"},
                  1,
                  {"$T40001", "$T40002KVL-420H/GN", "$T40005$T18003", "[x]RS-485", "[x]9600bps",
                   "[x]3W", "[x]433.1500"}},
        PrintCase{{"--type", "0x10", "--channels", "17"},
                  2,
                  {"WBS-420M/MQ2", "[x]RS-422", "[]100mW[x]250mW[]500mW",
                   "$T40008433.1250-433.5250$T40039433.1500Mhz", "$T4003116,$T40034$T40036"}},
        PrintCase{{"--type", "0x71"},
                  0,
                  {"DZF-420H/", "$T400378", "[x]3W", "[x]433.1500", "$T14018:1200bps"}}),
    [](const auto& info) { return "Type" + info.param.device[1].substr(2); });

TEST_F(PrintCommandTest, ARefusedOrCancelledPrintWritesNoFile) {
    ASSERT_NO_FATAL_FAILURE(StartAndRead({"--type", "0x21"}));
    // The interface dialog cancelled: its message, no print dialog.
    Dialogs::QueueModal([](QDialog&) { return static_cast<int>(Dialogs::Cancel); });
    Form1->drucken1Click();
    EXPECT_EQ(CountShown("$T30026"), 1);
    EXPECT_EQ(Dialogs::History().back().kind, "plain");
    // The print dialog cancelled: no file, no message.
    Choose<TpSchnittstelle>(0);
    Form1->drucken1Click();
    EXPECT_EQ(Dialogs::History().back().kind, "print");
    EXPECT_FALSE(std::filesystem::exists(Pdf()));
    // A refusal shows its message and logs it with the value behind it.
    RegisterImage[RegisterMap.adr_funklayer] = 0x4711;
    EXPECT_EQ(PrintToPdf(), "");
    EXPECT_EQ(CountShown("$T30026"), 2);
    EXPECT_NE(ProgramLog().find("$T30026 PRINT: adresse funklayer=0x4711"), std::string::npos);
    // Without a device family there is no data to print.
    DeviceFamily = 0;
    EXPECT_EQ(PrintToPdf(), "");
    EXPECT_EQ(CountShown("$T30022"), 1);
}

TEST_F(PrintCommandTest, AServiceModePrintUsesItsOwnLanguageAndLeavesTheProgramsLanguage) {
    ASSERT_NO_FATAL_FAILURE(StartAndRead({"--type", "0x21"}));
    // Texts that name their language: "$T40001GB".
    std::ifstream in(std::filesystem::path(OSTARA_PROGRAM_DIR) / "default.lang", std::ios::binary);
    std::ofstream coded(dir_ / "other.lang", std::ios::binary);
    for (std::string line; std::getline(in, line);)
        coded << std::regex_replace(line, std::regex(R"(^(\$T\d{5}(DE|GB))=.*)"), "$1=$1") << "\n";
    coded.close();
    std::filesystem::copy_file(dir_ / "other.lang", dir_ / "default.lang",
                               std::filesystem::copy_options::overwrite_existing);
    Form1->ApplyLanguage();
    // The service pointed elsewhere, as the update check leaves it: the print
    // reads its captions from the program folder and leaves it so.
    TSprache& s = *Form1->Sprache;
    const std::string folder = (dir_ / ".").string();
    s.SetDirectory(folder);
    s.SetFile("other.lang");
    s.SetMinVersion(7);
    s.SetAskUser(true);
    ServiceMode = 1;
    Choose<TpSchnittstelle>(0);
    Choose<TFileListDialog>(0); // DE
    std::string text = PrintToPdf();
    EXPECT_NE(text.find("$T40001DE"), std::string::npos) << text;
    EXPECT_NE(text.find("$T40005DE$T18003DE"), std::string::npos) << text; // the mode too
    EXPECT_NE(text.find("$T40025DE"), std::string::npos) << text;          // the signature line
    EXPECT_EQ(text.find("GB"), std::string::npos) << text;
    EXPECT_EQ(std::make_tuple(s.GetLanguage(), s.GetDirectory(), s.GetFileName()),
              std::make_tuple("GB", folder, "other.lang"));
    EXPECT_EQ(std::make_pair(s.GetMinVersion(), s.GetAskUser()), std::make_pair(7, true));
    EXPECT_EQ(FocusTries(), 6);
    // The next message is in the program's language again.
    Dialogs::QueueModal([](QDialog&) { return static_cast<int>(Dialogs::Cancel); });
    Form1->drucken1Click();
    EXPECT_EQ(Dialogs::History().back().text, "$T30026GB");

    // A program language that no language line names stays too.
    s.SetLanguage("XX");
    Choose<TpSchnittstelle>(0);
    Choose<TFileListDialog>(1); // GB
    text = PrintToPdf();
    EXPECT_NE(text.find("$T40001GB"), std::string::npos) << text;
    EXPECT_EQ(s.GetLanguage(), "XX");

    // The chooser cancelled ends the print without a message.
    Choose<TpSchnittstelle>(0);
    EXPECT_EQ(PrintToPdf(), "");
    EXPECT_EQ(Dialogs::History().back().kind, "modal");

    // A print dialog on screen, titled in the program's language, stops the
    // timer at the first try.
    QWidget dialog;
    dialog.setWindowTitle(ToQString(Form1->PrintSteuerung->DialogTitle()));
    dialog.show();
    Form1->Drucker->SetEnabled(true);
    Form1->DruckerTries = 0;
    EXPECT_EQ(FocusTries(), 1);
}
