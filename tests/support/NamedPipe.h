#pragma once
// A named pipe where a test puts a file, with a byte waiting in it. The test
// holds the pipe's other end open, so an opening returns at once; a program
// that reads it waits for more, and the alarm ends the test program instead
// of hanging the suite.

#include <filesystem>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class HeldPipe {
public:
    explicit HeldPipe(const std::filesystem::path& path) {
        if (::mkfifo(path.c_str(), 0644) != 0 ||
            (fd_ = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC)) < 0 ||
            ::write(fd_, "x", 1) != 1)
            throw std::runtime_error("cannot hold the named pipe " + path.string());
        ::alarm(60);
    }
    ~HeldPipe() {
        ::alarm(0);
        ::close(fd_);
    }
    HeldPipe(const HeldPipe&) = delete;
    HeldPipe& operator=(const HeldPipe&) = delete;

    // Whether the byte still waits: nobody read the pipe.
    bool Untouched() {
        char c = 0;
        return ::read(fd_, &c, 1) == 1 && ::write(fd_, &c, 1) == 1;
    }

private:
    int fd_ = -1;
};
