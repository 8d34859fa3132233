#pragma once
// The serial port as the protocol object sees it. TComPort (termios) is the
// program's implementation; tests supply in-memory ports.

#include "link/ComTypes.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class SerialPort {
public:
    // Called with the bytes of every receive event, on the port's event
    // thread (or on the thread that feeds a test port). Every byte is handed
    // over once: what the handler does not keep is gone, and ReadString does
    // not see it again. Handlers must be thread-safe.
    using RxHandler = std::function<void(const std::string& bytes)>;
    // Called when the line stayed quiet for the quiet interval after bytes
    // had come: the event thread waited that long and no byte came. Once per
    // pause, on the same thread as the receive handler. The program's own
    // pauses (a handler that takes long, a busy machine) never count.
    using QuietHandler = std::function<void()>;
    // Called once when the open port fails for good (hang-up, device gone,
    // POLLERR), on the event thread, before the port closes itself.
    using LostHandler = std::function<void(const EComError&)>;

    virtual ~SerialPort() = default;

    // Throws EComError "Can't perform this operation on an open port" while open.
    virtual void SetDeviceName(const std::string& name) = 0;
    virtual std::string DeviceName() const = 0;

    // Store the value; while open the line is re-applied at once (EComError on failure).
    virtual void SetBaudRate(TBaudRate rate) = 0;
    virtual void SetDataBits(TDataBits bits) = 0;
    virtual void SetParity(TParity parity) = 0;
    virtual void SetStopBits(TStopBits bits) = 0;

    // Open does nothing when active; throws EComError and stays closed on failure.
    virtual void Open() = 0;
    // Close does nothing when closed; never throws for an already vanished device.
    virtual void Close() = 0;
    virtual bool GetActive() const = 0;
    // True from the loss of the open device (before the lost handler runs)
    // until Close; transfers then throw EComError.
    virtual bool Lost() const = 0;

    // The queue operations do nothing on a closed port.
    virtual void PurgeInput() = 0;
    virtual void ClearInput() = 0;
    virtual void PurgeOutput() = 0;
    virtual void ClearOutput() = 0;
    // PurgeInput and PurgeOutput at once.
    virtual void PurgeQueues() {
        PurgeInput();
        PurgeOutput();
    }
    // Bytes waiting in the input queue; 0 on a closed port.
    virtual int InputCount() = 0;
    // Everything waiting now and not handed to the receive handler, without
    // blocking; "" when nothing waits. Throws EComError on a closed port.
    virtual std::string ReadString() = 0;
    // Writes count bytes; with wait, returns when they are handed to the driver.
    // Throws EComError on a closed port or a failed write.
    virtual void Write(const char* buffer, int count, bool wait) = 0;

    virtual void SetOnRxChar(RxHandler handler) = 0;
    // The quiet interval in ms and its handler; 0 or no handler: no reports.
    virtual void SetOnQuiet(uint32_t intervalMs, QuietHandler handler) = 0;
    virtual void SetOnLost(LostHandler handler) = 0;

    // Called by the receive handler during a receive event: what it received
    // so far needs count more bytes before it can be acted on (0: any byte
    // counts); with completes, exactly those, the last of which is to be
    // handed over as soon as it comes, else at least those. A port whose
    // thread reads as bytes come may then let their time on the line pass
    // before it reads again, so that an answer costs a few wake-ups rather
    // than one per byte; pauses are reported as before. Ports that deliver
    // otherwise ignore it.
    virtual void ExpectBytes(std::size_t count, bool completes) {
        (void)count;
        (void)completes;
    }
};

// The program's real port (TComPort), closed, with device name "COM1".
std::unique_ptr<SerialPort> MakeComPort();
