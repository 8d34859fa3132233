#include "shell/LogFile.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

#include "platform/StringList.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using std::chrono::system_clock;

namespace {

system_clock::time_point LocalTime(int y, int mo, int d, int h, int mi, int s) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    return system_clock::from_time_t(std::mktime(&tm));
}

class LogFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        TLogFile::SetClockForTesting([] { return LocalTime(2024, 3, 7, 21, 5, 9); });
        TLogFile::SetFailureReporter([this](const std::string& text) { reports_.push_back(text); });
    }
    void TearDown() override {
        TLogFile::SetClockForTesting(nullptr);
        TLogFile::SetFailureReporter(nullptr);
    }
    std::string Contents(const std::string& name = "Error.txt") const {
        std::string bytes, error;
        EXPECT_TRUE(ReadFileBytes(dir_ / name, bytes, error)) << error;
        return bytes;
    }
    // The message part of the last line.
    std::string LastMessage() const {
        const auto lines = SplitLines(Contents());
        if (lines.empty())
            return "<no line>";
        const std::string& line = lines.back();
        const std::string head = "    21:05:09     * ";
        const auto start = line.find(head);
        if (start == std::string::npos || line.size() < start + head.size() + 3)
            return "<bad line: " + line + ">";
        return line.substr(start + head.size(), line.size() - start - head.size() - 3);
    }

    TempDir tmp_{"ostara-log"};
    const fs::path& dir_ = tmp_.Path();
    std::vector<std::string> reports_;
};

} // namespace

TEST(StdInfo, FolderAndVersion) {
    const TStdInfo empty;
    EXPECT_EQ(empty.Name(), "");
    EXPECT_EQ(empty.Folder(), "");
    EXPECT_EQ(empty.Version(), 0);

    TStdInfo info("Error.txt", "/opt/ostara");
    EXPECT_EQ(info.Folder(), "/opt/ostara/");
    EXPECT_EQ(info.FullPath(), fs::path("/opt/ostara/Error.txt"));
    EXPECT_EQ(TStdInfo("a", "/x/").Folder(), "/x/");
    EXPECT_EQ(TStdInfo("a", "").FullPath(), fs::path("a"));
    info.SetVersion(100);
    EXPECT_EQ(info.Version(), 100);
}

TEST_F(LogFileTest, WholeLineIsByteExact) {
    TLogFile log("Error.txt", dir_.string()); // folder without trailing '/'
    EXPECT_FALSE(log.FileExists());
    log.Write("Timeout Error!");
    EXPECT_TRUE(log.FileExists());
    log.Write("Timeout Error!"); // same second, same stamp
    EXPECT_EQ(Contents(), "2024.03.07    21:05:09     * Timeout Error! * \r\n"
                          "2024.03.07    21:05:09     * Timeout Error! * \r\n");

    TLogFile::SetClockForTesting([] { return LocalTime(1999, 12, 31, 8, 0, 1); });
    log.Write("x");
    EXPECT_EQ(SplitLines(Contents()).back(), "1999.12.31    08:00:01     * x * ");
    EXPECT_TRUE(reports_.empty());
}

TEST_F(LogFileTest, LineFeedsBecomeSemicolonsAndCarriageReturnsStay) {
    TLogFile log("Error.txt", dir_.string());
    log.Write("A\nB");
    EXPECT_EQ(LastMessage(), "A;B");
    log.Write("A\r\nB\n\n");
    // The CR is kept in the file: the line reads "...A\r;B;; * \r\n".
    EXPECT_NE(Contents().find(" * A\r;B;; * \r\n"), std::string::npos);
}

TEST_F(LogFileTest, WriteVisibleShowsControlBytesAsSignedValues) {
    TLogFile log("Error.txt", dir_.string());
    log.WriteVisible("\x02"
                     "A\r\n");
    EXPECT_EQ(LastMessage(), "<2>A<cr><lf>");
    log.WriteVisible("\xFC");
    EXPECT_EQ(LastMessage(), "<-4>");
    log.WriteVisible(std::string("\xE4\x07\x00 ~\x7F\x80\xFF", 8));
    EXPECT_EQ(LastMessage(), "<-28><7><0> ~\x7F<-128><-1>");
}

TEST_F(LogFileTest, BlankLineHasNoStamp) {
    TLogFile log("Error.txt", dir_.string());
    log.Write("a");
    log.WriteBlankLine();
    log.Write("b");
    EXPECT_EQ(Contents(), "2024.03.07    21:05:09     * a * \r\n"
                          " \r\n"
                          "2024.03.07    21:05:09     * b * \r\n");
}

TEST_F(LogFileTest, ReadOnlyLogReportsTheLineAndGoesOn) {
    const fs::path file = dir_ / "Error.txt";
    std::ofstream(file, std::ios::binary) << "old\r\n";
    ::chmod(file.c_str(), 0444);
    ::chmod(dir_.c_str(), 0755);
    const std::string expected = "Error:\n2024.03.07    21:05:09     * A;B * ";
    const int code = RunUnprivileged([&] {
        std::vector<std::string> seen;
        TLogFile::SetFailureReporter([&seen](const std::string& t) { seen.push_back(t); });
        TLogFile log("Error.txt", dir_.string());
        log.Write("A\nB");
        log.WriteBlankLine(); // a repeat: held back
        if (seen.size() != 1)
            return 10;
        return seen[0] == expected ? 0 : 11;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Contents(), "old\r\n");
}

TEST_F(LogFileTest, MissingFolderIsReportedWithoutThrowing) {
    TLogFile log("Error.txt", (dir_ / "gone").string());
    EXPECT_NO_THROW(log.Write("Read Error!"));
    TLogFile("Error.txt", dir_.string()).Write("written"); // ends the hold-back
    EXPECT_NO_THROW(log.WriteBlankLine());
    ASSERT_EQ(reports_.size(), 2u);
    EXPECT_EQ(reports_[0], "Error:\n2024.03.07    21:05:09     * Read Error! * ");
    EXPECT_EQ(reports_[1], "Error:\n ");
    EXPECT_FALSE(fs::exists(dir_ / "gone"));
}

TEST_F(LogFileTest, RepeatedFailuresAreReportedOnceUntilAWriteSucceeds) {
    // Each step writes its letter to the missing folder ('-') or to dir_ ('+').
    const struct {
        const char* steps;
        const char* reported;
    } cases[] = {
        {"-a-b-c", "a"},
        {"-a+b-c-d", "ac"},
        {"+a-b-c+d+e-f", "bf"},
        {"+a+b", ""},
    };
    TLogFile good("Error.txt", dir_.string());
    TLogFile bad("Error.txt", (dir_ / "gone").string());
    for (const auto& c : cases) {
        TLogFile::SetFailureReporter([this](const std::string& text) { reports_.push_back(text); });
        reports_.clear();
        for (const char* p = c.steps; *p; p += 2)
            (p[0] == '+' ? good : bad).Write(std::string(1, p[1]));
        std::string reported;
        for (const std::string& text : reports_)
            reported += text.substr(text.size() - 4, 1); // "... * x * "
        EXPECT_EQ(reported, c.reported) << c.steps;
    }
}

TEST_F(LogFileTest, FailureOnAnotherThreadIsReportedOnTheMainThread) {
    std::thread::id reportThread;
    TLogFile::SetFailureReporter([&](const std::string& text) {
        reports_.push_back(text);
        reportThread = std::this_thread::get_id();
    });
    TLogFile log("Error.txt", (dir_ / "gone").string());
    std::thread worker([&] { log.Write("from worker"); });
    worker.join();
    EXPECT_TRUE(reports_.empty()); // queued, not called on the worker
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (reports_.empty() && std::chrono::steady_clock::now() < deadline)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_EQ(reports_[0], "Error:\n2024.03.07    21:05:09     * from worker * ");
    EXPECT_EQ(reportThread, std::this_thread::get_id());
}

TEST_F(LogFileTest, TwoThreadsLoseNoLine) {
    TLogFile::SetClockForTesting(nullptr);
    TLogFile log("Error.txt", dir_.string());
    auto writer = [&log](char who) {
        for (int i = 0; i < 500; ++i)
            log.Write(std::string(1, who) + std::to_string(i));
    };
    std::thread a(writer, 'a');
    std::thread b(writer, 'b');
    a.join();
    b.join();
    const auto lines = SplitLines(Contents());
    ASSERT_EQ(lines.size(), 1000u);
    std::set<std::string> messages;
    for (const auto& line : lines) {
        ASSERT_TRUE(line.size() >= 32 && line.compare(line.size() - 3, 3, " * ") == 0) << line;
        messages.insert(line.substr(29, line.size() - 32));
    }
    EXPECT_EQ(messages.size(), 1000u);
    EXPECT_TRUE(messages.count("a0") && messages.count("a499") && messages.count("b499"));
    EXPECT_TRUE(reports_.empty());
}

TEST_F(LogFileTest, AppendsToALargeLog) {
    const fs::path file = dir_ / "Error.txt";
    const std::string block(1 << 20, 'x');
    {
        std::ofstream out(file, std::ios::binary);
        for (int i = 0; i < 20; ++i)
            out << block;
    }
    const auto before = fs::file_size(file);
    TLogFile log("Error.txt", dir_.string());
    log.Write("tail");
    const std::string line = "2024.03.07    21:05:09     * tail * \r\n";
    EXPECT_EQ(fs::file_size(file), before + line.size());
    std::ifstream in(file, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(before - 1));
    std::string end(line.size() + 1, '\0');
    in.read(end.data(), static_cast<std::streamsize>(end.size()));
    EXPECT_EQ(end, "x" + line);
}
