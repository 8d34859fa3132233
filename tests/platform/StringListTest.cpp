#include "platform/StringList.h"
#include "platform/IniFile.h"
#include "support/NamedPipe.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <tuple>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class StringListFiles : public ::testing::Test {
protected:
    TempDir tmp_{"ostara-sl"};
    const fs::path& dir_ = tmp_.Path();
};

using Lines = std::vector<std::string>;

} // namespace

TEST(StringList, SplitsAtCrLfLfAndCrAlone) {
    EXPECT_EQ(SplitLines(""), Lines{});
    EXPECT_EQ(SplitLines("a"), Lines{"a"});
    EXPECT_EQ(SplitLines("a\r\n"), Lines{"a"});
    EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\n\nb\r\r\n"), (Lines{"a", "", "b", ""}));
    EXPECT_EQ(SplitLines("\n\r"), (Lines{"", ""}));
    EXPECT_EQ(SplitLines("\n\r\n"), (Lines{"", ""}));
    EXPECT_EQ(SplitLines(std::string("x\0y\n", 4)), Lines{std::string("x\0y", 3)});
}

TEST(StringList, EditingOperations) {
    TStringList list;
    EXPECT_EQ(list.Add("one"), 0u);
    EXPECT_EQ(list.Add("three"), 1u);
    list.Insert(1, "two");
    list.Insert(3, "four");
    EXPECT_THROW(list.Insert(5, "x"), std::out_of_range);
    EXPECT_EQ(list.Lines(), (Lines{"one", "two", "three", "four"}));
    EXPECT_EQ(list.IndexOf("three"), 2);
    EXPECT_EQ(list.IndexOf("THREE"), -1);
    list.Delete(0);
    EXPECT_THROW(list.Delete(3), std::out_of_range);
    EXPECT_EQ(list.Count(), 3u);
    EXPECT_EQ(list[0], "two");
    EXPECT_EQ(list.Text(), "two\r\nthree\r\nfour\r\n");
    list.SetText("x\ry");
    EXPECT_EQ(list.Lines(), (Lines{"x", "y"}));
    list.Clear();
    EXPECT_EQ(list.Text(), "");
}

TEST_F(StringListFiles, SaveWritesCrLfAndLoadReadsItBack) {
    TStringList list;
    list.SetText("r900=$0001\nr901=$00FF\n\n\xE4\xFC");
    const fs::path file = dir_ / "data.rtu";
    list.SaveToFile(file);
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, "r900=$0001\r\nr901=$00FF\r\n\r\n\xE4\xFC\r\n");

    TStringList loaded;
    loaded.Add("stale");
    loaded.LoadFromFile(file);
    EXPECT_EQ(loaded.Lines(), list.Lines());
}

TEST_F(StringListFiles, FailuresThrowTheSystemMessage) {
    TStringList list;
    list.Add("kept");
    try {
        list.LoadFromFile(dir_ / "missing.qdv");
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), std::strerror(ENOENT));
    }
    EXPECT_EQ(list.Lines(), Lines{"kept"});
    try {
        list.SaveToFile(dir_ / "no-such-folder" / "x.qdv");
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), std::strerror(ENOENT));
    }
}

// A file beyond the limit is refused unread.
TEST_F(StringListFiles, AFileBeyondTheSizeLimitIsRefused) {
    const fs::path file = dir_ / "big";
    std::ofstream(file, std::ios::binary); // sparse: grown without writing
    for (const std::size_t size : {MaxFileBytes, MaxFileBytes + 1}) {
        fs::resize_file(file, size);
        SCOPED_TRACE(size);
        const bool read = size == MaxFileBytes;
        const ReadRefusal refusal = read ? ReadRefusal::None : ReadRefusal::TooLarge;
        std::string bytes = "stale", error;
        ReadRefusal told = ReadRefusal::NotRegularFile;
        EXPECT_EQ(ReadFileBytes(file, bytes, error, &told), read);
        EXPECT_EQ(std::tuple(bytes.size(), told, error),
                  std::tuple(read ? size : 0, refusal, read ? "" : std::strerror(EFBIG)));
        EXPECT_EQ(TMemIniFile(file).LoadRefusal(), refusal);
    }
}

// A named pipe (also through a link), a device and a folder are refused
// unopened: the pipe's waiting byte stays.
TEST_F(StringListFiles, OnlyARegularFileIsRead) {
    HeldPipe pipe(dir_ / "pipe.qdv");
    fs::create_directory(dir_ / "folder.qdv");
    fs::create_symlink(dir_ / "pipe.qdv", dir_ / "link.qdv");
    for (const fs::path& file :
         {dir_ / "pipe.qdv", dir_ / "link.qdv", fs::path("/dev/zero"), dir_ / "folder.qdv"}) {
        SCOPED_TRACE(file.string());
        std::string bytes = "stale", error;
        ReadRefusal refusal = ReadRefusal::None;
        EXPECT_FALSE(ReadFileBytes(file, bytes, error, &refusal));
        EXPECT_EQ(std::tuple(bytes, error, refusal),
                  std::tuple("", std::string(NotRegularFileText), ReadRefusal::NotRegularFile));
        EXPECT_EQ(TMemIniFile(file).LoadRefusal(), ReadRefusal::NotRegularFile);
        EXPECT_THROW(TStringList().LoadFromFile(file), std::runtime_error);
    }
    EXPECT_TRUE(pipe.Untouched());
}

// A save to a named pipe does not wait: the whole-file save puts a file in
// its place, the line list's save refuses it.
TEST_F(StringListFiles, ASaveToANamedPipeDoesNotWait) {
    const fs::path file = dir_ / "pipe.qdv";
    {
        HeldPipe pipe(file);
        EXPECT_THROW(TStringList().SaveToFile(file), std::runtime_error);
        std::string error;
        EXPECT_TRUE(WriteFileAtomic(file, "saved\r\n", &error)) << error;
        EXPECT_TRUE(pipe.Untouched());
    }
    std::string bytes, error;
    EXPECT_TRUE(ReadFileBytes(file, bytes, error));
    EXPECT_EQ(bytes, "saved\r\n");
}
