#pragma once
// Where code below the program's shell writes its diagnostic lines. The
// program's error log (TLogFile) is one; tests may supply their own.

#include <string>

class LogSink {
public:
    virtual ~LogSink() = default;
    // Appends one line for message. Never throws.
    virtual void Write(const std::string& message) = 0;
    // Appends an empty line. Never throws.
    virtual void WriteBlankLine() = 0;
};
