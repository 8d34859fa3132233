#pragma once
// TMop, the protocol master: builds a MOP request, sends it, waits for the
// matching answer and hands out its data words. The only way to the device.

#include "link/LineSettings.h"
#include "link/ModBus.h"
#include "link/SerialPort.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class LogSink;

class TMop {
public:
    // Status of the last operation.
    enum : uint8_t {
        StatusOk = 0,
        StatusOpenFailed = 1,
        StatusCloseFailed = 2,
        StatusTimeout = 3,    // no answer in time, or a gap inside the answer
        StatusPortClosed = 4, // the port is closed, vanished or refused the write
    };
    // Code of the last fault.
    enum : uint8_t {
        ErrorNone = 0,
        ErrorBadResponse = 3,    // header, address or register run wrong
        ErrorCopy = 8,           // write data could not be placed in the frame
        ErrorNoWriteData = 9,    // write count set, no write data
        ErrorOverLong = 10,      // answer longer than the frame buffer
        ErrorWriteMismatch = 11, // write data and write count disagree, or over 120 bytes
    };
    // What ended the last failed exchange, kept apart for the log and tests.
    enum class Failure {
        None,
        Timeout,
        Gap,
        OverLong,
        PortClosed,
        PortLost,
        WriteFailed,
        BadRequest,
        Terminated
    };

    // Creates the framer on the port (the program's serial port unless one is
    // given) and sets the line to 9600 baud, 8 data bits, no parity, 1 stop
    // bit. The port is not opened. log may be null.
    explicit TMop(LogSink* log, std::unique_ptr<SerialPort> port = nullptr);
    ~TMop();
    TMop(const TMop&) = delete;
    TMop& operator=(const TMop&) = delete;

    // The set-up of the next request; fields not set keep their value. While
    // an exchange runs, the set-up belongs to it: a setter called meanwhile
    // (by a window message handled during the wait, or on another thread)
    // changes nothing.
    void SetHeader(uint8_t v) { Set(&Setup::header, v); }
    void SetAddress1(uint8_t v) { SetAddress(0, v); }
    void SetAddress2(uint8_t v) { SetAddress(1, v); }
    void SetAddress3(uint8_t v) { SetAddress(2, v); }
    void SetAddress4(uint8_t v) { SetAddress(3, v); }
    void SetReadAddress(uint16_t v) { Set(&Setup::readStart, v); }
    void SetReadCount(uint8_t v) { Set(&Setup::readCount, v); }
    void SetWriteAddress(uint16_t v) { Set(&Setup::writeStart, v); }
    void SetWriteCount(uint8_t v) { Set(&Setup::writeCount, v); }
    // Data of the next request, 2 bytes per register, high byte first. It
    // serves one exchange (all its attempts).
    void SetWriteData(const std::string& data);

    // Up to n+1 attempts of one request, 1 ms between them, each sent once
    // the line has been quiet for the send pause (5 ms) since its last
    // activity: only what is left of the pause is slept. The write data is
    // sent with every attempt. Stops early when trying again cannot help
    // (port closed or lost, bad request, terminating). true = failed.
    bool TransactRetry(int n);
    // One request and its answer. true = failed; Status(), Error() and
    // LastFailure() tell why. Never throws.
    bool Transact();
    // One exchange at a time: TransactRetry or Transact called while another
    // exchange runs (nested in its wait, or on another thread) is refused. It
    // fails at once, sends nothing and touches nothing of the running one:
    // its request, its attempts, its answer, Status(), Error(), LastFailure().
    bool Busy() const { return busy_; }

    uint8_t GetResponseHeader() const;
    // First register of the answer's data; returns false (success).
    bool GetResponseAddress(uint32_t& reg) const;
    int8_t GetResponseCount() const { return responseCount_; }
    // The next data word; true (failed, value untouched) once N words are
    // taken, and while an exchange runs.
    bool NextDataWord(uint32_t& value);

    // Drops whatever was received outside an exchange (not during one).
    void ClearReceiveBuffer();

    void SetPort(const std::string& deviceName);
    // Opens the port; a port whose device was lost is closed first.
    void Open();
    void Close();
    bool IsOpen() const;
    // The open port's device went away; the port closes itself soon after.
    bool PortLost() const { return port_->Lost(); }
    // Called once per loss of the open port's device, on the port's thread,
    // with the port's name and whether an exchange was running (which then
    // fails with Failure::PortLost and tells its caller).
    using PortLostHandler = std::function<void(const std::string& portName, bool duringExchange)>;
    void SetOnPortLost(PortLostHandler handler);

    // The line's last activity: the last request handed to the port, the
    // last bytes received (the end of an answer) or the port's opening,
    // whichever came last.
    ModBus::Clock::time_point LastLineActivity();
    // What is left of the send pause at `now` when the line was last active
    // at lastActivity: the pause less the time since, nothing once it passed.
    static ModBus::Clock::duration SendPauseLeft(ModBus::Clock::time_point lastActivity,
                                                 ModBus::Clock::time_point now);

    uint8_t Status() const { return status_; }
    uint8_t Error() const { return error_; }
    Failure LastFailure() const { return failure_; }
    const std::string& Request() const { return request_; }

    // Tests shorten the answer time-out; the program keeps 1600 ms.
    void SetResponseTimeout(uint32_t ms) { responseTimeoutMs_ = ms; }
    void SetGapLimit(uint32_t ms) { framer_->SetGapLimit(ms); }

    SerialPort& Port() { return *port_; }

private:
    // The fields of a request as the setters leave them.
    struct Setup {
        uint8_t header = mop::requestHeader;
        uint8_t address[4] = {0, 0, 0, 0};
        uint16_t readStart = 0;
        uint8_t readCount = 0;
        uint16_t writeStart = 0;
        uint8_t writeCount = 0;
        std::string writeData;
        int mode = -1; // 0: write data set; -1: none
    };

    template <class T> void Set(T Setup::*field, T value) {
        std::lock_guard lock(setupMutex_);
        if (!busy_)
            setup_.*field = value;
    }
    void SetAddress(int i, uint8_t value);
    // Takes the set-up for an exchange (using up the write data) and marks
    // the object busy; false when another exchange runs.
    bool BeginExchange();
    // One attempt of the exchange that runs.
    bool Attempt();
    // Sleeps what is left of the send pause.
    void WaitForQuietLine();

    // The steps of an attempt; each true = failed, with status, error and
    // failure set.
    // Lays out the request of the exchange in frame_ and request_.
    bool BuildRequest();
    // Empties the port's buffers and sends request_.
    bool SendRequest();
    // Waits for a fitting answer up to the answer time-out, handling window
    // messages meanwhile when on the main thread, sleeping until the answer,
    // a message or the deadline comes. Answers that do not fit are logged
    // and waited past.
    bool AwaitAnswer();
    // Checks that a received frame answers the request (its length, header,
    // address and first register) and puts it into frame_. true = it does
    // not (logged, error_ set, frame_ untouched).
    bool CheckAnswer(const std::string& frame);
    // Whether a wait that brought no frame ends the exchange: the port is
    // lost, the frame broke off or grew too long, or the deadline passed.
    bool WaitFailed(const ModBus::Snapshot& s, ModBus::Clock::time_point deadline);
    // Hands out the answer's data words and marks the exchange successful.
    void TakeAnswer();

    bool CheckResponseHeader(const std::string& frame) const; // true = bad; 8 bytes at least
    void LogUnknownRecord(const std::string& frame);
    bool Fail(uint8_t status, Failure failure);
    void PortWentAway();
    // The port's device went away: logged once per exchange, never retried.
    bool FailPortLost();

    LogSink* log_;
    std::unique_ptr<SerialPort> port_;
    std::unique_ptr<ModBus> framer_;

    std::mutex setupMutex_; // guards setup_ and the start of an exchange
    Setup setup_;           // what the setters left for the next exchange
    Setup exchange_;        // the request of the exchange that runs (or ran last)
    std::atomic<bool> busy_{false};

    std::mutex handlerMutex_;
    PortLostHandler onPortLost_;

    std::string request_;
    unsigned char frame_[mop::frameBufferBytes] = {};
    size_t cursor_ = 8;
    int8_t responseCount_ = 0;
    int8_t wordsTaken_ = 0;
    uint32_t responseTimeoutMs_ = mop::responseTimeoutMs;
    std::atomic<uint8_t> status_{StatusOk};
    std::atomic<uint8_t> error_{ErrorNone};
    std::atomic<Failure> failure_{Failure::None};
    std::atomic<ModBus::Clock::time_point> lineActive_{}; // the last request sent or the opening
};
