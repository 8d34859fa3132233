// Cost of the whole read command against a reference client in the same run.
// The main window presses Read against ostara-devsim --pace 9600, which takes
// the requests and sends the answers at the line's speed; the clock runs from
// the key until the continuation (TForm1::Timer1Timer) has run. After each
// run the reference client replays the exchanges the simulator logged with
// plain blocking reads and writes on its own connection to a second
// simulator, with the program's pauses: the send pause before each exchange
// (counted from the previous exchange's end), the reader's pause after each
// of its exchanges and the continuation's delay. Printed against the
// targets: wall time <= 1.01 x the reference (median and 90th percentile),
// CPU <= 1.5 % of wall, <= 6 ms from the key to the first request byte at
// the simulator (its log, monotonic clock).
// --runs N (default 10); --marks prints each run's key, first request byte
// and end on the monotonic clock (for a profiler recording with that clock).
// Exit code 0 unless a run fails.
#include "BenchSupport.h"
#include "SimulatorPair.h"

#include "device/RegisterImage.h"
#include "device/window/Form4.h"
#include "link/LineSettings.h"
#include "link/Mop.h"
#include "link/Reader.h"
#include "platform/window/Dialogs.h"
#include "shell/window/Form1.h"
#include "support/TempDir.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace benchsupport;

constexpr int kReaderPauseMs = 10;       // the reader's pause after each exchange
constexpr int kContinuationDelayMs = 50; // Timer1's interval after the reader is done
constexpr int kExchanges = 1 + 2 * haupt::blockCount;

std::vector<std::string> SimulatorArguments() {
    return {"--pace", std::to_string(mop::lineBaudRate), "--type", "0x21"};
}

// Why the read just made is not a good one; "" when it is.
std::string ReadFailure(const Continuation& continuation, int unanswered) {
    if (!continuation.ran || !Form1->TransferIdle || Form1->Timer1->Enabled())
        return "the continuation did not run within the deadline";
    if (Form1->ReadFailed)
        return "the reader reported a read error";
    if (Form1->Mop->Status() != TMop::StatusOk)
        return "the link reported status " + std::to_string(Form1->Mop->Status());
    if (Form4->Progress() != Form4->ProgressMaximum())
        return "the progress stopped at " + std::to_string(Form4->Progress());
    if (DeviceFamily == 0)
        return "no device family after the read";
    if (Dialogs::Unanswered() > unanswered)
        return "a dialog waited for an answer";
    return {};
}

} // namespace

int main(int argc, char** argv) {
    const Application app(argc, argv);
    const bool marks = HasFlag(argc, argv, "--marks");
    TempDir folder("ostara-bench-read");
    bench::SimulatorPair sims(folder.Path(), SimulatorArguments());
    if (!sims.Ready("ostara-bench-read"))
        return 1;
    testsupport::Devsim& sim = sims.program;
    const auto& programLog = sims.programLog;
    Session session("ostara-bench-read");
    if (!session.Start(folder, sim))
        return 1;
    // The continuation as the window runs it, with its start and end noted.
    Continuation continuation;

    std::printf("ostara-bench-read: the read command (key -> continuation done) against "
                "ostara-devsim --pace %d --type 0x21;\n  after each run the reference client "
                "replays the simulator's log of it on a second simulator (plain blocking reads "
                "and writes,\n  each request after %u ms of quiet, %d ms after each of the "
                "reader's exchanges, %d ms continuation delay)\n",
                mop::lineBaudRate, mop::preSendPauseMs, kReaderPauseMs, kContinuationDelayMs);

    std::vector<bench::Sample> samples;
    std::vector<double> timerMs;
    bench::ThreadCpu threads;
    std::string failure;
    for (int r = 0; r < app.runs && failure.empty(); ++r) {
        // Every run reads into a cleared window, as the first one does.
        Form1->ToolButton2Click();
        QCoreApplication::processEvents();
        Dialogs::ClearHistory();
        continuation.ran = false;
        const int unanswered = Dialogs::Unanswered();
        const std::streamoff programFrom = bench::FileSize(programLog);

        bench::Meter meter;
        meter.Start();
        Form1->down_loadClick();
        if (Form1->TransferIdle)
            failure = "the read did not start (type read failed, type unknown or no register map)";
        else
            continuation.Wait();
        meter.Stop();
        if (failure.empty())
            failure = ReadFailure(continuation, unanswered);
        if (!failure.empty())
            break;

        const auto log = bench::ReadLog(programLog, programFrom);
        const bench::Workload work = bench::ReadWorkload(log, int(mop::preSendPauseMs),
                                                         kReaderPauseMs, kContinuationDelayMs);
        if (!work.refused.empty()) {
            failure = "the reference cannot replay the read: " + work.refused;
            break;
        }
        if (r == 0 && log.size() != size_t(kExchanges))
            std::printf("  note    the program made %zu exchanges, not %d\n", log.size(),
                        kExchanges);

        bench::Sample s;
        if (!sims.ReplayAndSample(log, work, meter.start, continuation.end, meter.cpu.processMs, s,
                                  failure))
            break;
        if (marks)
            std::printf("mark run %d %.6f %.6f %.6f\n", r + 1, Seconds(meter.start),
                        Seconds(log.front().firstByte), Seconds(continuation.end));
        bench::PrintRun(samples.size(), s);
        samples.push_back(s);
        timerMs.push_back(Ms(continuation.end - continuation.start));
        threads.Add(meter);
    }
    session.End();

    bench::Targets targets;
    targets.ratio = 1.01;
    targets.cpuPercent = 1.5;
    targets.firstRequestMs = 6.0;
    if (!bench::PrintOutcome(samples, failure, targets))
        return 2;
    std::printf("  of the last answer -> end: Timer1Timer itself %.2f ms (median)\n",
                bench::Median(timerMs));
    threads.Print("the reader");
    std::fflush(stdout);
    return failure.empty() ? 0 : 2;
}
