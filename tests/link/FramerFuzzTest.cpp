// Seeded random input for the receive framer and for whole exchanges. The
// seeds are fixed so that a failure repeats; the suite runs under the
// address sanitizer in CI, which turns any overrun into a failure.
#include "link/FrameAssembler.h"
#include "link/MemoryPort.h"
#include "link/Mop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

using testframes::Answer;
using testframes::Bytes;
using Fault = MopFrameAssembler::Fault;

namespace {

class Random {
public:
    explicit Random(uint32_t seed) : engine_(seed) {}
    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(engine_); }
    bool Chance(int percent) { return Below(100) < percent; }
    char Byte() { return static_cast<char>(Below(256)); }

    // A byte biased towards what steers the framer: headers, routing
    // markers, small and large counts.
    char SteeringByte() {
        switch (Below(8)) {
        case 0:
            return static_cast<char>(0xE0);
        case 1:
            return static_cast<char>(0xEF);
        case 2:
            return static_cast<char>(Below(8));
        case 3:
            return static_cast<char>(140 + Below(16)); // around the longest count
        default:
            return Byte();
        }
    }

private:
    std::mt19937 engine_;
};

// The length a completed frame must have, from its own count (and routing
// length); 0 when the frame is too short to tell.
size_t ExpectedLength(const std::string& f) {
    if (f.size() < 8)
        return 0;
    auto at = [&](size_t i) { return static_cast<unsigned char>(f[i]); };
    if (at(2) == 0xEF || at(3) == 0xEF || at(4) == 0xEF) {
        const size_t routing = at(5);
        const size_t countAt = 5 + 1 + routing + 2;
        if (countAt >= f.size())
            return 0;
        return countAt + 1 + 2 * static_cast<size_t>(at(countAt));
    }
    return 8 + 2 * static_cast<size_t>(at(7));
}

void CheckFrame(const std::string& frame) {
    ASSERT_GE(frame.size(), 8u);
    ASSERT_LE(frame.size(), 300u);
    ASSERT_EQ(static_cast<unsigned char>(frame[0]), 0xE0);
    ASSERT_EQ(frame.size(), ExpectedLength(frame));
}

TEST(FramerFuzz, RandomChunksOnlyEverGiveWellFormedFrames) {
    for (uint32_t seed : {1u, 2u, 3u, 20240611u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Random rnd(seed);
        MopFrameAssembler a;
        int frames = 0;
        int gaps = 0;
        int overLong = 0;
        for (int chunk = 0; chunk < 20000; ++chunk) {
            std::string bytes;
            const int n = rnd.Below(65);
            // Now and then a plausible frame head, so that long frames occur.
            if (rnd.Chance(15)) {
                bytes = Bytes({0xE0, 0, 0, 0, 0});
                if (rnd.Chance(30))
                    bytes[2 + rnd.Below(3)] = static_cast<char>(0xEF);
            }
            for (int i = 0; i < n; ++i)
                bytes.push_back(rnd.Chance(50) ? rnd.SteeringByte() : rnd.Byte());
            // Now and then the line pauses before the chunk.
            if (rnd.Chance(6))
                a.LineQuiet();
            a.Receive(bytes);

            if (a.LastFault() == Fault::Gap)
                ++gaps;
            if (a.LastFault() == Fault::OverLong)
                ++overLong;
            // Mostly take every frame at once; sometimes let them queue.
            if (rnd.Chance(80)) {
                for (int guard = 0; a.Complete() && guard < 1000; ++guard) {
                    const std::string frame = a.TakeFrame();
                    CheckFrame(frame);
                    if (HasFatalFailure())
                        return;
                    ++frames;
                }
                ASSERT_FALSE(a.Complete());
                // What waits is at most one frame under way.
                ASSERT_LT(a.PendingCount(), 300u);
            }
            if (rnd.Chance(30))
                a.ClearFlags();
            if (rnd.Chance(1))
                a.Reset();
            ASSERT_GE(a.State(), 0);
            ASSERT_LE(a.State(), 6);
            ASSERT_NE(a.State(), 4);
        }
        // The input really exercised the framer.
        EXPECT_GT(frames, 500);
        EXPECT_GT(gaps, 10);
        EXPECT_GT(overLong, 10);
    }
}

// Whole exchanges against random answers: a success must always carry the
// right header, echo and register run, and nothing may crash.
TEST(FramerFuzz, RandomAnswersNeverGiveAWrongSuccess) {
    Random rnd(77);
    auto owned = std::make_unique<MemoryPort>();
    MemoryPort& port = *owned;
    TMop mop(nullptr, std::move(owned));
    mop.SetResponseTimeout(20);
    mop.Open();

    enum Kind { Good, WrongEcho, WrongRegister, Garbage, Truncated, OverLong, Routed, Silent };
    Kind kind = Good;
    std::string good; // the good answer of this exchange
    std::vector<uint16_t> words;
    uint16_t first = 0;
    std::array<uint8_t, 4> address{};

    port.SetResponder([&](MemoryPort& p, const std::string& request) {
        ASSERT_EQ(request.size(), 11u);
        const std::array<uint8_t, 4> echo{address[3], address[0], address[1], address[2]};
        std::string answer;
        switch (kind) {
        case Good:
            answer = good;
            break;
        case WrongEcho: {
            auto bad = echo;
            bad[rnd.Below(4)] ^= static_cast<uint8_t>(1 + rnd.Below(255));
            if (bad[1] == 0xEF || bad[2] == 0xEF || bad[3] == 0xEF)
                bad[0] ^= 1; // keep the routing marker out of this case
            answer = Answer(first, words, bad);
            break;
        }
        case WrongRegister:
            answer = Answer(static_cast<uint16_t>(first + 1 + rnd.Below(100)), words, echo);
            break;
        case Garbage:
            for (int i = rnd.Below(40); i > 0; --i)
                answer.push_back(rnd.Byte());
            break;
        case Truncated:
            answer = good.substr(0, static_cast<size_t>(rnd.Below(static_cast<int>(good.size()))));
            break;
        case OverLong:
            answer = Answer(first, {}, echo);
            answer[7] = static_cast<char>(147 + rnd.Below(109));
            answer += std::string(static_cast<size_t>(rnd.Below(400)), '\x33');
            break;
        case Routed:
            answer = Bytes({0xE0, echo[0], 0xEF, echo[2], echo[3], 2, 0x11, 0x22}) + good.substr(5);
            break;
        case Silent:
            return;
        }
        // Now and then garbage first; delivered in random pieces at once.
        if (rnd.Chance(20))
            answer = Bytes({0x00, 0x55}) + answer;
        size_t pos = 0;
        while (pos < answer.size()) {
            const size_t n = 1 + static_cast<size_t>(rnd.Below(40));
            p.Deliver(answer.substr(pos, n));
            pos += n;
        }
    });

    int successes = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < 250; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        static const uint8_t addressValues[] = {0x00, 0x01, 0x55, 0xE0};
        for (auto& b : address)
            b = addressValues[rnd.Below(4)];
        first = static_cast<uint16_t>(rnd.Below(0x10000));
        words.assign(static_cast<size_t>(rnd.Below(61)), 0);
        for (auto& w : words)
            w = static_cast<uint16_t>(rnd.Below(0x10000));
        // Good answers four times as often as each kind of fault.
        kind = rnd.Chance(36) ? Good : static_cast<Kind>(1 + rnd.Below(7));
        good = Answer(first, words, {address[3], address[0], address[1], address[2]});

        mop.SetAddress1(address[0]);
        mop.SetAddress2(address[1]);
        mop.SetAddress3(address[2]);
        mop.SetAddress4(address[3]);
        mop.SetReadAddress(first);
        mop.SetReadCount(static_cast<uint8_t>(words.size()));
        mop.SetWriteAddress(0);
        mop.SetWriteCount(0);
        const bool failed = mop.Transact();
        if (HasFatalFailure())
            return;
        if (kind == Good) {
            EXPECT_FALSE(failed) << "failure " << static_cast<int>(mop.LastFailure());
        } else if (kind != Garbage) {
            // Random garbage may by chance hold a valid answer; nothing else may.
            EXPECT_TRUE(failed) << "kind " << kind;
        }
        if (failed)
            continue;
        ++successes;
        EXPECT_EQ(mop.GetResponseHeader(), 0xE0);
        uint32_t reg = 0;
        mop.GetResponseAddress(reg);
        EXPECT_EQ(reg, first);
        if (kind == Good) {
            ASSERT_EQ(mop.GetResponseCount(), static_cast<int8_t>(words.size()));
            for (uint16_t w : words) {
                uint32_t value = 0;
                ASSERT_FALSE(mop.NextDataWord(value));
                EXPECT_EQ(value, w);
            }
            uint32_t value = 0;
            EXPECT_TRUE(mop.NextDataWord(value));
        }
    }
    EXPECT_GT(successes, 20);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

} // namespace
