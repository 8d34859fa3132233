#include "shell/LogFile.h"

#include "platform/StringList.h"

#include "platform/Text.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace {

// One lock for every log object: it guards the file appends, the clock, the
// reporter and the last-line times.
std::mutex& LogMutex() {
    static std::mutex m;
    return m;
}

TLogFile::Clock& ClockHook() {
    static TLogFile::Clock clock;
    return clock;
}

TLogFile::FailureReporter& ReporterHook() {
    static TLogFile::FailureReporter reporter;
    return reporter;
}

// Whether a failure went to the reporter and no write has succeeded since.
bool& FailureOutstanding() {
    static bool outstanding = false;
    return outstanding;
}

const char kSpacer[] = "    ";

// Appends bytes to the file in one write call sequence; false with errno set
// on failure. A log that is a named pipe without a reader fails rather than
// holding the program.
bool AppendToFile(const std::filesystem::path& path, const std::string& bytes, int& err) {
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        err = errno;
        return false;
    }
    if (!WriteAllBytes(fd, bytes)) {
        err = errno;
        ::close(fd);
        return false;
    }
    if (::close(fd) != 0) {
        err = errno;
        return false;
    }
    return true;
}

void ToStderr(const std::string& text, int err) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    if (err != 0)
        std::fprintf(stderr, " (%s)", std::strerror(err));
    std::fputc('\n', stderr);
}

} // namespace

TLogFile::TLogFile(const std::string& name, const std::string& folder)
    : TStdInfo(name, folder) {}

std::chrono::system_clock::time_point TLogFile::Now() {
    Clock clock;
    {
        std::lock_guard lock(LogMutex());
        clock = ClockHook();
    }
    return clock ? clock() : std::chrono::system_clock::now();
}

void TLogFile::SetClockForTesting(Clock clock) {
    std::lock_guard lock(LogMutex());
    ClockHook() = std::move(clock);
}

void TLogFile::SetFailureReporter(FailureReporter reporter) {
    std::lock_guard lock(LogMutex());
    ReporterHook() = std::move(reporter);
    FailureOutstanding() = false;
}

std::string TLogFile::FormatLine(const std::string& message,
                                 std::chrono::system_clock::time_point t) {
    std::string text = message;
    for (char& c : text)
        if (c == '\n')
            c = ';';
    std::string line = FormatDate(t);
    line += kSpacer;
    line += FormatTime(t);
    line += kSpacer;
    line += " * ";
    line += text;
    line += " * ";
    return line;
}

std::string TLogFile::VisibleText(const std::string& message) {
    std::string out;
    out.reserve(message.size());
    for (const char c : message) {
        const auto v = static_cast<signed char>(c);
        if (v == 10)
            out += "<lf>";
        else if (v == 13)
            out += "<cr>";
        else if (v < 32)
            out += "<" + std::to_string(static_cast<int>(v)) + ">";
        else
            out += c;
    }
    return out;
}

void TLogFile::Write(const std::string& message) {
    std::string line;
    try {
        line = FormatLine(message, Now());
    } catch (...) {
        return; // only a failing test clock or memory exhaustion gets here
    }
    Append(line + "\r\n", line);
}

void TLogFile::WriteVisible(const std::string& message) {
    Write(VisibleText(message));
}

void TLogFile::WriteBlankLine() {
    Append(" \r\n", " ");
}

bool TLogFile::FileExists() const {
    std::error_code ec;
    return std::filesystem::exists(FullPath(), ec);
}

void TLogFile::Append(const std::string& bytes, const std::string& reportLine) {
    bool ok = false;
    bool heldBack = false;
    int err = 0;
    try {
        std::lock_guard lock(LogMutex());
        try {
            ok = AppendToFile(FullPath(), bytes, err);
        } catch (...) {
            // A path that cannot be built or a failed allocation: a failure.
        }
        heldBack = !ok && FailureOutstanding();
        FailureOutstanding() = !ok;
    } catch (...) {
        // The lock itself failed: nothing was written.
    }
    if (ok)
        return;
    try {
        ReportFailure("Error:\n" + reportLine, err, heldBack);
    } catch (...) {
        // Write must not throw; a reporter that fails has nowhere to go.
    }
}

void TLogFile::ReportFailure(const std::string& text, int err, bool heldBack) {
    QCoreApplication* app = QCoreApplication::instance();
    if (heldBack || !app) {
        ToStderr(text, err);
        return;
    }
    if (QThread::currentThread() == app->thread()) {
        DeliverFailure(text, err);
        return;
    }
    QMetaObject::invokeMethod(
        app, [text, err] { DeliverFailure(text, err); }, Qt::QueuedConnection);
}

void TLogFile::DeliverFailure(const std::string& text, int err) {
    FailureReporter reporter;
    {
        std::lock_guard lock(LogMutex());
        reporter = ReporterHook();
    }
    if (reporter)
        reporter(text);
    else
        ToStderr(text, err);
}
