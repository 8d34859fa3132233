// The parameter-set reader on its own thread against a scripted device: the
// twelve double-read blocks, the comparison of the two readings, the retry
// of a disagreeing block, failures, stopping and the completion call.
#include "link/Reader.h"

#include "link/FakeDevice.h"
#include "link/MemoryPort.h"
#include "link/Mop.h"
#include "link/ParameterSet.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

using testframes::Bytes;

namespace {

// What the device holds in register reg: distinct, and above 0x7FFF for many.
uint16_t DeviceValue(uint32_t reg) {
    return static_cast<uint16_t>((reg * 0x9E37u) ^ 0x5A5Au);
}

constexpr uint32_t untouched = 0xDEADBEEF; // no 16-bit register holds this

class ReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        link_.device->Fill(900, 1499, DeviceValue);
        image_.fill(untouched);
    }
    void TearDown() override {
        reader_.reset(); // its thread stops before the link goes
    }

    haupt& MakeReader() {
        reader_ = std::make_unique<haupt>(*link_.mop, image_, readFailed_);
        reader_->SetPauseMs(0);
        reader_->SetOnProgress([this](int n) { progress_.push_back(n); });
        reader_->SetOnDone([this] {
            ++done_;
            doneThread_ = std::this_thread::get_id();
        });
        return *reader_;
    }

    // Runs a whole read on the reader's thread.
    void Read() {
        haupt& reader = reader_ ? *reader_ : MakeReader();
        reader.Start();
        reader.Wait();
        EXPECT_FALSE(reader.Running());
        EXPECT_EQ(done_.load(), 1) << "the completion call is made exactly once";
        EXPECT_NE(doneThread_, std::this_thread::get_id()) << "completion on the reader thread";
    }

    int Progress() const { return std::accumulate(progress_.begin(), progress_.end(), 0); }

    // Cells from..to hold what the device holds.
    void ExpectDeviceValues(int from, int to) const {
        for (int cell = from; cell <= to; ++cell)
            ASSERT_EQ(image_[cell], DeviceValue(900 + cell)) << "cell " << cell;
    }
    void ExpectUntouched(int from, int to) const {
        for (int cell = from; cell <= to; ++cell)
            ASSERT_EQ(image_[cell], untouched) << "cell " << cell;
    }

    FakeLink link_;
    TRegisterImage image_{};
    std::atomic<int> readFailed_{-1};
    std::unique_ptr<haupt> reader_;
    std::vector<int> progress_;
    std::atomic<int> done_{0};
    std::thread::id doneThread_;
};

TEST_F(ReaderTest, CleanReadTakesTwentyFourExchangesAndFillsRegisters900To1471) {
    // Fields of an earlier write must not travel with the reads.
    link_.mop->SetAddress1(5);
    link_.mop->SetWriteAddress(999);
    link_.mop->SetWriteCount(2);
    Read();
    EXPECT_EQ(readFailed_.load(), 0);

    const std::vector<std::string> requests = link_.port->Requests();
    ASSERT_EQ(requests.size(), 24u);
    for (int block = 1; block <= 12; ++block) {
        const int first = 900 + 50 * (block - 1);
        const int count = block < 12 ? 50 : 22;
        const std::string expected =
            Bytes({0x60, 0, 0, 0, 0, first >> 8, first & 0xFF, count, 0, 0, 0});
        EXPECT_EQ(requests[2 * block - 2], expected) << "block " << block;
        EXPECT_EQ(requests[2 * block - 1], expected) << "block " << block << " again";
    }
    ExpectDeviceValues(0, 571);
    ExpectUntouched(572, 599);
    EXPECT_EQ(progress_, (std::vector<int>{50, 50, 50, 50, 50, 50, 50, 50, 50, 50, 50, 22}));
    EXPECT_EQ(Progress(), 572);
}

// The answers carry no checksum: whichever register the two readings of a
// block disagree on, only that block is read twice more. The image ends up
// with what the device holds, or the read fails at once when the second pair
// disagrees as well. A repeated block advances the bar once.
TEST_F(ReaderTest, RegisterThatDiffersMakesOnlyItsBlockReadFourTimes) {
    struct Case {
        int reg;
        int reading; // of its block: 1 stores, 2 compares, 0 every reading differs
        uint16_t flip;
    };
    for (const Case c : {Case{1010, 1, 0x0001}, Case{1175, 2, 0x8000}, Case{1471, 1, 0x0100},
                         Case{1010, 0, 0}, Case{1175, 0, 0}, Case{1471, 0, 0}}) {
        SCOPED_TRACE(::testing::Message() << "register " << c.reg << ", reading " << c.reading);
        progress_.clear();
        done_ = 0;
        readFailed_ = -1;
        image_.fill(untouched);
        FakeDevice device(*link_.port); // a fresh device counts its requests anew
        device.Fill(900, 1499, DeviceValue);
        const int block = (c.reg - 900) / 50 + 1;
        const uint16_t first = haupt::BlockOf(block).first;
        int readings = 0;
        device.SetTamper([&](const FakeDevice::Request& r, int, std::vector<uint16_t>& words) {
            if (r.readStart == first && (++readings == c.reading || c.reading == 0))
                words[c.reg - first] ^= c.reading ? c.flip : readings;
        });
        Read();
        const bool fails = c.reading == 0;
        EXPECT_EQ(readFailed_.load(), fails ? 1 : 0);
        std::vector<uint16_t> expected, asked;
        for (int b = 1; b <= (fails ? block : 12); ++b)
            expected.insert(expected.end(), b == block ? 4 : 2, haupt::BlockOf(b).first);
        for (const FakeDevice::Request& r : device.Requests())
            asked.push_back(r.readStart);
        EXPECT_EQ(asked, expected);
        EXPECT_EQ(Progress(), fails ? 50 * (block - 1) : 572);
        if (!fails)
            ExpectDeviceValues(0, 571);
    }
}

TEST_F(ReaderTest, DeviceThatStopsAnsweringInBlock7FailsAndKeepsBlocks1To6) {
    link_.device->SetSilent([](const FakeDevice::Request& r, int) { return r.readStart >= 1200; });
    Read();
    EXPECT_EQ(readFailed_.load(), 1);
    EXPECT_EQ(link_.device->RequestCount(), 15u) << "twelve readings, then three attempts";
    EXPECT_EQ(link_.mop->Status(), TMop::StatusTimeout) << "the continuation reports a time-out";
    ExpectDeviceValues(0, 299);
    ExpectUntouched(300, 599);
    EXPECT_EQ(Progress(), 300);
}

TEST_F(ReaderTest, AnswerWithAWrongRegisterCountFailsTheRead) {
    // Block 4's second reading comes back one word short.
    link_.device->SetTamper(
        [](const FakeDevice::Request& r, int exchange, std::vector<uint16_t>& words) {
            if (r.readStart == 1050 && exchange == 8)
                words.pop_back();
        });
    Read();
    EXPECT_EQ(readFailed_.load(), 1);
    EXPECT_EQ(link_.device->RequestCount(), 8u);
    EXPECT_EQ(Progress(), 150);
    ExpectUntouched(200, 599);
}

TEST_F(ReaderTest, RequestStopEndsTheReadBeforeTheNextExchange) {
    haupt& reader = MakeReader();
    link_.device->SetTamper(
        [&reader](const FakeDevice::Request&, int exchange, std::vector<uint16_t>&) {
            if (exchange == 5)
                reader.RequestStop();
        });
    Read();
    EXPECT_EQ(readFailed_.load(), 1);
    EXPECT_EQ(link_.device->RequestCount(), 5u);
    EXPECT_EQ(Progress(), 100);

    // A new start reads again from the beginning.
    link_.device->SetTamper(nullptr);
    done_ = 0;
    progress_.clear();
    image_.fill(untouched);
    Read();
    EXPECT_EQ(readFailed_.load(), 0);
    EXPECT_EQ(link_.device->RequestCount(), 5u + 24u);
    ExpectDeviceValues(0, 571);
}

} // namespace
