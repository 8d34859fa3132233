// The user's settings in ostra.ini: read at start-up, written on close.
#include "link/PortSettings.h"
#include "platform/IniFile.h"
#include "support/WindowFixture.h"

#include <fstream>
#include <sstream>

namespace {

std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST_F(WindowTest, WithoutSettingsFileTheStartValuesStay) {
    Start();
    EXPECT_EQ(PortName, "/nonexistent/ostara-test-port");
    EXPECT_EQ(Form1->LanguageId, Form1->WindowsLanguageId);
    EXPECT_EQ(Form1->WorkDir, "");
    EXPECT_EQ(Form1->PowerChoice, 1);
}

TEST_F(WindowTest, SettingsRoundTripKeepsOtherSectionsAndStartsWithoutAutoUpdate) {
    std::ofstream(dir_ / "ostra.ini")
        << "[Main]\r\nSchnittstelle=/dev/ttyUSB7\r\nBoudrate=19200\r\n"
           "Parity=2\r\nVerzeichniss=/home/tech/Kunden\r\n"
           "Sprache=2057\r\nWeb=http://example.invalid/u\r\n"
           "Power=0\r\nUpdates=1\r\n[Extra]\r\nkept=yes\r\n";
    Start();
    EXPECT_EQ(PortName, "/dev/ttyUSB7");
    EXPECT_EQ(PortBaudRate, 19200);
    EXPECT_EQ(PortParity, 2);
    EXPECT_EQ(Form1->WorkDir, "/home/tech/Kunden");
    EXPECT_EQ(Form1->LanguageId, 2057);
    EXPECT_EQ(Form1->UpdateUrl, "http://example.invalid/u");
    EXPECT_EQ(Form1->PowerChoice, 0);
    EXPECT_FALSE(Form1->AutoUpdate);
    EXPECT_FALSE(Form1->ui.Updatessuchen->isChecked());

    PortName = "/tmp/ostara-port";
    Form1->WriteSettingsFile();
    const TMemIniFile ini(dir_ / "ostra.ini");
    EXPECT_EQ(ini.ReadString("Main", "Schnittstelle", ""), "/tmp/ostara-port");
    EXPECT_EQ(ini.ReadInteger("Main", "Boudrate", 0), 19200);
    EXPECT_EQ(ini.ReadInteger("Main", "Updates", 9), 0);
    EXPECT_EQ(ini.ReadString("Extra", "kept", ""), "yes");
}

TEST_F(WindowTest, ASettingsFileThatCannotBeWrittenLeavesALogLine) {
    Start();
    // The settings file's place is taken by a folder: the rename fails.
    std::filesystem::create_directory(dir_ / "ostra.ini");
    Form1->WriteSettingsFile();
    EXPECT_TRUE(std::filesystem::is_directory(dir_ / "ostra.ini"));
    EXPECT_NE(FileText(dir_ / "Error.txt").find("ostra.ini"), std::string::npos);
    EXPECT_TRUE(Dialogs::History().empty() ||
                Dialogs::History().back().text.find("ostra.ini") == std::string::npos);
}

} // namespace

namespace {

TEST_F(WindowTest, ChoosingAWorkingFolderWritesTheSettingsCancelChangesNothing) {
    Start();
    const auto settings = dir_ / "ostra.ini";
    std::filesystem::remove(settings);
    Form1->WorkDir = "/srv/old";
    // Cancelled: nothing changes, nothing is written.
    Dialogs::QueueFileName(QString());
    Form1->ui.Userdaten->trigger();
    EXPECT_EQ(Form1->WorkDir, "/srv/old");
    EXPECT_FALSE(std::filesystem::exists(settings));
    // Confirmed: the folder is taken and all eight keys are written.
    Dialogs::QueueFileName(std::string("/home/tech/Kunden"));
    Form1->ui.Userdaten->trigger();
    EXPECT_EQ(Form1->WorkDir, "/home/tech/Kunden");
    const TMemIniFile ini(settings);
    EXPECT_EQ(ini.ReadString("Main", "Verzeichniss", ""), "/home/tech/Kunden");
    for (const char* key :
         {"Schnittstelle", "Boudrate", "Parity", "Sprache", "Web", "Power", "Updates"})
        EXPECT_NE(ini.ReadString("Main", key, "<none>"), "<none>") << key;
    EXPECT_EQ(Dialogs::History().back().kind, "folder");
    EXPECT_EQ(Dialogs::History().back().caption, "directory:");
}

} // namespace
