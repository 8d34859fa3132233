// Cost of the whole read command: the main window presses Read against the
// simulator answering at 9600 baud, and the clock runs until the continuation
// (TForm1::Timer1Timer) has run. The wall time is compared with the time the
// 25 exchanges need on the wire plus the fixed pauses, and the CPU the
// program spends meanwhile with the wall time. A few runs; each one and the
// median are printed. Exit code 0 unless a read fails; the targets are
// reported as PASS or MISS only.
#include "BenchSupport.h"

#include "device/RegisterImage.h"
#include "device/window/Form4.h"
#include "link/LineSettings.h"
#include "link/Mop.h"
#include "link/Reader.h"
#include "platform/Timer.h"
#include "platform/window/Dialogs.h"
#include "shell/window/Form1.h"
#include "support/Devsim.h"
#include "support/TempDir.h"

#include <QEvent>

#include <cstdio>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace benchsupport;

constexpr int kTypeRegister = 906;
constexpr int kReaderPauseMs = 10;       // the reader's pause after each exchange
constexpr int kContinuationDelayMs = 50; // Timer1's interval after the reader is done

// One exchange of the read command: its request and answer sizes on the wire.
struct Exchange {
    int requestBytes;
    int answerBytes;
};

int AnswerBytes(int count) {
    return 8 + 2 * count;
}

// On the pty the request arrives at once and the simulator puts out byte k of
// its answer k byte times after the request (k from 0): the answer is
// complete one byte time earlier than on a real line.
double PtyAnswerMs(int count) {
    return double(AnswerBytes(count) - 1) * ByteMs();
}

// The type read, then every block of the reader twice.
std::vector<Exchange> ReadWorkload() {
    std::vector<Exchange> all;
    all.push_back({mop::requestHeadLength, AnswerBytes(1)});
    for (int block = 1; block <= haupt::blockCount; ++block) {
        const int answer = AnswerBytes(haupt::BlockOf(block).count);
        all.push_back({mop::requestHeadLength, answer});
        all.push_back({mop::requestHeadLength, answer});
    }
    return all;
}

// Records when queued calls reach the main window (the reader's completion)
// and the progress bar (one per accepted block).
class QueuedCallProbe : public QObject {
public:
    QObject* window = nullptr;
    QObject* bar = nullptr;
    std::vector<Clock::time_point> windowCalls;
    std::vector<Clock::time_point> barCalls;

    void Clear() {
        windowCalls.clear();
        barCalls.clear();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MetaCall) {
            if (watched == window)
                windowCalls.push_back(Clock::now());
            else if (watched == bar)
                barCalls.push_back(Clock::now());
        }
        return false;
    }
};

struct Run {
    bool ok = false;
    std::string failure;
    double wallMs = 0;
    double clickMs = 0;          // click returned: type read done, reader started
    double readerDoneMs = 0;     // the completion call reached the main window
    double timerStartMs = 0;     // Timer1Timer entered
    double continuationMs = 0;   // Timer1Timer's own run
    std::vector<double> blockMs; // click -> each accepted block
    Cpu cpu;
    double persistentThreadsMs = 0; // other threads alive before and after (port events)
    double endedThreadsMs = 0;      // threads that came and went (the reader)
};

} // namespace

int main(int argc, char** argv) {
    const Application app(argc, argv);
    const int runs = app.runs;

    testsupport::Devsim sim(OSTARA_DEVSIM,
                            {"--pace", std::to_string(mop::lineBaudRate), "--type", "0x21"});
    if (!sim.Ready()) {
        std::fprintf(stderr, "ostara-bench-read: %s\n", sim.Failure().c_str());
        return 1;
    }
    TempDir folder("ostara-bench-read");
    Session session("ostara-bench-read");
    if (!session.Start(folder, sim))
        return 1;

    // The reader's progress calls are queued to the transfer window.
    QObject* bar = Form4;
    QueuedCallProbe probe;
    probe.window = Form1;
    probe.bar = bar;
    Form1->installEventFilter(&probe);
    bar->installEventFilter(&probe);

    // The continuation as the window runs it, with its start and end noted.
    Continuation continuation;

    std::vector<Run> results;
    for (int r = 0; r < runs; ++r) {
        // Every run reads into a cleared window, as the first one does.
        Form1->ToolButton2Click();
        QCoreApplication::processEvents();
        Dialogs::ClearHistory();
        probe.Clear();
        continuation.ran = false;
        const int unanswered = Dialogs::Unanswered();

        Run run;
        Meter meter;
        meter.Start();
        Form1->down_loadClick();
        const auto tClick = Clock::now();
        if (Form1->TransferIdle)
            run.failure =
                "the read did not start (type read failed, type unknown or no register map)";
        else
            continuation.Wait();
        meter.Stop();
        run.cpu = meter.cpu;
        for (const auto& [tid, t] : meter.threadsAfter) {
            const auto before = meter.threadsBefore.find(tid);
            if (tid != int(gettid()) && before != meter.threadsBefore.end())
                run.persistentThreadsMs += t.ms - before->second.ms;
        }
        run.endedThreadsMs = run.cpu.processMs - run.cpu.mainThreadMs - run.persistentThreadsMs;

        const bool finished = Form1->TransferIdle && !Form1->Timer1->Enabled();
        if (run.failure.empty()) {
            if (!continuation.ran || !finished)
                run.failure = "the continuation did not run within the deadline";
            else if (Form1->ReadFailed)
                run.failure = "the reader reported a read error";
            else if (Form1->Mop->Status() != TMop::StatusOk)
                run.failure = "the link reported status " + std::to_string(Form1->Mop->Status());
            else if (Form4->Progress() != Form4->ProgressMaximum())
                run.failure = "the progress stopped at " + std::to_string(Form4->Progress());
            else if (DeviceFamily == 0)
                run.failure = "no device family after the read";
            else if (Dialogs::Unanswered() > unanswered)
                run.failure = "a dialog waited for an answer";
        }
        run.ok = run.failure.empty();
        const auto t0 = meter.start;
        run.wallMs = Ms((continuation.ran ? continuation.end : meter.end) - t0);
        run.clickMs = Ms(tClick - t0);
        if (!probe.windowCalls.empty())
            run.readerDoneMs = Ms(probe.windowCalls.back() - t0);
        if (continuation.ran) {
            run.timerStartMs = Ms(continuation.start - t0);
            run.continuationMs = Ms(continuation.end - continuation.start);
        }
        for (const auto& t : probe.barCalls)
            run.blockMs.push_back(Ms(t - t0));
        results.push_back(run);
        if (!run.ok)
            break;
    }

    Form1->removeEventFilter(&probe);
    bar->removeEventFilter(&probe);
    session.End();

    // The physical minimum of the read.
    const std::vector<Exchange> workload = ReadWorkload();
    int requestBytes = 0;
    int answerBytes = 0;
    for (const Exchange& e : workload) {
        requestBytes += e.requestBytes;
        answerBytes += e.answerBytes;
    }
    const int exchanges = int(workload.size());
    const int readerExchanges = exchanges - 1;
    const double wireMs = double(requestBytes + answerBytes) * ByteMs();
    const double ptyAnswersMs = double(answerBytes - exchanges) * ByteMs();
    const double pauseMs =
        double(exchanges) * mop::preSendPauseMs + double(readerExchanges) * kReaderPauseMs;
    const double minimumMs = wireMs + pauseMs;
    const double ptyMinimumMs = ptyAnswersMs + pauseMs;

    std::printf("ostara-bench-read: full read command (click -> continuation) against "
                "ostara-devsim --pace %d, type 0x21\n",
                mop::lineBaudRate);
    std::printf("  workload        %d exchanges: register %d x1, then %d blocks x2 "
                "(%d requests of %d bytes, answers 8 + 2 x count bytes)\n",
                exchanges, kTypeRegister, haupt::blockCount, exchanges, mop::requestHeadLength);
    PrintWire(requestBytes, answerBytes, wireMs);
    std::printf("  pauses          %d x %u ms before + %d x %d ms after = %.1f ms\n", exchanges,
                mop::preSendPauseMs, readerExchanges, kReaderPauseMs, pauseMs);
    PrintMinimum(minimumMs, ptyMinimumMs);

    bool allOk = true;
    std::vector<double> walls;
    std::vector<double> cpus;
    for (size_t i = 0; i < results.size(); ++i) {
        const Run& run = results[i];
        if (!run.ok) {
            allOk = false;
            std::printf("  run %zu          FAILED after %.1f ms: %s\n", i + 1, run.wallMs,
                        run.failure.c_str());
            continue;
        }
        walls.push_back(run.wallMs);
        cpus.push_back(run.cpu.processMs);
        std::printf("  run %zu          wall %.1f ms, ratio %.3f (pty %.3f), CPU %.1f ms = "
                    "%.2f %%\n",
                    i + 1, run.wallMs, run.wallMs / minimumMs, run.wallMs / ptyMinimumMs,
                    run.cpu.processMs, 100.0 * run.cpu.processMs / run.wallMs);
        std::printf("      CPU by thread       main %.1f ms, port events %.1f ms, reader %.1f ms; "
                    "%ld voluntary / %ld forced switches (%.2f per answer byte)\n",
                    run.cpu.mainThreadMs, run.persistentThreadsMs, run.endedThreadsMs,
                    run.cpu.voluntarySwitches, run.cpu.involuntarySwitches,
                    double(run.cpu.voluntarySwitches) / double(answerBytes));

        // Where the time goes, against what the wire and the pauses need.
        const double typeIdeal = mop::preSendPauseMs + PtyAnswerMs(1);
        std::printf("      type read + start   %7.1f ms (pty minimum %.1f ms)\n", run.clickMs,
                    typeIdeal);
        double previous = run.clickMs;
        double readerOverhead = 0;
        for (size_t b = 0; b < run.blockMs.size(); ++b) {
            const int count = haupt::BlockOf(int(b) + 1).count;
            // Two readings with the pause between them, and the pause after
            // the previous block's second reading (none before the first).
            const double ideal = 2.0 * (mop::preSendPauseMs + PtyAnswerMs(count)) +
                                 (b == 0 ? 1 : 2) * kReaderPauseMs;
            readerOverhead += run.blockMs[b] - previous - ideal;
            previous = run.blockMs[b];
        }
        if (!run.blockMs.empty()) {
            const double blocksIdeal = run.blockMs.back() - run.clickMs - readerOverhead;
            std::printf("      %zu blocks          %7.1f ms (pty minimum %.1f ms, "
                        "%.2f ms per exchange beyond)\n",
                        run.blockMs.size(), run.blockMs.back() - run.clickMs, blocksIdeal,
                        readerOverhead / double(2 * run.blockMs.size()));
        }
        if (!run.blockMs.empty() && run.readerDoneMs > 0)
            std::printf("      last pause + done   %7.1f ms (reader pause %d ms)\n",
                        run.readerDoneMs - run.blockMs.back(), kReaderPauseMs);
        if (run.readerDoneMs > 0)
            std::printf("      done -> Timer1Timer %7.1f ms (timer interval %d ms)\n",
                        run.timerStartMs - run.readerDoneMs, kContinuationDelayMs);
        std::printf("      Timer1Timer itself  %7.1f ms\n", run.continuationMs);
    }

    if (!walls.empty()) {
        const double wall = Median(walls);
        const double cpu = Median(cpus);
        const double ratio = wall / minimumMs;
        const double cpuPercent = 100.0 * cpu / wall;
        PrintMedianRatio(wall, minimumMs, ratio, ptyMinimumMs);
        std::printf("  CPU             %.1f ms = %.2f %% of wall (target <= %.0f %%) %s\n", cpu,
                    cpuPercent, kCpuTargetPercent, Verdict(cpuPercent <= kCpuTargetPercent));
    }
    std::fflush(stdout);
    return allOk ? 0 : 2;
}
