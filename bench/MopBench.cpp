// Cost of single register reads over the real serial port against a
// reference client in the same run: each run makes 50 reads of the type
// register through TMop::TransactRetry against ostara-devsim --pace 9600
// (requests and answers at the line's speed); after it the reference client
// replays the exchanges the simulator logged, with plain blocking reads and
// writes on its own connection to a second simulator and the same send pause
// (each request once the line has been quiet that long since the last
// exchange). Printed against the read command's targets: wall time <= 1.01
// x the reference (median and 90th percentile), CPU <= 1.5 % of wall.
// --runs N (default 10). Exit code 0 unless a run fails.
#include "Reference.h"
#include "SimulatorPair.h"

#include "link/LineSettings.h"
#include "link/Mop.h"
#include "support/TempDir.h"

#include <QCoreApplication>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kExchanges = 50;
constexpr uint16_t kTypeRegister = 906;

std::vector<std::string> SimulatorArguments() {
    return {"--pace", std::to_string(mop::lineBaudRate)};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = bench::RunsArgument(argc, argv);
    TempDir folder("ostara-bench-mop");
    bench::SimulatorPair sims(folder.Path(), SimulatorArguments());
    if (!sims.Ready("ostara-bench-mop"))
        return 1;
    testsupport::Devsim& sim = sims.program;
    const auto& programLog = sims.programLog;
    TMop mop(nullptr, nullptr);
    mop.SetPort(sim.PtyPath());
    mop.Open();
    if (!mop.IsOpen()) {
        std::fprintf(stderr, "ostara-bench-mop: cannot open %s\n", sim.PtyPath().c_str());
        return 1;
    }
    mop.SetHeader(mop::requestHeader);
    mop.SetAddress1(0);
    mop.SetReadAddress(kTypeRegister);
    mop.SetReadCount(1);
    mop.SetWriteAddress(0);
    mop.SetWriteCount(0);

    std::printf("ostara-bench-mop: %d reads of register %u via TransactRetry(%d) a run against "
                "ostara-devsim --pace %d;\n  after each run the reference client replays the "
                "simulator's log of it on a second simulator (plain blocking reads and writes, "
                "each request after %u ms of quiet)\n",
                kExchanges, unsigned(kTypeRegister), mop::retriesPerExchange, mop::lineBaudRate,
                mop::preSendPauseMs);

    std::vector<bench::Sample> samples;
    std::string failure;
    for (int r = 0; r < runs && failure.empty(); ++r) {
        const std::streamoff programFrom = bench::FileSize(programLog);
        bench::Meter meter;
        meter.Start();
        for (int i = 0; i < kExchanges && failure.empty(); ++i) {
            if (mop.TransactRetry(mop::retriesPerExchange))
                failure = "exchange " + std::to_string(i + 1) + " failed, status " +
                          std::to_string(mop.Status());
        }
        meter.Stop();
        if (!failure.empty())
            break;
        const auto log = bench::ReadLog(programLog, programFrom);
        const bench::Workload work = bench::ExchangeWorkload(log, int(mop::preSendPauseMs));
        if (!work.refused.empty()) {
            failure = "the reference cannot replay the run: " + work.refused;
            break;
        }
        bench::Sample s;
        if (!sims.ReplayAndSample(log, work, meter.start, meter.end, meter.cpu.processMs, s,
                                  failure))
            break;
        bench::PrintRun(samples.size(), s);
        samples.push_back(s);
    }
    bench::Targets targets;
    targets.ratio = 1.01;
    targets.cpuPercent = 1.5;
    if (!bench::PrintOutcome(samples, failure, targets))
        return 2;
    std::fflush(stdout);
    return failure.empty() ? 0 : 2;
}
