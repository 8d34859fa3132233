#include "Pty.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace devsim {

namespace {

std::string errnoText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

void makeRaw(termios& t) {
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                        IXON | IXOFF | IXANY);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
    t.c_cflag |= CS8 | CREAD | CLOCAL;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
}

} // namespace

bool Pty::open(std::string* error) {
    const auto fail = [&](const char* what) {
        if (error)
            *error = errnoText(what);
        closeAll();
        return false;
    };
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0)
        return fail("posix_openpt");
    if (grantpt(master_) != 0)
        return fail("grantpt");
    if (unlockpt(master_) != 0)
        return fail("unlockpt");
    const char* name = ptsname(master_);
    if (!name)
        return fail("ptsname");
    slavePath_ = name;
    heldSlave_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (heldSlave_ < 0)
        return fail("open slave");
    termios t{};
    if (tcgetattr(heldSlave_, &t) != 0)
        return fail("tcgetattr");
    makeRaw(t);
    if (tcsetattr(heldSlave_, TCSANOW, &t) != 0)
        return fail("tcsetattr");
    const int flags = fcntl(master_, F_GETFL);
    if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0)
        return fail("fcntl O_NONBLOCK");
    if (fcntl(master_, F_SETFD, FD_CLOEXEC) != 0)
        return fail("fcntl FD_CLOEXEC");
    return true;
}

void Pty::closeAll() {
    if (heldSlave_ >= 0)
        ::close(heldSlave_);
    if (master_ >= 0)
        ::close(master_);
    heldSlave_ = -1;
    master_ = -1;
}

bool createLink(const std::string& linkPath, const std::string& target, std::string* error) {
    struct stat st {};
    if (lstat(linkPath.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            if (error)
                *error = linkPath + " exists and is not a symlink; not replacing it";
            return false;
        }
        if (unlink(linkPath.c_str()) != 0) {
            if (error)
                *error = errnoText(("unlink " + linkPath).c_str());
            return false;
        }
    }
    if (symlink(target.c_str(), linkPath.c_str()) != 0) {
        if (error)
            *error = errnoText(("symlink " + linkPath).c_str());
        return false;
    }
    return true;
}

void removeLink(const std::string& linkPath, const std::string& target) {
    char buf[PATH_MAX];
    const ssize_t n = readlink(linkPath.c_str(), buf, sizeof buf - 1);
    if (n < 0)
        return;
    buf[n] = '\0';
    if (target == buf)
        unlink(linkPath.c_str());
}

std::size_t writeWithin(int fd, const std::string& bytes, int waitMs) {
    std::size_t done = 0;
    int waitedMs = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            break;
        if (waitedMs >= waitMs)
            break;
        pollfd p{fd, POLLOUT, 0};
        const int step = 20;
        if (poll(&p, 1, step) < 0 && errno != EINTR)
            break;
        waitedMs += step;
    }
    return done;
}

} // namespace devsim
