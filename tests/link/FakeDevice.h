#pragma once
// A scripted device behind a MemoryPort: it holds 65536 registers, takes
// every request apart, stores the write data, and answers the read run as a
// device does. Tests make it misbehave through hooks: stay silent for chosen
// exchanges, change the words of an answer, or hold a register at a value
// that no write changes.
//
// The device answers on the thread that writes the request (the reader
// thread, for the reader tests). Its state is guarded; tests look at it after
// the exchanges are over.

#include "link/MemoryPort.h"
#include "link/Mop.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class FakeDevice {
public:
    struct Request {
        uint8_t header = 0;
        std::array<uint8_t, 4> address{};
        uint16_t readStart = 0;
        int readCount = 0;
        uint16_t writeStart = 0;
        int writeCount = 0;
        std::vector<uint16_t> data; // the write data as words
        bool wellFormed = false;    // head complete and data length = 2 x write count
    };

    // Called for every request with its number (1 for the first); true makes
    // the device ignore it (no answer, nothing stored).
    using SilentHook = std::function<bool(const Request&, int exchange)>;
    // May change the words (and so the count) of an answer before it goes out.
    using TamperHook =
        std::function<void(const Request&, int exchange, std::vector<uint16_t>& words)>;

    explicit FakeDevice(MemoryPort& port) : port_(port) {
        port_.SetResponder([this](MemoryPort& p, const std::string& bytes) { Handle(p, bytes); });
    }
    ~FakeDevice() { port_.SetResponder(nullptr); }
    FakeDevice(const FakeDevice&) = delete;
    FakeDevice& operator=(const FakeDevice&) = delete;

    static Request Parse(const std::string& bytes) {
        Request r;
        auto at = [&bytes](size_t i) { return static_cast<uint8_t>(bytes[i]); };
        if (bytes.size() < 11)
            return r;
        r.header = at(0);
        r.address = {at(1), at(2), at(3), at(4)};
        r.readStart = static_cast<uint16_t>(at(5) << 8 | at(6));
        r.readCount = at(7);
        r.writeStart = static_cast<uint16_t>(at(8) << 8 | at(9));
        r.writeCount = at(10);
        r.wellFormed = bytes.size() == 11 + 2 * static_cast<size_t>(r.writeCount);
        for (size_t i = 11; i + 1 < bytes.size(); i += 2)
            r.data.push_back(static_cast<uint16_t>(at(i) << 8 | at(i + 1)));
        return r;
    }

    void SetRegister(uint16_t reg, uint16_t value) {
        std::lock_guard lock(mutex_);
        registers_[reg] = value;
    }
    uint16_t Register(uint16_t reg) const {
        std::lock_guard lock(mutex_);
        return registers_[reg];
    }
    // Fills registers first..last with fill(reg).
    void Fill(uint16_t first, uint16_t last, const std::function<uint16_t(uint16_t)>& fill) {
        std::lock_guard lock(mutex_);
        for (uint32_t reg = first; reg <= last; ++reg)
            registers_[reg] = fill(static_cast<uint16_t>(reg));
    }
    // The register reads back value whatever is written to it.
    void HoldAt(uint16_t reg, uint16_t value) {
        std::lock_guard lock(mutex_);
        held_[reg] = value;
    }

    void SetSilent(SilentHook hook) {
        std::lock_guard lock(mutex_);
        silent_ = std::move(hook);
    }
    void SetTamper(TamperHook hook) {
        std::lock_guard lock(mutex_);
        tamper_ = std::move(hook);
    }

    // Every request received, answered or not.
    std::vector<Request> Requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    size_t RequestCount() const {
        std::lock_guard lock(mutex_);
        return requests_.size();
    }

private:
    void Handle(MemoryPort& port, const std::string& bytes) {
        std::string answer;
        {
            std::lock_guard lock(mutex_);
            const Request r = Parse(bytes);
            requests_.push_back(r);
            const int exchange = static_cast<int>(requests_.size());
            if (!r.wellFormed || r.header != 0x60 || (silent_ && silent_(r, exchange)))
                return;
            for (int i = 0; i < r.writeCount; ++i)
                registers_[static_cast<uint16_t>(r.writeStart + i)] = r.data[i];
            std::vector<uint16_t> words;
            for (int i = 0; i < r.readCount; ++i) {
                const uint16_t reg = static_cast<uint16_t>(r.readStart + i);
                const auto held = held_.find(reg);
                words.push_back(held != held_.end() ? held->second : registers_[reg]);
            }
            if (tamper_)
                tamper_(r, exchange, words);
            // The device echoes address byte 4 first, then bytes 1 to 3.
            answer = testframes::Answer(r.readStart, words,
                                        {r.address[3], r.address[0], r.address[1], r.address[2]});
        }
        port.Deliver(answer);
    }

    MemoryPort& port_;
    mutable std::mutex mutex_;
    std::array<uint16_t, 65536> registers_{};
    std::map<uint16_t, uint16_t> held_;
    SilentHook silent_;
    TamperHook tamper_;
    std::vector<Request> requests_;
};

// The link the transaction tests talk over: an open TMop on a MemoryPort with
// a FakeDevice answering behind it. The device answers at once, so the short
// response time-out makes a silent device cost only a few short waits. The
// device goes before the link it answers on.
struct FakeLink {
    explicit FakeLink(int responseTimeoutMs = 25) {
        auto owned = std::make_unique<MemoryPort>();
        port = owned.get();
        mop = std::make_unique<TMop>(nullptr, std::move(owned));
        mop->SetResponseTimeout(responseTimeoutMs);
        mop->Open();
        device = std::make_unique<FakeDevice>(*port);
    }

    MemoryPort* port = nullptr; // owned by mop
    std::unique_ptr<TMop> mop;
    std::unique_ptr<FakeDevice> device;
};
