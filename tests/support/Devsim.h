#pragma once
// The built device simulator as a child process for end-to-end tests and
// benchmarks: started with fork/exec, its stdin and stdout on pipes, ready
// once it has printed "ostara-devsim: ready on PATH". Every wait has a
// deadline; the destructor ends the child by its own pid and closes every fd.

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <string>
#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace testsupport {

class Devsim {
public:
    static constexpr int readyWaitMs = 5000;
    static constexpr int answerWaitMs = 1000;
    static constexpr int exitWaitMs = 3000;

    // Starts `program` with `args` and waits for its ready line. On failure
    // Ready() is false and Failure() says why; the child is already ended.
    Devsim(const std::string& program, const std::vector<std::string>& args) {
        Start(program, args);
    }
    ~Devsim() { Stop(); }
    Devsim(const Devsim&) = delete;
    Devsim& operator=(const Devsim&) = delete;

    bool Ready() const { return !ptyPath_.empty(); }
    const std::string& Failure() const { return failure_; }
    // The pty the simulator answers on; "" when it never became ready.
    const std::string& PtyPath() const { return ptyPath_; }
    pid_t Pid() const { return pid_; }
    // The raw wait status once the child has been reaped; -1 before.
    int ExitStatus() const { return exitStatus_; }
    // Closes the simulator's stdin (end of its control input).
    void CloseInput() {
        if (toChild_ >= 0) {
            close(toChild_);
            toChild_ = -1;
        }
    }

    // Writes one control command line to the simulator's stdin and returns
    // its one-line answer without the newline; "" on a write failure or when
    // no answer arrives within waitMs.
    std::string Command(const std::string& line, int waitMs = answerWaitMs) {
        if (toChild_ < 0)
            return {};
        const std::string text = line + "\n";
        if (!WriteAll(text))
            return {};
        return ReadLine(waitMs);
    }

    // Ends the child: "quit" on stdin, then SIGTERM, then SIGKILL, each with a
    // deadline; closes every descriptor. Safe to call more than once.
    void Stop() {
        if (pid_ > 0 && toChild_ >= 0) {
            const std::string quit = "quit\n";
            WriteAll(quit);
        }
        CloseInput();
        if (pid_ > 0 && !WaitExit(exitWaitMs)) {
            kill(pid_, SIGTERM);
            if (!WaitExit(exitWaitMs)) {
                kill(pid_, SIGKILL);
                WaitExit(exitWaitMs);
            }
        }
        if (fromChild_ >= 0) {
            close(fromChild_);
            fromChild_ = -1;
        }
    }

    // Waits for the child to end by itself (e.g. after a hang-up); true when
    // it did within waitMs (and it is reaped).
    bool WaitExit(int waitMs) {
        if (pid_ <= 0)
            return true;
        const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
        for (;;) {
            int status = 0;
            const pid_t r = waitpid(pid_, &status, WNOHANG);
            if (r == pid_ || (r < 0 && errno == ECHILD)) {
                if (r == pid_)
                    exitStatus_ = status;
                pid_ = -1;
                return true;
            }
            if (RemainingMs(deadline) == 0)
                return false;
            poll(nullptr, 0, 5); // a child has no descriptor to wait on here
        }
    }

private:
    using Clock = std::chrono::steady_clock;

    static int RemainingMs(Clock::time_point deadline) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        return left < 0 ? 0 : static_cast<int>(left);
    }

    void Start(const std::string& program, const std::vector<std::string>& args) {
        int in[2] = {-1, -1};
        int out[2] = {-1, -1};
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
            failure_ = std::string("pipe: ") + std::strerror(errno);
            for (int fd : {in[0], in[1], out[0], out[1]})
                if (fd >= 0)
                    close(fd);
            return;
        }
        std::vector<std::string> all = {program};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_ = fork();
        if (pid_ < 0) {
            failure_ = std::string("fork: ") + std::strerror(errno);
            for (int fd : {in[0], in[1], out[0], out[1]})
                close(fd);
            return;
        }
        if (pid_ == 0) {
            // The simulator ends with the test or benchmark that started it,
            // even when that one crashes.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            // dup2 clears close-on-exec on the copies.
            dup2(in[0], STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        toChild_ = in[1];
        fromChild_ = out[0];
        const std::string line = ReadLine(readyWaitMs);
        const std::string prefix = "ostara-devsim: ready on ";
        if (line.rfind(prefix, 0) != 0 || line.size() == prefix.size()) {
            failure_ = "no ready line from " + program + " (got \"" + line + "\")";
            Stop();
            return;
        }
        ptyPath_ = line.substr(prefix.size());
    }

    // Writes the whole text to the child's stdin. A child that has already
    // ended gives EPIPE, not a SIGPIPE that would end this process.
    bool WriteAll(const std::string& text) {
        sigset_t pipeSet, oldSet;
        sigemptyset(&pipeSet);
        sigaddset(&pipeSet, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSet, &oldSet);
        const bool ok = WriteAllBlocked(text);
        if (!ok) {
            const timespec zero{0, 0};
            while (sigtimedwait(&pipeSet, nullptr, &zero) == SIGPIPE) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &oldSet, nullptr);
        return ok;
    }

    bool WriteAllBlocked(const std::string& text) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(answerWaitMs);
        size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = write(toChild_, text.data() + done, text.size() - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno == EAGAIN && RemainingMs(deadline) > 0) {
                pollfd p{toChild_, POLLOUT, 0};
                poll(&p, 1, RemainingMs(deadline));
                continue;
            }
            return false;
        }
        return true;
    }

    // One line of the child's stdout without its newline; "" on time-out or end.
    std::string ReadLine(int waitMs) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
        for (;;) {
            const size_t nl = buffer_.find('\n');
            if (nl != std::string::npos) {
                std::string line = buffer_.substr(0, nl);
                buffer_.erase(0, nl + 1);
                return line;
            }
            if (fromChild_ < 0)
                return {};
            pollfd p{fromChild_, POLLIN, 0};
            const int left = RemainingMs(deadline);
            if (left == 0)
                return {};
            const int r = poll(&p, 1, left);
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                return {};
            char buf[256];
            const ssize_t n = read(fromChild_, buf, sizeof buf);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return {};
            buffer_.append(buf, static_cast<size_t>(n));
        }
    }

    pid_t pid_ = -1;
    int exitStatus_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
    std::string ptyPath_;
    std::string buffer_;
    std::string failure_;
};

} // namespace testsupport
