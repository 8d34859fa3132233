#pragma once
// The program's serial port on a POSIX terminal device (termios).
//
// TCustomComPort holds all behaviour; TComPort only derives from it. The port
// opens its device exclusively, sets a raw line (no echo, no flow control,
// reads never block) and, while open with a receive handler set, runs one
// event thread. That thread waits in poll() for input or a wake-up, reads every
// byte that arrived and hands them to the receive handler on itself. After
// bytes came, its wait for the next ones lasts at most the quiet interval,
// counted from the end of that receive event; a wait that times out is
// reported once through the quiet handler, so a pause is measured on the
// line, not by when the program got round to look. When the receive handler
// tells that it needs more bytes (ExpectBytes), the thread first lets their
// time on the line pass (see PlanReceiveBatch) and then reads them at once,
// so an answer costs a few wake-ups instead of one per byte. When
// the device goes away (hang-up, unplug, I/O error) the thread reports it once
// through the lost handler, marks the port lost, asks the application's
// thread to close the port and ends.
//
// Threads: construct, Open, Close, the setters and destruction belong to one
// owning thread (the application's thread). ReadString, InputCount, Write and
// the purge/clear operations may also be called from the handlers on the event
// thread or from one other worker, as long as the port stays open meanwhile.
// Close and SetOnRxChar wait for a running handler to return, so a handler
// must never wait for the owning thread.

#include "link/SerialPort.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// The device path for a port name, or "" when the name is not valid:
// a name beginning with "/" is returned unchanged; "COMn" (n >= 1, "com" in
// any case) and "\\.\COMn" give /dev/ttyS<n-1>. Pure; never throws.
std::string DevicePathFor(const std::string& name);

// The time of one byte on a line of `rate` baud: start bit, data bits, parity
// bit, stop bits. 0 for a rate of 0 or less (not known). Pure.
std::int64_t LineByteTimeNs(int rate, int dataBits, bool parity, int stopBits);

// How long the event thread lets the line run after a receive event whose
// handler still needs `expected` bytes, before it reads again: their time at
// byteNs each, less the last one's when they complete what the handler waits
// for (that one is taken as it comes, so that a completed frame is seen no
// later than without the wait), but at most half the quiet interval (20 ms
// without one), so that a pause on the line is still seen in time; with the
// number of bytes that wait holds. No wait (0, 0) when it would hold fewer
// than two bytes or the byte time is not known: the next byte is then taken
// as it comes.
struct ReceiveBatch {
    std::chrono::nanoseconds wait{0};
    std::size_t bytes = 0;
};
ReceiveBatch PlanReceiveBatch(std::size_t expected, bool completes, std::int64_t byteNs,
                              std::chrono::milliseconds quiet);

class TCustomComPort : public SerialPort {
public:
    // A closed port named "COM1" with every line setting "Default" (keep the
    // driver's value) and no handlers.
    TCustomComPort();
    // Closes the port (stops the event thread, restores the line). Never throws.
    ~TCustomComPort() override;

    TCustomComPort(const TCustomComPort&) = delete;
    TCustomComPort& operator=(const TCustomComPort&) = delete;

    // Stores the name when it differs. Throws EComError(0, "Can't perform this
    // operation on an open port") when the port is open and the name differs;
    // the name is then unchanged. Names are checked by Open, not here.
    void SetDeviceName(const std::string& name) override;
    // The name as set ("COM1" by default), not the device path.
    std::string DeviceName() const override;

    // Each setter stores the value when it differs and, while open, re-applies
    // the whole line at once. Throws EComError when the driver refuses the line
    // or reads back something else; the setting then keeps its previous value
    // and the previous line is restored as far as the driver allows. A value
    // the platform cannot express (4 data bits, a rate with no termios speed,
    // 1.5 stop bits with more than 5 data bits) is refused the same way.
    void SetBaudRate(TBaudRate rate) override;
    void SetDataBits(TDataBits bits) override;
    void SetParity(TParity parity) override;
    void SetStopBits(TStopBits bits) override;
    TBaudRate GetBaudRate() const { return baudRate_; }
    TDataBits GetDataBits() const { return dataBits_; }
    TParity GetParity() const { return parity_; }

    // Does nothing when active. Opens the device exclusively, saves its line
    // settings, applies the raw line with the stored settings, checks them by
    // reading them back, empties both queues and starts the event thread when
    // a receive handler is set. Throws EComError(errno, text naming the device
    // and the system's message) on any failure, or EComError(0, ...) for an
    // invalid name; the port is then closed with nothing left open.
    void Open() override;
    // Does nothing when closed. Stops the event thread, restores the line
    // settings saved by Open, releases the device. Called on the event thread
    // (from a handler) it only schedules the close on the application's thread
    // and returns. Never throws, also when the device has vanished.
    void Close() override;
    // True from a successful Open until Close, also after the device was lost.
    bool GetActive() const override;
    bool Lost() const override { return lost_; }

    // Empty the receive queue and the driver's input queue. Nothing when closed.
    void PurgeInput() override;
    void ClearInput() override;
    // Empty the driver's output queue. Nothing when closed.
    void PurgeOutput() override;
    void ClearOutput() override;
    // Both at once (one call into the driver). Nothing when closed.
    void PurgeQueues() override;
    // Bytes received and not yet read or handed to the receive handler. 0
    // when closed. Never throws.
    int InputCount() override;
    // Everything received up to now and not handed to the receive handler,
    // without waiting; "" when nothing waits.
    // Throws EComError(0, "Can't perform this operation on a closed port") when
    // closed, EComError(errno, ...) after the device was lost.
    std::string ReadString() override;
    // Writes all count bytes, retrying partial and interrupted writes; with
    // wait, also waits until the driver has sent them. Throws EComError when
    // closed or lost, on a write error, or EComError(0, "Timeout") when the
    // device accepts nothing for writeStallLimitMs.
    void Write(const char* buffer, int count, bool wait) override;

    // Installs the receive handler. On an open port an empty handler stops the
    // event thread and a handler starts it (EComError(0, "Can't create thread")
    // when that fails; the handler stays installed).
    void SetOnRxChar(RxHandler handler) override;
    // Installs the quiet handler and its interval; takes effect at the event
    // thread's next wait.
    void SetOnQuiet(uint32_t intervalMs, QuietHandler handler) override;
    // Installs the handler called once, on the event thread, when the device
    // is lost.
    void SetOnLost(LostHandler handler) override;
    // From the receive handler on the event thread: the wait after this
    // receive event first lets the time of these bytes pass (see
    // PlanReceiveBatch). Ignored elsewhere.
    void ExpectBytes(std::size_t count, bool completes) override;

    // The longest time Write waits for the device to accept more bytes.
    static constexpr int writeStallLimitMs = 2000;

private:
    struct Session;

    void ApplyCurrentLine();
    // Sleeps until `until` unless woken to end; false when woken.
    static bool SleepUnlessWoken(int wakeFd, std::chrono::steady_clock::time_point until);
    template <typename T> void ChangeSetting(T& member, T value);
    void StartEventThread();
    void StopEventThread();
    void RunEventThread(int fd, std::string path, int wakeFd, std::weak_ptr<void> token);
    bool ReadAvailable(int fd, bool afterPollIn, int& failure, std::string& into);
    void Dispatch(std::string bytes);
    void ReportLost(int code, const std::string& path, const std::weak_ptr<void>& token);
    void ScheduleClose(std::weak_ptr<void> token);
    void ThrowIfUnusable() const;
    bool OnEventThread() const;

    std::string deviceName_ = "COM1";
    TBaudRate baudRate_ = brDefault;
    TDataBits dataBits_ = dbDefault;
    TParity parity_ = paDefault;
    TStopBits stopBits_ = sbDefault;

    // The open device; nullptr while closed. Replaced only by Open and Close
    // on the owning thread while no event thread runs.
    std::unique_ptr<Session> session_;
    std::atomic<bool> active_{false};
    std::atomic<bool> lost_{false};
    std::atomic<std::int64_t> byteNs_{0}; // one byte on the line as set; 0: not known

    std::thread eventThread_;
    std::atomic<std::thread::id> eventThreadId_{}; // set by the event thread itself
    int wakeFd_ = -1;                              // wakes the event thread to end it

    // What ExpectBytes said during the last receive event (event thread only).
    std::size_t expected_ = 0;
    bool expectedCompletes_ = false;

    mutable std::mutex rxMutex_; // guards rxQueue_ and reads from the device
    std::string rxQueue_;        // read by the event thread while no handler was set

    mutable std::mutex handlerMutex_; // guards the handlers, quietMs_ and lostError_
    RxHandler onRxChar_;
    QuietHandler onQuiet_;
    uint32_t quietMs_ = 0;
    LostHandler onLost_;
    int lostCode_ = 0;
    std::string lostMessage_;
};

class TComPort : public TCustomComPort {
public:
    using TCustomComPort::TCustomComPort;
};
