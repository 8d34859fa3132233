#pragma once
// An in-memory SerialPort for the protocol tests. Every Write is recorded as
// one request and handed to a scripted responder, which may deliver answer
// bytes with Deliver (at once) or DeliverLater (from a helper thread after a
// delay). Delivered bytes go to the receive handler, or wait for ReadString
// when none is set. Pauses between pieces that are longer than the quiet
// interval are reported to the quiet handler, as the real port's event thread
// does. Delivery from helper threads is safe: the queue and the handlers are
// guarded, a handler removed with SetOnRxChar(nullptr) is never called again
// once that call returns, and the destructor joins every helper thread.

#include "link/SerialPort.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

class MemoryPort : public SerialPort {
public:
    using Responder = std::function<void(MemoryPort&, const std::string& request)>;
    using Clock = std::chrono::steady_clock;

    MemoryPort() = default;
    explicit MemoryPort(Responder responder) : responder_(std::move(responder)) {}
    ~MemoryPort() override { JoinHelpers(); }
    MemoryPort(const MemoryPort&) = delete;
    MemoryPort& operator=(const MemoryPort&) = delete;

    // --- scripting -------------------------------------------------------

    void SetResponder(Responder responder) {
        std::lock_guard lock(mutex_);
        responder_ = std::move(responder);
    }
    // The next writes throw EComError as a failing driver would.
    void SetWriteFails(bool fails) { writeFails_ = fails; }
    // The next opens throw EComError and leave the port closed.
    void SetOpenFails(bool fails) { openFails_ = fails; }

    // Hands bytes to the receive handler on the calling thread, or queues
    // them for ReadString when no handler is set. Bytes for a closed port are
    // dropped.
    void Deliver(const std::string& bytes) {
        {
            std::lock_guard lock(mutex_);
            if (!active_)
                return;
        }
        std::lock_guard call(handlerMutex_);
        if (onRx_) {
            onRx_(bytes);
            return;
        }
        std::lock_guard lock(mutex_);
        input_ += bytes;
    }

    // The line stayed quiet for the quiet interval: runs the quiet handler on
    // the calling thread.
    void ReportQuiet() {
        std::lock_guard call(handlerMutex_);
        if (onQuiet_)
            onQuiet_();
    }

    // Delivers the pieces one after the other from a helper thread: the
    // first after firstDelay, each further one gap after the previous one.
    // A gap longer than the quiet interval is reported quiet after the
    // interval.
    void DeliverLater(std::vector<std::string> pieces, std::chrono::milliseconds firstDelay,
                      std::chrono::milliseconds gap = std::chrono::milliseconds(0)) {
        StartHelper([this, pieces = std::move(pieces), firstDelay, gap] {
            auto at = Clock::now() + firstDelay;
            for (size_t i = 0; i < pieces.size(); ++i) {
                const auto quiet = std::chrono::milliseconds(quietMs_.load());
                if (i > 0 && quiet.count() > 0 && gap > quiet) {
                    if (!SleepUntil(at - gap + quiet))
                        return;
                    ReportQuiet();
                }
                if (!SleepUntil(at))
                    return;
                Deliver(pieces[i]);
                at += gap;
            }
        });
    }
    void DeliverLater(const std::string& bytes, std::chrono::milliseconds delay) {
        DeliverLater(std::vector<std::string>{bytes}, delay);
    }

    // The device vanishes: the port is lost and the lost handler runs (on
    // the calling thread); the port stays open, refusing transfers, as the
    // real port does until its close reaches the application's thread.
    void Hangup() {
        {
            std::lock_guard lock(mutex_);
            lost_ = true;
        }
        std::lock_guard call(handlerMutex_);
        if (onLost_)
            onLost_(EComError(5, "Input/output error"));
    }
    // Hangup, then the port closes itself.
    void Lose() {
        Hangup();
        Close();
    }
    void LoseLater(std::chrono::milliseconds delay) {
        StartHelper([this, delay] {
            if (SleepUntil(Clock::now() + delay))
                Lose();
        });
    }

    // Every request written so far, one entry per Write.
    std::vector<std::string> Requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    size_t RequestCount() const {
        std::lock_guard lock(mutex_);
        return requests_.size();
    }
    // Waits until at least n requests were written; false at the deadline.
    bool WaitForRequests(size_t n, std::chrono::milliseconds timeout) const {
        std::unique_lock lock(mutex_);
        return written_.wait_for(lock, timeout, [&] { return requests_.size() >= n; });
    }

    // Stops the helper threads (pending deliveries are dropped) and joins them.
    void JoinHelpers() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        stop_.notify_all();
        std::vector<std::thread> helpers;
        {
            std::lock_guard lock(mutex_);
            helpers.swap(helpers_);
        }
        for (std::thread& t : helpers)
            t.join();
        std::lock_guard lock(mutex_);
        stopping_ = false;
    }

    // --- SerialPort ------------------------------------------------------

    void SetDeviceName(const std::string& name) override {
        std::lock_guard lock(mutex_);
        if (active_)
            throw EComError(0, "Can't perform this operation on an open port");
        name_ = name;
    }
    std::string DeviceName() const override {
        std::lock_guard lock(mutex_);
        return name_;
    }
    void SetBaudRate(TBaudRate rate) override { baud_ = rate; }
    void SetDataBits(TDataBits bits) override { dataBits_ = bits; }
    void SetParity(TParity parity) override { parity_ = parity; }
    void SetStopBits(TStopBits bits) override { stopBits_ = bits; }
    TBaudRate BaudRate() const { return baud_; }
    TDataBits DataBits() const { return dataBits_; }
    TParity Parity() const { return parity_; }
    TStopBits StopBits() const { return stopBits_; }

    void Open() override {
        if (openFails_)
            throw EComError(2, "No such file or directory");
        std::lock_guard lock(mutex_);
        active_ = true;
    }
    void Close() override {
        std::lock_guard lock(mutex_);
        active_ = false;
        lost_ = false;
        input_.clear();
    }
    bool GetActive() const override {
        std::lock_guard lock(mutex_);
        return active_;
    }
    bool Lost() const override {
        std::lock_guard lock(mutex_);
        return lost_;
    }

    void PurgeInput() override {
        std::lock_guard lock(mutex_);
        input_.clear();
    }
    void ClearInput() override { PurgeInput(); }
    void PurgeOutput() override {}
    void ClearOutput() override {}
    int InputCount() override {
        std::lock_guard lock(mutex_);
        return active_ && !lost_ ? static_cast<int>(input_.size()) : 0;
    }
    std::string ReadString() override {
        std::lock_guard lock(mutex_);
        if (!active_)
            throw EComError(0, "Can't perform this operation on a closed port");
        if (lost_)
            throw EComError(5, "Input/output error");
        return std::exchange(input_, std::string());
    }
    void Write(const char* buffer, int count, bool /*wait*/) override {
        Responder responder;
        std::string request(buffer, static_cast<size_t>(count));
        {
            std::lock_guard lock(mutex_);
            if (!active_)
                throw EComError(0, "Can't perform this operation on a closed port");
            if (writeFails_ || lost_)
                throw EComError(5, "Input/output error");
            requests_.push_back(request);
            responder = responder_;
        }
        written_.notify_all();
        if (responder)
            responder(*this, request);
    }

    void SetOnRxChar(RxHandler handler) override {
        std::lock_guard call(handlerMutex_);
        onRx_ = std::move(handler);
    }
    void SetOnQuiet(uint32_t intervalMs, QuietHandler handler) override {
        std::lock_guard call(handlerMutex_);
        quietMs_ = intervalMs;
        onQuiet_ = std::move(handler);
    }
    void SetOnLost(LostHandler handler) override {
        std::lock_guard call(handlerMutex_);
        onLost_ = std::move(handler);
    }

private:
    template <class F> void StartHelper(F&& body) {
        std::lock_guard lock(mutex_);
        helpers_.emplace_back(std::forward<F>(body));
    }
    // false when the port is stopping its helpers.
    bool SleepUntil(Clock::time_point at) {
        std::unique_lock lock(mutex_);
        return !stop_.wait_until(lock, at, [this] { return stopping_; });
    }

    mutable std::mutex mutex_; // queue, requests, state, helper list
    mutable std::condition_variable written_;
    std::condition_variable stop_;
    std::mutex handlerMutex_; // held while a handler runs or is replaced
    RxHandler onRx_;
    QuietHandler onQuiet_;
    std::atomic<uint32_t> quietMs_{0};
    LostHandler onLost_;
    Responder responder_;
    std::string name_ = "COM1";
    std::string input_;
    std::vector<std::string> requests_;
    std::vector<std::thread> helpers_;
    bool active_ = false;
    bool lost_ = false;
    bool stopping_ = false;
    std::atomic<bool> writeFails_{false};
    std::atomic<bool> openFails_{false};
    std::atomic<TBaudRate> baud_{brDefault};
    std::atomic<TDataBits> dataBits_{dbDefault};
    std::atomic<TParity> parity_{paDefault};
    std::atomic<TStopBits> stopBits_{sbDefault};
};

// Frame builders shared by the link tests.
namespace testframes {

inline std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values)
        out.push_back(static_cast<char>(v));
    return out;
}

// A response frame: header 0xE0, the four echo bytes as they stand on the
// wire (response bytes 1-4), first register, count and the data words.
inline std::string Answer(uint16_t firstRegister, const std::vector<uint16_t>& words,
                          std::array<uint8_t, 4> echo = {0, 0, 0, 0}) {
    std::string out(1, static_cast<char>(0xE0));
    for (uint8_t b : echo)
        out.push_back(static_cast<char>(b));
    out.push_back(static_cast<char>(firstRegister >> 8));
    out.push_back(static_cast<char>(firstRegister & 0xFF));
    out.push_back(static_cast<char>(words.size()));
    for (uint16_t w : words) {
        out.push_back(static_cast<char>(w >> 8));
        out.push_back(static_cast<char>(w & 0xFF));
    }
    return out;
}

} // namespace testframes
