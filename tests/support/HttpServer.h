#pragma once
// An HTTP server on 127.0.0.1 inside the test process: answers GET requests
// for the files below one folder from a table of names (anything else is
// 404) and records the names asked for. It runs on the test's event loop, so it answers while the
// code under test waits in a local loop.

#include <QTcpServer>
#include <QTcpSocket>

#include <functional>
#include <map>
#include <string>
#include <vector>

class TestHttpServer {
public:
    // CutShort promises twice the body and hangs up after it; Stall never answers.
    enum Kind { Whole, CutShort, Stall };
    struct Response {
        int status = 200;
        std::string body;
        Kind kind = Whole;
    };

    explicit TestHttpServer(const std::string& folder) : folder_(folder) {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection())
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] { Answer(*s); });
        });
    }
    // The folder's address.
    std::string Url() const {
        return "http://127.0.0.1:" + std::to_string(server_.serverPort()) + folder_;
    }
    void Serve(const std::string& name, Response r) { responses_[name] = std::move(r); }
    const std::vector<std::string>& Requests() const { return requests_; }
    void ForgetRequests() { requests_.clear(); }
    // Runs when a request has arrived, before it is answered.
    std::function<void(const std::string& name)> onRequest;

private:
    void Answer(QTcpSocket& s) {
        if (!s.peek(s.bytesAvailable()).contains("\r\n\r\n"))
            return; // the rest of the head is still on its way
        std::string name = s.readAll().split(' ').value(1).toStdString();
        if (name.starts_with(folder_ + "/"))
            name.erase(0, folder_.size() + 1);
        requests_.push_back(name);
        if (onRequest)
            onRequest(name);
        const auto it = responses_.find(name);
        const Response r = it == responses_.end() ? Response{404, "none"} : it->second;
        if (r.kind == Stall)
            return;
        const size_t length = r.body.size() * (r.kind == CutShort ? 2 : 1);
        s.write(QByteArray::fromStdString("HTTP/1.1 " + std::to_string(r.status) +
                                          " X\r\nContent-Length: " + std::to_string(length) +
                                          "\r\nConnection: close\r\n\r\n" + r.body));
        s.disconnectFromHost();
    }

    std::string folder_;
    QTcpServer server_;
    std::map<std::string, Response> responses_;
    std::vector<std::string> requests_;
};
