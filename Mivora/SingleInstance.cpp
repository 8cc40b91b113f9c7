#include "SingleInstance.h"

#include "SingleInstanceMessage.h"
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
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace mivora {

namespace {

using namespace std::chrono_literals;

// Between tries to reach the running program: the one that holds the lock may not listen yet.
constexpr double pauseSeconds = 0.1;
// How long one wait for the answer lasts before the connection is looked at again.
constexpr std::chrono::milliseconds answerPoll = 250ms;

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// "mivora-<user id>" under `temp`, made when missing; its path when it is a folder of this user's, not a
// link, that no one else may enter (one of theirs that others could is closed to them), else empty with
// `why` said. Another user may have made a folder of that name first: it is then never used.
QString privateFolderIn(const QString& temp, QString& why) {
    const QString folder = QDir(temp).filePath(QStringLiteral("mivora-%1").arg(::geteuid()));
    const QByteArray path = QFile::encodeName(folder);
    const auto unusable = [&](const QString& reason) {
        why = QStringLiteral("临时文件夹 %1 用不了（%2）").arg(folder, reason);
        return QString();
    };
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) return unusable(systemError(errno));
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0) return unusable(systemError(errno));
    if (!S_ISDIR(st.st_mode)) return unusable(QStringLiteral("不是文件夹"));
    if (st.st_uid != ::geteuid()) return unusable(QStringLiteral("是别的用户的"));
    if ((st.st_mode & 077) != 0 && ::chmod(path.constData(), 0700) != 0) return unusable(systemError(errno));
    return folder;
}

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
    places.locks << dataFolder + QStringLiteral("/mivora.socket.lock");
    QString why;
    const QString folder = privateFolderIn(temp, why);
    if (folder.isEmpty()) {
        places.socket = dataFolder + QStringLiteral("/mivora.socket");
        places.problem = why;
        return places;
    }
    // One name per data folder, however it is spelled (a link to it is the same folder) and whether the
    // start that looks has made it yet or not.
    const QByteArray key =
        QCryptographicHash::hash(resolved(dataFolder).toUtf8(), QCryptographicHash::Sha256);
    const QString name = folder + '/' + QString::fromLatin1(key.toHex().left(16));
    places.locks << name + QStringLiteral(".lock");
    places.socket = name + QStringLiteral(".socket");
    return places;
}

SingleInstance::Places SingleInstance::defaultPlaces() {
    return placesFor(Paths::appData(), QStringLiteral("/tmp"));
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
            unusable(systemError(error));
            continue;
        }
        auto trial = std::make_unique<FileLock>(file, 0);
        if (trial->errorNumber() == EWOULDBLOCK) {
            lockProblem_ = problems.join(QStringLiteral("；"));
            return Holder::other; // what was taken here goes at once
        }
        if (!trial->locked()) {
            unusable(trial->error());
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
        socket.connectToServer(places_.socket);
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
        // Without a lock, one try: a program that listens here answers it at once.
        if (held == Holder::unknown) co_return Delivery::unknown;
        if (left() <= 0ms) co_return Delivery::noAnswer;
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
    server_ = new QLocalServer(this);
    // With an access option the socket is made aside and renamed into place, replacing a file left by a
    // program that died.
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(places_.socket)) {
        listenProblem_ = QStringLiteral("%1：%2").arg(places_.socket, server_->errorString());
        return false;
    }
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
