#pragma once
// The simulator's main loop: polls the pty master and stdin with time-outs,
// feeds requests to the engine once they are received (with pacing, when
// their last byte would have arrived), sends the answers on time, logs
// exchanges.

#include "Engine.h"
#include "InputLine.h"
#include "Options.h"
#include "OutputQueue.h"
#include "Pty.h"

#include <cstdio>
#include <deque>
#include <string>

namespace devsim {

class Runner {
public:
    // `mapSource` names the register map in the log's ready line.
    Runner(const Options& options, Engine& engine, std::string mapSource = {});
    ~Runner();
    Runner(const Runner&) = delete;
    Runner& operator=(const Runner&) = delete;

    // Opens the pty (and link and log), prints the ready line, and serves until
    // quit, a signal, stdin end with --quit-on-eof, or a hang-up. Returns the
    // process exit code.
    int run();

private:
    void onMasterReadable(std::int64_t nowNs);
    void onStdinReadable();
    void serveDue();
    void sendDue();
    void hangup();
    // The device's time up to now (the keying countdown).
    void elapse();
    void logLine(const std::string& line);
    void finish();

    const Options& options_;
    Engine& engine_;
    std::string mapSource_;
    Pty pty_;
    // A complete request frame waiting for its last byte to arrive.
    struct Pending {
        std::int64_t firstByteNs; // its first byte came from the pty
        std::int64_t receivedNs;  // its last byte has arrived on the line
        Request request;
    };

    RequestParser parser_;
    InputLine line_;
    std::deque<Pending> pending_;
    std::int64_t frameFirstByteNs_ = 0;
    OutputQueue queue_;
    std::FILE* log_ = nullptr;
    std::string stdinBuffer_;
    bool stdinOpen_ = true;
    bool stop_ = false;
    bool linkMade_ = false;
    std::int64_t masterQuietUntilNs_ = 0;
    std::int64_t deviceTimeNs_ = 0;
};

// Installs SIGINT/SIGTERM handlers that make Runner::run return; ignores SIGPIPE.
void installSignalHandlers();

} // namespace devsim
