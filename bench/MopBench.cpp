// Cost of one register read over the real serial port: 200 reads of the type
// register against the simulator answering at 9600 baud, compared with the
// time the bytes need on the wire and the fixed pause before each send, and
// the CPU the program spends while it waits.
#include "link/LineSettings.h"
#include "link/Mop.h"
#include "support/Devsim.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kExchanges = 200;
constexpr uint16_t kTypeRegister = 906;

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    const auto seconds = [](const timeval& t) {
        return double(t.tv_sec) + double(t.tv_usec) / 1e6;
    };
    return seconds(u.ru_utime) + seconds(u.ru_stime);
}

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);

    testsupport::Devsim sim(OSTARA_DEVSIM, {"--pace", std::to_string(mop::lineBaudRate)});
    if (!sim.Ready()) {
        std::fprintf(stderr, "ostara-bench-mop: %s\n", sim.Failure().c_str());
        return 1;
    }
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

    std::vector<double> wallMs;
    wallMs.reserve(kExchanges);
    int failures = 0;
    const double cpuStart = CpuSeconds();
    const auto start = Clock::now();
    for (int i = 0; i < kExchanges; ++i) {
        const auto t0 = Clock::now();
        if (mop.TransactRetry(mop::retriesPerExchange))
            ++failures;
        wallMs.push_back(Ms(Clock::now() - t0));
    }
    const double totalMs = Ms(Clock::now() - start);
    const double cpuMs = (CpuSeconds() - cpuStart) * 1000.0;

    double sum = 0;
    for (double v : wallMs)
        sum += v;
    const double mean = sum / double(wallMs.size());
    const double minMs = *std::min_element(wallMs.begin(), wallMs.end());
    const double maxMs = *std::max_element(wallMs.begin(), wallMs.end());

    const int requestBytes = mop::requestHeadLength;
    const int answerBytes = 8 + 2;
    const double wireMs = double((requestBytes + answerBytes) * mop::bitsPerByteOnWire) * 1000.0 /
                          double(mop::lineBaudRate);
    const double pauseMs = double(mop::preSendPauseMs);

    std::printf("ostara-bench-mop: %d reads of register %u via TransactRetry(%d), "
                "simulator paced at %d baud\n",
                kExchanges, unsigned(kTypeRegister), mop::retriesPerExchange, mop::lineBaudRate);
    std::printf("  failed exchanges     %d\n", failures);
    std::printf("  wall per exchange    mean %.2f ms, min %.2f ms, max %.2f ms\n", mean, minMs,
                maxMs);
    std::printf("  wire time            %.1f ms (%d + %d bytes, %d bits each)\n", wireMs,
                requestBytes, answerBytes, mop::bitsPerByteOnWire);
    std::printf("  pre-send pause       %.1f ms\n", pauseMs);
    std::printf("  overhead             mean %.2f ms, min %.2f ms beyond wire + pause\n",
                mean - wireMs - pauseMs, minMs - wireMs - pauseMs);
    // On a pty only the simulator's answer is paced; the request arrives at once.
    const double answerWireMs =
        double(answerBytes * mop::bitsPerByteOnWire) * 1000.0 / double(mop::lineBaudRate);
    std::printf("  paced answer alone   %.1f ms (the pty passes the request at once)\n",
                answerWireMs);
    std::printf("  overhead on the pty  mean %.2f ms beyond paced answer + pause\n",
                mean - answerWireMs - pauseMs);
    std::printf("  CPU (user+sys)       %.1f ms of %.1f ms wall = %.1f %%\n", cpuMs, totalMs,
                100.0 * cpuMs / totalMs);
    return failures == 0 ? 0 : 2;
}
