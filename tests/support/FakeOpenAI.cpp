#include "support/FakeOpenAI.h"

#include "Support/Scheduler.h"

#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpServer>
#include <QTcpSocket>

#include <QtHttpServer/QHttpServerRequest>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace mivora::test {

namespace {

// Acknowledges every segment at once. Linux delays ACKs by up to 40 ms, and Qt's HTTP client leaves
// Nagle's algorithm on, so on a kept-alive connection each upload would wait for that timer; tests and
// benchmarks should measure our code, not the ACK timer.
class QuickAckServer final : public QTcpServer {
protected:
    void incomingConnection(qintptr handle) override {
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(handle)) {
            delete socket;
            return;
        }
        const int fd = int(handle);
        quickAck(fd);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [fd] { quickAck(fd); });
        addPendingConnection(socket);
    }

private:
    static void quickAck([[maybe_unused]] int fd) {
#ifdef TCP_QUICKACK // Linux only; elsewhere the ACK timer stays
        int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
#endif
    }
};

QByteArray methodName(QHttpServerRequest::Method m) {
    switch (m) {
    case QHttpServerRequest::Method::Get:
        return "GET";
    case QHttpServerRequest::Method::Put:
        return "PUT";
    case QHttpServerRequest::Method::Delete:
        return "DELETE";
    case QHttpServerRequest::Method::Post:
        return "POST";
    case QHttpServerRequest::Method::Head:
        return "HEAD";
    case QHttpServerRequest::Method::Options:
        return "OPTIONS";
    case QHttpServerRequest::Method::Patch:
        return "PATCH";
    default:
        return "OTHER";
    }
}

QByteArray reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 404:
        return "Not Found";
    case 429:
        return "Too Many Requests";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    default:
        return "Status";
    }
}
} // namespace

QByteArray FakeOpenAI::Request::header(const QByteArray& name) const {
    for (const auto& [k, v] : headers)
        if (k.compare(name, Qt::CaseInsensitive) == 0) return v;
    return {};
}

FakeOpenAI::FakeOpenAI() {
    auto* tcp = new QuickAckServer;
    if (tcp->listen(QHostAddress::LocalHost, 0)) {
        port_ = tcp->serverPort();
        bind(tcp); // takes ownership
    } else {
        delete tcp;
    }
}

FakeOpenAI::~FakeOpenAI() = default;

QUrl FakeOpenAI::url(const QString& path) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path));
}

void FakeOpenAI::script(const QString& path, QList<Response> responses) {
    scripts_[path] = std::move(responses);
    served_[path] = 0;
}

FakeOpenAI::Response FakeOpenAI::json(const QJsonObject& object, int status) {
    Response r;
    r.status = status;
    r.body = QJsonDocument(object).toJson(QJsonDocument::Compact);
    return r;
}

FakeOpenAI::Response FakeOpenAI::transcription(const QString& text) {
    return json(QJsonObject{{"text", text}});
}

FakeOpenAI::Response FakeOpenAI::chat(const QString& content, const QString& finishReason) {
    return json(QJsonObject{{"choices", QJsonArray{QJsonObject{{"index", 0},
                                                               {"message", QJsonObject{{"role", "assistant"},
                                                                                       {"content", content}}},
                                                               {"finish_reason", finishReason}}}}});
}

FakeOpenAI::Response FakeOpenAI::error(int status, const QString& message) {
    return json(QJsonObject{{"error", QJsonObject{{"message", message}, {"type", "invalid_request_error"}}}},
                status);
}

QList<FakeOpenAI::Request> FakeOpenAI::requests(const QString& path) const {
    QList<Request> out;
    for (const Request& r : requests_)
        if (r.path == path) out.append(r);
    return out;
}

int FakeOpenAI::abandoned() const {
    return int(
        std::count_if(requests_.begin(), requests_.end(), [](const Request& r) { return r.abandoned; }));
}

bool FakeOpenAI::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    Request recorded;
    recorded.method = methodName(request.method());
    recorded.path = request.url().path();
    recorded.headers = request.headers();
    recorded.body = request.body();
    const int index = int(requests_.size());
    requests_.append(recorded);

    Response response;
    auto it = scripts_.find(recorded.path);
    if (it == scripts_.end() || it->isEmpty()) {
        response = error(404, QStringLiteral("no such route: ") + recorded.path);
    } else {
        int& n = served_[recorded.path];
        response = (*it)[std::min<qsizetype>(n, it->size() - 1)];
        ++n;
    }

    QPointer<QTcpSocket> guarded(socket);
    // A connection that closes before its answer marks the request as abandoned.
    QObject::connect(socket, &QTcpSocket::disconnected, this, [this, index, guarded] {
        if (index < requests_.size() && guarded && guarded->property("mivoraPending").toInt() == index + 1)
            requests_[index].abandoned = true;
    });
    socket->setProperty("mivoraPending", index + 1);
    if (response.hang) return true;
    if (response.delayMs > 0) {
        QPointer<FakeOpenAI> self(this);
        Scheduler::main().after(response.delayMs / 1000.0, [self, index, guarded, response] {
            if (self) self->answer(index, guarded, response);
        });
        return true;
    }
    answer(index, guarded, response);
    return true;
}

void FakeOpenAI::missingHandler(const QHttpServerRequest&, QTcpSocket* socket) {
    socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
}

void FakeOpenAI::answer(int index, QPointer<QTcpSocket> socket, const Response& response) {
    if (!socket || socket->state() != QAbstractSocket::ConnectedState) return;
    if (socket->property("mivoraPending").toInt() == index + 1) socket->setProperty("mivoraPending", 0);
    const bool head = index < requests_.size() && requests_[index].method == "HEAD";
    QByteArray out =
        "HTTP/1.1 " + QByteArray::number(response.status) + " " + reasonPhrase(response.status) + "\r\n";
    out += "Content-Type: " + response.contentType + "\r\n";
    out += "Content-Length: " + QByteArray::number(head ? 0 : response.body.size()) + "\r\n";
    out += "Connection: keep-alive\r\n\r\n";
    if (!head) out += response.body;
    socket->write(out);
}

} // namespace mivora::test
