#include "link/Reader.h"

#include "link/Mop.h"
#include "link/Registers.h"

#include <chrono>

haupt::Block haupt::BlockOf(int block) {
    if (block == blockCount)
        return {1450, 22};
    return {static_cast<uint16_t>(FirstImageRegister + 50 * (block - 1)), 50};
}

haupt::haupt(TMop& mop, TRegisterImage& image, std::atomic<int>& readFailed)
    : mop_(&mop), image_(image), readFailed_(readFailed) {}

haupt::~haupt() {
    RequestStop();
    Wait();
}

void haupt::Start() {
    Wait();
    stop_ = false;
    running_ = true;
    thread_ = std::thread([this] { Execute(); });
}

void haupt::Wait() {
    if (thread_.joinable())
        thread_.join();
}

template <class Visit> bool haupt::EachWord(int count, int firstCell, Visit visit) {
    if (mop_->GetResponseCount() != count)
        return true;
    for (int i = 0; i < count; ++i) {
        uint32_t word = 0;
        if (mop_->NextDataWord(word) || !IsImageIndex(firstCell + i) || visit(i, word))
            return true;
    }
    return false;
}

bool haupt::StoreBlock(int count, int firstCell) {
    return EachWord(count, firstCell, [&](int i, uint32_t word) {
        image_[firstCell + i] = word;
        return false;
    });
}

bool haupt::CompareBlock(int count, int firstCell) {
    return EachWord(count, firstCell,
                    [&](int i, uint32_t word) { return word != image_[firstCell + i]; });
}

void haupt::Execute() {
    // The completion call is made on every way out, exceptions included.
    struct Done {
        haupt& self;
        ~Done() {
            self.running_ = false;
            if (self.onDone_)
                self.onDone_();
        }
    } done{*this};
    try {
        mop_->SetAddress1(0);
        mop_->SetWriteAddress(0);
        mop_->SetWriteCount(0);
        mop_->SetWriteData(std::string());
        int block = 1;
        bool comparePass = false;
        bool retried = false;
        while (block <= blockCount) {
            if (stop_) {
                readFailed_ = 1;
                break;
            }
            const Block b = BlockOf(block);
            const int firstCell = static_cast<int>(b.first - FirstImageRegister);
            mop_->SetReadAddress(b.first);
            mop_->SetReadCount(static_cast<uint8_t>(b.count));
            if (mop_->TransactRetry(registers::retries) || mop_->GetResponseCount() != b.count) {
                readFailed_ = 1;
                break;
            }
            if (!comparePass) {
                if (StoreBlock(b.count, firstCell)) {
                    readFailed_ = 1;
                    break;
                }
                comparePass = true;
            } else {
                comparePass = false;
                if (CompareBlock(b.count, firstCell)) {
                    if (retried) {
                        readFailed_ = 1;
                        break;
                    }
                    retried = true;
                } else {
                    readFailed_ = 0;
                    retried = false;
                    if (onProgress_)
                        onProgress_(b.count);
                    ++block;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs_));
        }
    } catch (...) {
        readFailed_ = 1;
    }
}
