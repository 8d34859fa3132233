#include "Reference.h"

#include "link/LineSettings.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace bench {

namespace {

constexpr unsigned firstTableRegister = 1216;
constexpr unsigned lastTableRegister = 1471;
constexpr int readGiveUpTenths = 20; // a blocking read gives up after 2 s without a byte
constexpr int longWaitMs = 100;      // a pause this long is a wait of the device's

std::string FromHex(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

unsigned Byte(const std::string& bytes, size_t i) {
    return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0;
}

// The word after `key` up to the next blank; nullopt when the key is missing.
std::optional<std::string> Field(const std::string& line, const std::string& key) {
    const size_t at = line.find(" " + key);
    if (at == std::string::npos)
        return std::nullopt;
    const size_t from = at + 1 + key.size();
    return line.substr(from, line.find(' ', from) - from);
}

// "SECONDS.MICROSECONDS" of the monotonic clock.
std::optional<Clock::time_point> MonoTime(const std::optional<std::string>& text) {
    if (!text)
        return std::nullopt;
    const size_t dot = text->find('.');
    if (dot == std::string::npos || text->size() - dot != 7)
        return std::nullopt;
    char* endS = nullptr;
    char* endU = nullptr;
    const long long s = std::strtoll(text->c_str(), &endS, 10);
    const long long us = std::strtoll(text->c_str() + dot + 1, &endU, 10);
    if (endS != text->c_str() + dot || *endU != '\0')
        return std::nullopt;
    return Clock::time_point(std::chrono::seconds(s) + std::chrono::microseconds(us));
}

double SumMs(const std::vector<int>& pauses) {
    double sum = 0;
    for (int p : pauses)
        sum += p;
    return sum;
}

void Sleep(const std::vector<int>& pauses) {
    // One sleep per pause, as the program sleeps them.
    for (int p : pauses)
        std::this_thread::sleep_for(std::chrono::milliseconds(p));
}

} // namespace

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double ByteMs() {
    return double(mop::bitsPerByteOnWire) * 1000.0 / double(mop::lineBaudRate);
}

double Median(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

double P90(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t rank = (v.size() * 9 + 9) / 10; // ceil(0.9 n)
    return v[rank - 1];
}

// --- the simulator's log ----------------------------------------------------

unsigned LoggedExchange::ReadStart() const {
    return Byte(request, 5) << 8 | Byte(request, 6);
}
int LoggedExchange::ReadCount() const {
    return int(Byte(request, 7));
}
unsigned LoggedExchange::WriteStart() const {
    return Byte(request, 8) << 8 | Byte(request, 9);
}
int LoggedExchange::WriteCount() const {
    return int(Byte(request, 10));
}

Clock::time_point LoggedExchange::AnswerSent() const {
    if (answer.empty())
        return received;
    const double ms = double(answer.size() - 1) * ByteMs();
    return received + std::chrono::duration_cast<Clock::duration>(
                          std::chrono::duration<double, std::milli>(ms));
}

std::vector<LoggedExchange> ParseLog(std::istream& in) {
    std::vector<LoggedExchange> out;
    std::string line;
    while (std::getline(in, line)) {
        const auto request = Field(line, "req=");
        const auto answer = Field(line, "rsp=");
        const auto first = MonoTime(Field(line, "first="));
        const auto received = MonoTime(Field(line, "received="));
        if (!request || !answer || !first || !received)
            continue;
        LoggedExchange e;
        e.request = FromHex(*request);
        if (*answer != "-")
            e.answer = FromHex(*answer);
        e.firstByte = *first;
        e.received = *received;
        out.push_back(std::move(e));
    }
    return out;
}

std::vector<LoggedExchange> ReadLog(const std::filesystem::path& log, std::streamoff from) {
    std::ifstream in(log);
    in.seekg(from);
    return ParseLog(in);
}

std::streamoff FileSize(const std::filesystem::path& file) {
    std::error_code ec;
    const auto n = std::filesystem::file_size(file, ec);
    return ec ? 0 : std::streamoff(n);
}

// --- what the reference client does --------------------------------------

namespace {

// The steps of the log's exchanges with the send pause before each; refused
// when one went unanswered (the reference could not wait for it).
Workload Replayable(const std::vector<LoggedExchange>& log, int sendPauseMs) {
    Workload w;
    if (log.empty())
        w.refused = "the simulator logged no exchange";
    for (size_t i = 0; i < log.size(); ++i) {
        if (log[i].answer.empty() && w.refused.empty())
            w.refused = "exchange " + std::to_string(i + 1) + " went unanswered (a retry)";
        w.steps.push_back({{}, sendPauseMs, log[i].request, log[i].answer});
    }
    return w;
}

} // namespace

Workload ReadWorkload(const std::vector<LoggedExchange>& log, int sendPauseMs, int readerPauseMs,
                      int continuationDelayMs) {
    Workload w = Replayable(log, sendPauseMs);
    // The reader pauses after each of its exchanges: before every one but its
    // first (steps 0 and 1 are the type read and the reader's first).
    for (size_t i = 2; i < w.steps.size(); ++i)
        w.steps[i].pausesMs = {readerPauseMs};
    if (w.steps.size() > 1)
        w.endPausesMs.push_back(readerPauseMs);
    w.endPausesMs.push_back(continuationDelayMs);
    return w;
}

Workload ExchangeWorkload(const std::vector<LoggedExchange>& log, int sendPauseMs,
                          std::optional<std::pair<uint32_t, uint32_t>> activeAndCount,
                          int reapplyWaitMs) {
    Workload w = Replayable(log, sendPauseMs);
    if (!activeAndCount)
        return w;
    const auto [active, count] = *activeAndCount;
    size_t offset = 0;
    if (active < count || (active == count && count > 0))
        offset = 1;
    else if (active == count)
        offset = 2;
    if (offset == 0)
        return w;
    const auto inTables = [&](size_t i) {
        const LoggedExchange& e = log[i];
        return e.WriteCount() > 0 && e.WriteStart() >= firstTableRegister &&
               e.WriteStart() <= lastTableRegister;
    };
    for (size_t i = 0; i < log.size(); ++i) {
        const bool blockEnds = inTables(i) && (i + 1 == log.size() || !inTables(i + 1));
        if (!blockEnds || i + offset >= log.size())
            continue;
        const size_t waitAfter = i + offset;
        std::vector<int>& pauses =
            waitAfter + 1 < w.steps.size() ? w.steps[waitAfter + 1].pausesMs : w.endPausesMs;
        pauses.insert(pauses.begin(), reapplyWaitMs);
    }
    return w;
}

// --- the reference client --------------------------------------------------

ReferenceClient::ReferenceClient(const std::string& port) {
    fd_ = ::open(port.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) {
        failure_ = "cannot open " + port + ": " + std::strerror(errno);
        return;
    }
    termios t{};
    if (tcgetattr(fd_, &t) == 0) {
        cfmakeraw(&t);
        cfsetispeed(&t, B9600);
        cfsetospeed(&t, B9600);
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = readGiveUpTenths;
    }
    if (tcsetattr(fd_, TCSANOW, &t) != 0 || tcflush(fd_, TCIOFLUSH) != 0) {
        failure_ = "cannot set up " + port + ": " + std::strerror(errno);
        ::close(fd_);
        fd_ = -1;
    }
    lastActivity_ = Clock::now();
}

ReferenceClient::~ReferenceClient() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool ReferenceClient::Exchange(const std::string& request, const std::string& answer,
                               std::string& failure) {
    size_t done = 0;
    while (done < request.size()) {
        const ssize_t n = ::write(fd_, request.data() + done, request.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            failure = std::string("write: ") + std::strerror(errno);
            return false;
        }
        done += size_t(n);
    }
    std::string got;
    char buf[512];
    while (got.size() < answer.size()) {
        const ssize_t n = ::read(fd_, buf, std::min(sizeof buf, answer.size() - got.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            failure = n == 0 ? "no byte for 2 s" : std::string("read: ") + std::strerror(errno);
            return false;
        }
        got.append(buf, size_t(n));
    }
    lastActivity_ = Clock::now();
    if (got != answer) {
        failure = "the answer differs from the one the program got";
        return false;
    }
    return true;
}

ReferenceClient::Run ReferenceClient::Replay(const Workload& work) {
    Run run;
    const Cpu before = Cpu::Now();
    run.start = Clock::now();
    if (fd_ < 0)
        run.failure = failure_;
    for (size_t i = 0; i < work.steps.size() && run.failure.empty(); ++i) {
        Sleep(work.steps[i].pausesMs);
        std::this_thread::sleep_until(lastActivity_ +
                                      std::chrono::milliseconds(work.steps[i].quietMs));
        std::string why;
        if (!Exchange(work.steps[i].request, work.steps[i].answer, why))
            run.failure = "exchange " + std::to_string(i + 1) + ": " + why;
    }
    if (run.failure.empty())
        Sleep(work.endPausesMs);
    run.end = Clock::now();
    run.cpuMs = (Cpu::Now() - before).mainThreadMs;
    run.ok = run.failure.empty();
    return run;
}

// --- where the time goes -----------------------------------------------------

Timeline TimelineOf(const std::vector<LoggedExchange>& log, const Workload& work,
                    Clock::time_point start, Clock::time_point end) {
    Timeline t;
    const size_t n = std::min(log.size(), work.steps.size());
    if (n == 0)
        return t;
    t.toFirstRequestMs = Ms(log.front().firstByte - start);
    for (size_t i = 0; i + 1 < n; ++i) {
        const std::vector<int>& pauses = work.steps[i + 1].pausesMs;
        const double gap = Ms(log[i + 1].firstByte - log[i].AnswerSent()) -
                           std::max(SumMs(pauses), double(work.steps[i + 1].quietMs));
        if (std::any_of(pauses.begin(), pauses.end(), [](int p) { return p >= longWaitMs; })) {
            t.afterWaitsMs += gap;
            ++t.waits;
            continue;
        }
        t.betweenMs += gap;
        t.betweenMaxMs = t.gaps == 0 ? gap : std::max(t.betweenMaxMs, gap);
        ++t.gaps;
    }
    t.tailMs = Ms(end - log[n - 1].AnswerSent()) - SumMs(work.endPausesMs);
    return t;
}

// --- CPU -----------------------------------------------------------------------

Cpu Cpu::Now() {
    const auto ms = [](const rusage& u) {
        const auto of = [](const timeval& t) {
            return double(t.tv_sec) * 1000.0 + double(t.tv_usec) / 1000.0;
        };
        return of(u.ru_utime) + of(u.ru_stime);
    };
    rusage self{};
    rusage thread{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_THREAD, &thread);
    return {ms(self), ms(thread), self.ru_nvcsw, self.ru_nivcsw};
}

Cpu Cpu::operator-(const Cpu& o) const {
    return {processMs - o.processMs, mainThreadMs - o.mainThreadMs,
            voluntarySwitches - o.voluntarySwitches, involuntarySwitches - o.involuntarySwitches};
}

std::map<int, ThreadTime> ThreadCpuMs() {
    std::map<int, ThreadTime> out;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task", ec)) {
        std::ifstream stat(entry.path() / "schedstat");
        std::ifstream comm(entry.path() / "comm");
        unsigned long long ns = 0;
        ThreadTime t;
        std::getline(comm, t.name);
        unsigned long long waitedNs = 0;
        if (stat >> ns >> waitedNs >> t.slices) {
            t.ms = double(ns) / 1e6;
            out[std::atoi(entry.path().filename().c_str())] = t;
        }
    }
    return out;
}

void Meter::Start() {
    threadsBefore = ThreadCpuMs();
    cpuBefore = Cpu::Now();
    start = Clock::now();
}

void Meter::Stop() {
    end = Clock::now();
    cpu = Cpu::Now() - cpuBefore;
    threadsAfter = ThreadCpuMs();
}

void ThreadCpu::Add(const Meter& meter) {
    std::map<std::string, std::pair<double, double>> run; // name -> ms, slices
    const int self = int(gettid());
    const auto main = meter.threadsAfter.find(self);
    const std::string mainName = main != meter.threadsAfter.end() ? main->second.name : "";
    double named = 0;
    for (const auto& [tid, t] : meter.threadsAfter) {
        const auto before = meter.threadsBefore.find(tid);
        const bool old = before != meter.threadsBefore.end();
        const double slices = double(t.slices - (old ? before->second.slices : 0));
        if (tid == self) {
            run["main"] = {meter.cpu.mainThreadMs, slices};
            continue;
        }
        const double ms = t.ms - (old ? before->second.ms : 0.0);
        // Threads nobody named carry the program's name: here the port's
        // event thread.
        auto& entry = run[t.name == mainName ? std::string("port events") : "\"" + t.name + "\""];
        entry.first += ms;
        entry.second += slices;
        named += ms;
    }
    run[""] = {std::max(0.0, meter.cpu.processMs - meter.cpu.mainThreadMs - named), -1};
    for (const auto& [name, figures] : run) {
        ms_[name].push_back(figures.first);
        slices_[name].push_back(figures.second);
    }
}

void ThreadCpu::Print(const char* ended) const {
    std::printf("  CPU by thread (median of the runs; times put on a CPU):");
    for (const auto& [name, ms] : ms_) {
        const double slices = Median(slices_.at(name));
        std::printf(" %s %.2f ms", name.empty() ? ended : name.c_str(), Median(ms));
        if (slices >= 0)
            std::printf(" (%.0f x)", slices);
        std::printf(";");
    }
    std::printf("\n");
}

// --- the report ------------------------------------------------------------------

const char* Verdict(bool met) {
    return met ? "PASS" : "MISS";
}

namespace {

void PrintRow(const std::string& what, const char* unit, double program,
              std::optional<double> reference, std::optional<double> ratio, const char* target,
              bool met) {
    char ref[32] = "";
    char rat[32] = "";
    if (reference)
        std::snprintf(ref, sizeof ref, "%.2f %s", *reference, unit);
    if (ratio)
        std::snprintf(rat, sizeof rat, "%.4f", *ratio);
    char prog[32];
    std::snprintf(prog, sizeof prog, "%.2f %s", program, unit);
    std::printf("  %-34s %12s %12s %8s  %-10s %s\n", what.c_str(), prog, ref, rat, target,
                Verdict(met));
}

bool PrintRatio(const char* what, const std::vector<double>& program,
                const std::vector<double>& reference, double target) {
    char bound[32];
    std::snprintf(bound, sizeof bound, "<= %.2f", target);
    bool met = true;
    for (const bool p90 : {false, true}) {
        const double prog = p90 ? P90(program) : Median(program);
        const double ref = p90 ? P90(reference) : Median(reference);
        const double ratio = ref > 0 ? prog / ref : 0;
        const bool ok = ref > 0 && ratio <= target;
        met = met && ok;
        PrintRow(std::string(what) + (p90 ? ", p90" : ", median"), "ms", prog, ref, ratio, bound,
                 ok);
    }
    return met;
}

bool PrintBound(const char* what, const char* unit, const std::vector<double>& program,
                const std::vector<double>& reference, double target) {
    char bound[32];
    std::snprintf(bound, sizeof bound, "<= %g %s", target, unit);
    bool met = true;
    for (const bool p90 : {false, true}) {
        const double prog = p90 ? P90(program) : Median(program);
        std::optional<double> ref;
        if (!reference.empty())
            ref = p90 ? P90(reference) : Median(reference);
        const bool ok = !program.empty() && prog <= target;
        met = met && ok;
        PrintRow(std::string(what) + (p90 ? ", p90" : ", median"), unit, prog, ref, std::nullopt,
                 bound, ok);
    }
    return met;
}

void PrintTimelines(const std::vector<Timeline>& program, const std::vector<Timeline>& reference) {
    const auto column = [](const std::vector<Timeline>& runs, auto field) {
        std::vector<double> v;
        for (const Timeline& t : runs)
            v.push_back(field(t));
        return v;
    };
    struct Part {
        const char* what;
        double (*field)(const Timeline&);
    };
    const Part parts[] = {
        {"start -> 1st request byte", [](const Timeline& t) { return t.toFirstRequestMs; }},
        {"between exchanges, sum", [](const Timeline& t) { return t.betweenMs; }},
        {"between exchanges, mean",
         [](const Timeline& t) { return t.gaps ? t.betweenMs / t.gaps : 0.0; }},
        {"between exchanges, longest", [](const Timeline& t) { return t.betweenMaxMs; }},
        {"after the long waits, sum", [](const Timeline& t) { return t.afterWaitsMs; }},
        {"last answer -> end", [](const Timeline& t) { return t.tailMs; }},
    };
    const bool waits =
        std::any_of(program.begin(), program.end(), [](const Timeline& t) { return t.waits > 0; });
    std::printf("  where the time goes (simulator's clock; beyond the line and the pauses; "
                "median of the runs)\n");
    std::printf("  %-34s %12s %12s %12s\n", "", "program", "reference", "difference");
    for (const Part& part : parts) {
        if (!waits && std::string(part.what).rfind("after the long waits", 0) == 0)
            continue;
        const double prog = Median(column(program, part.field));
        const double ref = Median(column(reference, part.field));
        std::printf("  %-34s %9.2f ms %9.2f ms %+9.2f ms\n", part.what, prog, ref, prog - ref);
    }
}

} // namespace

void PrintRun(size_t index, const Sample& s) {
    std::printf("  run %2zu   program %8.1f ms (CPU %.2f %%, 1st request %.2f ms), "
                "reference %8.1f ms, ratio %.4f\n",
                index + 1, s.wallMs, s.cpuPercent, s.firstRequestMs, s.referenceWallMs,
                s.referenceWallMs > 0 ? s.wallMs / s.referenceWallMs : 0.0);
}

bool PrintOutcome(const std::vector<Sample>& runs, const std::string& failure,
                  const Targets& targets) {
    if (!failure.empty())
        std::printf("  run %zu FAILED: %s\n", runs.size() + 1, failure.c_str());
    if (runs.empty())
        return false;
    PrintSummary(runs, targets);
    return true;
}

bool PrintSummary(const std::vector<Sample>& runs, const Targets& targets) {
    std::vector<double> wall, referenceWall, cpu, referenceCpu, first, referenceFirst;
    std::vector<Timeline> program, reference;
    for (const Sample& s : runs) {
        wall.push_back(s.wallMs);
        referenceWall.push_back(s.referenceWallMs);
        cpu.push_back(s.cpuPercent);
        referenceCpu.push_back(s.referenceCpuPercent);
        first.push_back(s.firstRequestMs);
        referenceFirst.push_back(s.reference.toFirstRequestMs);
        program.push_back(s.program);
        reference.push_back(s.reference);
    }
    std::printf("  %zu runs of each, interleaved\n", runs.size());
    std::printf("  %-34s %12s %12s %8s  %-10s\n", "figure", "program", "reference", "ratio",
                "target");
    bool met = PrintRatio("wall", wall, referenceWall, targets.ratio);
    met = PrintBound("CPU of wall", "%", cpu, referenceCpu, targets.cpuPercent) && met;
    if (targets.firstRequestMs > 0) {
        const std::string what = std::string(targets.firstRequestFrom) + " -> 1st request";
        met = PrintBound(what.c_str(), "ms", first, referenceFirst, targets.firstRequestMs) && met;
    }
    PrintTimelines(program, reference);
    return met;
}

int RunsArgument(int argc, char** argv) {
    int runs = 10;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
    }
    return runs;
}

} // namespace bench
