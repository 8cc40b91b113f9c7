#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>

#include <QtHttpServer/QAbstractHttpServer>
#include <QtHttpServer/QHttpServerRequest>
#include <netinet/in.h>
#include <netinet/tcp.h>

namespace mivora::test {

// The headers of a request a loopback server recorded.
struct RecordedHeaders {
    QList<QPair<QByteArray, QByteArray>> headers;
    // The first header of that name (case-insensitive), or a null array.
    QByteArray header(const QByteArray& name) const {
        for (const auto& [k, v] : headers)
            if (k.compare(name, Qt::CaseInsensitive) == 0) return v;
        return {};
    }
};

// A loopback stand-in for the OpenAI-style API (and the relay in front of it) on 127.0.0.1. Each route (a
// URL path such as "/v1/audio/transcriptions") is scripted with responses used in turn, the last one
// repeating; unscripted routes answer 404. Every request is recorded in `log`.
class FakeOpenAI final : public QAbstractHttpServer {
public:
    struct Response {
        int status = 200;
        QByteArray body;
        bool hang = false; // never answer; the client must give up
    };
    struct Request : RecordedHeaders {
        QString path;
        QByteArray body;
        quint16 peerPort = 0; // the client's end of the connection the request came on
    };

    FakeOpenAI() {
        auto* tcp = new QuickAckServer;
        if (tcp->listen(QHostAddress::LocalHost, 0)) port_ = tcp->serverPort();
        bind(tcp); // takes ownership
    }

    QUrl url(const QString& path = "/v1") const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path));
    }
    void script(const QString& path, QList<Response> responses) { scripts_[path] = std::move(responses); }
    void respond(const QString& path, Response response) { script(path, {std::move(response)}); }

    static Response transcription(const QString& text) { return json(200, {{"text", text}}); }
    static Response chat(const QString& content, const QString& finishReason = QStringLiteral("stop")) {
        const QJsonObject choice{{"message", QJsonObject{{"content", content}}},
                                 {"finish_reason", finishReason}};
        return json(200, {{"choices", QJsonArray{choice}}});
    }
    static Response error(int status, const QString& message) {
        return json(status, {{"error", QJsonObject{{"message", message}}}});
    }
    static Response json(int status, const QJsonObject& body) {
        return {status, QJsonDocument(body).toJson()};
    }

    QList<Request> log;
    int count(const QString& path) const {
        return int(std::count_if(log.begin(), log.end(), [&](const Request& r) { return r.path == path; }));
    }
    int abandoned = 0; // hanging requests whose client closed the connection

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override {
        log.append({{request.headers()}, request.url().path(), request.body(), socket->peerPort()});
        QList<Response>& script = scripts_[log.last().path];
        const Response response = script.value(0, Response{404});
        if (script.size() > 1) script.removeFirst();
        if (response.hang) {
            QObject::connect(socket, &QTcpSocket::disconnected, this, [this] { ++abandoned; });
            return true;
        }
        socket->write("HTTP/1.1 " + QByteArray::number(response.status) +
                      " Fake\r\nContent-Type: application/json\r\nContent-Length: " +
                      QByteArray::number(response.body.size()) + "\r\n\r\n" +
                      (request.method() == QHttpServerRequest::Method::Head ? QByteArray() : response.body));
        return true;
    }
    void missingHandler(const QHttpServerRequest&, QTcpSocket*) override {}

private:
    // Acknowledges every segment at once. Linux delays ACKs by up to 40 ms and Qt's HTTP client leaves
    // Nagle's algorithm on, so each upload on a kept-alive connection would wait for that timer; tests and
    // benchmarks should measure our code, not the ACK timer.
    struct QuickAckServer final : QTcpServer {
        void incomingConnection(qintptr handle) override {
            auto* socket = new QTcpSocket(this);
            socket->setSocketDescriptor(handle);
            const auto quickAck = [fd = int(handle), one = 1] {
                ::setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
            };
            quickAck();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, quickAck);
            addPendingConnection(socket);
        }
    };

    quint16 port_ = 0;
    QHash<QString, QList<Response>> scripts_;
};

} // namespace mivora::test
