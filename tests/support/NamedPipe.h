#pragma once
// A named pipe where a test puts a file, with a byte waiting in it. The test
// holds the pipe's other end open for reading and writing: an opening that
// waits for a writer returns at once, and a read takes the byte. A reader
// that would wait for more gets the pipe's end after a grace time (the held
// end is closed then), so a program that reads the pipe fails its test
// instead of hanging the suite; so does one that waits to open it (a writer
// comes and goes again).

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class HeldPipe {
public:
    explicit HeldPipe(const std::filesystem::path& path,
                      std::chrono::seconds grace = std::chrono::seconds(5)) : path_(path) {
        if (::mkfifo(path.c_str(), 0644) != 0)
            throw std::runtime_error("cannot make the named pipe " + path.string());
        fd_ = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0 || ::write(fd_, "x", 1) != 1)
            throw std::runtime_error("cannot hold the named pipe " + path.string());
        watchdog_ = std::thread([this, grace] {
            std::unique_lock lock(mutex_);
            if (ended_.wait_for(lock, grace, [this] { return done_; }))
                return;
            CloseLocked();
            while (!ended_.wait_for(lock, std::chrono::milliseconds(100), [this] { return done_; })) {
                const int writer = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (writer >= 0)
                    ::close(writer);
            }
        });
    }
    ~HeldPipe() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
            CloseLocked();
        }
        ended_.notify_all();
        watchdog_.join();
    }
    HeldPipe(const HeldPipe&) = delete;
    HeldPipe& operator=(const HeldPipe&) = delete;

    // Whether the byte is still waiting: nobody read the pipe (nor waited
    // on it past the grace time).
    bool Untouched() {
        std::lock_guard lock(mutex_);
        char c = 0;
        const bool waiting = fd_ >= 0 && ::read(fd_, &c, 1) == 1;
        if (waiting && ::write(fd_, &c, 1) != 1)
            return false;
        return waiting;
    }

private:
    void CloseLocked() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

    std::filesystem::path path_;
    int fd_ = -1;
    std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
    std::thread watchdog_;
};
