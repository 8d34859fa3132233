#include "platform/window/SingleInstance.h"

#include "platform/Text.h"

#include <QLocalServer>
#include <QLocalSocket>

namespace {
constexpr char kRaiseRequest[] = "raise\n";
constexpr char kRaiseAnswer[] = "ok\n";
} // namespace

SingleInstance::SingleInstance(const std::string& name) : name_(name) {}

SingleInstance::~SingleInstance() {
    Release();
}

bool SingleInstance::AskRunningInstance(int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(ToQString(name_));
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(kRaiseRequest);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // Wait for the answer so that the first instance has really seen us.
    while (socket.bytesAvailable() < 3) {
        if (!socket.waitForReadyRead(timeoutMs))
            break;
    }
    return socket.readAll().startsWith("ok");
}

bool SingleInstance::Listen() {
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(ToQString(name_))) {
        // Nobody answered AskRunningInstance: whatever holds the name is stale.
        QLocalServer::removeServer(ToQString(name_));
        if (!server_->listen(ToQString(name_))) {
            server_.reset();
            return false;
        }
    }
    QObject::connect(server_.get(), &QLocalServer::newConnection, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket,
                             &QLocalSocket::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, [this, socket] {
                if (!socket->canReadLine())
                    return;
                const QByteArray line = socket->readLine();
                if (line == kRaiseRequest) {
                    socket->write(kRaiseAnswer);
                    socket->flush();
                    if (onRaise_)
                        onRaise_();
                }
            });
        }
    });
    return true;
}

void SingleInstance::SetOnRaise(std::function<void()> handler) {
    onRaise_ = std::move(handler);
}

void SingleInstance::Release() {
    if (server_) {
        server_->close();
        server_.reset();
    }
}

bool SingleInstance::Listening() const {
    return server_ && server_->isListening();
}
