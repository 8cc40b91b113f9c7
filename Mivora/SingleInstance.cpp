#include "SingleInstance.h"

#include "SingleInstanceMessage.h"
#include "Support/FileLock.h"
#include "Support/Paths.h"
#include "Support/PrivateFiles.h"

#include <QCoro/QCoroLocalSocket>
#include <QCoro/QCoroSignal>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <cerrno>
#include <cstring>

namespace mivora {

namespace {

using namespace std::chrono_literals;

// Between tries to reach the running program: the one that holds the lock may not listen yet.
constexpr double pauseSeconds = 0.1;
// How long one wait for the answer lasts before the connection is looked at again.
constexpr std::chrono::milliseconds answerPoll = 250ms;

} // namespace

SingleInstance::SingleInstance(QString path, std::chrono::milliseconds patience, QObject* parent)
    : QObject(parent), path_(std::move(path)), patience_(patience) {}

SingleInstance::~SingleInstance() {
    // The socket goes first, while the lock is still held: once the lock is free another copy may listen
    // on the same name, and closing the server removes the file there.
    delete server_;
    lock_.reset();
}

QString SingleInstance::defaultPath() {
    return Paths::appData() + "/mivora.socket";
}

QString SingleInstance::lockPath(const QString& socketPath) {
    return socketPath + ".lock";
}

SingleInstance::Holder SingleInstance::holder(bool keep) {
    if (lock_) return Holder::none;
    const QString file = lockPath(path_);
    lockProblem_.clear();
    const auto unusable = [&](const QString& why) {
        lockProblem_ = QStringLiteral("单实例锁 %1 打不开（%2）").arg(file, why);
        return Holder::unknown;
    };
    if (const int error = PrivateFiles::makeFolder(QFileInfo(file).absolutePath()))
        return unusable(QString::fromLocal8Bit(std::strerror(error)));
    auto trial = std::make_unique<FileLock>(file, 0);
    if (trial->errorNumber() == EWOULDBLOCK) return Holder::other;
    // A file that cannot be opened tells nothing about who runs: never taken for "nobody".
    if (!trial->locked()) return unusable(trial->error());
    if (keep) lock_ = std::move(trial); // otherwise it goes at once
    return Holder::none;
}

bool SingleInstance::claim() {
    holder(true);
    return lock_ != nullptr;
}

QCoro::Task<SingleInstance::Delivery> SingleInstance::askRunningToReopen(Scheduler& scheduler) {
    return ask(SingleInstanceMessage::reopenRequest().line(), true, scheduler);
}

QCoro::Task<SingleInstance::Delivery> SingleInstance::askRunningToOpen(QUrl url, Scheduler& scheduler) {
    const std::optional<SingleInstanceMessage> request = SingleInstanceMessage::openRequest(url);
    if (!request) co_return Delivery::notRunning; // an invalid URL could not be read on the other side
    co_return co_await ask(request->line(), false, scheduler);
}

QCoro::Task<SingleInstance::Delivery> SingleInstance::ask(QByteArray line, bool claimWhenFree,
                                                          Scheduler& scheduler) {
    const auto deadline = std::chrono::steady_clock::now() + patience_;
    const auto left = [deadline] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                     std::chrono::steady_clock::now());
    };
    while (true) {
        // Looked at on every try: the program that held the lock may have ended meanwhile.
        const Holder held = holder(claimWhenFree);
        if (held == Holder::none) co_return Delivery::notRunning;
        QLocalSocket socket;
        // A local connection is made or refused at once while the running program's queue has room, even
        // when it is stopped; it then reads the request once it goes on.
        socket.connectToServer(path_);
        if (socket.state() == QLocalSocket::ConnectingState && left() > 0ms)
            co_await qCoro(socket).waitForConnected(left());
        if (socket.state() == QLocalSocket::ConnectedState) {
            socket.write(line);
            // The running program answers with the same line once it has taken the request. A connection
            // that drops first (the program ended) is tried again.
            while (!socket.canReadLine() && socket.state() == QLocalSocket::ConnectedState && left() > 0ms)
                co_await qCoro(&socket, &QLocalSocket::readyRead, std::min(left(), answerPoll));
            if (socket.canReadLine())
                co_return socket.readLine() == line ? Delivery::taken : Delivery::noAnswer;
        }
        // Without the lock, one try: a program that listens here answers it at once.
        if (held == Holder::unknown) co_return Delivery::unknown;
        if (left() <= 0ms) co_return Delivery::noAnswer;
        auto pause = scheduler.sleep(pauseSeconds);
        co_await pause;
    }
}

bool SingleInstance::listen() {
    // Only the lock's holder listens: a second listener would take the running program's name. Without a
    // usable lock file the caller has just found nobody answering here.
    if (!claim() && lockProblem_.isEmpty()) return false;
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
