#include "SingleInstance.h"

#include "SingleInstanceMessage.h"
#include "SingleInstancePlaces.h"
#include "Support/FileLock.h"
#include "Support/Paths.h"
#include "Support/PrivateFiles.h"

#include <QCoro/QCoroLocalSocket>
#include <QCoro/QCoroSignal>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <cerrno>
#include <unistd.h>

namespace mivora {

namespace {

using namespace std::chrono_literals;

// Between tries to reach the running program: the one that holds the lock may not listen yet.
constexpr double pauseSeconds = 0.1;
// How long one wait for the answer lasts before the connection is looked at again.
constexpr std::chrono::milliseconds answerPoll = 250ms;

// A first look finds no listener while the holder is starting; a holder that still has none after this long
// listens nowhere a start can reach (it could not listen, or it runs on another computer that shares the
// home).
constexpr auto listenerGrace = 5s;

// `path` with the links among its folders resolved as far as they exist: the same for every spelling of one
// folder, whether it is there yet or not.
QString resolved(const QString& path) {
    QFileInfo at(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    QString rest;
    while (!at.exists() && !at.isRoot()) {
        rest.prepend('/' + at.fileName());
        at.setFile(at.absolutePath());
    }
    return QDir::cleanPath(at.canonicalFilePath() + rest);
}

} // namespace

SingleInstance::SingleInstance(Places places, std::chrono::milliseconds patience, QObject* parent)
    : QObject(parent), places_(std::move(places)), patience_(patience) {}

SingleInstance::SingleInstance(const QString& socketPath, std::chrono::milliseconds patience, QObject* parent)
    : SingleInstance(Places{socketPath, {lockPath(socketPath)}, {}}, patience, parent) {}

SingleInstance::~SingleInstance() {
    // The socket goes first, while the locks are still held: once they are free another copy may listen
    // on the same name, and closing the server removes the file there.
    delete server_;
    locks_.clear();
}

SingleInstance::Places SingleInstance::placesFor(const QString& dataFolder, const QString& temp) {
    Places places;
    QStringList problems, sockets;
    // A name another user's entry stands at, and cannot be freed, is left out.
    const auto freed = [&](const QString& path) {
        QString why;
        if (SingleInstancePlaces::clear(path, why, places.done)) return true;
        problems << why;
        return false;
    };
    const QString dataLock = dataFolder + QStringLiteral("/mivora.socket.lock");
    if (freed(dataLock)) places.locks << dataLock;
    // One name per data folder, however it is spelled (a link to it is the same folder) and whether the
    // start that looks has made it yet or not.
    const QString key = QString::fromLatin1(
        QCryptographicHash::hash(resolved(dataFolder).toUtf8(), QCryptographicHash::Sha256).toHex().left(16));
    QString why;
    const QString folder = SingleInstancePlaces::privateFolderIn(temp, why, places.done);
    if (folder.isEmpty()) problems << why;
    if (!folder.isEmpty() && freed(folder + '/' + key + QStringLiteral(".lock")))
        places.locks << folder + '/' + key + QStringLiteral(".lock");
    if (!folder.isEmpty() && freed(folder + '/' + key + QStringLiteral(".socket")))
        sockets << folder + '/' + key + QStringLiteral(".socket");
    if (const QString data = dataFolder + QStringLiteral("/mivora.socket"); freed(data)) sockets << data;
    sockets << QStringLiteral("@mivora-%1-%2").arg(::geteuid()).arg(key);
    places.socket = sockets.takeFirst();
    places.fallbacks = sockets;
    places.problem = problems.join(QStringLiteral("；"));
    return places;
}

SingleInstance::Places SingleInstance::defaultPlaces() {
    return placesFor(Paths::appData(), SingleInstancePlaces::temp());
}

QString SingleInstance::lockPath(const QString& socketPath) {
    return socketPath + ".lock";
}

SingleInstance::Holder SingleInstance::holder(bool keep) {
    if (!locks_.empty()) return Holder::none;
    QStringList problems;
    if (!places_.problem.isEmpty()) problems << places_.problem;
    std::vector<std::unique_ptr<FileLock>> taken;
    for (const QString& file : places_.locks) {
        const auto unusable = [&](const QString& why) {
            problems << QStringLiteral("单实例锁 %1 打不开（%2）").arg(file, why);
        };
        if (const int error = PrivateFiles::makeFolder(QFileInfo(file).absolutePath())) {
            unusable(SingleInstancePlaces::reason(error));
            continue;
        }
        auto trial = std::make_unique<FileLock>(file, 0);
        if (trial->errorNumber() == EWOULDBLOCK) {
            lockProblem_ = problems.join(QStringLiteral("；"));
            return Holder::other; // what was taken here goes at once
        }
        if (!trial->locked()) {
            unusable(trial->errorNumber() == ETIMEDOUT ? trial->error()
                                                       : SingleInstancePlaces::reason(trial->errorNumber()));
            continue;
        }
        taken.push_back(std::move(trial));
    }
    lockProblem_ = problems.join(QStringLiteral("；"));
    // Files that cannot be opened tell nothing about who runs: never taken for "nobody".
    if (taken.empty()) return Holder::unknown;
    if (keep) locks_ = std::move(taken); // otherwise they go at once
    return Holder::none;
}

bool SingleInstance::claim() {
    holder(true);
    return !locks_.empty();
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
    const auto begun = std::chrono::steady_clock::now();
    const auto deadline = begun + patience_;
    const auto left = [deadline] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                     std::chrono::steady_clock::now());
    };
    bool heard = false; // a listener of the user's was reached at one of the tries
    while (true) {
        // Looked at on every try: the program that held the lock may have ended meanwhile.
        const Holder held = holder(claimWhenFree);
        if (held == Holder::none) co_return Delivery::notRunning;
        // Every place, whichever this start would listen in: the holder chose when it started, where other
        // places may have been in its way.
        for (const QString& place : sockets()) {
            if (place.isEmpty() || !SingleInstancePlaces::fits(place)) continue;
            QLocalSocket socket;
            const bool abstract = place.startsWith('@');
            if (abstract) socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
            // A local connection is made or refused at once while the running program's queue has room,
            // even when it is stopped; it then reads the request once it goes on.
            socket.connectToServer(abstract ? place.mid(1) : place);
            if (socket.state() == QLocalSocket::ConnectingState && left() > 0ms)
                co_await qCoro(socket).waitForConnected(left());
            if (socket.state() != QLocalSocket::ConnectedState) continue;
            // A request, a sign-in's code above all, goes to a program of the user's only.
            if (!SingleInstancePlaces::sameUser(int(socket.socketDescriptor()))) {
                const QString stranger =
                    QStringLiteral("%1 上监听的是别的用户的程序，没有把请求交给它").arg(place);
                if (!strangers_.contains(stranger)) strangers_ << stranger;
                socket.abort();
                continue;
            }
            heard = true;
            socket.write(line);
            // The running program answers with the same line once it has taken the request. A connection
            // that drops first (the program ended) is tried again.
            while (!socket.canReadLine() && socket.state() == QLocalSocket::ConnectedState && left() > 0ms)
                co_await qCoro(&socket, &QLocalSocket::readyRead, std::min(left(), answerPoll));
            if (socket.canReadLine())
                co_return socket.readLine() == line ? Delivery::taken : Delivery::noAnswer;
        }
        // Without a lock, one try: a program that listens here answers it at once.
        if (held == Holder::unknown) co_return Delivery::unknown;
        if (left() <= 0ms) co_return Delivery::noAnswer;
        if (!heard && std::chrono::steady_clock::now() - begun >= listenerGrace) co_return Delivery::nowhere;
        auto pause = scheduler.sleep(pauseSeconds);
        co_await pause;
    }
}

bool SingleInstance::listen() {
    // Only the locks' holder listens: a second listener would take the running program's name.
    listenProblem_.clear();
    if (const Holder held = holder(true); held != Holder::none) {
        listenProblem_ = held == Holder::other ? QStringLiteral("另一个 Mivora 在运行") : lockProblem_;
        return false;
    }
    QStringList failures;
    for (const QString& place : sockets()) {
        if (place.isEmpty()) continue;
        QString why;
        const int fd = SingleInstancePlaces::listenAt(place, why);
        if (fd < 0) {
            failures << QStringLiteral("%1：%2").arg(place, why);
            continue;
        }
        server_ = new QLocalServer(this);
        if (server_->listen(qintptr(fd))) {
            listeningAt_ = place;
            break;
        }
        failures << QStringLiteral("%1：%2").arg(place, server_->errorString());
        delete server_;
        server_ = nullptr;
        ::close(fd);
    }
    listenProblem_ = failures.join(QStringLiteral("；"));
    if (!server_) return false;
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            // The name in the abstract namespace is open to every user's programs.
            if (!SingleInstancePlaces::sameUser(int(socket->socketDescriptor()))) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
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
