#include "platform/window/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr char kRaiseRequest[] = "raise\n";
constexpr char kRaiseAnswer[] = "ok\n";

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// A text as one part of a file name.
std::string FileNamePart(std::string text) {
    std::replace(text.begin(), text.end(), '/', '_');
    return text;
}

// The lock and socket path without extension.
std::string BasePath(const std::string& title, const std::string& display,
                     const std::string& folder) {
    std::string dir = folder.empty() ? "." : folder;
    if (dir.back() != '/')
        dir += '/';
    std::string name =
        FileNamePart(title) + "-u" + std::to_string(::getuid()) + "-d" + FileNamePart(display);
    // A socket path must fit a sockaddr_un; a long name becomes a digest.
    constexpr size_t kMaxSocketPath = sizeof(sockaddr_un{}.sun_path) - 1;
    if (dir.size() + name.size() + std::strlen(".socket") > kMaxSocketPath)
        name = QCryptographicHash::hash(QByteArray::fromStdString(name), QCryptographicHash::Sha1)
                   .toHex()
                   .left(16)
                   .toStdString();
    return dir + name;
}

int MillisecondsUntil(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<long long>(left.count(), 0));
}

} // namespace

SingleInstance::SingleInstance(const std::string& title)
    : SingleInstance(title, CurrentDisplay(), RuntimeFolder()) {}

SingleInstance::SingleInstance(const std::string& title, const std::string& display,
                               const std::string& folder) {
    const std::string base = BasePath(title, display, folder);
    lockPath_ = base + ".lock";
    socketPath_ = base + ".socket";
}

SingleInstance::~SingleInstance() {
    Release();
}

std::string SingleInstance::CurrentDisplay() {
    const std::string wayland = Environment("WAYLAND_DISPLAY");
    return wayland.empty() ? Environment("DISPLAY") : wayland;
}

std::string SingleInstance::RuntimeFolder() {
    const std::string runtime = Environment("XDG_RUNTIME_DIR");
    struct stat st {};
    if (!runtime.empty() && ::stat(runtime.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return runtime;
    return QFile::encodeName(QDir::tempPath()).toStdString();
}

bool SingleInstance::Claim(int timeoutMs) {
    Release();
    lockFd_ = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd_ < 0) {
        std::fprintf(stderr, "ostara: cannot open the instance lock %s: %s\n", lockPath_.c_str(),
                     std::strerror(errno));
        return true;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (::flock(lockFd_, LOCK_EX | LOCK_NB) == 0) {
            owner_ = true;
            Listen();
            return true;
        }
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK) {
            std::fprintf(stderr, "ostara: cannot take the instance lock %s: %s\n",
                         lockPath_.c_str(), std::strerror(errno));
            Release();
            return true;
        }
        // Another copy runs. It may not listen yet; the request is repeated
        // until it arrives or the time is up. Either way this start ends.
        if (AskToRaise(MillisecondsUntil(deadline)) || std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Release();
    return false;
}

bool SingleInstance::AskToRaise(int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(QFile::decodeName(QByteArray::fromStdString(socketPath_)));
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(kRaiseRequest);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // The request has arrived. The answer tells that the running copy has
    // seen it; a copy too busy to answer in time raises its window later.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (socket.bytesAvailable() < static_cast<qint64>(std::strlen(kRaiseAnswer)) &&
           socket.waitForReadyRead(MillisecondsUntil(deadline))) {
    }
    return true;
}

void SingleInstance::Listen() {
    const QString name = QFile::decodeName(QByteArray::fromStdString(socketPath_));
    // Only the lock's owner gets here: a socket left there is a crashed copy's.
    QLocalServer::removeServer(name);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name)) {
        std::fprintf(stderr, "ostara: cannot listen on %s: %s\n", socketPath_.c_str(),
                     server_->errorString().toLocal8Bit().constData());
        server_.reset();
        return;
    }
    QLocalServer* server = server_.get();
    QObject::connect(server, &QLocalServer::newConnection, server, [this, server] {
        while (QLocalSocket* socket = server->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket,
                             &QLocalSocket::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
                if (!socket->canReadLine())
                    return;
                if (socket->readLine() != kRaiseRequest)
                    return;
                socket->write(kRaiseAnswer);
                socket->flush();
                if (onRaise_)
                    onRaise_();
            });
        }
    });
}

void SingleInstance::SetOnRaise(std::function<void()> handler) {
    onRaise_ = std::move(handler);
}

void SingleInstance::Release() {
    // The socket goes first, so that the next owner never removes a live one.
    if (server_) {
        server_->close();
        server_.reset();
    }
    if (lockFd_ >= 0) {
        ::close(lockFd_);
        lockFd_ = -1;
    }
    owner_ = false;
}

bool SingleInstance::Listening() const {
    return server_ && server_->isListening();
}
