#include "link/Mop.h"

#include "platform/Application.h"
#include "platform/LogSink.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace {

std::string HexBytes(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char b : bytes) {
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 15]);
    }
    return out;
}

} // namespace

TMop::TMop(LogSink* log, std::unique_ptr<SerialPort> port)
    : log_(log), port_(port ? std::move(port) : MakeComPort()) {
    framer_ = std::make_unique<ModBus>(*port_);
    framer_->SetGapLimit(mop::gapLimitMs);
    framer_->SetOnLost([this] { PortWentAway(); });
    port_->SetBaudRate(br9600);
    port_->SetDataBits(db8);
    port_->SetStopBits(sb1);
    port_->SetParity(paNone);
}

TMop::~TMop() {
    framer_.reset();
    try {
        port_->Close();
    } catch (...) {
    }
}

void TMop::SetOnPortLost(PortLostHandler handler) {
    std::lock_guard lock(handlerMutex_);
    onPortLost_ = std::move(handler);
}

void TMop::PortWentAway() {
    PortLostHandler handler;
    {
        std::lock_guard lock(handlerMutex_);
        handler = onPortLost_;
    }
    if (handler)
        handler(port_->DeviceName(), busy_);
}

bool TMop::Fail(uint8_t status, Failure failure) {
    status_ = status;
    failure_ = failure;
    return true;
}

void TMop::SetWriteData(const std::string& data) {
    std::lock_guard lock(setupMutex_);
    if (busy_)
        return;
    setup_.writeData = data;
    setup_.mode = 0;
}

void TMop::SetAddress(int i, uint8_t value) {
    std::lock_guard lock(setupMutex_);
    if (!busy_)
        setup_.address[i] = value;
}

bool TMop::BeginExchange() {
    std::lock_guard lock(setupMutex_);
    if (busy_)
        return false;
    busy_ = true;
    exchange_ = setup_;
    // The write data serves this one exchange.
    setup_.writeData.clear();
    setup_.mode = -1;
    return true;
}

namespace {

// Ends the exchange that runs on every way out.
struct ExchangeEnd {
    std::atomic<bool>& busy;
    ~ExchangeEnd() { busy = false; }
};

} // namespace

bool TMop::TransactRetry(int n) {
    if (!BeginExchange())
        return true;
    const ExchangeEnd end{busy_};
    bool failed = true;
    for (int attempt = 1;; ++attempt) {
        WaitForQuietLine();
        if (Application().Terminated()) {
            failed = Fail(status_, Failure::Terminated);
            break;
        }
        failed = Attempt();
        if (!failed)
            break;
        // Nothing will change for these by trying again.
        if (failure_ == Failure::PortClosed || failure_ == Failure::PortLost ||
            failure_ == Failure::BadRequest || failure_ == Failure::Terminated)
            break;
        if (attempt > n)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(mop::retryPauseMs));
    }
    return failed;
}

bool TMop::Transact() {
    if (!BeginExchange())
        return true;
    const ExchangeEnd end{busy_};
    return Attempt();
}

ModBus::Clock::duration TMop::SendPauseLeft(ModBus::Clock::time_point lastActivity,
                                            ModBus::Clock::time_point now) {
    const ModBus::Clock::duration pause = std::chrono::milliseconds(mop::preSendPauseMs);
    const ModBus::Clock::duration since = now - lastActivity;
    if (since <= ModBus::Clock::duration::zero())
        return pause;
    return since >= pause ? ModBus::Clock::duration::zero() : pause - since;
}

ModBus::Clock::time_point TMop::LastLineActivity() {
    return std::max(lineActive_.load(), framer_->LastReceived());
}

void TMop::WaitForQuietLine() {
    const ModBus::Clock::duration left = SendPauseLeft(LastLineActivity(), ModBus::Clock::now());
    if (left > ModBus::Clock::duration::zero())
        std::this_thread::sleep_for(left);
}

bool TMop::Attempt() {
    wordsTaken_ = 0;
    std::memset(frame_, 0, sizeof frame_);
    failure_ = Failure::None;
    if (BuildRequest() || SendRequest() || AwaitAnswer())
        return true;
    TakeAnswer();
    return false;
}

bool TMop::BuildRequest() {
    const Setup& r = exchange_;
    frame_[0] = r.header;
    frame_[1] = r.address[0];
    frame_[2] = r.address[1];
    frame_[3] = r.address[2];
    frame_[4] = r.address[3];
    frame_[5] = static_cast<unsigned char>(r.readStart >> 8);
    frame_[6] = static_cast<unsigned char>(r.readStart & 0xFF);
    frame_[7] = r.readCount;
    frame_[8] = static_cast<unsigned char>(r.writeStart >> 8);
    frame_[9] = static_cast<unsigned char>(r.writeStart & 0xFF);
    frame_[10] = r.writeCount;
    size_t length = mop::requestHeadLength;

    if (r.mode == 0) {
        if (r.writeData.empty() && static_cast<int8_t>(r.writeCount) > 0) {
            error_ = ErrorNoWriteData;
            return Fail(status_, Failure::BadRequest);
        }
        // Count and data must agree; a longer request is refused, never cut.
        if (r.writeData.size() > static_cast<size_t>(mop::maxWriteDataBytes) ||
            r.writeData.size() != static_cast<size_t>(r.writeCount) * 2) {
            error_ = ErrorWriteMismatch;
            return Fail(status_, Failure::BadRequest);
        }
        std::memcpy(frame_ + length, r.writeData.data(), r.writeData.size());
        length += r.writeData.size();
    } else if (r.writeCount > 0) {
        error_ = ErrorNoWriteData;
        return Fail(status_, Failure::BadRequest);
    }

    request_.assign(reinterpret_cast<const char*>(frame_), length);
    return false;
}

bool TMop::FailPortLost() {
    if (log_)
        log_->Write("RS232 connection lost on port " + port_->DeviceName());
    return Fail(StatusPortClosed, Failure::PortLost);
}

bool TMop::SendRequest() {
    framer_->ClearFlags();
    if (!port_->GetActive())
        return Fail(StatusPortClosed, Failure::PortClosed);
    // Lost and not yet closed: as lost as during the wait.
    if (port_->Lost())
        return FailPortLost();
    try {
        // Nothing stale may be taken for the answer.
        port_->PurgeQueues();
        framer_->Send(request_);
        lineActive_ = ModBus::Clock::now();
    } catch (const EComError& e) {
        if (port_->Lost())
            return FailPortLost();
        if (log_)
            log_->Write("RS232 write failed: " + std::string(e.what()));
        return Fail(StatusPortClosed, Failure::WriteFailed);
    }
    return false;
}

bool TMop::AwaitAnswer() {
    const auto deadline = ModBus::Clock::now() + std::chrono::milliseconds(responseTimeoutMs_);
    std::memset(frame_, 0, sizeof frame_);

    // On the main thread the windows stay alive: window messages are handled
    // while the answer is awaited, and the framer wakes the wait when the
    // answer is complete or broken or the port is lost. Other threads sleep
    // on the framer alone.
    const bool pump = TApplication::HandlesMessagesHere();
    for (;;) {
        if (Application().Terminated())
            return Fail(status_, Failure::Terminated);
        const ModBus::Snapshot s =
            pump ? framer_->WaitHandlingMessages(deadline) : framer_->WaitUntil(deadline);
        if (s.complete) {
            // An answer that does not fit is logged and waited past.
            if (!CheckAnswer(framer_->TakeFrame()))
                return false;
        } else if (WaitFailed(s, deadline)) {
            return true;
        }
    }
}

bool TMop::CheckAnswer(const std::string& frame) {
    const auto at = [&frame](size_t i) { return static_cast<unsigned char>(frame[i]); };
    const bool wellFormed = frame.size() >= 8 && frame.size() <= sizeof frame_ &&
                            frame.size() == 8 + 2 * static_cast<size_t>(at(7));
    if (!wellFormed || CheckResponseHeader(frame)) {
        error_ = ErrorBadResponse;
        LogUnknownRecord(frame);
        return true;
    }
    const uint32_t first = (static_cast<uint32_t>(at(5)) << 8) | at(6);
    if (first != exchange_.readStart) {
        error_ = ErrorBadResponse;
        LogUnknownRecord(frame);
        if (log_)
            log_->Write("Oben ist die LeseAdr false! erwartet wurde Adr: " +
                        std::to_string(exchange_.readStart));
        return true;
    }
    std::memcpy(frame_, frame.data(), frame.size());
    return false;
}

bool TMop::WaitFailed(const ModBus::Snapshot& s, ModBus::Clock::time_point deadline) {
    if (s.lost)
        return FailPortLost();
    if (s.fault == MopFrameAssembler::Fault::OverLong) {
        error_ = ErrorOverLong;
        return Fail(StatusTimeout, Failure::OverLong);
    }
    if (s.fault != MopFrameAssembler::Fault::None)
        return Fail(StatusTimeout, Failure::Gap);
    if (ModBus::Clock::now() >= deadline)
        return Fail(StatusTimeout, Failure::Timeout);
    return false;
}

void TMop::TakeAnswer() {
    const int waiting = port_->InputCount() + static_cast<int>(framer_->LeftoverAtTake());
    if (waiting > 0 && log_) {
        log_->WriteBlankLine();
        log_->Write("\t\tEs sind noch Daten im WindowsBuffer! Anz.: " + std::to_string(waiting));
    }
    responseCount_ = static_cast<int8_t>(frame_[7]);
    cursor_ = 8;
    wordsTaken_ = 0;
    error_ = ErrorNone;
    status_ = StatusOk;
    failure_ = Failure::None;
}

bool TMop::CheckResponseHeader(const std::string& frame) const {
    const auto at = [&frame](size_t i) { return static_cast<unsigned char>(frame[i]); };
    const uint8_t* address = exchange_.address;
    return at(0) != mop::responseHeader || at(2) != address[0] || at(3) != address[1] ||
           at(4) != address[2] || at(1) != address[3];
}

void TMop::LogUnknownRecord(const std::string& frame) {
    if (!log_)
        return;
    log_->WriteBlankLine();
    log_->Write("\tUnbekanter DatenSatz:\t" + HexBytes(frame));
}

uint8_t TMop::GetResponseHeader() const {
    return frame_[0];
}

bool TMop::GetResponseAddress(uint32_t& reg) const {
    reg = (static_cast<uint32_t>(frame_[5]) << 8) | frame_[6];
    return false;
}

bool TMop::NextDataWord(uint32_t& value) {
    // The answer of a running exchange is not there yet.
    if (busy_)
        return true;
    // The count is a signed byte: an answer of 128 or more words hands out none.
    if (wordsTaken_ >= responseCount_)
        return true;
    if (cursor_ + 1 >= sizeof frame_)
        return true;
    value = (static_cast<uint32_t>(frame_[cursor_]) << 8) | frame_[cursor_ + 1];
    cursor_ += 2;
    ++wordsTaken_;
    return false;
}

void TMop::ClearReceiveBuffer() {
    if (busy_)
        return;
    framer_->ClearFlags();
    if (!port_->GetActive())
        return;
    try {
        port_->PurgeInput();
    } catch (const EComError&) {
    }
}

void TMop::SetPort(const std::string& deviceName) {
    port_->SetDeviceName(deviceName);
}

void TMop::Open() {
    status_ = StatusOk;
    try {
        if (port_->Lost())
            port_->Close();
        if (!port_->GetActive()) {
            port_->Open();
            lineActive_ = ModBus::Clock::now();
        }
    } catch (const std::exception& e) {
        status_ = StatusOpenFailed;
        if (log_)
            log_->Write(e.what());
    }
}

void TMop::Close() {
    status_ = StatusOk;
    try {
        port_->Close();
    } catch (const std::exception&) {
        status_ = StatusCloseFailed;
    }
}

bool TMop::IsOpen() const {
    return port_->GetActive();
}
