#include "SingleInstance.h"

#include "SingleInstanceMessage.h"

#include <QCoro/QCoroLocalSocket>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace mivora {

namespace {
constexpr int timeoutMs = 2000;
} // namespace

SingleInstance::SingleInstance(QString path, QObject* parent) : QObject(parent), path_(std::move(path)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + "/mivora.socket";
}

QCoro::Task<bool> SingleInstance::askRunningToReopen() {
    return ask(SingleInstanceMessage::reopenRequest().line());
}

QCoro::Task<bool> SingleInstance::askRunningToOpen(QUrl url) {
    const std::optional<SingleInstanceMessage> request = SingleInstanceMessage::openRequest(url);
    if (!request) co_return false; // an invalid URL could not be read on the other side
    co_return co_await ask(request->line());
}

QCoro::Task<bool> SingleInstance::ask(QByteArray line) {
    QLocalSocket socket;
    // A local connection is made or refused at once; only a busy running program makes it wait.
    socket.connectToServer(path_);
    if (socket.state() == QLocalSocket::UnconnectedState) co_return false;
    if (socket.state() != QLocalSocket::ConnectedState &&
        !co_await qCoro(socket).waitForConnected(std::chrono::milliseconds(timeoutMs)))
        co_return false;
    socket.write(line);
    // The running program answers with the same line once it has taken the request.
    const QByteArray answer = co_await qCoro(socket).readLine(0, std::chrono::milliseconds(timeoutMs));
    co_return answer == line;
}

bool SingleInstance::listen() {
    server_ = new QLocalServer(this);
    // With an access option the socket is made aside and renamed into place, replacing a file left by a
    // program that died.
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(path_)) return false;
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine()) return;
                const QByteArray line = socket->readLine();
                const std::optional<SingleInstanceMessage> request = SingleInstanceMessage::read(line);
                if (!request) return socket->disconnectFromServer();
                socket->write(line);
                socket->flush();
                if (request->kind == SingleInstanceMessage::Kind::reopen)
                    emit reopenRequested();
                else
                    emit urlReceived(request->url);
            });
        }
    });
    return true;
}

} // namespace mivora
