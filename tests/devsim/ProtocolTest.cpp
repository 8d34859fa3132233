// The device side of the frames, the register file with its unlock sequence,
// and the shaping of answers by faults: all on bytes, without a pty.
#include "Protocol.h"
#include "Control.h"
#include "Device.h"
#include "Engine.h"
#include "Faults.h"
#include "InputLine.h"
#include "OutputQueue.h"
#include "Presets.h"
#include "link/LineSettings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace devsim;

// The simulator keeps its own copy of the line and frame constants; they
// must say what the program's say.
static_assert(requestHeaderByte == mop::requestHeader);
static_assert(responseHeaderByte == mop::responseHeader);
static_assert(requestFixedLength == mop::requestHeadLength);
static_assert(lineBaudRate == mop::lineBaudRate);
static_assert(bitsPerByteOnWire == mop::bitsPerByteOnWire);

namespace {

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values)
        out.push_back(static_cast<char>(v));
    return out;
}

// A request frame written out by hand: read run, write run and data.
std::string request(unsigned readStart, unsigned readCount, unsigned writeStart = 0,
                    std::vector<unsigned> data = {}) {
    std::string f =
        bytes({0x60, 0, 0, 0, 0, int(readStart >> 8), int(readStart & 0xFF), int(readCount),
               int(writeStart >> 8), int(writeStart & 0xFF), int(data.size())});
    for (unsigned v : data)
        f += bytes({int(v >> 8), int(v & 0xFF)});
    return f;
}

Request decoded(const std::string& frame) {
    auto r = decodeRequest(frame);
    EXPECT_TRUE(r.has_value());
    return r.value_or(Request{});
}

const std::string read906 = bytes({0x60, 0, 0, 0, 0, 0x03, 0x8A, 0x01, 0, 0, 0});
const std::string answer906 = bytes({0xE0, 0, 0, 0, 0, 0x03, 0x8A, 0x01, 0x00, 0x21});

Engine engineOfType(std::uint16_t type) {
    Engine e;
    fillPlausibleSet(e.device(), type);
    return e;
}

std::string served(Engine& e, const std::string& frame) {
    return e.handle(decoded(frame)).emission.allBytes();
}

std::uint16_t readBack(Engine& e, unsigned reg) {
    const std::string out = served(e, request(reg, 1));
    EXPECT_EQ(out.size(), 10u);
    if (out.size() < 10)
        return 0;
    return static_cast<std::uint16_t>((static_cast<unsigned char>(out[8]) << 8) |
                                      static_cast<unsigned char>(out[9]));
}

Fault fault(const std::string& text) {
    std::string error;
    auto f = parseFault(text, &error);
    EXPECT_TRUE(f.has_value()) << error;
    return f.value_or(Fault{});
}

} // namespace

// ---- request assembly ------------------------------------------------------

TEST(RequestParser, DecodesAllFieldsOfAWriteRequest) {
    RequestParser p;
    const std::string frame = bytes(
        {0x60, 0x11, 0x22, 0x33, 0x44, 0x04, 0xC0, 0x02, 0x03, 0xE7, 0x02, 0x20, 0xAA, 0x24, 0x46});
    auto result = p.feed(frame, 0);
    ASSERT_EQ(result.requests.size(), 1u);
    const Request& r = result.requests[0];
    EXPECT_EQ(r.address[0], 0x11);
    EXPECT_EQ(r.address[3], 0x44);
    EXPECT_EQ(r.readStart, 1216);
    EXPECT_EQ(r.readCount, 2);
    EXPECT_EQ(r.writeStart, 999);
    EXPECT_EQ(r.writeCount, 2);
    EXPECT_EQ(r.writeData, (std::vector<std::uint16_t>{8362, 9286}));
    EXPECT_EQ(r.raw, frame);
    EXPECT_FALSE(p.inFrame());
}

TEST(RequestParser, AssemblesAFrameFedOneByteAtATime) {
    RequestParser p;
    const std::string frame = request(910, 2, 910, {5, 6});
    for (std::size_t i = 0; i + 1 < frame.size(); ++i) {
        auto partial = p.feed(frame.substr(i, 1), static_cast<std::int64_t>(i));
        EXPECT_TRUE(partial.requests.empty()) << "complete too early at byte " << i;
    }
    auto result = p.feed(frame.substr(frame.size() - 1), 20);
    ASSERT_EQ(result.requests.size(), 1u);
    EXPECT_EQ(result.requests[0].raw, frame);
}

TEST(RequestParser, SkipsBytesBeforeTheHeaderAndSplitsBackToBackFrames) {
    RequestParser p;
    const std::string two = bytes({0x00, 0xE0, 0x13}) + read906 + request(1200, 16);
    auto result = p.feed(two, 0);
    ASSERT_EQ(result.requests.size(), 2u);
    EXPECT_EQ(result.requests[0].readStart, 906);
    EXPECT_EQ(result.requests[1].readStart, 1200);
    EXPECT_EQ(result.requests[1].readCount, 16);
    EXPECT_EQ(p.skippedBytes(), 3u);
}

TEST(RequestParser, DropsAFrameNotCompleteInTime) {
    RequestParser p;
    EXPECT_TRUE(p.feed(read906.substr(0, 5), 1000).requests.empty());
    ASSERT_TRUE(p.deadlineMs().has_value());
    const std::int64_t deadline = *p.deadlineMs();
    EXPECT_GE(deadline, 1000 + requestCompleteLimitMs);
    EXPECT_FALSE(p.expire(deadline).has_value()); // exactly at the limit: still waiting

    // The rest arrives too late: the start is dropped, the tail has no header.
    auto late = p.feed(read906.substr(5), deadline + 1);
    ASSERT_EQ(late.dropped.size(), 1u);
    EXPECT_EQ(late.dropped[0], read906.substr(0, 5));
    EXPECT_TRUE(late.requests.empty());

    // A fresh frame afterwards is fine.
    EXPECT_EQ(p.feed(read906, deadline + 50).requests.size(), 1u);
}

TEST(RequestParser, GivesALongWriteFrameItsWireTime) {
    RequestParser p;
    std::vector<unsigned> data(60, 0x1234);
    const std::string frame = request(1216, 60, 1216, data);
    p.feed(frame.substr(0, 20), 0);
    // 131 bytes take 137 ms at 9600 baud; the frame must still be accepted then.
    auto result = p.feed(frame.substr(20), 200);
    EXPECT_TRUE(result.dropped.empty());
    EXPECT_EQ(result.requests.size(), 1u);
}

TEST(RequestParser, TouchesCoversReadAndWriteRunsOnly) {
    const Request r = decoded(request(900, 50, 999, {0}));
    EXPECT_TRUE(r.touches(900));
    EXPECT_TRUE(r.touches(949));
    EXPECT_FALSE(r.touches(950));
    EXPECT_TRUE(r.touches(999));
    EXPECT_FALSE(r.touches(1000));
    EXPECT_FALSE(decoded(read906).touches(0)); // write start 0, count 0
}

// ---- answers -----------------------------------------------------------------

TEST(Response, ReadOf906OnAType21DeviceIsByteExact) {
    Engine e = engineOfType(0x21);
    EXPECT_EQ(served(e, read906), answer906);
}

TEST(Response, EchoesAddressBytesInDeviceOrder) {
    Request r = decoded(read906);
    r.address[0] = 0x11;
    r.address[1] = 0x22;
    r.address[2] = 0x33;
    r.address[3] = 0x44;
    EXPECT_EQ(buildResponse(r, 906, {0x0021}),
              bytes({0xE0, 0x44, 0x11, 0x22, 0x33, 0x03, 0x8A, 0x01, 0x00, 0x21}));
}

TEST(Response, WritesAreAppliedBeforeTheReadOfTheSameRequest) {
    Engine e = engineOfType(0x21);
    e.device().set(910, 0x0A0B);
    const std::string out = served(e, request(910, 3, 911, {0x0102, 0x0304}));
    EXPECT_EQ(out, bytes({0xE0, 0, 0, 0, 0, 0x03, 0x8E, 0x03, 0x0A, 0x0B, 0x01, 0x02, 0x03, 0x04}));
}

TEST(Response, ReadCountZeroAnswersAnEmptyRun) {
    Engine e;
    EXPECT_EQ(served(e, request(999, 0, 999, {0})), bytes({0xE0, 0, 0, 0, 0, 0x03, 0xE7, 0x00}));
}

// ---- keying -------------------------------------------------------------------

// A write to 939 keys and counts it down at the keying speed (units per
// second), in uneven steps whose fractions carry over; 0 or running out
// ends it; speed 0 holds it. (End to end the program's keying test reads
// the state through "keyed?".)
TEST(Keying, RegisterNineThirtyNineCountsDownWhileKeyed) {
    struct Case {
        int speed;
        unsigned written;
        std::int64_t ms;
        std::uint16_t left;
    };
    for (const Case& c :
         {Case{100, 3000, 1500, 2850}, Case{10000, 3000, 299, 10}, Case{10000, 3000, 300, 0},
          Case{0, 3000, 5000, 3000}, Case{100, 0, 10, 0}, Case{3, 10, 1000, 7}}) {
        Engine e = engineOfType(0x21);
        e.device().setKeyingSpeed(c.speed);
        EXPECT_EQ(e.handle(decoded(request(939, 1, 939, {c.written}))).keyed, c.written != 0);
        for (std::int64_t t = 0; t < c.ms; t += 7)
            e.elapse(std::min<std::int64_t>(7, c.ms - t) * 1000000);
        EXPECT_EQ(readBack(e, 939), c.left) << c.speed << " " << c.ms;
        EXPECT_EQ(e.device().keyed(), c.left != 0) << c.speed << " " << c.ms;
    }
}

// ---- unlock sequence and protected registers --------------------------------

TEST(Unlock, ProtectedRegistersTakeWritesOnlyBetweenUnlockAndRelock) {
    Engine e = engineOfType(0x21);
    const std::uint16_t before = e.device().stored(1216);
    ASSERT_NE(before, 4711);

    served(e, request(1216, 1, 1216, {4711}));
    EXPECT_EQ(readBack(e, 1216), before) << "written while locked";

    // Register 999 reads the lock state, also in a write's read-back.
    EXPECT_EQ(served(e, request(999, 1, 999, {8362})),
              bytes({0xE0, 0, 0, 0, 0, 3, 0xE7, 1, 0x00, 0x00}));
    EXPECT_FALSE(e.device().unlocked());
    EXPECT_EQ(served(e, request(999, 1, 999, {9286})),
              bytes({0xE0, 0, 0, 0, 0, 3, 0xE7, 1, 0xFF, 0xFF}));
    EXPECT_TRUE(e.device().unlocked());
    EXPECT_EQ(readBack(e, 999), unlockedReadValue);

    served(e, request(1216, 1, 1216, {4711}));
    EXPECT_EQ(readBack(e, 1216), 4711);
    served(e, request(1471, 1, 1471, {10000}));
    EXPECT_EQ(readBack(e, 1471), 10000);

    served(e, request(999, 1, 999, {0}));
    EXPECT_FALSE(e.device().unlocked());
    EXPECT_EQ(readBack(e, 999), 0);
    served(e, request(1216, 1, 1216, {1}));
    EXPECT_EQ(readBack(e, 1216), 4711);
}

TEST(Unlock, EchoOptionEchoesTheValueWrittenInTheReadBackNotInAPlainRead) {
    Engine e = engineOfType(0x21);
    e.setEchoUnlock(true);
    EXPECT_EQ(served(e, request(999, 1, 999, {8362})),
              bytes({0xE0, 0, 0, 0, 0, 3, 0xE7, 1, 0x20, 0xAA}));
    EXPECT_EQ(readBack(e, 999), lockedReadValue);
}

TEST(Unlock, OtherSequencesKeepOrReturnToLocked) {
    Device d;
    d.write(999, 9286); // second code alone
    EXPECT_FALSE(d.unlocked());
    d.write(999, 8362);
    d.write(999, 5); // something between the two codes
    d.write(999, 9286);
    EXPECT_FALSE(d.unlocked());
    d.write(999, 8362);
    d.write(999, 8362);
    d.write(999, 9286);
    EXPECT_TRUE(d.unlocked());
    d.write(999, 9286); // the second code again keeps it open
    EXPECT_TRUE(d.unlocked());
    d.write(999, 1234);
    EXPECT_FALSE(d.unlocked());
    EXPECT_EQ(d.read(999), lockedReadValue);
}

TEST(Unlock, UnprotectedRegistersIgnoreTheLockAndRangesCanBeReplaced) {
    Device d;
    EXPECT_TRUE(d.write(910, 3));
    EXPECT_EQ(d.read(910), 3);
    EXPECT_FALSE(d.write(1344, 12500));
    d.setProtectedRanges({{914, 914}});
    EXPECT_FALSE(d.write(914, 7));
    EXPECT_TRUE(d.write(1344, 12500));
    EXPECT_EQ(d.read(914), 0);
    EXPECT_EQ(d.read(1344), 12500);
}

// ---- fault shaping ------------------------------------------------------------

class FaultShaping : public ::testing::Test {
protected:
    Engine e = engineOfType(0x21);

    Exchange serve(const std::string& text, const std::string& frame = read906) {
        e.arm(fault(text));
        return e.handle(decoded(frame));
    }
};

TEST_F(FaultShaping, SilenceAndHangupSendNothing) {
    const Exchange s = serve("silence");
    EXPECT_TRUE(s.emission.chunks.empty());
    EXPECT_FALSE(s.emission.hangup);
    EXPECT_EQ(s.faults, "silence");
    const Exchange h = serve("hangup");
    EXPECT_TRUE(h.emission.chunks.empty());
    EXPECT_TRUE(h.emission.hangup);
}

TEST_F(FaultShaping, LateDelaysTheWholeFrame) {
    Exchange x = serve("late");
    ASSERT_EQ(x.emission.chunks.size(), 1u);
    EXPECT_EQ(x.emission.chunks[0].delayMs, lateDefaultMs);
    EXPECT_EQ(x.emission.chunks[0].bytes, answer906);
    x = serve("late=1700");
    EXPECT_EQ(x.emission.chunks[0].delayMs, 1700);
}

TEST_F(FaultShaping, HeaderAndEchoFaultsChangeOneByte) {
    std::string expected = answer906;
    expected[0] = static_cast<char>(0xE1);
    EXPECT_EQ(serve("wrong-header").emission.allBytes(), expected);
    expected = answer906;
    expected[1] = 0x01;
    EXPECT_EQ(serve("wrong-echo").emission.allBytes(), expected);
}

TEST_F(FaultShaping, WrongRegisterAnswersTheNextRun) {
    e.device().set(907, 0x0BAD);
    EXPECT_EQ(serve("wrong-register").emission.allBytes(),
              bytes({0xE0, 0, 0, 0, 0, 0x03, 0x8B, 0x01, 0x0B, 0xAD}));
}

TEST_F(FaultShaping, WrongCountAddsAWord) {
    e.device().set(907, 0x0007);
    EXPECT_EQ(serve("wrong-count").emission.allBytes(),
              bytes({0xE0, 0, 0, 0, 0, 0x03, 0x8A, 0x02, 0x00, 0x21, 0x00, 0x07}));
}

TEST_F(FaultShaping, GarbageAndTrailingBytesNeverContainAHeader) {
    const std::string before = serve("garbage-before=40").emission.allBytes();
    ASSERT_EQ(before.size(), 40 + answer906.size());
    EXPECT_EQ(before.substr(40), answer906);
    EXPECT_EQ(before.substr(0, 40).find(static_cast<char>(0xE0)), std::string::npos);

    const std::string after = serve("trailing-bytes").emission.allBytes();
    ASSERT_EQ(after.size(), answer906.size() + trailingDefaultBytes);
    EXPECT_EQ(after.substr(0, answer906.size()), answer906);
    EXPECT_EQ(after.substr(answer906.size()).find(static_cast<char>(0xE0)), std::string::npos);
}

TEST_F(FaultShaping, SplitsSendTwoHalvesWithTheirGap) {
    for (const auto& [text, gap] : {std::pair{"split-5", 5}, std::pair{"split-120", 120}}) {
        const Exchange x = serve(text);
        ASSERT_EQ(x.emission.chunks.size(), 2u) << text;
        EXPECT_EQ(x.emission.chunks[0].delayMs, 0);
        EXPECT_EQ(x.emission.chunks[1].delayMs, gap);
        EXPECT_EQ(x.emission.chunks[0].bytes.size(), answer906.size() / 2);
        EXPECT_EQ(x.emission.allBytes(), answer906);
    }
}

TEST_F(FaultShaping, RoutingBlockFollowsAnEFAddressByte) {
    EXPECT_EQ(serve("routing-block").emission.allBytes(),
              bytes({0xE0, 0, 0, 0xEF, 0, 0x02, 0x01, 0x02, 0x03, 0x8A, 0x01, 0x00, 0x21}));
}

TEST_F(FaultShaping, IgnoreWritesKeepsTheOldValue) {
    e.device().set(910, 2);
    const Exchange x = serve("ignore-writes", request(910, 1, 910, {9}));
    EXPECT_EQ(x.emission.allBytes(), bytes({0xE0, 0, 0, 0, 0, 0x03, 0x8E, 0x01, 0x00, 0x02}));
    EXPECT_EQ(readBack(e, 910), 2);
    served(e, request(910, 1, 910, {9}));
    EXPECT_EQ(readBack(e, 910), 9);
}

TEST_F(FaultShaping, AlternateOnARegisterFlipsEverySecondReadOfIt) {
    e.arm(fault("alternate@r906:always"));
    std::vector<std::uint16_t> seen;
    for (int i = 0; i < 4; ++i)
        seen.push_back(readBack(e, 906));
    EXPECT_EQ(seen, (std::vector<std::uint16_t>{0x21, 0x20, 0x21, 0x20}));

    // In a block read only that register differs.
    e.faults().clear();
    e.arm(fault("alternate@r906"));
    const std::string first = served(e, request(900, 50));
    const std::string second = served(e, request(900, 50));
    const std::string third = served(e, request(900, 50));
    ASSERT_EQ(first.size(), second.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < first.size(); ++i)
        differing += first[i] != second[i];
    EXPECT_EQ(differing, 1u);
    EXPECT_EQ(static_cast<unsigned char>(second[8 + 2 * 6 + 1]), 0x20);
    EXPECT_EQ(third, first) << "the one-shot fault flips one reading only";
}

TEST_F(FaultShaping, AlternateOnARequestFlipsEveryWordOfIt) {
    e.device().set(1200, 0);
    e.device().set(1201, 8);
    e.arm(fault("alternate@2"));
    const std::string normal = served(e, request(1200, 2));
    const std::string flipped = served(e, request(1200, 2));
    EXPECT_EQ(normal, bytes({0xE0, 0, 0, 0, 0, 0x04, 0xB0, 0x02, 0x00, 0x00, 0x00, 0x08}));
    EXPECT_EQ(flipped, bytes({0xE0, 0, 0, 0, 0, 0x04, 0xB0, 0x02, 0x00, 0x01, 0x00, 0x09}));
}

// ---- which request a fault hits ----------------------------------------------

TEST(FaultSelection, RequestNumberOnceOrFromThenOn) {
    Engine e = engineOfType(0x21);
    e.arm(fault("silence@3"));
    std::vector<bool> silent;
    for (int i = 0; i < 5; ++i)
        silent.push_back(e.handle(decoded(read906)).emission.chunks.empty());
    EXPECT_EQ(silent, (std::vector<bool>{false, false, true, false, false}));

    Engine p = engineOfType(0x21);
    p.arm(fault("silence@2:always"));
    silent.clear();
    for (int i = 0; i < 4; ++i)
        silent.push_back(p.handle(decoded(read906)).emission.chunks.empty());
    EXPECT_EQ(silent, (std::vector<bool>{false, true, true, true}));
}

TEST(FaultSelection, RegisterFaultHitsReadsAndWritesOfThatRegisterOnly) {
    Engine e = engineOfType(0x21);
    e.arm(fault("silence@r999:always"));
    EXPECT_FALSE(e.handle(decoded(read906)).emission.chunks.empty());
    EXPECT_TRUE(e.handle(decoded(request(999, 1))).emission.chunks.empty());
    EXPECT_TRUE(e.handle(decoded(request(910, 1, 999, {8362}))).emission.chunks.empty());
    EXPECT_TRUE(e.handle(decoded(request(990, 10))).emission.chunks.empty());
    EXPECT_FALSE(e.handle(decoded(request(1000, 1))).emission.chunks.empty());
}

TEST(FaultSelection, NextMeansTheFirstRequestAfterArming) {
    Engine e = engineOfType(0x21);
    for (int i = 0; i < 5; ++i)
        e.handle(decoded(read906));
    e.arm(fault("wrong-echo@next"));
    const Exchange x = e.handle(decoded(read906));
    EXPECT_EQ(x.number, 6u);
    EXPECT_EQ(x.faults, "wrong-echo");
    EXPECT_EQ(e.handle(decoded(read906)).emission.allBytes(), answer906);
    EXPECT_TRUE(e.faults().armed().empty());
}

TEST(FaultSelection, OneOutputFaultPerRequestOthersWait) {
    Engine e = engineOfType(0x21);
    const std::uint16_t channel = e.device().read(910);
    ASSERT_NE(channel, 7);
    e.arm(fault("silence"));
    e.arm(fault("wrong-header"));
    e.arm(fault("ignore-writes"));
    const Exchange first = e.handle(decoded(request(906, 1, 910, {7})));
    EXPECT_EQ(first.faults, "silence,ignore-writes");
    EXPECT_TRUE(first.emission.chunks.empty());
    const Exchange second = e.handle(decoded(read906));
    EXPECT_EQ(second.faults, "wrong-header");
    EXPECT_EQ(static_cast<unsigned char>(second.emission.allBytes()[0]), 0xE1);
    EXPECT_EQ(e.device().read(910), channel);
}

TEST(FaultSelection, FaultTextsParseAndDescribeThemselves) {
    for (const char* text :
         {"silence@next:once", "late=2500@3:always", "wrong-echo@r906:once",
          "ignore-writes=0@r999:always", "garbage-before=2@next:always", "hangup@7:once"}) {
        EXPECT_EQ(fault(text).describe(), text);
    }
    EXPECT_EQ(fault("split-120").describe(), "split-120@next:once");
    EXPECT_EQ(fault("alternate@r0x3E8").value, 1000u);
    std::string error;
    for (const char* bad : {"noise", "silence=3", "late=x", "silence@0", "silence@r70000",
                            "silence:sometimes", "", "late@"}) {
        EXPECT_FALSE(parseFault(bad, &error).has_value()) << bad;
        EXPECT_FALSE(error.empty());
    }
}

// ---- timing of the output -------------------------------------------------------

TEST(OutputTiming, UnpacedChunksKeepTheirGaps) {
    OutputQueue q;
    Emission e;
    e.chunks = {{0, "ab"}, {120, "cd"}};
    q.schedule(e, 1000);
    ASSERT_FALSE(q.empty());
    EXPECT_EQ(q.front().dueNs, 1000);
    EXPECT_EQ(q.take().bytes, "ab");
    EXPECT_EQ(q.front().dueNs, 1000 + 120 * 1000000LL);
    EXPECT_EQ(q.take().bytes, "cd");
    EXPECT_TRUE(q.empty());
}

TEST(OutputTiming, PacedBytesGoAtTheWireRateAndQueueBehindEachOther) {
    OutputQueue q(9600);
    const std::int64_t byteNs = 10 * 1000000000LL / 9600;
    EXPECT_EQ(q.byteNs(), byteNs);
    Emission e;
    e.chunks = {{0, answer906}};
    q.schedule(e, 0);
    Emission late;
    late.chunks = {{0, "x"}};
    late.hangup = true;
    q.schedule(late, 1); // arrives while the first answer is still going out
    std::vector<std::int64_t> due;
    std::string sent;
    bool hangup = false;
    while (!q.empty()) {
        auto item = q.take();
        due.push_back(item.dueNs);
        sent += item.bytes;
        hangup = hangup || item.hangup;
    }
    ASSERT_EQ(due.size(), answer906.size() + 2);
    for (std::size_t i = 1; i <= answer906.size(); ++i)
        EXPECT_EQ(due[i] - due[i - 1], byteNs) << i;
    EXPECT_EQ(sent, answer906 + "x");
    EXPECT_TRUE(hangup);
}

TEST(InputTiming, ABytesArrivalWaitsForTheLineAndItsOwnWireTime) {
    const std::int64_t b = byteTimeNs(9600);
    ASSERT_EQ(b, 10 * 1000000000LL / 9600);
    // Pieces as the pty hands them over (time, bytes), and when the last byte
    // of each has arrived.
    struct Piece {
        std::int64_t atNs;
        int bytes;
        std::int64_t lastArrivedNs;
    };
    struct Case {
        const char* what;
        int baud;
        std::vector<Piece> pieces;
    };
    const std::vector<Case> cases = {
        {"a read request at once", 9600, {{0, 11, 11 * b}}},
        {"a write of 15 registers at once", 9600, {{5000, 41, 5000 + 41 * b}}},
        {"bytes slower than the line", 9600, {{0, 1, b}, {3 * b, 1, 4 * b}, {6 * b, 1, 7 * b}}},
        {"a piece while the line is busy", 9600, {{0, 5, 5 * b}, {2 * b, 6, 11 * b}}},
        {"two requests at once", 9600, {{0, 11, 11 * b}, {0, 11, 22 * b}}},
        {"a request after a quiet line", 9600, {{0, 11, 11 * b}, {100 * b, 11, 111 * b}}},
        {"another rate", 19200, {{0, 11, 11 * (b / 2)}}},
        {"no pacing", 0, {{0, 11, 0}, {7, 3, 7}}},
    };
    for (const Case& c : cases) {
        InputLine line(c.baud);
        for (const Piece& piece : c.pieces) {
            std::int64_t last = -1;
            for (int i = 0; i < piece.bytes; ++i)
                last = line.arrive(piece.atNs);
            EXPECT_EQ(last, piece.lastArrivedNs) << c.what << ", piece at " << piece.atNs;
        }
    }
}
