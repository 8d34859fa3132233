// Cost of the whole write command against a reference client in the same
// run. After one read of the simulator (not timed), each run changes the
// current channel and every entry of the channel-number table, and the main
// window presses Write against ostara-devsim --pace 9600 (requests and
// answers at the line's speed), the confirmation answered Yes; the clock runs
// from the key until up_loadClick returns. After each run the reference
// client replays the exchanges the simulator logged of it, with plain
// blocking reads and writes on its own connection to a second simulator and
// the program's pauses: the send pause before each exchange (counted from
// the previous exchange's end) and the device's re-apply wait after each
// frequency-table block. Printed against the targets: wall time <= 1.01 x
// the reference (median and 90th percentile), CPU <= 2 % of wall, <= 6 ms
// from the confirmation to the first request byte at the simulator (its log,
// monotonic clock; the confirmation is when the Write button comes back
// right after the answer).
// --runs N (default 10); --marks prints each run's key, confirmation, first
// request byte and end on the monotonic clock (for a profiler recording with
// that clock). Exit code 0 unless a run fails.
#include "BenchSupport.h"
#include "SimulatorPair.h"

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
#include "support/TempDir.h"

#include <QAction>
#include <QLabel>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace benchsupport;

constexpr int kChannels = 128;
constexpr int kChannelTableCell = 1216 - int(FirstImageRegister);
constexpr long long kChannelTableRegister = 1216;
constexpr int kChannelDelta = 2;    // channel-number change per run (2 steps of 12.5 kHz)
constexpr int kReapplyWaitMs = 500; // after each frequency-table block

std::vector<std::string> SimulatorArguments() {
    return {"--pace",     std::to_string(mop::lineBaudRate), "--type", "0x21",
            "--channels", std::to_string(kChannels)};
}

// The read that fills the window (not timed); "" when it went well.
std::string ReadDevice(Continuation& continuation) {
    const int unanswered = Dialogs::Unanswered();
    Form1->down_loadClick();
    if (!Form1->TransferIdle)
        continuation.Wait();
    if (!continuation.ran || !Form1->TransferIdle)
        return "the read did not finish";
    if (Form1->ReadFailed)
        return "the reader reported a read error";
    if (DeviceFamily != 0x21)
        return "the read gave family " + std::to_string(DeviceFamily) + ", not 0x21";
    if (RegisterImage[RegisterMap.max_anzahl_funkkanal] != kChannels - 1)
        return "the read gave a channel count cell of " +
               std::to_string(RegisterImage[RegisterMap.max_anzahl_funkkanal]);
    if (Dialogs::Unanswered() > unanswered)
        return "a dialog waited for an answer during the read";
    return {};
}

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

// Why the write just made is not a good one; "" when it is.
std::string WriteFailure(testsupport::Devsim& sim, int unanswered) {
    const std::string success = Form1->GetText("$T29003");
    const std::string question = Form1->GetText("$T30027");
    bool asked = false;
    for (const Dialogs::Shown& shown : Dialogs::History()) {
        if (shown.kind == "message" && shown.text == question)
            asked = true;
        else
            return "box \"" + shown.text + "\" answered " + std::to_string(shown.result);
    }
    const std::string status = FromQString(Form1->StatusPanels[5]->text());
    if (status != success)
        return "status \"" + status + "\" instead of " + success;
    if (!asked)
        return "the write did not ask " + question;
    if (Dialogs::Unanswered() > unanswered || Dialogs::Pending() != 0)
        return "the dialogs did not go as scripted";
    if (!Form1->TransferIdle)
        return "the window still holds the link";
    if (const std::string wrong = VerifyDevice(sim); !wrong.empty())
        return "the device does not hold the write: " + wrong;
    return {};
}

} // namespace

int main(int argc, char** argv) {
    const Application app(argc, argv);
    const bool marks = HasFlag(argc, argv, "--marks");
    TempDir folder("ostara-bench-write");
    bench::SimulatorPair sims(folder.Path(), SimulatorArguments());
    if (!sims.Ready("ostara-bench-write"))
        return 1;
    testsupport::Devsim& sim = sims.program;
    const auto& programLog = sims.programLog;
    Session session("ostara-bench-write");
    if (!session.Start(folder, sim))
        return 1;
    Continuation continuation;
    if (const std::string failure = ReadDevice(continuation); !failure.empty()) {
        std::fprintf(stderr, "ostara-bench-write: %s\n", failure.c_str());
        return 1;
    }
    QCoreApplication::processEvents();

    // The confirmation: the Write button comes back right after the answer.
    std::optional<Clock::time_point> confirmed;
    QObject::connect(Form1->ui.up_load, &QAction::enabledChanged, [&confirmed](bool enabled) {
        if (enabled && !confirmed)
            confirmed = Clock::now();
    });

    std::printf(
        "ostara-bench-write: the write command (key -> return) against ostara-devsim "
        "--pace %d --type 0x21 --channels %d,\n  the channel and all %d channel numbers "
        "changed; after each run the reference client replays the simulator's log of it\n"
        "  on a second simulator (plain blocking reads and writes, each request after %u ms "
        "of quiet, %d ms re-apply waits)\n",
        mop::lineBaudRate, kChannels, kChannels, mop::preSendPauseMs, kReapplyWaitMs);

    std::vector<bench::Sample> samples;
    std::vector<double> keyToFirst;
    bench::ThreadCpu threads;
    std::string failure;
    for (int r = 0; r < app.runs && failure.empty(); ++r) {
        ChangeParameterSet();
        const uint32_t active = RegisterImage[RegisterMap.aktu_funkkanal];
        const uint32_t count = RegisterImage[RegisterMap.max_anzahl_funkkanal];
        Form1->StatusPanels[5]->clear();
        Dialogs::ClearHistory();
        const int unanswered = Dialogs::Unanswered();
        Dialogs::QueueAnswer(Dialogs::Yes);
        QCoreApplication::processEvents();
        const std::streamoff programFrom = bench::FileSize(programLog);
        confirmed.reset();

        bench::Meter meter;
        meter.Start();
        Form1->up_loadClick();
        meter.Stop();
        failure = WriteFailure(sim, unanswered);
        if (failure.empty() && !confirmed)
            failure = "the Write button did not come back after the confirmation";
        if (!failure.empty())
            break;

        const auto log = bench::ReadLog(programLog, programFrom);
        const bench::Workload work = bench::ExchangeWorkload(
            log, int(mop::preSendPauseMs), std::pair{active, count}, kReapplyWaitMs);
        if (!work.refused.empty()) {
            failure = "the reference cannot replay the write: " + work.refused;
            break;
        }
        if (r == 0) {
            int blocks = 0;
            for (const bench::LoggedExchange& e : log)
                blocks += e.IsBlock() ? 1 : 0;
            std::printf("  workload: %zu exchanges (%zu single, %d block writes of up to 15 "
                        "registers)\n",
                        log.size(), log.size() - size_t(blocks), blocks);
        }

        bench::Sample s;
        if (!sims.ReplayAndSample(log, work, meter.start, meter.end, meter.cpu.processMs, s,
                                  failure))
            break;
        s.firstRequestMs = log.empty() ? 0 : Ms(log.front().firstByte - *confirmed);
        if (marks)
            std::printf("mark run %d %.6f %.6f %.6f %.6f\n", r + 1, Seconds(meter.start),
                        Seconds(*confirmed), Seconds(log.front().firstByte), Seconds(meter.end));
        bench::PrintRun(samples.size(), s);
        samples.push_back(s);
        keyToFirst.push_back(s.program.toFirstRequestMs);
        threads.Add(meter);
    }
    session.End();

    bench::Targets targets;
    targets.ratio = 1.01;
    targets.cpuPercent = 2.0;
    targets.firstRequestMs = 6.0;
    targets.firstRequestFrom = "confirmation";
    if (!bench::PrintOutcome(samples, failure, targets))
        return 2;
    std::printf("  key -> 1st request (the checks and the scripted box included): median %.2f ms, "
                "p90 %.2f ms\n",
                bench::Median(keyToFirst), bench::P90(keyToFirst));
    threads.Print("ended");
    std::fflush(stdout);
    return failure.empty() ? 0 : 2;
}
