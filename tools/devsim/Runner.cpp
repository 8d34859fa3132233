#include "Runner.h"

#include "Control.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <unistd.h>
#include <utility>

namespace devsim {

namespace {

volatile std::sig_atomic_t signalled = 0;

void onSignal(int) {
    signalled = 1;
}

constexpr std::int64_t nsPerMs = 1000000;
constexpr std::int64_t sendAheadNs = 2 * nsPerMs; // closer than this: sleep to the deadline
constexpr int idlePollMs = 1000;
constexpr int writeRoomWaitMs = 200;
constexpr std::int64_t masterBackoffNs = 50 * nsPerMs;

std::int64_t monoNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

void sleepUntil(std::int64_t dueNs) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(dueNs / 1000000000LL);
    ts.tv_nsec = static_cast<long>(dueNs % 1000000000LL);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
        if (signalled)
            return;
    }
}

std::string timeOfDay() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03ld", local.tm_hour, local.tm_min,
                  local.tm_sec, ts.tv_nsec / 1000000);
    return buf;
}

// A monotonic time in seconds to the microsecond, for the log.
std::string monoText(std::int64_t ns) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lld.%06lld", static_cast<long long>(ns / 1000000000LL),
                  static_cast<long long>(ns % 1000000000LL / 1000));
    return buf;
}

int ceilMs(std::int64_t ns) {
    if (ns <= 0)
        return 0;
    return static_cast<int>(std::min<std::int64_t>((ns + nsPerMs - 1) / nsPerMs, idlePollMs));
}

void printLine(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

void installSignalHandlers() {
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0; // no SA_RESTART: poll returns EINTR
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

Runner::Runner(const Options& options, Engine& engine, std::string mapSource)
    : options_(options), engine_(engine), mapSource_(std::move(mapSource)), line_(options.paceBaud),
      queue_(options.paceBaud) {}

Runner::~Runner() {
    finish();
}

void Runner::logLine(const std::string& line) {
    if (!log_)
        return;
    std::fputs(line.c_str(), log_);
    std::fputc('\n', log_);
    std::fflush(log_);
}

void Runner::finish() {
    if (linkMade_)
        removeLink(options_.linkPath, pty_.slavePath());
    linkMade_ = false;
    pty_.closeAll();
    if (log_)
        std::fclose(log_);
    log_ = nullptr;
}

int Runner::run() {
    std::string error;
    if (!options_.logPath.empty()) {
        log_ = std::fopen(options_.logPath.c_str(), "a");
        if (!log_) {
            std::fprintf(stderr, "ostara-devsim: cannot open log %s: %s\n",
                         options_.logPath.c_str(), std::strerror(errno));
            return 1;
        }
    }
    if (!pty_.open(&error)) {
        std::fprintf(stderr, "ostara-devsim: cannot open a pseudo-terminal: %s\n", error.c_str());
        finish();
        return 1;
    }
    if (!options_.linkPath.empty()) {
        if (!createLink(options_.linkPath, pty_.slavePath(), &error)) {
            std::fprintf(stderr, "ostara-devsim: %s\n", error.c_str());
            finish();
            return 1;
        }
        linkMade_ = true;
    }
    logLine(timeOfDay() + " ready on " + pty_.slavePath() +
            " type=" + std::to_string(engine_.device().stored(typeRegister)) + " " +
            lockStateName(engine_.device().lockState()) +
            (mapSource_.empty() ? std::string() : " map=" + mapSource_));
    printLine("ostara-devsim: ready on " + pty_.slavePath());
    deviceTimeNs_ = monoNs();

    while (!stop_ && !signalled) {
        std::int64_t now = monoNs();
        if (auto dropped = parser_.expire(now / nsPerMs))
            logLine(timeOfDay() + " incomplete=" + toHex(*dropped) + " dropped");

        int timeoutMs = idlePollMs;
        if (!queue_.empty())
            timeoutMs = ceilMs(queue_.front().dueNs - sendAheadNs - now);
        if (!pending_.empty())
            timeoutMs =
                std::min(timeoutMs, ceilMs(pending_.front().receivedNs - sendAheadNs - now));
        if (const auto deadline = parser_.deadlineMs())
            timeoutMs = std::min(timeoutMs, ceilMs((*deadline + 1) * nsPerMs - now));

        pollfd fds[2];
        nfds_t n = 0;
        int masterIndex = -1;
        int stdinIndex = -1;
        if (now >= masterQuietUntilNs_) {
            masterIndex = static_cast<int>(n);
            fds[n++] = {pty_.master(), POLLIN, 0};
        } else {
            timeoutMs = std::min(timeoutMs, ceilMs(masterQuietUntilNs_ - now));
        }
        if (stdinOpen_) {
            stdinIndex = static_cast<int>(n);
            fds[n++] = {STDIN_FILENO, POLLIN, 0};
        }
        const int ready = poll(fds, n, timeoutMs);
        if (ready < 0 && errno != EINTR) {
            std::fprintf(stderr, "ostara-devsim: poll: %s\n", std::strerror(errno));
            break;
        }
        now = monoNs();
        if (ready > 0 && masterIndex >= 0 && fds[masterIndex].revents != 0)
            onMasterReadable(now);
        if (ready > 0 && stdinIndex >= 0 && fds[stdinIndex].revents != 0)
            onStdinReadable();
        if (!stop_ && !signalled)
            serveDue();
        if (!stop_ && !signalled)
            sendDue();
    }
    finish();
    return 0;
}

void Runner::onMasterReadable(std::int64_t nowNs) {
    char buf[4096];
    const ssize_t r = ::read(pty_.master(), buf, sizeof buf);
    if (r <= 0) {
        if (r < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        // No slave side open (should not happen while we hold one): wait a bit
        // instead of spinning on the hang-up.
        masterQuietUntilNs_ = nowNs + masterBackoffNs;
        return;
    }
    const std::int64_t nowMs = nowNs / nsPerMs;
    if (auto dropped = parser_.expire(nowMs))
        logLine(timeOfDay() + " incomplete=" + toHex(*dropped) + " dropped");
    // Byte by byte: each one has its own arrival on the line, and a request
    // is received with its last byte.
    for (ssize_t i = 0; i < r; ++i) {
        const bool inFrame = parser_.inFrame();
        const std::int64_t arrivedNs = line_.arrive(nowNs);
        const auto result = parser_.feed(std::string_view(buf + i, 1), nowMs);
        for (const std::string& d : result.dropped)
            logLine(timeOfDay() + " incomplete=" + toHex(d) + " dropped");
        if (!inFrame && parser_.inFrame())
            frameFirstByteNs_ = nowNs;
        for (const Request& request : result.requests)
            pending_.push_back({frameFirstByteNs_, arrivedNs, request});
    }
}

void Runner::serveDue() {
    while (!pending_.empty() && !stop_) {
        const Pending& next = pending_.front();
        if (next.receivedNs > monoNs() + sendAheadNs)
            return;
        sleepUntil(next.receivedNs);
        if (signalled)
            return;
        elapse();
        const Exchange ex = engine_.handle(next.request);
        logLine(formatLogLine(timeOfDay(), ex) + " first=" + monoText(next.firstByteNs) +
                " received=" + monoText(next.receivedNs));
        queue_.schedule(ex.emission, next.receivedNs);
        pending_.pop_front();
    }
}

void Runner::onStdinReadable() {
    char buf[1024];
    const ssize_t r = ::read(STDIN_FILENO, buf, sizeof buf);
    if (r < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (r <= 0) {
        stdinOpen_ = false;
        if (options_.quitOnEof)
            stop_ = true;
        return;
    }
    stdinBuffer_.append(buf, static_cast<std::size_t>(r));
    std::size_t nl;
    while (!stop_ && (nl = stdinBuffer_.find('\n')) != std::string::npos) {
        const std::string line = stdinBuffer_.substr(0, nl);
        stdinBuffer_.erase(0, nl + 1);
        elapse();
        const ControlResult result = runControlCommand(line, engine_);
        if (!result.reply.empty())
            printLine(result.reply);
        if (result.hangup)
            hangup();
        if (result.quit)
            stop_ = true;
    }
}

void Runner::sendDue() {
    while (!queue_.empty() && !stop_) {
        const std::int64_t now = monoNs();
        if (queue_.front().dueNs > now + sendAheadNs)
            return;
        sleepUntil(queue_.front().dueNs);
        if (signalled)
            return;
        OutputQueue::Item item = queue_.take();
        if (item.hangup) {
            hangup();
            return;
        }
        const std::size_t sent = writeWithin(pty_.master(), item.bytes, writeRoomWaitMs);
        if (sent < item.bytes.size())
            logLine(timeOfDay() + " output blocked: " + std::to_string(item.bytes.size() - sent) +
                    " bytes not sent");
        // With pacing, give the inputs a look between two bytes.
        if (queue_.byteNs() > 0)
            return;
    }
}

void Runner::elapse() {
    const std::int64_t now = monoNs();
    engine_.elapse(now - deviceTimeNs_);
    deviceTimeNs_ = now;
}

void Runner::hangup() {
    logLine(timeOfDay() + " hangup");
    if (linkMade_)
        removeLink(options_.linkPath, pty_.slavePath());
    linkMade_ = false;
    pty_.closeAll();
    stop_ = true;
}

} // namespace devsim
