// The register transactions against a scripted device on an in-memory port:
// the requests they build, what they make of answers, wrong answers and
// silence, the block write with its read-back and the channel re-apply.
#include "link/Registers.h"

#include "link/FakeDevice.h"
#include "link/MemoryPort.h"
#include "link/Mop.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace std::chrono_literals;
using testframes::Answer;
using testframes::Bytes;

namespace {

class RegistersTest : public ::testing::Test {
protected:
    // The device ignores every request.
    void Silence() {
        link_.device->SetSilent([](const FakeDevice::Request&, int) { return true; });
    }

    // The writes the device received, as "reg=value" per written register.
    std::vector<std::string> Writes(size_t fromRequest = 0) const {
        std::vector<std::string> out;
        const auto requests = link_.device->Requests();
        for (size_t n = fromRequest; n < requests.size(); ++n)
            for (int i = 0; i < requests[n].writeCount; ++i)
                out.push_back(std::to_string(requests[n].writeStart + i) + "=" +
                              std::to_string(requests[n].data.at(i)));
        return out;
    }

    FakeLink link_;
    TRegisterImage image_{};
    registers::ChannelCells channel_{10, 250}; // registers 910 and 1150
};

// --- single registers ---------------------------------------------------

TEST_F(RegistersTest, QuietReadSetsUpAPureReadWhateverTheProtocolObjectHeld) {
    link_.device->SetRegister(906, 0x21);
    // Fields left standing by an earlier exchange must not leak into the read.
    link_.mop->SetHeader(0x61);
    link_.mop->SetAddress1(7);
    link_.mop->SetAddress2(8);
    link_.mop->SetAddress3(9);
    link_.mop->SetAddress4(10);
    link_.mop->SetWriteAddress(1234);
    link_.mop->SetWriteCount(3);
    uint32_t value = 99;
    EXPECT_EQ(registers::ReadRegisterQuiet(*link_.mop, 906, value), 0);
    EXPECT_EQ(value, 0x21u);
    EXPECT_EQ(link_.port->Requests(),
              std::vector<std::string>{Bytes({0x60, 0, 0, 0, 0, 0x03, 0x8A, 1, 0, 0, 0})});

    // The highest register number goes out as FF FF; values above 0x7FFF stay unsigned.
    link_.device->SetRegister(65535, 0xFEDC);
    EXPECT_EQ(registers::ReadRegisterQuiet(*link_.mop, 65535, value), 0);
    EXPECT_EQ(value, 0xFEDCu);
    EXPECT_EQ(link_.port->Requests().back(), Bytes({0x60, 0, 0, 0, 0, 0xFF, 0xFF, 1, 0, 0, 0}));
}

TEST_F(RegistersTest, QuietReadOfASilentDeviceFailsWithValueZeroAfterThreeExchanges) {
    Silence();
    uint32_t value = 1234;
    EXPECT_EQ(registers::ReadRegisterQuiet(*link_.mop, 906, value), 1);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(link_.device->RequestCount(), 3u);
}

TEST_F(RegistersTest, ReadRegisterReportsValueOrLinkFailure) {
    link_.device->SetRegister(1000, 0x8001);
    registers::ReadOutcome outcome = registers::ReadOutcome::LinkFailed;
    EXPECT_EQ(registers::ReadRegister(*link_.mop, 1000, outcome), 0x8001);
    EXPECT_EQ(outcome, registers::ReadOutcome::Ok);

    Silence();
    outcome = registers::ReadOutcome::Ok;
    EXPECT_EQ(registers::ReadRegister(*link_.mop, 1000, outcome), -1);
    EXPECT_EQ(outcome, registers::ReadOutcome::LinkFailed);
    EXPECT_EQ(link_.device->RequestCount(), 4u);
}

TEST_F(RegistersTest, RegisterNumbersOutsideSixteenBitsAreRefusedWithoutSending) {
    link_.device->SetRegister(0, 5);
    for (long long reg : {-1LL, 65536LL, 1LL << 32}) {
        SCOPED_TRACE(reg);
        uint32_t value = 77;
        EXPECT_EQ(registers::ReadRegisterQuiet(*link_.mop, reg, value), 1);
        EXPECT_EQ(value, 0u);
        registers::ReadOutcome outcome = registers::ReadOutcome::Ok;
        EXPECT_EQ(registers::ReadRegister(*link_.mop, reg, outcome), -1);
        EXPECT_EQ(outcome, registers::ReadOutcome::LinkFailed);
        EXPECT_EQ(registers::WriteRegisterChecked(*link_.mop, reg, 1), 1);
    }
    EXPECT_EQ(link_.port->RequestCount(), 0u);
    EXPECT_EQ(link_.device->Register(0), 5) << "65536 must not wrap round to register 0";
}

TEST_F(RegistersTest, CheckedWriteSendsTheValueAndComparesTheEcho) {
    EXPECT_EQ(registers::WriteRegisterChecked(*link_.mop, 999, 0x1234), 0);
    EXPECT_EQ(link_.port->Requests(),
              std::vector<std::string>{
                  Bytes({0x60, 0, 0, 0, 0, 0x03, 0xE7, 1, 0x03, 0xE7, 1, 0x12, 0x34})});
    EXPECT_EQ(link_.device->Register(999), 0x1234);

    // A register that keeps another value: the read-back differs.
    link_.device->HoldAt(910, 7);
    EXPECT_EQ(registers::WriteRegisterChecked(*link_.mop, 910, 8), 1);
    EXPECT_EQ(registers::WriteRegisterChecked(*link_.mop, 910, 7), 0);

    // Only 16 bits travel: the echo of 0x10005 is 5, which is not the value.
    EXPECT_EQ(registers::WriteRegisterChecked(*link_.mop, 920, 0x10005), 1);
    EXPECT_EQ(link_.device->Register(920), 5);
}

TEST_F(RegistersTest, CheckedWriteFailsOnSilenceAndOnAWrongWordCount) {
    // An answer of two words for a one-register write.
    link_.device->SetTamper(
        [](const FakeDevice::Request&, int, std::vector<uint16_t>& words) { words.push_back(0); });
    EXPECT_EQ(registers::WriteRegisterChecked(*link_.mop, 910, 3), 1);
    EXPECT_EQ(link_.device->Register(910), 3);

    link_.device->SetTamper(nullptr);
    Silence();
    EXPECT_EQ(registers::WriteRegisterChecked(*link_.mop, 910, 3), 1);
    EXPECT_EQ(link_.device->RequestCount(), 4u);
}

// --- an access started while another one waits ----------------------------

// A handler that runs while an access waits for its answer (a timer of the
// register scan, say) starts an access of its own: the waiting access goes on
// with its own request, attempts and answer; the nested one fails unsent.
TEST(RegistersNested, AccessStartedDuringTheWaitLeavesTheWaitingOneAlone) {
    struct Case {
        const char* what;
        std::function<int(TMop&)> outer; // 0 when it did all it should
        std::function<int(TMop&)> nested;
        std::string lateFirstAnswer;    // "": the first attempt is not answered
        std::vector<uint16_t> requests; // first register of each request seen
    };
    const Case cases[] = {
        {"read inside a read answered late",
         [](TMop& mop) {
             uint32_t value = 0;
             return registers::ReadRegisterQuiet(mop, 906, value) == 0 && value == 0x21 ? 0 : 1;
         },
         [](TMop& mop) {
             uint32_t value = 0;
             return registers::ReadRegisterQuiet(mop, 1000, value);
         },
         Answer(906, {0x21}),
         {906}},
        {"write inside a write that is retried",
         [](TMop& mop) { return registers::WriteRegisterChecked(mop, 1010, 5); },
         [](TMop& mop) { return registers::WriteRegisterChecked(mop, 999, 0); },
         "",
         {1010, 1010}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeLink link(300);
        link.device->SetRegister(906, 0x21);
        link.device->SetRegister(999, 8362);
        link.device->SetSilent([&](const FakeDevice::Request&, int exchange) {
            if (exchange == 1 && !c.lateFirstAnswer.empty())
                link.port->DeliverLater(c.lateFirstAnswer, 40ms);
            return exchange == 1;
        });
        int nested = -1;
        QTimer::singleShot(0, QCoreApplication::instance(), [&] { nested = c.nested(*link.mop); });

        EXPECT_EQ(c.outer(*link.mop), 0);
        EXPECT_EQ(nested, 1) << "the nested access did not run or did not fail";
        std::vector<uint16_t> seen;
        for (const FakeDevice::Request& r : link.device->Requests())
            seen.push_back(r.readStart);
        EXPECT_EQ(seen, c.requests);
        EXPECT_EQ(link.device->Register(1010), c.requests[0] == 1010 ? 5 : 0);
        EXPECT_EQ(link.device->Register(999), 8362) << "the nested write reached the device";
    }
}

TEST_F(RegistersTest, RegistersToTextGivesHighByteFirstAndStopsAtTheImageEnd) {
    image_[5] = 0x1234;
    image_[6] = 0xABCD;
    image_[7] = 0x100FF; // only the low 16 bits count
    EXPECT_EQ(registers::RegistersToText(image_, 5, 3),
              Bytes({0x12, 0x34, 0xAB, 0xCD, 0x00, 0xFF}));
    EXPECT_EQ(registers::RegistersToText(image_, 5, 0), "");

    image_[598] = 0x0102;
    image_[599] = 0x0304;
    EXPECT_EQ(registers::RegistersToText(image_, 598, 5), Bytes({1, 2, 3, 4}));
    EXPECT_EQ(registers::RegistersToText(image_, -1, 3), "");
}

// --- the block write ----------------------------------------------------

struct BlockRecord {
    std::vector<std::string> mismatches;
    std::vector<std::string> transferLines;
    std::vector<int> advances;
    std::vector<int> waits;
    int exchangesFailed = 0;
    int Advanced() const {
        int sum = 0;
        for (int n : advances)
            sum += n;
        return sum;
    }
};

registers::BlockWriteHooks HooksInto(BlockRecord& r) {
    registers::BlockWriteHooks hooks;
    hooks.mismatch = [&r](const std::string& s) { r.mismatches.push_back(s); };
    hooks.transferLine = [&r](const std::string& s) { r.transferLines.push_back(s); };
    hooks.advance = [&r](int n) { r.advances.push_back(n); };
    hooks.wait = [&r](int ms) { r.waits.push_back(ms); };
    hooks.exchangeFailed = [&r] { ++r.exchangesFailed; };
    return hooks;
}

class BlockWriteTest : public RegistersTest {
protected:
    void SetUp() override {
        RegistersTest::SetUp();
        for (int i = 0; i < RegisterImageSize; ++i)
            image_[i] = static_cast<uint32_t>((i * 37 + 11) & 0xFFFF);
        image_[channel_.active] = 3;
        image_[channel_.count] = 10;
    }
};

TEST_F(BlockWriteTest, ChannelTableGoesOutInBlocksOfFifteenAndIsReadBack) {
    BlockRecord rec;
    EXPECT_EQ(
        registers::WriteRegisterBlock(*link_.mop, image_, channel_, 1216, 1344, HooksInto(rec)), 0);

    const auto requests = link_.device->Requests();
    ASSERT_GE(requests.size(), 9u);
    for (int b = 0; b < 9; ++b) {
        SCOPED_TRACE("block " + std::to_string(b));
        const FakeDevice::Request& r = requests[b];
        const int n = b < 8 ? 15 : 9;
        EXPECT_TRUE(r.wellFormed);
        EXPECT_EQ(r.header, 0x60);
        EXPECT_EQ(r.address, (std::array<uint8_t, 4>{0, 0, 0, 0}));
        EXPECT_EQ(r.writeStart, 1216 + 15 * b);
        EXPECT_EQ(r.readStart, r.writeStart) << "the block is read back";
        EXPECT_EQ(r.writeCount, n);
        EXPECT_EQ(r.readCount, n);
    }
    EXPECT_EQ(rec.advances, (std::vector<int>{15, 15, 15, 15, 15, 15, 15, 15, 9}));
    EXPECT_EQ(rec.Advanced(), 129);
    EXPECT_TRUE(rec.mismatches.empty());
    EXPECT_TRUE(rec.transferLines.empty());
    for (int reg = 1216; reg <= 1344; ++reg)
        ASSERT_EQ(uint32_t{link_.device->Register(static_cast<uint16_t>(reg))}, image_[reg - 900])
            << reg;
    EXPECT_EQ(link_.device->Register(1215), 0) << "nothing written before the block";
    EXPECT_EQ(link_.device->Register(1345), 0) << "nothing written after the block";
}

TEST_F(BlockWriteTest, DifferingReadBackIsCountedAndNamed) {
    link_.device->HoldAt(1220, 1);
    link_.device->HoldAt(1300, 2);
    BlockRecord rec;
    EXPECT_EQ(
        registers::WriteRegisterBlock(*link_.mop, image_, channel_, 1216, 1344, HooksInto(rec)), 2);
    EXPECT_EQ(rec.mismatches, (std::vector<std::string>{"Register NR: 1220", "Register NR: 1300"}));
    EXPECT_EQ(rec.Advanced(), 129);
    EXPECT_EQ(rec.exchangesFailed, 0) << "a differing read-back is an answer";
}

TEST_F(BlockWriteTest, FailedExchangeCountsItsWholeBlockAndTheWriteGoesOn) {
    // The second block (1231 to 1245) gets no answer.
    link_.device->SetSilent(
        [](const FakeDevice::Request& r, int) { return r.writeCount > 1 && r.writeStart == 1231; });
    BlockRecord rec;
    EXPECT_EQ(
        registers::WriteRegisterBlock(*link_.mop, image_, channel_, 1216, 1344, HooksInto(rec)),
        15);
    ASSERT_EQ(rec.mismatches.size(), 15u);
    EXPECT_EQ(rec.mismatches.front(), "Register NR: 1231");
    EXPECT_EQ(rec.mismatches.back(), "Register NR: 1245");
    EXPECT_EQ(rec.exchangesFailed, 1);
    EXPECT_EQ(rec.Advanced(), 129);
    EXPECT_EQ(uint32_t{link_.device->Register(1344)}, image_[444])
        << "the blocks after the failed one are written";
}

TEST_F(BlockWriteTest, ShortAnswerIsReportedAndItsMissingRegistersCount) {
    link_.device->SetTamper([](const FakeDevice::Request& r, int, std::vector<uint16_t>& words) {
        if (r.writeStart == 1216 && words.size() == 15)
            words.pop_back();
    });
    BlockRecord rec;
    EXPECT_EQ(
        registers::WriteRegisterBlock(*link_.mop, image_, channel_, 1216, 1230, HooksInto(rec)), 1);
    EXPECT_EQ(rec.transferLines,
              std::vector<std::string>{"ung\xFCltige Anzahl gelesender Register!"});
    EXPECT_TRUE(rec.mismatches.empty()) << "the words that came back agree";
}

TEST_F(BlockWriteTest, EmptyOrInvalidRangeSendsNothing) {
    struct Case {
        long long first, last;
        int result;
    };
    // last < first: no block; numbers outside 16 bits: refused; registers
    // outside the image: no data to send, all counted as not written.
    for (const Case& c : {Case{1300, 1299, 0}, Case{-1, 1300, 0}, Case{1216, 65536, 0},
                          Case{880, 905, 26}, Case{1400, 1500, 101}}) {
        SCOPED_TRACE(std::to_string(c.first) + ".." + std::to_string(c.last));
        BlockRecord rec;
        EXPECT_EQ(registers::WriteRegisterBlock(*link_.mop, image_, channel_, c.first, c.last,
                                                HooksInto(rec)),
                  c.result);
        EXPECT_TRUE(rec.advances.empty());
        EXPECT_TRUE(rec.waits.empty());
    }
    EXPECT_EQ(link_.port->RequestCount(), 0u);
}

TEST_F(BlockWriteTest, ActiveChannelIsReappliedAfterTheTables) {
    struct Case {
        uint32_t active, count;
        std::vector<std::string> events; // writes after the block and waits, in order
    };
    const Case cases[] = {
        {3, 10, {"910=4", "wait 500", "910=3"}},
        {5, 5, {"910=4", "wait 500", "910=5"}},
        {0, 0, {"1150=1", "910=1", "wait 500", "1150=0", "910=0"}},
        {7, 5, {"910=7"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("active " + std::to_string(c.active) + " of " + std::to_string(c.count));
        image_[channel_.active] = c.active;
        image_[channel_.count] = c.count;
        const size_t before = link_.device->RequestCount();
        std::vector<std::string> events;
        registers::BlockWriteHooks hooks;
        // Writes are taken from the device at each wait, so the order shows.
        size_t seen = before + 1; // skip the block's own exchange
        auto takeWrites = [&] {
            for (const std::string& w : Writes(seen))
                events.push_back(w);
            seen = link_.device->RequestCount();
        };
        hooks.wait = [&](int ms) {
            takeWrites();
            events.push_back("wait " + std::to_string(ms));
        };
        EXPECT_EQ(registers::WriteRegisterBlock(*link_.mop, image_, channel_, 1216, 1216, hooks),
                  0);
        takeWrites();
        EXPECT_EQ(events, c.events);
        EXPECT_EQ(uint32_t{link_.device->Register(910)}, c.active);
    }
}

TEST_F(BlockWriteTest, ChannelIndexesOutsideTheImageSkipTheReapply) {
    channel_.active = 600;
    BlockRecord rec;
    EXPECT_EQ(
        registers::WriteRegisterBlock(*link_.mop, image_, channel_, 1216, 1216, HooksInto(rec)), 0);
    EXPECT_EQ(link_.device->RequestCount(), 1u);
    EXPECT_TRUE(rec.waits.empty());
}

// --- write and verify ---------------------------------------------------

TEST_F(RegistersTest, WriteAndVerifyLeavesTheNumbersOfDifferingRegistersInTheFirstCells) {
    for (int i = 0; i < 10; ++i)
        image_[i] = static_cast<uint32_t>(100 + i);
    link_.device->HoldAt(1001, 1);
    link_.device->HoldAt(1005, 5);
    EXPECT_EQ(registers::WriteAndVerifyRegisters(*link_.mop, image_, 1000, 0, 10), 2);
    EXPECT_EQ(image_[0], 1001u);
    EXPECT_EQ(image_[1], 1005u);
    for (int i = 2; i < 10; ++i)
        EXPECT_EQ(image_[i], static_cast<uint32_t>(100 + i)) << i;

    const auto requests = link_.device->Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].writeStart, 1000);
    EXPECT_EQ(requests[0].readStart, 1000);
    EXPECT_EQ(requests[0].writeCount, 10);
    EXPECT_EQ(requests[0].readCount, 10);
    EXPECT_EQ(requests[0].data,
              (std::vector<uint16_t>{100, 101, 102, 103, 104, 105, 106, 107, 108, 109}));

    // All agree: 0, image untouched.
    for (int i = 0; i < 10; ++i)
        image_[i] = static_cast<uint32_t>(200 + i);
    link_.device->HoldAt(1001, 201);
    link_.device->HoldAt(1005, 205);
    EXPECT_EQ(registers::WriteAndVerifyRegisters(*link_.mop, image_, 1000, 0, 10), 0);
    EXPECT_EQ(image_[0], 200u);
}

TEST_F(RegistersTest, WriteAndVerifyGivesThousandOnFailureOrWrongCountAndStoresNothing) {
    for (int i = 0; i < 10; ++i)
        image_[i] = static_cast<uint32_t>(100 + i);
    const TRegisterImage before = image_;
    link_.device->HoldAt(1001, 1);

    link_.device->SetTamper(
        [](const FakeDevice::Request&, int, std::vector<uint16_t>& words) { words.pop_back(); });
    EXPECT_EQ(registers::WriteAndVerifyRegisters(*link_.mop, image_, 1000, 0, 10), 1000);
    EXPECT_EQ(image_, before);

    link_.device->SetTamper(nullptr);
    Silence();
    EXPECT_EQ(registers::WriteAndVerifyRegisters(*link_.mop, image_, 1000, 0, 10), 1000);
    EXPECT_EQ(image_, before);
    const size_t sent = link_.device->RequestCount();
    EXPECT_EQ(sent, 4u);

    // Nothing to write, more than one request holds, or outside the image.
    EXPECT_EQ(registers::WriteAndVerifyRegisters(*link_.mop, image_, 1000, 5, 5), 1000);
    EXPECT_EQ(registers::WriteAndVerifyRegisters(*link_.mop, image_, 1000, 0, 61), 1000);
    EXPECT_EQ(registers::WriteAndVerifyRegisters(*link_.mop, image_, 1000, 595, 601), 1000);
    EXPECT_EQ(registers::WriteAndVerifyRegisters(*link_.mop, image_, -1, 0, 2), 1000);
    EXPECT_EQ(link_.device->RequestCount(), sent);
    EXPECT_EQ(image_, before);
}

} // namespace
