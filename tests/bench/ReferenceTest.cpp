// What the benchmarks measure against: the figures over runs, the
// simulator's log, the exchanges and pauses the reference client replays,
// where a run's time goes, and the reference client against the simulator.
#include "Reference.h"

#include "support/Devsim.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

using namespace bench;

namespace {

using std::chrono::microseconds;

Clock::time_point At(long long us) {
    return Clock::time_point(microseconds(us));
}

// A logged exchange written out by hand: read run, write run (count only).
LoggedExchange Logged(unsigned read, int readCount, unsigned write = 0, int writeCount = 0) {
    LoggedExchange e;
    e.request = std::string{0x60,
                            0,
                            0,
                            0,
                            0,
                            char(read >> 8),
                            char(read & 0xFF),
                            char(readCount),
                            char(write >> 8),
                            char(write & 0xFF),
                            char(writeCount)};
    e.request.append(2 * size_t(writeCount), '\0');
    e.answer = std::string(8 + 2 * size_t(readCount), '\0');
    return e;
}

std::vector<std::vector<int>> Pauses(const Workload& w) {
    std::vector<std::vector<int>> out;
    for (const Step& s : w.steps)
        out.push_back(s.pausesMs);
    out.push_back(w.endPausesMs);
    return out;
}

} // namespace

TEST(Figures, MedianAndNearestRank90thPercentile) {
    struct Case {
        std::vector<double> values;
        double median;
        double p90;
    };
    const std::vector<Case> cases = {
        {{7}, 7, 7},
        {{3, 1, 2}, 2, 3},
        {{10, 9, 8, 7, 6, 5, 4, 3, 2, 1}, 5.5, 9},
        {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}, 10.5, 18},
        {{}, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(Median(c.values), c.median) << c.values.size() << " values";
        EXPECT_DOUBLE_EQ(P90(c.values), c.p90) << c.values.size() << " values";
    }
}

TEST(SimulatorLog, ExchangesWithTheirTimesOnTheMonotonicClock) {
    std::istringstream log(
        "18:00:00.000 ready on /dev/pts/3 type=33 locked\n"
        "18:00:00.010 #1 req=6000000000038A01000000 rsp=E000000000038A010021 locked "
        "first=12.000100 received=12.011558\n"
        "18:00:00.020 #2 req=6000000000038A01000000 rsp=- unlocked fault=silence "
        "first=12.020000 received=12.031458\n"
        "18:00:00.030 #3 req=6000000000038A01000000 rsp=E0 locked\n"
        "18:00:00.040 incomplete=6000 dropped\n"
        "18:00:00.050 #4 req=6000000000038A01000000 rsp=E0 locked first=12.5 received=x\n");
    const std::vector<LoggedExchange> got = ParseLog(log);
    ASSERT_EQ(got.size(), 2u) << "lines without both times are no exchanges to time";
    EXPECT_EQ(got[0].ReadStart(), 906u);
    EXPECT_EQ(got[0].ReadCount(), 1);
    EXPECT_EQ(got[0].answer.size(), 10u);
    EXPECT_EQ(got[0].firstByte, At(12000100));
    EXPECT_EQ(got[0].received, At(12011558));
    // The answer's last byte leaves 9 byte times after the request counted.
    EXPECT_NEAR(Ms(got[0].AnswerSent() - got[0].received), 9 * ByteMs(), 0.001);
    EXPECT_TRUE(got[1].answer.empty());
    EXPECT_EQ(got[1].AnswerSent(), got[1].received);
}

TEST(ReferenceWorkload, TheReadsPausesFollowTheReader) {
    std::vector<LoggedExchange> log = {Logged(906, 1), Logged(900, 50), Logged(900, 50),
                                       Logged(950, 50)};
    const Workload read = ReadWorkload(log, 5, 10, 50);
    EXPECT_EQ(read.refused, "");
    // The type read and the reader's first exchange wait only the send pause,
    // the others the reader's pause and what is left of the send pause.
    EXPECT_EQ(Pauses(read), (std::vector<std::vector<int>>{{}, {}, {10}, {10}, {10, 50}}));
    EXPECT_EQ(read.steps[2].quietMs, 5);
    EXPECT_EQ(read.steps[1].request, log[1].request);
    EXPECT_EQ(read.steps[1].answer, log[1].answer);

    log[2].answer.clear();
    EXPECT_NE(ReadWorkload(log, 5, 10, 50).refused, "") << "an unanswered exchange";
    EXPECT_NE(ReadWorkload({}, 5, 10, 50).refused, "");
}

TEST(ReferenceWorkload, TheReapplyWaitFollowsEachTableBlock) {
    // Two singles, a channel-table block in two parts, three singles, a step
    // table block of one part, two singles.
    const std::vector<LoggedExchange> log = {
        Logged(906, 1),           Logged(910, 1, 910, 1),   Logged(1216, 15, 1216, 15),
        Logged(1231, 3, 1231, 3), Logged(910, 1, 910, 1),   Logged(1150, 1, 1150, 1),
        Logged(910, 1, 910, 1),   Logged(1344, 5, 1344, 5), Logged(910, 1, 910, 1),
        Logged(910, 1, 910, 1)};
    const std::vector<int> s = {};
    const std::vector<int> w = {500};
    struct Case {
        const char* what;
        uint32_t active;
        uint32_t count;
        std::vector<std::vector<int>> pauses; // steps, then the end
    };
    const std::vector<Case> cases = {
        {"channel below the count", 1, 3, {s, s, s, s, s, w, s, s, s, w, {}}},
        {"channel at the count", 3, 3, {s, s, s, s, s, w, s, s, s, w, {}}},
        {"channel and count 0", 0, 0, {s, s, s, s, s, s, w, s, s, s, {500}}},
        {"channel past the count", 4, 3, {s, s, s, s, s, s, s, s, s, s, {}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Pauses(ExchangeWorkload(log, 5, std::pair{c.active, c.count}, 500)), c.pauses)
            << c.what;
    EXPECT_EQ(Pauses(ExchangeWorkload(log, 5))[5], s) << "no wait without the channel";
}

TEST(Timeline, TimeBeyondTheLineAndThePausesWithTheLongWaitsApart) {
    // Beyond the step's pauses or its send pause, whichever is longer.
    Workload work;
    work.steps = {{{}, 5, "", ""}, {{}, 5, "", ""}, {{10}, 5, "", ""}, {{500}, 5, "", ""}};
    work.endPausesMs = {50};
    std::vector<LoggedExchange> log = {Logged(906, 1), Logged(906, 1), Logged(906, 1),
                                       Logged(906, 1)};
    // Answers of 10 bytes: their last byte leaves 9 byte times (9.375 ms)
    // after the request counted; requests take 11 byte times (11.458 ms).
    const auto next = [&](size_t i, long long beyondUs, long long pausesUs) {
        log[i].firstByte = log[i - 1].AnswerSent() + microseconds(pausesUs + beyondUs);
        log[i].received = log[i].firstByte + microseconds(11458);
    };
    log[0].firstByte = At(6000);
    log[0].received = At(17458);
    next(1, 2000, 5000);
    next(2, 1000, 10000);
    next(3, 4500, 500000);
    const Clock::time_point end = log[3].AnswerSent() + microseconds(50000 + 700);
    const Timeline t = TimelineOf(log, work, At(0), end);
    EXPECT_NEAR(t.toFirstRequestMs, 6.0, 0.01);
    EXPECT_EQ(t.gaps, 2);
    EXPECT_NEAR(t.betweenMs, 3.0, 0.01);
    EXPECT_NEAR(t.betweenMaxMs, 2.0, 0.01);
    EXPECT_EQ(t.waits, 1);
    EXPECT_NEAR(t.afterWaitsMs, 4.5, 0.01);
    EXPECT_NEAR(t.tailMs, 0.7, 0.01);
}

TEST(ReferenceClient, ReplaysAgainstThePacedSimulatorAndChecksEachAnswer) {
    testsupport::Devsim sim(OSTARA_DEVSIM, {"--pace", "9600", "--type", "0x21"});
    ASSERT_TRUE(sim.Ready()) << sim.Failure();
    ReferenceClient client(sim.PtyPath());
    ASSERT_TRUE(client.IsOpen()) << client.Failure();
    const std::string read906 = Logged(906, 1).request;
    const std::string answer906("\xE0\0\0\0\0\x03\x8A\x01\x00\x21", 10);

    Workload good;
    good.steps = {{{}, 5, read906, answer906}, {{}, 5, read906, answer906}};
    good.endPausesMs = {20};
    const ReferenceClient::Run run = client.Replay(good);
    EXPECT_TRUE(run.ok) << run.failure;
    // Each exchange: 11 request and 9 more answer byte times; the second
    // after the whole send pause (the first counts it from the opening).
    EXPECT_GE(run.WallMs(), 5 + 2 * 20 * ByteMs() + 20);
    EXPECT_LT(run.WallMs(), 1000);

    Workload wrong = good;
    wrong.steps[1].answer[9] = 0x22;
    const ReferenceClient::Run failed = client.Replay(wrong);
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.failure, "exchange 2: the answer differs from the one the program got");

    EXPECT_FALSE(ReferenceClient("/nonexistent/port").IsOpen());
}
