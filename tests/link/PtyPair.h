#pragma once
// A pseudo-terminal pair for the port tests: the test keeps the master side
// and plays the device on it; the port opens the slave path.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

// A pseudo-terminal pair; the master stays here, the slave path is the port.
class PtyPair {
public:
    // Longest wait of Receive for the bytes asked for.
    static constexpr std::chrono::milliseconds arrivalLimit{2000};

    PtyPair() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        char name[128] = {};
        if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0 &&
            ptsname_r(master_, name, sizeof name) == 0) {
            slavePath_ = name;
        }
    }
    ~PtyPair() {
        CloseMaster();
        if (observer_ >= 0) {
            close(observer_);
        }
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ok() const { return master_ >= 0 && !slavePath_.empty(); }
    const std::string& SlavePath() const { return slavePath_; }

    // A second descriptor of the slave, opened before the port, to read its termios.
    bool OpenObserver() {
        observer_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        return observer_ >= 0;
    }
    bool SlaveSettings(termios& t) const { return tcgetattr(observer_, &t) == 0; }
    bool SetSlaveSettings(const termios& t) const { return tcsetattr(observer_, TCSANOW, &t) == 0; }

    bool Send(const std::string& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    // Reads until count bytes came or the arrival limit passed.
    std::string Receive(std::size_t count) {
        std::string got;
        const auto end = std::chrono::steady_clock::now() + arrivalLimit;
        while (got.size() < count && std::chrono::steady_clock::now() < end) {
            pollfd p{master_, POLLIN, 0};
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (poll(&p, 1, static_cast<int>(left.count()) + 1) <= 0) {
                continue;
            }
            char buffer[256];
            const ssize_t n = read(master_, buffer, std::min(sizeof buffer, count - got.size()));
            if (n > 0) {
                got.append(buffer, static_cast<std::size_t>(n));
            } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
                break;
            }
        }
        return got;
    }

    void CloseMaster() {
        if (master_ >= 0) {
            close(master_);
            master_ = -1;
        }
    }

private:
    int master_ = -1;
    int observer_ = -1;
    std::string slavePath_;
};
