#pragma once

#include <QtHttpServer/QAbstractHttpServer>

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QUrl>

class QTcpSocket;

namespace mivora::test {

// A loopback stand-in for the OpenAI-style API (and the relay in front of it), listening on 127.0.0.1 on a
// free port. Each route (a URL path such as "/v1/audio/transcriptions") is scripted with a list of
// responses used in turn, the last one repeating; unscripted routes answer 404. Every request is recorded.
class FakeOpenAI final : public QAbstractHttpServer {
public:
    struct Response {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "application/json";
        int delayMs = 0;   // real time before the answer
        bool hang = false; // never answer; the client must give up
    };

    struct Request {
        QByteArray method;
        QString path;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        bool abandoned = false; // the client closed the connection before it was answered

        // The first header of that name (case-insensitive), or a null array.
        QByteArray header(const QByteArray& name) const;
        bool hasHeader(const QByteArray& name) const { return !header(name).isNull(); }
    };

    FakeOpenAI();
    ~FakeOpenAI() override;

    quint16 port() const { return port_; }
    // http://127.0.0.1:<port> followed by `path`.
    QUrl url(const QString& path = QStringLiteral("/v1")) const;

    void script(const QString& path, QList<Response> responses);
    void respond(const QString& path, Response response) { script(path, {std::move(response)}); }

    // Ready-made bodies.
    static Response transcription(const QString& text);
    static Response chat(const QString& content, const QString& finishReason = QStringLiteral("stop"));
    static Response error(int status, const QString& message);
    static Response json(const QJsonObject& object, int status = 200);

    const QList<Request>& requests() const { return requests_; }
    QList<Request> requests(const QString& path) const;
    int count(const QString& path) const { return int(requests(path).size()); }
    int abandoned() const;
    void clearRequests() { requests_.clear(); }

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    void answer(int index, QPointer<QTcpSocket> socket, const Response& response);

    quint16 port_ = 0;
    QHash<QString, QList<Response>> scripts_;
    QHash<QString, int> served_;
    QList<Request> requests_;
};

} // namespace mivora::test
