// Cost of the whole write command: after one read of the simulator (not
// timed), the current channel and every entry of the channel-number table are
// changed and the main window presses Write against the simulator answering
// at 9600 baud; the clock runs until up_loadClick returns. The wall time is
// compared with the time the exchanges need on the wire plus the fixed
// pauses, and the CPU the program spends meanwhile with the wall time. The
// exchanges are taken from the simulator's log, never assumed. A few runs,
// each one a real change of the device; each one and the median are printed.
// Exit code 0 unless a write fails; the targets are reported as PASS or MISS.
// --runs N sets the number of writes; --marks prints each one's start and end
// on the monotonic clock (for a profiler recording with that clock).
#include "BenchSupport.h"

#include "device/ChangeFlags.h"
#include "device/FrequencyLimits.h"
#include "device/RegisterImage.h"
#include "device/RegisterMap.h"
#include "device/window/Form4.h"
#include "link/LineSettings.h"
#include "link/Mop.h"
#include "platform/Text.h"
#include "platform/window/Dialogs.h"
#include "shell/window/Form1.h"
#include "support/Devsim.h"
#include "support/TempDir.h"

#include <QLabel>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace benchsupport;

constexpr int kChannels = 128;
constexpr int kChannelTableCell = 1216 - int(FirstImageRegister);
constexpr long long kChannelTableRegister = 1216;
constexpr long long kStepTableRegister = 1344;
constexpr int kChannelDelta = 2;       // channel-number change per run (2 steps of 12.5 kHz)
constexpr double kReapplyWaitMs = 500; // inside each table block write

std::string FromHex(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

unsigned Byte(const std::string& bytes, size_t i) {
    return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0;
}

// One exchange as the simulator logged it.
struct Exchange {
    double atMs = 0; // request received, on the bench's clock (1 ms resolution)
    std::string request;
    std::string answer; // empty: the simulator did not answer
    bool unlocked = false;

    unsigned WriteStart() const { return Byte(request, 8) << 8 | Byte(request, 9); }
    int WriteCount() const { return int(Byte(request, 10)); }
    unsigned ReadStart() const { return Byte(request, 5) << 8 | Byte(request, 6); }
    int ReadCount() const { return int(Byte(request, 7)); }
    int AnsweredCount() const { return answer.empty() ? 0 : int(Byte(answer, 7)); }
    bool IsBlock() const { return WriteCount() > 1; }
    // The sizes the line format gives for this exchange.
    int RequestBytesByFormat() const { return mop::requestHeadLength + 2 * WriteCount(); }
    int AnswerBytesByFormat() const { return answer.empty() ? 0 : 8 + 2 * AnsweredCount(); }
};

// Milliseconds since local midnight of a steady-clock instant, through the
// wall clock read next to it.
double LocalDayMs(Clock::time_point t) {
    const auto sysNow = std::chrono::system_clock::now();
    const auto steadyNow = Clock::now();
    const auto sys =
        sysNow + std::chrono::duration_cast<std::chrono::system_clock::duration>(t - steadyNow);
    const std::time_t secs = std::chrono::system_clock::to_time_t(sys);
    tm local{};
    localtime_r(&secs, &local);
    const double sub = std::chrono::duration<double, std::milli>(
                           sys - std::chrono::system_clock::from_time_t(secs))
                           .count();
    return double((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000.0 + sub;
}

// The exchanges of the simulator's log from byte offset `from` on. Times are
// turned into milliseconds after t0 (the log gives local time of day to the ms).
std::vector<Exchange> ReadLog(const std::filesystem::path& log, std::streamoff from,
                              Clock::time_point t0) {
    std::vector<Exchange> out;
    std::ifstream in(log);
    in.seekg(from);
    const double t0Day = LocalDayMs(t0);
    std::string line;
    while (std::getline(in, line)) {
        const size_t req = line.find(" req=");
        const size_t rsp = line.find(" rsp=");
        if (req == std::string::npos || rsp == std::string::npos || line.size() < 12)
            continue;
        Exchange e;
        const int h = std::atoi(line.substr(0, 2).c_str());
        const int m = std::atoi(line.substr(3, 2).c_str());
        const double s = std::atof(line.substr(6, 6).c_str());
        double at = double(h * 3600 + m * 60) * 1000.0 + s * 1000.0 - t0Day;
        if (at < -43200000.0) // past midnight
            at += 86400000.0;
        e.atMs = at;
        e.request = FromHex(line.substr(req + 5, rsp - req - 5));
        std::istringstream rest(line.substr(rsp + 5));
        std::string answer, lock;
        rest >> answer >> lock;
        if (answer != "-")
            e.answer = FromHex(answer);
        e.unlocked = lock == "unlocked";
        out.push_back(std::move(e));
    }
    return out;
}

std::streamoff FileSize(const std::filesystem::path& p) {
    std::error_code ec;
    const auto n = std::filesystem::file_size(p, ec);
    return ec ? 0 : std::streamoff(n);
}

// What the exchanges of one write need: on a real line, and on the pty,
// where a request arrives at once and byte k of an answer goes out k byte
// times after the request.
struct Workload {
    int exchanges = 0;
    int unanswered = 0;
    int reads = 0;
    int singleWrites = 0;
    int blockExchanges = 0;
    int tableBlocks = 0;
    int waits = 0;
    int requestBytes = 0;
    int answerBytes = 0;
    int formatMismatches = 0; // logged sizes that differ from the line format
    double wireMs = 0;
    double pauseMs = 0;
    double waitMs = 0;
    double minimumMs = 0;
    double ptyMinimumMs = 0;
    std::vector<bool> waitAfter; // a re-apply wait follows exchange i
};

// The re-apply of the active channel after a table block: which exchange
// after the block's last part the wait follows, 0 when there is none.
int WaitOffsetAfterBlock(uint32_t active, uint32_t count) {
    if (active < count || (active == count && count > 0))
        return 1;
    if (active == count)
        return 2;
    return 0;
}

Workload Measure(const std::vector<Exchange>& log, uint32_t active, uint32_t count) {
    Workload w;
    w.exchanges = int(log.size());
    w.waitAfter.assign(log.size(), false);
    const int offset = WaitOffsetAfterBlock(active, count);
    for (size_t i = 0; i < log.size(); ++i) {
        const Exchange& e = log[i];
        const int req = int(e.request.size());
        const int ans = int(e.answer.size());
        w.requestBytes += req;
        w.answerBytes += ans;
        if (req != e.RequestBytesByFormat() || ans != e.AnswerBytesByFormat())
            ++w.formatMismatches;
        if (e.answer.empty())
            ++w.unanswered;
        if (e.WriteCount() == 0)
            ++w.reads;
        else if (e.IsBlock())
            ++w.blockExchanges;
        else
            ++w.singleWrites;
        if (e.IsBlock() &&
            (e.WriteStart() == kChannelTableRegister || e.WriteStart() == kStepTableRegister))
            ++w.tableBlocks;
        // The last part of a block: the re-apply follows.
        const bool blockEnds = e.IsBlock() && (i + 1 == log.size() || !log[i + 1].IsBlock());
        if (blockEnds && offset > 0 && i + offset < log.size()) {
            w.waitAfter[i + offset] = true;
            ++w.waits;
        }
        w.ptyMinimumMs += ans > 0 ? double(ans - 1) * ByteMs() : 0;
    }
    w.wireMs = double(w.requestBytes + w.answerBytes) * ByteMs();
    w.pauseMs = double(w.exchanges) * mop::preSendPauseMs;
    w.waitMs = double(w.waits) * kReapplyWaitMs;
    w.minimumMs = w.wireMs + w.pauseMs + w.waitMs;
    w.ptyMinimumMs += w.pauseMs + w.waitMs;
    return w;
}

// Where the time of a write goes, against what the pty needs.
struct Breakdown {
    double startMs = 0;     // click -> first request (ideal: one pause)
    double tailMs = 0;      // last request -> click returned (ideal: its answer)
    double tailIdealMs = 0; // the last answer on the pty
    int afterSingle = 0;    // gaps after a single exchange
    double afterSingleBeyondMs = 0;
    int afterBlock = 0; // gaps after a part of a table block
    double afterBlockBeyondMs = 0;
    std::vector<double> waitGapBeyondMs; // gaps holding a re-apply wait
};

Breakdown Analyse(const std::vector<Exchange>& log, const Workload& w, double wallMs) {
    Breakdown b;
    if (log.empty())
        return b;
    b.startMs = log.front().atMs;
    for (size_t i = 0; i + 1 < log.size(); ++i) {
        const Exchange& e = log[i];
        const double answerMs = e.answer.empty() ? 0 : double(e.answer.size() - 1) * ByteMs();
        double ideal = answerMs + mop::preSendPauseMs;
        if (w.waitAfter[i])
            ideal += kReapplyWaitMs;
        const double beyond = log[i + 1].atMs - e.atMs - ideal;
        if (w.waitAfter[i])
            b.waitGapBeyondMs.push_back(beyond);
        else if (e.IsBlock()) {
            ++b.afterBlock;
            b.afterBlockBeyondMs += beyond;
        } else {
            ++b.afterSingle;
            b.afterSingleBeyondMs += beyond;
        }
    }
    const Exchange& last = log.back();
    b.tailIdealMs = last.answer.empty() ? 0 : double(last.answer.size() - 1) * ByteMs();
    b.tailMs = wallMs - last.atMs;
    return b;
}

struct Run {
    bool ok = false;
    std::string failure;
    std::vector<std::string> notes;
    double wallMs = 0;
    Cpu cpu;
    double portThreadsMs = 0;  // other threads of the program (the port's event thread)
    double poolThreadsMs = 0;  // Qt's pooled workers (the painting's helpers)
    double endedThreadsMs = 0; // threads that ended meanwhile
    Workload work;
    Breakdown parts;
};

// The register as the simulator holds it; nullopt when it does not say.
std::optional<long> DeviceRegister(testsupport::Devsim& sim, long long reg) {
    const std::string reply = sim.Command("get " + std::to_string(reg));
    const std::string prefix = std::to_string(reg) + "=";
    if (reply.rfind(prefix, 0) != 0)
        return std::nullopt;
    return std::atol(reply.c_str() + prefix.size());
}

// The edit of one run: the next channel and every channel number of the
// table moved by two steps (down instead when up would leave the range).
void ChangeParameterSet() {
    const uint32_t count = RegisterImage[RegisterMap.max_anzahl_funkkanal];
    uint32_t& active = RegisterImage[RegisterMap.aktu_funkkanal];
    active = active >= 2 || active >= count ? 1 : active + 1;

    uint32_t lo = 0, hi = 0;
    DeviceFrequencyRange(RegisterImage, lo, hi);
    bool upFits = true;
    for (uint32_t i = 0; i <= count; ++i) {
        const uint32_t step = RegisterImage[kChannelTableCell + kChannels + int(i)];
        const uint32_t channel = RegisterImage[kChannelTableCell + int(i)];
        if (uint64_t(channel + kChannelDelta) * step > hi)
            upFits = false;
    }
    for (uint32_t i = 0; i <= count; ++i) {
        uint32_t& cell = RegisterImage[kChannelTableCell + int(i)];
        cell = upFits ? cell + kChannelDelta : cell - kChannelDelta;
    }
    Form1->FrequencyTableChanged = true;
    RadioSettingsChanged = 1;
}

// Does the simulator now hold what the program wrote (the channel, its
// default, the whole channel-number table, locked again)? "" when so.
std::string VerifyDevice(testsupport::Devsim& sim) {
    const uint32_t count = RegisterImage[RegisterMap.max_anzahl_funkkanal];
    const uint32_t active = RegisterImage[RegisterMap.aktu_funkkanal];
    for (long long reg : {910LL, 911LL}) {
        const auto v = DeviceRegister(sim, reg);
        if (!v || uint32_t(*v) != active)
            return "register " + std::to_string(reg) + " holds " +
                   (v ? std::to_string(*v) : std::string("?")) + ", not the channel " +
                   std::to_string(active);
    }
    for (uint32_t i = 0; i <= count; ++i) {
        const long long reg = kChannelTableRegister + i;
        const auto v = DeviceRegister(sim, reg);
        const uint32_t want = RegisterImage[kChannelTableCell + int(i)];
        if (!v || uint32_t(*v) != want)
            return "register " + std::to_string(reg) + " holds " +
                   (v ? std::to_string(*v) : std::string("?")) + ", not " + std::to_string(want);
    }
    const std::string lock = sim.Command("lock?");
    if (lock != "locked")
        return "the device is left \"" + lock + "\"";
    return {};
}

} // namespace

int main(int argc, char** argv) {
    const Application app(argc, argv);
    const int runs = app.runs;
    // Each run's start and end on the monotonic clock, for a profiler.
    const bool marks = HasFlag(argc, argv, "--marks");

    // A fresh program folder, with the simulator's log next to the program's
    // files.
    TempDir folder("ostara-bench-write");
    const std::filesystem::path logPath = folder.Path() / "devsim.log";
    testsupport::Devsim sim(OSTARA_DEVSIM,
                            {"--pace", std::to_string(mop::lineBaudRate), "--type", "0x21",
                             "--channels", std::to_string(kChannels), "--log", logPath.string()});
    if (!sim.Ready()) {
        std::fprintf(stderr, "ostara-bench-write: %s\n", sim.Failure().c_str());
        return 1;
    }
    Session session("ostara-bench-write");
    if (!session.Start(folder, sim))
        return 1;

    // The read that fills the window (not timed): click, then the
    // continuation as the window runs it.
    Continuation continuation;
    {
        const int unanswered = Dialogs::Unanswered();
        Form1->down_loadClick();
        if (!Form1->TransferIdle)
            continuation.Wait();
        std::string failure;
        if (!continuation.ran || !Form1->TransferIdle)
            failure = "the read did not finish";
        else if (Form1->ReadFailed)
            failure = "the reader reported a read error";
        else if (DeviceFamily != 0x21)
            failure = "the read gave family " + std::to_string(DeviceFamily) + ", not 0x21";
        else if (RegisterImage[RegisterMap.max_anzahl_funkkanal] != kChannels - 1)
            failure = "the read gave a channel count cell of " +
                      std::to_string(RegisterImage[RegisterMap.max_anzahl_funkkanal]);
        else if (Dialogs::Unanswered() > unanswered)
            failure = "a dialog waited for an answer during the read";
        if (!failure.empty()) {
            std::fprintf(stderr, "ostara-bench-write: %s\n", failure.c_str());
            return 1;
        }
    }
    QCoreApplication::processEvents();

    const std::string success = Form1->GetText("$T29003");
    const std::string question = Form1->GetText("$T30027");
    std::vector<Run> results;
    for (int r = 0; r < runs; ++r) {
        ChangeParameterSet();
        const uint32_t active = RegisterImage[RegisterMap.aktu_funkkanal];
        const uint32_t count = RegisterImage[RegisterMap.max_anzahl_funkkanal];
        Form1->StatusPanels[5]->clear();
        Dialogs::ClearHistory();
        const int unanswered = Dialogs::Unanswered();
        Dialogs::QueueAnswer(Dialogs::Yes);
        QCoreApplication::processEvents();
        const std::streamoff logFrom = FileSize(logPath);

        Run run;
        Meter meter;
        meter.Start();
        Form1->up_loadClick();
        meter.Stop();
        run.cpu = meter.cpu;
        for (const auto& [tid, t] : meter.threadsAfter) {
            if (tid == int(gettid()))
                continue;
            const auto before = meter.threadsBefore.find(tid);
            const double ms =
                t.ms - (before != meter.threadsBefore.end() ? before->second.ms : 0.0);
            if (t.name.rfind("Thread (pooled)", 0) == 0)
                run.poolThreadsMs += ms;
            else
                run.portThreadsMs += ms;
        }
        run.endedThreadsMs =
            run.cpu.processMs - run.cpu.mainThreadMs - run.portThreadsMs - run.poolThreadsMs;
        run.wallMs = meter.WallMs();
        const auto t0 = meter.start;
        const auto tEnd = meter.end;
        if (marks)
            std::printf("mark run %d %.6f %.6f\n", r + 1,
                        std::chrono::duration<double>(t0.time_since_epoch()).count(),
                        std::chrono::duration<double>(tEnd.time_since_epoch()).count());

        const std::vector<Exchange> log = ReadLog(logPath, logFrom, t0);
        run.work = Measure(log, active, count);
        run.parts = Analyse(log, run.work, run.wallMs);

        bool asked = false;
        for (const Dialogs::Shown& shown : Dialogs::History()) {
            if (shown.kind == "message" && shown.text == question)
                asked = true;
            else
                run.notes.push_back("box \"" + shown.text + "\" answered " +
                                    std::to_string(shown.result));
        }
        const std::string status = FromQString(Form1->StatusPanels[5]->text());
        if (status != success)
            run.failure = "status \"" + status + "\" instead of " + success;
        else if (!asked)
            run.failure = "the write did not ask " + question;
        else if (Dialogs::Unanswered() > unanswered || Dialogs::Pending() != 0)
            run.failure = "the dialogs did not go as scripted";
        else if (!Form1->TransferIdle)
            run.failure = "the window still holds the link";
        else if (const std::string wrong = VerifyDevice(sim); !wrong.empty())
            run.failure = "the device does not hold the write: " + wrong;
        if (run.work.unanswered > 0)
            run.notes.push_back(std::to_string(run.work.unanswered) +
                                " requests went unanswered (retried)");
        if (run.work.formatMismatches > 0)
            run.notes.push_back(std::to_string(run.work.formatMismatches) +
                                " exchanges differ from 11 + 2w / 8 + 2r bytes");
        run.ok = run.failure.empty();
        results.push_back(run);
        if (!run.ok)
            break;
    }

    session.End();

    std::printf("ostara-bench-write: write command (click -> return) against ostara-devsim "
                "--pace %d --type 0x21 --channels %d; channel and all %d channel numbers "
                "changed\n",
                mop::lineBaudRate, kChannels, kChannels);
    if (!results.empty()) {
        const Workload& w = results.front().work;
        std::printf("  workload        %d exchanges from the simulator's log: %d reads, %d single "
                    "writes, %d block parts in %d table blocks\n",
                    w.exchanges, w.reads, w.singleWrites, w.blockExchanges, w.tableBlocks);
        PrintWire(w.requestBytes, w.answerBytes, w.wireMs);
        std::printf("  pauses          %d x %u ms before + %d x %.0f ms re-apply waits = %.1f ms\n",
                    w.exchanges, mop::preSendPauseMs, w.waits, kReapplyWaitMs,
                    w.pauseMs + w.waitMs);
        PrintMinimum(w.minimumMs, w.ptyMinimumMs);
    }

    bool allOk = true;
    std::vector<double> walls;
    std::vector<double> ratios;
    std::vector<double> cpuPercents;
    for (size_t i = 0; i < results.size(); ++i) {
        const Run& run = results[i];
        const Workload& w = run.work;
        for (const std::string& note : run.notes)
            std::printf("  run %zu note     %s\n", i + 1, note.c_str());
        if (!run.ok) {
            allOk = false;
            std::printf("  run %zu          FAILED after %.1f ms (%d exchanges): %s\n", i + 1,
                        run.wallMs, w.exchanges, run.failure.c_str());
            continue;
        }
        const double ratio = run.wallMs / w.minimumMs;
        const double cpuPercent = 100.0 * run.cpu.processMs / run.wallMs;
        walls.push_back(run.wallMs);
        ratios.push_back(ratio);
        cpuPercents.push_back(cpuPercent);
        std::printf("  run %zu          wall %.1f ms, minimum %.1f ms (%d exchanges), ratio %.3f "
                    "(pty %.3f), CPU %.1f ms = %.2f %%\n",
                    i + 1, run.wallMs, w.minimumMs, w.exchanges, ratio, run.wallMs / w.ptyMinimumMs,
                    run.cpu.processMs, cpuPercent);
        std::printf("      CPU by thread       main %.1f ms, port events %.1f ms, Qt pool %.1f ms, "
                    "ended %.1f ms; %ld voluntary / %ld forced switches\n",
                    run.cpu.mainThreadMs, run.portThreadsMs, run.poolThreadsMs, run.endedThreadsMs,
                    run.cpu.voluntarySwitches, run.cpu.involuntarySwitches);

        // Where the time goes (simulator log times, 1 ms resolution).
        const Breakdown& b = run.parts;
        std::printf("      click -> 1st request %6.1f ms (pty minimum %u ms: one pause)\n",
                    b.startMs, mop::preSendPauseMs);
        if (b.afterSingle > 0)
            std::printf("      after %2d singles    %+6.1f ms beyond the pty (%.2f ms each)\n",
                        b.afterSingle, b.afterSingleBeyondMs,
                        b.afterSingleBeyondMs / double(b.afterSingle));
        if (b.afterBlock > 0)
            std::printf("      after %2d block parts %+6.1f ms beyond the pty (%.2f ms each)\n",
                        b.afterBlock, b.afterBlockBeyondMs,
                        b.afterBlockBeyondMs / double(b.afterBlock));
        for (size_t k = 0; k < b.waitGapBeyondMs.size(); ++k)
            std::printf("      re-apply wait %zu     %+6.1f ms beyond answer + %.0f ms + pause\n",
                        k + 1, b.waitGapBeyondMs[k], kReapplyWaitMs);
        std::printf("      last request -> end %6.1f ms (pty minimum %.1f ms: its answer)\n",
                    b.tailMs, b.tailIdealMs);
    }

    if (!walls.empty()) {
        const double wall = Median(walls);
        const double ratio = Median(ratios);
        const double cpuPercent = Median(cpuPercents);
        PrintMedianRatio(wall, results.front().work.minimumMs, ratio,
                         results.front().work.ptyMinimumMs);
        std::printf("  CPU             %.2f %% of wall (target <= %.0f %%) %s\n", cpuPercent,
                    kCpuTargetPercent, Verdict(cpuPercent <= kCpuTargetPercent));
    }
    std::fflush(stdout);
    return allOk ? 0 : 2;
}
