// The serial port on a POSIX terminal device. See ComPort.h for the contract.
#include "link/ComPort.h"

#include "platform/Numbers.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <optional>
#include <system_error>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

const char* const closedPortText = "Can't perform this operation on a closed port";
const char* const openPortText = "Can't perform this operation on an open port";
const char* const threadFailureText = "Can't create thread";

// strerror_r comes in two flavours; both are handled by overload.
[[maybe_unused]] const char* PickText(const char* result, const char*) {
    return result;
}
[[maybe_unused]] const char* PickText(int, const char* buffer) {
    return buffer;
}

std::string SystemText(int code) {
    char buffer[256] = {};
    return PickText(strerror_r(code, buffer, sizeof buffer), buffer);
}

// Arguments are plain pointers and references so that errno is read before
// anything allocates.
EComError SystemError(int code, const char* what, const std::string& subject = "") {
    return EComError(code, what + subject + ": " + SystemText(code));
}

EComError OpenError(int code, const std::string& path) {
    std::string message = "Can't open " + path + ": " + SystemText(code);
    if (code == EACCES) {
        message += ". The user must be a member of the 'dialout' group to use serial ports";
    } else if (code == EBUSY || code == EWOULDBLOCK) {
        message += ". The port is in use by another program";
    }
    return EComError(code, message);
}

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    const std::size_t length = std::strlen(prefix);
    if (text.size() < length) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        const char c = text[i] >= 'A' && text[i] <= 'Z' ? char(text[i] - 'A' + 'a') : text[i];
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

const struct {
    int rate;
    speed_t speed;
} speedTable[] = {{50, B50},       {75, B75},       {110, B110},      {150, B150},
                  {300, B300},     {600, B600},     {1200, B1200},    {1800, B1800},
                  {2400, B2400},   {4800, B4800},   {9600, B9600},    {19200, B19200},
                  {38400, B38400}, {57600, B57600}, {115200, B115200}};

// The termios speed for a rate; false when termios has none for it.
bool SpeedFor(int rate, speed_t& speed) {
    for (const auto& entry : speedTable) {
        if (entry.rate == rate) {
            speed = entry.speed;
            return true;
        }
    }
    return false;
}

// One byte on the line as the driver holds it; 0 when its rate is not known.
std::int64_t ByteTimeNs(const termios& t) {
    const speed_t speed = cfgetispeed(&t);
    int rate = 0;
    for (const auto& entry : speedTable) {
        if (entry.speed == speed) {
            rate = entry.rate;
        }
    }
    int dataBits = 8;
    switch (t.c_cflag & CSIZE) {
    case CS5:
        dataBits = 5;
        break;
    case CS6:
        dataBits = 6;
        break;
    case CS7:
        dataBits = 7;
        break;
    default:
        break;
    }
    return LineByteTimeNs(rate, dataBits, (t.c_cflag & PARENB) != 0,
                          (t.c_cflag & CSTOPB) != 0 ? 2 : 1);
}

struct LineRequest {
    TBaudRate baudRate;
    TDataBits dataBits;
    TParity parity;
    TStopBits stopBits;
};

// The raw line with the requested settings on top of the driver's current
// ones; "Default" members keep what the driver has. Throws for values that
// have no termios form.
termios BuildLine(const termios& current, const LineRequest& line, const std::string& path) {
    termios t = current;
    const tcflag_t framing = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;
    cfmakeraw(&t);
    // cfmakeraw forces 8 data bits without parity; "Default" means the driver's value.
    t.c_cflag = (t.c_cflag & ~framing) | (current.c_cflag & framing);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~CRTSCTS;
    t.c_iflag &= ~(IXOFF | IXANY | INPCK);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;

    if (line.baudRate != brDefault) {
        speed_t speed = 0;
        if (!SpeedFor(BaudRateValue(line.baudRate), speed)) {
            throw EComError(0, "Baud rate " + std::to_string(BaudRateValue(line.baudRate)) +
                                   " is not supported on " + path);
        }
        cfsetispeed(&t, speed);
        cfsetospeed(&t, speed);
    }
    if (line.dataBits != dbDefault) {
        tcflag_t size = CS8;
        switch (line.dataBits) {
        case db5:
            size = CS5;
            break;
        case db6:
            size = CS6;
            break;
        case db7:
            size = CS7;
            break;
        case db8:
            size = CS8;
            break;
        default:
            throw EComError(0, "4 data bits are not supported on " + path);
        }
        t.c_cflag = (t.c_cflag & ~CSIZE) | size;
    }
    if (line.parity != paDefault) {
        t.c_cflag &= ~(PARENB | PARODD | CMSPAR);
        switch (line.parity) {
        case paOdd:
            t.c_cflag |= PARENB | PARODD;
            break;
        case paEven:
            t.c_cflag |= PARENB;
            break;
        case paMark:
            t.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case paSpace:
            t.c_cflag |= PARENB | CMSPAR;
            break;
        default:
            break;
        }
    }
    if (line.stopBits == sb1) {
        t.c_cflag &= ~CSTOPB;
    } else if (line.stopBits == sb2) {
        t.c_cflag |= CSTOPB;
    } else if (line.stopBits == sb1_5) {
        // The UART sends 1.5 stop bits for "two" only at 5 data bits.
        if ((t.c_cflag & CSIZE) != CS5) {
            throw EComError(0, "1.5 stop bits need 5 data bits on " + path);
        }
        t.c_cflag |= CSTOPB;
    }
    return t;
}

// Sets the line and reads it back; throws when the driver refuses it or keeps
// something else than what was asked for. Returns the time of one byte on
// the line as set (0 when its rate is not known).
std::int64_t ApplyLineTo(int fd, const LineRequest& line, const std::string& path) {
    termios current{};
    if (tcgetattr(fd, &current) != 0) {
        throw SystemError(errno, "Can't read the line settings of ", path);
    }
    const termios wanted = BuildLine(current, line, path);
    if (tcsetattr(fd, TCSANOW, &wanted) != 0) {
        throw SystemError(errno, "Can't set the line settings of ", path);
    }
    termios actual{};
    if (tcgetattr(fd, &actual) != 0) {
        throw SystemError(errno, "Can't read the line settings of ", path);
    }
    const tcflag_t checked = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CLOCAL | CREAD | CRTSCTS;
    const tcflag_t rawLocal = ICANON | ECHO | ISIG | IEXTEN;
    const bool same = (actual.c_cflag & checked) == (wanted.c_cflag & checked) &&
                      (actual.c_lflag & rawLocal) == 0 && (actual.c_oflag & OPOST) == 0 &&
                      actual.c_cc[VMIN] == 0 && actual.c_cc[VTIME] == 0 &&
                      cfgetispeed(&actual) == cfgetispeed(&wanted) &&
                      cfgetospeed(&actual) == cfgetospeed(&wanted);
    if (!same) {
        throw EComError(0, "Can't set the line settings of " + path +
                               ": the driver keeps other values");
    }
    return ByteTimeNs(actual);
}

} // namespace

// One open device: everything Open acquired, released in reverse order.
struct TCustomComPort::Session {
    std::string path;
    int fd = -1;
    bool locked = false;
    bool exclusive = false;
    bool saved = false;
    termios original{};
    // Queued closes hold a weak reference; it expires when this device is released.
    std::shared_ptr<int> token = std::make_shared<int>(0);

    Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() {
        if (fd < 0) {
            return;
        }
        // Errors are ignored: the device may have vanished.
        if (saved) {
            tcsetattr(fd, TCSANOW, &original);
        }
        if (exclusive) {
            ioctl(fd, TIOCNXCL);
        }
        if (locked) {
            flock(fd, LOCK_UN);
        }
        ::close(fd);
    }
};

int BaudRateValue(TBaudRate rate) {
    static const int values[] = {0,     50,    75,    110,   150,   300,    600,    1200,   1800,
                                 2000,  2400,  3600,  4800,  7200,  9600,   10400,  14400,  15625,
                                 19200, 28800, 38400, 56000, 57600, 115200, 128000, 256000, 0};
    static_assert(sizeof values / sizeof values[0] == brCustom + 1);
    return rate >= brDefault && rate <= brCustom ? values[rate] : 0;
}

std::string DevicePathFor(const std::string& name) {
    if (!name.empty() && name[0] == '/') {
        return name;
    }
    std::string rest = name;
    const std::string devicePrefix = "\\\\.\\";
    if (rest.compare(0, devicePrefix.size(), devicePrefix) == 0) {
        rest.erase(0, devicePrefix.size());
    }
    if (!StartsWithNoCase(rest, "com")) {
        return "";
    }
    const std::string digits = rest.substr(3);
    const std::optional<std::uint64_t> number =
        digits.size() <= 3 ? ParseDigits(digits) : std::nullopt;
    if (!number || *number < 1 || *number > 256) {
        return "";
    }
    return "/dev/ttyS" + std::to_string(*number - 1);
}

std::int64_t LineByteTimeNs(int rate, int dataBits, bool parity, int stopBits) {
    if (rate <= 0) {
        return 0;
    }
    const std::int64_t bits = 1 + dataBits + (parity ? 1 : 0) + stopBits;
    return bits * 1000000000LL / rate;
}

ReceiveBatch PlanReceiveBatch(std::size_t expected, bool completes, std::int64_t byteNs,
                              std::chrono::milliseconds quiet) {
    using std::chrono::nanoseconds;
    if (byteNs <= 0 || expected < 2) {
        return {};
    }
    const nanoseconds cap =
        quiet.count() > 0 ? nanoseconds(quiet) / 2 : nanoseconds(std::chrono::milliseconds(20));
    const std::size_t fits = static_cast<std::size_t>(cap.count() / byteNs);
    const std::size_t bytes = std::min(completes ? expected - 1 : expected, fits);
    if (bytes < 2) {
        return {};
    }
    return {nanoseconds(static_cast<std::int64_t>(bytes) * byteNs), bytes};
}

std::unique_ptr<SerialPort> MakeComPort() {
    return std::make_unique<TComPort>();
}

TCustomComPort::TCustomComPort() = default;

TCustomComPort::~TCustomComPort() {
    Close();
}

void TCustomComPort::SetDeviceName(const std::string& name) {
    if (name == deviceName_) {
        return;
    }
    if (active_) {
        throw EComError(0, openPortText);
    }
    deviceName_ = name;
}

std::string TCustomComPort::DeviceName() const {
    return deviceName_;
}

template <typename T> void TCustomComPort::ChangeSetting(T& member, T value) {
    if (member == value) {
        return;
    }
    const T previous = member;
    member = value;
    if (!active_) {
        return;
    }
    try {
        ApplyCurrentLine();
    } catch (...) {
        member = previous;
        try {
            ApplyCurrentLine();
        } catch (const EComError&) {
            // The first error is the one worth reporting.
        }
        throw;
    }
}

void TCustomComPort::SetBaudRate(TBaudRate rate) {
    ChangeSetting(baudRate_, rate);
}
void TCustomComPort::SetDataBits(TDataBits bits) {
    ChangeSetting(dataBits_, bits);
}
void TCustomComPort::SetParity(TParity parity) {
    ChangeSetting(parity_, parity);
}
void TCustomComPort::SetStopBits(TStopBits bits) {
    ChangeSetting(stopBits_, bits);
}

void TCustomComPort::ApplyCurrentLine() {
    byteNs_ = ApplyLineTo(session_->fd, LineRequest{baudRate_, dataBits_, parity_, stopBits_},
                          session_->path);
}

void TCustomComPort::Open() {
    if (active_) {
        return;
    }
    const std::string path = DevicePathFor(deviceName_);
    if (path.empty()) {
        throw EComError(0, "Invalid port name \"" + deviceName_ +
                               "\": expected COM1, COM2, ... or a device path such as "
                               "/dev/ttyUSB0");
    }
    auto session = std::make_unique<Session>();
    session->path = path;
    session->fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (session->fd < 0) {
        throw OpenError(errno, path);
    }
    const int fd = session->fd;
    if (!isatty(fd)) {
        throw EComError(ENOTTY, path + " is not a serial port: " + SystemText(ENOTTY));
    }
    // The lock before the exclusive mode: a refused second opener must not
    // touch the owner's exclusive mode.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        throw OpenError(errno, path);
    }
    session->locked = true;
    if (ioctl(fd, TIOCEXCL) != 0) {
        throw OpenError(errno, path);
    }
    session->exclusive = true;
    if (tcgetattr(fd, &session->original) != 0) {
        throw SystemError(errno, "Can't read the line settings of ", path);
    }
    session->saved = true;
    byteNs_ = ApplyLineTo(fd, LineRequest{baudRate_, dataBits_, parity_, stopBits_}, path);
    if (tcflush(fd, TCIOFLUSH) != 0) {
        throw SystemError(errno, "Can't empty the queues of ", path);
    }

    {
        std::lock_guard<std::mutex> lock(rxMutex_);
        rxQueue_.clear();
    }
    lost_ = false;
    session_ = std::move(session);
    active_ = true;

    bool wantsThread = false;
    {
        std::lock_guard<std::mutex> lock(handlerMutex_);
        wantsThread = static_cast<bool>(onRxChar_);
    }
    if (wantsThread) {
        try {
            StartEventThread();
        } catch (...) {
            active_ = false;
            session_.reset();
            throw;
        }
    }
}

void TCustomComPort::Close() {
    if (!active_) {
        return;
    }
    if (OnEventThread()) {
        ScheduleClose(session_->token);
        return;
    }
    StopEventThread();
    active_ = false;
    session_.reset();
    lost_ = false;
    std::lock_guard<std::mutex> lock(rxMutex_);
    rxQueue_.clear();
}

bool TCustomComPort::GetActive() const {
    return active_;
}

void TCustomComPort::PurgeInput() {
    if (!active_) {
        return;
    }
    std::lock_guard<std::mutex> lock(rxMutex_);
    rxQueue_.clear();
    tcflush(session_->fd, TCIFLUSH);
}

void TCustomComPort::ClearInput() {
    PurgeInput();
}

void TCustomComPort::PurgeQueues() {
    if (!active_) {
        return;
    }
    std::lock_guard<std::mutex> lock(rxMutex_);
    rxQueue_.clear();
    tcflush(session_->fd, TCIOFLUSH);
}

void TCustomComPort::PurgeOutput() {
    if (!active_) {
        return;
    }
    tcflush(session_->fd, TCOFLUSH);
}

void TCustomComPort::ClearOutput() {
    PurgeOutput();
}

int TCustomComPort::InputCount() {
    if (!active_) {
        return 0;
    }
    std::lock_guard<std::mutex> lock(rxMutex_);
    int count = static_cast<int>(rxQueue_.size());
    int waiting = 0;
    if (!lost_ && ioctl(session_->fd, FIONREAD, &waiting) == 0 && waiting > 0) {
        count += waiting;
    }
    return count;
}

std::string TCustomComPort::ReadString() {
    ThrowIfUnusable();
    std::lock_guard<std::mutex> lock(rxMutex_);
    int failure = 0;
    std::string result;
    result.swap(rxQueue_);
    ReadAvailable(session_->fd, false, failure, result);
    if (result.empty() && failure != 0) {
        throw SystemError(failure, "Can't read from ", session_->path);
    }
    return result;
}

void TCustomComPort::Write(const char* buffer, int count, bool wait) {
    ThrowIfUnusable();
    const int fd = session_->fd;
    const std::string& path = session_->path;
    using Clock = std::chrono::steady_clock;
    auto stallEnd = Clock::now() + std::chrono::milliseconds(writeStallLimitMs);
    while (count > 0) {
        const ssize_t written = ::write(fd, buffer, static_cast<std::size_t>(count));
        if (written > 0) {
            buffer += written;
            count -= static_cast<int>(written);
            stallEnd = Clock::now() + std::chrono::milliseconds(writeStallLimitMs);
            continue;
        }
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            throw SystemError(errno, "Can't write to ", path);
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(stallEnd - Clock::now()).count();
        if (left <= 0) {
            throw EComError(0, "Timeout");
        }
        pollfd p{fd, POLLOUT, 0};
        if (poll(&p, 1, static_cast<int>(left)) < 0 && errno != EINTR) {
            throw SystemError(errno, "Can't write to ", path);
        }
        if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) {
            throw SystemError(EIO, "Can't write to ", path);
        }
    }
    if (wait) {
        while (tcdrain(fd) != 0) {
            if (errno != EINTR) {
                throw SystemError(errno, "Can't send the output of ", path);
            }
        }
    }
}

void TCustomComPort::SetOnRxChar(RxHandler handler) {
    bool installed = false;
    {
        std::lock_guard<std::mutex> lock(handlerMutex_);
        onRxChar_ = std::move(handler);
        installed = static_cast<bool>(onRxChar_);
    }
    // From a handler the thread cannot stop itself; the handler just changes.
    if (!active_ || OnEventThread()) {
        return;
    }
    if (!installed) {
        StopEventThread();
    } else if (!lost_) {
        StartEventThread();
    }
}

void TCustomComPort::SetOnQuiet(uint32_t intervalMs, QuietHandler handler) {
    std::lock_guard<std::mutex> lock(handlerMutex_);
    quietMs_ = intervalMs;
    onQuiet_ = std::move(handler);
}

void TCustomComPort::SetOnLost(LostHandler handler) {
    std::lock_guard<std::mutex> lock(handlerMutex_);
    onLost_ = std::move(handler);
}

void TCustomComPort::ExpectBytes(std::size_t count, bool completes) {
    if (OnEventThread()) {
        expected_ = count;
        expectedCompletes_ = completes;
    }
}

void TCustomComPort::StartEventThread() {
    if (eventThread_.joinable()) {
        return;
    }
    const int wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) {
        throw SystemError(errno, threadFailureText);
    }
    try {
        eventThread_ = std::thread(&TCustomComPort::RunEventThread, this, session_->fd,
                                   session_->path, wakeFd, std::weak_ptr<void>(session_->token));
    } catch (const std::system_error& e) {
        ::close(wakeFd);
        throw EComError(e.code().value(), threadFailureText);
    }
    wakeFd_ = wakeFd;
}

void TCustomComPort::StopEventThread() {
    if (!eventThread_.joinable()) {
        return;
    }
    const std::uint64_t one = 1;
    while (::write(wakeFd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
    eventThread_.join();
    eventThreadId_ = std::thread::id();
    ::close(wakeFd_);
    wakeFd_ = -1;
}

bool TCustomComPort::OnEventThread() const {
    return eventThreadId_.load() == std::this_thread::get_id();
}

void TCustomComPort::RunEventThread(int fd, std::string path, int wakeFd,
                                    std::weak_ptr<void> token) {
    const std::thread::id self = std::this_thread::get_id();
    eventThreadId_ = self;
    // Once ended, this thread's id may be reused by another thread.
    struct ForgetId {
        std::atomic<std::thread::id>& id;
        std::thread::id self;
        ~ForgetId() { id.compare_exchange_strong(self, std::thread::id()); }
    } forgetId{eventThreadId_, self};
    using Clock = std::chrono::steady_clock;
    // After bytes came the next wait is bounded by the quiet interval,
    // counted from the end of their receive event; its time-out is a pause
    // on the line (poll() reports bytes that came meanwhile, however late
    // this thread looks).
    bool afterBytes = false;
    Clock::time_point quietFrom{};
    // What the receive handler still needs after the last receive event.
    std::size_t expected = 0;
    bool completes = false;
    // The line's pace: bytes read after a wait for the next byte had just
    // come (at `anchor`); those read since then are due one byte time after
    // another. A wait for more is planned on that pace, not on when this
    // thread got round to read, so late wake-ups do not add up; bytes that
    // come slower than the pace are waited for as they come, and set it anew.
    Clock::time_point anchor{};
    std::size_t sinceAnchor = 0;
    for (;;) {
        QuietHandler quiet;
        std::chrono::milliseconds quietFor{0};
        if (afterBytes) {
            std::lock_guard<std::mutex> lock(handlerMutex_);
            if (onQuiet_ && quietMs_ > 0) {
                quiet = onQuiet_;
                quietFor = std::chrono::milliseconds(quietMs_);
            }
        }
        bool slept = false;
        if (afterBytes) {
            const ReceiveBatch plan = PlanReceiveBatch(expected, completes, byteNs_, quietFor);
            const Clock::time_point due =
                anchor +
                std::chrono::nanoseconds(static_cast<std::int64_t>(sinceAnchor) * byteNs_.load()) +
                plan.wait;
            if (plan.bytes > 0 && due > Clock::now()) {
                if (!SleepUnlessWoken(wakeFd, due)) {
                    return;
                }
                slept = true;
            }
        }
        timespec timeout{};
        const timespec* limit = nullptr;
        if (quiet) {
            const auto left =
                std::max(Clock::duration::zero(), quietFrom + quietFor - Clock::now());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            timeout.tv_sec = static_cast<time_t>(ns / 1000000000);
            timeout.tv_nsec = static_cast<long>(ns % 1000000000);
            limit = &timeout;
        }
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        const int ready = ppoll(fds, 2, limit, nullptr);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            ReportLost(errno, path, token);
            return;
        }
        if (ready == 0) {
            afterBytes = false;
            expected = 0;
            try {
                quiet();
            } catch (...) {
                // A handler's failure is its own; the port keeps receiving.
            }
            continue;
        }
        if (fds[1].revents != 0) {
            return;
        }
        const short events = fds[0].revents;
        std::string bytes;
        int failure = 0;
        if (events & POLLIN) {
            std::lock_guard<std::mutex> lock(rxMutex_);
            ReadAvailable(fd, true, failure, bytes);
        }
        if (!bytes.empty()) {
            if (slept) {
                sinceAnchor += bytes.size();
            } else {
                anchor = Clock::now();
                sinceAnchor = 0;
            }
            expected_ = 0;
            expectedCompletes_ = false;
            Dispatch(std::move(bytes));
            expected = expected_;
            completes = expectedCompletes_;
            afterBytes = true;
            quietFrom = Clock::now();
        }
        if (failure == 0 && (events & (POLLHUP | POLLERR | POLLNVAL))) {
            failure = EIO;
        }
        if (failure != 0) {
            ReportLost(failure, path, token);
            return;
        }
    }
}

bool TCustomComPort::SleepUnlessWoken(int wakeFd, std::chrono::steady_clock::time_point until) {
    for (;;) {
        const auto left = until - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero()) {
            return true;
        }
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        const timespec timeout{static_cast<time_t>(ns / 1000000000),
                               static_cast<long>(ns % 1000000000)};
        pollfd wake{wakeFd, POLLIN, 0};
        const int ready = ppoll(&wake, 1, &timeout, nullptr);
        if (ready > 0) {
            return false;
        }
        // A failed wait ends the sleep: the poll that follows reports it.
        if (ready == 0 || errno != EINTR) {
            return true;
        }
    }
}

// Hands bytes the event thread read to the receive handler; without one they
// wait in the receive queue for ReadString.
void TCustomComPort::Dispatch(std::string bytes) {
    RxHandler handler;
    {
        std::lock_guard<std::mutex> lock(handlerMutex_);
        handler = onRxChar_;
    }
    if (!handler) {
        std::lock_guard<std::mutex> lock(rxMutex_);
        rxQueue_ += bytes;
        return;
    }
    try {
        handler(bytes);
    } catch (...) {
        // A handler's failure is its own; the port keeps receiving.
    }
}

// Appends every byte the device holds to into; rxMutex_ is held. Returns
// whether bytes came. failure is set to an errno when reading failed or when,
// after poll() reported input, the device gives end of file (gone).
bool TCustomComPort::ReadAvailable(int fd, bool afterPollIn, int& failure, std::string& into) {
    char buffer[4096];
    bool received = false;
    bool endSeen = false;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            into.append(buffer, static_cast<std::size_t>(n));
            received = true;
            // A short read took all there was; later bytes wake the poll.
            if (static_cast<std::size_t>(n) < sizeof buffer) {
                return true;
            }
            continue;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                failure = errno;
            }
            return received;
        }
        // A raw line without waiting answers 0 both for "nothing now" and for
        // "device gone". Once poll() said input, look again: if the device
        // still claims input but gives none, it is gone. (Without input now,
        // another reader took the bytes first.)
        if (received || !afterPollIn) {
            return received;
        }
        if (endSeen) {
            failure = EIO;
            return received;
        }
        pollfd p{fd, POLLIN, 0};
        int ready = 0;
        do {
            ready = poll(&p, 1, 0);
        } while (ready < 0 && errno == EINTR);
        if (ready <= 0 || p.revents == 0) {
            return received;
        }
        if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {
            failure = EIO;
            return received;
        }
        endSeen = true;
    }
}

void TCustomComPort::ReportLost(int code, const std::string& path,
                                const std::weak_ptr<void>& token) {
    const EComError error = SystemError(code, "Lost the connection to ", path);
    LostHandler handler;
    {
        std::lock_guard<std::mutex> lock(handlerMutex_);
        lostCode_ = code;
        lostMessage_ = error.what();
        handler = onLost_;
    }
    lost_ = true;
    if (handler) {
        try {
            handler(error);
        } catch (...) {
            // Nothing more to tell: the port closes anyway.
        }
    }
    ScheduleClose(token);
}

void TCustomComPort::ScheduleClose(std::weak_ptr<void> token) {
    QCoreApplication* const application = QCoreApplication::instance();
    if (application == nullptr) {
        return;
    }
    // The token expires when this device is closed or the port is destroyed,
    // so a late call never touches a port that is gone or opened anew.
    QMetaObject::invokeMethod(
        application,
        [this, token = std::move(token)] {
            if (!token.expired()) {
                Close();
            }
        },
        Qt::QueuedConnection);
}

void TCustomComPort::ThrowIfUnusable() const {
    if (!active_) {
        throw EComError(0, closedPortText);
    }
    if (lost_) {
        std::lock_guard<std::mutex> lock(handlerMutex_);
        throw EComError(lostCode_, lostMessage_);
    }
}
