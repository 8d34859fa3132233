// The language-text service: ids, lookup, placeholders, the language file,
// the languages in it, and the chooser dialog.
#include "shell/Sprache.h"

#include "platform/StringList.h"
#include "platform/Text.h"
#include "platform/window/Dialogs.h"
#include "shell/LogFile.h"
#include "shell/window/FileListDialog.h"
#include "shell/window/Globals.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QListWidget>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Two languages, English first.
const char* const kTwoLanguages = "[Global]\r\n"
                                  "Version=122\r\n"
                                  "Sprachen=2\r\n"
                                  "$T01001GB=File\r\n"
                                  "$T01001DE=Datei\r\n"
                                  "$T01002GB=\r\n"
                                  "$T01003DE=Nur deutsch\r\n"
                                  "$T12001GB=Range %S% to %S% to %S%\r\n"
                                  "$T12002GB=File %S% or %S%\r\n"
                                  "$T12003GB=[%S%]\r\n"
                                  "$T12004GB=%NL%[%S%]%TAB%[%S%]\r\n"
                                  "$T12005GB=100%%%S%\r\n"
                                  "$T24001GB=Load%\r\n"
                                  "$T24002GB=NL%the file\r\n"
                                  "$T24003GB=, now?\r\n"
                                  "[WinLanguage]\r\n"
                                  "GB=English,2057,1033\r\n"
                                  "DE=Deutsch,1031,3079,2055\r\n"
                                  "[Language]\r\n"
                                  "$TM0GB=English\r\n"
                                  "$TM1GB=German\r\n"
                                  "$TM0DE=Englisch\r\n"
                                  "$TM1DE=Deutsch\r\n";

class SpracheTest : public ::testing::Test {
protected:
    SpracheTest() : log_("Error.txt", dir_.Path().string()), sprache_(dir_.Path().string(), &log_) {
        sprache_.SetMessageHook([this](const std::string& text) { shown_.push_back(text); });
    }

    void WriteFile(const std::string& bytes, const std::string& name = "default.lang") {
        std::ofstream(dir_.Path() / name, std::ios::binary | std::ios::trunc) << bytes;
    }

    // Writes bytes as the language file and loads it; returns Load's result.
    bool LoadText(const std::string& bytes, int windowsLangId = 2057) {
        WriteFile(bytes);
        return sprache_.Load(windowsLangId);
    }

    std::string Log() const {
        std::string bytes, error;
        ReadFileBytes(dir_.Path() / "Error.txt", bytes, error);
        return bytes;
    }

    bool Logged(const std::string& message) const {
        return Log().find(" * " + message + " * ") != std::string::npos;
    }

    TempDir dir_;
    TLogFile log_;
    TSprache sprache_;
    std::vector<std::string> shown_;
};

// --- Ids --------------------------------------------------------------------

TEST(SpracheId, MakeIdFormatsAndChecksItsBounds) {
    EXPECT_EQ(TSprache::MakeId(5, 7), "$T05007");
    EXPECT_EQ(TSprache::MakeId(1, 0), "$T01000");
    EXPECT_EQ(TSprache::MakeId(99, 999), "$T99999");
    EXPECT_EQ(TSprache::MakeId(40, 40), "$T40040");
    EXPECT_EQ(TSprache::MakeId(0, 7), "");
    EXPECT_EQ(TSprache::MakeId(100, 7), "");
    EXPECT_EQ(TSprache::MakeId(-1, 7), "");
    EXPECT_EQ(TSprache::MakeId(5, 1000), "");
    EXPECT_EQ(TSprache::MakeId(5, -1), "");
}

TEST(SpracheId, AValidIdIsSevenCharactersBeginningWithDollarT) {
    EXPECT_TRUE(TSprache::IsValidId("$T05007"));
    EXPECT_TRUE(TSprache::IsValidId("$Tabcde")); // the last five may be anything
    EXPECT_FALSE(TSprache::IsValidId(""));
    EXPECT_FALSE(TSprache::IsValidId("$T0500"));
    EXPECT_FALSE(TSprache::IsValidId("$T050070"));
    EXPECT_FALSE(TSprache::IsValidId("AB05007"));
    EXPECT_FALSE(TSprache::IsValidId("x$T0500"));
    EXPECT_FALSE(TSprache::IsValidId("$t05007"));
}

// --- Lookup -------------------------------------------------------------------

TEST_F(SpracheTest, BadIdsComeBackAsMarkedTextAndAreLoggedAndShown) {
    ASSERT_FALSE(LoadText(kTwoLanguages));
    for (const std::string id : {"$T0100", "AB01001", ""}) {
        shown_.clear();
        const std::string expected = "* Bad StringID!  " + id + " *";
        EXPECT_EQ(sprache_.GetText(id), expected);
        EXPECT_EQ(shown_, std::vector<std::string>{expected});
        EXPECT_TRUE(Logged(expected)) << id;
    }
}

TEST_F(SpracheTest, MissingTextsComeBackAsMarkedTextAndAreLoggedAndShown) {
    ASSERT_FALSE(LoadText(kTwoLanguages));
    ASSERT_EQ(sprache_.GetLanguage(), "GB");
    EXPECT_EQ(sprache_.GetText("$T01001"), "File");
    EXPECT_TRUE(shown_.empty());
    // Missing, empty, and present only in another language.
    for (const std::string id : {"$T77777", "$T01002", "$T01003"}) {
        shown_.clear();
        const std::string expected = "* Text not found!  " + id + " *";
        EXPECT_EQ(sprache_.GetText(id), expected);
        EXPECT_EQ(shown_, std::vector<std::string>{expected});
        EXPECT_TRUE(Logged(expected)) << id;
    }
    sprache_.SetLanguage("DE");
    EXPECT_EQ(sprache_.GetText("$T01003"), "Nur deutsch");
    EXPECT_EQ(sprache_.GetText("$T01001"), "Datei");
}

TEST_F(SpracheTest, WithoutAFileEveryTextIsMissingAndNothingBreaks) {
    TSprache bare(dir_.Path().string(), nullptr);
    EXPECT_EQ(bare.GetText("$T01001"), "* Text not found!  $T01001 *");
    EXPECT_EQ(bare.GetText(""), "* Bad StringID!   *");
    EXPECT_EQ(bare.GetLanguageCount(), 0);
    EXPECT_EQ(bare.GetLanguageName(0), "");
    EXPECT_EQ(bare.GetLanguageId(0), -1);
    EXPECT_EQ(bare.GetLanguageIndex(), 0);
    EXPECT_EQ(bare.GetLanguage(), "");
}

// --- Placeholders ---------------------------------------------------------------

TEST_F(SpracheTest, EachPlaceholderIsReplaced) {
    EXPECT_EQ(sprache_.ExpandPlaceholders("a%NL%b"), "a\nb");
    EXPECT_EQ(sprache_.ExpandPlaceholders("x%TAB%y"), "x\ty");
    EXPECT_EQ(sprache_.ExpandPlaceholders("50%% sure"), "50% sure");
    EXPECT_EQ(sprache_.ExpandPlaceholders("%%%%"), "%%");
    EXPECT_EQ(sprache_.ExpandPlaceholders("a%FOO%b"), "ab");
    EXPECT_EQ(sprache_.ExpandPlaceholders("a%nl%b"), "ab"); // names are case-sensitive
    EXPECT_EQ(sprache_.ExpandPlaceholders("100% and 50%"), "100");
    EXPECT_EQ(sprache_.ExpandPlaceholders("%NL%%TAB%%NL%"), "\n\t\n");
    EXPECT_EQ(sprache_.ExpandPlaceholders("no escapes"), "no escapes");
    EXPECT_EQ(sprache_.ExpandPlaceholders(""), "");
    EXPECT_TRUE(shown_.empty());
}

TEST_F(SpracheTest, AnOddNumberOfEscapesIsMarkedAndLogged) {
    EXPECT_EQ(sprache_.ExpandPlaceholders("50% off"), "* ein % zu viel! *50% off");
    EXPECT_TRUE(Logged("* ein % zu viel! *50% off"));
    EXPECT_EQ(sprache_.ExpandPlaceholders("%NL%%"), "* ein % zu viel! *%NL%%");
    EXPECT_TRUE(shown_.empty());
}

TEST_F(SpracheTest, ArgumentsFillTheSPlaceholders) {
    ASSERT_FALSE(LoadText(kTwoLanguages));
    // Without arguments the placeholder goes and nothing is inserted.
    EXPECT_EQ(sprache_.GetText("$T12003"), "[]");
    EXPECT_EQ(sprache_.GetText1Arg("$T12003", "x"), "[x]");
    // One argument fills every %S%.
    EXPECT_EQ(sprache_.GetText1Arg("$T12002", "a"), "File a or a");
    // Two arguments: the first %S% takes 1, every later one 2.
    EXPECT_EQ(sprache_.GetText2Args("$T12001", "1", "2"), "Range 1 to 2 to 2");
    EXPECT_EQ(sprache_.GetText2Args("$T12004", "1", "2"), "\n[1]\t[2]");
    EXPECT_EQ(sprache_.GetText1Arg("$T12005", "x"), "100%x");
    // The arguments do not outlive the lookup.
    EXPECT_EQ(sprache_.GetText("$T12001"), "Range  to  to ");
    EXPECT_EQ(sprache_.ExpandPlaceholders("[%S%]"), "[]");
}

TEST_F(SpracheTest, ArgumentsAreInsertedAsGivenAndNotScannedAgain) {
    ASSERT_FALSE(LoadText(kTwoLanguages));
    EXPECT_EQ(sprache_.GetText1Arg("$T12003", "%"), "[%]");
    EXPECT_EQ(sprache_.GetText1Arg("$T12003", "%S%"), "[%S%]");
    EXPECT_EQ(sprache_.GetText1Arg("$T12003", "%NL%"), "[%NL%]");
    EXPECT_EQ(sprache_.GetText2Args("$T12002", "%S%", "5%"), "File %S% or 5%");
    EXPECT_EQ(sprache_.GetText2Args("$T12004", "%%", "%TAB%"), "\n[%%]\t[%TAB%]");
    EXPECT_EQ(sprache_.GetText1Arg("$T12003", std::string("a\0b", 3)), std::string("[a\0b]", 5));
    EXPECT_TRUE(shown_.empty());
}

TEST_F(SpracheTest, GetTextsJoinsTheRawTextsBeforeFillingIn) {
    ASSERT_FALSE(LoadText(kTwoLanguages));
    // The placeholder %NL% is split over two texts.
    EXPECT_EQ(sprache_.GetTexts(24, 1, 3), "Load\nthe file, now?");
    EXPECT_EQ(sprache_.GetTexts(24, 1, 0), "");
    EXPECT_TRUE(shown_.empty());
    EXPECT_EQ(sprache_.GetTexts(24, 3, 2), ", now?* Text not found!  $T24004 *");
    EXPECT_EQ(shown_.size(), 1u);
    // An id out of range inside the run is a bad id.
    shown_.clear();
    EXPECT_EQ(sprache_.GetTexts(24, 999, 2), "* Text not found!  $T24999 ** Bad StringID!   *");
    EXPECT_EQ(shown_.size(), 2u);
}

// --- Loading ----------------------------------------------------------------------

TEST_F(SpracheTest, LoadStatusTellsWhyAFileIsRefused) {
    struct Case {
        const char* what;
        int minVersion;
        std::string file;
        int status;
    };
    const std::string lines = "[WinLanguage]\r\nGB=English,2057\r\n";
    const std::string good = "[Global]\r\nVersion=122\r\nSprachen=1\r\n" + lines;
    // As large as a file is read: NUL bytes count as blanks.
    const std::string limit = good + std::string(MaxFileBytes - good.size(), '\0');
    const Case cases[] = {
        {"good", 122, good, 0},
        {"older than the minimum", 122, "[Global]\r\nVersion=121\r\nSprachen=1\r\n" + lines, 5},
        {"no version, minimum 122", 122, "[Global]\r\nSprachen=1\r\n" + lines, 5},
        {"no version, minimum 0", 0, "[Global]\r\nSprachen=1\r\n" + lines, 4},
        {"version 0", 0, "[Global]\r\nVersion=0\r\nSprachen=1\r\n" + lines, 4},
        {"no languages", 122, "[Global]\r\nVersion=122\r\nSprachen=0\r\n" + lines, 3},
        {"language count missing", 122, "[Global]\r\nVersion=122\r\n" + lines, 6},
        {"negative language count", 122, "[Global]\r\nVersion=122\r\nSprachen=-2\r\n" + lines, 3},
        {"too few language lines", 122, "[Global]\r\nVersion=122\r\nSprachen=2\r\n" + lines, 6},
        {"no language lines", 122, "[Global]\r\nVersion=122\r\nSprachen=1\r\n", 6},
        {"cut short in a text", 122, "[Global]\r\nVersion=122\r\nSprachen=1\r\n$T01001GB=Fi", 6},
        {"empty file", 0, "", 6},
        {"no [Global] section", 122, "; comment\r\n" + lines, 6},
        {"as large as the size limit", 122, limit, 0},
        {"beyond the size limit", 122, limit + '\0', 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sprache_.SetLanguage("XY");
        sprache_.SetMinVersion(c.minVersion);
        EXPECT_EQ(LoadText(c.file), c.status != 0);
        EXPECT_EQ(sprache_.Status(), c.status);
        EXPECT_EQ(sprache_.LoadError().empty(), c.status != TSprache::Damaged);
        // A failed load keeps the code and offers no languages.
        EXPECT_EQ(sprache_.GetLanguage(), c.status == 0 ? "GB" : "XY");
        EXPECT_EQ(sprache_.GetLanguageCount(), c.status == 0 ? 1 : 0);
    }
}

TEST_F(SpracheTest, AMissingFileOrFileNameGivesStatusThree) {
    EXPECT_TRUE(sprache_.Load(2057));
    EXPECT_EQ(sprache_.Status(), 3);
    WriteFile(kTwoLanguages);
    ASSERT_FALSE(sprache_.Load(2057));
    ASSERT_EQ(sprache_.GetLanguageCount(), 2);
    sprache_.SetFile("");
    EXPECT_TRUE(sprache_.Load(2057));
    EXPECT_EQ(sprache_.Status(), 3);
    EXPECT_EQ(sprache_.GetLanguageCount(), 0);
    fs::create_directory(dir_.Path() / "folder.lang");
    sprache_.SetFile("folder.lang");
    EXPECT_TRUE(sprache_.Load(2057));
    EXPECT_EQ(sprache_.Status(), 3);
    sprache_.SetFile("default.lang");
    sprache_.SetDirectory((dir_.Path() / "elsewhere").string());
    EXPECT_TRUE(sprache_.Load(2057));
    EXPECT_EQ(sprache_.Status(), 3);
}

TEST_F(SpracheTest, AtMostFiveLanguagesAreUsed) {
    std::string file = "[Global]\r\nVersion=130\r\nSprachen=7\r\n[WinLanguage]\r\n";
    const char* codes[] = {"GB", "DE", "FR", "IT", "ES", "NL", "PL"};
    for (int i = 0; i < 7; ++i)
        file += std::string(codes[i]) + "=L," + std::to_string(5000 + i) + "\r\n";
    sprache_.SetMinVersion(122);
    ASSERT_FALSE(LoadText(file, 5006));
    EXPECT_EQ(sprache_.GetLanguageCount(), 5);
    EXPECT_EQ(sprache_.GetLanguage(), "GB"); // the sixth and seventh line are not read
    ASSERT_FALSE(sprache_.Load(5004));
    EXPECT_EQ(sprache_.GetLanguage(), "ES");
    EXPECT_EQ(sprache_.GetLanguageId(4), 5004);
    EXPECT_EQ(sprache_.GetLanguageId(5), -1);
}

TEST_F(SpracheTest, TheWindowsLanguagePicksTheLanguage) {
    ASSERT_FALSE(LoadText(kTwoLanguages, 1031));
    EXPECT_EQ(sprache_.GetLanguage(), "DE");
    ASSERT_FALSE(sprache_.Load(3079));
    EXPECT_EQ(sprache_.GetLanguage(), "DE");
    ASSERT_FALSE(sprache_.Load(1033));
    EXPECT_EQ(sprache_.GetLanguage(), "GB");
    sprache_.SetLanguage("DE");
    ASSERT_FALSE(sprache_.Load(1036)); // no line lists it
    EXPECT_EQ(sprache_.GetLanguage(), "GB");
    // English listed second: the matching line decides, not the order.
    ASSERT_FALSE(LoadText("[Global]\r\nVersion=1\r\nSprachen=2\r\n[WinLanguage]\r\n"
                          "DE=Deutsch,1031\r\nGB=English,2057\r\n",
                          2057));
    EXPECT_EQ(sprache_.GetLanguage(), "GB");
    ASSERT_FALSE(sprache_.Load(1031));
    EXPECT_EQ(sprache_.GetLanguage(), "DE");
}

TEST_F(SpracheTest, LanguagesOfTheFile) {
    ASSERT_FALSE(LoadText("[Global]\r\nVersion=1\r\nSprachen=4\r\n[WinLanguage]\r\n"
                          "GB=English,2057,1033\r\n"
                          "FR=Francais\r\n"
                          "IT=Italiano,1040,abc\r\n"
                          "DE = Deutsch, 3079  2055,1031\r\n"
                          "[Language]\r\n$TM0GB=English\r\n$TM3GB=German\r\n",
                          1033));
    EXPECT_EQ(sprache_.GetLanguageCount(), 4);
    EXPECT_EQ(sprache_.GetLanguageId(0), 1033);     // the smallest
    EXPECT_EQ(sprache_.GetLanguageId(1), 16777215); // none listed
    EXPECT_EQ(sprache_.GetLanguageId(2), -1);       // not a number
    EXPECT_EQ(sprache_.GetLanguageId(3), 1031);     // blanks separate too
    EXPECT_EQ(sprache_.GetLanguageId(-1), -1);
    EXPECT_EQ(sprache_.GetLanguageId(4), -1);

    EXPECT_EQ(sprache_.GetLanguageName(0), "English");
    EXPECT_EQ(sprache_.GetLanguageName(3), "German");
    EXPECT_EQ(sprache_.GetLanguageName(1), ""); // missing
    EXPECT_EQ(sprache_.GetLanguageName(4), "");
    EXPECT_EQ(sprache_.GetLanguageName(-1), "");

    EXPECT_EQ(sprache_.GetLanguageIndex(), 0);
    sprache_.SelectLanguage(3);
    EXPECT_EQ(sprache_.GetLanguage(), "DE");
    EXPECT_EQ(sprache_.GetLanguageIndex(), 3);
    EXPECT_EQ(sprache_.GetLanguageName(0), ""); // names are read in the current language
    sprache_.SelectLanguage(4);
    sprache_.SelectLanguage(-1);
    EXPECT_EQ(sprache_.GetLanguage(), "DE");
    sprache_.SetLanguage("");
    EXPECT_EQ(sprache_.GetLanguage(), "DE");
    sprache_.SetLanguage("NL");
    EXPECT_EQ(sprache_.GetLanguage(), "NL");
    EXPECT_EQ(sprache_.GetLanguageIndex(), 4); // no line holds it: the count
}

TEST_F(SpracheTest, SetFileSwitchesTheFileWithoutLoading) {
    ASSERT_FALSE(LoadText(kTwoLanguages));
    WriteFile("[Global]\r\n$T40001GB=Print\r\n", "print.lang");
    sprache_.SetFile("print.lang");
    EXPECT_EQ(sprache_.GetFileName(), "print.lang");
    EXPECT_EQ(sprache_.GetText("$T40001"), "Print");
    EXPECT_EQ(sprache_.GetLanguageCount(), 2); // the languages of the last load stay
    sprache_.SetFile("missing.lang");
    EXPECT_EQ(sprache_.GetText("$T40001"), "* Text not found!  $T40001 *");
}

TEST_F(SpracheTest, TheChooserHookDecidesWhenTheUserIsAsked) {
    WriteFile(kTwoLanguages);
    std::vector<std::string> offered;
    int answer = 1;
    sprache_.SetChooserHook([&](const std::vector<std::string>& names) {
        offered = names;
        return answer;
    });
    // Not asked: the hook is not called.
    ASSERT_FALSE(sprache_.Load(1033));
    EXPECT_TRUE(offered.empty());

    sprache_.SetAskUser();
    ASSERT_FALSE(sprache_.Load(1031));
    EXPECT_EQ(offered, (std::vector<std::string>{"Englisch", "Deutsch"}));
    EXPECT_EQ(sprache_.GetLanguage(), "DE");
    for (const int cancelled : {-1, 2, 99}) {
        answer = cancelled;
        ASSERT_FALSE(sprache_.Load(1031));
        EXPECT_EQ(sprache_.GetLanguage(), "GB") << cancelled;
    }
    // Without a chooser the Windows language stands.
    sprache_.SetChooserHook(nullptr);
    ASSERT_FALSE(sprache_.Load(1031));
    EXPECT_EQ(sprache_.GetLanguage(), "DE");
}

// --- Hostile files ----------------------------------------------------------------

TEST_F(SpracheTest, TextsOfAnyByteContentAndLengthAreReadAsStored) {
    // Every byte except the line ends and '%', inside a text.
    std::string bytes = "<";
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n' && b != '%')
            bytes += static_cast<char>(b);
    bytes += ">";
    const std::string longText = std::string(1 << 20, 'x') + "%%y";
    // UTF-8 mark at the start, CR-only lines, and no line end at the end.
    const std::string file = "\xEF\xBB\xBF[Global]\rVersion=122\rSprachen=1\r"
                             "$T01001GB=" +
                             bytes + "\r$T01002GB=" + longText +
                             "\r[WinLanguage]\rGB=English,2057\r$T01003GB=never\r"
                             "[Global]\r$T01004GB=last";
    ASSERT_FALSE(LoadText(file));
    EXPECT_EQ(sprache_.GetText("$T01001"), bytes);
    EXPECT_EQ(sprache_.GetText("$T01002"), std::string(1 << 20, 'x') + "%y");
    EXPECT_EQ(sprache_.GetText("$T01004"), "last");
    EXPECT_EQ(sprache_.GetLanguageId(0), 2057);
    EXPECT_TRUE(shown_.empty());
}

TEST_F(SpracheTest, RandomFilesLoadOrFailWithoutHarm) {
    std::mt19937 random(20240307);
    std::uniform_int_distribution<int> byte(0, 255);
    const std::string pieces[] = {"[Global]",   "[WinLanguage]",
                                  "[Language]", "Version=122",
                                  "Sprachen=",  "$TM0GB=",
                                  "$T01001GB=", "\r\n",
                                  "\r",         "\n",
                                  "%",          ",",
                                  "=",          "GB",
                                  "1031"};
    for (int round = 0; round < 300; ++round) {
        std::string file;
        const int parts = round % 60;
        for (int p = 0; p < parts; ++p) {
            if (byte(random) < 128)
                file += pieces[static_cast<std::size_t>(byte(random)) % std::size(pieces)];
            else
                file += static_cast<char>(byte(random));
            if (file.size() > 8 && file.compare(file.size() - 9, 9, "Sprachen=") == 0)
                file += std::to_string(byte(random) % 9 - 1);
        }
        sprache_.SetAskUser(round % 2 == 0);
        sprache_.SetChooserHook([&](const std::vector<std::string>& names) {
            return static_cast<int>(names.size()) - 1;
        });
        const bool failed = LoadText(file, 1031);
        const int count = sprache_.GetLanguageCount();
        ASSERT_GE(count, 0);
        ASSERT_LE(count, 5);
        ASSERT_EQ(failed, count == 0);
        for (int i = -1; i <= count; ++i) {
            sprache_.GetLanguageName(i);
            sprache_.GetLanguageId(i);
            sprache_.SelectLanguage(i);
        }
        ASSERT_LE(sprache_.GetLanguageIndex(), count);
        sprache_.GetText("$T01001");
        sprache_.GetText1Arg("$T01001", "%");
    }
}

// --- Random placeholder texts ----------------------------------------------------

std::string RandomBytes(std::mt19937& random, int maxLength, bool allowEscape) {
    std::uniform_int_distribution<int> length(0, maxLength);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string s;
    for (int n = length(random); n > 0; --n) {
        char c = static_cast<char>(byte(random));
        if (!allowEscape && c == '%')
            c = 'p';
        s += c;
    }
    return s;
}

TEST(SpracheRandom, TextsWithoutEscapesStayAsTheyAre) {
    TSprache sprache("", nullptr);
    std::mt19937 random(1031);
    for (int i = 0; i < 3000; ++i) {
        const std::string text = RandomBytes(random, 40, false);
        ASSERT_EQ(sprache.ExpandPlaceholders(text), text);
    }
    // Any text: an odd number of '%' is marked, an even one never grows by
    // more than the escapes it loses.
    std::uniform_int_distribution<int> pick(0, 7);
    const std::string alphabet[] = {"%", "S", "NL", "TAB", "%S%", "%%", "x", "\t"};
    for (int i = 0; i < 3000; ++i) {
        std::string text = RandomBytes(random, 6, true);
        for (int n = pick(random) * 2; n > 0; --n)
            text += alphabet[static_cast<std::size_t>(pick(random))];
        const std::string out = sprache.ExpandPlaceholders(text);
        const auto escapes = std::count(text.begin(), text.end(), '%');
        if (escapes % 2)
            ASSERT_EQ(out, "* ein % zu viel! *" + text);
        else
            ASSERT_LE(out.size(), text.size());
    }
}

TEST(SpracheRandom, ArgumentsComeOutVerbatimInRandomTexts) {
    TempDir dir;
    std::mt19937 random(2057);
    std::uniform_int_distribution<int> kind(0, 6);

    // Each text is built from pieces whose expansion is known: plain bytes,
    // %NL%, %TAB%, %S%, %%, and an unknown name. Arguments are any bytes.
    struct Sample {
        std::string id, text, a1, a2;
        int argCount;
        std::string expected;
    };
    std::vector<Sample> samples;
    std::string file = "[Global]\r\nVersion=122\r\nSprachen=1\r\n";
    for (int k = 0; k < 3000; ++k) {
        Sample s;
        s.id = TSprache::MakeId(1 + k / 1000, k % 1000);
        s.argCount = k % 3;
        s.a1 = RandomBytes(random, 8, true) + "%S%";
        s.a2 = "%" + RandomBytes(random, 8, true);
        std::string text = "<", expected = "<";
        int placeholders = 0;
        for (int p = kind(random) + 2; p > 0; --p) {
            std::string plain = RandomBytes(random, 6, false);
            std::erase_if(plain, [](char c) { return c == '\r' || c == '\n'; });
            switch (kind(random)) {
            case 0:
                text += "%NL%", expected += '\n';
                break;
            case 1:
                text += "%TAB%", expected += '\t';
                break;
            case 2:
            case 3:
                text += "%S%";
                if (s.argCount == 1 || (s.argCount == 2 && placeholders == 0))
                    expected += s.a1;
                else if (s.argCount == 2)
                    expected += s.a2;
                ++placeholders;
                break;
            case 4:
                text += "%%", expected += '%';
                break;
            case 5:
                if (plain.empty() || plain == "NL" || plain == "TAB" || plain == "S")
                    plain = "?" + plain;
                text += "%" + plain + "%"; // not a placeholder name
                break;
            default:
                break;
            }
            if (kind(random) < 4) {
                text += plain;
                expected += plain;
            }
        }
        text += ">", expected += ">";
        s.text = text;
        s.expected = expected;
        file += s.id + "GB=" + text + "\r\n";
        samples.push_back(std::move(s));
    }
    file += "[WinLanguage]\r\nGB=English,2057\r\n";
    std::ofstream(dir.Path() / "default.lang", std::ios::binary) << file;

    TSprache sprache(dir.Path().string(), nullptr);
    int shown = 0;
    sprache.SetMessageHook([&](const std::string&) { ++shown; });
    ASSERT_FALSE(sprache.Load(2057));
    for (const Sample& s : samples) {
        const std::string out = s.argCount == 0   ? sprache.GetText(s.id)
                                : s.argCount == 1 ? sprache.GetText1Arg(s.id, s.a1)
                                                  : sprache.GetText2Args(s.id, s.a1, s.a2);
        ASSERT_EQ(out, s.expected) << s.id << " " << TLogFile::VisibleText(s.text);
    }
    EXPECT_EQ(shown, 0);
}

// --- The chooser dialog ------------------------------------------------------------

class LanguageDialogTest : public SpracheTest {
protected:
    LanguageDialogTest() {
        Dialogs::BeginScript();
        BuildProgramTitle();
        chooser_ = new TFileListDialog(nullptr);
        ConnectLanguageDialogs(sprache_, chooser_);
        WriteFile(kTwoLanguages);
        sprache_.SetAskUser();
    }
    ~LanguageDialogTest() override {
        delete chooser_;
        Dialogs::EndScript();
    }

    // Queues the user's work on the chooser; records what it offered.
    void QueueChoice(std::function<void(TFileListDialog&)> act) {
        Dialogs::QueueModal([this, act](QDialog& dialog) {
            auto& chooser = dynamic_cast<TFileListDialog&>(dialog);
            caption_ = FromQString(chooser.windowTitle());
            items_.clear();
            for (int i = 0; i < chooser.ui.ListBox1->count(); ++i)
                items_.push_back(FromQString(chooser.ui.ListBox1->item(i)->text()));
            int finished = -1;
            const auto c = QObject::connect(&chooser, &QDialog::finished,
                                            [&finished](int r) { finished = r; });
            act(chooser);
            QObject::disconnect(c);
            return finished == QDialog::Accepted ? int(Dialogs::Ok) : int(Dialogs::Cancel);
        });
    }

    TFileListDialog* chooser_ = nullptr;
    std::string caption_;
    std::vector<std::string> items_;
};

TEST_F(LanguageDialogTest, OKTakesTheSelectedLanguage) {
    chooser_->AddItem("left over");
    QueueChoice([](TFileListDialog& d) {
        d.SetItemIndex(1);
        d.ui.OKBtn->click();
    });
    ASSERT_FALSE(sprache_.Load(2057));
    EXPECT_EQ(Dialogs::Pending(), 0);
    EXPECT_EQ(items_, (std::vector<std::string>{"English", "German"}));
    EXPECT_EQ(caption_, ProgramTitle);
    EXPECT_EQ(chooser_->ChosenIndex(), 1);
    EXPECT_EQ(sprache_.GetLanguage(), "DE");
}

TEST_F(LanguageDialogTest, CancelOrOKWithoutASelectionGiveEnglish) {
    const std::function<void(TFileListDialog&)> ways[] = {
        [](TFileListDialog& d) {
            d.SetItemIndex(1);
            d.ui.CancelBtn->click();
        },
        [](TFileListDialog& d) {
            d.SetItemIndex(1);
            d.SetItemIndex(-1);
            d.ui.OKBtn->click();
        },
        [](TFileListDialog& d) { d.OKBtnClick(); },
    };
    for (const auto& way : ways) {
        QueueChoice(way);
        ASSERT_FALSE(sprache_.Load(1031));
        EXPECT_EQ(Dialogs::Pending(), 0);
        EXPECT_EQ(sprache_.GetLanguage(), "GB");
    }
    EXPECT_EQ(chooser_->ChosenIndex(), -1);
    // A dialog that reports OK without a chosen language counts as cancelled too.
    Dialogs::QueueModal([](QDialog& d) {
        dynamic_cast<TFileListDialog&>(d).OKBtnClick();
        return int(Dialogs::Ok);
    });
    ASSERT_FALSE(sprache_.Load(1031));
    EXPECT_EQ(sprache_.GetLanguage(), "GB");
}

TEST_F(LanguageDialogTest, ItemIndexAndOK) {
    chooser_->AddItem("one");
    chooser_->AddItem("two");
    chooser_->SetItemIndex(1);
    chooser_->SetItemIndex(2);
    chooser_->SetItemIndex(-2);
    EXPECT_EQ(chooser_->ui.ListBox1->currentRow(), 1);
    // OK stores the selection; without one the dialog closes as cancelled.
    chooser_->OKBtnClick();
    EXPECT_EQ(chooser_->result(), QDialog::Accepted);
    EXPECT_EQ(chooser_->ChosenIndex(), 1);
    chooser_->SetItemIndex(-1);
    chooser_->OKBtnClick();
    EXPECT_EQ(chooser_->result(), QDialog::Rejected);
    EXPECT_EQ(chooser_->ChosenIndex(), -1);
    chooser_->ClearItems();
    EXPECT_EQ(chooser_->ItemCount(), 0);
}

TEST_F(LanguageDialogTest, MissingTextsGoToThePlainMessageBox) {
    sprache_.SetAskUser(false);
    ASSERT_FALSE(sprache_.Load(1031));
    Dialogs::ClearHistory();
    sprache_.SetLanguage("GB");
    EXPECT_EQ(sprache_.GetText("$T55555"), "* Text not found!  $T55555 *");
    ASSERT_EQ(Dialogs::History().size(), 1u);
    EXPECT_EQ(Dialogs::History()[0].kind, "plain");
    EXPECT_EQ(Dialogs::History()[0].text, "* Text not found!  $T55555 *");
}

TEST_F(LanguageDialogTest, AChooserDeletedEarlyCountsAsCancelled) {
    delete chooser_;
    chooser_ = nullptr;
    ASSERT_FALSE(sprache_.Load(1031));
    EXPECT_EQ(sprache_.GetLanguage(), "GB");
    EXPECT_EQ(Dialogs::Unanswered(), 0);
}

} // namespace
