// The parameter-set reader on its own thread against a scripted device: the
// twelve double-read blocks, the comparison on mapped registers, the retry
// of a disagreeing block, failures, stopping and the completion call.
#include "link/Reader.h"

#include "link/FakeDevice.h"
#include "link/MemoryPort.h"
#include "link/Mop.h"
#include "link/ParameterSet.h"
#include "platform/StringList.h"

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
        // The first entry of the list does not count: cell 121 is not mapped.
        for (const char* index : {"121", "6", "10", "14", "120", "300", "571"})
            mapped_.Add(index);
    }
    void TearDown() override {
        reader_.reset(); // its thread stops before the link goes
    }

    haupt& MakeReader() {
        reader_ = std::make_unique<haupt>(*link_.mop, mapped_, image_, readFailed_);
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

    // How often the device was asked for the block that starts at register first.
    int ReadingsOf(int block) const {
        const uint16_t first = haupt::BlockOf(block).first;
        int n = 0;
        for (const FakeDevice::Request& r : link_.device->Requests())
            n += r.readStart == first;
        return n;
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
    TStringList mapped_;
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

TEST_F(ReaderTest, MappedRegisterThatDiffersOnceMakesOnlyThatBlockReadFourTimes) {
    // Register 1020 (cell 120, block 3) comes back wrong in the first
    // reading, register 1200 (cell 300, block 7) in the second.
    std::atomic<int> block3{0}, block7{0};
    link_.device->SetTamper([&](const FakeDevice::Request& r, int, std::vector<uint16_t>& words) {
        if (r.readStart == 1000 && ++block3 == 1)
            words[20] ^= 1;
        if (r.readStart == 1200 && ++block7 == 2)
            words[0] ^= 0x8000;
    });
    Read();
    EXPECT_EQ(readFailed_.load(), 0);
    EXPECT_EQ(link_.device->RequestCount(), 28u);
    for (int block = 1; block <= 12; ++block)
        EXPECT_EQ(ReadingsOf(block), block == 3 || block == 7 ? 4 : 2) << "block " << block;
    ExpectDeviceValues(0, 571);
    EXPECT_EQ(Progress(), 572);
    EXPECT_EQ(progress_.size(), 12u) << "a repeated block advances once";
}

TEST_F(ReaderTest, MappedRegisterThatDiffersTwiceFailsTheReadAndStops) {
    struct Case {
        int block;
        int cell; // mapped
    };
    for (const Case c : {Case{3, 120}, Case{12, 571}}) {
        SCOPED_TRACE("block " + std::to_string(c.block));
        reader_.reset();
        progress_.clear();
        done_ = 0;
        readFailed_ = -1;
        FakeDevice device(*link_.port); // a fresh device counts its requests anew
        device.Fill(900, 1499, DeviceValue);
        const uint16_t first = haupt::BlockOf(c.block).first;
        const int word = 900 + c.cell - first;
        // Every reading of the block gives another value for the mapped register.
        device.SetTamper([first, word](const FakeDevice::Request& r, int exchange,
                                       std::vector<uint16_t>& words) {
            if (r.readStart == first)
                words[word] = static_cast<uint16_t>(exchange);
        });
        Read();
        EXPECT_EQ(readFailed_.load(), 1);
        const auto requests = device.Requests();
        ASSERT_EQ(requests.size(), static_cast<size_t>(2 * (c.block - 1) + 4))
            << "four readings of the block, nothing after";
        for (size_t i = requests.size() - 4; i < requests.size(); ++i)
            EXPECT_EQ(requests[i].readStart, first);
        EXPECT_EQ(Progress(), 50 * (c.block - 1));
    }
}

TEST_F(ReaderTest, DifferencesInRegistersTheMapDoesNotNameAreAccepted) {
    // Every reading changes every register except the mapped ones; cell 121
    // is in the list, but as its first entry it does not count.
    const std::vector<int> mappedCells = {6, 10, 14, 120, 300, 571};
    std::vector<bool> isMapped(RegisterImageSize, false);
    for (int cell : mappedCells)
        isMapped[cell] = true;
    link_.device->SetTamper(
        [&isMapped](const FakeDevice::Request& r, int exchange, std::vector<uint16_t>& words) {
            for (size_t i = 0; i < words.size(); ++i)
                if (!isMapped[r.readStart - 900 + i])
                    words[i] ^= static_cast<uint16_t>(exchange);
        });
    Read();
    EXPECT_EQ(readFailed_.load(), 0);
    EXPECT_EQ(link_.device->RequestCount(), 24u);
    EXPECT_EQ(Progress(), 572);
    for (int cell : mappedCells)
        EXPECT_EQ(image_[cell], DeviceValue(900 + cell)) << cell;
    // Unmapped cells keep what the first reading of their block gave:
    // block 3 was first read in exchange 5.
    EXPECT_EQ(image_[121], DeviceValue(1021) ^ 5u);
    EXPECT_EQ(image_[0], DeviceValue(900) ^ 1u);
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

TEST_F(ReaderTest, OnlyDecimalImageIndexesAfterTheFirstEntryAreMapped) {
    TStringList list;
    for (const char* index : {"7", "8", "", "abc", "12x", "600", "-1", "599", "0"})
        list.Add(index);
    haupt reader(*link_.mop, list, image_, readFailed_);
    EXPECT_FALSE(reader.IsMappedRegister(7)) << "the first entry does not count";
    EXPECT_TRUE(reader.IsMappedRegister(8));
    EXPECT_TRUE(reader.IsMappedRegister(599));
    EXPECT_TRUE(reader.IsMappedRegister(0));
    EXPECT_FALSE(reader.IsMappedRegister(12));
    EXPECT_FALSE(reader.IsMappedRegister(600));
    EXPECT_FALSE(reader.IsMappedRegister(-1));
    EXPECT_FALSE(reader.IsMappedRegister(9));
}

} // namespace
