// The HTTP client against any bytes a server can send: a loopback server answers every request with the input
// (in two writes, split where the input's first byte says) and closes. The client must end every request,
// and may report an answer only when a header block ended somewhere in what came: a connection that closed
// inside the headers is a failure, never a status with an empty body.
#include "RoundTrip.h"
#include "Support/HttpClient.h"

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QVariant>

using namespace mivora;
using fuzz::require;

namespace {

class Server final : public QTcpServer {
public:
    Server() { listen(QHostAddress::LocalHost, 0); }
    QByteArray answer;
    qsizetype split = 0;

protected:
    void incomingConnection(qintptr handle) override {
        auto* socket = new QTcpSocket(this);
        socket->setSocketDescriptor(handle);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            QByteArray request = socket->property("request").toByteArray() + socket->readAll();
            socket->setProperty("request", request);
            const qsizetype end = request.indexOf("\r\n\r\n");
            const qsizetype length = request.contains("Content-Length: 5") ? 5 : 0;
            if (end < 0 || request.size() < end + 4 + length || socket->property("answered").toBool()) return;
            socket->setProperty("answered", true);
            socket->write(answer.left(split));
            socket->flush();
            socket->write(answer.mid(split));
            socket->disconnectFromHost();
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
};

// Redirects are followed: only one back to this server ("Location:/path") is kept, so no input sends the
// client to a name it would have to look up.
QByteArray withoutRedirectsAway(QByteArray bytes) {
    const QByteArray lower = bytes.toLower();
    for (qsizetype at = lower.indexOf("location"); at >= 0; at = lower.indexOf("location", at + 1)) {
        const QByteArray rest = lower.mid(at + 8, 3);
        if (rest.size() == 3 && rest[0] == ':' && rest[1] == '/' && rest[2] != '/' && rest[2] != '\\')
            continue;
        bytes[at + 7] = 'm';
    }
    return bytes;
}

// Whether an empty line ends a header block anywhere in `bytes`. A NUL byte before it leaves the question to
// libcurl: a header line that starts with one and arrives in two reads reaches the client as an empty line.
bool headerBlockEnds(const QByteArray& bytes) {
    return bytes.contains("\n\n") || bytes.contains("\n\r\n") || bytes.contains('\0');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_http_answers";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QtScheduler timers;
    static HttpClient client(timers);
    static Server server;

    const QByteArray input = fuzz::bytes(data, size);
    server.answer = withoutRedirectsAway(input);
    server.split = input.isEmpty() ? 0 : qsizetype(uchar(input[0])) % (input.size() + 1);

    HttpRequest request(size % 2 ? "POST" : "GET",
                        QUrl(QStringLiteral("http://127.0.0.1:%1/v1/x").arg(server.serverPort())));
    if (size % 2) request.body = "hello";
    request.oneAttempt = true;
    request.timeoutMs = 5000; // the server always closes: only a lost client would reach it
    const std::shared_ptr<HttpCall> call = client.start(request);
    while (!call->isDone())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    try {
        const HttpResponse answer = HttpCall::Awaiter{call.get()}.await_resume();
        require(headerBlockEnds(server.answer), "an answer whose header block never ended", server.answer);
        require(answer.status >= 100 && answer.status <= 999, "an answer without a status", server.answer);
    } catch (const NetworkError& e) {
        require(e.kind() != NetworkError::Kind::timeout && e.kind() != NetworkError::Kind::cancelled,
                "the request did not end with the connection", server.answer);
    }
    return 0;
}
