// MopFrameAssembler on its own: bytes and reports of a quiet line in, frames
// or faults out.
#include "link/FrameAssembler.h"
#include "link/MemoryPort.h"

#include <gtest/gtest.h>

using testframes::Answer;
using testframes::Bytes;
using Fault = MopFrameAssembler::Fault;

namespace {

const std::string kFrame = Bytes({0xE0, 0, 0, 0, 0, 0x03, 0x8A, 0x01, 0x00, 0x21});

MopFrameAssembler Assembler() {
    return MopFrameAssembler();
}

TEST(FrameAssemblerStates, WalksHeaderAddressRegisterAndData) {
    auto a = Assembler();
    EXPECT_EQ(a.State(), 0);
    a.Receive(Bytes({0xE0}));
    EXPECT_EQ(a.State(), 1);
    a.Receive(Bytes({0, 0, 0}));
    EXPECT_EQ(a.State(), 1) << "three address bytes are not enough";
    EXPECT_EQ(a.PendingCount(), 3u);
    a.Receive(Bytes({0}));
    EXPECT_EQ(a.State(), 2);
    EXPECT_EQ(a.PendingCount(), 0u);
    a.Receive(Bytes({0x03, 0x8A, 0x02}));
    EXPECT_EQ(a.State(), 3);
    a.Receive(Bytes({0x00, 0x21, 0x12}));
    EXPECT_EQ(a.State(), 3);
    EXPECT_FALSE(a.Complete());
    a.Receive(Bytes({0x34}));
    ASSERT_TRUE(a.Complete());
    EXPECT_EQ(a.State(), 0);
    EXPECT_EQ(a.LastFault(), Fault::None);
    EXPECT_EQ(a.TakeFrame(), Bytes({0xE0, 0, 0, 0, 0, 0x03, 0x8A, 0x02, 0x00, 0x21, 0x12, 0x34}));
    EXPECT_FALSE(a.Complete());
    EXPECT_EQ(a.TakeFrame(), "") << "nothing to take twice";
}

TEST(FrameAssemblerStates, ZeroCountFrameCompletesAfterTheCount) {
    auto a = Assembler();
    const std::string empty = Answer(906, {});
    a.Receive(empty);
    ASSERT_TRUE(a.Complete());
    EXPECT_EQ(a.TakeFrame(), empty);
}

TEST(FrameAssemblerStates, BytesBeforeTheHeaderAreDropped) {
    auto a = Assembler();
    a.Receive(Bytes({0x00, 0x60, 0xE1, 0xFF}));
    EXPECT_EQ(a.State(), 0);
    EXPECT_EQ(a.PendingCount(), 0u);
    a.Receive(Bytes({0x7F}) + kFrame);
    ASSERT_TRUE(a.Complete());
    EXPECT_EQ(a.TakeFrame(), kFrame);
}

TEST(FrameAssemblerStates, RoutingMarkerInTheFirstEchoByteIsData) {
    // Only echo bytes 2-4 announce a routing block.
    auto a = Assembler();
    const std::string frame = Answer(906, {0x21}, {0xEF, 0, 0, 0});
    a.Receive(frame);
    ASSERT_TRUE(a.Complete());
    EXPECT_EQ(a.TakeFrame(), frame);
}

TEST(FrameAssemblerStates, RoutingBlockIsAssembledBeforeRegisterAndData) {
    for (int markerAt : {2, 3, 4}) {
        SCOPED_TRACE("marker at byte " + std::to_string(markerAt));
        auto a = Assembler();
        std::string frame = Bytes({0xE0, 0, 0, 0, 0});
        frame[markerAt] = static_cast<char>(0xEF);
        a.Receive(frame);
        EXPECT_EQ(a.State(), 5);
        a.Receive(Bytes({0x03}));
        EXPECT_EQ(a.State(), 6);
        // The block may hold anything, a header byte too.
        a.Receive(Bytes({0xE0, 0x8A}));
        EXPECT_EQ(a.State(), 6);
        a.Receive(Bytes({0x01, 0x03, 0x8A}));
        EXPECT_EQ(a.State(), 2);
        a.Receive(Bytes({0x01, 0x00, 0x21}));
        ASSERT_TRUE(a.Complete());
        frame += Bytes({0x03, 0xE0, 0x8A, 0x01, 0x03, 0x8A, 0x01, 0x00, 0x21});
        EXPECT_EQ(a.TakeFrame(), frame);
    }
}

TEST(FrameAssemblerStates, EmptyRoutingBlockGoesStraightToTheRegister) {
    auto a = Assembler();
    const std::string frame = Bytes({0xE0, 0, 0, 0, 0xEF, 0x00, 0x03, 0x8A, 0x01, 0xAB, 0xCD});
    a.Receive(frame);
    ASSERT_TRUE(a.Complete());
    EXPECT_EQ(a.TakeFrame(), frame);
}

// --- what the frame under way still needs --------------------------------

// The port lets the time of these bytes pass before it looks again: never
// past the frame's end, exact once the count is in, nothing between frames.
TEST(FrameAssemblerNeeds, NeverMoreThanTheFrameLacksAndExactOnceTheCountIsIn) {
    const struct {
        std::string frame;
        size_t countAt; // bytes up to and with the count
    } cases[] = {
        {Answer(900, std::vector<uint16_t>(50, 0x1234)), 8},
        {Answer(906, {}), 8},
        {Bytes({0xE0, 0, 0xEF, 0, 0, 0x02, 0xE0, 0x01, 0x03, 0x8A, 0x01, 0, 0x21}), 11},
    };
    for (const auto& c : cases) {
        auto a = Assembler();
        for (size_t k = 1; k <= c.frame.size(); ++k) {
            a.Receive(c.frame.substr(k - 1, 1));
            const size_t lacking = c.frame.size() - k;
            EXPECT_EQ(a.LengthKnown(), k >= c.countAt && lacking > 0) << k;
            if (k >= c.countAt)
                EXPECT_EQ(a.BytesToComplete(), lacking) << k;
            else
                EXPECT_TRUE(a.BytesToComplete() > 0 && a.BytesToComplete() <= lacking) << k;
        }
        ASSERT_TRUE(a.Complete());
        EXPECT_EQ(a.BytesToComplete(), 0u) << "a frame waits to be taken";
    }
}

// --- pauses on the line ---------------------------------------------------

TEST(FrameAssemblerGap, QuietLineDropsThePartialFrame) {
    auto a = Assembler();
    a.Receive(kFrame.substr(0, 7)); // header, address, half the register
    ASSERT_EQ(a.State(), 2);
    ASSERT_EQ(a.PendingCount(), 2u);
    a.LineQuiet();
    EXPECT_EQ(a.LastFault(), Fault::Gap);
    EXPECT_EQ(a.State(), 0);
    EXPECT_EQ(a.PendingCount(), 0u);
    a.Receive(kFrame.substr(7));
    EXPECT_FALSE(a.Complete());
    EXPECT_EQ(a.PendingCount(), 0u) << "the rest of the broken frame holds no header";

    // A new frame after the gap is assembled; the fault stays until cleared.
    a.Receive(kFrame);
    ASSERT_TRUE(a.Complete());
    EXPECT_EQ(a.TakeFrame(), kFrame);
    EXPECT_EQ(a.LastFault(), Fault::Gap);
    a.ClearFlags();
    EXPECT_EQ(a.LastFault(), Fault::None);
}

// How long the program took to hand over the pieces does not matter: only
// the line's pauses do.
TEST(FrameAssemblerGap, PiecesWithoutAQuietLineAreOneFrame) {
    auto a = Assembler();
    a.Receive(kFrame.substr(0, 3));
    a.Receive(kFrame.substr(3, 3));
    a.Receive(kFrame.substr(6));
    ASSERT_TRUE(a.Complete());
    EXPECT_EQ(a.LastFault(), Fault::None);
    EXPECT_EQ(a.TakeFrame(), kFrame);
}

TEST(FrameAssemblerGap, QuietLineBetweenFramesIsNoGap) {
    auto a = Assembler();
    a.Receive(kFrame);
    ASSERT_TRUE(a.Complete());
    a.LineQuiet(); // the frame waits to be taken
    a.TakeFrame();
    a.LineQuiet();
    a.Receive(Bytes({0x55})); // garbage while hunting
    a.LineQuiet();
    a.Receive(kFrame);
    EXPECT_TRUE(a.Complete());
    EXPECT_EQ(a.LastFault(), Fault::None);
}

// A frame begun by bytes queued behind a waiting frame broke off when the
// line went quiet after them; a whole frame queued there did not.
TEST(FrameAssemblerGap, QuietLineBreaksOffAFrameQueuedBehindAWaitingOne) {
    const std::string second = Answer(907, {7});
    for (size_t queued : {second.size() - 1, second.size()}) {
        SCOPED_TRACE("queued bytes " + std::to_string(queued));
        auto a = Assembler();
        a.Receive(kFrame + second.substr(0, queued));
        a.LineQuiet();
        ASSERT_TRUE(a.Complete());
        EXPECT_EQ(a.LastFault(), Fault::None);
        EXPECT_EQ(a.TakeFrame(), kFrame);
        const bool whole = queued == second.size();
        EXPECT_EQ(a.Complete(), whole);
        EXPECT_EQ(a.LastFault(), whole ? Fault::None : Fault::Gap);
        if (!whole) {
            // The missing byte comes too late to complete the frame.
            a.Receive(second.substr(queued));
            EXPECT_FALSE(a.Complete());
        }
    }
}

TEST(FrameAssemblerGap, GapDropsBytesQueuedBehindAPartialFrame) {
    auto a = Assembler();
    a.Receive(kFrame.substr(0, 8)); // waiting for the two data bytes
    a.Receive(kFrame.substr(8, 1));
    a.LineQuiet();
    EXPECT_EQ(a.LastFault(), Fault::Gap);
    EXPECT_EQ(a.PendingCount(), 0u);
    a.Receive(kFrame.substr(9));
    EXPECT_FALSE(a.Complete());
}

// --- several frames, over-long frames, reset -----------------------------

TEST(FrameAssemblerFrames, TwoFramesInOneChunkGiveTwoFrames) {
    auto a = Assembler();
    const std::string second = Answer(907, {1, 2, 3});
    a.Receive(kFrame + Bytes({0x00}) + second + Bytes({0xE0, 0x00}));
    ASSERT_TRUE(a.Complete());
    EXPECT_EQ(a.TakeFrame(), kFrame);
    ASSERT_TRUE(a.Complete()) << "TakeFrame goes on with the bytes that followed";
    EXPECT_EQ(a.TakeFrame(), second);
    EXPECT_FALSE(a.Complete());
    EXPECT_EQ(a.State(), 1) << "the third frame has begun";
}

TEST(FrameAssemblerFrames, BytesReceivedWhileAFrameWaitsAreQueued) {
    auto a = Assembler();
    const std::string second = Answer(907, {7});
    a.Receive(kFrame);
    a.Receive(second.substr(0, 4));
    a.Receive(second.substr(4));
    EXPECT_EQ(a.PendingCount(), second.size());
    EXPECT_EQ(a.TakeFrame(), kFrame);
    ASSERT_TRUE(a.Complete());
    EXPECT_EQ(a.TakeFrame(), second);
    EXPECT_EQ(a.PendingCount(), 0u);
}

TEST(FrameAssemblerFrames, CountThatWouldOverrunTheBufferIsRefused) {
    auto a = Assembler();
    a.Receive(Bytes({0xE0, 0, 0, 0, 0, 0x03, 0x8A, 0x93}) + std::string(40, '\x11'));
    EXPECT_FALSE(a.Complete());
    EXPECT_EQ(a.LastFault(), Fault::OverLong);
    EXPECT_EQ(a.State(), 0);
    EXPECT_EQ(a.PendingCount(), 0u);

    // 146 registers: exactly 300 bytes, accepted.
    a.Reset();
    const std::string full = Answer(906, std::vector<uint16_t>(146, 0xE0E0));
    ASSERT_EQ(full.size(), 300u);
    for (size_t pos = 0; pos < full.size(); pos += 64)
        a.Receive(full.substr(pos, 64));
    ASSERT_TRUE(a.Complete());
    EXPECT_EQ(a.LastFault(), Fault::None);
    EXPECT_EQ(a.TakeFrame(), full);
}

TEST(FrameAssemblerFrames, RoutingBlockCountsTowardsTheBufferSize) {
    // 5 + 1 + 200 + 3 + 2 x 45 = 299 bytes fit; 46 registers do not.
    for (int count : {45, 46}) {
        SCOPED_TRACE(count);
        auto a = Assembler();
        std::string frame = Bytes({0xE0, 0, 0xEF, 0, 0, 200}) + std::string(200, '\x01') +
                            Bytes({0x03, 0x8A, count}) + std::string(2 * count, '\x02');
        a.Receive(frame);
        if (count == 45) {
            ASSERT_TRUE(a.Complete());
            EXPECT_EQ(a.TakeFrame(), frame);
        } else {
            EXPECT_FALSE(a.Complete());
            EXPECT_EQ(a.LastFault(), Fault::OverLong);
        }
    }
}

TEST(FrameAssemblerFrames, ResetDropsEverythingClearFlagsKeepsTheFrameUnderWay) {
    auto a = Assembler();
    a.Receive(kFrame.substr(0, 6));
    a.LineQuiet(); // gap: fault recorded
    a.Receive(kFrame.substr(6, 4));
    a.Receive(kFrame.substr(0, 6));
    ASSERT_EQ(a.LastFault(), Fault::Gap);
    ASSERT_EQ(a.State(), 2);
    a.ClearFlags();
    EXPECT_EQ(a.LastFault(), Fault::None);
    EXPECT_EQ(a.State(), 2);
    EXPECT_EQ(a.PendingCount(), 1u);
    a.Reset();
    EXPECT_EQ(a.State(), 0);
    EXPECT_EQ(a.PendingCount(), 0u);
    // The tail of the old frame after a reset is no frame.
    a.Receive(kFrame.substr(6));
    EXPECT_FALSE(a.Complete());
    a.Receive(kFrame);
    ASSERT_TRUE(a.Complete());
    EXPECT_EQ(a.TakeFrame(), kFrame);
}

} // namespace
