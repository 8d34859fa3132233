#include "platform/IniFile.h"
#include "platform/StringList.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void WriteBytes(const fs::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadBytes(const fs::path& p) {
    std::string bytes, error;
    EXPECT_TRUE(ReadFileBytes(p, bytes, error)) << error;
    return bytes;
}

} // namespace

TEST(IniFile, SectionsAndKeysAreCaseInsensitive) {
    const auto ini = TMemIniFile::FromText("[Main]\r\nSchnittstelle=COM3\r\n");
    EXPECT_TRUE(ini.SectionExists("MAIN"));
    EXPECT_TRUE(ini.SectionExists("main"));
    EXPECT_EQ(ini.ReadString("mAiN", "schnittSTELLE", "x"), "COM3");
    EXPECT_TRUE(ini.ValueExists("main", "SCHNITTSTELLE"));
    EXPECT_FALSE(ini.ValueExists("main", "Boudrate"));
    EXPECT_FALSE(ini.SectionExists("Mai"));
    EXPECT_EQ(ini.ReadString("Other", "Schnittstelle", "dflt"), "dflt");
    // Only ASCII letters fold: 0xC4 and 0xE4 are different names.
    const auto umlaut = TMemIniFile::FromText("[\xC4]\nk=1\n");
    EXPECT_FALSE(umlaut.SectionExists("\xE4"));
}

TEST(IniFile, FirstDuplicateWinsAndRepeatedSectionContinues) {
    const auto ini = TMemIniFile::FromText("[A]\nk=first\nK=second\n[b]\nx=1\n[a]\nk=third\ny=2\n");
    EXPECT_EQ(ini.ReadString("A", "k", ""), "first");
    EXPECT_EQ(ini.ReadString("A", "y", ""), "2");
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"A", "b"}));
    EXPECT_EQ(ini.ReadSection("a"), (std::vector<std::string>{"k", "K", "k", "y"}));

    auto edited = ini;
    edited.WriteString("a", "K", "new");
    EXPECT_EQ(edited.ReadSectionValues("A"),
              (std::vector<std::string>{"k=new", "K=second", "k=third", "y=2"}));
    edited.DeleteKey("A", "k");
    EXPECT_FALSE(edited.ValueExists("A", "k"));
    EXPECT_EQ(edited.ReadSection("A"), (std::vector<std::string>{"y"}));
}

TEST(IniFile, LineSyntax) {
    const std::string text = "garbage before=any section\r\n"
                             "  [  Global  ]  \r\n"
                             "; a comment=1\r\n"
                             "\t;indented comment\r\n"
                             "\r\n"
                             "  $T40001GB  =  Value = with = signs  \r\n"
                             "NoEquals Here\r\n"
                             "GB,2057,1033\r\n"
                             "=only value\r\n"
                             "empty=\r\n"
                             "[broken\r\n"
                             "x=]\r\n";
    const auto ini = TMemIniFile::FromText(text);
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Global"}));
    EXPECT_FALSE(ini.ValueExists("Global", "garbage before"));
    EXPECT_FALSE(ini.ValueExists("Global", "; a comment"));
    EXPECT_EQ(ini.ReadString("Global", "$T40001GB", ""), "Value = with = signs");
    EXPECT_TRUE(ini.ValueExists("Global", "NoEquals Here"));
    EXPECT_EQ(ini.ReadString("Global", "NoEquals Here", "dflt"), "");
    EXPECT_EQ(ini.ReadString("Global", "", "dflt"), "only value");
    EXPECT_EQ(ini.ReadString("Global", "empty", "dflt"), "");
    EXPECT_EQ(ini.ReadString("Global", "[broken", "dflt"), "");
    EXPECT_EQ(ini.ReadString("Global", "x", ""), "]");
    EXPECT_EQ(
        ini.ReadSectionValues("Global"),
        (std::vector<std::string>{"$T40001GB=Value = with = signs", "NoEquals Here", "GB,2057,1033",
                                  "=only value", "empty=", "[broken", "x=]"}));
}

TEST(IniFile, LineEndsBomAndMissingFinalNewline) {
    const std::vector<std::string> variants = {
        "[S]\ra=1\rb=2\rc=3",               // CR only, no final line end
        "[S]\na=1\nb=2\nc=3\n",             // LF
        "[S]\r\na=1\r\nb=2\r\nc=3",         // CR LF, no final line end
        "\xEF\xBB\xBF[S]\r\na=1\nb=2\rc=3", // BOM and mixed
    };
    for (const auto& text : variants) {
        SCOPED_TRACE(text);
        const auto ini = TMemIniFile::FromText(text);
        EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"S"}));
        EXPECT_EQ(ini.ReadSectionValues("S"), (std::vector<std::string>{"a=1", "b=2", "c=3"}));
    }
    // The mark is skipped only at the very start.
    const auto late = TMemIniFile::FromText("[S]\n\xEF\xBB\xBFk=v\n");
    EXPECT_TRUE(late.ValueExists("S", "\xEF\xBB\xBFk"));
}

TEST(IniFile, ReadIntegerAcceptsDecimalAndHexOnly) {
    const auto ini = TMemIniFile::FromText("[N]\n"
                                           "dec=1234\nneg=-17\nplus=+5\nzeros=007\n"
                                           "dollar=$1F\nhex=0x7fffffff\nupper=0XFF\nall=$FFFFFFFF\n"
                                           "neghex=-$10\nmax=2147483647\nmin=-2147483648\n"
                                           "over=2147483648\nunder=-2147483649\nbighex=$100000000\n"
                                           "junk=12a\nspace=1 2\nempty=\ndollaronly=$\n"
                                           "xonly=0x\nsign=-\nfloat=1.5\nsigns=+-1\n");
    EXPECT_EQ(ini.ReadInteger("N", "dec", -1), 1234);
    EXPECT_EQ(ini.ReadInteger("N", "neg", -1), -17);
    EXPECT_EQ(ini.ReadInteger("N", "plus", -1), 5);
    EXPECT_EQ(ini.ReadInteger("N", "zeros", -1), 7);
    EXPECT_EQ(ini.ReadInteger("N", "dollar", -1), 31);
    EXPECT_EQ(ini.ReadInteger("N", "hex", -1), 2147483647);
    EXPECT_EQ(ini.ReadInteger("N", "upper", -1), 255);
    EXPECT_EQ(ini.ReadInteger("N", "all", 0), -1);
    EXPECT_EQ(ini.ReadInteger("N", "neghex", 0), -16);
    EXPECT_EQ(ini.ReadInteger("N", "max", 0), 2147483647);
    EXPECT_EQ(ini.ReadInteger("N", "min", 0), -2147483647 - 1);
    for (const char* bad : {"over", "under", "bighex", "junk", "space", "empty", "dollaronly",
                            "xonly", "sign", "float", "signs", "missing"}) {
        EXPECT_EQ(ini.ReadInteger("N", bad, -99), -99) << bad;
    }
    EXPECT_EQ(ini.ReadInteger("NoSection", "dec", 42), 42);
}

TEST(IniFile, FloatAndBool) {
    const auto ini =
        TMemIniFile::FromText("[Datei]\nVersion=2.24\nneg=-0.5\nbad=2,24\nexp=1e2\nb1=1\nb0=0\n");
    EXPECT_DOUBLE_EQ(ini.ReadFloat("Datei", "Version", 0), 2.24);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("Datei", "neg", 0), -0.5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("Datei", "exp", 0), 100.0);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("Datei", "bad", 7.5), 7.5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("Datei", "missing", 7.5), 7.5);
    EXPECT_TRUE(ini.ReadBool("Datei", "b1", false));
    EXPECT_FALSE(ini.ReadBool("Datei", "b0", true));
    EXPECT_TRUE(ini.ReadBool("Datei", "missing", true));

    TMemIniFile w;
    w.WriteBool("Main", "Updates", true);
    w.WriteInteger("Main", "Sprache", -1);
    EXPECT_EQ(w.GetText(), "[Main]\r\nUpdates=1\r\nSprache=-1\r\n");
}

TEST(IniFile, EditingAndGetText) {
    auto ini = TMemIniFile::FromText("[One]\na=1\nb\n[Two]\nc=3\n");
    ini.WriteString("Three", "d", "4");
    ini.WriteString("two", "C", "33");
    ini.WriteString("One", "b", "2");
    EXPECT_EQ(ini.GetText(), "[One]\r\na=1\r\nb=2\r\n\r\n[Two]\r\nc=33\r\n\r\n[Three]\r\nd=4\r\n");
    ini.EraseSection("TWO");
    EXPECT_FALSE(ini.SectionExists("Two"));
    EXPECT_EQ(ini.ReadString("Three", "d", ""), "4"); // index still right after erasing
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"One", "Three"}));
    ini.EraseSection("missing");
    ini.DeleteKey("missing", "a");
    ini.DeleteKey("One", "missing");
    EXPECT_EQ(ini.GetText(), "[One]\r\na=1\r\nb=2\r\n\r\n[Three]\r\nd=4\r\n");
    EXPECT_EQ(TMemIniFile().GetText(), "");
}

TEST(IniFile, EveryByteInValuesSurvivesAFileRoundTrip) {
    TempDir dir;
    const fs::path file = dir.Path() / "bytes.ini";
    TMemIniFile ini(file);
    EXPECT_FALSE(ini.LoadFailed());
    std::string all;
    for (int b = 0; b < 256; ++b) {
        if (b == '\r' || b == '\n')
            continue; // these end the line
        const std::string value = std::string("<") + static_cast<char>(b) + ">";
        ini.WriteString("Bytes", "b" + std::to_string(b), value);
        all += static_cast<char>(b);
    }
    ini.WriteString("Bytes", "all", "[" + all + "]");
    std::string error;
    ASSERT_TRUE(ini.UpdateFile(&error)) << error;
    EXPECT_EQ(ReadBytes(file), ini.GetText());

    const TMemIniFile again(file);
    for (int b = 0; b < 256; ++b) {
        if (b == '\r' || b == '\n')
            continue;
        EXPECT_EQ(again.ReadString("Bytes", "b" + std::to_string(b), ""),
                  std::string("<") + static_cast<char>(b) + ">")
            << b;
    }
    EXPECT_EQ(again.ReadString("Bytes", "all", ""), "[" + all + "]");
    EXPECT_EQ(again.GetText(), ini.GetText());
}

TEST(IniFile, UpdateFileKeepsOtherSectionsAndPermissions) {
    TempDir dir;
    const fs::path file = dir.Path() / "ostra.ini";
    WriteBytes(file, "[Main]\r\nSchnittstelle=COM1\r\nUpdates=1\r\n[Extra]\r\nkeep=me\r\nline "
                     "without equals\r\n");
    ::chmod(file.c_str(), 0640);
    TMemIniFile ini(file);
    ini.WriteString("Main", "Schnittstelle", "/dev/ttyUSB0");
    ini.WriteBool("Main", "Updates", false);
    std::string error;
    ASSERT_TRUE(ini.UpdateFile(&error)) << error;
    EXPECT_EQ(ReadBytes(file), "[Main]\r\nSchnittstelle=/dev/ttyUSB0\r\nUpdates=0\r\n\r\n"
                               "[Extra]\r\nkeep=me\r\nline without equals\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

TEST(IniFile, UpdateFileReplacesTheFileBehindSymlinks) {
    TempDir dir;
    const fs::path real = dir.Path() / "ostra.ini";
    WriteBytes(real, "[Main]\r\nSprache=1\r\n");
    ::chmod(real.c_str(), 0604);
    fs::create_symlink("ostra.ini", dir.Path() / "first.ini");
    fs::create_symlink("first.ini", dir.Path() / "second.ini");
    TMemIniFile ini(dir.Path() / "second.ini");
    ini.WriteInteger("Main", "Sprache", 2);
    std::string error;
    ASSERT_TRUE(ini.UpdateFile(&error)) << error;
    EXPECT_EQ(ReadBytes(real), "[Main]\r\nSprache=2\r\n");
    EXPECT_EQ(fs::read_symlink(dir.Path() / "second.ini"), "first.ini");
    EXPECT_EQ(fs::read_symlink(dir.Path() / "first.ini"), "ostra.ini");
    const fs::file_status st = fs::symlink_status(real);
    EXPECT_EQ(std::pair(st.type(), st.permissions()),
              std::pair(fs::file_type::regular, static_cast<fs::perms>(0604)));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 3);
}

TEST(IniFile, MissingAndUnreadableFiles) {
    TempDir dir;
    const TMemIniFile missing(dir.Path() / "none.ini");
    EXPECT_FALSE(missing.LoadFailed());
    EXPECT_TRUE(missing.ReadSections().empty());

    // A folder in place of the file cannot be read, whoever we are.
    fs::create_directory(dir.Path() / "folder.ini");
    const TMemIniFile unreadable(dir.Path() / "folder.ini");
    EXPECT_TRUE(unreadable.LoadFailed());
    EXPECT_FALSE(unreadable.LoadError().empty());
    EXPECT_TRUE(unreadable.ReadSections().empty());

    // A file we may not read, and a file behind a folder we may not enter.
    const fs::path secret = dir.Path() / "secret.ini";
    WriteBytes(secret, "[a]\nb=c\n");
    fs::create_directory(dir.Path() / "closed");
    WriteBytes(dir.Path() / "closed" / "x.ini", "[a]\nb=c\n");
    ::chmod(secret.c_str(), 0600);
    ::chmod((dir.Path() / "closed").c_str(), 0700);
    ::chmod(dir.Path().c_str(), 0755);
    const int code = RunUnprivileged([&] {
        const TMemIniFile noRead(secret);
        const TMemIniFile noEnter(dir.Path() / "closed" / "x.ini");
        const std::string denied = std::strerror(EACCES);
        if (noRead.LoadError() != denied || noEnter.LoadError() != denied)
            return 20;
        return noRead.SectionExists("a") || noEnter.SectionExists("a") ? 21 : 0;
    });
    EXPECT_EQ(code, 0);

    std::string error;
    EXPECT_FALSE(TMemIniFile::FromText("[a]\nb=c\n").UpdateFile(&error));
    EXPECT_FALSE(error.empty());
}

TEST(IniFile, UpdateFileIntoReadOnlyFolderFailsAndKeepsTheOldFile) {
    TempDir dir;
    const fs::path file = dir.Path() / "ostra.ini";
    const std::string old = "[Main]\r\nSprache=7\r\n";
    WriteBytes(file, old);
    ::chmod(file.c_str(), 0644);
    ::chmod(dir.Path().c_str(), 0555);
    const int code = RunUnprivileged([&] {
        TMemIniFile ini(file);
        if (ini.ReadInteger("Main", "Sprache", 0) != 7)
            return 10;
        ini.WriteInteger("Main", "Sprache", 9);
        std::string error;
        if (ini.UpdateFile(&error))
            return 11;
        return error == std::strerror(EACCES) ? 0 : 12;
    });
    ::chmod(dir.Path().c_str(), 0755);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadBytes(file), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

TEST(IniFile, RenameFailureRemovesTheTemporaryFile) {
    TempDir dir;
    // The target is a non-empty folder: the temporary file is written, the
    // rename over it fails, and nothing is left behind.
    const fs::path target = dir.Path() / "target.ini";
    fs::create_directory(target);
    WriteBytes(target / "inside", "x");
    TMemIniFile withName(target);
    withName.WriteString("a", "b", "c");
    std::string error;
    EXPECT_FALSE(withName.UpdateFile(&error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

TEST(IniFile, RandomInputParsesAndReparsesStably) {
    std::mt19937 rng(20240611u);
    const char alphabet[] = {'[', ']',    '=',    ';',    '\r',   '\n', '\0', ' ', '\t', 'a',
                             'B', '\xEF', '\xBB', '\xBF', '\xE4', '$',  'x',  '0', '9'};
    std::uniform_int_distribution<int> length(0, 200);
    std::uniform_int_distribution<int> pick(0, sizeof alphabet - 1);
    std::uniform_int_distribution<int> anyByte(0, 255);
    std::bernoulli_distribution fromAlphabet(0.8);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int n = length(rng);
        for (int i = 0; i < n; ++i)
            text += static_cast<char>(fromAlphabet(rng) ? alphabet[pick(rng)] : anyByte(rng));
        const auto ini = TMemIniFile::FromText(text);
        const std::string once = ini.GetText();
        // Written text reads back to the same content.
        const auto again = TMemIniFile::FromText(once);
        ASSERT_EQ(again.GetText(), once) << "round " << round;
        for (const auto& section : ini.ReadSections()) {
            for (const auto& key : ini.ReadSection(section)) {
                (void)ini.ReadInteger(section, key, 0);
                (void)ini.ReadFloat(section, key, 0);
                ASSERT_EQ(again.ReadString(section, key, "\x01"),
                          ini.ReadString(section, key, "\x02"));
            }
        }
    }
}
