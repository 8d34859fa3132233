#pragma once
// The error log: one dated line per event appended to a plain 8-bit text file
// (Error.txt in the program folder), never truncated or rotated.
//
// A line is, byte for byte: date "yyyy.mm.dd", 4 blanks, time "hh:mm:ss",
// 4 blanks, " * ", the message with every LF replaced by ';' (CR stays),
// " * ", CR LF.
//
// Any thread may log: every write opens the file in append mode, writes the
// whole line and closes it again, under one process-wide mutex.

#include "platform/LogSink.h"
#include "shell/StdInfo.h"

#include <chrono>
#include <functional>
#include <string>

class TLogFile : public TStdInfo, public LogSink {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;
    using FailureReporter = std::function<void(const std::string&)>;

    TLogFile(const std::string& name, const std::string& folder);

    // Appends one line for message. Never throws: a failed write hands
    // "Error:\n" + the line (without CR LF) to the failure reporter, and the
    // caller goes on. Nothing is retried. Once a failure has gone to the
    // reporter, later failures go to stderr only until a write succeeds
    // again: a folder that cannot be written fails every line alike.
    void Write(const std::string& message) override;

    // Write(VisibleText(message)).
    void WriteVisible(const std::string& message);

    // Appends " " CR LF (no date or time). Failures are handled as in Write.
    void WriteBlankLine() override;

    // Whether folder + name exists.
    bool FileExists() const;


    // The line Write would append at time t, without its CR LF.
    static std::string FormatLine(const std::string& message,
                                  std::chrono::system_clock::time_point t);

    // Each byte taken as a signed 8-bit value: 10 -> "<lf>", 13 -> "<cr>",
    // other values below 32 (0xE4 is -28) -> "<value>", 32..127 as they are.
    static std::string VisibleText(const std::string& message);

    // Receives the text of every failed write, on the application's main
    // thread: a failure on another thread is posted there as a queued call.
    // Without a reporter, or when no application object exists, the text
    // goes to stderr. nullptr removes the reporter. Setting a reporter (or
    // none) ends a hold-back of repeated failures.
    static void SetFailureReporter(FailureReporter reporter);

    // Replaces the wall clock used for the time stamps; nullptr restores it.
    static void SetClockForTesting(Clock clock);

private:
    void Append(const std::string& bytes, const std::string& reportLine);
    static std::chrono::system_clock::time_point Now();
    static void ReportFailure(const std::string& text, int err, bool heldBack);
    static void DeliverFailure(const std::string& text, int err);
};
