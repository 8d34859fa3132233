#pragma once
// haupt, the parameter-set reader: reads registers 900 to 1471 into the
// register image in 12 blocks, each block twice, and accepts a block only when
// both readings agree on every register (the answers carry no checksum: the
// second reading is the only check of the first). Runs on its
// own thread, owned by the read command; hands over through a flag and a
// completion call that it makes on every way out.

#include "link/ParameterSet.h"

#include <atomic>
#include <functional>
#include <thread>

class TMop;

class haupt {
public:
    struct Block {
        uint16_t first;
        int count;
    };
    static constexpr int blockCount = 12;
    // Blocks 1..11: 50 registers from 900 + 50 x (block - 1); block 12: 1450
    // to 1471, so the whole frequency table (up to register 1471) is read.
    static Block BlockOf(int block);

    haupt(TMop& mop, TRegisterImage& image, std::atomic<int>& readFailed);
    ~haupt(); // waits for the thread
    haupt(const haupt&) = delete;
    haupt& operator=(const haupt&) = delete;

    // Called on the reader thread after a block was accepted (its count).
    void SetOnProgress(std::function<void(int)> f) { onProgress_ = std::move(f); }
    // Called on the reader thread as its last action, whatever happened.
    void SetOnDone(std::function<void()> f) { onDone_ = std::move(f); }
    // Pause after each exchange (10 ms; tests may shorten it).
    void SetPauseMs(int ms) { pauseMs_ = ms; }

    void Start();
    // Asks the thread to stop before its next exchange.
    void RequestStop() { stop_ = true; }
    void Wait();
    bool Running() const { return running_; }

    // The body; Start runs it on the thread. Public for tests.
    void Execute();
    bool StoreBlock(int count, int firstCell);
    bool CompareBlock(int count, int firstCell);

private:
    // Walks the answer's count words into cells from firstCell on; true
    // (failed or different) on a wrong count, a missing word or when
    // visit(i, word) says so.
    template <class Visit> bool EachWord(int count, int firstCell, Visit visit);

    TMop* mop_;
    TRegisterImage& image_;
    std::atomic<int>& readFailed_;
    std::function<void(int)> onProgress_;
    std::function<void()> onDone_;
    int pauseMs_ = 10;
    std::atomic<bool> stop_{false};
    std::atomic<bool> running_{false};
    std::thread thread_;
};
