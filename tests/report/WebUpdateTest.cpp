// The update description, the version test, the names allowed into the Data
// folder and the address of a file.
#include "report/WebUpdate.h"
#include "platform/IniFile.h"

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;
using Names = std::vector<std::string>;

TEST(WebUpdate, DescriptionAndVersion) {
    UpdateDescription d = ReadUpdateDescription(TMemIniFile::FromText(
        "[Dateiname]\r\nz=\r\nb=x\r\na\r\n[Execute]\r\nsetup.exe=1\r\nother=\r\n"));
    EXPECT_EQ(d.version, 0); // no [Datei]
    EXPECT_EQ(d.files, (Names{"z", "b", "a"}));
    EXPECT_EQ(d.execute, "setup.exe");
    d = ReadUpdateDescription(TMemIniFile::FromText("[Datei]\r\nVersion=2.24\r\n"));
    EXPECT_EQ(d.version, 2.24f);
    EXPECT_TRUE(d.files.empty() && d.execute.empty());
    EXPECT_EQ(ReadUpdateDescription(TMemIniFile::FromText("[Datei]\r\nVersion=2,24")).version, 0);
    EXPECT_FALSE(OffersNewerVersion(2.23f, 2.23f));
    EXPECT_TRUE(OffersNewerVersion(2.23f, 2.24f));
    EXPECT_FALSE(OffersNewerVersion(2.23f, 0));
}

TEST(WebUpdate, OnlyPlainNamesStayInsideTheDataFolder) {
    for (const char* good : {"setup.exe", "Setup 2.24.exe", "..x", "\xE4nderung.txt"})
        EXPECT_TRUE(IsPlainFileName(good)) << good;
    for (const auto& bad : {""s, "."s, ".."s, "../x"s, "/etc/x"s, "a\\b"s, "C:x"s, "x/"s, "a\x01"s,
                            "a\0b"s, "a\x7F"s})
        EXPECT_FALSE(IsPlainFileName(bad)) << bad;
    UpdateDescription d{0, "", {"a.bin", "b.bin"}, ".."};
    EXPECT_EQ(FirstUnsafeName(d), "..");
    d.files[1] = "/etc/x";
    EXPECT_EQ(FirstUnsafeName(d), "/etc/x");
}

TEST(WebUpdate, AFileIsFetchedFromTheLocationWithItsNameAsOneSegment) {
    EXPECT_EQ(UpdateFileUrl("http://127.0.0.1/updates/ostara", "info.qdv", 80),
              "http://127.0.0.1/updates/ostara/info.qdv");
    EXPECT_EQ(UpdateFileUrl("http://127.0.0.1/u", "Setup 2.24#?%/\xE4.exe", 8080),
              "http://127.0.0.1:8080/u/Setup%202.24%23%3F%25%2F%E4.exe");
    EXPECT_EQ(UpdateFileUrl("http://127.0.0.1:5000/u", "x", 8080), "http://127.0.0.1:5000/u/x");
}

} // namespace
