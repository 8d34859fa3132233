#pragma once
// What every benchmark measures the program against: the simulator's log of
// the exchanges the program made, a reference client that makes the same
// exchanges with the same pauses through plain blocking reads and writes on
// a connection of its own, the CPU meters, and the figures printed against
// their targets. No Qt.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <istream>
#include <map>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d);
// One byte on the line at the program's rate (start, 8 data, stop bit).
double ByteMs();

// --- figures over runs ----------------------------------------------------

double Median(std::vector<double> v);
// Nearest rank: the smallest value that at least 90 % of the runs do not
// exceed (the 9th of 10).
double P90(std::vector<double> v);

// --- the simulator's log ----------------------------------------------------

// One exchange as the simulator logged it.
struct LoggedExchange {
    std::string request;
    std::string answer;            // empty: the simulator did not answer
    Clock::time_point firstByte{}; // the request's first byte came from the pty
    Clock::time_point received{};  // its last byte had arrived on the paced line

    unsigned ReadStart() const;
    int ReadCount() const;
    unsigned WriteStart() const;
    int WriteCount() const;
    bool IsBlock() const { return WriteCount() > 1; }
    // The answer's last byte left the simulator (paced: one byte time apart,
    // the first when the request was received).
    Clock::time_point AnswerSent() const;
};

// The exchange lines of a log; lines without the times are skipped.
std::vector<LoggedExchange> ParseLog(std::istream& in);
// The exchanges logged from byte offset `from` of the file on.
std::vector<LoggedExchange> ReadLog(const std::filesystem::path& log, std::streamoff from);
std::streamoff FileSize(const std::filesystem::path& file);

// --- what the reference client does --------------------------------------

// One exchange of the reference client: its pauses (slept one after the
// other, as the program sleeps them), then the send pause (what is left of
// quietMs since the client's last exchange ended or its connection opened,
// as the program counts it from the line's last activity), the request, and
// the answer that must come back.
struct Step {
    std::vector<int> pausesMs;
    int quietMs = 0;
    std::string request;
    std::string answer;
};

struct Workload {
    std::vector<Step> steps;
    std::vector<int> endPausesMs; // after the last answer
    std::string refused;          // not "": the log cannot be replayed (why)
};

// The read command as the program made it: the type read after the send
// pause, then each reader exchange after the reader's pause and what is left
// of the send pause; at the end the reader's last pause and the delay of the
// continuation.
Workload ReadWorkload(const std::vector<LoggedExchange>& log, int sendPauseMs, int readerPauseMs,
                      int continuationDelayMs);

// Exchanges with the send pause before each (single exchanges or the write
// command). With the active channel and the channel count cell given, the
// re-apply wait follows each write into the frequency tables (1216-1471):
// after the first exchange behind it, after the second when both are 0, and
// none when the active channel lies past the count cell.
Workload ExchangeWorkload(const std::vector<LoggedExchange>& log, int sendPauseMs,
                          std::optional<std::pair<uint32_t, uint32_t>> activeAndCount = {},
                          int reapplyWaitMs = 0);

// --- the reference client --------------------------------------------------

// Plain blocking POSIX reads and writes on its own connection to a
// simulator: raw, 9600 baud, each read giving up after 2 s without a byte.
class ReferenceClient {
public:
    explicit ReferenceClient(const std::string& port);
    ~ReferenceClient();
    ReferenceClient(const ReferenceClient&) = delete;
    ReferenceClient& operator=(const ReferenceClient&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Failure() const { return failure_; }

    struct Run {
        bool ok = false;
        std::string failure;
        Clock::time_point start{};
        Clock::time_point end{};
        double cpuMs = 0; // of the thread that ran it
        double WallMs() const { return Ms(end - start); }
    };
    // Every step, then the end pauses; stops at the first answer that
    // differs or does not come.
    Run Replay(const Workload& work);

private:
    bool Exchange(const std::string& request, const std::string& answer, std::string& failure);

    int fd_ = -1;
    Clock::time_point lastActivity_{}; // the last exchange's end or the opening
    std::string failure_;
};

// --- where the time goes -----------------------------------------------------

// One run laid over its exchanges in the simulator's log: what it took
// beyond the line and the pauses.
// Gaps that hold a pause of 100 ms or more (the re-apply waits) are counted
// apart from the others.
struct Timeline {
    double toFirstRequestMs = 0; // start -> the first request's first byte
    double betweenMs = 0;        // last answer byte -> next request, beyond the pauses
                                 // (the step's pauses or its send pause, the longer)
    double betweenMaxMs = 0;     // the longest of these
    int gaps = 0;
    double afterWaitsMs = 0; // the same for the gaps holding a long wait
    int waits = 0;
    double tailMs = 0; // last answer byte -> end, beyond the end pauses
};
Timeline TimelineOf(const std::vector<LoggedExchange>& log, const Workload& work,
                    Clock::time_point start, Clock::time_point end);

// --- CPU -----------------------------------------------------------------------

struct Cpu {
    double processMs = 0;
    double mainThreadMs = 0;
    long voluntarySwitches = 0;
    long involuntarySwitches = 0;

    static Cpu Now();
    Cpu operator-(const Cpu& o) const;
};

// On-CPU time of every thread of this process (by thread id), how often it
// was put on a CPU (its wake-ups, near enough), and its name.
struct ThreadTime {
    double ms = 0;
    long long slices = 0;
    std::string name;
};
std::map<int, ThreadTime> ThreadCpuMs();

// The clock, the CPU of the process and every thread's, read at the start
// and at the end of what is measured.
struct Meter {
    std::map<int, ThreadTime> threadsBefore;
    std::map<int, ThreadTime> threadsAfter;
    Cpu cpuBefore;
    Cpu cpu; // spent between Start and Stop
    Clock::time_point start{};
    Clock::time_point end{};

    void Start();
    void Stop();
    double WallMs() const { return Ms(end - start); }
};

// CPU of the program's threads over the runs: the main thread, the others
// by name, and those that came and went during a run.
class ThreadCpu {
public:
    void Add(const Meter& meter);
    // `ended` names the threads that came and went.
    void Print(const char* ended) const;

private:
    std::map<std::string, std::vector<double>> ms_;
    std::map<std::string, std::vector<double>> slices_;
};

// --- the report ------------------------------------------------------------------

const char* Verdict(bool met);

// One run of the program and the reference run after it.
struct Sample {
    double wallMs = 0;
    double referenceWallMs = 0;
    double cpuPercent = 0; // the program's CPU time in % of its wall time
    double referenceCpuPercent = 0;
    double firstRequestMs = 0; // the key (or the confirmation) -> the first request byte
    Timeline program;
    Timeline reference;
};

struct Targets {
    double ratio = 1.01;       // program / reference, median and 90th percentile
    double cpuPercent = 1.5;   // median and 90th percentile
    double firstRequestMs = 0; // 0: not judged
    const char* firstRequestFrom = "key";
};

void PrintRun(size_t index, const Sample& s);
// The figures over the runs against their targets, each PASS or MISS, and
// where the time goes. Returns whether every target is met.
bool PrintSummary(const std::vector<Sample>& runs, const Targets& targets);

// After the runs: the run that failed, if one did, then the summary of the
// runs made. Returns false when no run was made.
bool PrintOutcome(const std::vector<Sample>& runs, const std::string& failure,
                  const Targets& targets);

// --runs N (default 10, at least 1).
int RunsArgument(int argc, char** argv);

} // namespace bench
