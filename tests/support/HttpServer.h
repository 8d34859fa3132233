#pragma once
// An HTTP server on 127.0.0.1 inside the test process: answers GET requests
// for the files below one folder from a table of names (anything else is
// 404) and records the names asked for. It runs on the test's event loop, so it answers while the
// code under test waits in a local loop.

#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

class TestHttpServer {
public:
    // CutShort promises twice the body and hangs up after it; Stall never answers;
    // Stream sends streamBytes of StreamBody after it, StreamUnannounced without a length.
    enum Kind { Whole, CutShort, Stall, Stream, StreamUnannounced };
    struct Response {
        int status = 200;
        std::string body;
        Kind kind = Whole;
        int64_t streamBytes = 0;
    };
    // Bytes from..from+n of every streamed body.
    // Made of whole periods of the pattern: the server answers on the loop of
    // the code under test, which must not wait on it.
    static std::string StreamBody(int64_t from, int64_t n) {
        std::string period;
        for (int64_t i = from; i < from + 26; ++i)
            period += static_cast<char>('a' + i * 7 % 26);
        std::string out;
        out.reserve(static_cast<std::size_t>(n));
        while (static_cast<int64_t>(out.size()) + 26 <= n)
            out += period;
        return out.append(period, 0, static_cast<std::size_t>(n) - out.size());
    }

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
    // The bytes of the last answer that the connection took.
    int64_t StreamedBytes() const { return streamed_; }
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
        const std::string length =
            std::to_string(r.body.size() * (r.kind == CutShort ? 2 : 1) + r.streamBytes);
        s.write(QByteArray::fromStdString(
            "HTTP/1.1 " + std::to_string(r.status) + " X\r\n" +
            (r.kind == StreamUnannounced ? "" : "Content-Length: " + length + "\r\n") +
            "Connection: close\r\n\r\n" + r.body));
        // After the head, a streamed body stays a few pieces ahead of the connection.
        streamed_ = 0;
        QObject::connect(&s, &QTcpSocket::bytesWritten, &s,
                         [this, &s, total = r.streamBytes, queued = int64_t{0}](qint64 n) mutable {
                             constexpr int64_t piece = 256 * 1024;
                             streamed_ += n;
                             for (; queued < total && s.bytesToWrite() < 4 * piece; queued += piece)
                                 s.write(QByteArray::fromStdString(
                                     StreamBody(queued, std::min(piece, total - queued))));
                             if (queued >= total)
                                 s.disconnectFromHost();
                         });
    }

    std::string folder_;
    int64_t streamed_ = 0;
    QTcpServer server_;
    std::map<std::string, Response> responses_;
    std::vector<std::string> requests_;
};
