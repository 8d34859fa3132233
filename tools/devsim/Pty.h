#pragma once
// The simulator's line: a pseudo-terminal whose slave side the program opens
// as its serial port. The simulator keeps one slave descriptor open itself,
// so that the master never sees a hang-up between two clients.

#include <string>

namespace devsim {

class Pty {
public:
    Pty() = default;
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;
    ~Pty() { closeAll(); }

    // Opens the pair: master non-blocking, slave in raw mode (no echo, no
    // line editing, 8 bits). False with a message in `error` on failure;
    // nothing stays open then.
    bool open(std::string* error);

    int master() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

    // Closes the held slave descriptor and the master: a client that has the
    // slave open sees a hang-up. Safe to call twice.
    void closeAll();

private:
    int master_ = -1;
    int heldSlave_ = -1;
    std::string slavePath_;
};

// Creates the symlink `linkPath` -> `target`, replacing an existing symlink
// (but never a regular file). False with a message in `error` on failure.
bool createLink(const std::string& linkPath, const std::string& target, std::string* error);

// Removes `linkPath` if it still is a symlink to `target`.
void removeLink(const std::string& linkPath, const std::string& target);

// Writes all of `bytes` to the non-blocking `fd`, retrying after EINTR and
// partial writes and waiting at most `waitMs` in all for room. Returns the
// number of bytes written.
std::size_t writeWithin(int fd, const std::string& bytes, int waitMs);

} // namespace devsim
